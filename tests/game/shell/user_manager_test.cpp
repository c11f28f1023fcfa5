// The player profiles inside the real platform: the current user's rules, new and deleted
// players, the sound-off switch and what it does to the framework's master volume, a damaged
// stored user, the full-screen choice and the way back to the main menu. Script functions are
// called from the window script, as the game's scripts call them.
#include "game/shell/user_manager.h"

#include <filesystem>

#include "core/base/game_state.h"
#include "core/base/prefs.h"
#include "core/graphics/sound/sound_manager.h"
#include "core/script/lua_function.h"
#include "core/windows/message.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

class UserManagerTest : public ShellFixture {
 protected:
  // A manager over preferences that start empty (or as `seed' leaves them).
  static UserManager* Fresh(void (*seed)(TPrefs&) = nullptr) {
    UserManager::Destroy();
    std::filesystem::remove(std::string(GetUserFolder().c_str()) + "/prefs.dat");
    if (seed) {
      TPrefs prefs(true);
      seed(prefs);
    }
    UserManager::Create();
    return UserManager::Get();
  }
  static int Number(const std::string& expression) {
    Run("gNumber = " + expression);
    return std::stoi(Global("gNumber"));
  }
  static void AddUsers(std::initializer_list<const char*> names) {
    for (const char* name : names) Run(std::string("CreateNewUser('") + name + "')");
  }
};

TEST_F(UserManagerTest, OnlyNoUserOrAnExistingOneBecomesCurrent) {
  struct Case {
    const char* argument;
    int current;  // after SetCurrentUser(argument), from current user 1 of 2
  };
  const Case cases[] = {
      {"0", 0}, {"1", 1}, {"-1", -1}, {"2", 1}, {"-5", 1}, {"0.7", 0}, {"1e300", 1}, {"-1e300", 1}, {"0/0", 0},
  };
  RunPlatform("", [&](TPlatform*) {
    UserManager* users = Fresh();
    // No users: 0 is no user either, and the name operations read user 0.
    Run("SetCurrentUser(0)");
    EXPECT_EQ(Number("GetCurrentUser()"), -1);
    EXPECT_EQ(Global("GetCurrentUserName"), "function");
    Run("gName = GetCurrentUserName()");
    EXPECT_EQ(Global("gName"), "");
    AddUsers({"Ada", "Bob"});
    for (const Case& c : cases) {
      Run("SetCurrentUser(1)");
      Run(std::string("SetCurrentUser(") + c.argument + ")");
      EXPECT_EQ(Number("GetCurrentUser()"), c.current) << c.argument;
      EXPECT_EQ(users->GetPrefs()->GetInt("curuser", 99, -1), c.current) << c.argument;
    }
    UserManager::Destroy();
  });
}

TEST_F(UserManagerTest, ANewUserBecomesCurrentWithTheLevelsOfTheOnePlaying) {
  RunPlatform("", [&](TPlatform*) {
    UserManager* users = Fresh();
    AddUsers({"Ada"});
    EXPECT_EQ(Number("GetCurrentUser()"), 0);
    // The first takes the defaults, as the global section reads them.
    for (auto [key, value] : {std::pair{"soundlevel", 750}, {"musiclevel", 650}, {"ambientlevel", 500}, {"soundoff", 0}})
      EXPECT_EQ(users->GetUserInt(key, -7, 0), value) << key;
    users->SetUserInt("soundlevel", 300, 0);
    users->SetUserInt("soundoff", 1, 0);
    AddUsers({"Bob"});
    EXPECT_EQ(Number("GetCurrentUser()"), 1);
    EXPECT_EQ(users->GetUserInt("soundlevel", -7, 1), 300);
    EXPECT_EQ(users->GetUserInt("soundoff", -7, 1), 1);
    Run("gName = GetCurrentUserName()");
    EXPECT_EQ(Global("gName"), "Bob");
    Run("gInUse = tostring(IsNameInUse('Ada')) .. tostring(IsNameInUse('ada'))");
    EXPECT_EQ(Global("gInUse"), "truefalse");
    UserManager::Destroy();
  });
}

