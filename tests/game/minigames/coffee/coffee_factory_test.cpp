// CoffeeFactory inside the real platform, built by a screen script as the game builds it: what
// is its own beside the shared window: the machine its keys describe, the belt's loop and speed
// with the pauses, groups collected with their bonus, sound and number, time-up waiting for shots
// and products, the target over the belt, and keys the machine could not run on. (What it does
// alike with the chocolate factory: factory_game_window_test.cpp.)
#include "game/minigames/coffee/coffee_factory.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/text/text_sprite.h"
#include "core/graphics/texture.h"
#include "game/minigames/coffee/coffee_gun.h"
#include "game/minigames/coffee/coffee_product.h"
#include "game/minigames/coffee/hopper.h"
#include "game/minigames/coffee/ingredient_grid.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/flying_ingredient.h"
#include "game/minigames/ingredient.h"
#include "game/minigames/ingredient_queue.h"
#include "platform/directx/directx_test_control.h"
#include "tests/game/minigames/factory_screen_fixture.h"

namespace {

class CoffeeFactoryTest : public FactoryScreenTest<CoffeeFactory> {
 protected:
  void SetUp() override {
    FactoryScreenTest::SetUp();
    for (const char* name : {"machine_2", "machine_5", "box_open", "conveyor_base_mask_lower", "conveyor_base_mask_upper"}) {
      uint32_t pixels[4] = {0xFF804020u, 0xFF804020u, 0xFF804020u, 0xFF804020u};
      TestControl::Display::WritePng(work.File(std::string("assets/image/") + name + ".png"), pixels, 2, 2, 2);
    }
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
    } cases[] = {
        {"", "image/machine_2", 3},
        {"recipe = { 'cocoa', 'milk', 'sugar', 'nuts' },", "image/machine_5", 4},
        {"recipe = { 'cocoa', 'milk' }, missed = { {1, 2}, 'not a place', 7 },", "image/machine_5", 2},
    };
    for (const Case& k : cases) {
      SCOPED_TRACE(k.keys);
      CoffeeFactory* f = Open(k.keys);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->GetHopper()->GetTexture(), TTexture::Get(TStr(k.machine)));
      EXPECT_EQ(f->GetHopper()->GetMeters().size(), k.meters);
      EXPECT_EQ(f->GetHopper()->GetPosition(), TVec2(695, 301));
      EXPECT_EQ(f->GetGrid()->GetPosition(), TVec2(30, 60));
      EXPECT_EQ(f->GetGrid()->GetCellCount(), 80u);
      EXPECT_EQ(f->GetMatchBonus(), (std::vector<uint32_t>{0, 0, 0, 3, 7, 10}));
      Close();
    }
    CoffeeFactory* f = Open();
    // The box at the end of the product path, the hoods at their points.
    std::vector<TVec2> at;
    for (const auto& sprite : f->GetRoot()->GetChildren())
      for (const char* name : {"image/box_open", "image/conveyor_base_mask_lower", "image/conveyor_base_mask_upper"})
        if (sprite->GetTexture() && sprite->GetTexture() == TTexture::Get(TStr(name))) at.push_back(sprite->GetPosition());
    EXPECT_EQ(at, (std::vector<TVec2>{{695, 500}, {230, 536}, {230, 58}}));
  });
}

// The belt's loop sounds while the belt runs; resuming re-enters play with the belt back at its
// first speed.
TEST_F(CoffeeFactoryTest, TheBeltLoopsAndRestartsWithPlay) {
  Play([&](TPlatform*) {
    CoffeeFactory* f = Open();
    Run("StartGame()");
    TakeEvents();
    Countdown(f);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"clock_tick", "clock_tick", "clock_tick", "start_bell",
                                                      "coffee_making_game", "conveyor_belt_loop"}));
    f->GetGridTask()->SetRate(3.0f);
    f->OnKeyDown(27, 0);
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"Pause", "Stop_conveyor_belt_loop"}));
    EXPECT_TRUE(f->GetGridTask()->IsStopped());
    Run("ResumeGame()");
    EXPECT_EQ(TakeEvents(), (std::vector<std::string>{"Unpause", "conveyor_belt_loop", "coffee_making_game",
                                                      "conveyor_belt_loop"}));
    EXPECT_FLOAT_EQ(f->GetBeltRate(), 1.0f);
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
    Step(f);
    EXPECT_EQ(f->GetGameState(), CoffeeFactory::kTimeUp);
    EXPECT_TRUE(f->GetGridTask()->IsStopped());
    Run("gPanels = nil");
    // The product's last 720 ms, then the step that finds nothing under way.
    EXPECT_EQ(StepsToGameOver(f), 73);
    EXPECT_TRUE(f->GetGunTask()->GetFlying().empty());
    EXPECT_EQ(f->GetScore(), 1u);
    EXPECT_EQ(Global("gPanels"), "over:1;");
  });
}

// The target shows where a shot would land only while the game can be played.
TEST_F(CoffeeFactoryTest, TheTargetOnlyInPlay) {
  Play([&](TPlatform*) {
    CoffeeFactory* f = Open();
    auto shown = [&] {
      f->OnMouseMove(TPoint{80, 100});
      return f->GetGrid()->GetTarget()->IsVisible();
    };
    EXPECT_FALSE(shown());
    Run("StartGame()");
    EXPECT_FALSE(shown());  // the countdown
    Countdown(f);
    EXPECT_TRUE(shown());
    Run("PauseGame('game_paused')");
    EXPECT_FALSE(shown());
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

}  // namespace
