// The game's palette and the one drawing style every picture shares: a flat shape with a
// cocoa outline and one soft highlight, like a printed board-game piece.
#pragma once

#include "tools/artgen/raster.h"

namespace Art {

namespace Palette {
inline const Color kCocoa = Hex("#3b2314");
inline const Color kChocolate = Hex("#6b3e26");
inline const Color kCaramel = Hex("#c98a4b");
inline const Color kCream = Hex("#f5e6c8");
inline const Color kMilk = Hex("#fffaf0");
inline const Color kGold = Hex("#e0b43a");
inline const Color kMint = Hex("#6fbf8f");
inline const Color kCherry = Hex("#c8453c");
inline const Color kSea = Hex("#3f7fbf");
inline const Color kSky = Hex("#a9d3f0");
inline const Color kSlate = Hex("#2e3440");
}  // namespace Palette

// The shape filled (flat or with a paint), its highlight (a milk lens clipped to the shape,
// over its upper left), then its outline.
inline void Piece(Canvas& c, const Path& shape, const Paint& fill, double outline = 2.0,
                  const Path* highlight = nullptr, float highlightAlpha = 0.45f) {
  c.Fill(shape, fill);
  if (highlight) {
    c.PushClip(shape);
    c.Fill(*highlight, WithAlpha(Palette::kMilk, highlightAlpha));
    c.PopClip();
  }
  if (outline > 0) c.Fill(shape.Stroke(outline), Palette::kCocoa);
}

inline void Piece(Canvas& c, const Path& shape, Color fill, double outline = 2.0, const Path* highlight = nullptr,
                  float highlightAlpha = 0.45f) {
  Piece(c, shape, Paint::Solid(fill), outline, highlight, highlightAlpha);
}

}  // namespace Art
