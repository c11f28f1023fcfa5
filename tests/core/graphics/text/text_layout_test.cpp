#include "core/graphics/text/text_layout.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "core/base/file.h"
#include "core/base/settings.h"
#include "core/graphics/text/builtin_font.h"
#include "core/graphics/text/font_cache.h"
#include "core/graphics/text/vector_font.h"
#include "core/graphics/text/vector_font_builder.h"
#include "tests/support/temp_folder.h"

namespace {

// "fonts/box.mvec": ascent 6 ('W'), descent 2 ('g'), so at size 10 one font unit is one pixel
// (4 units). Letters are 4 wide with an advance of 5; the blank advances 3.
// "fonts/default.mvec" is the built-in font, which has 'é' (the box font has not).
class TextLayout : public ::testing::Test {
 protected:
  TempFolder folder;
  std::vector<TTextLayout*> layouts;

  void SetUp() override {
    TVectorFontBuilder b;
    for (uint32_t c = 'a'; c <= 'z'; c++) {
      if (c != 'x') b.AddBox(c, 0, -4, 4, 0, 5);
    }
    b.AddBox('W', 0, -6, 4, 0, 5);
    b.AddBox('g', 0, -4, 4, 2, 5);
    TVectorFontBuilder::Glyph blank;
    blank.advance = 3;
    b.Add(' ', blank);
    Install("fonts/box.mvec", b.Build());
    Install("fonts/default.mvec", std::vector<uint8_t>(kBuiltinFont, kBuiltinFont + kBuiltinFontSize));
    TFontCache::Get().Clear();
  }
  void TearDown() override {
    for (TTextLayout* l : layouts) TTextLayout::Destroy(l);
    TFontCache::Get().Clear();
  }

  void Install(const char* name, const std::vector<uint8_t>& bytes) {
    std::string path = folder.File(name);
    FILE* f = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
    GetFileMap()[TStr(name)] = TStr(path.c_str());
  }

  TTextLayout* Make(const char* text, int width, int flags = 0, int height = 100) {
    layouts.push_back(TTextLayout::Create(text, width, height, flags, "fonts/box.mvec", 10, TColor(0, 0, 0, 1)));
    return layouts.back();
  }

