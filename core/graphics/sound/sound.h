// TSound: a sound asset played by name ("sfx/sfx_typing_01.ogg?group=1000"). It keeps one
// TSoundData; each Play makes a new stream over the data's source and hands back its instance.
#pragma once

#include <memory>

#include "core/base/asset.h"
#include "core/base/str.h"

class TSoundData;
class TSoundInstance;

class TSound : public TAsset {
 public:
  TSound();
  const char* GetClassName() const override { return "TSound"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TAsset::IsKindOf(id); }
  ~TSound() override;
  static TClassId ClassId();

  // The live sound of the name, else a new one registered with the asset manager; empty (and
  // logged) when no data source can open the file. flag 1, what every caller passes, lets a
  // short sound decode once into memory and a longer one play from a memory copy of its file;
  // flag 0 streams the file as it plays. The group of the name's "group=" option wins; group
  // is used for a name without one (-1: group 0).
  static std::shared_ptr<TSound> Get(TStr name, int flag = 1, int group = -1);
  // "path;0;group": two names that differ only in their group are two assets.
  static TStr MakeAssetKey(TStr name, int group = -1);

  // A new playing instance (loop: plays until stopped, else once); empty, and logged, when the
  // sound has no data or there is no sound manager.
  std::shared_ptr<TSoundInstance> Play(bool loop = false);
  // This sound, played on the stream of a playing instance right after what that plays now.
  // Played at once when that instance has ended.
  std::shared_ptr<TSoundInstance> PlayAfter(const std::shared_ptr<TSoundInstance>& current);
  // Instances of this sound playing now.
  int GetInstanceCount();

  const std::shared_ptr<TSoundData>& GetData() const { return mData; }

 private:
  std::shared_ptr<TSoundData> mData;
};

// The asset map's loaders for "ogg" and "spx".
void RegisterSoundAssetLoaders();
