// Shape command encoding: little-endian 16-bit coordinates in 1/128 units.
#include "core/graphics/text/shape_writer.h"

#include <cmath>

#include "core/base/saturate.h"

int16_t TShapeWriter::Encode(float v) {
  int32_t n = SaturateToInt32(std::lround((double)v * 128.0));
  return (int16_t)(n < INT16_MIN ? INT16_MIN : n > INT16_MAX ? INT16_MAX : n);
}

void TShapeWriter::Point(float x, float y) {
  for (float v : {x, y}) {
    uint16_t n = (uint16_t)Encode(v);
    mBytes.push_back((uint8_t)n);
    mBytes.push_back((uint8_t)(n >> 8));
  }
}

void TShapeWriter::Colour(uint8_t r, uint8_t g, uint8_t b) {
  Op(kColour);
  mBytes.push_back(r);
  mBytes.push_back(g);
  mBytes.push_back(b);
}

void TShapeWriter::Rect(float x0, float y0, float x1, float y1) {
  MoveTo(x0, y0);
  LineTo(x1, y0);
  LineTo(x1, y1);
  LineTo(x0, y1);
  LineTo(x0, y0);
}
