// TAssetMap: a named asset table. It finds an asset's file by trying the standard extensions,
// picks the loader by the file's extension, reuses a live asset through the asset manager and
// keeps the asset alive under the name. Loaders are registered by the subsystems that own the
// asset kinds (textures, animated textures, sounds, script code, meshes).
#pragma once

#include <functional>
#include <map>
#include <memory>

#include "core/base/asset.h"
#include "core/base/str.h"

class TTexture;
class TSound;

// How one file extension loads. options is the text from the first "?" on ("" when none).
struct TAssetLoader {
  TClassId kind = nullptr;                                       // a reused asset must be of it
  std::function<TStr(TStr fileName, TStr options)> MakeKey;      // cache key in the manager
  std::function<std::shared_ptr<TAsset>(TStr fileName, TStr options)> Load;  // empty on failure
};

// extension without its dot, compared exactly ("png", "ogg", ...).
void RegisterAssetLoader(TStr extension, TAssetLoader loader);
void UnregisterAssetLoader(TStr extension);

class TAssetMap {
 public:
  TAssetMap() {}
  virtual ~TAssetMap() {}

  // With an asset, stores it under the name; without, loads it by name (unless quiet, a
  // failure is logged) and stores what was loaded.
  void AddAsset(TStr name, std::shared_ptr<TAsset> asset, bool quiet);
  // AddAsset(name, null, false) for each name of a null-terminated array.
  void AddAssets(const char* names[]);
  bool HasAsset(TStr name);
  void SetAutoLoad(bool autoLoad) { mAutoLoad = autoLoad; }
  bool GetAutoLoad() const { return mAutoLoad; }

  // The entry as a texture or a sound (empty when absent or of another kind); with auto-load
  // set, an absent one is loaded first. Instantiated where the asset class is complete.
  template <class T = TTexture>
  std::shared_ptr<T> GetTexture(TStr name) {
    return std::static_pointer_cast<T>(LookUp(name, T::ClassId(), true));
  }
  template <class T = TSound>
  std::shared_ptr<T> GetSound(TStr name) {
    return std::static_pointer_cast<T>(LookUp(name, T::ClassId(), false));
  }

  // Any entry as the base class; null for an absent name.
  std::shared_ptr<TAsset> GetAsset(TStr name);

 private:
  std::shared_ptr<TAsset> Find(TStr name) const;
  std::shared_ptr<TAsset> LookUp(TStr name, TClassId kind, bool texture);

  std::map<TStr, std::shared_ptr<TAsset>> mAssets;
  bool mAutoLoad = false;
};