TEST_F(UserManagerTest, DeletingAUserLeavesAnExistingCurrentUserOrNone) {
  struct Case {
    int users;      // named U0, U1, ...
    int current;    // before
    const char* deleted;
    int count;      // after
    int nowCurrent;
    const char* currentName;
  };
  const Case cases[] = {
      {3, 2, "0", 2, 1, "U2"},   // the new last user
      {3, 2, "2", 2, 1, "U1"},   // the one before it
      {3, 0, "1", 2, 0, "U0"},
      {1, 0, "0", 0, -1, ""},    // the only one: none is current
      {3, 1, "3", 3, 1, "U1"},   // no such user: nothing changes
      {3, 1, "-1", 3, 1, "U1"},
      {3, 1, "0/0", 2, 1, "U2"},  // NaN counts as 0
  };
  RunPlatform("", [&](TPlatform*) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.deleted);
      UserManager* users = Fresh();
      for (int i = 0; i < c.users; i++) AddUsers({("U" + std::to_string(i)).c_str()});
      users->SetCurrentUser(c.current);
      Run(std::string("DeleteUser(") + c.deleted + ")");
      EXPECT_EQ(Number("GetNumUsers()"), c.count);
      EXPECT_EQ(Number("GetCurrentUser()"), c.nowCurrent);
      EXPECT_EQ(users->GetCurrentUserName(), TStr(c.currentName));
      // Stored at once.
      UserManager::Destroy();
      TPrefs reread(true);
      EXPECT_EQ(reread.GetUserCount(), c.count);
      EXPECT_EQ(reread.GetInt("curuser", 99, -1), c.nowCurrent);
    }
  });
}

TEST_F(UserManagerTest, TheSoundOffSwitchFollowsTheProfileBothWays) {
  RunPlatform("", [&](TPlatform*) {
    UserManager* users = Fresh();
    TSoundManager* sounds = TSoundManager::GetInstance();
    ASSERT_NE(sounds, nullptr);
    AddUsers({"Quiet", "Loud"});
    users->SetCurrentUser(0);
    Run("ToggleSoundMute()");
    EXPECT_EQ(users->GetUserInt("soundoff", -7, 0), 1);
    EXPECT_EQ(TGameState::GetInstance()->GetState("mute"), TStr("1"));
    EXPECT_FLOAT_EQ(sounds->GetVolume(-1), 0.0f);
    // Switching to a player whose sound is on brings the master volume back.
    Engine().events.clear();
    Run("SetCurrentUser(1)");
    EXPECT_FLOAT_EQ(sounds->GetVolume(-1), 1.0f);
    EXPECT_EQ(Engine().events,
              (std::vector<std::string>{"Sfx Volume=0.750", "Music Volume=0.650", "Environments Volume=0.500"}));
    // And back to the quiet one: off again.
    Run("SetCurrentUser(0)");
    EXPECT_FLOAT_EQ(sounds->GetVolume(-1), 0.0f);
    // Twice toggled is as before.
    Run("ToggleSoundMute()");
    EXPECT_EQ(users->GetUserInt("soundoff", -7, 0), 0);
    EXPECT_FLOAT_EQ(sounds->GetVolume(-1), 1.0f);
    EXPECT_FLOAT_EQ(sounds->GetVolume(1000), 0.75f);
    UserManager::Destroy();
  });
}

TEST_F(UserManagerTest, AStoredUserThatDoesNotExistIsNotCurrent) {
  RunPlatform("", [&](TPlatform*) {
    UserManager* users = Fresh([](TPrefs& prefs) {
      prefs.SetString("name", "Ada", 0, false);
      prefs.SetInt("curuser", 7, -1, true);
    });
    EXPECT_EQ(users->GetCurrentUser(), -1);
    users = Fresh([](TPrefs& prefs) {
      prefs.SetString("name", "Ada", 0, false);
      prefs.SetInt("curuser", 0, -1, true);
    });
    EXPECT_EQ(users->GetCurrentUser(), 0);
    UserManager::Destroy();
  });
}

