// Rollovers and their popups: where a popup opens and how it keeps to the screen, how it holds
// the mouse while the pointer stays over the rollover, what a click runs, and the script text
// made from names.
#include "game/shell/world/rollover.h"

#include <gtest/gtest.h>

#include "game/shell/world/popup_window.h"
#include "tests/game/shell/world/world_fixture.h"

namespace {

class RolloverTest : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    Run("clicks = 0");
  }
  std::vector<std::string> seen;  // what probe windows record; outlives them
  // The open popup (the top modal's child of that class), or null.
  PopupWindow* Popup() {
    PopupWindow* found = nullptr;
    for (TWindow* child : manager->GetTopModal()->GetChildren())
      if (child->IsKindOf(&PopupWindow::ClassId)) found = static_cast<PopupWindow*>(child);
    return found;
  }
  int Popups() {
    int n = 0;
    for (TWindow* child : manager->GetTopModal()->GetChildren()) n += child->IsKindOf(&PopupWindow::ClassId);
    return n;
  }
  // A rollover at (100, 100) 80 x 40 in the modal, so at (140, 130) on the screen.
  void MakeRollover(const std::string& keys) {
    Make("Rollover { name = 'hot', x = 100, y = 100, w = 80, h = 40, contents = \"MakeDialog { Window { name = 'tip', w = 60, h = 20 } }\", " +
         keys + " }");
  }
};

TEST(PopupTestRectTest, HoldsItsLeftAndTopEdgesButNotItsRightAndBottom) {
  TPopupTestRect test(TRect(10, 20, 30, 40));
  EXPECT_TRUE(test.Test(TPoint(10, 20)));
  EXPECT_TRUE(test.Test(TPoint(29, 39)));
  EXPECT_FALSE(test.Test(TPoint(30, 39)));
  EXPECT_FALSE(test.Test(TPoint(29, 40)));
  EXPECT_FALSE(TPopupTest().Test(TPoint(0, 0)));
}

TEST_F(RolloverTest, APopupIsPlacedOnTheScreenAndKeptOffItsRightAndBottomEdges) {
  struct Case {
    int32_t x, y, w, h;
    int32_t left, top;  // on the screen
  } cases[] = {
      {100, 100, 200, 50, 100, 100},
      {700, 100, 200, 50, 596, 132},  // past the right edge: left by the excess and 32 down
      {100, 570, 200, 50, 100, 546},  // past the bottom
      {700, 540, 200, 50, 596, 546},  // both: the move down is undone by the bottom
      {596, 546, 200, 50, 596, 546},  // just inside
  };
  for (const Case& c : cases) {
    auto* popup = new PopupWindow(std::make_shared<TPopupTest>());
    modal->AddChild(popup, false);
    popup->SetSize(c.w, c.h);
    popup->PlaceAt(c.x, c.y);
    TRect r = popup->GetScreenRect();
    EXPECT_EQ(r.left, c.left) << c.x << "," << c.y;
    EXPECT_EQ(r.top, c.top) << c.x << "," << c.y;
    popup->Close();
  }
}

TEST_F(RolloverTest, MovingOntoTheRolloverOpensItsPopupWhereTheKeysSay) {
  MakeRollover("xAbsolute = 10, yOffset = 15");
  Move(150, 135);
  PopupWindow* popup = Popup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->GetScreenRect().left, 10);
  EXPECT_EQ(popup->GetScreenRect().top, 135 + 15);
  ASSERT_NE(popup->FindChild("tip"), nullptr);
  EXPECT_EQ(popup->GetWidth(), 60);
  // It fades in over 125 ms.
  EXPECT_EQ(popup->GetAlpha(), 0.0f);
  Advance(25);
  EXPECT_EQ(popup->GetAlpha(), 0.2f);
  Advance(100);
  EXPECT_EQ(popup->GetAlpha(), 1.0f);
  EXPECT_FALSE(popup->IsFading());
}

TEST_F(RolloverTest, ThePopupHoldsTheMouseWhileThePointerIsOverTheRolloverAndClosesWhenItLeaves) {
  auto* below = new window_test::ProbeWindow("below", TRect(0, 0, 720, 560), &seen, true);
  modal->AddChild(below, false);
  below->ChangeOrder(0);
  MakeRollover("xOffset = 30, yOffset = 30");  // the popup opens beside the pointer
  Move(150, 135);
  ASSERT_EQ(Popups(), 1);
  for (int x = 145; x < 220; x += 10) Move(x, 140);  // across the rollover, off the popup
  EXPECT_EQ(Popups(), 1);
  EXPECT_FALSE(Popup()->IsClosed());
  EXPECT_TRUE(seen.empty());

  Move(300, 300);  // off the rollover: it closes, and the window under the pointer has the move
  EXPECT_EQ(Popups(), 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"below:move@260,270"}));
  Idle();  // deleted at the manager's next pass

  Move(150, 135);  // back: a new one
  EXPECT_EQ(Popups(), 1);
}

