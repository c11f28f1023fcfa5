// The cross-sell window's script functions, SetupXSell and LaunchGameLink: globals bound to the
// page that made them last. Each closure carries its page as an upvalue and is also kept in the
// registry under the page's address, so a page that goes away can tell whether the globals
// still name it (another page may have taken them over, or a script replaced them).
#include "core/base/saturate.h"
#include "core/script/lua.h"
#include "core/windows/widgets/xsell_window.h"
#include "core/windows/window_manager.h"

namespace {

const char* const kFunctions[] = {"SetupXSell", "LaunchGameLink"};

TXSellWindow* Page(lua_State* L) { return static_cast<TXSellWindow*>(lua_touserdata(L, lua_upvalueindex(1))); }

int SetupXSellFunction(lua_State* L) {
  Page(L)->SetupXSell();
  return 0;
}

int LaunchGameLinkFunction(lua_State* L) {
  Page(L)->LaunchGameLink(SaturateToInt32(lua_tonumber(L, 1)));
  return 0;
}

lua_State* ScriptState() {
  TWindowManager* manager = TWindowManager::Get();
  return manager ? manager->GetScriptState() : nullptr;
}

// Pushes registry[page] (a table of the page's two closures, or nil).
void PushBindings(lua_State* L, TXSellWindow* page) {
  lua_pushlightuserdata(L, page);
  lua_gettable(L, LUA_REGISTRYINDEX);
}

}  // namespace

void TXSellWindow::BindScriptFunctions() {
  lua_State* L = ScriptState();
  if (!L) return;
  int top = lua_gettop(L);
  lua_pushlightuserdata(L, this);
  lua_newtable(L);
  lua_CFunction functions[] = {&SetupXSellFunction, &LaunchGameLinkFunction};
  for (int i = 0; i < 2; i++) {
    lua_pushstring(L, kFunctions[i]);
    lua_pushlightuserdata(L, this);
    lua_pushcclosure(L, functions[i], 1);
    lua_pushstring(L, kFunctions[i]);
    lua_pushvalue(L, -2);
    lua_settable(L, LUA_GLOBALSINDEX);
    lua_settable(L, -3);  // bindings[name] = closure
  }
  lua_settable(L, LUA_REGISTRYINDEX);
  lua_settop(L, top);
}

void TXSellWindow::UnbindScriptFunctions() {
  lua_State* L = ScriptState();
  if (!L) return;
  int top = lua_gettop(L);
  PushBindings(L, this);
  if (lua_istable(L, -1)) {
    for (const char* name : kFunctions) {
      lua_pushstring(L, name);
      lua_gettable(L, LUA_GLOBALSINDEX);
      lua_pushstring(L, name);
      lua_gettable(L, top + 1);
      bool ours = lua_rawequal(L, -1, -2) != 0;
      lua_pop(L, 2);
      if (!ours) continue;
      // A call after the page is gone would reach freed memory.
      lua_pushstring(L, name);
      lua_pushnil(L);
      lua_settable(L, LUA_GLOBALSINDEX);
    }
  }
  lua_settop(L, top);
  lua_pushlightuserdata(L, this);
  lua_pushnil(L);
  lua_settable(L, LUA_REGISTRYINDEX);
}
