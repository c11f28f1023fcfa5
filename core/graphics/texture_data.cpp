// The texture loader shared by first loads and restores: texture names and their options, the
// extension fallback, the image readers by extension, mask merging, and the surface size rules.
#include "core/graphics/texture_data.h"

#include <atomic>
#include <cstring>

#include "core/base/file.h"
#include "core/base/settings.h"
#include "core/graphics/images/image_reader.h"
#include "core/graphics/renderer.h"

namespace {

// An image as 32-bit ARGB words in a side x side buffer, freed on scope exit.
struct ImageBuffer {
  unsigned char* pixels = nullptr;
  int width = 0, height = 0, side = 0;
  bool hasAlpha = false;
  ~ImageBuffer() { FreeImagePixels(pixels); }
  uint32_t* Words() const { return (uint32_t*)pixels; }
};

// The JPEG reader leaves three bytes a pixel at each row's start; widen them in place, from the
// right so that no byte is overwritten before it is read.
void WidenRgbRows(ImageBuffer& image) {
  for (int y = 0; y < image.height; ++y) {
    unsigned char* row = image.pixels + (size_t)y * image.side * 4;
    for (int x = image.width - 1; x >= 0; --x) {
      unsigned char r = row[x * 3], g = row[x * 3 + 1], b = row[x * 3 + 2];
      ((uint32_t*)row)[x] = 0xFF000000u | (uint32_t)r << 16 | (uint32_t)g << 8 | b;
    }
  }
}

bool ReadImage(TStr path, ImageBuffer& image) {
  if (path.Find(".jpg") >= 0) {
    if (!ReadJpegImage(path.c_str(), &image.pixels, &image.width, &image.height, &image.side)) return false;
    WidenRgbRows(image);
    image.hasAlpha = false;
    return true;
  }
  if (path.Find(".jp2") >= 0)
    return ReadJp2Image(path.c_str(), &image.pixels, &image.width, &image.height, &image.side, &image.hasAlpha);
  uint32_t key = 0;
  return ReadPngImage(path.c_str(), &image.pixels, &image.width, &image.height, &image.side, &key, &image.hasAlpha);
}

// The mask's alpha (its grey level when it has no alpha channel) becomes the image's alpha; a
// mask of another size is stretched over the image.
void MergeMask(ImageBuffer& image, const ImageBuffer& mask) {
  for (int y = 0; y < image.height; ++y) {
    int my = (int)((int64_t)y * mask.height / image.height);
    uint32_t* row = image.Words() + (size_t)y * image.side;
    const uint32_t* maskRow = mask.Words() + (size_t)my * mask.side;
    for (int x = 0; x < image.width; ++x) {
      uint32_t m = maskRow[(int64_t)x * mask.width / image.width];
      uint32_t alpha = mask.hasAlpha ? m >> 24 : (m >> 16) & 0xFF;
      row[x] = (row[x] & 0x00FFFFFFu) | alpha << 24;
    }
  }
}

uint32_t NextPowerOfTwo(uint32_t n) {
  uint32_t p = 1;
  while (p < n) p <<= 1;
  return p;
}

bool HasImageExtension(TStr name) {
  return name.Find(".png") >= 0 || name.Find(".jpg") >= 0 || name.Find(".jp2") >= 0;
}

}  // namespace

void SplitTextureName(TStr name, TStr* path, TStr* options) {
  int question = name.Find('?');
  *path = question >= 0 ? name.SubStr(0, question) : name;
  *options = question >= 0 ? name.SubStr(question + 1) : TStr();
}

uint8_t ApplyTextureOptions(TStr options, uint8_t flags) {
  if (options.Find("slow") >= 0) flags |= kTextureSlow | kTextureSimple;
  if (options.Find("simple") >= 0) flags |= kTextureSimple;
  if (options.Find("alpha") >= 0) flags = (uint8_t)((flags & ~kTextureDetectAlpha) | kTextureAlpha);
  if (options.Find("mipmap") >= 0) flags |= kTextureMipmap;
  return flags;
}

namespace {

std::atomic<TTextureLoader> gLoader{&LoadTextureImage};

bool LoadOne(TTextureData& data, const TStr& path, const TStr& mask) {
  ImageBuffer image;
  if (!ReadImage(path, image)) return false;

  uint8_t flags = data.GetFlags();
  TStr maskName = mask;
  if (maskName.IsEmpty() && path.Find(".jpg") >= 0 && GetSettingBool(SettingKey(kSettingAutoMergeMask))) {
    TStr merged = path.SubStr(0, path.Find(".jpg", TStr::kBackward)) + TStr(".mask.png");
    if (FileExists(merged)) {
      maskName = merged;
      // A detect-alpha request takes the mask's alpha; an explicit alpha request keeps alpha.
      if (flags & kTextureDetectAlpha) flags |= kTextureAlpha;
    }
  }
  if (!maskName.IsEmpty()) {
    ImageBuffer maskImage;
    if (!ReadImage(maskName, maskImage)) return false;
    MergeMask(image, maskImage);
    image.hasAlpha = true;
  }
  if (flags & kTextureDetectAlpha)
    flags = image.hasAlpha ? (uint8_t)(flags | kTextureAlpha) : (uint8_t)(flags & ~kTextureAlpha);

  uint32_t width = (uint32_t)image.width, height = (uint32_t)image.height;
  uint32_t surfaceWidth = width, surfaceHeight = height;
  if (!(flags & kTextureSimple)) {
    if (!TRenderer::Get()->SupportsNonPowerOfTwo()) {
      surfaceWidth = NextPowerOfTwo(width);
      surfaceHeight = NextPowerOfTwo(height);
    }
    if (!(flags & kTextureSlow) && (surfaceWidth > kMaxTextureSide || surfaceHeight > kMaxTextureSide)) return false;
  }

  data.SetFlags(flags);
  if (!data.CreateSurface(surfaceWidth, surfaceHeight, true)) return false;
  // The surface may be larger than the image; the image keeps its own size, so texture
  // coordinates cover only the image.
  data.SetSize(width, height);
  if (!data.SetPixels((uint32_t)image.side, height, image.Words())) return false;
  int dot = path.Find('.', TStr::kBackward);
  int slash = path.Find('/', TStr::kBackward);
  if (dot > slash)
    data.SetFileName(path.SubStr(0, dot), path.SubStr(dot + 1));
  else
    data.SetFileName(path, TStr());
  data.SetMaskName(mask);
  return true;
}

}  // namespace

bool LoadTextureImage(TTextureData& data, const TStr& file, const TStr& mask) {
  TStr path, options;
  SplitTextureName(file, &path, &options);
  data.SetFlags(ApplyTextureOptions(options, data.GetFlags()));
  if (!FileExists(path) && !HasImageExtension(path)) {
    static const char* const kFallbacks[] = {".png", ".jpg", ".jp2"};
    for (const char* ext : kFallbacks)
      if (FileExists(path + TStr(ext)) && LoadOne(data, path + TStr(ext), mask)) return true;
    return false;
  }
  return LoadOne(data, path, mask);
}

void TTextureData::SetLoader(TTextureLoader loader) { gLoader = loader ? loader : &LoadTextureImage; }

TTextureLoader TTextureData::GetLoader() { return gLoader.load(); }

TStr TTextureData::GetFileName() const {
  if (mBaseName.IsEmpty()) return TStr();
  if (mExtension.IsEmpty()) return mBaseName;
  return mBaseName + TStr(".") + mExtension;
}
