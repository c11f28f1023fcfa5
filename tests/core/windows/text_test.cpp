// The text window: label translation, the layout's settings from the keys, redraw requests,
// scrolling and clicked links.
#include "core/windows/text.h"

#include <gtest/gtest.h>

#include "core/graphics/text/text_layout.h"
#include "core/windows/modal_window.h"
#include "tests/core/windows/window_test_support.h"

namespace {

using window_test::FakeButton;
using window_test::WindowFixture;

class TextTest : public WindowFixture {
 protected:
  TText* Make(const std::string& keys) {
    Run("Text { " + keys + " }()");
    return static_cast<TText*>(screen->GetChildren().front());
  }
  std::string TextOf(TText* text) {
    TStr s;
    text->GetText(s);
    return s.c_str();
  }
  // The x in the middle of the link's run on the first line.
  int LinkX(TText* text, const char* id) {
    for (const TTextRun& run : text->GetLayout()->GetLines()[0]->runs)
      if (run.linkId == TStr(id)) return (run.startX + run.endX) / 2;
    return -1;
  }
};

TEST_F(TextTest, LabelsAreTranslatedUnlessLiteralOrNumbers) {
  struct Case {
    const char* label;
    bool translate;
    const char* shown;
  } cases[] = {
      {"TITLE", true, "TITLE(,,,,)"}, {"TITLE", false, "TITLE"}, {"#123", true, "123"},
      {"#123", false, "#123"},        {"3.5", true, "3.5"},      {"", true, ""},
  };
  for (const Case& c : cases) {
    manager->SetTranslateLabels(c.translate);
    TText* text = Make(std::string("w = 200, h = 40, label = '") + c.label + "'");
    EXPECT_EQ(TextOf(text), c.shown) << c.label << c.translate;
  }
}

TEST_F(TextTest, KeysFillTheLayoutAsTheyAreMeant) {
  TText* text = Make("w = 200, h = 40, defflags = 2, padding = 1, font = { 'face', 0, { 1, 0, 0 } }, label = 'x'");
  EXPECT_EQ(text->GetTextFlags(), 2u);  // "flags" defaults to "defflags"
  ASSERT_NE(text->GetLayout(), nullptr);
  EXPECT_EQ(text->GetLayout()->GetFlags(), 1);  // "padding" goes to the layout's flags
  EXPECT_EQ(text->GetLayout()->GetFontSize(), 12);
  EXPECT_EQ(text->GetLayout()->GetFontName(), TStr("face"));
  TText* flagged = Make("w = 200, h = 40, defflags = 2, flags = 5");
  EXPECT_EQ(flagged->GetTextFlags(), 5u);
}

TEST_F(TextTest, AWindowWithoutSizeHasNoTextAndDoesNothing) {
  TText* text = Make("name = 'empty', label = 'lost'");
  EXPECT_EQ(text->GetLayout(), nullptr);
  EXPECT_NE(Log().find("ERROR: Attempting to create text window of size(0,0): named 'empty', label 'lost'"),
            std::string::npos);
  text->SetText("more");
  text->ScrollTo(0.5f, 0);
  EXPECT_EQ(TextOf(text), "");
  EXPECT_FALSE(text->OnMouseDown(TPoint(1, 1)));
  EXPECT_FALSE(text->OnMouseMove(TPoint(1, 1)));
  EXPECT_EQ(text->GetTextBounds(), TRect());
}

TEST_F(TextTest, EveryChangeOfTextAsksForAFrame) {
  TText* text = Make("w = 200, h = 40");
  Advance(20);
  Idle();
  EXPECT_FALSE(manager->NeedsRedraw());
  text->SetText("first");  // from empty as well
  EXPECT_TRUE(manager->NeedsRedraw());
  Advance(20);
  Idle();
  text->SetText("first");
  EXPECT_FALSE(manager->NeedsRedraw());
  text->SetWindowName("t");
  Run("SetLabel('t', 'second'); seen = GetLabel('t')");
  EXPECT_EQ(GlobalString("seen"), "second");
  EXPECT_TRUE(manager->NeedsRedraw());
}

TEST_F(TextTest, ScrollingMovesByTheLinesThatDoNotFit) {
  TText* text = Make("w = 100, h = 20, label = 'a<br>b<br>c<br>d<br>e'");
  int lines = text->GetLayout()->GetLineCount();
  ASSERT_GT(lines, 1);
  int hidden = text->GetLayout()->GetMaxScrollLine(1.0f, 0);
  text->ScrollTo(1.0f, 0);
  EXPECT_FLOAT_EQ(text->GetLayout()->GetScrollPosition(), 0.5f + (float)hidden);
  text->ScrollTo(0.0f, 0);
  EXPECT_FLOAT_EQ(text->GetLayout()->GetScrollPosition(), 0.0f);
}

TEST_F(TextTest, AClickedLinkRunsTheActionOfTheButtonOfThatName) {
  auto* ok = new FakeButton("ok", 0, &events);
  screen->AddChild(ok, false);
  TText* text = Make(
      "w = 300, h = 40, label = 'go <a id=\"ok\">ok</a> or <a id=\"gone\">gone</a> or <a id=\"_screen_\">me</a>'");
  int okX = LinkX(text, "ok"), goneX = LinkX(text, "gone"), screenX = LinkX(text, "_screen_");
  ASSERT_GT(okX, 0);
  EXPECT_TRUE(text->OnMouseMove(TPoint(okX, 5)));  // hovering starts tracking
  EXPECT_TRUE(manager->IsMouseTracker(text));
  EXPECT_TRUE(text->OnMouseLeave());
  EXPECT_FALSE(manager->IsMouseTracker(text));
  struct Case {
    int down, up;
    const char* logged;
    size_t actions;
  } cases[] = {
      {okX, okX, nullptr, 1},
      {okX, goneX, nullptr, 1},  // released on another link: nothing
      {goneX, goneX, "ERROR: Command window gone not found", 1},
      {screenX, screenX, "ERROR: Command window _screen_ not a derived class of TButton", 1},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(text->OnMouseDown(TPoint(c.down, 5)));
    EXPECT_TRUE(text->OnMouseUp(TPoint(c.up, 5)));
    EXPECT_FALSE(text->OnMouseUp(TPoint(c.up, 5)));  // the pressed link was cleared
    if (c.logged) {
      EXPECT_NE(Log().find(c.logged), std::string::npos);
    }
    EXPECT_EQ(events.size(), c.actions);
  }
  EXPECT_FALSE(text->OnMouseDown(TPoint(1, 35)));  // no link there
}

}  // namespace
