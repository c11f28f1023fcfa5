// The window manager's own script function.
#include "core/script/lua_bindings.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"

void TWindowManager::BindScriptFunctions() {
  RegisterLuaMember(mScript->GetState(), "SetTopModalOnly", this, &TWindowManager::SetTopModalOnly);
}
