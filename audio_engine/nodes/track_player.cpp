// Track players: the timeline position, the clip entries built from "SoundList", the insert
// bus, and the automation applied at the play position.
//
// The position advances with the engine time on every tick, jumps to the start position when
// a pending start arrives and wraps from the loop end to the loop start; a start in the
// future places the position so that it reaches the start position exactly then. Entries are
// the track's mixed children: without an insert bus they take the values set on the track.
#include "audio_engine/nodes/track_player.h"

#include <algorithm>

#include "audio_engine/debug.h"
#include "audio_engine/nodes/automation_clip.h"
#include "audio_engine/nodes/bus.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/tarn_sound_system.h"

namespace Tarn {

cTrackPlayer::cTrackPlayer() = default;
cTrackPlayer::~cTrackPlayer() = default;

void cTrackPlayer::Detach() {
  cMixer::Detach();
  mEntries.clear();
  mInsertBus = nullptr;
}

int cTrackPlayer::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) {
  auto integer = [&](int64_t def) { return value.IsEmpty() ? def : (int64_t)value.AsInt(); };
  switch (id) {
    case Ids::kSoundList: BuildEntries(value.IsEmpty() ? nullptr : GetStringSet(value)); return 0;
    case Ids::kTimeLineLoopStartPosition: mLoopStart = integer(0); return 0;
    case Ids::kTimeLineLoopEndPosition: mLoopEnd = integer(-1); return 0;
    case Ids::kTimeLineLoopEnabled: mLoop = !value.IsEmpty() && value.AsBool(); return 0;
    // Taken, but the timeline's ends and tempo play no part in a track's position.
    case Ids::kTimeLineStartPosition:
    case Ids::kTimeLineEndPosition:
    case Ids::kTempo:
    case Ids::kTempoEnabled:
    case Ids::kTimeUnitsType:
    case Ids::kDontKillChildren:
    case Ids::kInsertBus:
      return 0;
    default:
      break;
  }
  static const uint32_t kAccepted[] = {NameId("RowNumber"), NameId("AutomationObject"), Ids::kAutomationTarget,
                                       NameId("AutomationObjectList"), NameId("Height"), Ids::kAutomationController};
  for (uint32_t accepted : kAccepted)
    if (id == accepted) return 0;
  return cMixer::HandleParameterChange(id, value, propagate);
}

void cTrackPlayer::BuildEntries(const cStringSet* names) {
  mEntries.clear();
  cTarnSoundSystem* system = cTarnSoundSystem::Get();
  if (!names || !system) return;
  for (const cString& name : names->mSet) {
    cPropertySet* patch = nullptr;
    if (system->FindPatch(name.Id(), &patch) != kOk || !patch) {
      Trace("cTrackPlayer::UpdateOrderedList: WARNING: Patch not found\n");
      continue;
    }
    const cPropertySet* exemplar = ExemplarOf(patch);
    cSound* node = nullptr;
    bool enabled = true;
    uint32_t type = exemplar->GetId(Ids::kPlayerType);
    if (type == Ids::kTypeLoopBox) {
      system->GetSound(exemplar->GetId(Ids::kName), &node);
    } else if (patch->GetId(Ids::kPlayerType) == Ids::kTypeEventClip || type == Ids::kTypeEventClip) {
      const cPropertySet* clip = patch->GetId(Ids::kPlayerType) == Ids::kTypeEventClip ? patch : exemplar;
      system->GetSound(clip->GetId(Ids::kResourceName), &node);
      enabled = false;
    } else {
      system->GetSound(name.Id(), &node);
    }
    if (!node) {
      Log("Track '%s': entry '%s' has no playable node; it is left out", PatchName(), name.c_str());
      continue;
    }
    if (node->Reaches(this)) {
      Log("Track '%s': entry '%s' leads back to the track; it is left out", PatchName(), name.c_str());
      continue;
    }
    auto entry = std::make_unique<cClipEntry>(this, node, enabled);
    const tVariant* start = exemplar->Find(Ids::kTimeLineStartPosition);
    const tVariant* end = exemplar->Find(Ids::kTimeLineEndPosition);
    entry->SetTimes(start ? start->AsInt() : -1, start != nullptr, end ? end->AsInt() : -1, end != nullptr);
    mEntries.push_back(std::move(entry));
  }
  // By start, unsigned: entries without a start come last.
  std::stable_sort(mEntries.begin(), mEntries.end(), [](const auto& a, const auto& b) {
    return (uint64_t)a->Start() < (uint64_t)b->Start();
  });
  for (auto& e : mEntries) e->SetUp();
}

int cTrackPlayer::Play(int64_t time) {
  const int64_t now = Now();
  int64_t start = time == -1 ? now : time;
  if (mPendingStop != -1 && mPendingStop >= start) mPendingStop = -1;
  if (!mActive) mLastTick = now;
  BeginPlay(start);
  mPendingStart = start;
  const int64_t d = start - now;
  if (d <= mStartPosition)
    mPosition = mStartPosition - d;
  else if (mLoopEnd >= 0 && d <= mLoopEnd)
    mPosition = mLoopEnd - d;
  mActive = true;
  Trace("cTrackPlayer::Play at %lld, in %lld (GMT == %lld\n", (long long)start, (long long)d, (long long)now);
  for (auto& e : mEntries) e->OnTrackPlay();
  if (!mUpdating) StartUpdates();
  return 0;
}

