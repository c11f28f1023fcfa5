// TVectorFontBuilder: writes MVC4 font files (used by the font generator and by tests that
// need small fonts with known glyphs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

class TVectorFontBuilder {
 public:
  struct Glyph {
    float left = 0, right = 0, top = 0, bottom = 0, advance = 0;  // font units
    std::vector<uint8_t> shape;                                   // command stream
  };

  // A later glyph for the same code replaces the earlier one.
  void Add(uint32_t code, Glyph glyph) { mGlyphs[code] = std::move(glyph); }
  // A glyph whose ink box is the rectangle (x0, y0)-(x1, y1), filled, advancing by advance.
  void AddBox(uint32_t code, float x0, float y0, float x1, float y1, float advance);
  size_t Count() const { return mGlyphs.size(); }

  // The file: header, records sorted by code, then the outlines (identical outlines shared).
  std::vector<uint8_t> Build() const;

 private:
  std::map<uint32_t, Glyph> mGlyphs;
};
