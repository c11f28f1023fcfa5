// CoffeeFactory inside the real platform, built by a screen script as the game builds it: the
// machine its keys describe, the countdown and the clock, times too short to count, groups
// collected with their bonus, sound and number, the belt's speed, misses and the shutdown,
// time-up waiting for shots and products, the game-over panel, pauses by script, Escape and the
// focus, aiming, firing and the hover target, keys the machine could not run on, and a pause
// panel that starts a new game from inside a miss. (A refused recipe and factories coming and
// going: factory_game_window_test.cpp.)
#include "game/minigames/coffee/coffee_factory.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/text/text_sprite.h"
#include "core/graphics/texture.h"
#include "core/windows/message.h"
#include "core/windows/text.h"
#include "game/minigames/chocolate/chocolate_factory.h"
#include "game/minigames/coffee/coffee_gun.h"
#include "game/minigames/coffee/coffee_product.h"
#include "game/minigames/coffee/hopper.h"
#include "game/minigames/coffee/ingredient_grid.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/flying_ingredient.h"
#include "game/minigames/ingredient.h"
#include "game/minigames/ingredient_queue.h"
#include "platform/directx/directx_test_control.h"
#include "platform/test_control.h"
#include "tests/game/minigames/factory_screen_fixture.h"

namespace {

// The belt of 8 x 10 cells at (30, 60), the gun at (520, 560) at the end of the conveyor, the
// product path down from the hopper into the box; `keys' adds to or replaces these.
const char* kKeys =
    "recipe = { 'cocoa', 'milk', 'sugar' }, columns = 8, rows = 10, gridx = 30, gridy = 60,"
    "conveyorpath = { {780, 560}, {700, 560}, {600, 560}, {520, 560} },"
    "productpath = { {695, 380}, {695, 420}, {695, 460}, {695, 500} },"
    "missed = { {480, 20}, {520, 20}, {560, 20} }, matchBonus = { 0, 0, 0, 3, 7, 10 },"
    "top_hood = {230, 58}, bottom_hood = {230, 536},";

class CoffeeFactoryTest : public FactoryScreenTest<CoffeeFactory> {
 protected:
  CoffeeFactoryTest() : FactoryScreenTest("CoffeeFactory", kKeys) {}
  void SetUp() override {
    FactoryScreenTest::SetUp();
    for (const char* name : {"machine_2", "machine_5", "box_open", "conveyor_base_mask_lower", "conveyor_base_mask_upper"}) {
      uint32_t pixels[4] = {0xFF804020u, 0xFF804020u, 0xFF804020u, 0xFF804020u};
      TestControl::Display::WritePng(work.File(std::string("assets/image/") + name + ".png"), pixels, 2, 2, 2);
    }
  }
  // The events without the belt's loop, which starts and stops with every state.
  static std::vector<std::string> TakeGameEvents() {
    std::vector<std::string> out;
    for (const std::string& e : TakeEvents())
      if (e != "conveyor_belt_loop" && e != "Stop_conveyor_belt_loop") out.push_back(e);
    return out;
  }
  // A row of n equal ingredients from the belt's left edge in the row; the last one placed
  // checks for a match, as a landing shot does.
  static std::vector<std::shared_ptr<TSprite>> Line(CoffeeFactory* f, uint32_t row, uint32_t n,
                                                    const char* name = "milk") {
    const auto& grid = f->GetGrid();
    std::vector<std::shared_ptr<TSprite>> pieces;
    for (uint32_t c = 0; c < n; ++c) {
      auto piece = Ingredient::Create(TStr(name));
      PlaceAt(*piece, grid->GetCellPosition(row * grid->GetColumnCount() + c));
      pieces.push_back(piece);
      grid->PlaceIngredient(piece, c + 1 == n);
    }
    TWindowManager::Get()->ProcessMessages();
    return pieces;
  }
};

TEST_F(CoffeeFactoryTest, TheMachineItsKeysDescribe) {
  Play([&](TPlatform*) {
    struct Case {
      std::string keys;
      const char* machine;
      size_t meters;
      TVec2 clock;
      std::string texts;
    } cases[] = {
        {"", "image/machine_2", 3, {720, 60}, ""},
        {"recipe = { 'cocoa', 'milk', 'sugar', 'nuts' },", "image/machine_5", 4, {720, 60}, ""},
        {"recipe = { 'cocoa', 'milk' }, missed = { {1, 2}, 'not a place', 7 },", "image/machine_5", 2, {720, 80},
         " Text { name = 'time', x = 10, y = 10, w = 60, h = 20 },"},
    };
    for (const Case& k : cases) {
      SCOPED_TRACE(k.keys);
      CoffeeFactory* f = Open(k.keys, k.texts);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(CoffeeFactory::GetCurrent(), f);
      EXPECT_EQ(f->GetHopper()->GetTexture(), TTexture::Get(TStr(k.machine)));
      EXPECT_EQ(f->GetHopper()->GetMeters().size(), k.meters);
      EXPECT_EQ(f->GetHopper()->GetPosition(), TVec2(695, 301));
      EXPECT_EQ(f->GetGrid()->GetPosition(), TVec2(30, 60));
      EXPECT_EQ(f->GetGrid()->GetCellCount(), 80u);
      EXPECT_EQ(f->GetGun()->GetPosition(), TVec2(520, 560));  // the conveyor's end
      EXPECT_EQ(f->GetTimerFace()->GetPosition(), k.clock);     // the "score" text's centre
      EXPECT_EQ(f->GetMatchBonus(), (std::vector<uint32_t>{0, 0, 0, 3, 7, 10}));
      // Set up: paused in the countdown, the clock standing, the information panel showing.
      EXPECT_EQ(f->GetGameState(), CoffeeFactory::kCountdown);
      EXPECT_TRUE(f->IsPaused());
      EXPECT_EQ(f->GetTimeLeft(), 63000u);
      EXPECT_EQ(Global("gPanels"), "pause:game_paused;");
      EXPECT_FALSE(Enabled("go"));
      EXPECT_FALSE(Enabled("pause"));
      EXPECT_EQ(Global("StartGame"), "function");
      Close();
    }
    CoffeeFactory* f = Open();
    EXPECT_EQ(f->GetMissSlots(), (std::vector<TVec2>{{480, 20}, {520, 20}, {560, 20}}));
    // The box at the end of the product path, the hoods at their points.
    std::vector<TVec2> at;
    for (const auto& sprite : f->GetRoot()->GetChildren())
      for (const char* name : {"image/box_open", "image/conveyor_base_mask_lower", "image/conveyor_base_mask_upper"})
        if (sprite->GetTexture() && sprite->GetTexture() == TTexture::Get(TStr(name))) at.push_back(sprite->GetPosition());
    EXPECT_EQ(at, (std::vector<TVec2>{{695, 500}, {230, 536}, {230, 58}}));
  });
}

TEST_F(CoffeeFactoryTest, CountdownThenTheClock) {
  Play([&](TPlatform*) {
    CoffeeFactory* f = Open();
    TakeEvents();
    Run("StartGame()");
    EXPECT_EQ(TakeGameEvents(), std::vector<std::string>{"coffee_making_game_intro"});
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
                                                      "coffee_making_game", "conveyor_belt_loop"}));
    EXPECT_EQ(f->GetGameState(), CoffeeFactory::kPlaying);
    EXPECT_EQ(Text(f, "countdown"), "");
    Step(f);
    EXPECT_EQ(Text(f, "time"), "1:00");
    Step(f, 5197);
    EXPECT_EQ(Text(f, "time"), "0:09");
    EXPECT_TRUE(TakeEvents().empty());
    Step(f);
    EXPECT_EQ(Text(f, "time"), "0:08");
    EXPECT_EQ(TakeEvents(), std::vector<std::string>{"whistle"});  // 8000 reached
    const TMat3& hand = f->GetTimerHand()->GetDrawSpec().mMatrix;
    float angle = -2.0f * (float)M_PI * 8000.0f / 60000.0f;
    EXPECT_NEAR(hand.m[0][0], std::cos(angle), 1e-5f);
    EXPECT_NEAR(hand.m[0][1], std::sin(angle), 1e-5f);
  });
}

