// ChocolateFactory's face to the scripts: the four functions it binds while it lives, the
// developer menu it opens, and how the game's set-up learns of the class.
#include <cstring>

#include "core/base/log.h"
#include "core/graphics/sprites/sprite.h"
#include "core/script/lib_aux.h"
#include "core/script/lua_function.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "game/minigames/chocolate/chocolate_factory.h"
#include "game/minigames/chocolate/chocolate_gun.h"
#include "game/minigames/chocolate/chocolate_product.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/flying_ring.h"
#include "game/minigames/chocolate/recycler.h"
#include "game/minigames/ingredient_queue.h"
#include "game/shell/game_setup.h"
#include "game/shell/sound_handler.h"

ChocolateFactory::ChocolateFactory() : mRoot(TSprite::Create(0)), mSoundHandler(new TSoundHandler) {
  sCurrent = this;
  mGlobals.Bind("StartGame", this, &ChocolateFactory::StartGame);
  mGlobals.Bind("PauseGame", this, &ChocolateFactory::PauseGame);
  mGlobals.Bind("ResumeGame", this, &ChocolateFactory::ResumeGame);
  mGlobals.Bind("GetScore", this, &ChocolateFactory::GetScore);
}

// The menu waits for its close like every dialog, and only the script's coroutine can wait: the
// call is handed to the coroutine as a button hands over its command (run as plain text here it
// would fail at its first wait and leave its panel behind).
void ChocolateFactory::OpenDeveloperMenu() {
  TWindowManager* manager = TWindowManager::Get();
  TWindowScript* script = manager ? manager->GetScript() : nullptr;
  if (!script) return;
  lua_State* L = script->GetState();
  static const char kText[] = "DoModal('dev/dev_menu.lua')";
  if (luaL_loadbuffer(L, kText, std::strlen(kText), "=developer menu") != 0) {
    LogError("ChocolateFactory: the developer menu cannot be opened: %s", lua_tostring(L, -1));
    lua_pop(L, 1);
    return;
  }
  TLuaFunction command(L);
  script->DeliverMessage(nullptr, &command);
}

void ProvideChocolate(TGameSetup& setup) {
  setup.SetWindowClass("ChocolateFactory", &ChocolateFactory::Create);
  setup.pauseChocolateFactory = &ChocolateFactory::PauseRunningGame;
}
