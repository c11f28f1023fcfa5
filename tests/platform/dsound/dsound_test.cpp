// The DirectSound stand-in: buffer descriptions, Lock/Unlock with wrap, cursors, volume,
// status, notifications, the window of the cooperative level, and the SDL device with its
// silent fallback.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/dsound/dsound.h"
#include "platform/dsound/dsound_test_control.h"
#include "tests/support/tone_measure.h"

namespace {

WAVEFORMATEX Format(WORD channels, DWORD rate, WORD bits) {
  WORD block = (WORD)(channels * bits / 8);
  return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * block, block, bits, 0};
}

class DSoundFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    DSoundTest::UseManualDevice(true);
    DSoundTest::EnableTap(true);
    ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
    ASSERT_EQ(ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DS_OK);
  }
  void TearDown() override {
    ds->Release();
    DSoundTest::EnableTap(false);
  }
  IDirectSoundBuffer* Make(DWORD bytes, DWORD flags, WAVEFORMATEX f) {
    DSBUFFERDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = flags;
    d.dwBufferBytes = bytes;
    d.lpwfxFormat = &f;
    IDirectSoundBuffer* b = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
    return b;
  }
  void Fill(IDirectSoundBuffer* b, DWORD offset, DWORD bytes, int16_t value) {
    void *p1, *p2;
    DWORD n1, n2;
    ASSERT_EQ(b->Lock(offset, bytes, &p1, &n1, &p2, &n2, 0), DS_OK);
    for (DWORD i = 0; i < n1 / 2; i++) ((int16_t*)p1)[i] = value;
    for (DWORD i = 0; i < n2 / 2; i++) ((int16_t*)p2)[i] = value;
    ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
  }
  IDirectSound8* ds = nullptr;
};

}  // namespace

TEST_F(DSoundFixture, DescriptionsAreChecked) {
  DSBUFFERDESC d{};
  IDirectSoundBuffer* b = nullptr;
  EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);  // no size
  d.dwSize = sizeof d;
  d.dwFlags = DSBCAPS_PRIMARYBUFFER;
  ASSERT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DS_OK);
  WAVEFORMATEX f = Format(2, 44100, 16);
  EXPECT_EQ(b->SetFormat(&f), DS_OK);
  void *p1, *p2;
  DWORD n1, n2;
  EXPECT_NE(b->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DS_OK);
  b->Release();
  WAVEFORMATEX bad = Format(2, 44100, 16);
  bad.nBlockAlign = 3;
  d.dwFlags = 0;
  d.dwBufferBytes = 1000;
  d.lpwfxFormat = &bad;
  EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_BADFORMAT);
  d.lpwfxFormat = &f;
  d.dwBufferBytes = 2;
  EXPECT_EQ(ds->CreateSoundBuffer(&d, &b, nullptr), DSERR_INVALIDPARAM);
}

