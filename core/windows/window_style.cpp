// Creation-key lookup through the default style chain.
#include "core/windows/window_style.h"

#include "core/base/log.h"
#include "core/base/saturate.h"
#include "core/script/lua_bindings.h"
#include "core/script/lua_function.h"
#include "core/script/lua_table.h"

namespace {

// A style whose "parent" chain loops (AppendStyle of the current style does that) must not
// hang the lookup.
constexpr int kMaxStyleDepth = 64;

}  // namespace

lua_State* TWindowStyle::GetState() const { return mTable->GetState(); }

bool TWindowStyle::Find(const char* key, bool useDefaultStyle) {
  lua_State* L = GetState();
  int top = lua_gettop(L);
  mTable->Push();
  for (int level = 0; level < kMaxStyleDepth; level++) {
    lua_pushstring(L, key);
    lua_gettable(L, lua_istable(L, -2) ? -2 : LUA_GLOBALSINDEX);
    if (!lua_isnil(L, -1)) {
      lua_remove(L, -2);
      return true;
    }
    lua_pop(L, 1);
    if (level == 0) {
      if (!useDefaultStyle) break;
      lua_pop(L, 1);
      lua_pushliteral(L, "gCurrentDefaultStyle");
      lua_gettable(L, LUA_GLOBALSINDEX);
    } else {
      lua_pushliteral(L, "parent");
      lua_gettable(L, -2);
      lua_remove(L, -2);
    }
    if (!lua_istable(L, -1)) break;
  }
  lua_settop(L, top);
  return false;
}

double TWindowStyle::GetNumber(const char* key, double def) {
  if (!Find(key)) return def;
  lua_State* L = GetState();
  double v = lua_tonumber(L, -1);
  lua_pop(L, 1);
  return v;
}

int32_t TWindowStyle::GetInt(const char* key, int32_t def) { return SaturateToInt32(GetNumber(key, (double)def)); }

TStr TWindowStyle::GetString(const char* key, TStr def) {
  if (!Find(key)) return def;
  lua_State* L = GetState();
  TStr s = GetLuaString(L, -1);
  lua_pop(L, 1);
  return s;
}

bool TWindowStyle::GetBool(const char* key, bool def) {
  if (!Find(key)) return def;
  return PopBool(GetState());
}

TColor TWindowStyle::GetColor(const char* key, const TColor& def) {
  if (!Find(key)) return def;
  return PopLuaColor(GetState());
}

TLuaTable* TWindowStyle::GetTable(const char* key) {
  if (!Find(key)) return nullptr;
  lua_State* L = GetState();
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    return nullptr;
  }
  return new TLuaTable(L);
}

TLuaFunction* TWindowStyle::GetFunction(const char* key) {
  if (!Find(key)) return nullptr;
  lua_State* L = GetState();
  if (!lua_isfunction(L, -1)) {
    lua_pop(L, 1);
    return nullptr;
  }
  return new TLuaFunction(L);
}

bool PopBool(lua_State* L) {
  bool answer = false;
  switch (lua_type(L, -1)) {
    case LUA_TNIL: break;
    case LUA_TBOOLEAN: answer = lua_toboolean(L, -1) != 0; break;
    case LUA_TNUMBER: answer = lua_tonumber(L, -1) != 0; break;
    case LUA_TSTRING: LogPrintf("PopBool used on lua string %s", lua_tostring(L, -1)); break;
    default:
      LogPrintf("PopBool used on a type that isn't a number, a boolean, or nil. (type: %d)", lua_type(L, -1));
      break;
  }
  lua_pop(L, 1);
  return answer;
}
