// TAssetManager: the registry of live assets by cache key, held as weak references so that a
// second request reuses a live asset and a display loss can restore every one.
#pragma once

#include <functional>
#include <map>
#include <memory>

#include "core/base/asset.h"
#include "core/base/str.h"

class TAssetManager {
 public:
  // The first manager made becomes the instance (the platform's); it stops being the
  // instance when destroyed.
  TAssetManager();
  virtual ~TAssetManager();
  TAssetManager(const TAssetManager&) = delete;
  TAssetManager& operator=(const TAssetManager&) = delete;

  // The platform's manager, null when there is none.
  static TAssetManager* GetInstance();

  // Empty when the key is unknown or its asset has died. An unknown key is entered with an
  // empty reference, so it counts from then on.
  std::shared_ptr<TAsset> FindAsset(TStr key);
  void RegisterAsset(TStr key, std::shared_ptr<TAsset> asset);
  // Every cached asset kind gets its assets this way: the live one of that kind under key in the
  // platform's manager, else what load makes, registered under key. A load that gives null
  // forgets the key, so a name that failed leaves nothing behind; without a manager it only loads.
  static std::shared_ptr<TAsset> FindOrLoad(TStr key, TClassId kind, const std::function<std::shared_ptr<TAsset>()>& load);
  template <class T, class Load>
  static std::shared_ptr<T> FindOrLoad(TStr key, Load&& load) {
    return std::static_pointer_cast<T>(FindOrLoad(key, T::ClassId(), [&]() -> std::shared_ptr<TAsset> { return load(); }));
  }
  void RemoveAsset(TStr key);
  int GetAssetCount() const { return (int)mAssets.size(); }
  // Restore on every live asset, in key order.
  void RestoreAll();
  // Release on every live asset (before the display drops its device); entries whose asset has
  // gone are erased.
  void ReleaseAll();

 private:
  std::map<TStr, std::weak_ptr<TAsset>> mAssets;
};
