// Streams. The buffer always plays as a looping ring, also for sounds played once: a sound
// longer than the buffer must outlast one pass of it. The end is counted instead: once the
// spooler has no more data, the ring plays on until the half holding the last bytes has been
// played whole, then stops. A half is refilled only when the span between the play and the
// write cursor lies outside it, so nothing the device has taken is overwritten.
#include "core/graphics/sound/sound_stream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/base/log.h"
#include "core/graphics/directx/dx_error.h"
#include "core/graphics/sound/sound_data.h"
#include "core/graphics/sound/sound_instance.h"
#include "core/graphics/sound/sound_manager.h"
#include "core/graphics/sound/stream_spooler.h"

namespace {

inline constexpr const char* kUnitSoundStream = ".\\soundstream";

#define DS_OK_AT(call) SUCCEEDED(DX_CHECK((call), kUnitSoundStream))

}  // namespace

TSoundStream::TSoundStream(TSoundManager* manager, std::unique_ptr<TStreamSpooler> spooler, bool playOnce, int group,
                           std::shared_ptr<TSoundData> data)
    : mManager(manager), mSpooler(std::move(spooler)), mData(std::move(data)), mPlayOnce(playOnce), mGroup(group) {}

TSoundStream::~TSoundStream() {
  TSoundManagerLock lock(mManager);
  ReleaseBuffer();
}

void TSoundStream::ReleaseBuffer() {
  if (mBuffer) mBuffer->Stop();
  if (mNotify) mNotify->Release();
  if (mBuffer) mBuffer->Release();
  mNotify = nullptr;
  mBuffer = nullptr;
  for (HANDLE& e : mEvents) {
    if (e) CloseHandle(e);
    e = nullptr;
  }
}

void TSoundStream::SetInstance(std::weak_ptr<TSoundInstance> instance) {
  TSoundManagerLock lock(mManager);
  mInstance = std::move(instance);
}

float TSoundStream::GroupVolume() { return mManager ? mManager->GetVolume(mGroup) : 1.0f; }

bool TSoundStream::ManagerActive() { return !mManager || mManager->IsActive(); }

void TSoundStream::Start() {
  TSoundManagerLock lock(mManager);
  const auto& source = mSpooler ? mSpooler->GetSource() : nullptr;
  if (mManager && mManager->GetDevice() && source)
    CreateBuffer(source->GetChannelCount(), source->GetSampleRate(), 16, 2.0f);
  Play(mPlayOnce);
}

bool TSoundStream::CreateBuffer(int channels, int sampleRate, int bitsPerSample, float seconds) {
  TSoundManagerLock lock(mManager);
  ReleaseBuffer();
  IDirectSound* device = mManager ? mManager->GetDevice() : nullptr;
  if (!device || channels <= 0 || channels > 0xFFFF || sampleRate <= 0 || bitsPerSample <= 0) return false;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = (WORD)channels;
  format.nSamplesPerSec = (DWORD)sampleRate;
  format.wBitsPerSample = (WORD)bitsPerSample;
  format.nBlockAlign = (WORD)(bitsPerSample / 8 * channels);
  format.nAvgBytesPerSec = format.nBlockAlign * (DWORD)sampleRate;
  double bytes = std::round((double)format.nAvgBytesPerSec * seconds);
  bytes = std::ceil(bytes / 8.0) * 8.0;
  mSize = (uint32_t)std::clamp(bytes, (double)DSBSIZE_MIN, (double)(DSBSIZE_MAX & ~7u));
  mHalf = mSize / 2;

  DSBUFFERDESC desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPOSITIONNOTIFY;
  desc.dwBufferBytes = mSize;
  desc.lpwfxFormat = &format;
  if (!DS_OK_AT(device->CreateSoundBuffer(&desc, &mBuffer, nullptr))) {
    mBuffer = nullptr;
    return false;
  }
  for (HANDLE& e : mEvents) e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  DSBPOSITIONNOTIFY positions[3] = {{0, mEvents[0]}, {mHalf, mEvents[1]}, {DSBPN_OFFSETSTOP, mEvents[2]}};
  if (!DS_OK_AT(mBuffer->QueryInterface(IID_IDirectSoundNotify, (void**)&mNotify)) ||
      !DS_OK_AT(mNotify->SetNotificationPositions(3, positions))) {
    ReleaseBuffer();
    return false;
  }
  mLastHalf = 0;
  return Refill(true);
}

