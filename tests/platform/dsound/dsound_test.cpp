// The DirectSound stand-in: buffer descriptions, Lock/Unlock with wrap, cursors, volume,
// status, notifications, and the SDL device with its silent fallback.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/dsound/dsound.h"
#include "platform/dsound/dsound_test_control.h"

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
