// ChocolateFactory inside the real platform, built by a screen script as the game builds it:
// what is its own beside the shared window: the machine its keys describe, the game state it
// keeps for the scripts, speed-ups, the parts' messages, and time-up winding the machine down
// with a full tray. (What it does alike with the coffee factory: factory_game_window_test.cpp.)
#include "game/minigames/chocolate/chocolate_factory.h"

#include <gtest/gtest.h>

#include "core/base/game_state.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/texture.h"
#include "core/windows/message.h"
#include "game/minigames/chocolate/chocolate_product.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/flying_ring.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/ingredient.h"
#include "tests/game/minigames/factory_screen_fixture.h"

namespace {

class FactoryTest : public FactoryScreenTest<ChocolateFactory> {
 protected:
  static std::string State(const char* key) { return TGameState::GetInstance()->GetState(TStr(key)).c_str(); }
};

TEST_F(FactoryTest, TheMachineItsKeysDescribe) {
  Play([&](TPlatform*) {
    struct Case {
      std::string keys;
      size_t trays, wheelIcons;
      bool recycler;
    } cases[] = {
        {"", 3, 3, false},
        {"recipe = { 'cocoa', 'milk' }, traycount = 5, recycler = true,", 5, 2, false},
        {"recycler = true, recyclerpath = { {0, 0}, {1, 0}, {2, 0}, {3, 0} },", 3, 3, true},
    };
    for (const Case& k : cases) {
      SCOPED_TRACE(k.keys);
      ChocolateFactory* f = Open(k.keys);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->GetTrayTask()->GetTrays().size(), k.trays);
      EXPECT_EQ(f->GetTrayWheel()->GetChildren().size(), k.wheelIcons);
      EXPECT_EQ(f->GetTrayWheel()->GetTexture(), TTexture::Get(TStr::Format("image/tray%d", (int)k.wheelIcons)));
      EXPECT_EQ(f->GetRecyclerTask() != nullptr, k.recycler);
      Close();
    }
  });
}

// The scripts read whether the clock runs from the game state, and the recycled count starts
// anew with each game.
TEST_F(FactoryTest, TheGameStateFollowsThePause) {
  Play([&](TPlatform*) {
    ChocolateFactory* f = Open();
    Run("StartGame()");
    EXPECT_EQ(State("ChocolateFactoryTime"), "1");  // "restart", then resumed
    EXPECT_EQ(State("RecycleCount"), "0");
    Countdown(f);
    f->OnKeyDown(27, 0);
    EXPECT_EQ(State("ChocolateFactoryTime"), "0");
    Run("ResumeGame()");
    EXPECT_EQ(State("ChocolateFactoryTime"), "1");
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

// A complete tray at time-up: the machine runs fast to deliver it, then, with nothing under way,
// slows by 5 % a step down to the stop below 0.05.
TEST_F(FactoryTest, TimeUpWindsTheMachineDownToTheGameOverPanel) {
  Play([&](TPlatform*) {
    ChocolateFactory* f = Open("countdowntime = 0, gametime = 100,");
    Run("StartGame()");
    Countdown(f);
    auto tray = f->GetTrayTask()->GetTrays()[0];
    for (const char* name : {"cocoa", "milk", "sugar"}) tray->AddIngredient(Ingredient::Create(TStr(name)));
    ASSERT_TRUE(tray->IsComplete());
    Step(f, 10);
    EXPECT_EQ(f->GetGameState(), ChocolateFactory::kTimeUp);
    EXPECT_FLOAT_EQ(f->GetMachineSpeed(), 5.0f);
    for (int i = 0; i < 3000 && f->GetTrayTask()->HasCompleteTray(); ++i) Step(f);
    ASSERT_FALSE(f->GetTrayTask()->HasCompleteTray());
    EXPECT_EQ(f->GetProductQueueTask()->GetProducts().size(), 1u);  // the delivered tray's
    for (int i = 0; i < 3000 && !f->GetProductQueueTask()->GetProducts().empty(); ++i) Step(f);
    EXPECT_EQ(f->GetScore(), 1u);
    Run("gPanels = nil");
    EXPECT_EQ(StepsToGameOver(f, 200), 90);
    EXPECT_EQ(Global("gPanels"), "over:1;");
  });
}

}  // namespace
