// TTexture: the image asset. Every picture the program draws is a TTexture shared through
// shared pointers and registered in the asset manager under a cache key made from its name and
// options; its pixels live in a device surface (TTextureData) that the display handler makes.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/asset.h"
#include "core/base/rect.h"
#include "core/base/str.h"
#include "core/base/vec2.h"

class TTextureData;
struct TDrawSpec;

class TTexture : public TAsset {
 public:
  // Request flags of Get: neither alpha nor no-alpha asks to detect alpha from the image.
  enum : uint32_t { kRequestMipmap = 1, kRequestAlpha = 2, kRequestNoAlpha = 4 };

  // The live texture under the name's cache key, else a newly loaded one; empty when the image
  // cannot be loaded. name is a virtual path, optionally followed by "?" and option words
  // ("slow", "simple", "alpha", "mipmap"); a name without extension tries .png, .jpg, .jp2.
  static std::shared_ptr<TTexture> Get(TStr name, uint32_t request = 0);
  // Alpha from a separate mask image; alpha always on.
  static std::shared_ptr<TTexture> GetWithMask(TStr image, TStr mask, uint32_t request = 0);
  // A plain surface (mouse cursors).
  static std::shared_ptr<TTexture> GetSimple(TStr name);
  // An empty texture that can be drawn into; empty when the surface cannot be made.
  static std::shared_ptr<TTexture> CreateRenderTarget(int width, int height);
  // An empty texture registered under the key (an empty key: its render-target key).
  static std::shared_ptr<TTexture> Create(TStr key);

  // name with "\" made "/", then ":a", ":m", ":s" as asked, then ":tex".
  static TStr MakeCacheKey(TStr name, bool alpha, bool mipmap, bool simple);
  // image + ":" + mask, then ":m", ":s" as asked, then ":tex".
  static TStr MakeMaskCacheKey(TStr image, TStr mask, bool mipmap, bool simple);
  // The key of an unnamed texture, from its address.
  static TStr MakeRenderTargetKey(const TTexture* texture);

  static TClassId ClassId();
  const char* GetClassName() const override { return "TTexture"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TAsset::IsKindOf(id); }
  ~TTexture() override;
  void Release() override;
  void Restore() override;

  // Draws the texture under the spec: centred on the spec's position unless it sets an origin.
  // Only in 2D, never for a simple texture.
  virtual void Draw(const TDrawSpec& spec);
  virtual void DrawSprite(float x, float y, float alpha, float scale, float rotation, uint32_t flags);
  // Copies a rectangle (null: all) into the destination at (x, y); refused while a frame is open.
  virtual void CopyPixels(int x, int y, const TRect* source, std::shared_ptr<TTexture> destination);
  virtual int GetWidth() const;
  virtual int GetHeight() const;
  // The pixels Draw(spec) covers: the quad's corners under the spec, outward to whole pixels;
  // false when Draw would draw nothing.
  virtual bool GetDrawBounds(const TDrawSpec& spec, TRect* bounds) const;

  // Loads an image (and a mask for its alpha) into this texture's surface.
  bool Load(TStr name, TStr mask = TStr());

  // Base name + "." + extension of the loaded file (empty for textures made in memory).
  TStr GetFileName() const;
  bool HasAlpha() const;
  bool IsSimple() const;
  // 32-bit ARGB pixels and the pitch in pixels, written back by Unlock.
  bool Lock(uint32_t*& pixels, int& pitch);
  void Unlock();
  // The size of the surface behind the image, which texture coordinates are taken against.
  void GetSurfaceSize(int* width, int* height) const;
  TTextureData* GetData() const { return mData.get(); }

  TTexture(const TTexture&) = delete;
  TTexture& operator=(const TTexture&) = delete;

 protected:
  TTexture();

 private:
  // The live texture under the key, else one made under it with the flags and loaded from the
  // image (and mask); a failed load leaves nothing under the key.
  static std::shared_ptr<TTexture> GetUnderKey(TStr key, uint8_t flags, TStr image, TStr mask);
  // The quad of Draw before the spec's matrix: corners and the texture coordinate pairs.
  bool MakeQuad(const TDrawSpec& spec, TVec2 corners[4], TVec2* uv0, TVec2* uv1) const;

  std::unique_ptr<TTextureData> mData;
};

// Fills 4 vertices (kinds 1-3) for a quad: each corner is transformed by the matrix (and written
// back into corners), moved by position; corner 0 takes (uv0.x, uv0.y), 1 (uv1.x, uv0.y), 2
// (uv1.x, uv1.y), 3 (uv0.x, uv1.y). Colour channels and alpha are clamped to 0..255.
struct TVertex;
struct TColor;
class TMat3;
void BuildTexturedQuad(TVertex out[4], const TVec2& position, TVec2 corners[4], const TVec2& uv0, const TVec2& uv1,
                       const TMat3& matrix, float alpha, const TColor& colour);

// Registers the texture ("png", "jpg"), animated-texture ("xml", "anm") and mesh ("mesh")
// loaders with the asset map. The renderer does this when it is made.
void RegisterTextureAssetLoaders();
