// Font loading through the file layer: the whole file is read into a buffer the font owns.
#include "core/graphics/text/font_cache.h"

#include <cstring>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/graphics/text/builtin_font.h"

std::unique_ptr<TVectorFont> MakeBuiltinFont() {
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[kBuiltinFontSize]);
  memcpy(bytes.get(), kBuiltinFont, kBuiltinFontSize);
  return std::make_unique<TVectorFont>(std::move(bytes), kBuiltinFontSize);
}

TFontCache& TFontCache::Get() {
  static TFontCache cache;
  return cache;
}

std::unique_ptr<TVectorFont> TFontCache::Load(TStr path) {
  TFile file;
  mLoads++;
  if (path.IsEmpty() || !file.Open(path, kFileReadBinary)) return nullptr;
  int size = file.GetSize();
  if (size <= 0) return nullptr;
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size]);
  file.Seek(0, kSeekStart);
  int got = file.Read(bytes.get(), size);
  if (got <= 0) return nullptr;
  return std::make_unique<TVectorFont>(std::move(bytes), (uint32_t)got);
}

TVectorFont* TFontCache::GetFont(TStr name) {
  auto found = mFonts.find(name);
  if (found != mFonts.end()) return found->second.get();
  std::unique_ptr<TVectorFont> font;
  if (name != TStr(kBuiltinName)) {
    font = Load(name);
    if (!font) font = Load(kDefaultFile);
  }
  if (!font) font = MakeBuiltinFont();
  if (!font) LogPrintf("Font not found: %s", name.c_str());
  TVectorFont* result = font.get();
  mFonts[name] = std::move(font);
  return result;
}
