// The sound bridge inside the real platform (the runner in this process, its window script and
// framework sound manager on the manual sound device): the engine's start and stop, SoundEvent
// in the window script and after shut-down, and which events the framework plays itself. The
// engine's exports are replaced by recorders.
#include "game/shell/sound_bridge.h"

#include <string>
#include <vector>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/graphics/sound/sound_service.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_service.h"
#include "platform/dsound/dsound_test_control.h"
#include "tests/core/base/win32/platform_fixture.h"
#include "tests/support/host_file.h"

namespace {

struct EngineRecord {
  std::vector<std::string> init;  // data folder, then the window as a number
  std::vector<std::string> events;
  int shutdowns = 0;
};
EngineRecord gRecord;

void RecordInit(const char* folder, void* window) {
  gRecord.init = {folder, std::to_string((intptr_t)window)};
}
void RecordEvent(const char* name, ...) { gRecord.events.push_back(name); }
void RecordShutdown() { gRecord.shutdowns++; }

std::string LogText() { return ReadHostFile(GetLogPath().c_str()); }

TWindowScript* Script() { return TWindowManager::Get()->GetScript(); }

bool IsScriptFunction(const char* name) {
  lua_State* L = Script()->GetState();
  lua_pushstring(L, name);
  lua_gettable(L, LUA_GLOBALSINDEX);
  bool function = lua_isfunction(L, -1);
  lua_pop(L, 1);
  return function;
}

class SoundBridgeTest : public PlatformFixture {
 protected:
  void SetUp() override {
    PlatformFixture::SetUp();
    InstallWindowService();
    InstallSoundService();
    DSoundTest::UseManualDevice(true);
    gRecord = EngineRecord();
    SetSoundEngineCalls({&RecordInit, &RecordEvent, &RecordShutdown});
  }
  void TearDown() override {
    SetSoundEngineCalls({});
    DSoundTest::UseManualDevice(false);
    PlatformFixture::TearDown();
  }
};

TEST_F(SoundBridgeTest, StartsTheEngineOnTheVexaFolderAndStopsItBeforeSoundEventIsGone) {
  RunPlatform("", [](TPlatform* p) {
    SoundInit();
    ASSERT_EQ(gRecord.init.size(), 2u);
    EXPECT_EQ(gRecord.init[0], std::string(GetWorkingDirectory().c_str()) + "/assets/vexa");
    EXPECT_EQ(gRecord.init[1], std::to_string((intptr_t)p->GetMainWindow()));
    ASSERT_TRUE(IsScriptFunction("SoundEvent"));
    Script()->DoLuaString("SoundEvent('Chime')");
    EXPECT_EQ(gRecord.events, std::vector<std::string>{"Chime"});

    SoundShutdown();
    EXPECT_EQ(gRecord.shutdowns, 1);
    EXPECT_FALSE(IsScriptFunction("SoundEvent"));
    // A script that sounds after the shut-down calls nil: a script error, and nothing reaches
    // the engine.
    Script()->DoLuaString("SoundEvent('Late')");
    EXPECT_EQ(gRecord.events, std::vector<std::string>{"Chime"});
    EXPECT_NE(LogText().find("Lua Error"), std::string::npos) << LogText();
  });
}

TEST_F(SoundBridgeTest, FrameworkNamesPlayTheirOwnFilesAndEverythingElseGoesToTheEngine) {
  struct Case {
    const char* name;
    bool engine;       // reaches the engine
    const char* file;  // else the framework file it plays (or, missing, names in the log)
  };
  const Case cases[] = {
      {"ui_click", false, "vexa/ui_click.ogg"},  // in the sample assets
      {"UI_CLICK", true, nullptr},               // the match is case-sensitive
      {"firework", false, "sfx/firework.ogg"},   // missing: logged, not played
      {"firework_burst", false, "sfx/firework_burst.ogg"},
      {"bigfirework", true, nullptr},  // "firework" must begin the name
      {"Pause", true, nullptr},
  };
  RunPlatform("", [&](TPlatform*) {
    SoundInit();
    for (const Case& c : cases) {
      gRecord.events.clear();
      int playing = DSoundTest::PlayingBufferCount();
      SoundEvent(c.name);
      EXPECT_EQ(gRecord.events, c.engine ? std::vector<std::string>{c.name} : std::vector<std::string>{}) << c.name;
      if (c.engine) {
        EXPECT_EQ(DSoundTest::PlayingBufferCount(), playing) << c.name;
      } else if (FileExists(c.file)) {
        EXPECT_EQ(DSoundTest::PlayingBufferCount(), playing + 1) << c.name;
      } else {
        EXPECT_NE(LogText().find(std::string("No valid sound file found: ") + c.file), std::string::npos) << c.name;
      }
    }
    ASSERT_TRUE(FileExists("vexa/ui_click.ogg"));
    SoundShutdown();
  });
}

}  // namespace