TEST_F(DSoundFixture, LockWrapsIntoTwoRegionsAndPlaysLooping) {
  IDirectSoundBuffer* b = Make(4000, DSBCAPS_CTRLVOLUME, Format(2, 44100, 16));
  void *p1, *p2;
  DWORD n1, n2;
  ASSERT_EQ(b->Lock(3000, 2000, &p1, &n1, &p2, &n2, 0), DS_OK);
  EXPECT_EQ(n1, 1000u);
  EXPECT_EQ(n2, 1000u);
  EXPECT_EQ(b->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DSERR_INVALIDCALL);  // already locked
  std::memset(p1, 0, n1);
  b->Unlock(p1, n1, p2, 500);  // only the reported bytes are taken
  auto writes = DSoundTest::TakeWrites();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].offset, 3000u);
  EXPECT_EQ(writes[1].bytes.size(), 500u);
  Fill(b, 0, 4000, 1000);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  DWORD status = 0;
  b->GetStatus(&status);
  EXPECT_EQ(status, (DWORD)(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
  DSoundTest::TakeOutput();
  DSoundTest::AdvanceFrames(1500);  // 6000 bytes: around the 4000-byte ring and on
  DWORD play = 0, write = 0;
  b->GetCurrentPosition(&play, &write);
  EXPECT_EQ(play, 2000u);
  auto out = DSoundTest::TakeOutput();
  ASSERT_EQ(out.size(), 3000u);
  EXPECT_EQ(out[0], 1000);
  EXPECT_EQ(out[2999], 1000);
  // -6 dB (600 hundredths) halves the amplitude.
  b->SetVolume(-600);
  DSoundTest::AdvanceFrames(10);
  out = DSoundTest::TakeOutput();
  EXPECT_NEAR(out[0], 501, 2);
  EXPECT_EQ(b->SetVolume(1), DSERR_INVALIDPARAM);
  b->Stop();
  DSoundTest::AdvanceFrames(10);
  b->GetCurrentPosition(&play, &write);
  EXPECT_EQ(play, 2040u);
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
  b->Release();
}

TEST_F(DSoundFixture, NotificationsFireAtTheirOffsetsAndOnStop) {
  IDirectSoundBuffer* b = Make(8000, DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GETCURRENTPOSITION2, Format(2, 44100, 16));
  IDirectSoundNotify* notify = nullptr;
  ASSERT_EQ(b->QueryInterface(IID_IDirectSoundNotify, (void**)&notify), DS_OK);
  HANDLE half = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE stop = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  DSBPOSITIONNOTIFY pos[2] = {{4000, half}, {DSBPN_OFFSETSTOP, stop}};
  ASSERT_EQ(notify->SetNotificationPositions(2, pos), DS_OK);
  b->Play(0, 0, 0);  // once
  EXPECT_EQ(notify->SetNotificationPositions(2, pos), DSERR_INVALIDCALL);
  DSoundTest::AdvanceFrames(999);
  EXPECT_EQ(WaitForSingleObject(half, 0), WAIT_TIMEOUT);
  DSoundTest::AdvanceFrames(2);
  EXPECT_EQ(WaitForSingleObject(half, 0), WAIT_OBJECT_0);
  DSoundTest::AdvanceFrames(1500);  // past the end: a buffer played once stops
  EXPECT_EQ(WaitForSingleObject(stop, 0), WAIT_OBJECT_0);
  DWORD status = 1;
  b->GetStatus(&status);
  EXPECT_EQ(status, 0u);
  notify->Release();
  b->Release();
  CloseHandle(half);
  CloseHandle(stop);
}

TEST_F(DSoundFixture, OtherRatesAndMonoAreConverted) {
  IDirectSoundBuffer* b = Make(22050, DSBCAPS_CTRLPAN, Format(1, 22050, 8));
  void *p1, *p2;
  DWORD n1, n2;
  b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER);
  std::memset(p1, 0x80 + 64, n1);  // 8-bit unsigned: +64 is 16384 in 16-bit scale
  b->Unlock(p1, n1, p2, n2);
  b->SetPan(DSBPAN_RIGHT);
  b->Play(0, 0, DSBPLAY_LOOPING);
  DSoundTest::TakeOutput();
  DSoundTest::AdvanceFrames(882);
  DWORD play = 0;
  b->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 441u);  // half the rate: half the frames
  auto out = DSoundTest::TakeOutput();
  EXPECT_EQ(out[1], 16384);
  EXPECT_EQ(out[0], 0);  // full right pan silences the left
  b->Release();
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

// The window is checked: a live one, the desktop or none is taken; a handle that names no
// window is refused and leaves the device without a level, so it makes no buffers.
TEST(DSoundDevice, TheCooperativeLevelChecksItsWindow) {
  DSoundTest::UseManualDevice(true);
  WNDCLASSA wc{};
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = "dsound_test_window";
  ASSERT_NE(RegisterClassA(&wc), 0);
  auto make = [&] { return CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr); };
  HWND live = make(), gone = make();
  ASSERT_TRUE(live && gone);
  DestroyWindow(gone);
  struct Case {
    const char* name;
    HWND window;
    HRESULT result;
  } cases[] = {{"none", nullptr, DS_OK},
               {"live", live, DS_OK},
               {"desktop", GetDesktopWindow(), DS_OK},
               {"destroyed", gone, DSERR_INVALIDPARAM},
               {"never made", (HWND)(uintptr_t)0x7FFF0011, DSERR_INVALIDPARAM}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IDirectSound8* ds = nullptr;
    ASSERT_EQ(DirectSoundCreate8(nullptr, &ds, nullptr), DS_OK);
    EXPECT_EQ(ds->SetCooperativeLevel(c.window, DSSCL_PRIORITY), c.result);
    DSoundTest::CooperativeCall call = DSoundTest::LastCooperativeLevel();
    EXPECT_EQ(call.window, c.window);
    EXPECT_EQ(call.level, (DWORD)DSSCL_PRIORITY);
    EXPECT_EQ(call.result, c.result);
    DSBUFFERDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DSBCAPS_PRIMARYBUFFER;
    IDirectSoundBuffer* primary = nullptr;
    EXPECT_EQ(ds->CreateSoundBuffer(&d, &primary, nullptr), c.result == DS_OK ? DS_OK : DSERR_UNINITIALIZED);
    if (primary) primary->Release();
    ds->Release();
  }
  DestroyWindow(live);
}

