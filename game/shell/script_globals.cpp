// The script globals of game objects. Each bound name keeps, in the script state's registry, its
// line of owners: the value the name had before the first of them (`base') and, in binding
// order, each owner with the function it bound. The line lives in the state, so it goes with it.
#include "game/shell/script_globals.h"

#include "core/windows/window_manager.h"

namespace {

char kLinesKey;  // its address keys the table of lines in the registry

lua_State* ManagerState() {
  TWindowManager* manager = TWindowManager::Get();
  return manager ? manager->GetScriptState() : nullptr;
}

void PushGlobal(lua_State* L, const char* name) {
  lua_pushstring(L, name);
  lua_rawget(L, LUA_GLOBALSINDEX);
}

// The table of lines by name, made on first use.
void PushLines(lua_State* L) {
  lua_pushlightuserdata(L, &kLinesKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  if (lua_istable(L, -1)) return;
  lua_pop(L, 1);
  lua_newtable(L);
  lua_pushlightuserdata(L, &kLinesKey);
  lua_pushvalue(L, -2);
  lua_rawset(L, LUA_REGISTRYINDEX);
}

// The name's line, or nil.
void PushLine(lua_State* L, const char* name) {
  PushLines(L);
  lua_pushstring(L, name);
  lua_rawget(L, -2);
  lua_remove(L, -2);
}

void SetLine(lua_State* L, const char* name, int value) {
  PushLines(L);
  lua_pushstring(L, name);
  lua_pushvalue(L, value < 0 ? value - 2 : value);
  lua_rawset(L, -3);
  lua_pop(L, 1);
}

int GetField(lua_State* L, int table, const char* key) {
  lua_pushstring(L, key);
  lua_rawget(L, table);
  int n = (int)lua_tonumber(L, -1);
  lua_pop(L, 1);
  return n;
}

void SetCount(lua_State* L, int line, int n) {
  lua_pushstring(L, "n");
  lua_pushnumber(L, n);
  lua_rawset(L, line);
}

// Pushes field `key' of entry i of the line.
void PushEntryField(lua_State* L, int line, int i, const char* key) {
  lua_rawgeti(L, line, i);
  lua_pushstring(L, key);
  lua_rawget(L, -2);
  lua_remove(L, -2);
}

}  // namespace

lua_State* TScriptGlobals::BeginBind(const char* name) {
  lua_State* L = ManagerState();
  if (!L) return nullptr;
  if (L != mL) {
    mL = L;  // a new script: the old one's names went with it
    mNames.clear();
  }
  PushLine(L, name);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushstring(L, "base");
    PushGlobal(L, name);
    lua_rawset(L, -3);
    SetCount(L, lua_gettop(L), 0);
    SetLine(L, name, -1);
  }
  lua_pop(L, 1);
  return L;
}

void TScriptGlobals::EndBind(lua_State* L, const char* name) {
  PushLine(L, name);
  int line = lua_gettop(L);
  int n = GetField(L, line, "n") + 1;
  lua_newtable(L);
  lua_pushstring(L, "owner");
  lua_pushlightuserdata(L, this);
  lua_rawset(L, -3);
  lua_pushstring(L, "fn");
  PushGlobal(L, name);
  lua_rawset(L, -3);
  lua_rawseti(L, line, n);
  SetCount(L, line, n);
  lua_pop(L, 1);
  mNames.push_back(name);
}

void TScriptGlobals::Unbind(lua_State* L, const TStr& name) {
  const char* key = name.c_str();
  int top = lua_gettop(L);
  PushLine(L, key);
  if (!lua_istable(L, -1)) {
    lua_settop(L, top);
    return;
  }
  int line = lua_gettop(L);
  int n = GetField(L, line, "n");
  int mine = 0;
  for (int i = n; i >= 1 && !mine; i--) {
    PushEntryField(L, line, i, "owner");
    if (lua_touserdata(L, -1) == this) mine = i;
    lua_pop(L, 1);
  }
  if (!mine) {
    lua_settop(L, top);
    return;
  }
  if (mine == n) {
    PushGlobal(L, key);
    PushEntryField(L, line, mine, "fn");
    bool stillMine = lua_rawequal(L, -1, -2) != 0;
    lua_pop(L, 2);
    if (stillMine) {
      lua_pushstring(L, key);
      if (mine > 1) {
        PushEntryField(L, line, mine - 1, "fn");
      } else {
        lua_pushstring(L, "base");
        lua_rawget(L, line);
      }
      lua_rawset(L, LUA_GLOBALSINDEX);
    }
  }
  for (int i = mine; i < n; i++) {
    lua_rawgeti(L, line, i + 1);
    lua_rawseti(L, line, i);
  }
  lua_pushnil(L);
  lua_rawseti(L, line, n);
  SetCount(L, line, n - 1);
  if (n == 1) {
    lua_pushnil(L);
    SetLine(L, key, -1);
    lua_pop(L, 1);
  }
  lua_settop(L, top);
}

void TScriptGlobals::UnbindAll() {
  // Names live in the state they were bound in; a state that is gone took them along.
  if (mL && mL == ManagerState())
    for (auto it = mNames.rbegin(); it != mNames.rend(); ++it) Unbind(mL, *it);
  mNames.clear();
  mL = nullptr;
}
