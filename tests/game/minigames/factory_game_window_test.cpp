// What both factory windows do alike through their shared window, checked on each: the set-up
// its screen gives it, the countdown and the clock, times too short to count, misses and the
// shutdown, time-up and the game-over panel, pauses by script, Escape and the focus, aiming and
// firing, a new game started from the pause panel of a miss, Escape on each of its panels, the
// sound given back when a paused factory closes, a recipe without ingredients refused with its
// screen closed, a factory outside a modal window, and the factory of the moment with the
// script functions when factories of both kinds come and go in any order (a later factory
// takes the names; the last one gone hands them back). What differs between the kinds comes
// from FactoryKind.
#include "game/minigames/factory_game_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/graphics/sprites/animated_sprite.h"
#include "core/script/lua_table.h"
#include "core/windows/window_style.h"
#include "game/minigames/factory_parts.h"
#include "platform/test_control.h"
#include "tests/game/minigames/factory_kind.h"
#include "tests/game/minigames/factory_screen_fixture.h"

namespace {

template <class F>
class FactoryWindowTest : public FactoryScreenTest<F> {};

using Factories = ::testing::Types<ChocolateFactory, CoffeeFactory>;
TYPED_TEST_SUITE(FactoryWindowTest, Factories);

std::vector<std::string> Joined(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The clock face stands over the "score" text's centre, or at (720, 80) without one.
TYPED_TEST(FactoryWindowTest, SetUpPausedInTheCountdown) {
  using K = FactoryKind<TypeParam>;
  this->Play([&](TPlatform*) {
    struct Case {
      std::string texts;
      TVec2 clock;
    } cases[] = {
        {"", {720, 60}},
        {" Text { name = 'time', x = 10, y = 10, w = 60, h = 20 },", {720, 80}},
    };
    for (const Case& k : cases) {
      SCOPED_TRACE(k.texts);
      TypeParam* f = this->Open("", k.texts);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(TypeParam::GetCurrent(), f);
      EXPECT_EQ(f->GetGun()->GetPosition(), K::Gun());  // the conveyor's end
      EXPECT_EQ(f->GetTimerFace()->GetPosition(), k.clock);
      EXPECT_EQ(f->GetMissSlots(), K::MissSlots());
      // Paused in the countdown, the clock standing, the information panel showing.
      EXPECT_EQ(f->GetGameState(), TypeParam::kCountdown);
      EXPECT_TRUE(f->IsPaused());
      EXPECT_EQ(f->GetTimeLeft(), 63000u);
      EXPECT_EQ(ShellFixture::Global("gPanels"), "pause:game_paused;");
      EXPECT_FALSE(this->Enabled("go"));
      EXPECT_FALSE(this->Enabled("pause"));
      EXPECT_EQ(ShellFixture::Global("StartGame"), "function");
      this->Close();
    }
  });
}

// The clock shows the time left rounded up; the whistle sounds when the warning time is reached
// (8 s unless the keys say otherwise), not before.
TYPED_TEST(FactoryWindowTest, CountdownThenTheClock) {
  using K = FactoryKind<TypeParam>;
  this->Play([&](TPlatform*) {
    struct Case {
      const char* keys;
      uint32_t warn;
      const char* before;
      const char* at;
    } cases[] = {{"", 8000, "0:09", "0:08"}, {"warntime = 59000,", 59000, "1:00", "0:59"}};
    for (const Case& k : cases) {
      SCOPED_TRACE(k.keys);
      TypeParam* f = this->Open(k.keys);
      this->TakeEvents();
      ShellFixture::Run("StartGame()");
      EXPECT_EQ(this->TakeGameEvents(), std::vector<std::string>{std::string(K::kTune) + "_intro"});
      EXPECT_TRUE(this->Enabled("pause"));
      EXPECT_FALSE(this->Enabled("go"));
      EXPECT_FALSE(this->Enabled("information"));

      std::vector<std::string> shown;
      for (int i = 0; i < 301; ++i) {
        this->Step(f);
        std::string now = this->Text(f, "countdown");
        if (!now.empty() && (shown.empty() || shown.back() != now)) shown.push_back(now);
      }
      EXPECT_EQ(shown, (std::vector<std::string>{"3", "2", "1"}));
      EXPECT_EQ(this->TakeGameEvents(),
                (std::vector<std::string>{"clock_tick", "clock_tick", "clock_tick", "start_bell", K::kTune}));
      EXPECT_EQ(f->GetGameState(), TypeParam::kPlaying);
      EXPECT_EQ(this->Text(f, "countdown"), "");
      EXPECT_EQ(f->GetTimeLeft(), 59990u);
      this->Step(f);
      EXPECT_EQ(this->Text(f, "time"), "1:00");
      this->Step(f, (int)(59980 - k.warn) / 10 - 1);
      EXPECT_EQ(this->Text(f, "time"), k.before);
      EXPECT_TRUE(this->TakeEvents().empty());
      this->Step(f);
      EXPECT_EQ(this->Text(f, "time"), k.at);
      EXPECT_EQ(this->TakeEvents(), std::vector<std::string>{"whistle"});
      // The hand turns back round the face with the time left.
      const TMat3& hand = f->GetTimerHand()->GetDrawSpec().mMatrix;
      float angle = -2.0f * (float)M_PI * (float)k.warn / 60000.0f;
      EXPECT_NEAR(hand.m[0][0], std::cos(angle), 1e-5f);
      EXPECT_NEAR(hand.m[0][1], std::sin(angle), 1e-5f);
      this->Close();
    }
  });
}

// Times shorter than a step, or none at all: the clock ends at 0, never wrapping round, the hand
// has no turn to divide, and the game ends as after any time-up.
TYPED_TEST(FactoryWindowTest, TimesShorterThanAStep) {
  using K = FactoryKind<TypeParam>;
  this->Play([&](TPlatform*) {
    for (const char* keys : {"countdowntime = 0, gametime = 0,", "countdowntime = 3, gametime = 4,",
                             "countdowntime = 0, gametime = 15,", "countdowntime = -5, gametime = -100,"}) {
      SCOPED_TRACE(keys);
      TypeParam* f = this->Open(keys);
      ShellFixture::Run("StartGame()");
      this->Step(f, 2);
      EXPECT_LE(f->GetTimeLeft(), 10u);
      EXPECT_EQ(f->GetGameState(), TypeParam::kTimeUp);
      EXPECT_TRUE(std::isfinite(f->GetTimerHand()->GetDrawSpec().mMatrix.m[0][0]));
      EXPECT_EQ(this->StepsToGameOver(f), K::StepsToStand(K::Speed(f)));
      this->Close();
    }
  });
}

// Each miss lays its ingredient on the next miss place and halves the machine's speed, never
// below 1; the miss that takes the last place shuts the factory down instead, which then comes
// to a stand. A place that is no point is passed over; without places nothing shuts.
TYPED_TEST(FactoryWindowTest, MissesSlowTheMachineAndFillTheMissPlaces) {
  using K = FactoryKind<TypeParam>;
  const std::vector<std::string> shutdown = Joined(K::EndSounds(), {"ingredient_failure_factory shutdown"});
  this->Play([&](TPlatform*) {
    struct Case {
      const char* keys;
      std::vector<TVec2> places;
      std::vector<std::string> events;
      uint32_t state;
      float speed;
    } cases[] = {
        {"missed = {},", {}, {"ingredient_failure_1", "ingredient_failure_2", "ingredient_failure_3"},
         TypeParam::kPlaying, 1.0f},
        {"missed = { {20, 20}, 'not a place', {40, 20} },", {{20, 20}, {40, 20}},
         Joined(Joined({"ingredient_failure_1"}, shutdown), {"ingredient_failure_3"}), TypeParam::kShutDown, 1.5f},
        {"", K::MissSlots(), Joined({"ingredient_failure_1", "ingredient_failure_2"}, shutdown), TypeParam::kShutDown,
         1.5f},
    };
    for (const Case& k : cases) {
      SCOPED_TRACE(k.keys);
      TypeParam* f = this->Open(k.keys);
      ShellFixture::Run("StartGame()");
      this->Countdown(f);
      this->TakeEvents();
      K::SpeedTask(f)->SetRate(6.0f);
      for (int i = 0; i < 3; ++i) this->Miss(f);
      EXPECT_EQ(this->TakeGameEvents(), k.events);
      EXPECT_EQ(f->GetGameState(), k.state);
      EXPECT_EQ(f->GetMissCount(), 3u);
      // Halved by each miss but the one that shut the factory.
      EXPECT_FLOAT_EQ(K::Speed(f), k.speed);
      EXPECT_EQ(f->GetMissSlots(), k.places);
      size_t placed = 0;
      for (const auto& sprite : f->GetMissedSprites())
        if (sprite->GetDrawSpec().mMatrix.m[0][0] == 0.6f) ++placed;
      EXPECT_EQ(placed, std::min<size_t>(k.places.size(), 3));
      for (size_t i = 0; i < placed; ++i) EXPECT_EQ(f->GetMissedSprites()[i]->GetPosition(), k.places[i]);
      if (k.state == TypeParam::kShutDown) {
        EXPECT_EQ(this->StepsToGameOver(f), K::StepsToStand(k.speed));
      } else {
        this->Step(f);
        EXPECT_EQ(f->GetGameState(), k.state);
      }
      this->Close();
    }
  });
}

// Time-up sounds the end and stops the ingredients; with nothing under way the game-over panel
// follows with the score. Game over stays game over until the panel starts a new game.
TYPED_TEST(FactoryWindowTest, TimeUpThenTheGameOverPanel) {
  using K = FactoryKind<TypeParam>;
  this->Play([&](TPlatform*) {
    TypeParam* f = this->Open("countdowntime = 0, gametime = 100,");
    ShellFixture::Run("StartGame()");
    this->Countdown(f);
    this->Offer(f, kFactoryProductCounted);
    EXPECT_EQ(this->Text(f, "score"), "1");
    this->TakeEvents();
    for (int i = 0; i < 20 && f->GetGameState() == TypeParam::kPlaying; ++i) this->Step(f);
    EXPECT_EQ(f->GetGameState(), TypeParam::kTimeUp);
    EXPECT_EQ(this->Text(f, "time"), "0:00");
    EXPECT_EQ(this->TakeGameEvents(), K::EndSounds());
    EXPECT_TRUE(f->GetIngredientQueueTask()->IsStopped());

    ShellFixture::Run("gPanels = nil");
    this->StepsToGameOver(f);
    ASSERT_EQ(f->GetGameState(), TypeParam::kGameOver);
    EXPECT_EQ(ShellFixture::Global("gPanels"), "over:1;");
    EXPECT_TRUE(this->Enabled("information"));
    EXPECT_FALSE(this->Enabled("go"));
    EXPECT_FALSE(this->Enabled("pause"));
    for (TScalingTask* task : K::Tasks(f)) EXPECT_TRUE(task->IsStopped());

    // Neither Escape, nor the focus, nor a script pauses it.
    f->OnKeyDown(27, 0);
    TypeParam::PauseRunningGame();
    ShellFixture::Run("PauseGame('game_paused')");
    EXPECT_EQ(ShellFixture::Global("gPanels"), "over:1;");
    EXPECT_FALSE(f->IsPaused());
    EXPECT_TRUE(this->TakeGameEvents().empty());

    // A new game from the panel.
    ShellFixture::Run("StartGame()");
    EXPECT_EQ(f->GetGameState(), TypeParam::kCountdown);
    EXPECT_EQ(f->GetScore(), 0u);
    EXPECT_EQ(this->Text(f, "score"), "0");
  });
}

TYPED_TEST(FactoryWindowTest, PausesByScriptEscapeAndFocus) {
  using K = FactoryKind<TypeParam>;
  this->Play([&](TPlatform* p) {
    TypeParam* f = this->Open();
    ShellFixture::Run("StartGame()");
    this->Countdown(f);
    this->TakeEvents();
    ShellFixture::Run("gPanels = nil");

    f->OnKeyDown(27, 0);
    EXPECT_TRUE(f->IsPaused());
    EXPECT_TRUE(this->Enabled("go"));
    EXPECT_FALSE(this->Enabled("pause"));
    EXPECT_EQ(ShellFixture::Global("gPanels"), "pause:game_paused;");
    EXPECT_EQ(this->TakeGameEvents(), std::vector<std::string>{"Pause"});
    for (TScalingTask* task : K::Tasks(f)) EXPECT_TRUE(task->IsStopped());
    uint32_t left = f->GetTimeLeft();

    // Shift+Escape opens the developer menu, paused or not: the dialog waits, so it goes to the
    // script's coroutine (here none runs, so it is queued for it).
    f->OnKeyDown(27, 1);
    ShellFixture::Run("gQueued = table.getn(gCommandQueue)");
    EXPECT_EQ(ShellFixture::Global("gQueued"), "1");

    // Resuming re-enters play, with its tune.
    ShellFixture::Run("ResumeGame()");
    EXPECT_FALSE(f->IsPaused());
    EXPECT_EQ(this->TakeGameEvents(), (std::vector<std::string>{"Unpause", K::kTune}));
    this->Step(f);
    EXPECT_EQ(f->GetTimeLeft(), left - 10);

    // The focus leaves: the next step pauses, and the clock stands.
    TestControl::InjectActivateApp(TestControl::FindProgramWindow(), false);
    ShellFixture::Drain(p);
    ASSERT_FALSE(p->IsWindowActive());
    this->Step(f);
    EXPECT_TRUE(f->IsPaused());
    EXPECT_EQ(f->GetTimeLeft(), left - 10);
    EXPECT_EQ(this->TakeGameEvents(), std::vector<std::string>{"Pause"});
    TestControl::InjectActivateApp(TestControl::FindProgramWindow(), true);
    ShellFixture::Drain(p);
    ShellFixture::Run("ResumeGame()");
    TypeParam::PauseRunningGame();
    EXPECT_TRUE(f->IsPaused());

    // Resumed while time is up, the state's sounds come again.
    ShellFixture::Run("ResumeGame()");
    f->SetGameState(TypeParam::kTimeUp);
    this->TakeEvents();
    ShellFixture::Run("PauseGame('game_paused') ResumeGame()");
    EXPECT_EQ(this->TakeGameEvents(), Joined({"Pause", "Unpause"}, K::EndSounds()));
  });
}

TYPED_TEST(FactoryWindowTest, AimingAndFiring) {
  using K = FactoryKind<TypeParam>;
  this->Play([&](TPlatform*) {
    TypeParam* f = this->Open();
    const TVec2 gun = K::Gun();
    const int32_t x = (int32_t)gun.x, y = (int32_t)gun.y;
    // Headings clockwise from up; the pointer on the gun itself keeps the last one.
    struct Case {
      TPoint at;
      float heading;
    } cases[] = {{{x, 100}, 0}, {{700, y}, 90}, {{x, y}, 90}, {{x, 900}, 180}, {{100, y}, 270}};
    for (const Case& k : cases) {
      f->OnMouseMove(k.at);
      const TMat3& m = f->GetGun()->GetDrawSpec().mMatrix;
      float rad = k.heading * (float)M_PI / 180.0f;
      EXPECT_NEAR(m.m[0][0], std::cos(rad), 1e-3f) << k.heading;  // the arc cosine is coarse near 1
      EXPECT_NEAR(m.m[0][1], std::sin(rad), 1e-3f) << k.heading;
      EXPECT_EQ(f->GetGun()->GetPosition(), gun);
    }
    // Shots only in play, and not while paused.
    auto fire = [&] {
      f->GetIngredientQueue()->Advance(1.0f);
      f->OnMouseMove(K::EmptyShot());
      f->OnMouseDown(K::EmptyShot());
      return f->GetGunTask()->GetFlying().size();
    };
    EXPECT_EQ(fire(), 0u);
    ShellFixture::Run("StartGame()");
    EXPECT_EQ(fire(), 0u);  // the countdown
    this->Countdown(f);
    EXPECT_EQ(fire(), 1u);
    ShellFixture::Run("PauseGame('game_paused')");
    EXPECT_EQ(fire(), 1u);
  });
}

// A pause panel whose script starts a new game, reached from a miss while the gun walks its
// shots: the walk must not go on over what the new game emptied.
TYPED_TEST(FactoryWindowTest, ANewGameFromThePausePanelOfAMiss) {
  using K = FactoryKind<TypeParam>;
  this->Play([&](TPlatform*) {
    TypeParam* f = this->Open(std::string("warnOnMiss = true, ") + K::kEmptyFieldKeys);
    ShellFixture::Run("StartGame()");
    this->Countdown(f);
    for (int i = 0; i < 3; ++i) {  // three shots that hit nothing, 30 ms apart
      f->GetIngredientQueue()->Advance(1.0f);
      f->OnMouseDown(K::EmptyShot());
      this->Step(f, 3);
    }
    ASSERT_EQ(f->GetGunTask()->GetFlying().size(), 3u);
    ShellFixture::Run("gPanels = nil gRestartFromPause = true");
    this->Step(f, 30);
    EXPECT_EQ(ShellFixture::Global("gPanels"), std::string("pause:") + K::kFirstMiss + ";");
    EXPECT_EQ(f->GetGameState(), TypeParam::kCountdown);
    EXPECT_FALSE(f->IsPaused());
    EXPECT_EQ(f->GetMissCount(), 0u);
    EXPECT_TRUE(f->GetGunTask()->GetFlying().empty());
    EXPECT_TRUE(f->GetMissedSprites().empty());
  });
}

// A recipe without ingredients would leave the factory nothing to finish, or everything at
// once: a full tray, a product ready, every step for ever.
TYPED_TEST(FactoryWindowTest, AnEmptyRecipeClosesTheScreen) {
  this->Play([&](TPlatform*) {
    size_t modals = TWindowManager::Get()->GetModalCount();
    TypeParam* f = this->Open("recipe = {},");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(f->IsBuilt());
    EXPECT_NE(ShellFixture::LogText().find("the recipe names no ingredient; the factory closes"), std::string::npos);
    ShellFixture::Run("StartGame() PauseGame('x') ResumeGame() gScore = GetScore()");
    EXPECT_FALSE(f->OnAnimate());
    f->OnMouseMove(TPoint{10, 10});
    f->OnMouseDown(TPoint{10, 10});
    f->OnKeyDown(27, 0);
    EXPECT_EQ(ShellFixture::Global("gScore"), "0");
    TWindowManager::Get()->ProcessMessages();
    EXPECT_EQ(TWindowManager::Get()->GetModalCount(), modals);
  });
}

TYPED_TEST(FactoryWindowTest, OutsideAModalWindow) {
  this->Play([&](TPlatform*) {
    TypeParam f;
    ShellFixture::Run(std::string("gKeys = { ") + FactoryKind<TypeParam>::kKeys + " }");
    lua_State* L = ShellFixture::State();
    lua_pushstring(L, "gKeys");
    lua_gettable(L, LUA_GLOBALSINDEX);
    TLuaTable table(L);
    TWindowStyle style(&table);
    f.Init(style);
    f.PostChildrenInit(style);
    EXPECT_NE(ShellFixture::LogText().find("not inside a modal window"), std::string::npos);
    ShellFixture::Run("StartGame()");
    EXPECT_EQ(f.GetGameState(), TypeParam::kCountdown);
  });
}

TYPED_TEST(FactoryWindowTest, FactoriesComeAndGo) {
  using Other = typename FactoryKind<TypeParam>::Other;
  this->Play([&](TPlatform*) {
    ShellFixture::Run("function StartGame() gOld = true end");
    auto* a = new TypeParam;
    auto* b = new TypeParam;  // built before the first one goes
    EXPECT_EQ(TypeParam::GetCurrent(), b);
    delete a;
    EXPECT_EQ(TypeParam::GetCurrent(), b);
    ShellFixture::Run("gScore = GetScore()");
    EXPECT_EQ(ShellFixture::Global("gScore"), "0");  // still the second one's
    auto* other = new Other;  // the other kind takes the names
    delete b;
    EXPECT_EQ(TypeParam::GetCurrent(), nullptr);
    TypeParam::PauseRunningGame();  // nothing to pause
    ShellFixture::Run("StartGame()");
    EXPECT_EQ(ShellFixture::Global("gOld"), "nil");  // the other kind's
    delete other;
    EXPECT_EQ(ShellFixture::Global("GetScore"), "nil");
    ShellFixture::Run("StartGame()");
    EXPECT_EQ(ShellFixture::Global("gOld"), "true");  // handed back to what was there before
  });
}

// Escape through the window manager as the keyboard gives it (the key, then its character):
// on the start panel it leaves the screen, in play it pauses, on the pause it goes on, and the
// character never reaches the screen's own Escape handling; the game-over panel leaves it there.
TYPED_TEST(FactoryWindowTest, EscapeLeavesTheStartPanelPausesAndGoesOn) {
  this->Play([&](TPlatform*) {
    TWindowManager* manager = TWindowManager::Get();
    auto escape = [&]() {
      TPlatformEvent key;
      key.type = kEventKeyDown;
      key.param = 27;
      manager->HandleEvent(key);
      key.type = kEventChar;
      manager->HandleEvent(key);
      manager->DeleteClosedWindows();
    };
    // A screen's cancel button takes the Escape character nobody else took: its command waits
    // in the queue for the script's coroutine (none runs here).
    auto cancelled = [] {
      ShellFixture::Run("gQueued = table.getn(gCommandQueue)");
      return ShellFixture::Global("gQueued");
    };
    const char* back = "Button { name = 'back', w = 10, h = 10, cancel = true, command = function() end }()";
    // Below the factory, a screen of its own with a cancel button, like a port's way to the map.
    ShellFixture::Run("PushModal('port')");
    ShellFixture::Run(back);
    size_t modals = manager->GetModalCount();
    TypeParam* f = this->Open();
    ASSERT_NE(f, nullptr);
    escape();
    EXPECT_EQ(manager->GetModalCount(), modals);
    EXPECT_EQ(cancelled(), "0");

    f = this->Open();
    ShellFixture::Run(back);
    ShellFixture::Run("StartGame()");
    this->Countdown(f);
    escape();
    EXPECT_TRUE(f->IsPaused());
    escape();
    EXPECT_FALSE(f->IsPaused());
    EXPECT_EQ(manager->GetModalCount(), modals + 1);
    EXPECT_EQ(cancelled(), "0");

    // Over the game-over panel Escape is the screen's.
    f->SetGameState(TypeParam::kGameOver);
    escape();
    EXPECT_EQ(cancelled(), "1");
    EXPECT_EQ(manager->GetModalCount(), modals + 1);
  });
}

// Closed while its game stands paused (the Menu button, the way to the main menu), a factory
// takes back the stop of the sound output its pause made; closed from the start panel, it
// never stopped it.
TYPED_TEST(FactoryWindowTest, AFactoryClosedInItsPauseGivesTheSoundBack) {
  this->Play([&](TPlatform*) {
    this->Open();
    this->TakeEvents();
    this->Close();
    EXPECT_EQ(this->TakeEvents(), std::vector<std::string>{});
    TypeParam* f = this->Open();
    ShellFixture::Run("StartGame()");
    this->Countdown(f);
    this->TakeEvents();
    ShellFixture::Run("PauseGame('game_paused')");
    std::vector<std::string> paused = this->TakeEvents();
    ASSERT_NE(std::find(paused.begin(), paused.end(), "Pause"), paused.end());
    this->Close();
    EXPECT_EQ(this->TakeEvents(), std::vector<std::string>{"Unpause"});
  });
}

}  // namespace
