// ChocolateFactory inside the real platform, built by a screen script as the game builds it: the
// machine its keys describe, the countdown and the clock, misses and the shutdown, speed-ups,
// time-up and the wind-down to the game-over panel, pauses by script, Escape and the focus,
// the parts' messages, aiming and firing, and a new game started from a pause panel. (A refused
// recipe, a missing modal window and factories coming and going: factory_game_window_test.cpp.)
#include "game/minigames/chocolate/chocolate_factory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "core/base/game_state.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/texture.h"
#include "core/script/lua_table.h"
#include "core/windows/message.h"
#include "core/windows/modal_window.h"
#include "core/windows/text.h"
#include "core/windows/window_style.h"
#include "game/minigames/chocolate/chocolate_gun.h"
#include "game/minigames/chocolate/chocolate_product.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/flying_ring.h"
#include "game/minigames/chocolate/recycler.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/flying_ingredient.h"
#include "game/minigames/ingredient.h"
#include "game/minigames/ingredient_queue.h"
#include "tests/game/minigames/factory_screen_fixture.h"
#include "platform/test_control.h"

namespace {

// A factory of three trays round a loop, a straight conveyor to the gun at (400, 560) and a
// product path into the box; `keys' adds to or replaces these.
const char* kKeys =
    "recipe = { 'cocoa', 'milk', 'sugar' }, traycount = 3,"
    "traypath = { {100, 200}, {300, 100}, {500, 100}, {700, 200}, {500, 300}, {300, 300}, {100, 200} },"
    "conveyorpath = { {100, 560}, {200, 560}, {300, 560}, {400, 560} },"
    "productpath = { {600, 500}, {650, 500}, {700, 500}, {750, 500} },"
    "missed = { {20, 20}, {40, 20}, {60, 20} },";

class FactoryTest : public FactoryScreenTest<ChocolateFactory> {
 protected:
  FactoryTest() : FactoryScreenTest("ChocolateFactory", kKeys) {}
  static std::string State(const char* key) { return TGameState::GetInstance()->GetState(TStr(key)).c_str(); }
  static void Offer(ChocolateFactory* f, int32_t type) {
    OfferFactoryMessage(f, type);
    TWindowManager::Get()->ProcessMessages();
  }
};

TEST_F(FactoryTest, TheMachineItsKeysDescribe) {
  Play([&](TPlatform*) {
    struct Case {
      std::string keys;
      size_t trays, wheelIcons;
      bool recycler;
      TVec2 clock;
      std::string texts;
    } cases[] = {
        {"", 3, 3, false, {720, 60}, ""},
        {"recipe = { 'cocoa', 'milk' }, traycount = 5, recycler = true,", 5, 2, false, {720, 60}, ""},
        {"recycler = true, recyclerpath = { {0, 0}, {1, 0}, {2, 0}, {3, 0} },", 3, 3, true, {720, 80},
         " Text { name = 'time', x = 10, y = 10, w = 60, h = 20 },"},
    };
    for (const Case& k : cases) {
      SCOPED_TRACE(k.keys);
      ChocolateFactory* f = Open(k.keys, k.texts);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(ChocolateFactory::GetCurrent(), f);
      EXPECT_EQ(f->GetTrayTask()->GetTrays().size(), k.trays);
      EXPECT_EQ(f->GetTrayWheel()->GetChildren().size(), k.wheelIcons);
      EXPECT_EQ(f->GetTrayWheel()->GetTexture(), TTexture::Get(TStr::Format("image/tray%d", (int)k.wheelIcons)));
      EXPECT_EQ(f->GetRecyclerTask() != nullptr, k.recycler);
      EXPECT_EQ(f->GetGun()->GetPosition(), TVec2(400, 560));  // the conveyor's end
      EXPECT_EQ(f->GetTimerFace()->GetPosition(), k.clock);     // the "score" text's centre
      EXPECT_EQ(f->GetMissSlots().size(), 3u);
      // Set up: paused in the countdown, the clock standing, the information panel showing.
      EXPECT_EQ(f->GetGameState(), ChocolateFactory::kCountdown);
      EXPECT_TRUE(f->IsPaused());
      EXPECT_EQ(f->GetTimeLeft(), 63000u);
      EXPECT_EQ(Global("gPanels"), "pause:game_paused;");
      EXPECT_FALSE(Enabled("go"));
      EXPECT_FALSE(Enabled("pause"));
      EXPECT_EQ(Global("StartGame"), "function");
      Close();
    }
  });
}

TEST_F(FactoryTest, CountdownThenTheClock) {
  Play([&](TPlatform*) {
    ChocolateFactory* f = Open("warntime = 59000,");
    TakeEvents();
    Run("StartGame()");
    EXPECT_EQ(State("ChocolateFactoryTime"), "1");  // "restart", then resumed
    EXPECT_EQ(State("RecycleCount"), "0");
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"chocolate_making_game_intro"});
    EXPECT_TRUE(Enabled("pause"));
    EXPECT_FALSE(Enabled("go"));
    EXPECT_FALSE(Enabled("information"));

    std::vector<std::string> shown;
    for (int i = 0; i < 301; ++i) {
      Step(f);
      if (!Text(f, "countdown").empty() && (shown.empty() || shown.back() != Text(f, "countdown")))
        shown.push_back(Text(f, "countdown"));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"3", "2", "1"}));
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"clock_tick", "clock_tick", "clock_tick", "start_bell",
                                                      "chocolate_making_game"}));
    EXPECT_EQ(f->GetGameState(), ChocolateFactory::kPlaying);
    EXPECT_EQ(Text(f, "countdown"), "");
    EXPECT_EQ(f->GetTimeLeft(), 59990u);
    Step(f);
    EXPECT_EQ(Text(f, "time"), "1:00");
    Step(f, 98);
    EXPECT_EQ(Text(f, "time"), "0:59");
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"whistle"});  // 59000 crossed
    // The hand turns back round the face with the time left.
    const TMat3& hand = f->GetTimerHand()->GetDrawSpec().mMatrix;
    float angle = -2.0f * (float)M_PI * 59000.0f / 60000.0f;
    EXPECT_NEAR(hand.m[0][0], std::cos(angle), 1e-5f);
    EXPECT_NEAR(hand.m[0][1], std::sin(angle), 1e-5f);
  });
}

