// Tarn::cTarnSoundSystem: the engine's one sound system. It holds the loaded projects, turns
// patches into live nodes (created on first use, once per name identifier), owns the
// engine's default property set, the sync system and the update list of ticking nodes, and
// runs the engine tick before every mixed block.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <set>

#include "audio_engine/auto_ptr.h"
#include "audio_engine/direct_sound_system.h"
#include "audio_engine/iupdate.h"
#include "audio_engine/patch_holder.h"
#include "audio_engine/reader.h"
#include "audio_engine/shared_ptr.h"
#include "audio_engine/tarn_project.h"
#include "audio_engine/update_list.h"

namespace Tarn {

class cSound;
class cSyncSystem;

class cTarnSoundSystem : public cIUpdate, public cIRendererHost {
 public:
  // Creates the instance (and first the mixing layer's root) unless one exists.
  static cTarnSoundSystem* Create();
  static cTarnSoundSystem* Get();
  // Stops the renderer, then under the engine lock destroys the sound system and the mixing
  // layer's root.
  static void Shutdown();

  // Parses one project and lists it; 0. A document the parser stops in keeps the patches read
  // before the error and is listed too: 1, with a log line naming `where` (the file) and the
  // place.
  int LoadProject(const char* name, cIReader* reader, const char* where = nullptr);
  int FindPatch(uint32_t id, cPropertySet** patch);
  int FindPatch(const char* name, cPropertySet** patch);
  // The cached node, or creates, configures and caches it: 0; 2 unknown; 3 not a node type;
  // 11 unknown type. A node asked for while it is being configured (a cycle in the project)
  // is refused with a log line: 2.
  int GetPatchHolder(uint32_t id, cIPatchHolder** holder, bool* created = nullptr);
  int GetSound(uint32_t id, cSound** node, bool* created = nullptr);
  int GetSound(const tVariant& name, cSound** node, bool* created = nullptr);
  // A node looked up as an output bus: like GetSound, but a bus still being configured is
  // simply not there yet (it hands itself down when it is done), which is no cycle.
  cSound* GetBusNode(uint32_t id);
  // The node already made for an identifier, or null (never creates one).
  cSound* CachedSound(uint32_t id) const;
  int RemovePatch(uint32_t id);
  int ClearPatches();
  int UnloadProject(cTarnProject* project);
  int UnloadAllProjects();
  int StartMasterBus();
  int StartRenderer();
  int StopRenderer();
  // The engine tick: sync system, then the update list of nodes.
  int Update() override;
  void StartUpdates(cSound* node);
  void StopUpdates(cSound* node);
  void SetRenderer(cIAudioRenderer* renderer) override { mRenderer = renderer; }
  cIAudioRenderer* Renderer() const { return mRenderer; }

  const cPropertySet& Defaults() const { return *mDefaults; }
  cSyncSystem* Sync() const { return mSync.Get(); }
  size_t ProjectCount() const { return mProjects.size(); }
  cTarnProject* Project(size_t i) const;
  size_t CachedNodeCount() const { return mCache.size(); }

  // The patch a variant names (trace "Missing patch - %s." when absent), or null.
  cPropertySet* FindPatchByVariant(const tVariant& name);
  // The patch whose identifier a property of `set` holds, or null.
  cPropertySet* PatchProperty(const cPropertySet* set, uint32_t key);
  // The five property sets a clip's sync properties are looked up in (empty slots null):
  // the patch, its resource patch, the current master's patch and its resource patch, the
  // defaults.
  void BuildPropertyChain(const cPropertySet* patch, const cPropertySet* chain[5]);

 private:
  cTarnSoundSystem();
  ~cTarnSoundSystem() override;
  void FillDefaults();
  // Empties the cache: every node leaves its mixes and lists before any is deleted.
  void DropNodes();

  cAutoPtr<cSyncSystem> mSync;
  std::map<uint32_t, cSharedPtr<cIPatchHolder>> mCache;
  std::set<uint32_t> mCreating;  // nodes being configured right now (cycle guard)
  cIAudioRenderer* mRenderer = nullptr;
  std::list<std::unique_ptr<cTarnProject>> mProjects;
  std::unique_ptr<cPropertySet> mDefaults;
  cUpdateList mUpdates;
};

// Creates the node a "PlayerType" names: 0 (a null holder for "EditList"), 3 for resources and
// event clips, 11 for unknown types.
int CreateNode(uint32_t type, cIPatchHolder** holder);

// Where a position lands in a resource: start + offset, wrapped from the loop end back to the
// loop start while looping (an empty loop does not wrap).
int64_t LoopWrap(int64_t offset, int64_t start, int64_t loopStart, int64_t loopEnd, bool looping);

}  // namespace Tarn
