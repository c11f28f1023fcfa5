// STOP-GAP base and coroutine library of the runner (see stopgap_library.h): only the public C
// API, with the messages of the stock base library where a script can observe them.
#include "tools/orvella-lua/stopgap_library.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/script/lua.h"

namespace {

int ArgError(lua_State* L, int narg, const char* fname, const char* extra) {
  lua_pushfstring(L, "bad argument #%d to `%s' (%s)", narg, fname, extra);
  return lua_error(L);
}

void CheckAny(lua_State* L, int narg, const char* fname) {
  if (lua_type(L, narg) == LUA_TNONE) ArgError(L, narg, fname, "value expected");
}

void CheckType(lua_State* L, int narg, int t, const char* fname) {
  if (lua_type(L, narg) != t) {
    const char* msg = lua_pushfstring(L, "%s expected, got %s", lua_typename(L, t),
                                      lua_typename(L, lua_type(L, narg)));
    ArgError(L, narg, fname, msg);
  }
}

// Position prefix "chunk:line: " of the function `level' levels up, as error() adds it.
void Where(lua_State* L, int level) {
  lua_Debug ar;
  if (lua_getstack(L, level, &ar)) {
    lua_getinfo(L, "Sl", &ar);
    if (ar.currentline > 0) {
      lua_pushfstring(L, "%s:%d: ", ar.short_src, ar.currentline);
      return;
    }
  }
  lua_pushliteral(L, "");
}

// Wide text for the terminal: UTF-8 of the units, pairing surrogates.
void AppendUtf8(std::string* out, const lua_WChar* s, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    unsigned cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      *out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      *out += static_cast<char>(0xC0 | (cp >> 6));
      *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *out += static_cast<char>(0xE0 | (cp >> 12));
      *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      *out += static_cast<char>(0xF0 | (cp >> 18));
      *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      *out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
}

// Pushes the text tostring() gives for the value at idx.
void PushToString(lua_State* L, int idx) {
  if (lua_getmetatable(L, idx)) {
    lua_pushliteral(L, "__tostring");
    lua_rawget(L, -2);
    if (lua_isfunction(L, -1)) {
      lua_pushvalue(L, idx);
      lua_call(L, 1, 1);
      lua_remove(L, -2);  // the metatable
      return;
    }
    lua_pop(L, 2);
  }
  switch (lua_type(L, idx)) {
    case LUA_TNUMBER:
      lua_pushvalue(L, idx);
      lua_tostring(L, -1);
      break;
    case LUA_TSTRING:
      lua_pushvalue(L, idx);
      break;
    case LUA_TWSTRING: {  // the low byte of each unit
      const lua_WChar* w = lua_towstring(L, idx);
      size_t n = lua_strlen(L, idx);
      std::string s(n, '\0');
      for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(w[i] & 0xFF);
      lua_pushlstring(L, s.data(), s.size());
      break;
    }
    case LUA_TBOOLEAN:
      lua_pushstring(L, lua_toboolean(L, idx) ? "true" : "false");
      break;
    case LUA_TNIL:
      lua_pushliteral(L, "nil");
      break;
    default:
      lua_pushfstring(L, "%s: %p", lua_typename(L, lua_type(L, idx)), lua_topointer(L, idx));
      break;
  }
}

int Print(lua_State* L) {
  int n = lua_gettop(L);
  std::string line;
  for (int i = 1; i <= n; ++i) {
    if (i > 1) line += '\t';
    if (lua_type(L, i) == LUA_TWSTRING) {
      AppendUtf8(&line, lua_towstring(L, i), lua_strlen(L, i));
      continue;
    }
    PushToString(L, i);
    if (!lua_isstring(L, -1)) {
      lua_pushliteral(L, "`tostring' must return a string to `print'");
      return lua_error(L);
    }
    line.append(lua_tostring(L, -1), lua_strlen(L, -1));
    lua_pop(L, 1);
  }
  line += '\n';
  fwrite(line.data(), 1, line.size(), stdout);
  return 0;
}

int ToString(lua_State* L) {
  CheckAny(L, 1, "tostring");
  PushToString(L, 1);
  return 1;
}

int ToNumber(lua_State* L) {
  CheckAny(L, 1, "tonumber");
  if (lua_isnumber(L, 1)) {
    lua_pushnumber(L, lua_tonumber(L, 1));
    return 1;
  }
  lua_pushnil(L);
  return 1;
}

int Type(lua_State* L) {
  CheckAny(L, 1, "type");
  lua_pushstring(L, lua_typename(L, lua_type(L, 1)));
  return 1;
}

int Assert(lua_State* L) {
  CheckAny(L, 1, "assert");
  if (!lua_toboolean(L, 1)) {
    if (lua_isstring(L, 2)) {
      lua_pushvalue(L, 2);
    } else {
      lua_pushliteral(L, "assertion failed!");
    }
    return lua_error(L);
  }
  return lua_gettop(L);
}

int Error(lua_State* L) {
  int level = lua_isnumber(L, 2) ? static_cast<int>(lua_tonumber(L, 2)) : 1;
  lua_settop(L, 1);
  if (lua_type(L, 1) == LUA_TSTRING && level > 0) {
    Where(L, level);
    lua_pushvalue(L, 1);
    lua_concat(L, 2);
  }
  return lua_error(L);
}

int PCall(lua_State* L) {
  CheckAny(L, 1, "pcall");
  int status = lua_pcall(L, lua_gettop(L) - 1, LUA_MULTRET, 0);
  lua_pushboolean(L, status == 0);
  lua_insert(L, 1);
  return lua_gettop(L);
}

int GetMetatable(lua_State* L) {
  CheckAny(L, 1, "getmetatable");
  if (!lua_getmetatable(L, 1)) {
    lua_pushnil(L);
    return 1;
  }
  lua_pushliteral(L, "__metatable");
  lua_rawget(L, -2);
  if (lua_isnil(L, -1)) lua_pop(L, 1);
  return 1;
}

int SetMetatable(lua_State* L) {
  CheckType(L, 1, LUA_TTABLE, "setmetatable");
  int t = lua_type(L, 2);
  if (t != LUA_TNIL && t != LUA_TTABLE) ArgError(L, 2, "setmetatable", "nil or table expected");
  lua_settop(L, 2);
  lua_setmetatable(L, 1);
  return 1;
}

int RawGet(lua_State* L) {
  CheckType(L, 1, LUA_TTABLE, "rawget");
  CheckAny(L, 2, "rawget");
  lua_rawget(L, 1);
  return 1;
}

int RawSet(lua_State* L) {
  CheckType(L, 1, LUA_TTABLE, "rawset");
  CheckAny(L, 2, "rawset");
  CheckAny(L, 3, "rawset");
  lua_rawset(L, 1);
  return 1;
}

int RawEqual(lua_State* L) {
  CheckAny(L, 1, "rawequal");
  CheckAny(L, 2, "rawequal");
  lua_pushboolean(L, lua_rawequal(L, 1, 2));
  return 1;
}

int Next(lua_State* L) {
  CheckType(L, 1, LUA_TTABLE, "next");
  lua_settop(L, 2);
  if (lua_next(L, 1)) return 2;
  lua_pushnil(L);
  return 1;
}

int Pairs(lua_State* L) {
  CheckType(L, 1, LUA_TTABLE, "pairs");
  lua_pushliteral(L, "next");
  lua_rawget(L, LUA_GLOBALSINDEX);
  lua_pushvalue(L, 1);
  lua_pushnil(L);
  return 3;
}

int IPairsAux(lua_State* L) {
  int i = static_cast<int>(lua_tonumber(L, 2)) + 1;
  lua_pushnumber(L, i);
  lua_rawgeti(L, 1, i);
  return lua_isnil(L, -1) ? 0 : 2;
}

int IPairs(lua_State* L) {
  CheckType(L, 1, LUA_TTABLE, "ipairs");
  lua_pushcfunction(L, IPairsAux);
  lua_pushvalue(L, 1);
  lua_pushnumber(L, 0);
  return 3;
}

int Unpack(lua_State* L) {
  CheckType(L, 1, LUA_TTABLE, "unpack");
  int n = lua_getn(L, 1);
  if (!lua_checkstack(L, n)) {
    lua_pushliteral(L, "table too big to unpack");
    return lua_error(L);
  }
  for (int i = 1; i <= n; ++i) lua_rawgeti(L, 1, i);
  return n;
}

struct StringReader {
  const char* s;
  size_t size;
};

const char* ReadString(lua_State*, void* ud, size_t* size) {
  auto* r = static_cast<StringReader*>(ud);
  if (r->size == 0) return nullptr;
  *size = r->size;
  r->size = 0;
  return r->s;
}

int LoadString(lua_State* L) {
  if (!lua_isstring(L, 1)) CheckType(L, 1, LUA_TSTRING, "loadstring");
  size_t len = lua_strlen(L, 1);
  const char* s = lua_tostring(L, 1);
  const char* name = lua_isstring(L, 2) ? lua_tostring(L, 2) : s;
  StringReader reader{s, len};
  if (lua_load(L, ReadString, &reader, name) == 0) return 1;
  lua_pushnil(L);
  lua_insert(L, -2);
  return 2;
}

// The `^' operator calls the global __pow, which the math library normally provides.
int Pow(lua_State* L) {
  lua_pushnumber(L, std::pow(lua_tonumber(L, 1), lua_tonumber(L, 2)));
  return 1;
}

int CollectGarbage(lua_State* L) {
  lua_setgcthreshold(L, lua_isnumber(L, 1) ? static_cast<int>(lua_tonumber(L, 1)) : 0);
  return 0;
}

int GcInfo(lua_State* L) {
  lua_pushnumber(L, lua_getgccount(L));
  lua_pushnumber(L, lua_getgcthreshold(L));
  return 2;
}

// --- coroutine ---

int AuxResume(lua_State* L, lua_State* co, int narg) {
  if (!lua_checkstack(co, narg)) {
    lua_pushliteral(L, "too many arguments to resume");
    return -1;
  }
  lua_xmove(L, co, narg);
  int status = lua_resume(co, narg);
  if (status == 0) {
    int nres = lua_gettop(co);
    if (!lua_checkstack(L, nres)) {
      lua_pushliteral(L, "too many results to resume");
      return -1;
    }
    lua_xmove(co, L, nres);
    return nres;
  }
  lua_xmove(co, L, 1);  // the error message
  return -1;
}

int CoCreate(lua_State* L) {
  lua_State* co = lua_newthread(L);
  if (!lua_isfunction(L, 1) || lua_iscfunction(L, 1))
    ArgError(L, 1, "create", "Lua function expected");
  lua_pushvalue(L, 1);
  lua_xmove(L, co, 1);
  return 1;
}

int CoResume(lua_State* L) {
  lua_State* co = lua_tothread(L, 1);
  if (!co) ArgError(L, 1, "resume", "coroutine expected");
  int r = AuxResume(L, co, lua_gettop(L) - 1);
  if (r < 0) {
    lua_pushboolean(L, 0);
    lua_insert(L, -2);
    return 2;
  }
  lua_pushboolean(L, 1);
  lua_insert(L, -(r + 1));
  return r + 1;
}

int AuxWrap(lua_State* L) {
  lua_State* co = lua_tothread(L, lua_upvalueindex(1));
  int r = AuxResume(L, co, lua_gettop(L));
  if (r < 0) {
    if (lua_isstring(L, -1)) {  // add position information, as the stock wrap does
      Where(L, 1);
      lua_insert(L, -2);
      lua_concat(L, 2);
    }
    return lua_error(L);
  }
  return r;
}

int CoWrap(lua_State* L) {
  CoCreate(L);
  lua_pushcclosure(L, AuxWrap, 1);
  return 1;
}

int CoYield(lua_State* L) { return lua_yield(L, lua_gettop(L)); }

int CoStatus(lua_State* L) {
  lua_State* co = lua_tothread(L, 1);
  if (!co) ArgError(L, 1, "status", "coroutine expected");
  if (L == co) {
    lua_pushliteral(L, "running");
  } else {
    lua_Debug ar;
    if (lua_getstack(co, 0, &ar) == 0 && lua_gettop(co) == 0)
      lua_pushliteral(L, "dead");
    else
      lua_pushliteral(L, "suspended");
  }
  return 1;
}

struct Entry {
  const char* name;
  lua_CFunction f;
};

const Entry kBase[] = {
  {"print", Print},           {"tostring", ToString},       {"tonumber", ToNumber},
  {"type", Type},             {"assert", Assert},           {"error", Error},
  {"pcall", PCall},           {"getmetatable", GetMetatable}, {"setmetatable", SetMetatable},
  {"rawget", RawGet},         {"rawset", RawSet},           {"rawequal", RawEqual},
  {"next", Next},             {"pairs", Pairs},             {"ipairs", IPairs},
  {"unpack", Unpack},         {"loadstring", LoadString},   {"collectgarbage", CollectGarbage},
  {"gcinfo", GcInfo},          {"__pow", Pow},
};

const Entry kCoroutine[] = {
  {"create", CoCreate}, {"resume", CoResume}, {"yield", CoYield},
  {"status", CoStatus}, {"wrap", CoWrap},
};

}  // namespace

void OpenStopGapLibrary(lua_State* L) {
  for (const Entry& e : kBase) {
    lua_pushstring(L, e.name);
    lua_pushcfunction(L, e.f);
    lua_settable(L, LUA_GLOBALSINDEX);
  }
  lua_pushliteral(L, "_G");
  lua_pushvalue(L, LUA_GLOBALSINDEX);
  lua_settable(L, LUA_GLOBALSINDEX);
  lua_pushliteral(L, "coroutine");
  lua_newtable(L);
  for (const Entry& e : kCoroutine) {
    lua_pushstring(L, e.name);
    lua_pushcfunction(L, e.f);
    lua_settable(L, -3);
  }
  lua_settable(L, LUA_GLOBALSINDEX);
}
