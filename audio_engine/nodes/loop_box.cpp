// Loop boxes: the file player's resource, points, streaming, buses and automation.
#include "audio_engine/nodes/loop_box.h"

#include <algorithm>
#include <climits>

#include "audio_engine/debug.h"
#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/nodes/automation_clip.h"
#include "audio_engine/nodes/bus.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/tarn_sound_system.h"

namespace Tarn {

cLoopBox::~cLoopBox() { Detach(); }

void cLoopBox::Detach() {
  cSound::Detach();
  ReleaseClips();
  if (mPlayer) {
    mPlayer->Kill();
    mPlayer->Unregister();
    mPlayer->SetParent(nullptr);
  }
}

void cLoopBox::ReleaseClips() {
  if (mPlayer)
    for (cAutomationClip* clip : mClips) mPlayer->RemoveMixNotify(clip);
  mClips.clear();
}

void cLoopBox::LockPreloaded() {
  mPlayer->SetEndFrame(mPlayer->ToFileFrames(mEnd));
  mPlayer->AddLockRequest();
}

int64_t cLoopBox::ResourcePosition(int64_t offset) const {
  return LoopWrap(offset, mStart, mLoopStart, LoopEnd(), mLoop && LoopEnd() > 0);
}

bool cLoopBox::IsPatchLocked(uint32_t id) {
  return id == Ids::kStream || id == Ids::kPreload || id == Ids::kResourceName;
}

void cLoopBox::OnEndSetPatch() {
  for (uint32_t id : {Ids::kStream, Ids::kPreload, Ids::kResourceName}) {
    const tVariant* v = PatchValue(id);
    HandleParameterChange(id, v ? *v : tVariant(), 0);
  }
  cSound::OnEndSetPatch();
}

int64_t cLoopBox::LoopEnd() const { return mLoopEnd > 0 ? mLoopEnd : -1; }

void cLoopBox::PassPoints() {
  if (mPlayer) mPlayer->SetPoints(mStart, mEnd > 0 ? mEnd : -1, mLoopStart, LoopEnd(), mLoop);
}

void cLoopBox::MakePlayer(const tVariant& resourceName) {
  cTarnSoundSystem* system = cTarnSoundSystem::Get();
  cPropertySet* resource = system ? system->FindPatchByVariant(resourceName) : nullptr;
  const tVariant* url = resource ? resource->Find(Ids::kUrl) : nullptr;
  ReleaseClips();
  if (mPlayer) {
    mPlayer->Kill();
    mPlayer->Unregister();
  }
  mPlayer.Reset();
  if (!url) {
    Log("Loop box '%s': resource '%s' has no \"Url\"; it stays silent", PatchName(), resourceName.Text().c_str());
    return;
  }
  mPlayer.Reset(new TarnMix::cSound(url->Text(), mStreaming));
  if (mPlayer->IsEmpty()) Log("Loop box '%s': '%s' cannot be played; it stays silent", PatchName(), url->Text().c_str());
  PassPoints();
  mPlayer->SetStreaming(mStreaming);
  if (mPreload) LockPreloaded();
  SetUpAutomation();
  HandleOutputBusChange();
}

void cLoopBox::SetPreload(bool on) {
  if (mPlayer) mPlayer->Kill();
  if (on == mPreload) return;
  mPreload = on;
  if (!mPlayer) return;
  if (on)
    LockPreloaded();
  else
    mPlayer->ReleaseLockRequest();
}

int cLoopBox::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) {
  auto integer = [&](int32_t def) {
    if (!value.IsEmpty()) return value.AsInt();
    const tVariant& d = PatchOrDefault(id);
    return d.IsEmpty() ? def : d.AsInt();
  };
  switch (id) {
    case Ids::kResourceName:
      if (value.IsEmpty() || value.Id() == mResource) return 0;
      mResource = value.Id();
      MakePlayer(value);
      return 0;
    case Ids::kPreload:
      SetPreload(!value.IsEmpty() && value.AsBool());
      return 0;
    case Ids::kStream:
      mStreaming = !value.IsEmpty() && value.AsBool();
      if (mPlayer) mPlayer->SetStreaming(mStreaming);
      return 0;
    case Ids::kResourceLoopEnabled:
      mLoop = !value.IsEmpty() && value.AsBool();
      PassPoints();
      return 0;
    case Ids::kResourceLoopEndPosition:
      mLoopEnd = integer(-1);
      PassPoints();
      return 0;
    case Ids::kResourceStartPosition:
      mStart = integer(0);
      PassPoints();
      return 0;
    case Ids::kResourceEndPosition:
      mEnd = integer(5292000);
      PassPoints();
      return 0;
    case Ids::kResourceLoopStartPosition:
      mLoopStart = integer(0);
      PassPoints();
      return 0;
    case Ids::kOffset:
      mOffset = integer(0);
      if (mPlayer) mPlayer->SetPositionFrames((int64_t)mStart + mOffset);
      return 0;
    case Ids::kTimeLineStartPosition:
    case Ids::kTimeLineEndPosition:
    case Ids::kTimeLineLoopStartPosition:
    case Ids::kTimeLineLoopEndPosition:
    case Ids::kTimeLineLoopEnabled:
    case Ids::kTempo:
    case Ids::kTempoEnabled:
      return 0;
    default:
      return cSound::HandleParameterChange(id, value, propagate);
  }
}

