// The game's set-up, its event loop and its end. The set-up asks every area for its part
// (TGameSetup), then registers in a fixed order: the areas' own start (string tables, data,
// library), the constants, the four set-up functions, the window classes, the cursor, sound.
// The loop reacts to the close button, activation changes and the full-screen switch before the
// window manager sees each event. When the main script cannot run, or its coroutine dies of an
// error, the game shows the error (through the script's LuaErrorMessage when it has one) and
// ends at the next key, click or close with a non-zero status: the flow that answered the
// player is gone.
#include "game/shell/run_game.h"

#include "core/base/log.h"
#include "core/base/file.h"
#include "core/base/platform_services.h"
#include "core/base/settings.h"
#include "core/graphics/texture.h"
#include "core/script/lua_bindings.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "game/shell/game_setup.h"
#include "game/shell/sound_bridge.h"
#include "game/shell/user_manager.h"

// The game's areas, in the order they fill in the set-up.
static void (*const kAreas[])(TGameSetup&) = {
    &ProvideShell,
    &ProvideGameLibrary,
    &ProvideWorldWindows,
    &ProvideScoreWindows,
    &ProvideEditors,
    &ProvideChocolate,
    &ProvideCoffee,
    &ProvideRewards,
};

const char* const kGameWindowClassKeys[] = {
    "BitmapTint",      "QRNWindow",   "CharWindow",     "ChocolateFactory", "CoffeeFactory", "CratesGame",
    "CreditsWindow",   "CurveEditor", "DookieDropper",  "FireworksWindow",  "MapWindow",     "PortWindow",
    "RecipeCreator",   "RecipeDesigner", "Rectangle",   "Rollover",         "SignEditor",    "SlotMachine",
    "TightText",       "OptionsWindow", "HiscoreWindow", "SubmitWindow",    nullptr};

TWindowFactory TGameSetup::GetWindowClass(const char* key) const {
  auto it = mClasses.find(TStr(key));
  return it == mClasses.end() ? nullptr : it->second;
}

namespace {

const char* const kMainScript = "ui/mainloop.lua";

TGameSetup gSetup;      // the running game's hooks; main thread only
int gExitStatus = 0;    // main thread only
bool gFailed = false;   // the main script failed: the next key, click or close ends the game

void Nothing() {}
void NoMood(TStr, float) {}
void NoTransition(TLuaTable*) {}

void Call(void (*hook)()) {
  if (hook) hook();
}

// The error screen for a script that has no LuaErrorMessage (or whose own one failed).
const char kErrorScreen[] = R"lua(
local text = string.gsub(gMainScriptError or "", "([<\\])", "\\%1")
PushModal("mainscripterror")
MakeDialog {
  QRNWindow { name = "errorscreen", x = 0, y = 0, w = kMax, h = kMax, color = Color(59, 35, 20),
    Text { name = "errortitle", x = 40, y = 160, w = 720, h = 40, padding = kHAlignCenter,
      font = { "__DEFAULT", 28, Color(245, 230, 200) } },
    Text { name = "errortext", x = 60, y = 230, w = 680, h = 200, font = { "__DEFAULT", 16, Color(245, 230, 200) } },
    Text { name = "errorhint", x = 40, y = 480, w = 720, h = 24, padding = kHAlignCenter,
      font = { "__DEFAULT", 16, Color(224, 180, 58) } },
  },
}
SetLabel("errortitle", "The game has stopped")
SetLabel("errortext", text)
SetLabel("errorhint", "Press a key or click to close it.")
)lua";

bool IsGlobalFunction(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_gettable(L, LUA_GLOBALSINDEX);
  bool function = lua_isfunction(L, -1);
  lua_pop(L, 1);
  return function;
}

void ShowFailure(TWindowScript* script, TStr message) {
  gFailed = true;
  gExitStatus = 1;
  LogError("The main script %s failed: %s", kMainScript, message.c_str());
  TStr text = TStr(kMainScript) + ": " + message;
  lua_State* L = script->GetState();
  if (IsGlobalFunction(L, "LuaErrorMessage")) {
    lua_pushstring(L, "LuaErrorMessage");
    lua_gettable(L, LUA_GLOBALSINDEX);
    PushLuaString(L, text);
    if (script->RunFunction(1, 0) == 0) return;
    lua_pop(L, 1);  // its own error: the plain screen instead
  }
  script->SetGlobalString("gMainScriptError", text);
  script->DoLuaString(kErrorScreen);
}

// The main script's coroutine died since the last look.
void CheckMainFlow(TWindowScript* script) {
  if (!gFailed && script->HasCoroutineFailed()) ShowFailure(script, script->GetLastError());
}

