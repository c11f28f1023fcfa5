// TShapeWriter: builds a shape command stream (the outline format of vector fonts and of the
// shapes the rasteriser fills) from coordinates in font units.
#pragma once

#include <cstdint>
#include <vector>

class TShapeWriter {
 public:
  enum : uint8_t { kLayer = 1, kFill1 = 2, kFill2 = 3, kMove = 4, kLine = 5, kCurve = 6,
                   kColour = 7, kEnd = 8 };

  void Layer() { mBytes.push_back(kLayer); }
  void Fill1(uint8_t fill) { Op(kFill1); mBytes.push_back(fill); }
  void Fill2(uint8_t fill) { Op(kFill2); mBytes.push_back(fill); }
  void MoveTo(float x, float y) { Op(kMove); Point(x, y); }
  void LineTo(float x, float y) { Op(kLine); Point(x, y); }
  void CurveTo(float cx, float cy, float x, float y) { Op(kCurve); Point(cx, cy); Point(x, y); }
  void Colour(uint8_t r, uint8_t g, uint8_t b);
  // A closed rectangle path (move and four lines).
  void Rect(float x0, float y0, float x1, float y1);
  void End() { Op(kEnd); }

  const std::vector<uint8_t>& Bytes() const { return mBytes; }
  void Clear() { mBytes.clear(); }

  // A coordinate as stored: 1/128 units, saturated to 16 bits.
  static int16_t Encode(float v);

 private:
  void Op(uint8_t op) { mBytes.push_back(op); }
  void Point(float x, float y);

  std::vector<uint8_t> mBytes;
};
