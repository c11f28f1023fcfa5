// Text as outlines: a TrueType face read with FreeType, its glyphs turned into paths, so
// titles and numbers on pictures go through the same rasteriser as every other shape.
#pragma once

#include <memory>
#include <string>

#include "tools/artgen/raster.h"

namespace Art {

class Face {
 public:
  // A face file of the DejaVu family from the system's font folder (see scripts/setup).
  static std::shared_ptr<Face> Load(const std::string& fileName);
  ~Face();

  // The text (Latin-1 / ASCII) with its baseline starting at (x, y), at `size` px per em.
  Path Outline(const std::string& text, double x, double y, double size) const;
  double Advance(const std::string& text, double size) const;
  // Height of capitals above the baseline, for centring.
  double CapHeight(double size) const;

 private:
  Face() = default;
  struct Impl;
  std::unique_ptr<Impl> mImpl;
};

// Centred on (cx, cy) by the width and the capital height.
Path CentredText(const Face& face, const std::string& text, double cx, double cy, double size);

}  // namespace Art
