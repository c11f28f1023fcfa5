// The game shell inside the real platform: the runner in the test process on the manual clock,
// with the window manager and its script, the renderer, text and the framework's sound manager
// (on the manual sound device), as the program installs them, with the game's settings stored. The audio engine's exports are
// replaced by a recorder, so tests read the events the engine was sent ("name", or
// "name=value" for the three volume events, values to the thousandth).
#pragma once

#include <cstdarg>
#include <string>
#include <vector>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/graphics/renderer_service.h"
#include "core/graphics/sound/sound_service.h"
#include "core/graphics/text/text_service.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_service.h"
#include "game/shell/game_main.h"
#include "game/shell/sound_bridge.h"
#include "platform/dsound/dsound_test_control.h"
#include "tests/core/base/win32/platform_fixture.h"
#include "tests/support/host_file.h"

struct EngineRecord {
  std::vector<std::string> init;  // data folder, then the window as a number
  std::vector<std::string> events;
  int shutdowns = 0;
};

inline EngineRecord& Engine() {
  static EngineRecord record;
  return record;
}

class ShellFixture : public PlatformFixture {
 protected:
  void SetUp() override {
    PlatformFixture::SetUp();
    StoreGameSettings();
    InstallRendererService();
    InstallWindowService();
    InstallSoundService();
    InstallTextService();
    DSoundTest::UseManualDevice(true);
    Engine() = EngineRecord();
    SetSoundEngineCalls({&RecordInit, &RecordEvent, &RecordShutdown});
  }
  void TearDown() override {
    SetSoundEngineCalls({});
    DSoundTest::UseManualDevice(false);
    PlatformFixture::TearDown();
  }


 public:
  static TWindowScript* Script() { return TWindowManager::Get()->GetScript(); }
  static lua_State* State() { return Script()->GetState(); }
  static void Run(const std::string& code) { Script()->DoLuaString(code.c_str()); }
  // A global of the window script as text ("nil", "function", or its value).
  static std::string Global(const char* name) {
    lua_State* L = State();
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    std::string text = lua_isnil(L, -1)                 ? "nil"
                       : lua_isfunction(L, -1)          ? "function"
                       : lua_type(L, -1) == LUA_TBOOLEAN ? (lua_toboolean(L, -1) ? "true" : "false")
                       : lua_tostring(L, -1)            ? lua_tostring(L, -1)
                                                        : "?";
    lua_pop(L, 1);
    return text;
  }
  static std::string LogText() { return ReadHostFile(GetLogPath().c_str()); }

 private:
  static void RecordInit(const char* folder, void* window) {
    Engine().init = {folder, std::to_string((intptr_t)window)};
  }
  static void RecordEvent(const char* name, ...) {
    std::string event = name;
    if (event == "Music Volume" || event == "Sfx Volume" || event == "Environments Volume") {
      va_list values;
      va_start(values, name);
      char value[32];
      snprintf(value, sizeof value, "=%.3f", va_arg(values, double));
      va_end(values);
      event += value;
    }
    Engine().events.push_back(event);
  }
  static void RecordShutdown() { Engine().shutdowns++; }
};
