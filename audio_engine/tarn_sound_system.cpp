// The sound system: projects, the patch factory and node cache, defaults, the engine tick.
//
// Nodes are made on first use and configured from their patch; configuring one may ask for
// others (children, delegates, automation), so a node being configured is marked, and a
// request for it meanwhile is a cycle in the project, refused with a log line. Nodes point at
// each other and at each other's mixers, so they are only ever dropped all together: every
// node first leaves its mixes and lists (Detach), then all are deleted.
#include "audio_engine/tarn_sound_system.h"

#include <cstring>
#include <vector>

#include "audio_engine/critical_section.h"
#include "audio_engine/debug.h"
#include "audio_engine/engine_random.h"
#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/nodes/arrangement.h"
#include "audio_engine/nodes/automation_clip.h"
#include "audio_engine/nodes/bus.h"
#include "audio_engine/nodes/clip_player.h"
#include "audio_engine/nodes/envelope.h"
#include "audio_engine/nodes/event_parameter.h"
#include "audio_engine/nodes/loop_box.h"
#include "audio_engine/nodes/mixer.h"
#include "audio_engine/nodes/mixer_channel.h"
#include "audio_engine/nodes/mutual_exclusion.h"
#include "audio_engine/nodes/random_selector.h"
#include "audio_engine/nodes/randomizer.h"
#include "audio_engine/nodes/repeater.h"
#include "audio_engine/nodes/track_player.h"
#include "audio_engine/nodes/vst_program.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/property_vocabulary.h"
#include "audio_engine/sound.h"
#include "audio_engine/sync_system.h"
#include "audio_engine/xml_project_reader.h"

