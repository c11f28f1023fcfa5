// Argument readers and result writer shared by the native-function adapters.
#include "core/script/lua_bindings.h"

TStr GetLuaString(lua_State* L, int index) {
  int t = lua_type(L, index);
  if (t != LUA_TSTRING && t != LUA_TNUMBER) return TStr("");
  const char* s = lua_tostring(L, index);
  return TStr(s, (int)lua_strlen(L, index));
}

void PushLuaString(lua_State* L, const TStr& s) { lua_pushlstring(L, s.c_str(), (size_t)s.Length()); }

TLuaTable* GetLuaTable(lua_State* L, int index) {
  lua_pushvalue(L, index);
  TLuaTable* t = new TLuaTable(L);
  t->AutoRelease();
  return t;
}