// Times shorter than a step: the clock ends at 0 and the game ends, never wrapping round.
TEST_F(FactoryTest, TimesShorterThanAStep) {
  Play([&](TPlatform*) {
    for (const char* keys : {"countdowntime = 0, gametime = 0,", "countdowntime = 3, gametime = 4,",
                             "countdowntime = 0, gametime = 15,"}) {
      SCOPED_TRACE(keys);
      ChocolateFactory* f = Open(keys);
      Run("StartGame()");
      Step(f, 3);
      EXPECT_LE(f->GetTimeLeft(), 10u);
      EXPECT_EQ(f->GetGameState(), ChocolateFactory::kTimeUp);
      Step(f, 200);
      EXPECT_EQ(f->GetGameState(), ChocolateFactory::kGameOver);
      Close();
    }
  });
}

TEST_F(FactoryTest, MissesSlowTheMachineAndFillTheMissPlaces) {
  Play([&](TPlatform*) {
    struct Case {
      const char* keys;
      int misses;
      std::vector<std::string> events;
      uint32_t state;
    } cases[] = {
        {"missed = {},", 3, {"ingredient_failure_1", "ingredient_failure_2", "ingredient_failure_3"},
         ChocolateFactory::kPlaying},
        {"missed = { {20, 20}, 'not a place', {40, 20} },", 3,
         {"ingredient_failure_1", "game_over", "chocolate_making_game_outro", "ingredient_failure_factory shutdown",
          "ingredient_failure_3"},
         ChocolateFactory::kShutDown},
    };
    for (const Case& k : cases) {
      SCOPED_TRACE(k.keys);
      ChocolateFactory* f = Open(k.keys);
      Run("StartGame()");
      Countdown(f);
      TakeEvents();
      f->GetTrayTask()->SetRate(6.0f);
      for (int i = 0; i < k.misses; ++i) Miss(f);
      EXPECT_EQ(TakeEvents(), k.events);
      EXPECT_EQ(f->GetGameState(), k.state);
      EXPECT_EQ(f->GetMissCount(), (uint32_t)k.misses);
      // Halved by each miss but the one that shut the factory, never below 1.
      EXPECT_FLOAT_EQ(f->GetMachineSpeed(), k.state == ChocolateFactory::kShutDown ? 1.5f : 1.0f);
      size_t placed = 0;
      for (const auto& sprite : f->GetMissedSprites())
        if (sprite->GetDrawSpec().mMatrix.m[0][0] == 0.6f) ++placed;
      EXPECT_EQ(placed, std::min<size_t>(f->GetMissSlots().size(), k.misses));
      if (!f->GetMissSlots().empty()) {
        EXPECT_EQ(f->GetMissedSprites()[1]->GetPosition(), TVec2(40, 20));
      }
      Close();
    }
  });
}

