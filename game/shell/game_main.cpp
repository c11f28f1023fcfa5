// The game's start-up settings and its main loop.
#include "game/shell/game_main.h"

#include "core/base/platform_services.h"
#include "core/base/settings.h"
#include "core/base/string_table.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "game/shell/sound_bridge.h"

namespace {

const char* const kGameName = "quillomer-lorvane-design";
const char* const kMedals[] = {"up_comer_cup", "chocolate", "coffee", "creative", "2ndshop",
                               "factories", "achievement", "port", "recipe"};

}  // namespace

void StoreGameSettings() {
  SetSetting("gamename", kGameName);
  SetSetting("encryptionkey", "Rk47vbnwJAAA");
  SetSetting("ksgamehandle", kGameName);
  SetSetting(TStr::Format("%s%d", "ksgamemodename", 1), TStr(kGameName) + TStr("_storymode"));
  for (int i = 0; i < 9; i++)
    SetSetting(TStr::Format("%s%d", "ksgamemedalname", i + 1), TStr(kGameName) + TStr("_") + TStr(kMedals[i]));
}

void GameMain(TPlatform* platform, const char* commandLine) {
  platform->SetWindowTitle(platform->GetStringTable()->GetString("windowtitle"));
  platform->SetDisplayMode(800, 600, false);
  TPlatformWindowManager* windows = platform->GetWindowManager();
  TWindowManager* manager = TWindowManager::Get();
  TWindowScript* script = manager ? manager->GetScript() : nullptr;
  SoundInit();
  // The window script's main flow (its returned function becomes the script's coroutine).
  if (script) script->RunScript("ui/mainloop.lua");
  for (;;) {
    TPlatformEvent event;
    platform->GetEvent(&event);
    if (event.type == kEventQuit) break;
    // Until the game's scripts can ask the player, a close request ends the game.
    if (event.type == kEventCloseRequest) platform->PostQuit(0);
    if (windows) windows->HandleEvent(event);
  }
  // The engine is gone before the scripts save: a save that sounds meets a nil SoundEvent.
  SoundShutdown();
  if (script) script->DoLuaString("if Player then Player:SaveGame() end");
}