int cLoopBox::SetStartPosition(int32_t position) {
  for (cAutomationClip* clip : mClips) clip->SetStartPosition(position);
  if (!mPlayer) return kNotFound;
  // Taken by the next play, which may lie ahead while the player still plays its last pass.
  mPendingPosition = ResourcePosition(position);
  mStartPositionSet = true;
  return 0;
}

int cLoopBox::Play(int64_t time) {
  // A play starts at full level; the volume is set again only when a fade had changed it, so
  // that an automation curve bound to the volume stays in place.
  bool faded = mFade.Level() != 1.0;
  mFade.Reset();
  if (faded) OnParameterUpdate(Ids::kVolume);
  int64_t start = time == -1 ? Now() : time;
  mStartTime = start;
  for (cAutomationClip* clip : mClips) clip->Play(start);
  if (!mPlayer) return kNotFound;
  // Without a handed start position a play starts from the top (plus "Offset"), also after a
  // finished play, which left the buffer at its end (replaying from there would be silence).
  int64_t position = mStartPositionSet ? mPendingPosition : (int64_t)mStart + mOffset;
  mStartPositionSet = false;
  mPlayOffset = (int32_t)(position - mStart);
  return mPlayer->PlayFrom(start, position);
}

int cLoopBox::Stop(int64_t time) {
  for (cAutomationClip* clip : mClips) clip->Stop(time);
  return mPlayer ? mPlayer->Stop(time) : kNotFound;
}

int cLoopBox::StopNow() {
  for (cAutomationClip* clip : mClips) clip->Stop(0);
  return mPlayer ? mPlayer->Stop(0) : kNotFound;
}

int cLoopBox::Kill() {
  mFade.Halt();
  for (cAutomationClip* clip : mClips) clip->Kill();
  return mPlayer ? mPlayer->Stop(0) : kNotFound;
}

int cLoopBox::Fade(float milliseconds, bool fadeOut, bool stopAfter, int64_t time) {
  int64_t start = time == -1 ? Now() : time;
  bool running = mFade.Begin(milliseconds, fadeOut, stopAfter, start);
  OnParameterUpdate(Ids::kVolume);
  if (!running) {
    if (fadeOut && stopAfter) Stop(start);
    return kOk;
  }
  if (!IsUpdating()) StartUpdates();
  return kOk;
}

int cLoopBox::Update() {
  bool ended = false;
  if (mFade.Step(Now(), &ended)) {
    OnParameterUpdate(Ids::kVolume);
    if (ended && mFade.TakeStopAfter()) Kill();
  }
  // A fade waiting for its start keeps the node on the list before the player plays.
  if (!mFade.Running() && !IsActive()) StopUpdates();
  return kOk;
}

bool cLoopBox::IsActive() { return mPlayer && mPlayer->IsActive(); }

int cLoopBox::GetValue(uint32_t id, float* value, uint32_t flag) {
  if (!mPlayer) return kNotFound;
  return mPlayer->GetValue(id, value, flag);
}

int cLoopBox::SetPosition(int32_t position) {
  if (!mPlayer) return kNotFound;
  mPlayer->SetPositionFrames(position);
  return 0;
}

int cLoopBox::GetCurrentPosition(int32_t* position) {
  *position = mStart;
  if (!mPlayer || !mPlayer->IsActive() || mStartTime < 0) return mPlayer ? 0 : kNotFound;
  int64_t played = Now() - mStartTime;
  if (played < 0) played = 0;
  int64_t at = ResourcePosition(played + mPlayOffset);
  *position = (int32_t)std::clamp<int64_t>(at, INT32_MIN, INT32_MAX);  // hours of play do not wrap
  return 0;
}

int cLoopBox::Schedule() {
  SetPosition(mStart);
  return cSound::Schedule();
}

int cLoopBox::HandleOutputBusChange() {
  uint32_t busId = 0;
  GetOutputBus(&busId);
  if (mPlayer && busId && cTarnSoundSystem::Get()) {
    cSound* node = cTarnSoundSystem::Get()->GetBusNode(busId);
    if (auto* bus = dynamic_cast<cBus*>(node)) {
      Trace("cLoopBox::HandleOutputBusChange: '%s' gets '%s'\n", PatchName(), bus->PatchName());
      mPlayer->SetParent(bus->Mixer());
    }
  }
  return cSound::HandleOutputBusChange();
}

int cLoopBox::OnParameterUpdate(uint32_t id) {
  if (!mPlayer) return 0;
  const cPropertySet* defaults = cTarnSoundSystem::Get() ? &cTarnSoundSystem::Get()->Defaults() : nullptr;
  auto value = [&](float def) { return OwnFloat(id, defaults ? defaults->GetFloat(id, def) : def); };
  if (id == Ids::kVolume)
    mPlayer->SetVolume(value(1.0f) * (float)mFade.Squared());
  else if (id == Ids::kPan)
    mPlayer->SetPan(value(0.5f));
  else if (int send = Ids::SendLevelIndex(id); send >= 0)
    mPlayer->SetSendLevel(send, value(1.0f));
  return 0;
}

int cLoopBox::SetUpAutomation() {
  cSound::SetUpAutomation();
  ReleaseClips();
  auto it = mAutomation.find(Ids::kMixer);
  if (it == mAutomation.end() || !mPlayer) return 0;
  for (auto& [controller, clip] : it->second) {
    mPlayer->SetParameterSource(controller, clip);
    mPlayer->AddMixNotify(clip);
    mClips.push_back(clip);
  }
  return 0;
}

int cLoopBox::WithdrawPlay() { return mPlayer && mPlayer->WithdrawStart() ? kOk : kNotFound; }

}  // namespace Tarn
