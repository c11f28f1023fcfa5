// TAssetManager: the registry of live assets by cache key.
#include "core/base/asset_manager.h"

#include <vector>

namespace {
TAssetManager* gInstance = nullptr;  // main thread only
}

TAssetManager::TAssetManager() {
  if (!gInstance) gInstance = this;
}

TAssetManager::~TAssetManager() {
  mAssets.clear();
  if (gInstance == this) gInstance = nullptr;
}

TAssetManager* TAssetManager::GetInstance() { return gInstance; }

std::shared_ptr<TAsset> TAssetManager::FindAsset(TStr key) { return mAssets[key].lock(); }

void TAssetManager::RegisterAsset(TStr key, std::shared_ptr<TAsset> asset) { mAssets[key] = asset; }

std::shared_ptr<TAsset> TAssetManager::FindOrLoad(TStr key, TClassId kind,
                                                  const std::function<std::shared_ptr<TAsset>()>& load) {
  TAssetManager* manager = GetInstance();
  if (!manager) return load();
  std::shared_ptr<TAsset> live = manager->FindAsset(key);
  if (live && live->IsKindOf(kind)) return live;
  std::shared_ptr<TAsset> loaded = load();
  if (loaded)
    manager->RegisterAsset(key, loaded);
  else
    manager->RemoveAsset(key);
  return loaded;
}

void TAssetManager::RemoveAsset(TStr key) { mAssets.erase(key); }

void TAssetManager::RestoreAll() {
  // Hold every live asset first: a restore may register or drop other assets.
  std::vector<std::shared_ptr<TAsset>> live;
  for (auto& entry : mAssets)
    if (auto a = entry.second.lock()) live.push_back(std::move(a));
  for (auto& a : live) a->Restore();
}

void TAssetManager::ReleaseAll() {
  std::vector<std::shared_ptr<TAsset>> live;
  for (auto it = mAssets.begin(); it != mAssets.end();) {
    if (auto a = it->second.lock()) {
      live.push_back(std::move(a));
      ++it;
    } else {
      it = mAssets.erase(it);
    }
  }
  for (auto& a : live) a->Release();
}
