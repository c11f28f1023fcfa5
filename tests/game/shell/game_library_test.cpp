// The game script library as the scripts call it: calendar, money, integer arithmetic, random
// integers, the clock, the window functions and the shared helpers.
#include "game/shell/game_library.h"

#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "core/base/random.h"
#include "core/windows/layered_window.h"
#include "core/windows/modal_window.h"
#include "core/windows/text.h"
#include "tests/game/shell/game_script_fixture.h"

namespace {

class GameLibraryTest : public game_test::GameScriptFixture {
 protected:
  void SetUp() override {
    GameScriptFixture::SetUp();
    RegisterGameLibrary();
    strings.strings = {{"date_format", "%1% %2%, %3%"}};
    const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 12; ++i) strings.strings["month_" + std::to_string(i + 1)] = months[i];
  }
  // The script expression's value as text.
  std::string Eval(const std::string& expression) {
    Run("gValue = " + expression);
    return GlobalString("gValue");
  }
};

// A layered button of four state layers, named "btn".
class Button4 : public TLayeredWindow {
 public:
  Button4() : TLayeredWindow(4) { mName = "btn"; }
};

std::string TextOf(TWindow* window) {
  TStr text;
  if (TText* t = CastToText(window)) t->GetText(text);
  return text.c_str();
}

}  // namespace

TEST_F(GameLibraryTest, CalendarTable) {
  struct Case {
    const char* weeks;
    const char* date;
    const char* day;
  } cases[] = {
      {"0", "Jun 20, 1946", "0"},     // day 171 of a leap year 0 (divisible by 400)
      {"1.9", "Jul 3, 1946", "13"},   // 13.3 days: whole days only
      {"52", "Jun 20, 1947", "364"},  // year 1 has 28 days in February
      {"53", "Jun 27, 1947", "6"},
      {"-1", "Jun 13, 1946", "244"},  // -7 days taken as unsigned, as the scripts have it
      {"-24.43", "Jan 1, 1946", "80"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Eval(std::string("Date(") + c.weeks + ")"), c.date) << c.weeks;
    EXPECT_EQ(Eval(std::string("DayOfYear(") + c.weeks + ")"), c.day) << c.weeks;
  }
  Eval("Date(-1e300) .. Date(0/0) .. Date(1e300)");  // saturated, no crash
}

TEST_F(GameLibraryTest, MoneyTable) {
  struct Case {
    double amount;
    const char* text;
  } cases[] = {
      {0.49, "$0"},          {-0.49, "$0"},       {0, "$0"},
      {0.5, "$1"},           {-0.5, "-$1"},       {2.5, "$3"},
      {-2.5, "-$3"},         {100, "$100"},       {999.5, "$1,000"},
      {1000, "$1,000"},      {1234.4, "$1,234"},  {-1234567, "-$1,234,567"},
      {123456789012.0, "$123,456,789,012"},
      {std::numeric_limits<double>::quiet_NaN(), "$0"},
      {std::numeric_limits<double>::infinity(), "$0"},
  };
  for (const Case& c : cases) EXPECT_EQ(std::string(Dollars(c.amount).c_str()), c.text) << c.amount;
  EXPECT_EQ(Eval("Dollars(1234.4)"), "$1,234");
}

TEST_F(GameLibraryTest, IntegerArithmeticTable) {
  struct Case {
    const char* expression;
    const char* value;
  } cases[] = {
      {"Mod(-1, 7)", "3"},         {"Mod(10, 3)", "1"},     {"Mod(10.9, 3.9)", "1"},
      {"Mod(-10.9, 4)", "2"},      // -10 counts from 2^32
      {"Mod(5, 0)", "0"},          {"Mod(5, 0.5)", "0"},    {"Mod(0/0, 7)", "0"},
      {"Mod(1e300, 1000)", "647"},  // saturated to 2147483647
      {"Floor(-1.5)", "-2"},       {"Pow(2, 10)", "1024"},  {"RandRange(5, 5)", "5"},
      {"RandRange(-1, -1)", "4294967295"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.expression), c.value) << c.expression;
}

TEST_F(GameLibraryTest, RandRangeCoversItsBoundsOnly) {
  SeedRandom(1);
  std::set<std::string> seen;
  for (int i = 0; i < 600; ++i) seen.insert(Eval("RandRange(1, 6)"));
  EXPECT_EQ(seen, (std::set<std::string>{"1", "2", "3", "4", "5", "6"}));
  // The same seed gives the same draws.
  SeedRandom(7);
  std::string first = Eval("RandRange(0, 1000000)");
  SeedRandom(7);
  EXPECT_EQ(Eval("RandRange(0, 1000000)"), first);
}