void RegisterSetupFunctions(lua_State* L) {
  RegisterLuaFunction(L, "SetMood", gSetup.setMood ? gSetup.setMood : &NoMood);
  RegisterLuaFunction(L, "GrabLedger", gSetup.grabLedger ? gSetup.grabLedger : &Nothing);
  RegisterLuaFunction(L, "ReleaseLedger", gSetup.releaseLedger ? gSetup.releaseLedger : &Nothing);
  RegisterLuaFunction(L, "Transition", gSetup.transition ? gSetup.transition : &NoTransition);
}

void RegisterWindowClasses(TWindowManager* manager) {
  for (const char* const* key = kGameWindowClassKeys; *key; key++) {
    TWindowFactory factory = gSetup.GetWindowClass(*key);
    // Until its own class exists, a key makes a plain window that does nothing.
    manager->RegisterWindowClass(*key, factory ? factory : &TWindow::GetFactory);
  }
}

// A close request when the scripts cannot answer it ends the game.
bool CanAskQuit(TWindowScript* script) {
  if (IsGlobalFunction(script->GetState(), "AskQuit")) return true;
  LogError("The scripts define no AskQuit; closing the window ends the game");
  return false;
}

void HandleGameEvent(TPlatform* platform, TWindowScript* script, const TPlatformEvent& event) {
  switch (event.type) {
    case kEventCloseRequest:
      if (script && CanAskQuit(script))
        script->DoLuaString("AskQuit()");
      else
        platform->PostQuit(0);
      break;
    case kEventActivation:
      Call(gSetup.notifyMapActivation);
      Call(gSetup.notifyPortActivation);
      Call(gSetup.setLedgerActive);
      Call(gSetup.pauseChocolateFactory);
      Call(gSetup.pauseCoffeeFactory);
      if (event.param)
        ResumeSoundsActive();
      else
        PauseSoundsInactive();
      break;
    case kEventFullScreenToggle:
      UserManager::RecordFullScreen();
      break;
    default:
      break;
  }
}

// After a failure only the error screen answers: any key, click or close ends the game.
bool EndsFailedGame(const TPlatformEvent& event) {
  return event.type == kEventCloseRequest || event.type == kEventKeyDown || event.type == kEventLeftUp;
}

void EventLoop(TPlatform* platform, TWindowScript* script) {
  TPlatformWindowManager* windows = platform->GetWindowManager();
  for (;;) {
    TPlatformEvent event;
    platform->GetEvent(&event);
    if (event.type == kEventQuit) break;
    if (gFailed) {
      if (EndsFailedGame(event)) {
        platform->PostQuit(gExitStatus);
        continue;
      }
    } else {
      HandleGameEvent(platform, script, event);
    }
    if (windows) windows->HandleEvent(event);
    if (script) CheckMainFlow(script);
  }
}

}  // namespace

int GetGameExitStatus() { return gExitStatus; }

void SetGameCursor(const char* name, int hotX, int hotY) {
  TPlatform* platform = TPlatform::GetInstance();
  if (!platform) return;
  TStr key(name);
  std::shared_ptr<TTexture> cursor = gSetup.getCursorTexture ? gSetup.getCursorTexture(key) : TTexture::GetSimple(key);
  platform->SetMouseCursor(cursor, hotX, hotY, false);
}

void RunGame() {
  gSetup = TGameSetup();
  gFailed = false;
  gExitStatus = 0;
  for (auto provide : kAreas) provide(gSetup);
  for (auto start : gSetup.start) start();

  TPlatform* platform = TPlatform::GetInstance();
  TWindowManager* manager = TWindowManager::Get();
  TWindowScript* script = manager ? manager->GetScript() : nullptr;
  if (script) {
    script->SetGlobalNumber("kScreenWidth", 800);
    script->SetGlobalNumber("kScreenHeight", 600);
    script->SetGlobalNumber("kGameWidth", 800);
    script->SetGlobalNumber("kGameHeight", 600);
    script->SetGlobalNumber("kGameScale", 1);
    script->SetGlobalString("gVersionString", TStr("ver ") + GetSetting("version", TStr()));
    RegisterSetupFunctions(script->GetState());
    RegisterWindowClasses(manager);
  }
  for (auto after : gSetup.afterClasses) after();
  SetGameCursor("cursor/cursor", 1, 1);
  SoundInit();
  UserManager::ApplyVolumes();

  if (script) {
    if (!FileExists(kMainScript)) {
      LogError("The main script %s is missing", kMainScript);
      ShowFailure(script, "the file is missing.");
    } else if (!script->RunScript(kMainScript)) {
      ShowFailure(script, script->GetLastError());
    } else {
      CheckMainFlow(script);
    }
  }
  EventLoop(platform, script);

  SoundShutdown();
  if (script) script->DoLuaString("if Player then Player:SaveGame() end");
  for (auto it = gSetup.finish.rbegin(); it != gSetup.finish.rend(); ++it) (*it)();
}
