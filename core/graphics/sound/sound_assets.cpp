// The asset map's loaders for sounds: options after "?" (the group) travel with the file name
// into the sound's cache key.
#include "core/base/asset_map.h"
#include "core/graphics/sound/sound.h"

void RegisterSoundAssetLoaders() {
  TAssetLoader sound;
  sound.kind = TSound::ClassId();
  sound.MakeKey = [](TStr file, TStr options) { return TSound::MakeAssetKey(file + options); };
  sound.Load = [](TStr file, TStr options) -> std::shared_ptr<TAsset> { return TSound::Get(file + options, 1, -1); };
  RegisterAssetLoader(TStr("ogg"), sound);
  RegisterAssetLoader(TStr("spx"), sound);
}
