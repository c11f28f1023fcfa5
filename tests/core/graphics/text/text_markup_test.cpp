#include "core/graphics/text/text_markup.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class TextMarkup : public ::testing::Test {
 protected:
  TTextMarkup markup;
  TTextTag tag;
  void SetUp() override {
    TTextStyle base;
    base.face = "fonts/base.mvec";
    base.size = 20;
    base.colour = TColor(0.5f, 0.5f, 0.5f, 1);
    markup.Reset(base);
  }
  bool Parse(const char* text) { return markup.ParseTag(text, (int)strlen(text), 0, tag); }
};

void ExpectColour(const TColor& c, uint32_t rgb, int alpha) {
  EXPECT_FLOAT_EQ(c.r, (rgb >> 16 & 0xFF) / 255.0f);
  EXPECT_FLOAT_EQ(c.g, (rgb >> 8 & 0xFF) / 255.0f);
  EXPECT_FLOAT_EQ(c.b, (rgb & 0xFF) / 255.0f);
  EXPECT_FLOAT_EQ(c.a, alpha / 255.0f);
}

TEST_F(TextMarkup, TagsAndWhatTheyHandBack) {
  struct Case {
    const char* text;
    int length;
    bool lineBreak;
    int pad;
    bool cursor;
    bool alignment;
    int tab;
  };
  const Case cases[] = {
      {"<br>", 4, true, 0, false, false, 0},
      {"<BR pad=\"10\">rest", 13, true, 10, false, false, 0},
      {"<bright>", 8, true, 0, false, false, 0},  // prefix match: acts as "br"
      {"</p>", 4, true, 0, false, false, 0},
      {"<cursor>", 8, false, 0, true, false, 0},
      {"<center>", 8, false, 0, false, true, 0},
      {"</right>", 8, false, 0, false, true, 0},
      {"<tab pos=\"150\">", 15, false, 0, false, false, 600},
      {"<tab pos=\"99999999\">", 20, false, 0, false, false, 400000},  // bounded
      {"<p>", 3, false, 0, false, false, 0},  // unknown: only ends the run
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(Parse(c.text));
    EXPECT_EQ(tag.length, c.length);
    EXPECT_EQ(tag.lineBreak, c.lineBreak);
    EXPECT_EQ(tag.pad, c.pad);
    EXPECT_EQ(tag.cursor, c.cursor);
    EXPECT_EQ(tag.alignmentChanged, c.alignment);
    EXPECT_EQ(tag.tab, c.tab);
  }
}

TEST_F(TextMarkup, NotATag) {
  std::string longTag = "<font face=\"" + std::string(130, 'x') + "\">";
  for (const char* text : {"", "plain", "<b", "<font size=\"3\"", " <b>", longTag.c_str()}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(Parse(text));
  }
  // A tag that the text's length cuts short is no tag either.
  EXPECT_FALSE(markup.ParseTag("<b>", 2, 0, tag));
}

TEST_F(TextMarkup, FlagsAndAlignment) {
  EXPECT_EQ(markup.GetAlignment(), -1);
  for (const char* t : {"<bold>", "<i>", "<u>", "<right>", "<center>"}) ASSERT_TRUE(Parse(t));
  EXPECT_TRUE(markup.IsBold());
  EXPECT_TRUE(markup.IsItalic());
  EXPECT_TRUE(markup.IsUnderline());
  EXPECT_EQ(markup.GetAlignment(), 1);
  for (const char* t : {"</b>", "</i>", "</u>", "</center>"}) ASSERT_TRUE(Parse(t));
  EXPECT_FALSE(markup.IsBold() || markup.IsItalic() || markup.IsUnderline());
  EXPECT_EQ(markup.GetAlignment(), 2);
  for (int i = 0; i < 5; i++) ASSERT_TRUE(Parse("</left>"));
  EXPECT_EQ(markup.GetAlignment(), -1);  // never below the layout's own
  for (int i = 0; i < 40; i++) ASSERT_TRUE(Parse(i < 31 ? "<left>" : "<right>"));
  EXPECT_EQ(markup.GetAlignment(), 0);  // pushes beyond the stack are dropped
}

