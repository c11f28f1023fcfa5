// The window manager's own script functions, and the game-state store's, which every window
// script offers.
#include "core/script/game_state_script.h"
#include "core/script/lua_bindings.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"

void TWindowManager::BindScriptFunctions() {
  RegisterLuaMember(mScript->GetState(), "SetTopModalOnly", this, &TWindowManager::SetTopModalOnly);
  RegisterGameStateFunctions(mScript->GetState());
}
