// DirectSound output set-up, the player's refill and the renderer's timer.
#include "audio_engine/direct_sound_system.h"

#include "audio_engine/debug.h"

namespace Tarn {

cTarnDirectSoundSystem::cTarnDirectSoundSystem(HWND window, cIRendererHost* host) : mHost(host) {
  Trace("cTarnDirectSoundSystem::Init\n");
  IDirectSound8* device = nullptr;
  HRESULT hr = DirectSoundCreate8(&DSDEVID_DefaultPlayback, &device, nullptr);
  if (FAILED(hr) || !device) {
    mSetupResult = hr;
    return;
  }
  mDevice = device;
  if (!window) window = ::GetForegroundWindow();
  if (!window) window = ::GetDesktopWindow();
  hr = mDevice->SetCooperativeLevel(window, DSSCL_PRIORITY);
  if (FAILED(hr)) {
    // A device that refused the window makes no buffers: the engine would start silent and
    // never try again. Without a device it stays unstarted and a later start retries.
    mDevice->Release();
    mDevice = nullptr;
    mSetupResult = hr;
    return;
  }

  DSBUFFERDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
  IDirectSoundBuffer* primary = nullptr;
  if (FAILED(mDevice->CreateSoundBuffer(&desc, &primary, nullptr)) || !primary) {
    mSetupResult = kNoPrimaryBuffer;
    return;
  }
  TarnMix::cWaveFormat f = TarnMix::OutputFormat();
  WAVEFORMATEX wfx{f.formatTag, f.channels, f.sampleRate, f.bytesPerSecond, f.blockAlign, f.bitsPerSample, 0};
  primary->SetFormat(&wfx);
  primary->Release();
  if (mHost) mHost->SetRenderer(this);
}

cTarnDirectSoundSystem::~cTarnDirectSoundSystem() {
  if (mHost) mHost->SetRenderer(nullptr);
  mTimer.Reset();
  if (mDevice) mDevice->Release();
  mDevice = nullptr;
  mUpdates.Clear();
}

int cTarnDirectSoundSystem::Update() {
  cAutoCriticalSection lock(EngineLock());
  mUpdates.Run();
  return 0;
}

int cTarnDirectSoundSystem::Start() {
  if (!mTimer) mTimer.Reset(new cCallbackTimer());
  int r = mTimer->SetCallback(this, 20, 10);
  if (r != 0) return r;
  return mTimer->Start();
}

int cTarnDirectSoundSystem::Stop() {
  mTimer.Reset();
  return 0;
}

cTarnDirectSoundPlayer::~cTarnDirectSoundPlayer() {
  if (mOutput) mOutput->Updates().Remove(this);
  if (mBuffer) {
    mBuffer->Stop();
    mBuffer->Release();
  }
}

int cTarnDirectSoundPlayer::SetSource(cIReader* reader, TarnMix::cIWaveFormatHolder* format) {
  mSource = reader;
  if (format) {
    TarnMix::cWaveFormat ignored;
    format->GetWaveFormat(&ignored);  // queried, but the buffer always uses the output format
  }
  if (!mOutput || !mOutput->Device()) return kNoBuffer;
  if (mBuffer) {
    mBuffer->Release();
    mBuffer = nullptr;
  }
  TarnMix::cWaveFormat f = TarnMix::OutputFormat();
  WAVEFORMATEX wfx{f.formatTag, f.channels, f.sampleRate, f.bytesPerSecond, f.blockAlign, f.bitsPerSample, 0};
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_LOCSOFTWARE;
  desc.dwBufferBytes = kBufferBytes;
  desc.lpwfxFormat = &wfx;
  desc.guid3DAlgorithm = GUID_NULL;
  IDirectSoundBuffer* buffer = nullptr;
  HRESULT hr = mOutput->Device()->CreateSoundBuffer(&desc, &buffer, nullptr);
  if (SUCCEEDED(hr)) mBuffer = buffer;
  mWritePosition = 0;
  return hr;
}

int cTarnDirectSoundPlayer::Play() {
  if (!mBuffer) return kNoBuffer;
  HRESULT hr = mBuffer->Play(0, 0, DSBPLAY_LOOPING);
  if (SUCCEEDED(hr) && mOutput) mOutput->Updates().Add(this);
  return hr;
}

int cTarnDirectSoundPlayer::Stop() {
  if (mOutput) mOutput->Updates().Remove(this);
  if (!mBuffer) return kNoBuffer;
  return mBuffer->Stop();
}

int cTarnDirectSoundPlayer::Update() {
  if (!mBuffer || !mSource) return 0;
  DWORD play = 0, write = 0;
  HRESULT hr = mBuffer->GetCurrentPosition(&play, &write);
  if (FAILED(hr)) return hr;
  int64_t n = (int64_t)play - (int64_t)mWritePosition;
  if (n < 0) n += kBufferBytes;
  if (n == 0) return 0;
  void *p1 = nullptr, *p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  hr = mBuffer->Lock(mWritePosition, (DWORD)n, &p1, &n1, &p2, &n2, 0);
  if (FAILED(hr)) return hr;  // the tick is skipped
  uint32_t got1 = 0, got2 = 0;
  mSource->Read(p1, n1, &got1);
  if (p2 && n2) mSource->Read(p2, n2, &got2);
  mWritePosition = (mWritePosition + n1 + n2) % kBufferBytes;
  return mBuffer->Unlock(p1, got1, p2, got2);
}

}  // namespace Tarn