// Times shorter than a step, or none at all: the clock ends at 0, never wrapping round, and the
// hand has no turn to divide.
TEST_F(CoffeeFactoryTest, TimesShorterThanAStep) {
  Play([&](TPlatform*) {
    for (const char* keys : {"countdowntime = 0, gametime = 0,", "countdowntime = 3, gametime = 4,",
                             "countdowntime = 0, gametime = 15,", "countdowntime = -5, gametime = -100,"}) {
      SCOPED_TRACE(keys);
      CoffeeFactory* f = Open(keys);
      Run("StartGame()");
      Step(f, 2);
      EXPECT_LE(f->GetTimeLeft(), 10u);
      EXPECT_EQ(f->GetGameState(), CoffeeFactory::kTimeUp);
      EXPECT_TRUE(std::isfinite(f->GetTimerHand()->GetDrawSpec().mMatrix.m[0][0]));
      Step(f);
      EXPECT_EQ(f->GetGameState(), CoffeeFactory::kGameOver);
      Close();
    }
  });
}

// The bonus of a group is looked up by its size (the last entry for larger ones); its sound
// grades the points, whatever the size.
TEST_F(CoffeeFactoryTest, GroupsScoreTheirBonus) {
  Play([&](TPlatform*) {
    CoffeeFactory* f = Open("speedup = 2, maxspeed = 5,");
    Run("StartGame()");
    Countdown(f);
    struct Case {
      uint32_t size, score;
      const char* sound;
      size_t numbers;
      float rate;
    } cases[] = {
        {3, 3, "ingredient_match_3", 1, 2}, {4, 10, "ingredient_match_5", 2, 4}, {7, 20, "ingredient_match_5", 3, 5},
    };
    TakeEvents();
    for (const Case& k : cases) {
      SCOPED_TRACE(k.size);
      auto pieces = Line(f, 3, k.size);
      EXPECT_EQ(f->GetScore(), k.score);
      EXPECT_EQ(Text(f, "score"), std::to_string(k.score));
      EXPECT_EQ(TakeGameEvents(), std::vector<std::string>{k.sound});
      EXPECT_EQ(f->GetBonuses().size(), k.numbers);
      EXPECT_FLOAT_EQ(f->GetBeltRate(), k.rate);
      // The collected ingredients leave the belt for the hopper, standing where they were seen.
      TVec2 grid = f->GetGrid()->GetPosition();
      for (uint32_t c = 0; c < k.size; ++c) {
        EXPECT_EQ(pieces[c]->GetParent(), f->GetRoot().get());
        EXPECT_EQ(pieces[c]->GetPosition(), grid + f->GetGrid()->GetCellLocalPosition(3 * 8 + c));
      }
    }
    // The number stands over the group's middle on the belt, rises and fades, and goes.
    auto number = f->GetBonuses().back()->sprite;
    EXPECT_EQ(number->GetParent(), f->GetGrid().get());
    EXPECT_NEAR(number->GetPosition().x, 175, 1e-3f);
    EXPECT_NEAR(number->GetPosition().y, 175, 1e-3f);
    Step(f, 101);  // placed for the age before each step: 1 s
    EXPECT_NEAR(number->GetPosition().y, 100, 1e-3f);
    EXPECT_NEAR(number->GetAlpha(), 0.6f, 1e-5f);
    Step(f, 98);
    EXPECT_FALSE(f->GetBonuses().empty());
    Step(f);
    EXPECT_TRUE(f->GetBonuses().empty());
    EXPECT_EQ(number->GetParent(), nullptr);
    // The hopper has them: 3 + 4 + 7 milk.
    EXPECT_EQ(f->GetHopper()->GetStock(1), 14);
  });
}