  // The text of each line's runs, runs joined by "|".
  static std::vector<std::string> Lines(const TTextLayout* l) {
    std::vector<std::string> out;
    std::string text = l->GetText().c_str();
    for (auto& line : l->GetLines()) {
      std::string s;
      for (size_t i = 0; i < line->runs.size(); i++) {
        const TTextRun& r = line->runs[i];
        if (i) s += "|";
        if (r.endIndex >= r.startIndex) s += text.substr(r.startIndex, r.endIndex - r.startIndex + 1);
      }
      out.push_back(s);
    }
    return out;
  }
};

using Strings = std::vector<std::string>;

TEST_F(TextLayout, RunsAndPen) {
  TTextLayout* l = Make("ab", 100);
  ASSERT_EQ(l->GetLineCount(), 1);
  const TTextLine& line = *l->GetLines()[0];
  ASSERT_EQ(line.runs.size(), 1u);
  const TTextRun& run = line.runs[0];
  EXPECT_FLOAT_EQ(run.scale, 4.0f);
  EXPECT_EQ(run.size, 10);
  EXPECT_EQ(run.baseline, 30);  // (ascent 6 + top margin 1.5) x 4
  // Pen: 1 pixel in, ink of 'a', the rest of its advance, ink of 'b': 1 + 4 + 1 + 4 pixels.
  EXPECT_EQ(run.startX, 0);
  EXPECT_EQ(run.endX, 10);
  EXPECT_EQ(line.height, 10);
  EXPECT_FLOAT_EQ(line.xOffset, 1.5f);
  EXPECT_EQ(line.anchorX, 0);
}

// Word wrap on the box font; each case gives the lines' texts (runs joined by "|").
TEST_F(TextLayout, LineBreaking) {
  struct Case {
    const char* text;
    int width;
    bool legacy;
    Strings lines;
  };
  const Case cases[] = {
      {"", 50, false, {}},
      {"a b", 100, false, {"a b"}},
      {"a b", 10, false, {"a", "b"}},  // breaks after the blank, which neither line keeps
      {"ab cd ef", 16, false, {"ab", "cd", "ef"}},
      {"abcdef", 10, false, {"a", "b", "c", "d", "e", "f"}},   // long word: before the crossing
      {"abcdef", 15, false, {"ab", "cd", "ef"}},
      {"abcdef", 10, true, {"ab", "cd", "ef"}},  // legacy: the crossing character stays
      {"abc", 2, false, {"a", "b", "c"}},  // narrower than one character: one a line
      {"a\nb", 100, false, {"a", "b"}},
      {"a\n\nb", 100, false, {"a", "", "b"}},
      {"a<br>b", 100, false, {"a", "b"}},
      {"a<b>b</b>c", 100, false, {"a|b|c"}},
      {"a\\<b>c", 100, false, {"a|\\<|b|>|c"}},  // escaped: drawn (by the fallback font), not parsed
      {"ab\\", 100, false, {"ab\\"}},        // a final backslash is just the end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TTextLayout::SetLegacyLineWrap(c.legacy);
    EXPECT_EQ(Lines(Make(c.text, c.width)), c.lines);
  }
  TTextLayout::SetLegacyLineWrap(false);
}

TEST_F(TextLayout, LineHeights) {
  struct Case {
    const char* text;
    std::vector<int> heights;
  };
  const Case cases[] = {
      {"a<br pad=\"10\">b", {20, 10}},
      {"a\n\nb", {10, 10, 10}},  // the newline is the empty line's content
      {"a<center>b", {10, 10}},
      {"<center><left>b", {0, 0, 10}},  // lines that hold only an alignment tag
      {"a<font size=\"20\">b</font>", {20}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TTextLayout* l = Make(c.text, 100);
    std::vector<int> heights;
    for (auto& line : l->GetLines()) heights.push_back(line->height);
    EXPECT_EQ(heights, c.heights);
  }
}

TEST_F(TextLayout, FallbackFontForMissingCharacters) {
  TTextLayout* l = Make("a\xC3\xA9" "b\xE4\xB8\x80", 100);
  ASSERT_EQ(l->GetLineCount(), 1);
  const auto& runs = l->GetLines()[0]->runs;
  ASSERT_EQ(runs.size(), 3u);
  TVectorFont* box = TFontCache::Get().GetFont("fonts/box.mvec");
  TVectorFont* fallback = TFontCache::Get().GetFont("fonts/default.mvec");
  EXPECT_EQ(runs[0].font, box);
  EXPECT_EQ(runs[1].font, fallback);
  EXPECT_EQ(runs[1].styleFont, box);
  EXPECT_EQ(runs[1].startIndex, 1);
  EXPECT_EQ(runs[1].endIndex, 2);  // both bytes of the character
  EXPECT_EQ(runs[2].font, box);    // back on the style's font; U+4E00 no font has
  EXPECT_EQ(runs[2].endIndex, 6);
  EXPECT_EQ(runs[2].endX - runs[2].startX, 5);  // 'b' only: the missing character takes no room
}

TEST_F(TextLayout, Alignment) {
  // "ab" is 10 pixels wide; the first-glyph shift (1 pixel) and half a pixel go into x offset.
  struct Case {
    const char* text;
    int flags;
    int anchor;
    float xOffset;
  };
  const Case cases[] = {
      {"ab", 0, 0, 1.5f},
      {"ab", TTextLayout::kCentre, 50, -5 + 1.5f},
      {"ab", TTextLayout::kRight, 99, -10 + 1.5f},
      {"ab", TTextLayout::kCentre | TTextLayout::kRight, 50, -5 + 1.5f},
      {"<right>ab", 0, 0, 0.5f},  // the tag ends its own (empty) line first
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TTextLayout* l = Make(c.text, 100, c.flags);
    const TTextLine& line = *l->GetLines()[0];
    EXPECT_EQ(line.anchorX, c.anchor);
    EXPECT_FLOAT_EQ(line.xOffset, c.xOffset);
  }
  TTextLayout* l = Make("a<center>b</center>c", 100);
  ASSERT_EQ(l->GetLineCount(), 3);
  EXPECT_EQ(l->GetLines()[0]->anchorX, 0);
  EXPECT_EQ(l->GetLines()[1]->anchorX, 50);  // centred from the line after the tag
  EXPECT_EQ(l->GetLines()[2]->anchorX, 0);
}

TEST_F(TextLayout, VerticalPlacementAndBounds) {
  TTextLayout* empty = Make("", 100, TTextLayout::kVerticalCentre, 60);
  EXPECT_EQ(empty->GetLineCount(), 0);
  TRect r;
  empty->GetBounds(r, 1);
  EXPECT_EQ(r.top, 30);

  TTextLayout* l = Make("ab\nabab", 100, TTextLayout::kBottom, 60);
  l->GetBounds(r, 1);
  EXPECT_EQ(r.left, 1);   // 0 + first run's start 0 + x offset 1.5, truncated
  EXPECT_EQ(r.right, 21);  // 20 + 1.5
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.bottom, 60);
  l->GetBounds(r, 2);
  EXPECT_EQ(r.right, 43);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.bottom, 60);
}

