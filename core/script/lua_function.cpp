// TLuaFunction::Call with the host's error handler.
#include "core/script/lua_function.h"

int TLuaFunction::Call() {
  lua_pushliteral(mL, "_ALERT");
  lua_gettable(mL, LUA_GLOBALSINDEX);
  int handler = lua_gettop(mL);
  Push();
  int status = lua_pcall(mL, 0, 1, lua_isfunction(mL, handler) ? handler : 0);
  lua_remove(mL, handler);
  return status;
}
