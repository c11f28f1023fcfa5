// The asset map's loaders for images ("png", "jpg": TTexture), animations ("xml", "anm":
// TAnimatedTexture) and meshes ("mesh": TModel). Options after "?" travel with the file name into
// the texture's cache key.
#include "core/base/asset_map.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/model.h"
#include "core/graphics/texture.h"

void RegisterTextureAssetLoaders() {
  TAssetLoader image;
  image.kind = TTexture::ClassId();
  image.MakeKey = [](TStr file, TStr options) { return TTexture::MakeCacheKey(file + options, false, false, false); };
  image.Load = [](TStr file, TStr options) -> std::shared_ptr<TAsset> { return TTexture::Get(file + options); };
  RegisterAssetLoader(TStr("png"), image);
  RegisterAssetLoader(TStr("jpg"), image);

  TAssetLoader animation;
  animation.kind = TAnimatedTexture::ClassId();
  animation.MakeKey = [](TStr file, TStr) { return TAnimatedTexture::MakeAssetKey(file, TStr(), TStr()); };
  animation.Load = [](TStr file, TStr) -> std::shared_ptr<TAsset> { return TAnimatedTexture::Get(file); };
  RegisterAssetLoader(TStr("xml"), animation);
  RegisterAssetLoader(TStr("anm"), animation);

  RegisterModelAssetLoader();
}
