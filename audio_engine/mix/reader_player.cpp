// File players.
#include "audio_engine/mix/reader_player.h"

#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/persist.h"

namespace TarnMix {

cReaderPlayer::cReaderPlayer() : cBusMixer(cTarnSoundSystem::RootFormat()) { SetFilePlayer(true); }

cReaderPlayer::~cReaderPlayer() {
  if (mSource) RemoveSource(mSource.Get());
}

int cReaderPlayer::SetSource(Tarn::cIReader* reader, const cWaveFormat& format) {
  if (mSource) RemoveSource(mSource.Get());
  mSource.Reset(new cReaderWaveSource(reader, format));
  AddSource(mSource.Get());
  mFinished = false;
  return 0;
}

int cReaderPlayer::GetState(uint32_t* state) {
  cBusMixer::GetState(state);
  if (mFinished) *state = kStateStopped;
  return 0;
}

cSound::cSound(const Tarn::cString& fileName, bool streaming) : mStreaming(streaming) {
  Tarn::tVariant name;
  name.SetString(fileName);
  Tarn::cIReader* stream = nullptr;
  Tarn::cPersist::Open(name, &stream);
  if (!stream) return;
  mStream.reset(stream);
  mOgg = std::make_unique<Tarn::cOggReader>(stream, true);
  mBuffer = std::make_unique<Tarn::cSoundReaderBuffer>(mOgg.get());
  if (mBuffer->Open() == Tarn::kOk) {
    mOpenedBuffer = true;
    SetSource(mBuffer.get(), mOgg->GetWaveFormat());
  }
  if (cTarnSoundSystem* system = cTarnSoundSystem::Get()) SetParent(system->Root());
}

cSound::~cSound() {
  Unregister();
  mLock.Reset();
  // The source reads from the buffer: it goes first.
  if (mSource) RemoveSource(mSource.Get());
  mSource.Reset();
}

void cSound::Prepare() {
  if (mPrepared || !mBuffer) return;
  if (mStreaming) mBuffer->Open();
  else AddLockRequest();
  mPrepared = true;
}

int cSound::Play(int64_t time) {
  Prepare();
  mFinished = false;
  return cBusMixer::Play(time);
}

void cSound::Unprepare() {
  if (!mPrepared) return;
  mPrepared = false;
  if (!mStreaming) ReleaseLockRequest();
}

void cSound::OnStop() { Unprepare(); }

void cSound::SetStreaming(bool streaming) {
  if (streaming == mStreaming) return;
  if (streaming) {
    Unprepare();
    mLock.Reset();
    mLockCount = 0;
  } else {
    Kill();
  }
  mStreaming = streaming;
}

void cSound::AddLockRequest() {
  if (!mBuffer) return;
  if (mLockCount++ == 0) {
    if (!mBuffer->IsOpened()) mOpenedBuffer = mBuffer->Open() == Tarn::kOk;
    mBuffer->SetEnd(mEndFrame);
    mLock.Reset(new Tarn::cBufferLock(mBuffer.get()));
  }
}

void cSound::ReleaseLockRequest() {
  if (mLockCount == 0) return;
  if (--mLockCount == 0) mLock.Reset();
}

void cSound::SetEndFrame(int64_t frame) {
  mEndFrame = frame;
  if (mBuffer) mBuffer->SetEnd(frame);
}

int64_t cSound::ToFileFrames(int64_t mixFrames) const {
  if (mixFrames < 0 || !mOgg) return mixFrames;
  uint32_t rate = mOgg->GetWaveFormat().sampleRate;
  if (rate == 0 || rate == 44100) return mixFrames;
  return (int64_t)((long double)mixFrames * rate / 44100.0L);
}

void cSound::SetPoints(int64_t start, int64_t end, int64_t loopStart, int64_t loopEnd, bool loop) {
  if (!mBuffer) return;
  mBuffer->SetStart(ToFileFrames(start));
  SetEndFrame(ToFileFrames(end));
  mBuffer->SetLoopStart(ToFileFrames(loopStart));
  mBuffer->SetLoopEnd(ToFileFrames(loopEnd));
  mBuffer->SetLoop(loop);
}

void cSound::SetPositionFrames(int64_t mixFrames) {
  if (!mBuffer) return;
  mBuffer->SetPosition(ToFileFrames(mixFrames));
  mFinished = false;
  if (mSource) mSource->Restart();
}

bool cSound::WithdrawStart() {
  bool any = false;
  if (mRestartTime != 0) {
    mRestartTime = 0;
    any = true;
  }
  if (!mPlaying && mStartTime != 0) {
    mStartTime = 0;
    any = true;
  }
  return any;
}

int cSound::PlayFrom(int64_t time, int64_t mixPosition) {
  int64_t now = (int64_t)GlobalMixTime();
  if (mPlaying && time > now) {
    mRestartPosition = mixPosition;
    return RestartAt(time);
  }
  SetPositionFrames(mixPosition);
  return Play(time);
}

void cSound::OnRestart() {
  Prepare();
  SetPositionFrames(mRestartPosition);
}

}  // namespace TarnMix