TEST_F(FactoryTest, SpeedUpsStopAtTheMaximum) {
  Play([&](TPlatform*) {
    ChocolateFactory* f = Open("speedup = 2, maxspeed = 5,");
    Run("StartGame()");
    Countdown(f);
    std::vector<float> speeds;
    for (int i = 0; i < 4; ++i) {
      // As a completed tray offers it: to the top modal window, which hands it to its focus.
      TWindow* top = TWindowManager::Get()->GetTopModal();
      top->BubbleMessage(new TMessage(kFactoryTrayCompleted, TStr(), top));
      speeds.push_back(f->GetMachineSpeed());
    }
    EXPECT_EQ(speeds, (std::vector<float>{2, 4, 5, 5}));
    Miss(f);
    EXPECT_FLOAT_EQ(f->GetMachineSpeed(), 2.5f);
  });
}

TEST_F(FactoryTest, PartsMessagesCountAndTurnTheWheel) {
  Play([&](TPlatform*) {
    ChocolateFactory* f = Open();
    Run("StartGame()");
    Countdown(f);
    TakeEvents();
    Offer(f, kFactoryTrayDelivered);
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"snatch"});
    EXPECT_EQ(f->GetProductQueueTask()->GetProducts().size(), 1u);
    Step(f, 10);
    EXPECT_NE(f->GetWheelTurn(), 0u);
    EXPECT_NE(f->GetTrayWheel()->GetDrawSpec().mMatrix.m[0][1], 0.0f);
    Step(f, 30);
    EXPECT_EQ(f->GetWheelTurn(), 0u);  // one turn of 400 ms
    Offer(f, kFactoryTrayBonus);
    EXPECT_EQ(f->GetProductQueueTask()->GetProducts().size(), 2u);
    Offer(f, kFactoryRingLanded);
    Offer(f, kFactoryProductCounted);
    EXPECT_EQ(f->GetScore(), 2u);
    EXPECT_EQ(Text(f, "score"), "2");
    Run("gScore = GetScore()");
    EXPECT_EQ(Global("gScore"), "2");

    // A colour match launches one ring from each place toward the box's corner.
    auto tray = f->GetTrayTask()->GetTrays()[0];
    f->BubbleMessage(new FlyingRingStartMessage(tray, kColourRed, f));
    ASSERT_EQ(f->GetRingTask()->GetRings().size(), 3u);
    Step(f, 50);
    EXPECT_TRUE(f->GetRingTask()->GetRings().empty());
    EXPECT_EQ(f->GetScore(), 5u);
  });
}

