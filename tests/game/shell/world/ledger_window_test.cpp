// The ledger: made once from its script and carried between screens by GrabLedger and
// ReleaseLedger, the money counting to its new value (in double precision), the money-size
// steps, the badge's flash, what each kind of update fills in, the factories' panels, and one
// task a ledger, also when a screen closes with the ledger and the next grabs a new one at once.
#include "game/shell/world/ledger_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/graphics/texture.h"
#include "core/script/lua_bindings.h"
#include "core/windows/modal_window.h"
#include "core/windows/text.h"
#include "core/windows/widgets/image.h"
#include "game/shell/sound_bridge.h"
#include "game/shell/world/dookie_dropper.h"
#include "tests/game/shell/world/world_fixture.h"

namespace {

std::vector<std::string> gEngineEvents;
void RecordEvent(const char* name, ...) { gEngineEvents.push_back(name); }

const char* const kLedgerScript =
    "MakeDialog {"
    "  Text { name = 'money', x = 10, y = 10, w = 200, h = 30 },"
    "  Text { name = 'day', x = 10, y = 40, w = 200, h = 20 },"
    "  Text { name = 'rank', x = 10, y = 60, w = 200, h = 20 },"
    "  Text { name = 'score', x = 10, y = 80, w = 200, h = 20 },"
    "  Text { name = 'questText', x = 10, y = 100, w = 200, h = 20 },"
    "  Bitmap { name = 'ledger_questgoals', x = 220, y = 10, image = 'image/badge_button_indicator_incomplete.png' },"
    "  Window { name = 'map_port', x = 220, y = 60, w = 30, h = 30 },"
    "  Window { name = 'port_map', x = 260, y = 60, w = 30, h = 30 },"
    "  Window { name = 'panels', x = 0, y = 130, w = 400, h = 130,"
    "    DookieDropper { name = 'chocolate', x = 0, y = 0, w = 150, h = 124 },"
    "    DookieDropper { name = 'coffee', x = 200, y = 0, w = 150, h = 124 } } }";

class LedgerTest : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    gEngineEvents.clear();
    SetSoundEngineCalls({nullptr, &RecordEvent, nullptr});
    PutImage("image/badge_button_indicator_complete", 36, 36, 0xFFE0B43Au);
    PutImage("image/badge_button_indicator_incomplete", 36, 36, 0xFF6B3E26u);
    PutImage("image/timer_face_small", 16, 16);
    PutImage("image/timer_hand_small", 4, 12);
    PutImage("items/truffle_big", 32, 32);
    PutAsset("ui/ledger.lua", kLedgerScript);
    lua_State* L = script->GetState();
    RegisterLuaFunction(L, "GrabLedger", &GrabLedger);
    RegisterLuaFunction(L, "ReleaseLedger", &ReleaseLedger);
    Run("_AllProducts = { truffle = { name = 'truffle', counts = { cocoa = 1 } } }"
        " Player = { money = 100, time = 4, rank = 2, factories = { chocolate = { current = 'truffle', production = 5 } } }");
  }
  void TearDown() override {
    DestroyDetachedLedger();
    SetSoundEngineCalls({});
    WorldFixture::TearDown();
  }
  LedgerWindow* Grab() {
    Run("GrabLedger()");
    return LedgerWindow::Get();
  }
  std::string Text(const char* name) {
    TWindow* ledger = LedgerWindow::Get();
    TText* text = ledger ? static_cast<TText*>(ledger->FindChild(name)) : nullptr;
    TStr out;
    if (text) text->GetText(out);
    return out.c_str();
  }
  bool Shown(const char* name) { return (LedgerWindow::Get()->FindChild(name)->GetFlags() & kWindowEnabled) != 0; }
  std::shared_ptr<TTexture> Badge() {
    return static_cast<TImage*>(LedgerWindow::Get()->FindChild("ledger_questgoals"))->GetTexture();
  }
  void Ticks(int n) {
    for (int i = 0; i < n; i++) Advance(50);
  }
  size_t Tasks() { return host.GetTaskList().Count(); }
};

