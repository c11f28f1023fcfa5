// MVC4 writing; the reader's layout is in vector_font.h.
#include "core/graphics/text/vector_font_builder.h"

#include <algorithm>

#include "core/graphics/text/shape_writer.h"
#include "core/graphics/text/vector_font.h"

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = (uint8_t)v;
  out[at + 1] = (uint8_t)(v >> 8);
}

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; i++) out[at + i] = (uint8_t)(v >> (8 * i));
}

}  // namespace

void TVectorFontBuilder::AddBox(uint32_t code, float x0, float y0, float x1, float y1,
                                float advance) {
  TShapeWriter w;
  w.Layer();
  w.Fill1(1);
  w.Rect(x0, y0, x1, y1);
  w.End();
  Glyph g;
  g.left = std::min(x0, x1);
  g.right = std::max(x0, x1);
  g.top = std::min(y0, y1);
  g.bottom = std::max(y0, y1);
  g.advance = advance;
  g.shape = w.Bytes();
  Add(code, std::move(g));
}

std::vector<uint8_t> TVectorFontBuilder::Build() const {
  size_t count = std::min<size_t>(mGlyphs.size(), 0xFFFF);
  std::vector<uint8_t> out(TVectorFont::kHeaderSize + TVectorFont::kRecordSize * count, 0);
  out[0] = 'M'; out[1] = 'V'; out[2] = 'C'; out[3] = '4';
  Put16(out, 4, (uint16_t)count);
  std::map<std::vector<uint8_t>, uint32_t> shared;
  size_t i = 0;
  for (auto it = mGlyphs.begin(); i < count; ++it, ++i) {
    const Glyph& g = it->second;
    size_t rec = TVectorFont::kHeaderSize + TVectorFont::kRecordSize * i;
    Put32(out, rec, it->first);
    const float metrics[5] = {g.left, g.right, g.top, g.bottom, g.advance};
    for (int m = 0; m < 5; m++) Put16(out, rec + 4 + 2 * m, (uint16_t)TShapeWriter::Encode(metrics[m]));
    // A glyph without ink still needs a stream that ends.
    const std::vector<uint8_t> shape = g.shape.empty() ? std::vector<uint8_t>{TShapeWriter::kEnd} : g.shape;
    auto [at, added] = shared.emplace(shape, (uint32_t)out.size());
    if (added) out.insert(out.end(), shape.begin(), shape.end());
    Put32(out, rec + 14, at->second);
  }
  return out;
}