TEST_F(TextLayout, TabStops) {
  TTextLayout* l = Make("a<tab pos=\"50\">b", 200);
  const auto& runs = l->GetLines()[0]->runs;
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].tab, 200);
  EXPECT_EQ(runs[1].startX, 50);
}

TEST_F(TextLayout, LinksAndHover) {
  TTextLayout* l = Make("ab <a id=\"shop\" color=\"#00ff00\">cd</a> ef", 200);
  const auto& runs = l->GetLines()[0]->runs;
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_STREQ(runs[1].linkId.c_str(), "shop");
  EXPECT_FLOAT_EQ(runs[1].hoverColour.g, 1.0f);
  EXPECT_FLOAT_EQ(runs[1].styleColour.g, 0.0f);
  int x = (int)(runs[1].startX + 1.5f) + 1;
  EXPECT_STREQ(l->GetLinkAt(x, 5, 0).c_str(), "shop");
  EXPECT_STREQ(l->GetLinkAt(x, -2, 3).c_str(), "shop");  // in the spacing above the line
  EXPECT_STREQ(l->GetLinkAt(x, 10, 0).c_str(), "");     // below it
  EXPECT_STREQ(l->GetLinkAt(190, 5, 0).c_str(), "");    // right of the last run
  TVec2 over((float)x, 5), away(1, 5);
  EXPECT_TRUE(l->UpdateHoverLink(&over, 0));
  EXPECT_FALSE(l->UpdateHoverLink(&over, 0));
  EXPECT_TRUE(l->UpdateHoverLink(&away, 0));
  EXPECT_FALSE(l->UpdateHoverLink(nullptr, 0));
}

TEST_F(TextLayout, SettersLayOutOnlyOnChange) {
  TTextLayout* l = Make("ab", 100);
  auto first = l->GetLines()[0];
  l->SetText("ab");
  l->SetFontSize(10);
  l->SetFlags(0);
  l->SetColor(TColor(0, 0, 0, 1));
  l->SetFont("fonts/box.mvec");
  EXPECT_EQ(l->GetLines()[0], first);
  l->SetRotation(360, 0, 0);
  EXPECT_NE(l->GetLines()[0], first);
  EXPECT_EQ(l->GetCos(), 1.0f);
  EXPECT_EQ(l->GetSin(), 0.0f);
  l->SetFont("");
  EXPECT_STREQ(l->GetFontName().c_str(), "__DEFAULT");
  EXPECT_EQ(l->GetLines()[0]->runs[0].font, TFontCache::Get().GetFont("__DEFAULT"));
  EXPECT_NE(TFontCache::Get().GetFont("__DEFAULT"), TFontCache::Get().GetFont("fonts/default.mvec"));
}

TEST_F(TextLayout, MaxScrollLine) {
  EXPECT_EQ(Make("a\nb\nc", 100, 0, 100)->GetMaxScrollLine(1, 0), 0);
  // Five lines of 10 pixels and 2 of spacing in a 30-pixel box: from the bottom, the sum
  // passes 30 at the third line from the end.
  EXPECT_EQ(Make("a\nb\nc\nd\ne", 100, 0, 30)->GetMaxScrollLine(1, 2), 3);
}

TEST_F(TextLayout, FontRegistryFallsBackAndRemembers) {
  TFontCache& cache = TFontCache::Get();
  int loads = cache.GetLoadCount();
  TVectorFont* missing = cache.GetFont("fonts/nothere.mvec");
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->GetGlyphCount(), cache.GetFont("fonts/default.mvec")->GetGlyphCount());
  int after = cache.GetLoadCount();
  EXPECT_EQ(cache.GetFont("fonts/nothere.mvec"), missing);
  EXPECT_EQ(cache.GetLoadCount(), after);
  EXPECT_GT(after, loads);
  // With no default file either, the built-in font stands in.
  GetFileMap().erase(TStr("fonts/default.mvec"));
  cache.Clear();
  TVectorFont* builtin = cache.GetFont("fonts/other.mvec");
  ASSERT_NE(builtin, nullptr);
  EXPECT_GE(builtin->FindGlyph('W'), 0);
}

// A font without 'W' or anything below the line has no body: the run takes no room instead of
// dividing by zero.
TEST_F(TextLayout, FontWithoutBody) {
  TVectorFontBuilder b;
  b.AddBox('a', 0, -4, 4, 0, 5);
  Install("fonts/flat.mvec", b.Build());
  TTextLayout* l = TTextLayout::Create("aaa", 100, 100, 0, "fonts/flat.mvec", 10, TColor());
  layouts.push_back(l);
  ASSERT_EQ(l->GetLineCount(), 1);
  EXPECT_EQ(l->GetLines()[0]->runs[0].scale, 0.0f);
}

}  // namespace
