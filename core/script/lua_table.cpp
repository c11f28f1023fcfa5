// TLuaTable accessors: each pushes the table, reads one field through a protected get and
// restores the stack height.
#include "core/script/lua_table.h"

#include "core/script/lua_function.h"

namespace {

int GetField(lua_State* L) {
  lua_gettable(L, 1);
  return 1;
}

int NextField(lua_State* L) {
  lua_settop(L, 2);
  return lua_next(L, 1) ? 2 : 0;
}

int SetField(lua_State* L) {
  lua_settable(L, 1);
  return 0;
}

}  // namespace

void TLuaTable::SafeGet() {
  int keyIndex = lua_gettop(mL);
  lua_pushcfunction(mL, GetField);
  Push();
  lua_pushvalue(mL, keyIndex);
  if (lua_pcall(mL, 2, 1, 0) != 0) {
    lua_pop(mL, 1);
    lua_pushnil(mL);
  }
  lua_remove(mL, keyIndex);
}

bool TLuaTable::Get(const char* key) {
  lua_pushstring(mL, key);
  SafeGet();
  if (lua_isnil(mL, -1)) {
    lua_pop(mL, 1);
    return false;
  }
  return true;
}

bool TLuaTable::GetAt(double index) {
  lua_pushnumber(mL, index);
  SafeGet();
  if (lua_isnil(mL, -1)) {
    lua_pop(mL, 1);
    return false;
  }
  return true;
}

TStr TLuaTable::ValueString() {
  int t = lua_type(mL, -1);
  if (t != LUA_TSTRING && t != LUA_TNUMBER) return TStr("");
  return TStr(lua_tostring(mL, -1), (int)lua_strlen(mL, -1));
}

double TLuaTable::ValueNumber() { return lua_tonumber(mL, -1); }

TStr TLuaTable::GetString(const char* key, TStr def) {
  int top = lua_gettop(mL);
  TStr r = Get(key) ? ValueString() : def;
  lua_settop(mL, top);
  return r;
}

TStr TLuaTable::GetStringAt(double index, TStr def) {
  int top = lua_gettop(mL);
  TStr r = GetAt(index) ? ValueString() : def;
  lua_settop(mL, top);
  return r;
}

double TLuaTable::GetNumber(const char* key, double def) {
  int top = lua_gettop(mL);
  double r = Get(key) ? ValueNumber() : def;
  lua_settop(mL, top);
  return r;
}

double TLuaTable::GetNumberAt(double index, double def) {
  int top = lua_gettop(mL);
  double r = GetAt(index) ? ValueNumber() : def;
  lua_settop(mL, top);
  return r;
}

bool TLuaTable::GetBool(const char* key, bool def) {
  int top = lua_gettop(mL);
  bool r = Get(key) ? lua_toboolean(mL, -1) != 0 : def;
  lua_settop(mL, top);
  return r;
}

TLuaFunction* TLuaTable::GetFunction(const char* key) {
  int top = lua_gettop(mL);
  TLuaFunction* r = nullptr;
  if (Get(key) && lua_isfunction(mL, -1)) r = new TLuaFunction(mL);
  lua_settop(mL, top);
  return r;
}

TLuaTable* TLuaTable::GetTable(const char* key) {
  int top = lua_gettop(mL);
  TLuaTable* r = nullptr;
  if (Get(key) && lua_istable(mL, -1)) r = new TLuaTable(mL);
  lua_settop(mL, top);
  return r;
}

TLuaTable* TLuaTable::GetTableAt(double index) {
  int top = lua_gettop(mL);
  TLuaTable* r = nullptr;
  if (GetAt(index) && lua_istable(mL, -1)) r = new TLuaTable(mL);
  lua_settop(mL, top);
  return r;
}

TColor TLuaTable::ReadColor(const TColor& def) {
  // The field is on top of the stack.
  if (!lua_istable(mL, -1)) return def;
  TLuaTable entry(mL);
  return TColor((float)entry.GetNumberAt(1, def.r), (float)entry.GetNumberAt(2, def.g),
                (float)entry.GetNumberAt(3, def.b), (float)entry.GetNumberAt(4, def.a));
}

TColor TLuaTable::GetColor(const char* key, const TColor& def) {
  int top = lua_gettop(mL);
  TColor r = Get(key) ? ReadColor(def) : def;
  lua_settop(mL, top);
  return r;
}

TColor TLuaTable::GetColorAt(double index, const TColor& def) {
  int top = lua_gettop(mL);
  TColor r = GetAt(index) ? ReadColor(def) : def;
  lua_settop(mL, top);
  return r;
}

void TLuaTable::SetStringAt(double index, TStr value) {
  int top = lua_gettop(mL);
  lua_pushcfunction(mL, SetField);
  Push();
  lua_pushnumber(mL, index);
  lua_pushlstring(mL, value.c_str(), (size_t)value.Length());
  if (lua_pcall(mL, 3, 0, 0) != 0) lua_pop(mL, 1);
  lua_settop(mL, top);
}

int TLuaTable::GetSize() {
  int top = lua_gettop(mL);
  Push();
  int n = lua_istable(mL, -1) ? lua_getn(mL, -1) : 0;
  lua_settop(mL, top);
  return n;
}

TLuaObjectWrapper* TLuaTable::Next(TLuaObjectWrapper** key) {
  int top = lua_gettop(mL);
  lua_pushcfunction(mL, NextField);
  Push();
  if (*key) {
    (*key)->Push();
    delete *key;
  } else {
    lua_pushnil(mL);
  }
  *key = nullptr;  // never left pointing at the deleted handle
  TLuaObjectWrapper* value = nullptr;
  // Protected: a key that vanished from the table is the end, not an error.
  bool table = lua_istable(mL, -2);
  if (table && lua_pcall(mL, 2, LUA_MULTRET, 0) == 0 && lua_gettop(mL) == top + 2) {
    value = new TLuaObjectWrapper(mL);  // the value is on top
    *key = new TLuaObjectWrapper(mL);
  }
  lua_settop(mL, top);
  return value;
}