TEST(LedgerMoneyTest, LargerSumsShowInSmallerTypeAndLossesMakeNoWeeklyMoney) {
  struct Case {
    double money;
    const char* text;
  } cases[] = {
      {99999999, "$99,999,999"},
      {123456789, "<font size='25'>$123,456,789</font>"},  // not $123,456,792
      {1e9, "<font size='22'>$1,000,000,000</font>"},
      {1e11, "<font size='20'>$100,000,000,000</font>"},
      {-250, "-$250"},
  };
  for (const Case& c : cases) EXPECT_EQ(LedgerWindow::MoneyText(c.money), c.text) << c.money;
  EXPECT_EQ(LedgerWindow::AverageMoney(1000, 3), 333);
  EXPECT_EQ(LedgerWindow::AverageMoney(1000, 0), 0);
  EXPECT_EQ(LedgerWindow::AverageMoney(-1000, 3), 0);
  EXPECT_EQ(LedgerWindow::AverageMoney(1000, -3), 0);
}

TEST_F(LedgerTest, TheLedgerIsMadeOnceFromItsScriptAndGoesOnTopOfTheScreen) {
  Make("Window { name = 'other', x = 0, y = 0, w = 100, h = 100 }");
  LedgerWindow* ledger = Grab();
  ASSERT_NE(ledger, nullptr);
  EXPECT_EQ(ledger->GetParent(), modal);
  EXPECT_EQ(modal->GetChildren().front(), ledger);  // drawn over its siblings
  EXPECT_GE(ledger->GetWidth(), 350);
  EXPECT_EQ(ledger->GetPanels().size(), 2u);
  EXPECT_EQ(Text("money"), "$100");  // shown from the start
  // Released, it waits; grabbed again, the same ledger comes back with its task.
  Run("ReleaseLedger()");
  EXPECT_EQ(ledger->GetParent(), nullptr);
  Run("ReleaseLedger()");
  EXPECT_EQ(Grab(), ledger);
  EXPECT_EQ(ledger->GetParent(), modal);
  EXPECT_EQ(Grab(), ledger);
  EXPECT_EQ(ledger->GetParent(), modal);
  EXPECT_EQ(modal->GetChildren().front(), ledger);
}

TEST_F(LedgerTest, WithNoScreenTheLedgerWaitsForTheNextGrab) {
  manager->PopModal();
  manager->DeleteClosedWindows();
  modal = nullptr;
  LedgerWindow* ledger = Grab();
  ASSERT_NE(ledger, nullptr);
  EXPECT_EQ(ledger->GetParent(), screen);  // the root screen is the top of the stack then
}

TEST_F(LedgerTest, MoneyCountsToItsNewValueInTwentyTicksUpOrDown) {
  Grab();
  struct Case {
    double to;
    int ticks;
    const char* shown;
  } cases[] = {
      {2100, 1, "$200"}, {2100, 2, "$300"}, {2100, 19, "$2,000"}, {2100, 20, "$2,100"}, {2100, 25, "$2,100"},
      {100, 1, "$2,000"}, {100, 20, "$100"},
      // Double precision to the dollar.
      {123456789, 20, "<font size='25'>$123,456,789</font>"},
  };
  double from = 100;
  int done = 0;
  for (const Case& c : cases) {
    if (c.to != from) {
      Run("Player.money = " + std::to_string((long long)c.to) + " RealUpdateLedger('money', '')");
      from = c.to;
      done = 0;
    }
    Ticks(c.ticks - done);
    done = c.ticks;
    EXPECT_EQ(Text("money"), c.shown) << "to " << c.to << " after " << c.ticks;
  }
}

