// What both factory windows do alike through their shared window, checked on each: a recipe
// without ingredients refused with its screen closed, a factory outside a modal window, and the
// factory of the moment with the script functions when factories of both kinds come and go in
// any order (a later factory takes the names; the last one gone hands them back), and Escape on
// each of its panels.
#include "game/minigames/factory_game_window.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/script/lua_table.h"
#include "core/windows/window_style.h"
#include "tests/game/minigames/factory_screen_fixture.h"

namespace {

// Each factory, its key, a small factory of its kind, and the other kind.
template <class F>
struct Kind;
template <>
struct Kind<ChocolateFactory> {
  using Other = CoffeeFactory;
  static constexpr const char* kName = "ChocolateFactory";
  static constexpr const char* kKeys =
      "recipe = { 'cocoa', 'milk' }, traypath = { {0, 0}, {1, 0}, {2, 0}, {3, 0} },";
};
template <>
struct Kind<CoffeeFactory> {
  using Other = ChocolateFactory;
  static constexpr const char* kName = "CoffeeFactory";
  static constexpr const char* kKeys = "recipe = { 'cocoa', 'milk' }, matchBonus = { 0, 0, 0, 3 },";
};

template <class F>
class FactoryWindowTest : public FactoryScreenTest<F> {
 protected:
  FactoryWindowTest() : FactoryScreenTest<F>(Kind<F>::kName, Kind<F>::kKeys) {}
};

using Factories = ::testing::Types<ChocolateFactory, CoffeeFactory>;
TYPED_TEST_SUITE(FactoryWindowTest, Factories);

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
    ShellFixture::Run(std::string("gKeys = { ") + Kind<TypeParam>::kKeys + " }");
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
  using Other = typename Kind<TypeParam>::Other;
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