TEST_F(FactoryTest, TimeUpWindsTheMachineDownToTheGameOverPanel) {
  Play([&](TPlatform*) {
    ChocolateFactory* f = Open("countdowntime = 0, gametime = 100,");
    Run("StartGame()");
    Countdown(f);
    // A complete tray at time-up: the machine runs fast to deliver it.
    auto tray = f->GetTrayTask()->GetTrays()[0];
    for (const char* name : {"cocoa", "milk", "sugar"}) tray->AddIngredient(Ingredient::Create(TStr(name)));
    ASSERT_TRUE(tray->IsComplete());
    Step(f, 10);
    EXPECT_EQ(f->GetGameState(), ChocolateFactory::kTimeUp);
    EXPECT_EQ(Text(f, "time"), "0:00");
    EXPECT_FLOAT_EQ(f->GetMachineSpeed(), 5.0f);
    EXPECT_TRUE(f->GetIngredientQueueTask()->IsStopped());
    for (int i = 0; i < 3000 && f->GetTrayTask()->HasCompleteTray(); ++i) Step(f);
    ASSERT_FALSE(f->GetTrayTask()->HasCompleteTray());
    EXPECT_EQ(f->GetProductQueueTask()->GetProducts().size(), 1u);  // the delivered tray's
    // Nothing under way any more: 5 % slower a step, down to the stop below 0.05.
    for (int i = 0; i < 3000 && !f->GetProductQueueTask()->GetProducts().empty(); ++i) Step(f);
    EXPECT_EQ(f->GetScore(), 1u);
    int steps = 0;
    Run("gPanels = nil");
    TakeEvents();
    while (f->GetGameState() != ChocolateFactory::kGameOver && steps < 200) {
      Step(f);
      ++steps;
    }
    EXPECT_EQ(steps, 90);
    EXPECT_EQ(Global("gPanels"), "over:1;");
    EXPECT_TRUE(Enabled("information"));
    EXPECT_FALSE(Enabled("go"));
    EXPECT_FALSE(Enabled("pause"));
    for (TScalingTask* task : {(TScalingTask*)f->GetTrayTask(), (TScalingTask*)f->GetGunTask()})
      EXPECT_TRUE(task->IsStopped());

    // Game over stays game over: neither Escape, nor the focus, nor a script pauses it.
    f->OnKeyDown(27, 0);
    ChocolateFactory::PauseRunningGame();
    Run("PauseGame('game_paused')");
    EXPECT_EQ(Global("gPanels"), "over:1;");
    EXPECT_FALSE(f->IsPaused());
    EXPECT_TRUE(TakeEvents().empty());

    // A new game from the panel.
    Run("StartGame()");
    EXPECT_EQ(f->GetGameState(), ChocolateFactory::kCountdown);
    EXPECT_EQ(f->GetScore(), 0u);
    EXPECT_EQ(Text(f, "score"), "0");
  });
}

TEST_F(FactoryTest, PausesByScriptEscapeAndFocus) {
  Play([&](TPlatform* p) {
    ChocolateFactory* f = Open();
    Run("StartGame()");
    Countdown(f);
    TakeEvents();
    Run("gPanels = nil");

    f->OnKeyDown(27, 0);
    EXPECT_TRUE(f->IsPaused());
    EXPECT_EQ(State("ChocolateFactoryTime"), "0");
    EXPECT_TRUE(Enabled("go"));
    EXPECT_FALSE(Enabled("pause"));
    EXPECT_EQ(Global("gPanels"), "pause:game_paused;");
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"Pause"});
    EXPECT_TRUE(f->GetTrayTask()->IsStopped());
    uint32_t left = f->GetTimeLeft();

    // Shift+Escape opens the developer menu, paused or not: the dialog waits, so it goes to the
    // script's coroutine (here none runs, so it is queued for it).
    f->OnKeyDown(27, 1);
    Run("gQueued = table.getn(gCommandQueue)");
    EXPECT_EQ(Global("gQueued"), "1");

    Run("ResumeGame()");
    EXPECT_FALSE(f->IsPaused());
    EXPECT_EQ(State("ChocolateFactoryTime"), "1");
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"Unpause", "chocolate_making_game"}));
    Step(f);
    EXPECT_EQ(f->GetTimeLeft(), left - 10);

    // The focus leaves: the next step pauses, and the clock stands.
    TestControl::InjectActivateApp(TestControl::FindProgramWindow(), false);
    Drain(p);
    ASSERT_FALSE(p->IsWindowActive());
    Step(f);
    EXPECT_TRUE(f->IsPaused());
    EXPECT_EQ(f->GetTimeLeft(), left - 10);
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"Pause"});
    TestControl::InjectActivateApp(TestControl::FindProgramWindow(), true);
    Drain(p);

    // Resumed while time is up, the state's sounds come again.
    Run("ResumeGame()");
    f->SetGameState(ChocolateFactory::kTimeUp);
    TakeEvents();
    Run("PauseGame('game_paused') ResumeGame()");
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"Pause", "Unpause", "game_over", "chocolate_making_game_outro"}));
  });
}