TEST_F(CoffeeFactoryTest, GroupsWithoutABonus) {
  Play([&](TPlatform*) {
    for (const char* keys : {"matchBonus = { 0, 0, 0, 0 },", "matchBonus = {},", "matchBonus = 'lots',"}) {
      SCOPED_TRACE(keys);
      CoffeeFactory* f = Open(keys);
      Run("StartGame()");
      Countdown(f);
      TakeEvents();
      Line(f, 2, 3);
      EXPECT_EQ(f->GetScore(), 0u);
      EXPECT_TRUE(f->GetBonuses().empty());
      EXPECT_EQ(TakeGameEvents(), std::vector<std::string>{"ingredient_match_0"});
      EXPECT_EQ(f->GetHopperTask()->GetFlying().size(), 3u);
      EXPECT_EQ(LogText().find("no \"matchBonus\" values") != std::string::npos, std::string(keys).find('0') == std::string::npos);
      Close();
    }
  });
}

TEST_F(CoffeeFactoryTest, MissesSlowTheBeltAndFillTheMissPlaces) {
  Play([&](TPlatform*) {
    struct Case {
      const char* keys;
      int misses;
      std::vector<std::string> events;
      uint32_t state;
      float rate;
    } cases[] = {
        {"missed = {},", 3, {"ingredient_failure_1", "ingredient_failure_2", "ingredient_failure_3"},
         CoffeeFactory::kPlaying, 1.0f},
        {"", 3,
         {"ingredient_failure_1", "ingredient_failure_2", "coffee_making_game_outro", "game_over",
          "ingredient_failure_factory shutdown"},
         CoffeeFactory::kShutDown, 1.5f},
    };
    for (const Case& k : cases) {
      SCOPED_TRACE(k.keys);
      CoffeeFactory* f = Open(k.keys);
      Run("StartGame()");
      Countdown(f);
      TakeEvents();
      f->GetGridTask()->SetRate(6.0f);
      for (int i = 0; i < k.misses; ++i) Miss(f);
      EXPECT_EQ(TakeGameEvents(), k.events);
      EXPECT_EQ(f->GetGameState(), k.state);
      EXPECT_EQ(f->GetMissCount(), (uint32_t)k.misses);
      // Halved by each miss but the one that shut the factory, never below 1.
      EXPECT_FLOAT_EQ(f->GetBeltRate(), k.rate);
      size_t placed = 0;
      for (const auto& sprite : f->GetMissedSprites())
        if (sprite->GetDrawSpec().mMatrix.m[0][0] == 0.6f) ++placed;
      EXPECT_EQ(placed, std::min<size_t>(f->GetMissSlots().size(), k.misses));
      Step(f);
      EXPECT_EQ(f->GetGameState(), k.state == CoffeeFactory::kShutDown ? CoffeeFactory::kGameOver : k.state);
      Close();
    }
  });
}

