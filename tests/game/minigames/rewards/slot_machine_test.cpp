// The slot machine as a screen script builds it: wheels landing on the results the script gives,
// a wheel's last steps and its slide, StopSlots hurrying the leftmost wheel, the callbacks and
// sounds in their order, the payout's time with the game's own coin script and its end without
// one (missing, broken, never counting down, or a payout that is no number), machines made
// without options or a wheel, results out of range, a callback that starts the next turn, and
// the script functions of the reward windows handed back when they go.
#include "game/minigames/rewards/slot_machine.h"

#include <cmath>
#include <limits>

#include "core/graphics/sprites/sprite.h"
#include "core/graphics/texture.h"
#include "core/script/script.h"
#include "tests/game/minigames/rewards/rewards_fixture.h"

namespace {

const char* kOptions = "options = { 'slot_cherry', 'slot_bell', 'slot_star', 'slot_bean' }, ";
const char* kWheels =
    "wheel1 = { x = 250, y = 260 }, wheel2 = { x = 350, y = 260 }, wheel3 = { x = 450, y = 260 }, "
    "wheel4 = { x = 550, y = 260 }, ";
const char* kCallbacks =
    "onstopped = function() gCalls = (gCalls or '') .. 'stopped;' end, "
    "onpayout = function() gCalls = (gCalls or '') .. 'payout;' end, ";
const char* kItems[] = {"slot_cherry", "slot_bell", "slot_star", "slot_bean"};

class SlotsTest : public RewardsTest {
 protected:
  static SlotMachine* OpenSlots(const std::string& keys = std::string(kOptions) + kWheels + kCallbacks) {
    Run("gCalls = nil");
    return Open<SlotMachine>("SlotMachine { name = 'slots', x = 0, y = 0, w = 800, h = 600, " + keys + "}", "slots",
                             &SlotMachine::GetFactory);
  }
  // Ticks of 50 ms as the window's timer gives them, until the timer would end (at most `most');
  // the ticks taken.
  static int RunTurn(SlotMachine* m, int most = 5000) {
    for (int tick = 1; tick <= most; ++tick) {
      bool more = m->OnAnimate();
      TWindowManager::Get()->ProcessMessages();
      if (!more) return tick;
    }
    return -1;
  }
  // Ticks until every wheel stands; the ticks taken.
  static int RunToStop(SlotMachine* m) {
    int ticks = 0;
    while (!m->IsAllStopped() && ticks < 5000) {
      m->OnAnimate();
      ++ticks;
    }
    return ticks;
  }
  static double SparkleGlobal(SlotMachine* m, const char* name) {
    return m->GetSparkle().GetScript()->GetGlobalNumber(TStr(name));
  }
  static std::string PayLine(SlotMachine* m, uint32_t i) { return m->GetWheel(i)->GetName(2).c_str(); }
};

TEST_F(SlotsTest, TheWheelsLandOnTheResultsGiven) {
  Play([&](TPlatform*) {
    const int cases[][4] = {{1, 1, 1, 1}, {4, 3, 2, 1}, {2, 4, 2, 4}};
    for (const auto& r : cases) {
      SlotMachine* m = OpenSlots();
      ASSERT_NE(m, nullptr);
      EXPECT_EQ(m->GetItems().size(), 4u);
      EXPECT_EQ(m->GetSparklePosition().x, 185.0f);
      EXPECT_EQ(m->GetSparklePosition().y, 244.0f);
      Run("StartSlots(" + std::to_string(r[0]) + ", " + std::to_string(r[1]) + ", " + std::to_string(r[2]) + ", " +
          std::to_string(r[3]) + ", 0)");
      for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_GE(m->GetWheel(i)->GetStepsLeft(), 20u);
        EXPECT_LE(m->GetWheel(i)->GetStepsLeft(), 50u);
        EXPECT_GE(m->GetWheel(i)->GetStepTime(), 90u);
        EXPECT_LE(m->GetWheel(i)->GetStepTime(), 110u);
      }
      TakeEvents();
      RunTurn(m);
      for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(PayLine(m, i), kItems[r[i] - 1]) << i;
        EXPECT_EQ(m->GetWheel(i)->GetStrip()->GetPosition().y, 260.0f);
      }
      // A payout of none: "onpayout" right after "onstopped", in the tick the wheels stop.
      EXPECT_EQ(Global("gCalls"), "stopped;payout;");
      EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"spin_stop", "spin_stop", "spin_stop", "spin_stop",
                                                        "Stop_machine_spin", "Stop_win_money"}));
      EXPECT_EQ(SparkleGlobal(m, "gSparkleTime"), 1.0);
      EXPECT_EQ(SparkleGlobal(m, "gSparkleDensity"), 0.0);
      CloseScreen();
    }
  });
}