TEST_F(FactoryTest, AimingAndFiring) {
  Play([&](TPlatform*) {
    ChocolateFactory* f = Open();
    // Headings clockwise from up; the pointer on the gun itself keeps the last one.
    struct Case {
      TPoint at;
      float heading;
    } cases[] = {{{400, 100}, 0}, {{700, 560}, 90}, {{400, 560}, 90}, {{400, 900}, 180}, {{100, 560}, 270}};
    for (const Case& k : cases) {
      f->OnMouseMove(k.at);
      const TMat3& m = f->GetGun()->GetDrawSpec().mMatrix;
      float rad = k.heading * (float)M_PI / 180.0f;
      EXPECT_NEAR(m.m[0][0], std::cos(rad), 1e-3f) << k.heading;  // the arc cosine is coarse near 1
      EXPECT_NEAR(m.m[0][1], std::sin(rad), 1e-3f) << k.heading;
      EXPECT_EQ(f->GetGun()->GetPosition(), TVec2(400, 560));
    }
    // Shots only in play, and not while paused.
    auto fire = [&] {
      f->GetIngredientQueue()->Advance(1.0f);
      f->OnMouseDown(TPoint{400, 100});
      return f->GetGunTask()->GetFlying().size();
    };
    EXPECT_EQ(fire(), 0u);
    Run("StartGame()");
    EXPECT_EQ(fire(), 0u);  // the countdown
    Countdown(f);
    EXPECT_EQ(fire(), 1u);
    Run("PauseGame('game_paused')");
    EXPECT_EQ(fire(), 1u);
  });
}

// A pause panel whose script starts a new game, reached from a miss while the gun walks its
// shots: the walk must not go on over what the new game emptied.
TEST_F(FactoryTest, ANewGameFromThePausePanelOfAMiss) {
  Play([&](TPlatform*) {
    ChocolateFactory* f = Open("warnOnMiss = true, traypath = { {0, 0}, {1, 0}, {2, 0}, {3, 0} },");
    Run("StartGame()");
    Countdown(f);
    for (int i = 0; i < 3; ++i) {  // three shots up into the empty sky, 30 ms apart
      f->GetIngredientQueue()->Advance(1.0f);
      f->OnMouseDown(TPoint{400, 100});
      Step(f, 3);
    }
    ASSERT_EQ(f->GetGunTask()->GetFlying().size(), 3u);
    Run("gPanels = nil gRestartFromPause = true");
    Step(f, 30);
    EXPECT_EQ(Global("gPanels"), "pause:choco_first_missed;");
    EXPECT_EQ(f->GetGameState(), ChocolateFactory::kCountdown);
    EXPECT_FALSE(f->IsPaused());
    EXPECT_EQ(f->GetMissCount(), 0u);
    EXPECT_TRUE(f->GetGunTask()->GetFlying().empty());
    EXPECT_TRUE(f->GetMissedSprites().empty());
  });
}

}  // namespace
