// The game script state and unbinding.
#include "game/shell/script_globals.h"

#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"

lua_State* GameScriptState() {
  TWindowManager* manager = TWindowManager::Get();
  return manager ? manager->GetScriptState() : nullptr;
}

void UnbindScriptGlobal(const char* name) {
  lua_State* L = GameScriptState();
  if (!L) return;
  lua_pushstring(L, name);
  lua_pushnil(L);
  lua_settable(L, LUA_GLOBALSINDEX);
}

TStr FrameworkString(TStr label, TStr a1, TStr a2, TStr a3) {
  TWindowManager* manager = TWindowManager::Get();
  return manager ? manager->GetHost().GetString(label, a1, a2, a3) : label;
}
