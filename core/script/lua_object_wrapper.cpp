// Registry anchoring of TLuaObjectWrapper handles.
#include "core/script/lua_object_wrapper.h"

#include "core/script/script.h"

TLuaObjectWrapper::TLuaObjectWrapper(lua_State* L) : mL(L) {
  lua_pushlightuserdata(L, this);
  lua_insert(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);
}

TLuaObjectWrapper::~TLuaObjectWrapper() {
  lua_pushlightuserdata(mL, this);
  lua_pushnil(mL);
  lua_rawset(mL, LUA_REGISTRYINDEX);
}

void TLuaObjectWrapper::Push() const {
  lua_pushlightuserdata(mL, const_cast<TLuaObjectWrapper*>(this));
  lua_rawget(mL, LUA_REGISTRYINDEX);
}

void* TLuaObjectWrapper::GetUserData() const {
  Push();
  void* p = LuaToObject(mL, -1);
  lua_pop(mL, 1);
  return p;
}

TStr TLuaObjectWrapper::AsString() const {
  int top = lua_gettop(mL);
  Push();
  TStr result;
  int t = lua_type(mL, -1);
  if (t == LUA_TSTRING || t == LUA_TNUMBER) {
    const char* s = lua_tostring(mL, -1);
    result = TStr(s, (int)lua_strlen(mL, -1));
  }
  lua_settop(mL, top);
  return result;
}

void TLuaObjectWrapper::AutoRelease() { TScript::AdoptTemporary(mL, this); }

void* LuaToObject(lua_State* L, int index) {
  if (lua_isnil(L, index)) return nullptr;
  return lua_touserdata(L, index);
}
