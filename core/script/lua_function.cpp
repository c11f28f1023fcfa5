// TLuaFunction::Call with the host's error handler.
#include "core/script/lua_function.h"

int TLuaFunction::Call() {
  // The function may replace or free this handle while it runs (a button command setting its
  // button's command): after the call only the state and the stack are used, never a member.
  lua_State* L = mL;
  lua_pushliteral(L, "_ALERT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  int handler = lua_gettop(L);
  Push();
  int status = lua_pcall(L, 0, 1, lua_isfunction(L, handler) ? handler : 0);
  lua_remove(L, handler);
  return status;
}
