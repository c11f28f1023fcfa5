#include "core/graphics/text/vector_font.h"

#include <gtest/gtest.h>

#include <cstring>

#include "core/graphics/text/vector_font_builder.h"

namespace {

std::unique_ptr<TVectorFont> Parse(const std::vector<uint8_t>& bytes, size_t size = SIZE_MAX) {
  size = std::min(size, bytes.size());
  std::unique_ptr<uint8_t[]> buffer(new uint8_t[size ? size : 1]);
  if (size) memcpy(buffer.get(), bytes.data(), size);
  return std::make_unique<TVectorFont>(std::move(buffer), (uint32_t)size);
}

// 'W' reaches 12 units up; 'g' 4 below; '_' 6 below (not counted in the descent).
TVectorFontBuilder SmallFont() {
  TVectorFontBuilder b;
  b.AddBox('W', 0, -12, 10, 0, 11);
  b.AddBox('g', 1, -6, 7, 4, 8);
  b.AddBox('_', 0, 4, 8, 6, 8);
  b.AddBox(0xC5, 0, -17, 10, 0, 11);  // an accented capital above the line box
  b.AddBox(0x1F600, 0, -8, 8, 0, 9);
  return b;
}

TEST(VectorFont, MetricsAndLookup) {
  auto font = Parse(SmallFont().Build());
  ASSERT_EQ(font->GetGlyphCount(), 5);
  EXPECT_FLOAT_EQ(font->GetAscent(), 12.0f);
  EXPECT_FLOAT_EQ(font->GetDescent(), 4.0f);
  EXPECT_FLOAT_EQ(font->GetBodyFraction(), 0.8f);
  EXPECT_FLOAT_EQ(font->GetMargin(true), 16.0f * 0.15f / 0.8f);
  EXPECT_FLOAT_EQ(font->GetMargin(false), 16.0f * 0.05f / 0.8f);

  int g = font->FindGlyph('g');
  ASSERT_GE(g, 0);
  EXPECT_FLOAT_EQ(font->GetGlyphLeft(g), 1.0f);
  EXPECT_FLOAT_EQ(font->GetGlyphRight(g), 7.0f);
  EXPECT_FLOAT_EQ(font->GetGlyphTop(g), -6.0f);
  EXPECT_FLOAT_EQ(font->GetGlyphAdvance(g), 8.0f);
  EXPECT_EQ(font->GetGlyphShape(g)[0], 1);  // the box opens a layer
  EXPECT_GE(font->FindGlyph(0x1F600), 0);  // codes compare unsigned, beyond 16 bits
  EXPECT_EQ(font->FindGlyph('x'), -1);
  EXPECT_FALSE(font->IsBold());
  EXPECT_FLOAT_EQ(font->GetBoldWeight(), 1.0f);
}

TEST(VectorFont, FitScaleShrinksGlyphsAboveTheLineBox) {
  auto font = Parse(SmallFont().Build());
  float upper = 12.0f + font->GetMargin(true);  // 15
  EXPECT_FLOAT_EQ(font->GetGlyphAspect(font->FindGlyph(0xC5)), upper / 17.0f);
  EXPECT_FLOAT_EQ(font->GetGlyphAspect(font->FindGlyph('W')), 1.0f);
  // '_' is left out of the descent, so it reaches below the line box.
  float lower = 4.0f + font->GetMargin(false);
  EXPECT_FLOAT_EQ(font->GetGlyphAspect(font->FindGlyph('_')), lower / 6.0f);
}

TEST(VectorFont, OutOfRangeIndexGivesNeutralValues) {
  auto font = Parse(SmallFont().Build());
  for (int index : {-1, 5, 1 << 20}) {
    EXPECT_EQ(font->GetGlyphAdvance(index), 0.0f);
    EXPECT_EQ(font->GetGlyphLeft(index), 0.0f);
    EXPECT_EQ(font->GetGlyphAspect(index), 1.0f);
    EXPECT_EQ(font->GetGlyphShape(index), nullptr);
    EXPECT_EQ(font->GetGlyphShapeSize(index), 0u);
  }
}

// Damaged or odd files: never a read outside the buffer, lookups that cannot be served miss.
TEST(VectorFont, DamagedFilesGiveMissingGlyphs) {
  std::vector<uint8_t> good = SmallFont().Build();
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    size_t size;
    int count;
  };
  std::vector<uint8_t> badMagic = good;
  badMagic[3] = '3';
  std::vector<uint8_t> empty = {'M', 'V', 'C', '4', 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> bigCount = good;
  bigCount[4] = 0xFF;  // says 255 glyphs, holds 5 records and their outlines
  std::vector<uint8_t> badOffset = good;
  badOffset[12 + 18 * 0 + 17] = 0x7F;  // first record's outline far outside
  const Case cases[] = {
      {"no buffer", {}, 0, 0},
      {"wrong magic", badMagic, SIZE_MAX, 0},
      {"zero glyphs", empty, SIZE_MAX, 0},
      {"header cut short", good, 7, 0},
      {"records cut short", good, 12 + 18 * 2 + 5, 2},
      {"count beyond the records", bigCount, SIZE_MAX, (int)(good.size() - 12) / 18},
      {"outline outside", badOffset, SIZE_MAX, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto font = Parse(c.bytes, c.size);
    EXPECT_EQ(font->GetGlyphCount(), c.count);
    for (int i = 0; i < font->GetGlyphCount(); i++) {
      if (font->GetGlyphShape(i)) {
        EXPECT_GT(font->GetGlyphShapeSize(i), 0u);
      }
    }
  }
  EXPECT_EQ(Parse(badOffset)->FindGlyph('W'), -1);  // 'W' is the first record
  EXPECT_EQ(Parse(empty)->FindGlyph('W'), -1);
}

TEST(VectorFont, MissingWGivesZeroAscentAndNoDivision) {
  TVectorFontBuilder b;
  b.AddBox('a', 0, -5, 4, 0, 5);
  auto font = Parse(b.Build());
  EXPECT_EQ(font->GetAscent(), 0.0f);
  EXPECT_EQ(font->GetDescent(), 0.0f);
  EXPECT_EQ(font->GetGlyphAspect(font->FindGlyph('a')), 1.0f);
}

TEST(VectorFont, UnsortedRecordsMakeLookupsMiss) {
  std::vector<uint8_t> bytes = SmallFont().Build();
  // Swap the first and last records' codes: the table is no longer sorted.
  std::swap_ranges(bytes.begin() + 12, bytes.begin() + 16, bytes.begin() + 12 + 18 * 4);
  auto font = Parse(bytes);
  EXPECT_EQ(font->FindGlyph(0x1F600), -1);
}

}  // namespace