TEST_F(TextMarkup, FontTags) {
  ASSERT_TRUE(Parse("<font size = \"30\" color=\"ff000080\" face=\"Fonts/Serif.mvec\">"));
  EXPECT_EQ(markup.GetStyle().size, 30);
  ExpectColour(markup.GetStyle().colour, 0xFF0000, 0x80);
  EXPECT_STREQ(markup.GetStyle().face.c_str(), "Fonts/Serif.mvec");  // values keep their case
  ASSERT_TRUE(Parse("<font color=\"#ff000080\">"));  // nine characters: no alpha
  ExpectColour(markup.GetStyle().colour, 0x000080, 255);
  EXPECT_EQ(markup.GetStyle().size, 30);  // the rest is inherited
  ASSERT_TRUE(Parse("<FONT color='#00FF00'>"));
  ExpectColour(markup.GetStyle().colour, 0x00FF00, 255);
  for (int i = 0; i < 3; i++) ASSERT_TRUE(Parse("</font>"));
  EXPECT_EQ(markup.GetStyle().size, 20);
  EXPECT_STREQ(markup.GetStyle().face.c_str(), "fonts/base.mvec");
}

// 33 nested fonts: the stack holds 32 styles, later pushes change nothing, and 33 pops come
// back to the base style.
TEST_F(TextMarkup, ThirtyThreeNestedFonts) {
  char text[64];
  for (int i = 1; i <= 33; i++) {
    snprintf(text, sizeof text, "<font size=\"%d\">", 100 + i);
    ASSERT_TRUE(Parse(text));
  }
  EXPECT_EQ(markup.GetStyle().size, 131);
  for (int i = 0; i < 33; i++) ASSERT_TRUE(Parse("</font>"));
  EXPECT_EQ(markup.GetStyle().size, 20);
  ASSERT_TRUE(Parse("</font>"));
  EXPECT_EQ(markup.GetStyle().size, 20);
}

TEST_F(TextMarkup, LinksAndOutline) {
  ASSERT_TRUE(Parse("<a id=\"Shop\" color=\"#00ff00\">"));
  EXPECT_STREQ(markup.GetLinkId().c_str(), "Shop");
  ExpectColour(markup.GetColour(), 0x00FF00, 255);
  ASSERT_TRUE(Parse("</a>"));
  EXPECT_TRUE(markup.GetLinkId().IsEmpty());
  EXPECT_FLOAT_EQ(markup.GetColour().g, 0.5f);  // the style's grey
  ASSERT_TRUE(Parse("<a id=\"x\">"));
  EXPECT_FLOAT_EQ(markup.GetColour().r, 0.5f);

  ASSERT_TRUE(Parse("<outline color=\"#102030\">"));
  EXPECT_FLOAT_EQ(markup.GetOutlineSize(), 2.0f);
  ExpectColour(markup.GetOutlineColour(), 0x102030, 255);
  ASSERT_TRUE(Parse("<outline size=\"5\">"));
  EXPECT_FLOAT_EQ(markup.GetOutlineSize(), 5.0f);
  ASSERT_TRUE(Parse("</outline>"));
  EXPECT_FLOAT_EQ(markup.GetOutlineSize(), 0.0f);
  EXPECT_FLOAT_EQ(markup.GetOutlineColour().a, 0.0f);
}

TEST_F(TextMarkup, ResetForgetsEverything) {
  for (const char* t : {"<b>", "<font size=\"50\">", "<center>", "<a id=\"x\">", "<outline>"})
    ASSERT_TRUE(Parse(t));
  TTextStyle base;
  markup.Reset(base);
  EXPECT_FALSE(markup.IsBold());
  EXPECT_EQ(markup.GetStyle().size, 16);
  EXPECT_EQ(markup.GetAlignment(), -1);
  EXPECT_TRUE(markup.GetLinkId().IsEmpty());
  EXPECT_EQ(markup.GetOutlineSize(), 0.0f);
}

}  // namespace
