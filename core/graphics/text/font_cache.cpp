// Font loading through the file layer: the whole file is read into a buffer the font owns.
#include "core/graphics/text/font_cache.h"

#include <cstring>
#include <vector>

#include "core/base/log.h"
#include "core/base/whole_file.h"
#include "core/graphics/text/builtin_font.h"

namespace {

// A font over its own copy of the bytes.
std::unique_ptr<TVectorFont> FontOfBytes(const void* data, size_t size) {
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size]);
  memcpy(bytes.get(), data, size);
  return std::make_unique<TVectorFont>(std::move(bytes), (uint32_t)size);
}

}  // namespace

std::unique_ptr<TVectorFont> MakeBuiltinFont() { return FontOfBytes(kBuiltinFont, kBuiltinFontSize); }

TFontCache& TFontCache::Get() {
  static TFontCache cache;
  return cache;
}

std::unique_ptr<TVectorFont> TFontCache::Load(TStr path) {
  mLoads++;
  std::vector<char> bytes;
  if (path.IsEmpty() || !ReadWholeFile(path, &bytes) || bytes.empty()) return nullptr;
  return FontOfBytes(bytes.data(), bytes.size());
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
  if (!font) LogError("Font not found: %s", name.c_str());
  TVectorFont* result = font.get();
  mFonts[name] = std::move(font);
  return result;
}
