// Parsing and glyph lookup of MVC4 fonts. Nothing is copied but the code table: metrics and
// outlines are read from the file buffer on demand.
#include "core/graphics/text/vector_font.h"

#include <algorithm>
#include <cstring>

namespace {

// Little-endian reads; the file is packed, so no alignment is assumed.
uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }
int16_t S16(const uint8_t* p) { return (int16_t)(p[0] | p[1] << 8); }

}  // namespace

TVectorFont::TVectorFont(std::unique_ptr<uint8_t[]> buffer, uint32_t size)
    : mBuffer(std::move(buffer)), mSize(mBuffer ? size : 0) {
  if (mSize < (uint32_t)kHeaderSize || memcmp(mBuffer.get(), "MVC4", 4) != 0) return;
  // A count larger than the records the file holds keeps only the records that fit whole.
  uint32_t stated = mBuffer[4] | mBuffer[5] << 8;
  mCount = (int)std::min<uint32_t>(stated, (mSize - kHeaderSize) / kRecordSize);
  mCodes.resize(mCount);
  mFitScales.assign(mCount, 1.0f);
  for (int i = 0; i < mCount; i++) mCodes[i] = U32(Record(i));

  // A font without 'W' has no ascent rather than reading outside the buffer.
  mAscent = -GetGlyphTop(FindGlyph('W'));
  for (uint32_t code = 0; code < 128; code++) {
    if (code == '_') continue;
    int g = FindGlyph(code);
    if (g >= 0) mDescent = std::max(mDescent, GetGlyphBottom(g));
  }

  float upper = mAscent + GetMargin(true);
  float lower = mDescent + GetMargin(false);
  for (int i = 0; i < mCount; i++) {
    // A bound of zero or less (degenerate metrics) cannot be exceeded meaningfully: no shrink.
    float up = upper > 0.0f ? -GetGlyphTop(i) / upper : 0.0f;
    float down = lower > 0.0f ? GetGlyphBottom(i) / lower : 0.0f;
    if (up > 1.0f || down > 1.0f) mFitScales[i] = 1.0f / std::max(up, down);
  }
}

int TVectorFont::FindGlyph(uint32_t code) const {
  int low = 0, high = mCount - 1;
  while (low <= high) {
    int middle = low + (high - low) / 2;
    if (mCodes[middle] == code) return ShapeOffset(middle) ? middle : -1;
    if (code < mCodes[middle]) high = middle - 1;
    else low = middle + 1;
  }
  return -1;
}

float TVectorFont::Metric(int glyph, int offset) const {
  return Valid(glyph) ? S16(Record(glyph) + offset) * kUnit : 0.0f;
}

// 0 when the outline would start outside the file (no outline starts inside the header).
uint32_t TVectorFont::ShapeOffset(int glyph) const {
  if (!Valid(glyph)) return 0;
  uint32_t offset = U32(Record(glyph) + 14);
  return offset >= (uint32_t)kHeaderSize && offset < mSize ? offset : 0;
}

const uint8_t* TVectorFont::GetGlyphShape(int glyph) const {
  uint32_t offset = ShapeOffset(glyph);
  return offset ? mBuffer.get() + offset : nullptr;
}

uint32_t TVectorFont::GetGlyphShapeSize(int glyph) const {
  uint32_t offset = ShapeOffset(glyph);
  return offset ? mSize - offset : 0;
}
