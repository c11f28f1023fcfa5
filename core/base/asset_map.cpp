// TAssetMap: a named asset table with loaders registered by extension.
#include "core/base/asset_map.h"

#include <cstring>

#include "core/base/asset_manager.h"
#include "core/base/file.h"
#include "core/base/log.h"

namespace {

std::map<TStr, TAssetLoader>& Loaders() {
  static std::map<TStr, TAssetLoader> loaders;  // main thread only
  return loaders;
}

TStr Slashes(TStr name) {
  name.Replace(TStr("\\"), TStr("/"), TStr::kReplaceAll);
  return name;
}

}  // namespace

void RegisterAssetLoader(TStr extension, TAssetLoader loader) { Loaders()[extension] = std::move(loader); }
void UnregisterAssetLoader(TStr extension) { Loaders().erase(extension); }

void TAssetMap::AddAsset(TStr name, std::shared_ptr<TAsset> asset, bool quiet) {
  name = Slashes(name);
  if (asset) {
    mAssets[name] = asset;
    return;
  }
  TStr base = name;
  TStr options;
  int question = name.Find('?');
  if (question >= 0) {
    base = name.SubStr(0, question);
    options = name.SubStr(question);
  }
  TStr fileName;
  if (FileExists(base)) {
    fileName = base;
  } else {
    static const char* const kExtensions[] = {".xml", ".anm", ".jpg", ".png", ".spx", ".ogg", ".mesh", ".lua"};
    for (const char* ext : kExtensions) {
      TStr candidate = base + TStr(ext);
      if (FileExists(candidate)) {
        fileName = candidate;
        break;
      }
    }
  }
  if (fileName.Length() == 0) {
    if (!quiet)
      LogError("TAssetMap::AddAsset: Failed to find asset %s with any standard extension (jpg/png/anm/xml/ogg/mesh)",
               name.c_str());
    return;
  }
  int dot = fileName.Find('.', TStr::kBackward);
  TStr extension = dot >= 0 ? fileName.SubStr(dot + 1) : TStr();
  auto loader = Loaders().find(extension);
  std::shared_ptr<TAsset> loaded;
  if (loader != Loaders().end()) {
    const TAssetLoader& l = loader->second;
    TStr key = l.MakeKey ? l.MakeKey(fileName, options) : fileName;
    loaded = TAssetManager::FindOrLoad(key, l.kind, [&]() -> std::shared_ptr<TAsset> {
      return l.Load ? l.Load(fileName, options) : nullptr;
    });
  }
  if (!loaded) {
    if (!quiet) LogError("TAssetMap::AddAsset: Error loading %s", name.c_str());
    return;
  }
  mAssets[name] = loaded;
}

void TAssetMap::AddAssets(const char* names[]) {
  for (int i = 0; names && names[i]; ++i) AddAsset(TStr(names[i]), nullptr, false);
}

// Reads never add entries: a map asked about thousands of missing names stays its own size.
std::shared_ptr<TAsset> TAssetMap::Find(TStr name) const {
  auto it = mAssets.find(name);
  return it == mAssets.end() ? nullptr : it->second;
}

bool TAssetMap::HasAsset(TStr name) { return Find(Slashes(name)) != nullptr; }

std::shared_ptr<TAsset> TAssetMap::GetAsset(TStr name) { return Find(Slashes(name)); }

std::shared_ptr<TAsset> TAssetMap::LookUp(TStr name, TClassId kind, bool texture) {
  name = Slashes(name);
  std::shared_ptr<TAsset> asset = Find(name);
  if (!asset && mAutoLoad) {
    AddAsset(name, nullptr, false);
    asset = Find(name);
  }
  if (!asset) {
    if (texture)
      LogError("Texture asset not found: %s (auto load set to %s)", name.c_str(), mAutoLoad ? "true" : "false");
    else
      LogError("Sound asset not found: %s", name.c_str());
    return nullptr;
  }
  return asset->IsKindOf(kind) ? asset : nullptr;
}