TEST_F(UserManagerTest, TheFullScreenChoiceIsStoredOnlyWhenTheSwitchWorked) {
  RunPlatform("", [&](TPlatform* p) {
    UserManager* users = Fresh();
    p->SetDisplayMode(800, 600, false);
    Run("gSwitched = ToggleFullScreen()");
    EXPECT_EQ(Global("gSwitched"), "true");
    EXPECT_TRUE(p->IsFullScreen());
    EXPECT_EQ(users->GetUserInt("fullscreen", -7, -1), 1);
    Run("gSwitched = ToggleFullScreen()");
    EXPECT_FALSE(p->IsFullScreen());
    EXPECT_EQ(users->GetUserInt("fullscreen", -7, -1), 0);
    // The platform's own switch (Alt+Enter) is recorded by the loop.
    p->SetFullScreen(true);
    UserManager::RecordFullScreen();
    EXPECT_EQ(users->GetUserInt("fullscreen", -7, -1), 1);
    UserManager::Destroy();
  });
}

TEST_F(UserManagerTest, QuitToMainMenuClosesEveryModalWindowAboveTheScreen) {
  RunPlatform("", [&](TPlatform* p) {
    Fresh();
    p->SetDisplayMode(800, 600, false);
    TWindowManager* manager = TWindowManager::Get();
    size_t base = manager->GetModalCount();
    Run("PushModal('one') PushModal('two') PushModal('three')");
    EXPECT_EQ(manager->GetModalCount(), base + 3);
    Run("QuitToMainMenu()");
    EXPECT_EQ(manager->GetModalCount(), base);
    Run("QuitToMainMenu()");  // nothing above the screen: nothing happens
    EXPECT_EQ(manager->GetModalCount(), base);
    UserManager::Destroy();
  });
}

// The game's shape: the menu comes back whenever it closes; a world opened from it and a
// factory opened from the world each wait inside a command for their screen to close. From the
// factory, the way to the main menu ends every wait innermost first, each caller going on past
// its screen, and the script lives on for the new menu.
TEST_F(UserManagerTest, QuitToMainMenuEndsEveryWaitingScreenInnermostFirst) {
  RunPlatform("", [&](TPlatform* p) {
    Fresh();
    p->SetDisplayMode(800, 600, false);
    TWindowManager* manager = TWindowManager::Get();
    size_t base = manager->GetModalCount();
    Script()->DoLuaString("return function() gOrder = '' while true do gMenus = (gMenus or 0) + 1 "
                          "WaitForCloseMessage(PushModal('menu')) end end",
                          -1, 1);
    auto command = [&](const std::string& body) {
      Run("gCommand = function() " + body + " end");
      lua_pushliteral(State(), "gCommand");
      lua_gettable(State(), LUA_GLOBALSINDEX);
      TLuaFunction function(State());
      Script()->DeliverMessage(new TMessage(kCommandOnly, "LuaAction:x"), &function);
    };
    auto idle = [&] {
      TPlatformEvent idle;
      idle.type = kEventIdle;
      for (int i = 0; i < 4; i++) manager->HandleEvent(idle);
    };
    command("WaitForCloseMessage(PushModal('world')) gOrder = gOrder .. 'world '");
    command("WaitForCloseMessage(PushModal('factory')) gOrder = gOrder .. 'factory '");
    ASSERT_EQ(manager->GetModalCount(), base + 3);
    command("QuitToMainMenu() gOrder = gOrder .. 'quit '");
    idle();
    EXPECT_EQ(Global("gOrder"), "quit factory world ");
    EXPECT_EQ(Global("gMenus"), "2");
    ASSERT_EQ(manager->GetModalCount(), base + 1);
    EXPECT_EQ(manager->GetTopModal()->GetName(), TStr("menu"));
    command("gOrder = gOrder .. 'alive'");
    EXPECT_EQ(Global("gOrder"), "quit factory world alive");
    UserManager::Destroy();
  });
}

TEST_F(UserManagerTest, ItsScriptFunctionsGoWithIt) {
  RunPlatform("", [&](TPlatform*) {
    Fresh();
    EXPECT_EQ(Global("CreateNewUser"), "function");
    UserManager::Destroy();
    EXPECT_EQ(Global("CreateNewUser"), "nil");
  });
}

}  // namespace