TEST_F(LedgerTest, AFlashAlternatesTheBadgeForASecondAndAHalfAndSoundsOnce) {
  LedgerWindow* ledger = Grab();
  std::shared_ptr<TTexture> complete = TTexture::Get("image/badge_button_indicator_complete", 0);
  std::shared_ptr<TTexture> incomplete = TTexture::Get("image/badge_button_indicator_incomplete", 0);
  Run("SetLedgerQuestIndicator('off')");
  EXPECT_EQ(Badge(), incomplete);
  Run("SetLedgerQuestIndicator('flash') SetLedgerQuestIndicator('flash')");
  EXPECT_EQ(gEngineEvents, std::vector<std::string>{"quest_requirements_met"});
  EXPECT_EQ(ledger->GetBadgeCounter(), 1500u);
  // Each tick takes 50 ms off; the incomplete picture shows while the rest mod 500 is 250 or more.
  const char* expect = "iiiiiccccciiiiiccccciiiiicccccccc";  // after ticks 1..32
  for (int tick = 1; expect[tick - 1]; tick++) {
    Ticks(1);
    EXPECT_EQ(Badge(), expect[tick - 1] == 'c' ? complete : incomplete) << "tick " << tick;
  }
  EXPECT_EQ(ledger->GetBadgeCounter(), 0u);
  EXPECT_TRUE(ledger->IsBadgeFlashing());
  // Frames are drawn on demand: each change of picture asks for one, a steady badge does not.
  Run("SetLedgerQuestIndicator('off') SetLedgerQuestIndicator('flash')");
  std::string asked;
  for (int tick = 1; tick <= 12; tick++) {
    Idle();  // drawn: nothing asked for any more
    gNow += 50;
    host.GetTaskList().RunTasks(0);
    asked += manager->NeedsRedraw() ? '+' : '.';
  }
  EXPECT_EQ(asked, "+....+....+.");
  // Any other word stops it on the incomplete picture; "on" shows the complete one.
  Run("SetLedgerQuestIndicator('flash') SetLedgerQuestIndicator('nope')");
  EXPECT_FALSE(ledger->IsBadgeFlashing());
  Ticks(3);
  EXPECT_EQ(Badge(), incomplete);
  Run("SetLedgerQuestIndicator('on')");
  EXPECT_EQ(Badge(), complete);
  Run("SetLedgerQuestIndicator('flash')");
  EXPECT_EQ(gEngineEvents.size(), 3u);
}

TEST_F(LedgerTest, EachKindOfUpdateFillsInItsOwnParts) {
  Grab();
  EXPECT_EQ(Text("questText"), "");
  EXPECT_EQ(Text("rank"), "rank_2(,,,,)");
  EXPECT_EQ(Text("score"), "score_format($25,,,,)");  // $100 over four weeks
  EXPECT_TRUE(Shown("score"));
  EXPECT_TRUE(Shown("chocolate"));
  EXPECT_FALSE(Shown("coffee"));

  Run("Player.rank = 1 Player.time = 0 Player.factories.coffee = { current = 'truffle' }"
      " RealUpdateLedger('all', 'a quest')");
  EXPECT_EQ(Text("questText"), "");  // not for "all"
  EXPECT_EQ(Text("rank"), "rank_1(,,,,)");
  EXPECT_FALSE(Shown("score"));
  EXPECT_EQ(Text("score"), "score_format($0,,,,)");
  EXPECT_TRUE(Shown("coffee"));

  Run("Player.money = -400 Player.time = 2 RealUpdateLedger('money', '')");
  EXPECT_EQ(Text("score"), "score_format($0,,,,)");  // a loss shows no weekly money

  Run("Player.money = 900 RealUpdateLedger('newplayer', 'first steps')");
  EXPECT_EQ(Text("questText"), "first steps");
  Run("RealUpdateLedger('quest', 'next')");
  EXPECT_EQ(Text("questText"), "next");
  Run("Player.factories.chocolate = nil RealUpdateLedger('factory', '')");
  EXPECT_FALSE(Shown("chocolate"));

  Run("RealUpdateLedger('mapview', '')");
  EXPECT_TRUE(Shown("map_port"));
  EXPECT_FALSE(Shown("port_map"));
  Run("RealUpdateLedger('portview', '')");
  EXPECT_FALSE(Shown("map_port"));
  EXPECT_TRUE(Shown("port_map"));
  // Without the player's table every part shows its default.
  Run("Player = nil RealUpdateLedger('all', '')");
  EXPECT_EQ(Text("rank"), "rank_1(,,,,)");
}

