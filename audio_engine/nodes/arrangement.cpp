// Arrangements: timeline hand-down, the owner set of event values, fades.
#include "audio_engine/nodes/arrangement.h"

#include "audio_engine/debug.h"
#include "audio_engine/nodes/track_player.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/sync_system.h"
#include "audio_engine/tarn_sound_system.h"

namespace Tarn {

int cArrangement::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) {
  auto integer = [&](int32_t def) { return value.IsEmpty() ? def : value.AsInt(); };
  bool timeline = true;
  switch (id) {
    case Ids::kTimeLineStartPosition: mTimeLineStart = integer(0); break;
    case Ids::kTimeLineEndPosition: mTimeLineEnd = integer(-1); break;
    case Ids::kTimeLineLoopStartPosition: mLoopStart = integer(0); break;
    case Ids::kTimeLineLoopEndPosition: mLoopEnd = integer(-1); break;
    case Ids::kTimeLineLoopEnabled: mLoop = !value.IsEmpty() && value.AsBool(); break;
    case Ids::kCurrentClip: {
      mCurrentClip = nullptr;
      if (!value.IsEmpty() && value.Id() != 0 && cTarnSoundSystem::Get()) {
        cPropertySet* clip = nullptr;
        cTarnSoundSystem::Get()->FindPatch(value.Id(), &clip);
        mCurrentClip = clip;
      }
      return 0;
    }
    // Taken; the sync grid reads tempo and metre from the patches themselves.
    case Ids::kTempo:
    case Ids::kTempoEnabled:
    case Ids::kTimeUnitsType:
    case Ids::kSourceModeSyncEnabled:
    case Ids::kSourceModeSyncSourceMode:
    case Ids::kSourceModeSyncNumerator:
    case Ids::kSourceModeSyncDenominator:
    case Ids::kMasterModeSyncSourceMode:
    case Ids::kMasterModeSyncNumerator:
    case Ids::kMasterModeSyncDenominator:
    case Ids::kMasterModeFadeTime:
    case Ids::kSourceModeFadeTime:
    case Ids::kResourceStartPosition:
    case Ids::kResourceEndPosition:
    case Ids::kResourceLoopStartPosition:
    case Ids::kResourceLoopEndPosition:
    case Ids::kBeatsPerBar:
    case Ids::kBeatsPerBarDenominator:
      return 0;
    default:
      return cMixer::HandleParameterChange(id, value, propagate);
  }
  if (timeline && !mInSetPatch && propagate) PassTimeLine();
  return 0;
}

void cArrangement::PassTimeLine() {
  for (cSound* c : mChildren) {
    cSound* node = c;
    if (!dynamic_cast<cTrackPlayer*>(node)) node = c->Delegate();
    auto* track = dynamic_cast<cTrackPlayer*>(node);
    if (track) HandTimeLine(track, mTimeLineStart, mTimeLineEnd, mLoopStart, mLoopEnd, mLoop, 0);
  }
}

void cArrangement::OnEndSetPatch() {
  cMixer::OnEndSetPatch();
  PassTimeLine();
}

int cArrangement::GetOwnerPropertySet(cPropertySet** set) {
  *set = &mValues;
  return 0;
}

int cArrangement::Play(int64_t time) {
  mFade.Reset();
  SetParameter(Ids::kVolume, tVariant::Float(OwnFloat(Ids::kVolume, 1.0f)), 1);
  int64_t start = time == -1 ? Now() : time;
  Trace("cArrangement::Play at %lld, GMT is %lld, so play in %lld samples\n", (long long)start, (long long)Now(),
        (long long)(start - Now()));
  int r = cMixer::Play(time);
  if (r == kOk && !mUpdating) StartUpdates();
  return r;
}

int cArrangement::Stop(int64_t time) {
  if (time > Now()) return cMixer::Stop(time);
  int32_t fade = PatchValue(Ids::kMasterModeFadeTime) ? PatchInt(Ids::kMasterModeFadeTime) : 0;
  if (mCurrentClip)
    if (const tVariant* v = mCurrentClip->Find(Ids::kMasterModeFadeTime)) fade = v->AsInt();
  return Fade((float)fade, true, true, time <= 0 ? Now() : time);
}

int cArrangement::Fade(float milliseconds, bool fadeOut, bool stopAfter, int64_t time) {
  bool running = mFade.Begin(milliseconds, fadeOut, stopAfter, time == -1 ? Now() : time);
  ReapplyVolume();
  if (!running) {
    if (fadeOut && stopAfter) cMixer::Stop(time <= 0 ? Now() : time);
    return 0;
  }
  if (!mUpdating) StartUpdates();
  return 0;
}

int cArrangement::Kill() {
  if (cTarnSoundSystem* system = cTarnSoundSystem::Get())
    if (system->Sync() && mPatch) system->Sync()->RemoveByResource(mPatch->GetId(Ids::kName));
  mFade.Halt();
  return cMixer::Kill();
}

int cArrangement::Update() {
  bool ended = false;
  if (mFade.Step(Now(), &ended)) {
    ReapplyVolume();
    if (ended && mFade.TakeStopAfter()) Kill();
  }
  if (!IsActive()) StopUpdates();
  return 0;
}

int cArrangement::RefreshParameterBinding(uint32_t id) {
  if (id == Ids::kVolume && mFade.Level() != 1.0) {
    mForwardedValues[id].SetFloat((float)(OwnFloat(id, 1.0f) * mFade.Squared()));
    return 0;
  }
  return cMixer::RefreshParameterBinding(id);
}

void cArrangement::ReapplyVolume() {
  RefreshParameterBinding(Ids::kVolume);
  if (const tVariant* v = ForwardedValue(Ids::kVolume)) {
    tVariant value = *v;
    for (cSound* c : mChildren) c->SetParameter(Ids::kVolume, value, 1);
  }
}

}  // namespace Tarn