TEST(DSoundDevice, RealDeviceFallsBackToSilentPlayback) {
  DSoundTest::UseManualDevice(false);
  DSoundTest::FailDeviceCreation(true);
  IDirectSound* ds = nullptr;
  EXPECT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DSERR_NODRIVER);
  DSoundTest::FailDeviceCreation(false);
  GUID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(DirectSoundCreate(&other, &ds, nullptr), DSERR_NODRIVER);
  // The tests run with SDL's dummy audio driver, or on a machine without a sound card.
  ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
  IDirectSound* second = nullptr;
  ASSERT_EQ(DirectSoundCreate(&DSDEVID_DefaultPlayback, &second, nullptr), DS_OK);
  second->Release();
  ds->Release();
  // An output that cannot be opened (no sound card, as under a virtual display) falls back to
  // SDL's dummy driver and plays silently instead of failing.
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  ASSERT_EQ(DirectSoundCreate(nullptr, &ds, nullptr), DS_OK);
  EXPECT_TRUE(DSoundTest::IsSilentFallback());
  ds->Release();
  setenv("SDL_AUDIODRIVER", "dummy", 1);
}

namespace {

// One second of a sine in the buffer's format, written whole.
void WriteSine(IDirectSoundBuffer* b, const WAVEFORMATEX& f, double frequency, double amplitude) {
  void *p1, *p2;
  DWORD n1, n2;
  ASSERT_EQ(b->Lock(0, 0, &p1, &n1, &p2, &n2, DSBLOCK_ENTIREBUFFER), DS_OK);
  uint8_t* bytes = (uint8_t*)p1;
  for (DWORD i = 0; i < n1 / f.nBlockAlign; i++) {
    double v = amplitude * std::sin(2 * M_PI * frequency * i / f.nSamplesPerSec);
    for (int c = 0; c < f.nChannels; c++) {
      uint8_t* at = bytes + i * f.nBlockAlign + c * (f.wBitsPerSample / 8);
      if (f.wBitsPerSample == 8) {
        *at = (uint8_t)std::lrint(128 + v * 127);
      } else {
        int16_t s = (int16_t)std::lrint(v * 32767);
        at[0] = (uint8_t)s;
        at[1] = (uint8_t)(s >> 8);
      }
    }
  }
  ASSERT_EQ(b->Unlock(p1, n1, p2, n2), DS_OK);
}

}  // namespace

TEST_F(DSoundFixture, EveryFormatPlaysAtItsPitchAndLevel) {
  for (DWORD rate : {22050u, 44100u, 48000u}) {
    for (WORD channels : {1, 2}) {
      for (WORD bits : {8, 16}) {
        WAVEFORMATEX f = Format(channels, rate, bits);
        IDirectSoundBuffer* b = Make(f.nAvgBytesPerSec, DSBCAPS_CTRLVOLUME, f);
        WriteSine(b, f, 1000.0, 0.5);
        b->Play(0, 0, DSBPLAY_LOOPING);
        DSoundTest::TakeOutput();
        DSoundTest::AdvanceFrames(44100);
        std::vector<int16_t> out = DSoundTest::TakeOutput();
        for (int c = 0; c < 2; c++) {
          EXPECT_NEAR(ToneMeasure::Frequency(out, 2, c, 44100), 1000.0, 1.0) << rate << " " << channels << " " << bits;
          // 0.5 of full scale: an RMS of 0.5 / sqrt(2); 8-bit samples are coarser.
          EXPECT_NEAR(ToneMeasure::Rms(out, 2, c), 0.5 * 32767 / std::sqrt(2.0), bits == 8 ? 250 : 60)
              << rate << " " << channels << " " << bits;
        }
        b->Release();
      }
    }
  }
}