bool TSoundStream::RestoreIfLost() {
  DWORD status = 0;
  if (!mBuffer || FAILED(mBuffer->GetStatus(&status)) || !(status & DSBSTATUS_BUFFERLOST)) return true;
  if (!DS_OK_AT(mBuffer->Restore())) return false;
  // The buffer comes back stopped and silent: it starts again at its beginning with the data
  // that follows what was lost.
  mBuffer->SetCurrentPosition(0);
  mLastHalf = 0;
  Refill(true);
  if (mStarted && !mPaused && !mPendingPlay && !mFinished) StartBuffer();
  return true;
}

void TSoundStream::StartBuffer() {
  if (mBuffer) DX_CHECK(mBuffer->Play(0, 0, DSBPLAY_LOOPING), kUnitSoundStream);
}

void TSoundStream::Update() {
  TSoundManagerLock lock(mManager);
  if (!mFinished) RestoreIfLost();
}

bool TSoundStream::Refill(bool initial) {
  TSoundManagerLock lock(mManager);
  if (mFinished || !mSpooler) return false;
  if (!mBuffer) {
    if (!mStarted || mPaused) return true;
    if (mClock.GetTime() / 1000.0 < mSpooler->GetDuration()) return true;
    mClock.Reset();
    mClock.Start();
    if (mQueued) {
      Advance();
      return true;
    }
    if (!mPlayOnce) return true;
    Finish();
    return false;
  }
  if (!initial && !RestoreIfLost()) return true;

  int half;
  if (initial) {
    half = 1;
  } else {
    DWORD play = 0, write = 0;
    if (!DS_OK_AT(mBuffer->GetCurrentPosition(&play, &write))) return true;
    // The device owns [play, write): a half is free when that span lies outside it.
    bool wraps = write < play;
    if (play < mHalf && write <= mHalf && !wraps)
      half = 2;
    else if (play >= mHalf && !wraps)
      half = 1;
    else
      return true;
  }
  if (half == mLastHalf) return true;
  mLastHalf = half;

  if (mEnded) {
    if (mQueued) {
      Advance();
    } else {
      mRemaining -= mHalf;
      if (mRemaining <= 0) {
        mBuffer->Stop();
        Finish();
        return false;
      }
    }
  }

  void *p1 = nullptr, *p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  if (!DS_OK_AT(mBuffer->Lock(half == 1 ? 0 : mHalf, mHalf, &p1, &n1, &p2, &n2, 0))) {
    mLastHalf = 0;  // try this half again on the next pass
    return true;
  }
  uint8_t* out = (uint8_t*)p1;
  if (mEnded) {
    std::memset(out, 0, n1);
  } else {
    uint32_t got = 0;
    if (!mSpooler->Read(out, n1, &got, !mPlayOnce)) {
      if (mQueued) {
        Advance();
        mSpooler->Rewind();
        uint32_t more = 0;
        if (!mSpooler->Read(out + got, n1 - got, &more, !mPlayOnce)) {
          mEnded = true;
          mRemaining = mSize;
        }
      } else {
        mEnded = true;
        mRemaining = mSize;  // this half, then the next crossing
      }
    }
  }
  mBuffer->Unlock(p1, n1, p2, n2);
  return true;
}

void TSoundStream::Advance() {
  std::shared_ptr<TSoundData> oldData = std::move(mData);
  std::shared_ptr<TSoundInstance> oldInstance = mInstance.lock();
  mSpooler = std::move(mQueued);
  mData = std::move(mQueuedData);
  mInstance = mQueuedInstance;
  mQueuedInstance.reset();
  mEnded = false;
  if (oldData) oldData->OnStreamEnd(oldInstance.get());
}

