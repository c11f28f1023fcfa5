// The credits roll: how the file's lines become three aligned columns with headings, how the
// file is read in pieces, and how the roll waits, scrolls and wraps.
#include "game/shell/world/credits.h"

#include <gtest/gtest.h>

#include "core/graphics/text/text_layout.h"
#include "tests/game/shell/world/world_fixture.h"

namespace {

TEST(CreditsColumnsTest, EachLineAddsOneLineToEveryColumn) {
  struct Case {
    const char* line;
    const char* left;
    const char* right;
    const char* centre;
  } cases[] = {
      {"Chief taster | Ada Moss", "\nChief taster\n", "\nAda Moss\n", "\n\n"},
      {"[The Kitchen]", "\n\n", "\n\n", "\n<font color='ff7f00ff'>The Kitchen</font>\n"},
      {" \tWith thanks to everyone\t ", "\n\n", "\n\n", "\nWith thanks to everyone\n"},
      {"[Sound] | a | b", "\n<font color='ff7f00ff'>Sound</font>\n", "\na | b\n", "\n\n"},
      {"|", "\n\n", "\n\n", "\n\n"},
      {"", "\n\n", "\n\n", "\n\n"},
  };
  for (const Case& c : cases) {
    TCredits::Columns columns;
    columns.AddLine(TStr(c.line), TStr("ff7f00ff"));
    EXPECT_EQ(std::string(columns.left.c_str()), c.left) << c.line;
    EXPECT_EQ(std::string(columns.right.c_str()), c.right) << c.line;
    EXPECT_EQ(std::string(columns.centre.c_str()), c.centre) << c.line;
  }
}

TEST(CreditsColumnsTest, TheHeadingColourIsWrittenAsEightHexDigits) {
  EXPECT_EQ(TCredits::HexColour(TColor(1, 0.5f, 0, 1)), TStr("ff7f00ff"));
  EXPECT_EQ(TCredits::HexColour(TColor(0.2f, 0.1f, 0.05f, 0.5f)), TStr("33190c7f"));
  EXPECT_EQ(TCredits::HexColour(TColor(2, -1, NAN, 1)), TStr("ff0000ff"));  // kept to a byte each
}

class CreditsTest : public WorldFixture {
 protected:
  TCredits* Open(const std::string& keys) {
    Make("CreditsWindow { name = 'credits', x = 20, y = 10, w = 400, h = 100, " + keys + " }");
    return Find<TCredits>("credits");
  }
  // The lines of a layout's text up to its first copy's end.
  static int Lines(TTextLayout* layout) {
    std::string text = layout->GetText().c_str();
    return (int)std::count(text.begin(), text.end(), '\n') / 2;
  }
};

TEST_F(CreditsTest, TheFileIsReadInPiecesAndEveryPieceIsALine) {
  std::string longLine(2000, 'x');
  PutAsset("credits.txt", "Role | Name\r\n[Head]\n" + longLine + "\nlast line");
  TCredits* credits = Open("file = 'credits.txt', fontsize = 20, time = 5000, columnwidth = 150, columngap = 20");
  ASSERT_NE(credits, nullptr);
  std::string centre = credits->GetCentreLayout()->GetText().c_str();
  std::string right = credits->GetRightLayout()->GetText().c_str();
  // "\n", the entry, the CR's empty line, the heading, 1023 + 977 bytes, the last line, then
  // 100 / 20 empty lines; all of it twice.
  EXPECT_EQ(Lines(credits->GetLeftLayout()), 1 + 6 + 5);
  EXPECT_EQ(Lines(credits->GetRightLayout()), 1 + 6 + 5);
  EXPECT_EQ(Lines(credits->GetCentreLayout()), 1 + 6 + 5);
  EXPECT_EQ(right.substr(0, 6), "\nName\n");
  EXPECT_NE(centre.find("\n\n\n<font color='ffffffff'>Head</font>\n" + std::string(1023, 'x') + "\n" +
                        std::string(977, 'x') + "\nlast line\n"),
            std::string::npos);
  EXPECT_GT(credits->GetLoopHeight(), 0);
}

TEST_F(CreditsTest, TheRollWaitsOutItsPauseThenScrollsAndWrapsEachLoop) {
  PutAsset("credits.txt", "A | B\nC\nD | E\n");
  TCredits* credits = Open("file = 'credits.txt', fontsize = 10, time = 4000, intropause = 3000, columnwidth = 150");
  ASSERT_NE(credits, nullptr);
  float loop = (float)credits->GetLoopHeight();
  struct Case {
    uint32_t elapsed;
    float offset;
  } cases[] = {{0, 0}, {2999, 0}, {3000, 0}, {4000, loop / 4}, {5000, loop / 2}, {7000, 0}, {8000, loop / 4}};
  for (const Case& c : cases) EXPECT_FLOAT_EQ(credits->ScrollOffset(c.elapsed), c.offset) << c.elapsed;

  // Drawn in three columns from the window's place on the screen, scrolled by lines.
  Frame();
  ASSERT_EQ(host.layouts.size(), 3u);
  const int left = kModalX + 20, top = kModalY + 10;
  EXPECT_EQ(host.layouts[0].rect, TRect(left + 0, top - 10, left + 200, top + 120));
  EXPECT_EQ(host.layouts[1].rect, TRect(left + 200, top - 10, left + 400, top + 120));
  EXPECT_EQ(host.layouts[2].rect, TRect(left + 0, top - 10, left + 400, top + 120));
  gNow += 5000 - 20;
  Frame();
  EXPECT_FLOAT_EQ(host.layouts[0].scroll, loop / 2 / 10);  // 2 s into a 4 s loop, in lines of 10
}

TEST_F(CreditsTest, WithoutATimeAFontSizeOrItsFileTheWindowStillStandsAndSaysWhy) {
  PutAsset("credits.txt", "A | B\n");
  TCredits* still = Open("file = 'credits.txt', fontsize = 0");
  ASSERT_NE(still, nullptr);
  EXPECT_EQ(still->GetFontSize(), 16);
  EXPECT_EQ(still->ScrollOffset(100000), 0.0f);
  Frame();
  EXPECT_EQ(host.layouts.size(), 3u);
  EXPECT_NE(LogText().find("Credits: font size 0"), std::string::npos);
  EXPECT_NE(LogText().find("Credits: no \"time\""), std::string::npos);

  TCredits* missing = Open("file = 'nowhere.txt', time = 1000");
  ASSERT_NE(missing, nullptr);
  EXPECT_NE(LogText().find("cannot open the credits file \"nowhere.txt\""), std::string::npos);
  Frame();
}

}  // namespace