TEST_F(DSoundFixture, FrequencyPanAndVolumeAsDocumented) {
  WAVEFORMATEX f = Format(2, 22050, 16);
  IDirectSoundBuffer* b = Make(f.nAvgBytesPerSec, DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME, f);
  WriteSine(b, f, 500.0, 0.5);
  b->Play(0, 0, DSBPLAY_LOOPING);
  struct Case {
    DWORD frequency;  // 0: the format's own
    LONG pan, volume;
    double pitch, left, right;  // levels relative to full
  } cases[] = {{0, 0, 0, 500, 1, 1},           {44100, 0, 0, 1000, 1, 1},     {11025, 0, 0, 250, 1, 1},
               {0, 600, 0, 500, 0.501, 1},     {0, -2000, 0, 500, 1, 0.1},    {0, DSBPAN_LEFT, 0, 500, 1, 0},
               {0, 0, -600, 500, 0.501, 0.501}, {0, 600, -600, 500, 0.251, 0.501}, {0, 0, DSBVOLUME_MIN, 0, 0, 0}};
  for (const Case& c : cases) {
    ASSERT_EQ(b->SetFrequency(c.frequency), DS_OK);
    ASSERT_EQ(b->SetPan(c.pan), DS_OK);
    ASSERT_EQ(b->SetVolume(c.volume), DS_OK);
    DWORD frequency = 0;
    b->GetFrequency(&frequency);
    EXPECT_EQ(frequency, c.frequency ? c.frequency : 22050u);
    DSoundTest::TakeOutput();
    DSoundTest::AdvanceFrames(22050);
    std::vector<int16_t> out = DSoundTest::TakeOutput();
    double full = 0.5 * 32767 / std::sqrt(2.0);
    if (c.pitch > 0) {
      EXPECT_NEAR(ToneMeasure::Frequency(out, 2, c.pan < 0 ? 0 : 1, 44100), c.pitch, 1.0);
    }
    EXPECT_NEAR(ToneMeasure::Rms(out, 2, 0) / full, c.left, 0.01) << c.pan << " " << c.volume;
    EXPECT_NEAR(ToneMeasure::Rms(out, 2, 1) / full, c.right, 0.01) << c.pan << " " << c.volume;
  }
  EXPECT_EQ(b->SetFrequency(99), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetFrequency(200001), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetPan(DSBPAN_RIGHT + 1), DSERR_INVALIDPARAM);
  EXPECT_EQ(b->SetVolume(DSBVOLUME_MIN - 1), DSERR_INVALIDPARAM);
  b->Release();
  // Controls a buffer was not made with are unavailable.
  IDirectSoundBuffer* plain = Make(4000, 0, f);
  EXPECT_EQ(plain->SetFrequency(44100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->SetPan(0), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(plain->SetVolume(0), DSERR_CONTROLUNAVAIL);
  plain->Release();
}

TEST_F(DSoundFixture, LostBuffersRefuseUntilRestoredThenComeBackSilent) {
  IDirectSoundBuffer* b = Make(8000, 0, Format(2, 44100, 16));
  Fill(b, 0, 8000, 1000);
  b->Play(0, 0, DSBPLAY_LOOPING);
  DSoundTest::LoseBuffers();
  DWORD status = 0;
  b->GetStatus(&status);
  EXPECT_EQ(status, (DWORD)DSBSTATUS_BUFFERLOST);
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
  void *p1, *p2;
  DWORD n1, n2;
  EXPECT_EQ(b->Lock(0, 4, &p1, &n1, &p2, &n2, 0), DSERR_BUFFERLOST);
  EXPECT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DSERR_BUFFERLOST);
  EXPECT_EQ(b->Restore(), DS_OK);
  b->GetStatus(&status);
  EXPECT_EQ(status, 0u);
  ASSERT_EQ(b->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  DSoundTest::TakeOutput();
  DSoundTest::AdvanceFrames(100);
  for (int16_t s : DSoundTest::TakeOutput()) ASSERT_EQ(s, 0);
  b->Release();
}