// Time is up while a shot flies and a product rides to the box: the game ends when both are in.
TEST_F(CoffeeFactoryTest, TimeUpWaitsForShotsAndProducts) {
  Play([&](TPlatform*) {
    CoffeeFactory* f = Open("countdowntime = 0, gametime = 100, gunspeed = 1000, producttime = 800,");
    Run("StartGame()");
    Countdown(f);
    for (const char* name : {"cocoa", "milk", "sugar"}) f->GetHopper()->AddStock(TStr(name));
    f->GetIngredientQueue()->Advance(1.0f);
    Step(f, 8);
    f->OnMouseDown(TPoint{80, 100});
    ASSERT_EQ(f->GetGunTask()->GetFlying().size(), 1u);
    ASSERT_EQ(f->GetProductQueueTask()->GetProducts().size(), 1u);
    TakeEvents();
    Step(f);
    EXPECT_EQ(f->GetGameState(), CoffeeFactory::kTimeUp);
    EXPECT_EQ(Text(f, "time"), "0:00");
    EXPECT_EQ(TakeGameEvents(), (std::vector<std::string>{"coffee_making_game_outro", "game_over"}));
    EXPECT_TRUE(f->GetIngredientQueueTask()->IsStopped());
    EXPECT_TRUE(f->GetGridTask()->IsStopped());
    Run("gPanels = nil");
    int steps = 0;
    while (f->GetGameState() != CoffeeFactory::kGameOver && steps < 1000) {
      Step(f);
      ++steps;
    }
    EXPECT_EQ(steps, 73);  // the product's last 720 ms, then the step that finds nothing under way
    EXPECT_TRUE(f->GetGunTask()->GetFlying().empty());
    EXPECT_EQ(f->GetScore(), 1u);
    EXPECT_EQ(Global("gPanels"), "over:1;");
    EXPECT_TRUE(Enabled("information"));
    EXPECT_FALSE(Enabled("go"));
    EXPECT_FALSE(Enabled("pause"));
    for (TScalingTask* task : {(TScalingTask*)f->GetGunTask(), (TScalingTask*)f->GetHopperTask(),
                               (TScalingTask*)f->GetProductQueueTask(), (TScalingTask*)f->GetGridTask()})
      EXPECT_TRUE(task->IsStopped());

    // Game over stays game over: neither Escape, nor the focus, nor a script pauses it.
    f->OnKeyDown(27, 0);
    CoffeeFactory::PauseRunningGame();
    Run("PauseGame('game_paused')");
    EXPECT_EQ(Global("gPanels"), "over:1;");
    EXPECT_FALSE(f->IsPaused());

    // A new game from the panel.
    Run("StartGame()");
    EXPECT_EQ(f->GetGameState(), CoffeeFactory::kCountdown);
    EXPECT_EQ(f->GetScore(), 0u);
    EXPECT_EQ(Text(f, "score"), "0");
  });
}

