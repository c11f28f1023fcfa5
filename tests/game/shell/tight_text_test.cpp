// The tight text: the window ends as wide as its laid-out text plus the pad and as high as the
// text, whatever size its keys gave, and it is a text window to the scripts and the game.
#include "game/shell/tight_text.h"

#include <string>

#include "core/graphics/text/text_layout.h"
#include "tests/game/shell/game_script_fixture.h"

namespace {

class TightTextTest : public game_test::GameScriptFixture {
 protected:
  void SetUp() override {
    GameScriptFixture::SetUp();
    manager->RegisterWindowClass("TightText", &TTightText::Create);
  }
  TTightText* Make(const std::string& keys) {
    Run("TightText { " + keys + " }()");
    return static_cast<TTightText*>(screen->GetChildren().front());
  }
  // The text's size as an 800 x 600 layout of the same font lays it out.
  static TRect Expected(const char* text, int size) {
    TTextLayout* layout = TTextLayout::Create(text, 800, 600, 0, "__DEFAULT", size, TColor(0, 0, 0, 1));
    TRect bounds;
    layout->GetBounds(bounds, 1.0f);
    TTextLayout::Destroy(layout);
    return bounds;
  }
};

}  // namespace

TEST_F(TightTextTest, ShrinksToItsTextPlusThePad) {
  const char* kText = "Chocolate and coffee, shipped to every port of the coast";
  TRect text = Expected(kText, 16);
  ASSERT_GT(text.right - text.left, 300);  // one line, wider than the keys' box below
  struct Case {
    const char* pad;
    int32_t extra;
  } cases[] = {{"", 3}, {"pad = 0,", 0}, {"pad = 12.9,", 12}};
  for (const Case& c : cases) {
    TTightText* window = Make(std::string(c.pad) + " x = 10, y = 20, w = 50, h = 10, label = '" + kText + "'");
    EXPECT_EQ(window->GetWidth(), c.extra + (text.right - text.left)) << c.pad;
    EXPECT_EQ(window->GetHeight(), text.bottom - text.top) << c.pad;
    EXPECT_EQ(window->GetScreenRect().left, 10);
  }
  TTightText* window = Make("label = 'Hi'");  // no size keys: no zero-size error either
  EXPECT_EQ(window->GetWidth(), 3 + Expected("Hi", 16).right - Expected("Hi", 16).left);
  EXPECT_EQ(Log().find("text window of size(0,0)"), std::string::npos);

  EXPECT_TRUE(window->IsKindOf(&TText::GetFactory));
  EXPECT_EQ(AsText(window), window);
  EXPECT_STREQ(window->GetClassName(), "TTightText");
}
