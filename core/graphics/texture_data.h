// TTextureData: the device side of a texture. A TTexture owns one (made by the display handler,
// whose TDxTextureData is the only real implementation) and keeps its pixels there. This base
// holds the names, sizes and flags the texture code reads and writes, and the texture loader
// that a first load and a restore after a display loss both go through. Pixels cross this
// interface as 32-bit ARGB words (bytes blue, green, red, alpha).
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/rect.h"
#include "core/base/str.h"

class TTexture;
class TTextureData;

// Flag byte of a texture.
enum : uint8_t {
  kTextureAlpha = 0x02,        // the texture has an alpha channel
  kTextureDetectAlpha = 0x04,  // keep alpha only when the image has one
  kTextureMipmap = 0x08,
  kTextureSimple = 0x10,  // a plain surface: never a Direct3D texture nor a render target
  kTextureSlow = 0x20,    // may exceed 1024 pixels; simple surfaces of this kind live in system memory
  // Drawn into (with a z-buffer of its own). CreateSurface answers this bit when there is no
  // device, so a render target asked for before the display exists counts as made and is
  // built by the next restore, while an image load fails.
  kTextureRenderTarget = 0x80,
};

// Larger images fail to load unless the texture is simple.
constexpr uint32_t kMaxTextureSide = 1024;

// "path?options" into the path before the first "?" and the option text after it.
void SplitTextureName(TStr name, TStr* path, TStr* options);
// The option words found anywhere in the text ("slow", "simple", "alpha", "mipmap", needing no
// separators) applied to a flag byte.
uint8_t ApplyTextureOptions(TStr options, uint8_t flags);

// Loads an image file (with a mask file for its alpha; empty for none) into the data:
// CreateSurface, then SetPixels. `file` may carry options after "?"; a name without extension
// tries ".png", ".jpg", ".jp2". On success the names are kept for Restore.
typedef bool (*TTextureLoader)(TTextureData& data, const TStr& file, const TStr& mask);
bool LoadTextureImage(TTextureData& data, const TStr& file, const TStr& mask);

class TTextureData {
 public:
  TTextureData() {}
  virtual ~TTextureData() {}
  TTextureData(const TTextureData&) = delete;
  TTextureData& operator=(const TTextureData&) = delete;

  // Gives up the device surface; names and sizes stay for Restore.
  virtual void Release() = 0;
  // Rebuilds the surface after a loss: from the file (or the image and mask pair) through the
  // texture loader, else empty at the image size.
  virtual void Restore() = 0;
  // Writes the image area (image width x height, unscaled, at the image's place in the surface)
  // from 32-bit ARGB rows `rowLength` pixels apart; `rows` is how many rows the source holds.
  virtual bool SetPixels(uint32_t rowLength, uint32_t rows, const uint32_t* pixels) = 0;
  // Makes the surface for an image of width x height (sizes may grow to what the device needs;
  // the surface size and margins tell what was made).
  virtual bool CreateSurface(uint32_t width, uint32_t height, bool clear) = 0;
  // Copies `source` (null: the whole image) to (x, y) of `destination`'s surface, or of the
  // display's current target when null. The caller keeps the destination alive for the call.
  virtual void CopyTo(int x, int y, const TRect* source, TTextureData* destination) = 0;
  // Fills the whole surface with 0.
  virtual void Clear() = 0;
  // 32-bit ARGB pixels and the pitch in pixels; a converted copy for other surface formats,
  // written back by Unlock.
  virtual bool Lock(uint32_t*& pixels, int& pitch) = 0;
  virtual void Unlock() = 0;

  // The texture loader that Restore goes through (LoadTextureImage unless a test replaced it).
  static void SetLoader(TTextureLoader loader);
  static TTextureLoader GetLoader();
  // The loader on this data.
  bool Load(const TStr& file, const TStr& mask) { return GetLoader()(*this, file, mask); }

  // Names: the image file is base name + "." + extension (empty for textures made in memory).
  TStr GetBaseName() const { return mBaseName; }
  TStr GetExtension() const { return mExtension; }
  TStr GetFileName() const;
  TStr GetMaskName() const { return mMaskName; }
  void SetFileName(const TStr& baseName, const TStr& extension) {
    mBaseName = baseName;
    mExtension = extension;
  }
  void SetMaskName(const TStr& mask) { mMaskName = mask; }

  // Image size (what was asked for), surface size (what was made), and where the image sits
  // inside the surface (centred when the device needs square textures).
  uint32_t GetWidth() const { return mWidth; }
  uint32_t GetHeight() const { return mHeight; }
  uint32_t GetSurfaceWidth() const { return mSurfaceWidth; }
  uint32_t GetSurfaceHeight() const { return mSurfaceHeight; }
  uint32_t GetMarginX() const { return mMarginX; }
  uint32_t GetMarginY() const { return mMarginY; }
  // The image with its margins on both sides, rounded up to even numbers: the size a texture
  // shows at when the surface does not say otherwise.
  uint32_t GetPaddedWidth() const { return (mWidth + 2 * mMarginX + 1) & ~1u; }
  uint32_t GetPaddedHeight() const { return (mHeight + 2 * mMarginY + 1) & ~1u; }
  void SetSize(uint32_t width, uint32_t height) {
    mWidth = width;
    mHeight = height;
  }

  uint8_t GetFlags() const { return mFlags; }
  void SetFlags(uint8_t flags) { mFlags = flags; }
  bool HasFlag(uint8_t flag) const { return (mFlags & flag) != 0; }

 protected:
  TStr mBaseName;
  TStr mExtension;
  TStr mMaskName;
  uint32_t mWidth = 0, mHeight = 0;
  uint32_t mSurfaceWidth = 0, mSurfaceHeight = 0;
  uint32_t mMarginX = 0, mMarginY = 0;
  uint8_t mFlags = 0;
};

// The data behind a texture: null for an empty pointer or a texture without data.
TTextureData* GetTextureData(const std::shared_ptr<TTexture>& texture);