TEST_F(SlotsTest, AWheelsLastStepsBringItsResultDownToThePayLine) {
  Play([&](TPlatform*) {
    std::vector<TStr> items = {TStr("slot_cherry"), TStr("slot_bell"), TStr("slot_star"), TStr("slot_bean")};
    SlotWheel wheel(100, 200, &items);
    EXPECT_EQ(wheel.GetStrip()->GetPosition(), TVec2(100, 200));
    EXPECT_EQ(wheel.GetCell(0)->GetPosition(), TVec2(0, -120));
    EXPECT_EQ(wheel.GetCell(3)->GetPosition(), TVec2(0, 60));
    wheel.Start(2, 20, 100);  // two ticks a step
    TakeEvents();
    int step = 0;
    while (wheel.IsMoving()) {
      wheel.Update();
      // Halfway through a step the strip has slid half a cell as the screen shows it.
      if (wheel.GetProgress() == 100) {
        EXPECT_FLOAT_EQ(wheel.GetStrip()->GetPosition().y, 200 + 30 * 0.425f);
      }
      if (wheel.GetProgress() != 0) continue;
      ++step;
      EXPECT_EQ(wheel.GetStepsLeft(), 20u - step);
      if (step == 18) {
        EXPECT_EQ(wheel.GetName(0), TStr("slot_star"));
      }
      if (step == 19) {
        EXPECT_EQ(wheel.GetName(1), TStr("slot_star"));
      }
      EXPECT_EQ(wheel.GetStrip()->GetPosition().y, 200.0f);
    }
    EXPECT_EQ(step, 20);
    EXPECT_EQ(wheel.GetName(2), TStr("slot_star"));
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"spin_stop"});
    // Each cell shows its item's picture.
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(wheel.GetCell(i)->GetTexture(), TTexture::Get(TStr("items/") + wheel.GetName(i) + TStr("_big")));
    // A wheel that stands does nothing more.
    wheel.Update();
    EXPECT_EQ(wheel.GetName(2), TStr("slot_star"));
    EXPECT_TRUE(TakeEvents().empty());
  });
}

TEST_F(SlotsTest, StopHurriesTheLeftmostMovingWheel) {
  Play([&](TPlatform*) {
    SlotMachine* m = OpenSlots();
    ASSERT_NE(m, nullptr);
    Run("StartSlots(1, 2, 3, 4, 0)");
    std::vector<uint32_t> before;
    for (uint32_t i = 0; i < 4; ++i) before.push_back(m->GetWheel(i)->GetStepsLeft());
    Run("StopSlots()");
    EXPECT_EQ(m->GetWheel(0)->GetStepsLeft(), 3u);
    for (uint32_t i = 1; i < 4; ++i) EXPECT_EQ(m->GetWheel(i)->GetStepsLeft(), before[i]);
    // With three or fewer steps left the leftmost is not hurried again, nor is the next.
    Run("StopSlots()");
    EXPECT_EQ(m->GetWheel(0)->GetStepsLeft(), 3u);
    EXPECT_EQ(m->GetWheel(1)->GetStepsLeft(), before[1]);
    while (m->GetWheel(0)->IsMoving()) m->OnAnimate();
    EXPECT_EQ(PayLine(m, 0), "slot_cherry");
    Run("StopSlots()");
    EXPECT_LE(m->GetWheel(1)->GetStepsLeft(), 3u);
    RunTurn(m);
    EXPECT_EQ(PayLine(m, 1), "slot_bell");
    Run("StopSlots()");  // all stand: nothing
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(m->GetWheel(i)->GetStepsLeft(), 0u);
  });
}

