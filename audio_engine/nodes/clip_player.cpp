// Clip players: the resource's timeline and the way into the sync system.
#include "audio_engine/nodes/clip_player.h"

#include "audio_engine/debug.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/sync_system.h"
#include "audio_engine/tarn_sound_system.h"

namespace Tarn {

void cClipPlayer::Detach() {
  cSound::Detach();
  mResource = nullptr;
}

void cClipPlayer::OnBeginSetPatch() {
  cSound::OnBeginSetPatch();
  // The resource first: the other properties may be passed on to it.
  if (mPatch)
    if (const tVariant* v = mPatch->Find(Ids::kResourceName)) HandleParameterChange(Ids::kResourceName, *v, 0);
}

int cClipPlayer::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) {
  switch (id) {
    case Ids::kResourceName: {
      mResource = nullptr;
      cTarnSoundSystem* system = cTarnSoundSystem::Get();
      if (!value.IsEmpty() && system) {
        cSound* node = nullptr;
        system->GetSound(value.Id(), &node);
        if (node && node->Reaches(this))
          Log("Clip '%s': resource '%s' leads back to the clip; it is left out", PatchName(), node->PatchName());
        else
          mResource = node;
      }
      return 0;
    }
    // Taken; a play reads the clip's points from its patch.
    case Ids::kTimeLineStartPosition:
    case Ids::kTimeLineEndPosition:
    case Ids::kTimeLineLoopStartPosition:
    case Ids::kTimeLineLoopEndPosition:
    case Ids::kTimeLineLoopEnabled:
    case Ids::kResourceStartPosition:
    case Ids::kResourceEndPosition:
    case Ids::kResourceLoopStartPosition:
    case Ids::kResourceLoopEndPosition:
    case Ids::kResourceLoopEnabled:
    case Ids::kSourceModeSyncEnabled:
    case Ids::kSourceModeSyncSourceMode:
    case Ids::kSourceModeSyncNumerator:
    case Ids::kSourceModeSyncDenominator:
    case Ids::kSourceModeSyncOverride:
    case Ids::kSourceModeFadeTime:
    case Ids::kMasterModeSyncSourceMode:
    case Ids::kMasterModeSyncNumerator:
    case Ids::kMasterModeSyncDenominator:
    case Ids::kMasterModeFadeTime:
    case Ids::kTempo:
    case Ids::kTempoEnabled:
    case Ids::kBeatsPerBar:
    case Ids::kBeatsPerBarDenominator:
      return 0;
    default:
      if (Ids::IsMixerChannelParameter(id)) return OnParameterUpdate(id);
      return cSound::HandleParameterChange(id, value, propagate);
  }
}

int cClipPlayer::Play(int64_t time) {
  cTarnSoundSystem* system = cTarnSoundSystem::Get();
  if (time == -1 && PatchBool(Ids::kSourceModeSyncEnabled) && system && system->Sync())
    return system->Sync()->Play(this, -1);
  mActive = true;
  if (!mResource) return kNotFound;
  if (mPatch) mResource->HandleParameterChange(Ids::kCurrentClip, mPatch->GetVariant(Ids::kName), 0);
  int32_t start = PatchInt(Ids::kResourceStartPosition);
  int32_t end = PatchInt(Ids::kResourceEndPosition);
  const tVariant* loopStartValue = PatchValue(Ids::kResourceLoopStartPosition);
  const tVariant* loopEndValue = PatchValue(Ids::kResourceLoopEndPosition);
  int32_t loopStart = loopStartValue ? loopStartValue->AsInt() : start;
  int32_t loopEnd = loopEndValue && loopEndValue->AsInt() != -1 ? loopEndValue->AsInt() : end;
  HandTimeLine(mResource, start, end, loopStart, loopEnd, PatchBool(Ids::kTimeLineLoopEnabled), 1);
  mResource->SetStartPosition(start);
  int64_t now = Now();
  Trace("cClipPlayer::Play: Play child resource from %ld  at time %lld in %lld samples (gmt %lld)\n", (long)start,
        (long long)time, (long long)(time - now), (long long)now);
  return mResource->Play(time);
}

int cClipPlayer::Fade(float milliseconds, bool fadeOut, bool stopAfter, int64_t time) {
  return mResource ? mResource->Fade(milliseconds, fadeOut, stopAfter, time) : kNotFound;
}

int cClipPlayer::Stop(int64_t time) {
  mActive = false;
  return mResource ? mResource->Stop(time) : kNotFound;
}

int cClipPlayer::StopNow() {
  mActive = false;
  return mResource ? mResource->StopNow() : kNotFound;
}

int cClipPlayer::Kill() {
  mActive = false;
  return mResource ? mResource->Kill() : kNotFound;
}

bool cClipPlayer::IsActive() { return mResource && mResource->IsActive(); }

int cClipPlayer::GetCurrentPosition(int32_t* position) {
  if (!mResource) {
    *position = 0;
    return kNotFound;
  }
  return mResource->GetCurrentPosition(position);
}

int cClipPlayer::WithdrawPlay() { return mResource ? mResource->WithdrawPlay() : kNotFound; }

}  // namespace Tarn