namespace Tarn {

namespace {
cTarnSoundSystem* gSystem = nullptr;  // created and destroyed on the game's thread

// Folder part of a loaded name: up to and including its last separator.
size_t NameStart(const std::string& name) {
  size_t slash = name.find_last_of('\\');
  if (slash == std::string::npos) slash = name.find_last_of('/');
  return slash == std::string::npos ? 0 : slash + 1;
}
}  // namespace

int64_t LoopWrap(int64_t offset, int64_t start, int64_t loopStart, int64_t loopEnd, bool looping) {
  if (!looping || loopEnd <= loopStart || offset < loopEnd - start) return start + offset;
  return loopStart + (offset + start - loopEnd) % (loopEnd - loopStart);
}

int CreateNode(uint32_t type, cIPatchHolder** holder) {
  *holder = nullptr;
  cIPatchHolder* h = nullptr;
  switch (type) {
    case Ids::kTypeMixer: h = new cMixer(); break;
    case Ids::kTypeMixerChannel: h = new cMixerChannel(); break;
    case Ids::kTypeRepeater: h = new cRepeater(); break;
    case Ids::kTypeLoopBox: h = new cLoopBox(); break;
    case Ids::kTypeAutomationClip: h = new cAutomationClip(); break;
    case Ids::kTypeVstEffectPlugin:
    case Ids::kTypeVstInstrumentPlugin:
    case Ids::kTypeVstProgram: h = new cVstProgram(); break;
    case Ids::kTypeArrangementClip: h = new cClipPlayer(); break;
    case Ids::kTypeBus: h = new cBus(); break;
    case Ids::kTypeRandomizer: h = new cRandomizer(); break;
    case Ids::kTypeArrangement: h = new cArrangement(); break;
    case Ids::kTypeParameter: h = new cEventParameter(); break;
    case Ids::kTypeTrackPlayer: h = new cTrackPlayer(); break;
    case Ids::kTypeRandomSelector: h = new cRandomSelector(); break;
    case Ids::kTypeMutualExclusion: h = new cMutualExclusion(); break;
    case Ids::kTypeEnvelope: h = new cEnvelope(); break;
    case Ids::kTypeEditList: return kOk;
    case Ids::kTypeSampleResource:
    case Ids::kTypeMidiResource:
    case Ids::kTypeEventClip: return kNotSupported;
    default: return kUnknownNodeType;
  }
  *holder = h;
  return kOk;
}

cTarnSoundSystem::cTarnSoundSystem() {
  cAutoCriticalSection lock(EngineLock());
  SeedRandom(timeGetTime());
  cPropertyVocabulary::Build();
  mDefaults = std::make_unique<cPropertySet>();
  FillDefaults();
  mSync.Reset(new cSyncSystem());
}

cTarnSoundSystem::~cTarnSoundSystem() {
  Trace("cTarnSoundSystem::~cTarnSoundSystem\n");
  UnloadAllProjects();
  mUpdates.Clear();
  mSync.Reset();
  mDefaults.reset();
}

cTarnSoundSystem* cTarnSoundSystem::Create() {
  Trace("cTarnSoundSystem::Init\n");
  cAutoCriticalSection lock(EngineLock());
  if (gSystem) return gSystem;
  TarnMix::cTarnSoundSystem* mix = TarnMix::cTarnSoundSystem::Init();
  gSystem = new cTarnSoundSystem();
  mix->SetEngineTick(gSystem);
  return gSystem;
}

cTarnSoundSystem* cTarnSoundSystem::Get() { return gSystem; }

void cTarnSoundSystem::Shutdown() {
  Trace("cTarnSoundSystem::Shutdown\n");
  if (gSystem) gSystem->StopRenderer();
  cAutoCriticalSection lock(EngineLock());
  Trace("cTarnSoundSystem::Shutdown: Got critical section\n");
  if (TarnMix::cTarnSoundSystem* mix = TarnMix::cTarnSoundSystem::Get()) mix->SetEngineTick(nullptr);
  delete gSystem;
  gSystem = nullptr;
  TarnMix::cTarnSoundSystem::Shutdown();
}

void cTarnSoundSystem::FillDefaults() {
  cPropertySet& d = *mDefaults;
  auto b = [&](const char* n, bool v) { d.Set(NameId(n), tVariant::Bool(v)); };
  auto f = [&](const char* n, float v) { d.Set(NameId(n), tVariant::Float(v)); };
  auto i = [&](const char* n, int32_t v) { d.Set(NameId(n), tVariant::Int(v)); };
  auto s = [&](const char* n, const char* v) { d.Set(NameId(n), tVariant::String(v)); };
  for (const char* n : {"Expanded", "Enabled", "Live", "Mute", "Solo"}) b(n, false);
  f("Volume", 1.0f);
  f("Pan", 0.5f);
  f("Pitch", 0.0f);
  for (int k = 0; k < 10; k++) f(("SendLevel" + std::to_string(k)).c_str(), 1.0f);
  f("FloatMinimum", 0.0f);
  f("FloatMaximum", 1.0f);
  f("FloatTransformMinimum", 0.0f);
  f("FloatTransformMaximum", 1.0f);
  f("FloatArgument", 1.0f);
  f("FloatDefault", 1.0f);
  i("OutputBusMixerChannel", (int32_t)Ids::kMasterBus);
  for (const char* n : {"Attack", "Decay", "Sustain", "Release"}) f(n, 0.0f);
  i("TimeLineLoopStartPosition", 0);
  i("TimeLineLoopEndPosition", -1);
  i("IntervalMin", 0);
  i("IntervalMax", 1000);
  i("RepeatsMin", 1);
  i("RepeatsMax", 1);
  i("MidiChannel", 0);
  f("PitchVaryMin", 0.0f);
  f("PitchVaryMax", 0.0f);
  f("VolumeVaryMin", 1.0f);
  f("VolumeVaryMax", 1.0f);
  f("PanVaryMin", 0.5f);
  f("PanVaryMax", 0.5f);
  i("Steps", 9542595);
  i("Color", 9542595);
  i("TimeUnitsType", 0);
  f("Tempo", 120.0f);
  b("TempoEnabled", false);
  i("BeatsPerBar", 4);
  i("BeatsPerBarDenominator", 4);
  for (const char* n : {"TimeLineStartPosition", "ResourceStartPosition", "ResourceLoopStartPosition"}) i(n, 0);
  i("TimeLineEndPosition", 5292000);
  i("ResourceEndPosition", 5292000);
  i("ResourceLoopEndPosition", -1);
  for (const char* n : {"TimeLineLoopEnabled", "ResourceLoopEnabled", "MutualExclusionEnabled", "Stream", "Preload",
                        "Override", "MasterModeSyncOverride", "SourceModeSyncOverride"})
    b(n, false);
  b("MasterModeSyncEnabled", true);
  b("SourceModeSyncEnabled", true);
  i("MasterModeSyncNumerator", 1);
  i("SourceModeSyncNumerator", 1);
  s("MasterModeSyncDenominator", "Measures");
  s("SourceModeSyncDenominator", "Measures");
  s("MasterModeSyncSlave", "None");
  s("SourceModeSyncSlave", "None");
  for (const char* n : {"MasterModeSyncSlaveMode", "SourceModeSyncSlaveMode", "MasterModeSyncSourceMode",
                        "SourceModeSyncSourceMode"})
    s(n, "Stop");
  s("MasterModeSyncSource", "CurrentArrangement");
  s("SourceModeSyncSource", "CurrentArrangement");
  for (const char* n : {"Immediate", "Infinite", "Random", "RandomInterval", "RandomRepeats"}) b(n, false);
}

int cTarnSoundSystem::LoadProject(const char* name, cIReader* reader, const char* where) {
  cAutoCriticalSection lock(EngineLock());
  auto project = std::make_unique<cTarnProject>();
  std::string full = name ? name : "";
  // A document the parser stops in keeps the patches read before the error and is listed like
  // any other; the answer is the parse result, and the reader has logged the place.
  int r = ReadProject(reader, project.get(), where ? where : full.c_str());
  size_t at = NameStart(full);
  project->mName = cString(full.substr(at));
  project->mFolder = cString(full.substr(0, at));
  project->mResourcesFolder = project->mFolder + "Resources/";
  auto before = mProjects.end();
  for (auto it = mProjects.begin(); it != mProjects.end(); ++it) {
    cPropertySet* settings = (*it)->FindPatch(Ids::kProjectSettings);
    if (settings && settings->GetBool(Ids::kLoadPriority, false)) {
      before = it;
      break;
    }
  }
  mProjects.insert(before, std::move(project));
  return r;
}

cTarnProject* cTarnSoundSystem::Project(size_t i) const {
  for (const auto& p : mProjects)
    if (i-- == 0) return p.get();
  return nullptr;
}

int cTarnSoundSystem::FindPatch(uint32_t id, cPropertySet** patch) {
  cAutoCriticalSection lock(EngineLock());
  *patch = nullptr;
  for (const auto& project : mProjects)
    if (cPropertySet* p = project->FindPatch(id)) {
      *patch = p;
      return kOk;
    }
  return kNotFound;
}

int cTarnSoundSystem::FindPatch(const char* name, cPropertySet** patch) { return FindPatch(NameId(name), patch); }

cPropertySet* cTarnSoundSystem::FindPatchByVariant(const tVariant& name) {
  cPropertySet* p = nullptr;
  if (FindPatch(name.Id(), &p) != kOk) Trace("Missing patch - %s.", name.Text().c_str());
  return p;
}

cPropertySet* cTarnSoundSystem::PatchProperty(const cPropertySet* set, uint32_t key) {
  if (!set) return nullptr;
  const tVariant* v = set->Find(key);
  if (!v) return nullptr;
  cPropertySet* p = nullptr;
  FindPatch(v->Id(), &p);
  return p;
}

int cTarnSoundSystem::GetPatchHolder(uint32_t id, cIPatchHolder** holder, bool* created) {
  cAutoCriticalSection lock(EngineLock());
  *holder = nullptr;
  if (created) *created = false;
  auto it = mCache.find(id);
  if (it != mCache.end()) {
    *holder = it->second.Get();
    return kOk;
  }
  cPropertySet* patch = nullptr;
  if (FindPatch(id, &patch) != kOk) return kNotFound;
  if (mCreating.count(id)) {
    // Configuring this node asked for the node itself ("ChildName", "SoundList" or
    // "Automation" leading back): refusing ends the recursion.
    Log("Patch '%s' refers back to itself through its children; that reference is left out",
        patch->GetVariant(Ids::kName).Text().c_str());
    return kNotFound;
  }
  cIPatchHolder* node = nullptr;
  int r = CreateNode(patch->GetId(Ids::kPlayerType), &node);
  if (r != kOk) return r;
  if (node) {
    mCreating.insert(id);
    node->SetPatch(patch);
    mCreating.erase(id);
  }
  auto [slot, added] = mCache.emplace(id, cSharedPtr<cIPatchHolder>(node));
  if (!added) {
    // Configuring it created it meanwhile: the first one stays.
    if (auto* p = dynamic_cast<cPatchHolder*>(node)) p->Detach();
    delete node;
    *holder = slot->second.Get();
    return kAlreadyPresent;
  }
  *holder = node;
  if (created) *created = node != nullptr;
  return kOk;
}

int cTarnSoundSystem::GetSound(uint32_t id, cSound** node, bool* created) {
  cIPatchHolder* holder = nullptr;
  int r = GetPatchHolder(id, &holder, created);
  *node = dynamic_cast<cSound*>(holder);
  return r;
}

int cTarnSoundSystem::GetSound(const tVariant& name, cSound** node, bool* created) {
  return GetSound(name.Id(), node, created);
}

cSound* cTarnSoundSystem::GetBusNode(uint32_t id) {
  if (mCreating.count(id)) return nullptr;
  cSound* node = nullptr;
  GetSound(id, &node);
  return node;
}

cSound* cTarnSoundSystem::CachedSound(uint32_t id) const {
  auto it = mCache.find(id);
  return it == mCache.end() ? nullptr : dynamic_cast<cSound*>(it->second.Get());
}

void cTarnSoundSystem::DropNodes() {
  cAutoCriticalSection lock(EngineLock());
  if (mSync) mSync->Clear();
  // Every node first leaves the mixes, update lists and nodes it joined; only then are they
  // deleted, so no node's teardown reaches one already gone.
  for (auto& [id, holder] : mCache)
    if (auto* p = dynamic_cast<cPatchHolder*>(holder.Get())) p->Detach();
  mCache.clear();
}

int cTarnSoundSystem::RemovePatch(uint32_t id) {
  cAutoCriticalSection lock(EngineLock());
  if (!mCache.count(id)) return kOk;
  // Other nodes may hold this one as child or delegate: the graph is taken down whole and
  // rebuilt on demand.
  DropNodes();
  return kOk;
}

int cTarnSoundSystem::ClearPatches() {
  DropNodes();
  return kOk;
}

int cTarnSoundSystem::UnloadProject(cTarnProject* project) {
  cAutoCriticalSection lock(EngineLock());
  if (mSync) mSync->Clear();
  if (cSound* root = CachedSound(Ids::kRootControlMixerChannel)) root->Kill();
  for (auto e = mProjects.begin(); e != mProjects.end(); ++e) {
    if (e->get() != project) continue;
    // Nodes of other projects may point at this project's nodes: all go, before the patches.
    DropNodes();
    mProjects.erase(e);
    return kOk;
  }
  return kNotFound;
}

int cTarnSoundSystem::UnloadAllProjects() {
  cAutoCriticalSection lock(EngineLock());
  while (!mProjects.empty()) UnloadProject(mProjects.front().get());
  DropNodes();
  return kNotFound;
}

int cTarnSoundSystem::StartMasterBus() {
  cAutoCriticalSection lock(EngineLock());
  cSound* root = nullptr;
  GetSound(Ids::kRootControlMixerChannel, &root);
  if (root) root->Process();
  cSound* master = nullptr;
  GetSound(Ids::kMasterBusBus, &master);
  if (!master) master = root;
  if (master) master->Play(-1);
  return kOk;
}

int cTarnSoundSystem::StartRenderer() {
  if (!mRenderer) return kNotFound;
  int r = mRenderer->Start();
  if (auto* update = dynamic_cast<cIUpdate*>(mRenderer)) update->Update();
  return r;
}

int cTarnSoundSystem::StopRenderer() { return mRenderer ? mRenderer->Stop() : kOk; }

int cTarnSoundSystem::Update() {
  cAutoCriticalSection lock(EngineLock());
  if (mSync) mSync->Update();
  mUpdates.Run();
  return 0;
}

void cTarnSoundSystem::StartUpdates(cSound* node) {
  if (!node) return;
  mUpdates.Add(node);
  node->SetUpdating(true);
}

void cTarnSoundSystem::StopUpdates(cSound* node) {
  if (!node) return;
  mUpdates.Remove(node);
  node->SetUpdating(false);
}

void cTarnSoundSystem::BuildPropertyChain(const cPropertySet* patch, const cPropertySet* chain[5]) {
  for (int k = 0; k < 5; k++) chain[k] = nullptr;
  chain[0] = patch;
  chain[1] = PatchProperty(patch, Ids::kResourceName);
  if (mSync) {
    if (cSound* master = mSync->MasterNode(); master && master->IsActive()) {
      chain[2] = master->GetPatch();
      chain[3] = PatchProperty(chain[2], Ids::kResourceName);
    }
  }
  chain[4] = mDefaults.get();
}

}  // namespace Tarn