TEST_F(SlotsTest, ThePayoutPlaysTheGamesCoinsForItsTime) {
  Play([&](TPlatform*) {
    SlotMachine* m = OpenSlots();
    ASSERT_NE(m, nullptr);
    Run("StartSlots(3, 3, 3, 1, 4)");
    RunToStop(m);
    EXPECT_EQ(Global("gCalls"), "stopped;");
    EXPECT_EQ(SparkleGlobal(m, "gSparkleTime"), 2.95);  // 3 s, the first 50 ms already played
    EXPECT_EQ(SparkleGlobal(m, "gSparkleDensity"), 40.0);
    TakeEvents();
    int ticks = 1, mostCoins = 0;
    while (m->OnAnimate()) {
      ++ticks;
      mostCoins = std::max(mostCoins, m->GetSparkle().GetCollection().GetLiveCount());
      if (ticks < 60) {
        EXPECT_EQ(Global("gCalls"), "stopped;");
      }
    }
    TWindowManager::Get()->ProcessMessages();
    EXPECT_EQ(ticks, 59);  // with the stop's tick, 3 s of 50 ms ticks
    EXPECT_EQ(Global("gCalls"), "stopped;payout;");
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"Stop_win_money"});
    EXPECT_GT(mostCoins, 30);
    EXPECT_EQ(m->GetSparkle().GetCollection().GetLiveCount(), 0);  // all fallen away at the end
    EXPECT_TRUE(m->IsPayoutDone());
    // Another turn plays again.
    Run("StartSlots(1, 1, 1, 1, 1)");
    EXPECT_FALSE(m->IsPayoutDone());
    RunTurn(m);
    EXPECT_EQ(Global("gCalls"), "stopped;payout;stopped;payout;");
  });
}

TEST_F(SlotsTest, ThePayoutEndsWithoutAWorkingCoinScript) {
  const double kNaN = std::numeric_limits<double>::quiet_NaN(), kInf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    const char* script;  // null: taken away; empty: the game's
    double payout;
    int ticks;  // from the stop to "onpayout", the stop's tick not counted
  } cases[] = {
      {"the game's", "", 4, 59},
      {"missing", nullptr, 4, 79},  // 3 s and a second's grace
      {"broken", "SetNumParticles(10) function Update(dt) error('bad coins') end", 4, 79},
      {"never counting", "SetNumParticles(10) function Update(dt) end", 2, 59},
      {"no number", "", kNaN, 0},
      {"endless", "", kInf, 619},
      {"huge", "", 1e9, 619},  // 30 s at most and the grace
      {"negative", "", -3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.script)
      RemoveGlitz("slotpayout.lua");
    else if (*c.script)
      ReplaceGlitz("slotpayout.lua", c.script);
    Play([&](TPlatform*) {
      SlotMachine* m = OpenSlots();
      ASSERT_NE(m, nullptr);
      Script()->SetGlobalNumber(TStr("gPayout"), c.payout);
      Run("StartSlots(1, 2, 3, 4, gPayout)");
      RunToStop(m);
      int ticks = 0;
      while (Global("gCalls") != "stopped;payout;" && ticks < 10000) {
        m->OnAnimate();
        ++ticks;
      }
      EXPECT_EQ(ticks, c.ticks);
      EXPECT_FALSE(m->OnAnimate());  // the timer ends
      EXPECT_EQ(Global("gCalls"), "stopped;payout;");
    });
  }
}