TEST_F(LedgerTest, AnimateProductionStartsEveryPanelsRun) {
  LedgerWindow* ledger = Grab();
  for (DookieDropper* panel : ledger->GetPanels()) EXPECT_EQ(panel->GetAnimCounter(), DookieDropper::kRunMs);
  Run("AnimateProduction()");
  for (DookieDropper* panel : ledger->GetPanels()) EXPECT_EQ(panel->GetAnimCounter(), 0u);
  Ticks(2);
  for (DookieDropper* panel : ledger->GetPanels()) EXPECT_EQ(panel->GetAnimCounter(), 100u);
}

TEST_F(LedgerTest, TheLedgersTaskStopsInTheBackground) {
  Grab();
  Run("Player.money = 2100 RealUpdateLedger('money', '')");
  host.active = false;
  SetLedgerActive();
  Ticks(10);
  EXPECT_EQ(Text("money"), "$100");
  host.active = true;
  SetLedgerActive();
  Ticks(1);
  EXPECT_EQ(Text("money"), "$200");
}

TEST_F(LedgerTest, AScreenClosedWithItsLedgerAndANewLedgerAtOnceTickAtTheUsualPace) {
  size_t tasks = Tasks();
  for (int cycle = 0; cycle < 3; cycle++) {
    SCOPED_TRACE(cycle);
    auto* screenModal = new TModalWindow();
    manager->PushModal(screenModal);
    LedgerWindow* ledger = Grab();
    ASSERT_EQ(ledger->GetParent(), screenModal);
    Ticks(1);
    Advance(20);
    // The screen goes, and the ledger with it; the next screen grabs a new one within 50 ms.
    manager->PopModal();
    manager->DeleteClosedWindows();
    EXPECT_EQ(LedgerWindow::Get(), nullptr);
    Advance(10);
    ledger = Grab();
    EXPECT_EQ(ledger->GetParent(), modal);
    Run("Player.money = 2100 RealUpdateLedger('money', '')");
    Ticks(10);
    EXPECT_EQ(Text("money"), "$1,100");  // ten steps of $100, not twenty or thirty
    EXPECT_EQ(Tasks(), tasks + 1);
    modal->RemoveChild(ledger);
    delete ledger;
    Run("Player.money = 100");
    Ticks(1);
    EXPECT_EQ(Tasks(), tasks);
  }
}

TEST_F(LedgerTest, TheLedgerReleasedAndGrabbedAgainWithin50MsKeepsOneTask) {
  size_t tasks = Tasks();
  LedgerWindow* ledger = Grab();
  Run("Player.money = 2100 RealUpdateLedger('money', '')");
  for (int i = 0; i < 5; i++) {
    Advance(20);
    Run("ReleaseLedger()");
    Advance(10);
    EXPECT_EQ(Grab(), ledger);
  }
  EXPECT_EQ(Tasks(), tasks + 1);
  Advance(50);
  EXPECT_EQ(Text("money"), "$400");  // 200 ms: four steps
}

TEST_F(LedgerTest, TheLedgersFunctionsGoWithIt) {
  LedgerWindow* ledger = Grab();
  modal->RemoveChild(ledger);
  delete ledger;
  Run("gBound = (RealUpdateLedger or SetLedgerQuestIndicator or AnimateProduction) and 1 or 0");
  EXPECT_EQ(Number("gBound"), 0);
  Run("ReleaseLedger()");
  SetLedgerActive();
  EXPECT_NE(Grab(), nullptr);  // a new one
}

}  // namespace
