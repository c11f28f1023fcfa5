// TVectorFont: a parsed MVC4 vector font. The file stays in memory and is read in place: a
// header, 18-byte glyph records sorted by code, then the glyphs' shape command streams.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class TVectorFont {
 public:
  // Takes the whole file; size bounds every read, so records or outlines that lie outside the
  // buffer count as missing glyphs. A null buffer or a wrong magic gives a font with no glyphs.
  TVectorFont(std::unique_ptr<uint8_t[]> buffer, uint32_t size);
  TVectorFont(const TVectorFont&) = delete;
  TVectorFont& operator=(const TVectorFont&) = delete;

  // Glyph index of a code point, or -1.
  int FindGlyph(uint32_t code) const;
  int GetGlyphCount() const { return mCount; }
  uint32_t GetGlyphCode(int glyph) const { return Valid(glyph) ? mCodes[glyph] : 0; }

  // Metrics in font units; 0 for an index out of range.
  float GetGlyphLeft(int glyph) const { return Metric(glyph, 4); }
  float GetGlyphRight(int glyph) const { return Metric(glyph, 6); }
  float GetGlyphTop(int glyph) const { return Metric(glyph, 8); }
  float GetGlyphBottom(int glyph) const { return Metric(glyph, 10); }
  float GetGlyphAdvance(int glyph) const { return Metric(glyph, 12); }
  // Shrink factor that keeps a tall glyph inside the line box; 1 for an index out of range.
  float GetGlyphAspect(int glyph) const { return Valid(glyph) ? mFitScales[glyph] : 1.0f; }
  // The glyph's shape command stream and the bytes left after its start; null and 0 when the
  // glyph is missing or its outline lies outside the file.
  const uint8_t* GetGlyphShape(int glyph) const;
  uint32_t GetGlyphShapeSize(int glyph) const;

  float GetAscent() const { return mAscent; }
  float GetDescent() const { return mDescent; }
  bool IsBold() const { return mBold; }
  float GetBoldWeight() const { return mBoldWeight; }

  // The line box: the glyphs fill the body fraction, the margins the rest above and below.
  static float GetBodyFraction() { return 1.0f - kTopMargin - kBottomMargin; }
  float GetMargin(bool top) const {
    return (top ? kTopMargin : kBottomMargin) * (mAscent + mDescent) / GetBodyFraction();
  }

  static constexpr float kTopMargin = 0.15f;
  static constexpr float kBottomMargin = 0.05f;
  static constexpr float kUnit = 0.0078125f;  // stored numbers are 1/128 of a font unit
  static constexpr int kHeaderSize = 12;
  static constexpr int kRecordSize = 18;

 private:
  bool Valid(int glyph) const { return glyph >= 0 && glyph < mCount; }
  const uint8_t* Record(int glyph) const { return mBuffer.get() + kHeaderSize + kRecordSize * glyph; }
  float Metric(int glyph, int offset) const;
  uint32_t ShapeOffset(int glyph) const;

  std::unique_ptr<uint8_t[]> mBuffer;
  uint32_t mSize = 0;
  int mCount = 0;
  std::vector<uint32_t> mCodes;
  std::vector<float> mFitScales;
  float mAscent = 0.0f;
  float mDescent = 0.0f;
  bool mBold = false;
  float mBoldWeight = 1.0f;
};