TEST_F(GameLibraryTest, CurrentTimeIsTheGameClock) {
  uint32_t before = (uint32_t)std::stoul(Eval("CurrentTime()"));
  Advance(250);
  EXPECT_EQ((uint32_t)std::stoul(Eval("CurrentTime()")), before + 250);
}

TEST_F(GameLibraryTest, WindowFunctionsFindTheirWindowByName) {
  AddFile("ui/fill.lua", "Text { name = 'filled', w = 40, h = 20, label = 'new' }()");
  Run("Window { name = 'panel', x = 5, y = 5, w = 200, h = 100 }()");
  TWindow* panel = screen->FindChild("panel", -1);
  ASSERT_NE(panel, nullptr);
  manager->DoWindowString(panel, "Text { name = 'caption', w = 40, h = 20, label = 'old' }()");

  Run("SetWindowPos('panel', 10.9, -3.9) SetWindowPos('nobody', 1, 1)");
  EXPECT_EQ(panel->GetScreenRect().left, 10);
  EXPECT_EQ(panel->GetScreenRect().top, -3);
  EXPECT_EQ(panel->GetWidth(), 200);

  Run("SetAlpha('panel', 51) SetAlpha('nobody', 0)");
  EXPECT_FLOAT_EQ(CastToText(screen->FindChild("caption", -1))->GetAlpha(), 0.2f);

  Run("FillWindow('panel', 'ui/fill.lua') FillWindow('nobody', 'ui/fill.lua')");
  EXPECT_EQ(screen->FindChild("caption", -1), nullptr);
  ASSERT_NE(panel->FindChild("filled", -1), nullptr);
  EXPECT_EQ(TextOf(panel->FindChild("filled", -1)), "new");
  FillWindowFromScript(nullptr, "ui/fill.lua");
}

TEST_F(GameLibraryTest, LayeredLabelReachesEveryStateLayer) {
  auto* button = new Button4();
  screen->AddChild(button, false);
  for (int layer = 0; layer < 4; ++layer) {
    button->SelectLayer(layer);
    manager->DoWindowString(button, TStr::Format("Text { name = 'label%d', w = 60, h = 20 }()", layer));
  }
  button->SelectLayer(2);
  Run("SetLayeredLabel('btn', 'Buy')");
  for (int layer = 0; layer < 4; ++layer)
    EXPECT_EQ(TextOf(button->FindChild(TStr::Format("label%d", layer), -1)), "Buy") << layer;
  EXPECT_EQ(button->GetCurrentLayer(), 2u);

  // Not a layered window, or not below the top modal window: nothing happens.
  Run("Text { name = 'plain', w = 60, h = 20 }() SetLayeredLabel('plain', 'x')");
  auto* modal = new TModalWindow();
  manager->PushModal(modal);
  Run("SetLayeredLabel('btn', 'Sell')");
  EXPECT_EQ(TextOf(button->FindChild("label0", -1)), "Buy");
}

TEST(GameLibraryHelpers, SegmentDistanceTable) {
  struct Case {
    TVec3 a, b, c;
    float squared;
  } cases[] = {
      {{0, 0, 0}, {10, 0, 0}, {5, 3, 0}, 9},   // beside the segment
      {{0, 0, 0}, {10, 0, 0}, {12, 0, 0}, 4},  // past b: measured to b
      {{0, 0, 0}, {10, 0, 0}, {-2, 1, 0}, 5},  // behind a: measured to a
      {{1, 1, 1}, {1, 1, 1}, {1, 4, 5}, 25},   // a point segment
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(PointToSegmentDistanceSquared(c.a, c.b, c.c), c.squared);
}

TEST_F(GameLibraryTest, TableToVec2AndCastToText) {
  struct Case {
    const char* table;
    float x, y;
  } cases[] = {{"{3, 4}", 3, 4}, {"{5}", 5, 0}, {"{}", 0, 0}, {"{'a', 2}", 0, 2}};
  for (const Case& c : cases) {
    TLuaTable* table = Table(c.table);
    TVec2 v = TableToVec2(table);
    EXPECT_EQ(v.x, c.x) << c.table;
    EXPECT_EQ(v.y, c.y) << c.table;
    delete table;
  }
  EXPECT_EQ(TableToVec2(nullptr).x, 0);

  Run("Text { name = 't', w = 10, h = 10 }() Window { name = 'w', w = 10, h = 10 }()");
  EXPECT_NE(CastToText(screen->FindChild("t", -1)), nullptr);
  EXPECT_EQ(CastToText(screen->FindChild("w", -1)), nullptr);
  EXPECT_EQ(CastToText(nullptr), nullptr);
}