TEST_F(RolloverTest, AClickThatBeganOnThePopupRunsTheCommandOrTheAction) {
  MakeRollover("command = function() clicks = clicks + 1 end");
  Move(150, 135);
  Press(150, 135);
  Release(150, 135);
  EXPECT_EQ(Number("clicks"), 1);
  EXPECT_EQ(Popups(), 0);

  // Released over it after a press that began elsewhere: it closes, nothing runs.
  Idle();
  Move(150, 135);
  Release(150, 135);
  EXPECT_EQ(Number("clicks"), 1);
  EXPECT_EQ(Popups(), 0);

  // A rollover made in code runs its action text.
  Idle();
  auto* code = new Rollover(TRect(300, 300, 340, 320), TStr(), TStr("clicks = clicks + 10"));
  code->SetAbsolutePosition(500, 10);
  modal->AddChild(code, false);
  Move(kModalX + 310, kModalY + 310);
  ASSERT_NE(Popup(), nullptr);
  EXPECT_EQ(Popup()->GetScreenRect().left, 500);
  Press(kModalX + 310, kModalY + 310);
  Release(kModalX + 310, kModalY + 310);
  EXPECT_EQ(Number("clicks"), 11);
}

TEST_F(RolloverTest, APopupGoesWhenAScreenOpensOverIt) {
  MakeRollover("");
  Move(150, 135);
  ASSERT_EQ(Popups(), 1);
  TWindow* under = manager->GetTopModal();
  manager->PushModal(new TModalWindow());
  int left = 0;
  for (TWindow* child : under->GetChildren()) left += child->IsKindOf(&PopupWindow::ClassId);
  EXPECT_EQ(left, 0);
  manager->PopModal();
  Idle();
}

TEST_F(RolloverTest, WithoutATopModalWindowARolloverOpensNothing) {
  Rollover loose(TRect(0, 0, 10, 10), TStr("MakeDialog { Window { name = 'tip' } }"), TStr());
  {
    TWindowManager bare;  // no screen, no modal windows
    bare.SetHost(&host);
    ASSERT_EQ(TWindowManager::Get(), &bare);
    EXPECT_FALSE(loose.OnMouseMove(TPoint(5, 5)));
  }
  EXPECT_EQ(Popups(), 0);
}

TEST_F(RolloverTest, APopupDeletedDuringItsFadeStopsTheFade) {
  MakeRollover("");
  Move(150, 135);
  PopupWindow* popup = Popup();
  ASSERT_TRUE(popup && popup->IsFading());
  Advance(25);
  Move(500, 500);
  Idle();  // deleted
  EXPECT_EQ(host.GetTaskList().Count(), 2u);  // the script and the stopped fade, which ends at its tick
  Advance(25);
  EXPECT_EQ(host.GetTaskList().Count(), 1u);
}

TEST_F(RolloverTest, NamesFromDataBecomeCallsThatCannotBreakOutOfTheirText) {
  struct Case {
    const char* name;
    const char* text;
  } cases[] = {
      {"Paris", "Paris:OnClick()"},
      {"_port2", "_port2:OnClick()"},
      {"end", "_G[\"end\"]:OnClick()"},
      {"2nd", "_G[\"2nd\"]:OnClick()"},
      {"New York", "_G[\"New York\"]:OnClick()"},
      {"a\"]:X() os.exit() --", "_G[\"a\\\"]:X() os.exit() --\"]:OnClick()"},
      {"back\\slash\nline", "_G[\"back\\\\slash\\010line\"]:OnClick()"},
  };
  for (const Case& c : cases) EXPECT_EQ(std::string(ScriptMethodCall(TStr(c.name), "OnClick").c_str()), c.text);

  // Run, each calls the object of exactly that name.
  Run("calls = ''\n"
      "local function port(n) return { OnClick = function(self) calls = calls .. n .. ';' end } end\n"
      "Paris = port('Paris'); _G['New York'] = port('NY'); _G['a\"]:X() os.exit() --'] = port('odd')");
  for (const char* name : {"Paris", "New York", "a\"]:X() os.exit() --"}) Run(ScriptMethodCall(TStr(name), "OnClick").c_str());
  lua_pushliteral(script->GetState(), "calls");
  lua_gettable(script->GetState(), LUA_GLOBALSINDEX);
  EXPECT_STREQ(lua_tostring(script->GetState(), -1), "Paris;NY;odd;");
  lua_pop(script->GetState(), 1);
}

}  // namespace
