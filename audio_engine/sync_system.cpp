// The sync system: clip starts on the master's grid, stop-all, list upkeep.
//
// The master is the first entry of the stopping list; a new clip waits for the next boundary
// of the master's grid (its unit length from tempo, metre and sync unit, counted from the
// master's timeline start) and then stops or joins what plays according to its mode. Entries
// of clips that have ended are dropped before each start and on every tick, so a finished
// master neither sets the grid nor blocks its own next start.
#include "audio_engine/sync_system.h"

#include <cmath>

#include "audio_engine/debug.h"
#include "audio_engine/mix/wave_mixer.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/property_set.h"
#include "audio_engine/sound.h"
#include "audio_engine/tarn_sound_system.h"

namespace Tarn {

namespace {
cTarnSoundSystem* System() { return cTarnSoundSystem::Get(); }
int64_t Now() { return (int64_t)TarnMix::GlobalMixTime(); }
constexpr double kRate = 44100.0;

// A value from the patch, else from the patch its "ResourceName" names, else a default.
const tVariant* PatchThenResource(const cPropertySet* patch, uint32_t id) {
  if (!patch) return nullptr;
  if (const tVariant* v = patch->Find(id)) return v;
  if (cTarnSoundSystem* s = System())
    if (const cPropertySet* resource = s->PatchProperty(patch, Ids::kResourceName)) return resource->Find(id);
  return nullptr;
}

// Fade time in milliseconds and mode as the clip (else its resource) has them.
int32_t FadeTime(const cPropertySet* patch, uint32_t id) {
  const tVariant* v = PatchThenResource(patch, id);
  return v ? v->AsInt() : 0;
}
}  // namespace

double SyncUnitLength(const tSyncGrid& g) {
  const double measure = g.tempo > 0.0 ? (double)g.numerator * g.beatsPerBar * kRate * 60.0 / g.tempo : 0.0;
  double length = 0.0;
  switch (g.unit) {
    case Ids::kSamples: length = (double)g.numerator; break;
    case Ids::kSeconds: length = (double)g.numerator * kRate; break;
    case Ids::kMilliseconds: length = std::floor((double)g.numerator * kRate / 1000.0); break;
    case Ids::kMeasures: length = measure; break;
    case Ids::kBeats:
    case Ids::kMarkers: length = g.beatsPerBar > 0.0 ? measure / g.beatsPerBar : 0.0; break;
    case Ids::kLoopPoints:
      length = g.loopEnd == 0 ? (double)(g.timeLineEnd - g.timeLineStart) : (double)(g.loopEnd - g.loopStart);
      break;
    default: break;
  }
  return length >= 1.0 && std::isfinite(length) ? length : 0.0;
}

int64_t SamplesToBoundary(int64_t position, int64_t origin, double unitLength) {
  if (!(unitLength >= 1.0)) return 0;
  double k = std::trunc((double)(position - origin) / unitLength);
  double boundary = std::trunc((k + 1.0) * unitLength);
  return (int64_t)boundary - position + origin;
}

const tVariant& ChainValue(const cPropertySet* const chain[5], uint32_t id) {
  for (int k = 0; k < 5; k++)
    if (chain[k])
      if (const tVariant* v = chain[k]->Find(id)) return *v;
  static const tVariant empty{};
  return empty;
}

cSyncSystem::~cSyncSystem() { Trace("cSyncSystem::Shutdown\n"); }

cSyncSystem::Entry cSyncSystem::MakeEntry(cSound* clip) const {
  Entry e;
  const cPropertySet* patch = clip->GetPatch();
  if (patch) e.name = patch->GetVariant(Ids::kName);
  e.resource.SetInt(patch ? (int32_t)patch->GetId(Ids::kResourceName, 0) : 0);
  e.node = clip;
  return e;
}

bool cSyncSystem::IsListed(uint32_t id, bool alsoResource) const {
  for (const auto* list : {&mStopping, &mUnison})
    for (const Entry& e : *list)
      if (e.name.Id() == id || (alsoResource && e.resource.Word() == id)) return true;
  return false;
}

tVariant cSyncSystem::Master() const { return mStopping.empty() ? tVariant() : mStopping.front().name; }

cSound* cSyncSystem::LiveNode(const Entry& e) const {
  cSound* node = System() ? System()->CachedSound(e.name.Id()) : nullptr;
  return node == e.node ? node : nullptr;
}

cSound* cSyncSystem::MasterNode() const { return mStopping.empty() ? nullptr : LiveNode(mStopping.front()); }

bool cSyncSystem::Finished(const Entry& e) const {
  cSound* node = LiveNode(e);
  return !node || !node->IsActive();
}

int cSyncSystem::GetNextSyncTime(cSound* clip, int64_t* time) {
  const int64_t now = Now();
  *time = now;
  cTarnSoundSystem* system = System();
  if (mStopping.empty() || !system) return 0;
  cSound* master = MasterNode();
  if (!master || !master->IsActive()) return kNotFound;
  const cPropertySet* chain[5];
  system->BuildPropertyChain(master->GetPatch(), chain);
  double tempo = VariantFloat(ChainValue(chain, Ids::kTempo));
  double beatsPerBar = ChainValue(chain, Ids::kBeatsPerBar).AsInt();
  int64_t numerator = ChainValue(chain, Ids::kMasterModeSyncNumerator).AsInt();
  uint32_t unit = ChainValue(chain, Ids::kMasterModeSyncDenominator).Id();
  const cPropertySet* clipChain[5];
  system->BuildPropertyChain(clip ? clip->GetPatch() : nullptr, clipChain);
  if (ChainValue(clipChain, Ids::kSourceModeSyncOverride).AsBool()) {
    numerator = ChainValue(clipChain, Ids::kSourceModeSyncNumerator).AsInt();
    unit = ChainValue(clipChain, Ids::kSourceModeSyncDenominator).Id();
  }
  tSyncGrid grid{unit, numerator, tempo, beatsPerBar, ChainValue(chain, Ids::kTimeLineStartPosition).AsInt(),
                 ChainValue(chain, Ids::kTimeLineEndPosition).AsInt(),
                 ChainValue(chain, Ids::kTimeLineLoopStartPosition).AsInt(),
                 ChainValue(chain, Ids::kTimeLineLoopEndPosition).AsInt()};
  double length = SyncUnitLength(grid);
  if (length <= 0.0) {
    Log("Sync: clip '%s' has no grid to wait for on master '%s' (tempo %g); it starts now",
        clip ? clip->PatchName() : "", master->PatchName(), tempo);
    return 0;
  }
  int32_t position = 0;
  master->GetCurrentPosition(&position);
  *time = now + SamplesToBoundary(position, grid.timeLineStart, length);
  Trace("cClipPlayer::Play: GetNextSyncTime: Next play time is %lld (GMT %lld)\n", (long long)*time, (long long)now);
  return 0;
}

int cSyncSystem::Play(cSound* clip, int64_t time) {
  cTarnSoundSystem* system = System();
  if (!clip || !system) return kNotFound;
  const cPropertySet* patch = clip->GetPatch();
  // A clip that ended since the last tick neither sets the grid nor counts as playing.
  PruneFinished();
  Entry entry = MakeEntry(clip);
  const int64_t now = Now();
  int64_t start = time == -1 ? now : time - 1;
  bool shared = false, already = false;
  if (!mStopping.empty() && IsListed(entry.resource.Word(), true)) {
    shared = true;
    if (IsListed(entry.name.Id(), false)) already = true;
  }
  if (time == -1 && !mStopping.empty()) {
    int64_t next = now;
    if (GetNextSyncTime(clip, &next) == kOk) start = next;
  }
  const cPropertySet* chain[5];
  system->BuildPropertyChain(patch, chain);
  uint32_t mode = ChainValue(chain, Ids::kSourceModeSyncSourceMode).Id();
  switch (mode) {
    case Ids::kFollow:
      if (!already) {
        mStopping.push_back(entry);
        clip->Play(start);
      }
      break;
    case Ids::kUnison:
      if (!already) clip->Play(start);
      break;
    case Ids::kRoundTrip:
      if (!already) {
        mStopping.push_front(entry);
        clip->Play(start);
      }
      break;
    default:
      if (!already) {
        Trace("cSyncSystem::Play: Stop all\n");
        StopAll(start);
        clip->Play(start);
      }
      break;
  }
  if (!shared) {
    int32_t fade = FadeTime(patch, Ids::kSourceModeFadeTime);
    if (fade > 0) clip->Fade((float)fade, false, false, start);
  }
  if (patch && !patch->GetBool(Ids::kTimeLineLoopEnabled, false)) {
    int64_t resourceStart = ChainValue(chain, Ids::kResourceStartPosition).AsInt();
    int64_t resourceEnd = ChainValue(chain, Ids::kResourceEndPosition).AsInt();
    clip->Stop(start + resourceEnd - resourceStart);
  }
  // A clip listed again moves to its place instead of piling up a second entry.
  auto unlist = [&](std::list<Entry>& list) {
    list.remove_if([&](const Entry& e) { return e.node == clip; });
  };
  if (mode == Ids::kUnison) {
    unlist(mUnison);
    mUnison.push_back(entry);
  } else if (mode != Ids::kFollow && mode != Ids::kRoundTrip) {
    unlist(mStopping);
    mStopping.push_front(entry);
  }
  return 0;
}

void cSyncSystem::PruneFinished() {
  mStopping.remove_if([this](const Entry& e) { return Finished(e); });
  mUnison.remove_if([this](const Entry& e) { return Finished(e); });
}

void cSyncSystem::StopAll(int64_t time) {
  for (const Entry& e : mStopping) {
    cSound* node = LiveNode(e);
    if (!node) continue;
    const cPropertySet* patch = node->GetPatch();
    const tVariant* modeValue = PatchThenResource(patch, Ids::kMasterModeSyncSourceMode);
    uint32_t mode = modeValue ? modeValue->Id() : Ids::kStop;
    if (mode != Ids::kStop) continue;
    int32_t fade = FadeTime(patch, Ids::kMasterModeFadeTime);
    if (fade > 0) {
      // A node that cannot fade still stops when the fade would have ended.
      if (node->Fade((float)fade, true, true, time) != kOk) node->Stop(time + (int64_t)fade * 441 / 10);
    } else {
      node->Stop(time);
    }
  }
  for (const Entry& e : mUnison)
    if (cSound* node = LiveNode(e)) node->Stop(time);
  mStopping.clear();
  mUnison.clear();
}

int cSyncSystem::RemoveByResource(uint32_t resource) {
  for (auto it = mStopping.begin(); it != mStopping.end(); ++it)
    if (it->resource.Word() == resource) {
      mStopping.erase(it);
      break;
    }
  return 0;
}

void cSyncSystem::Update() {
  PruneFinished();
  const char* formats[2] = {"cSyncSystem::Update: Stopping list size %ld\n", "cSyncSystem::Update: Unison list size %ld\n"};
  const std::list<Entry>* lists[2] = {&mStopping, &mUnison};
  for (int k = 0; k < 2; k++)
    if (lists[k]->size() != mReported[k]) {
      mReported[k] = lists[k]->size();
      Trace(formats[k], (long)mReported[k]);
    }
}

void cSyncSystem::Clear() {
  mStopping.clear();
  mUnison.clear();
}

}  // namespace Tarn