TEST_F(CoffeeFactoryTest, PausesByScriptEscapeAndFocus) {
  Play([&](TPlatform* p) {
    CoffeeFactory* f = Open();
    Run("StartGame()");
    Countdown(f);
    f->GetGridTask()->SetRate(3.0f);
    TakeEvents();
    Run("gPanels = nil");

    f->OnKeyDown(27, 0);
    EXPECT_TRUE(f->IsPaused());
    EXPECT_TRUE(Enabled("go"));
    EXPECT_FALSE(Enabled("pause"));
    EXPECT_EQ(Global("gPanels"), "pause:game_paused;");
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"Pause", "Stop_conveyor_belt_loop"}));
    EXPECT_TRUE(f->GetGunTask()->IsStopped());
    uint32_t left = f->GetTimeLeft();

    // Shift+Escape opens the developer menu, paused or not.
    f->OnKeyDown(27, 1);
    Run("gQueued = table.getn(gCommandQueue)");
    EXPECT_EQ(Global("gQueued"), "1");

    // Resuming re-enters play: the tune again and the belt back at its first speed.
    Run("ResumeGame()");
    EXPECT_FALSE(f->IsPaused());
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"Unpause", "conveyor_belt_loop", "coffee_making_game",
                                                      "conveyor_belt_loop"}));
    EXPECT_FLOAT_EQ(f->GetBeltRate(), 1.0f);
    Step(f);
    EXPECT_EQ(f->GetTimeLeft(), left - 10);

    // The focus leaves: the next step pauses, and the clock stands.
    TestControl::InjectActivateApp(TestControl::FindProgramWindow(), false);
    Drain(p);
    ASSERT_FALSE(p->IsWindowActive());
    Step(f);
    EXPECT_TRUE(f->IsPaused());
    EXPECT_EQ(f->GetTimeLeft(), left - 10);
    TestControl::InjectActivateApp(TestControl::FindProgramWindow(), true);
    Drain(p);
    Run("ResumeGame()");
    CoffeeFactory::PauseRunningGame();
    EXPECT_TRUE(f->IsPaused());
  });
}

