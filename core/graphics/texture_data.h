// TTextureData: the device surface behind a TTexture. The display handler makes the one real
// kind (its DirectDraw surface); this base holds the fields the texture code reads and writes and
// the image loader that both a first load and a restore after a display loss go through.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/rect.h"
#include "core/base/str.h"

class TTexture;

// Texture flag bits (TTextureData::mFlags).
enum : uint8_t {
  kTextureAlpha = 0x02,        // the texture has an alpha channel
  kTextureDetectAlpha = 0x04,  // keep alpha only when the image has one
  kTextureMipmap = 0x08,
  kTextureSimple = 0x10,       // a plain surface: never a Direct3D texture nor a render target
  kTextureSlow = 0x20,         // may exceed 1024 pixels a side
  kTextureRenderTarget = 0x80,
};

// Larger images fail to load unless the texture is slow.
constexpr uint32_t kMaxTextureSide = 1024;

// "path?options" into the path before the first "?" and the option text after it.
void SplitTextureName(TStr name, TStr* path, TStr* options);
// The option words found anywhere in the text ("slow", "simple", "alpha", "mipmap", needing no
// separators) applied to a flag byte.
uint8_t ApplyTextureOptions(TStr options, uint8_t flags);

class TTextureData {
 public:
  TTextureData() {}
  virtual ~TTextureData() {}
  TTextureData(const TTextureData&) = delete;
  TTextureData& operator=(const TTextureData&) = delete;

  // Gives up the surface; names and sizes stay for Restore.
  virtual void Release() = 0;
  // Rebuilds the surface after a display loss: from the file (or file and mask) through Load, or
  // empty for textures made in memory.
  virtual void Restore() = 0;
  // Writes the image area (image width x height) at the surface's top-left from 32-bit ARGB
  // pixels whose rows are rowLength pixels apart; rows is how many the source holds.
  virtual bool SetPixels(uint32_t rowLength, uint32_t rows, const uint32_t* pixels) = 0;
  // Makes a surface for a width x height image. The surface may come out larger (powers of two,
  // square); mSurfaceWidth/Height and the margins tell what was made. Image width and height
  // become the ones asked for.
  virtual bool CreateSurface(uint32_t width, uint32_t height, bool clear) = 0;
  // Copies a rectangle of the image (null: all of it) to (x, y) of the destination's surface, or
  // of the display's current target when destination is empty.
  virtual void CopyTo(int x, int y, const TRect* source, std::shared_ptr<TTexture> destination) = 0;
  // Fills the whole surface with 0.
  virtual void Clear() = 0;
  // 32-bit ARGB pixels and the pitch in pixels (a converted copy for other surface formats,
  // written back by Unlock).
  virtual bool Lock(uint32_t** pixels, int* pitch) = 0;
  virtual void Unlock() = 0;

  // Reads the image file (and the mask file, which then gives the alpha channel; null or empty
  // for none) and makes the surface from it, by the texture name rules: options after "?",
  // the ".png"/".jpg"/".jp2" fallback, the automatic JPEG mask, power-of-two rounding and the
  // size limit. On success the names are kept for Restore.
  bool Load(TStr file, TStr mask);

  bool HasAlpha() const { return (mFlags & kTextureAlpha) != 0; }
  bool IsSimple() const { return (mFlags & kTextureSimple) != 0; }
  bool IsRenderTarget() const { return (mFlags & kTextureRenderTarget) != 0; }

  TStr mFileName;  // empty for textures made in memory
  TStr mMaskName;
  uint32_t mWidth = 0, mHeight = 0;                // the image
  uint32_t mSurfaceWidth = 0, mSurfaceHeight = 0;  // the surface made (0 without one)
  uint32_t mMarginX = 0, mMarginY = 0;             // where the image starts inside the surface
  uint8_t mFlags = 0;

 private:
  bool LoadOne(TStr file, TStr mask);
};
