// TFontCache: the vector fonts by name, each loaded once and kept until Clear. A font that
// cannot be loaded falls back to "fonts/default.mvec" and then to the built-in font, and is
// remembered under the name asked for.
#pragma once

#include <map>
#include <memory>

#include "core/base/str.h"
#include "core/graphics/text/vector_font.h"

class TFontCache {
 public:
  // The program's registry (the platform clears it at shut-down).
  static TFontCache& Get();

  // The font under name ("__DEFAULT" is the built-in font); null only when nothing, not even
  // the built-in font, could be made.
  TVectorFont* GetFont(TStr name);
  void Clear() { mFonts.clear(); }
  // File opens made so far (tests check that a name is looked up once).
  int GetLoadCount() const { return mLoads; }

  static constexpr const char* kBuiltinName = "__DEFAULT";
  static constexpr const char* kDefaultFile = "fonts/default.mvec";

 private:
  std::unique_ptr<TVectorFont> Load(TStr path);

  std::map<TStr, std::unique_ptr<TVectorFont>> mFonts;
  int mLoads = 0;
};

// A new font over a copy of the built-in font's bytes.
std::unique_ptr<TVectorFont> MakeBuiltinFont();