TEST_F(CoffeeFactoryTest, AimingFiringAndTheTarget) {
  Play([&](TPlatform*) {
    CoffeeFactory* f = Open();
    // Headings clockwise from up; the pointer on the gun itself keeps the last one.
    struct Case {
      TPoint at;
      float heading;
    } cases[] = {{{520, 100}, 0}, {{700, 560}, 90}, {{520, 560}, 90}, {{520, 900}, 180}, {{100, 560}, 270}};
    for (const Case& k : cases) {
      f->OnMouseMove(k.at);
      const TMat3& m = f->GetGun()->GetDrawSpec().mMatrix;
      float rad = k.heading * (float)M_PI / 180.0f;
      EXPECT_NEAR(m.m[0][0], std::cos(rad), 1e-3f) << k.heading;
      EXPECT_NEAR(m.m[0][1], std::sin(rad), 1e-3f) << k.heading;
      EXPECT_EQ(f->GetGun()->GetPosition(), TVec2(520, 560));
    }
    // Shots and the target only in play, and not while paused.
    auto fire = [&] {
      f->GetIngredientQueue()->Advance(1.0f);
      f->OnMouseMove(TPoint{80, 100});
      f->OnMouseDown(TPoint{80, 100});
      return f->GetGunTask()->GetFlying().size();
    };
    EXPECT_EQ(fire(), 0u);
    EXPECT_FALSE(f->GetGrid()->GetTarget()->IsVisible());
    Run("StartGame()");
    EXPECT_EQ(fire(), 0u);  // the countdown
    Countdown(f);
    EXPECT_EQ(fire(), 1u);
    EXPECT_TRUE(f->GetGrid()->GetTarget()->IsVisible());
    Run("PauseGame('game_paused')");
    EXPECT_EQ(fire(), 1u);
    EXPECT_FALSE(f->GetGrid()->GetTarget()->IsVisible());
  });
}

// Speeds the machine could not run at give way to the usual ones, with a line in the log.
TEST_F(CoffeeFactoryTest, UnusableSpeedsAreReplaced) {
  Play([&](TPlatform*) {
    CoffeeFactory* f = Open("gunspeed = 0, gridspeed = 0, producttime = 0, columns = -4, rows = 1,");
    EXPECT_EQ(f->GetGunTask()->GetPeriod(), CoffeeGunTask::kDefaultPeriod);
    EXPECT_EQ(f->GetGridTask()->GetPeriod(), CoffeeGridTask::kDefaultPeriod);
    EXPECT_EQ(f->GetProductQueueTask()->GetTravelTime(), CoffeeProductQueueTask::kDefaultTravelTime);
    EXPECT_EQ(f->GetGrid()->GetCellCount(), 1u);
    for (const char* line : {"CoffeeGunTask: a period of 0 ms", "CoffeeGridTask: a period of 0 ms",
                             "CoffeeProductQueueTask: a period of 0 ms", "-4 columns is outside"})
      EXPECT_NE(LogText().find(line), std::string::npos) << line;
    Run("StartGame()");
    Countdown(f);
    Step(f, 600);
    EXPECT_TRUE(std::isfinite(f->GetGrid()->GetPosition().y));
  });
}

// A pause panel whose script starts a new game, reached from a miss while the gun walks its
// shots: the walk must not go on over what the new game emptied.
TEST_F(CoffeeFactoryTest, ANewGameFromThePausePanelOfAMiss) {
  Play([&](TPlatform*) {
    CoffeeFactory* f = Open("warnOnMiss = true,");
    Run("StartGame()");
    Countdown(f);
    for (int i = 0; i < 3; ++i) {  // three shots past the belt, 30 ms apart
      f->GetIngredientQueue()->Advance(1.0f);
      f->OnMouseDown(TPoint{700, 100});
      Step(f, 3);
    }
    ASSERT_EQ(f->GetGunTask()->GetFlying().size(), 3u);
    Run("gPanels = nil gRestartFromPause = true");
    Step(f, 30);
    EXPECT_EQ(Global("gPanels"), "pause:coffee_first_missed;");
    EXPECT_EQ(f->GetGameState(), CoffeeFactory::kCountdown);
    EXPECT_FALSE(f->IsPaused());
    EXPECT_EQ(f->GetMissCount(), 0u);
    EXPECT_TRUE(f->GetGunTask()->GetFlying().empty());
    EXPECT_TRUE(f->GetMissedSprites().empty());
  });
}

}  // namespace