void TSoundStream::Finish() {
  if (mFinished) return;
  mFinished = true;
  std::shared_ptr<TSoundInstance> instance = mInstance.lock();
  if (mData) mData->OnStreamEnd(instance.get());
  DropQueued();
}

void TSoundStream::DropQueued() {
  if (mQueuedData) mQueuedData->OnStreamEnd(mQueuedInstance.lock().get());
  mQueued.reset();
  mQueuedData.reset();
  mQueuedInstance.reset();
}

// Starts the buffer now, or, while the application is inactive, when it becomes active again.
void TSoundStream::StartOrWait() {
  if (ManagerActive()) {
    mPaused = false;
    mPendingPlay = false;
    StartBuffer();
    mClock.Start();
  } else {
    mPaused = true;
    mPendingPlay = true;
  }
}

void TSoundStream::Play(bool playOnce) {
  TSoundManagerLock lock(mManager);
  if (mFinished) return;
  mPlayOnce = playOnce;
  mStarted = true;
  SetVolume(GroupVolume());
  mClock.Reset();
  StartOrWait();
}

void TSoundStream::Pause(bool pause) {
  TSoundManagerLock lock(mManager);
  if (mFinished) return;
  if (pause) {
    mPaused = true;
    mPendingPlay = false;
    if (mBuffer) DX_CHECK(mBuffer->Stop(), kUnitSoundStream);
    mClock.Pause();
    return;
  }
  SetVolume(GroupVolume());
  StartOrWait();
}

void TSoundStream::SetPauseSwitch(bool on) {
  TSoundManagerLock lock(mManager);
  if (on) {
    if (!mPaused) {
      Pause(true);
      mSwitchPaused = true;
    }
  } else if (mSwitchPaused || mPendingPlay) {
    mSwitchPaused = false;
    Pause(false);
  }
}

void TSoundStream::SetVolume(float volume) {
  TSoundManagerLock lock(mManager);
  LONG level;
  if (std::isnan(volume) || volume <= 0.0f)
    level = DSBVOLUME_MIN;  // nothing at all: -50 dB would still be heard
  else
    level = (LONG)std::lround(-5000.0 * (1.0 - std::min(volume, 1.0f)));
  if (!mBuffer) return;
  RestoreIfLost();
  DX_CHECK(mBuffer->SetVolume(level), kUnitSoundStream);
}

void TSoundStream::Stop() {
  TSoundManagerLock lock(mManager);
  if (mFinished) return;
  if (mBuffer) mBuffer->Stop();
  Finish();
}

bool TSoundStream::IsPlaying() {
  TSoundManagerLock lock(mManager);
  return !mFinished;
}

void TSoundStream::Queue(std::unique_ptr<TStreamSpooler> spooler, std::shared_ptr<TSoundData> data,
                         std::weak_ptr<TSoundInstance> instance) {
  TSoundManagerLock lock(mManager);
  if (mFinished) return;
  DropQueued();
  mQueued = std::move(spooler);
  mQueuedData = std::move(data);
  mQueuedInstance = std::move(instance);
}

bool TSoundStream::Plays(const TSoundInstance* instance) {
  TSoundManagerLock lock(mManager);
  if (mFinished || !instance) return false;
  return mInstance.lock().get() == instance || mQueuedInstance.lock().get() == instance;
}

void TSoundStream::StopInstance(const TSoundInstance* instance) {
  TSoundManagerLock lock(mManager);
  if (mFinished || !instance) return;
  if (mInstance.lock().get() == instance) {
    Stop();
  } else if (mQueuedInstance.lock().get() == instance) {
    DropQueued();
  }
}

void TSoundStream::Detach() {
  TSoundManagerLock lock(mManager);
  ReleaseBuffer();
  Finish();
  mManager = nullptr;
}
