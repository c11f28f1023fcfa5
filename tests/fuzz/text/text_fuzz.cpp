// The first byte chooses: odd, the rest is a font file whose glyphs are all drawn (bits 1-3
// pick a scale, bit 4 a pen, bit 5 italic, bit 6 rotation); even, the rest is marked-up text laid
// out in a small box (bits 1-4 are the alignment flags) and drawn, hit-tested and measured.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "core/graphics/text/mini_vec_draw.h"
#include "core/graphics/text/text_layout.h"
#include "core/graphics/text/vector_font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static std::vector<uint32_t> pixels(160 * 80);
  TPixelTarget target{pixels.data(), 160, 80, 160};
  uint8_t mode = data[0];
  data++;
  size--;
  if (mode & 1) {
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[size ? size : 1]);
    if (size) memcpy(bytes.get(), data, size);
    TVectorFont font(std::move(bytes), (uint32_t)size);
    TKsMiniVecDraw& r = TKsMiniVecDraw::Get();
    float scale = 0.25f + (mode >> 1 & 7);
    r.SetScale(scale, scale * 1.5f);
    r.SetPenWidths(mode & 0x10 ? 1.5f : 0, 0.5f);
    r.SetItalic(mode & 0x20);
    r.SetRotation(mode & 0x40 ? 0.8f : 1, mode & 0x40 ? 0.6f : 0);
    r.Begin(20.25f, 50.5f, &target);
    int count = font.GetGlyphCount() < 64 ? font.GetGlyphCount() : 64;
    for (int g = -1; g <= count; g++) {
      font.FindGlyph(font.GetGlyphCode(g));
      font.GetGlyphAdvance(g);
      font.GetGlyphAspect(g);
      r.DrawShape(font.GetGlyphShape(g), font.GetGlyphShapeSize(g), g * 13, -g);
    }
    r.End();
    r.SetRotation(1, 0);
    r.SetItalic(false);
    r.SetPenWidths(0, 0);
    r.ClearCache();
    return 0;
  }
  TStr text((const char*)data, (int)size);
  TTextLayout* layout = TTextLayout::Create(text, 150, 70, mode >> 1 & 15, "", 12, TColor(0, 0, 0, 1));
  layout->DrawToPixels(TVec2(3, 2), 78, 1.0f, 1, 1.0f, target);
  layout->GetLinkAt(20, 10, 1);
  TRect bounds;
  layout->GetBounds(bounds, 1.5f);
  layout->GetMaxScrollLine(1.0f, 2);
  TTextLayout::Destroy(layout);
  return 0;
}