TEST_F(SlotsTest, MachinesWithoutOptionsOrAWheelAndResultsOutOfRange) {
  Play([&](TPlatform*) {
    // No options: the wheels stay empty and still, and the turn still ends.
    for (const std::string& options : {std::string(), std::string("options = {}, ")}) {
      SlotMachine* m = OpenSlots(options + kWheels + kCallbacks);
      ASSERT_NE(m, nullptr);
      EXPECT_NE(LogText().find("SlotMachine slots: no \"options\"; its wheels stay empty"), std::string::npos);
      EXPECT_EQ(m->GetWheel(0)->GetName(2), TStr());
      EXPECT_EQ(m->GetWheel(0)->GetCell(2)->GetTexture(), nullptr);
      Run("StartSlots(1, 1, 1, 1, 0)");
      EXPECT_NE(LogText().find("StartSlots: the slot machine has no options"), std::string::npos);
      EXPECT_EQ(RunTurn(m), 1);
      EXPECT_EQ(Global("gCalls"), "stopped;payout;");
      CloseScreen();
    }
    // A wheel without its table is left out; the others play.
    SlotMachine* m = OpenSlots(std::string(kOptions) +
                               "wheel1 = { x = 250, y = 260 }, wheel2 = { x = 350 }, wheel4 = { y = 9 }, " + kCallbacks);
    ASSERT_NE(m, nullptr);
    EXPECT_NE(LogText().find("SlotMachine slots: no \"wheel3\" table; that wheel is left out"), std::string::npos);
    EXPECT_EQ(m->GetWheel(2), nullptr);
    EXPECT_EQ(m->GetWheel(1)->GetStrip()->GetPosition(), TVec2(350, 0));  // a missing number counts 0
    EXPECT_EQ(m->GetWheel(3)->GetStrip()->GetPosition(), TVec2(0, 9));
    // Results outside the options stop on the nearest one there is.
    Run("StartSlots(0, 9, 2, 0/0, 0)");
    RunTurn(m);
    EXPECT_EQ(PayLine(m, 0), "slot_cherry");
    EXPECT_EQ(PayLine(m, 1), "slot_bean");
    EXPECT_EQ(PayLine(m, 3), "slot_cherry");
    EXPECT_EQ(Global("gCalls"), "stopped;payout;");
    std::string log = LogText();
    EXPECT_NE(log.find("StartSlots: wheel 1's result 0 is not one of the 4 options; it stops on option 1"),
              std::string::npos);
    EXPECT_NE(log.find("StartSlots: wheel 2's result 9 is not one of the 4 options; it stops on option 4"),
              std::string::npos);
    CloseScreen();
    // Without the callbacks the turn ends quietly.
    m = OpenSlots(std::string(kOptions) + kWheels);
    TakeEvents();
    Run("StartSlots(1, 1, 1, 1, 1)");
    RunTurn(m);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"spin_stop", "spin_stop", "spin_stop", "spin_stop"}));
    EXPECT_TRUE(m->IsPayoutDone());
  });
}

TEST_F(SlotsTest, ACallbackMayStartTheNextTurn) {
  Play([&](TPlatform*) {
    SlotMachine* m = OpenSlots(std::string(kOptions) + kWheels +
                               "onstopped = function() gCalls = (gCalls or '') .. 'stopped;' "
                               "  if not gAgain then gAgain = true StartSlots(4, 4, 4, 4, 0) end end, "
                               "onpayout = function() gCalls = (gCalls or '') .. 'payout;' end, ");
    ASSERT_NE(m, nullptr);
    Run("StartSlots(1, 1, 1, 1, 5)");
    RunTurn(m);
    // The first turn's payout gives way to the second turn.
    EXPECT_EQ(Global("gCalls"), "stopped;stopped;payout;");
    EXPECT_EQ(PayLine(m, 0), "slot_bean");
  });
}

TEST_F(SlotsTest, TheRewardWindowsHandTheirScriptFunctionsBackWhenTheyGo) {
  struct Case {
    const char* window;
    std::vector<const char*> names;
  } cases[] = {
      {"CratesGame", {"PrepareGame", "SelectPrize"}},
      {"FireworksWindow", {"StartFireworks", "StopFireworks"}},
      {"SlotMachine", {"StartSlots", "StopSlots"}},
  };
  Play([&](TPlatform*) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.window);
      std::string make = std::string("MakeDialog { ") + c.window + " { name = 'w', x = 0, y = 0, w = 10, h = 10 } }";
      Run("PushModal('first') " + make);
      TWindow* first = TWindowManager::Get()->GetTopModal()->FindChild("w");
      Run("PushModal('second') " + make);
      // The later window holds the names; when it goes they are the first one's again.
      CloseScreen();
      for (const char* name : c.names) EXPECT_EQ(Global(name), "function") << name;
      Run(std::string("gOwner = ") + c.names[0] + " and 'kept'");
      EXPECT_EQ(Global("gOwner"), "kept");
      ASSERT_NE(first, nullptr);
      CloseScreen();
      for (const char* name : c.names) EXPECT_EQ(Global(name), "nil") << name;
      // A script that calls them now meets nil, an error of its own, and nothing else happens.
      Run(std::string(c.names[0]) + "()");
      EXPECT_NE(LogText().find(std::string("attempt to call global `") + c.names[0] + "'"), std::string::npos);
    }
  });
}

}  // namespace