int cTrackPlayer::Stop(int64_t time) {
  const int64_t now = Now();
  int64_t at = time <= 0 ? now : time;
  mPendingStop = at;
  Trace("cTrackPlayer::Stop at %lld, in %lld (GMT == %lld\n", (long long)at, (long long)(at - now), (long long)now);
  for (auto& e : mEntries) e->OnTrackStop(at);
  if (at <= now) {
    mActive = false;
    mPendingStart = -1;
  }
  return 0;
}

int cTrackPlayer::Kill() {
  StopUpdates();
  if (PatchBool(Ids::kDontKillChildren)) return 0;
  for (auto& e : mEntries) {
    e->Forget();
    e->Node()->Kill();
  }
  mActive = false;
  mPendingStart = -1;
  mPendingStop = -1;
  return cMixer::Kill();
}

int cTrackPlayer::Update() {
  const int64_t now = Now();
  if (mPendingStop != -1 && mPendingStop <= now) {
    StopUpdates();
    mPendingStop = -1;
    mPendingStart = -1;
    mActive = false;
    return 0;
  }
  const int64_t before = mPosition;
  mPosition += now - mLastTick;
  mLastTick = now;
  if (mPendingStart != -1 && now >= mPendingStart) {
    mPosition = mStartPosition + (now - mPendingStart);
    mPendingStart = -1;
  } else if (Looping() && before < mLoopEnd && mPosition >= mLoopEnd) {
    mPosition = mLoopStart + (mPosition - mLoopEnd);
  }
  for (auto& e : mEntries) e->Update();
  UpdateChildren((int32_t)std::clamp<int64_t>(mPosition, 0, INT32_MAX));
  return 0;
}

int cTrackPlayer::GetValue(uint32_t id, float* value, uint32_t flag) {
  float best = 0.0f;
  for (auto& e : mEntries) {
    float v = 0.0f;
    if (e->Node()->GetValue(id, &v, flag) == kOk) best = std::max(best, v);
  }
  *value = best;
  return 0;
}

int cTrackPlayer::GetCurrentPosition(int32_t* position) {
  int64_t p = mPosition + (mActive ? Now() - mLastTick : 0);
  *position = (int32_t)std::clamp<int64_t>(p, INT32_MIN, INT32_MAX);
  return 0;
}

int cTrackPlayer::SetPosition(int32_t position) {
  mPosition = position;
  if (mActive) Play(-1);
  return 0;
}

int cTrackPlayer::SetStartPosition(int32_t position) {
  mStartPosition = position;
  return 0;
}

int cTrackPlayer::Schedule() {
  mStartPosition = PatchInt(Ids::kTimeLineStartPosition);
  return cMixer::Schedule();
}

int cTrackPlayer::Process() { return mInsertBus ? mInsertBus->Process() : cMixer::Process(); }

int cTrackPlayer::SetParameter(uint32_t id, const tVariant& value, uint32_t propagate) {
  if (mInsertBus) return mInsertBus->SetParameter(id, value, propagate);
  cMixer::SetParameter(id, value, propagate);
  // Without an insert bus the entries' nodes are the ones that sound: they take the value.
  if (propagate)
    if (const tVariant* f = ForwardedValue(id)) {
      tVariant v = *f;
      for (auto& e : mEntries) e->Node()->SetParameter(id, v, 1);
    }
  return 0;
}

int cTrackPlayer::RemoveParameter(uint32_t id, uint32_t propagate) {
  if (mInsertBus) return mInsertBus->RemoveParameter(id, propagate);
  return cMixer::RemoveParameter(id, propagate);
}

void cTrackPlayer::OnPatchApplied(const EffectSet& effects) {
  mInsertBus = nullptr;
  const tVariant* insert = PatchValue(Ids::kInsertBus);
  cTarnSoundSystem* system = cTarnSoundSystem::Get();
  if (!insert || !system) return;
  auto* bus = dynamic_cast<cBus*>(system->GetBusNode(insert->Id()));
  if (!bus || bus->Reaches(this)) return;
  mInsertBus = bus;
  bus->OnPatchApplied(effects);
  uint32_t out = mOwnBus ? mOwnBus : mInheritedBus;
  if (out) {
    bus->SetInheritedBus(out);
    bus->HandleOutputBusChange();
  }
  for (auto& e : mEntries) {
    e->Node()->SetInheritedBus(insert->Id());
    e->Node()->HandleOutputBusChange();
  }
}

int cTrackPlayer::HandleOutputBusChange() {
  cMixer::HandleOutputBusChange();
  uint32_t bus = 0;
  if (GetOutputBus(&bus) == kOk)
    for (auto& e : mEntries) {
      e->Node()->SetInheritedBus(bus);
      e->Node()->HandleOutputBusChange();
    }
  return 0;
}

int cTrackPlayer::WithdrawPlay() {
  int r = kNotFound;
  for (auto& e : mEntries)
    if (e->Node()->WithdrawPlay() == kOk) r = kOk;
  return r;
}

}  // namespace Tarn
