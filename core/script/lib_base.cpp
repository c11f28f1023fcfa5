// Base library (globals such as print, tostring, pcall, require) and the coroutine table, with
// wide-string support in print, tostring, tonumber and towstring.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/script/lib_aux.h"

namespace {

int B_error(lua_State *L) {
  int level = luaL_optint(L, 2, 1);
  lua_settop(L, 1);
  // A number gets the position too (it converts to a string); a wide string does not, as
  // joining it to the narrow position would itself fail.
  int t = lua_type(L, 1);
  if ((t == LUA_TSTRING || t == LUA_TNUMBER) && level > 0) {
    luaL_where(L, level);
    lua_pushvalue(L, 1);
    lua_concat(L, 2);
  }
  return lua_error(L);
}

int B_getmetatable(lua_State *L) {
  luaL_checkany(L, 1);
  if (!lua_getmetatable(L, 1)) {
    lua_pushnil(L);
    return 1;
  }
  luaL_getmetafield(L, 1, "__metatable");  // a protected metatable answers its field
  return 1;
}

int B_setmetatable(lua_State *L) {
  int t = lua_type(L, 2);
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_argcheck(L, t == LUA_TNIL || t == LUA_TTABLE, 2, "nil or table expected");
  if (luaL_getmetafield(L, 1, "__metatable")) luaL_error(L, "cannot change a protected metatable");
  lua_settop(L, 2);
  lua_setmetatable(L, 1);
  return 1;
}

// Pushes the function named by argument 1: a function, or a stack level (default 1).
void getfunc(lua_State *L) {
  if (lua_isfunction(L, 1)) {
    lua_pushvalue(L, 1);
    return;
  }
  lua_Debug ar;
  int level = luaL_optint(L, 1, 1);
  luaL_argcheck(L, level >= 0, 1, "level must be non-negative");
  if (lua_getstack(L, level, &ar) == 0) luaL_argerror(L, 1, "invalid level");
  lua_getinfo(L, "f", &ar);
  if (lua_isnil(L, -1))
    luaL_error(L, "no function environment for tail call at level %d", level);
}

int aux_getfenv(lua_State *L) {
  lua_getfenv(L, -1);
  lua_pushliteral(L, "__fenv");
  lua_rawget(L, -2);
  return !lua_isnil(L, -1);
}

int B_getfenv(lua_State *L) {
  getfunc(L);
  if (!aux_getfenv(L)) lua_pop(L, 1);  // no __fenv: the environment itself
  return 1;
}

int B_setfenv(lua_State *L) {
  luaL_checktype(L, 2, LUA_TTABLE);
  getfunc(L);
  if (aux_getfenv(L)) luaL_error(L, "`setfenv' cannot change a protected environment");
  lua_pop(L, 2);
  lua_pushvalue(L, 2);
  if (lua_isnumber(L, 1) && lua_tonumber(L, 1) == 0) {
    lua_replace(L, LUA_GLOBALSINDEX);
  } else if (lua_setfenv(L, -2) == 0) {
    luaL_error(L, "`setfenv' cannot change environment of given function");
  }
  return 0;
}

int B_rawequal(lua_State *L) {
  luaL_checkany(L, 1);
  luaL_checkany(L, 2);
  lua_pushboolean(L, lua_rawequal(L, 1, 2));
  return 1;
}

int B_rawget(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checkany(L, 2);
  lua_rawget(L, 1);
  return 1;
}

int B_rawset(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checkany(L, 2);
  luaL_checkany(L, 3);
  lua_rawset(L, 1);
  return 1;
}

int B_gcinfo(lua_State *L) {
  lua_pushnumber(L, (lua_Number)lua_getgccount(L));
  lua_pushnumber(L, (lua_Number)lua_getgcthreshold(L));
  return 2;
}

int B_collectgarbage(lua_State *L) {
  lua_setgcthreshold(L, luaL_optint(L, 1, 0));
  return 0;
}

int B_type(lua_State *L) {
  luaL_checkany(L, 1);
  lua_pushstring(L, lua_typename(L, lua_type(L, 1)));
  return 1;
}

int B_next(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_settop(L, 2);
  if (lua_next(L, 1)) return 2;
  lua_pushnil(L);
  return 1;
}

int B_pairs(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_pushliteral(L, "next");
  lua_rawget(L, LUA_GLOBALSINDEX);
  lua_pushvalue(L, 1);
  lua_pushnil(L);
  return 3;
}

int ipairs_step(lua_State *L) {
  lua_Number i = lua_tonumber(L, 2) + 1;
  lua_pushnumber(L, i);
  lua_rawgeti(L, 1, (int)i);
  return lua_isnil(L, -1) ? 0 : 2;
}

int B_ipairs(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_pushvalue(L, 1);
  lua_pushnumber(L, 0);
  return 3;
}

// Wide text for the terminal: UTF-8, pairing surrogates.
void AppendUtf8(std::string *out, const lua_WChar *s, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    uint32_t cp = s[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (uint32_t)(s[i + 1] - 0xDC00);
      ++i;
    }
    if (cp < 0x80) {
      *out += (char)cp;
    } else if (cp < 0x800) {
      *out += (char)(0xC0 | (cp >> 6));
      *out += (char)(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *out += (char)(0xE0 | (cp >> 12));
      *out += (char)(0x80 | ((cp >> 6) & 0x3F));
      *out += (char)(0x80 | (cp & 0x3F));
    } else {
      *out += (char)(0xF0 | (cp >> 18));
      *out += (char)(0x80 | ((cp >> 12) & 0x3F));
      *out += (char)(0x80 | ((cp >> 6) & 0x3F));
      *out += (char)(0x80 | (cp & 0x3F));
    }
  }
}

int B_print(lua_State *L) {
  int n = lua_gettop(L);
  lua_pushliteral(L, "towstring");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushliteral(L, "tostring");
  lua_gettable(L, LUA_GLOBALSINDEX);
  int wideFn = n + 1, narrowFn = n + 2;
  std::string line;
  for (int i = 1; i <= n; i++) {
    bool wide = lua_type(L, i) == LUA_TWSTRING;
    lua_pushvalue(L, wide ? wideFn : narrowFn);
    lua_pushvalue(L, i);
    lua_call(L, 1, 1);
    if (i > 1) line += '\t';
    if (wide && lua_type(L, -1) == LUA_TWSTRING) {
      AppendUtf8(&line, lua_towstring(L, -1), lua_strlen(L, -1));
    } else {
      const char *s = lua_tostring(L, -1);
      if (!s) return luaL_error(L, "`tostring' must return a string to `print'");
      line.append(s, lua_strlen(L, -1));
    }
    lua_pop(L, 1);
  }
  line += '\n';
  fwrite(line.data(), 1, line.size(), stdout);
  return 0;
}

// Digits of `base' as the original platform's 32-bit strtoul read them: blanks, a sign, "0x"
// for base 16, then digits; overflow gives the largest value, a minus sign negates modulo 2^32.
bool ParseUnsigned(const char *s, int base, lua_Number *out) {
  const char *p = s;
  while (isspace((unsigned char)*p)) p++;
  bool neg = false;
  if (*p == '-' || *p == '+') neg = *p++ == '-';
  if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && isxdigit((unsigned char)p[2])) p += 2;
  uint64_t v = 0;
  bool overflow = false, any = false;
  for (;; p++) {
    int c = (unsigned char)*p, d;
    if (isdigit(c)) d = c - '0';
    else if (isalpha(c)) d = tolower(c) - 'a' + 10;
    else break;
    if (d >= base) break;
    any = true;
    v = v * (uint64_t)base + (uint64_t)d;
    if (v > 0xFFFFFFFFull) { overflow = true; v = 0xFFFFFFFFull; }
  }
  if (!any) return false;
  while (isspace((unsigned char)*p)) p++;
  if (*p != '\0') return false;
  uint32_t r = overflow ? 0xFFFFFFFFu : (uint32_t)v;
  if (neg && !overflow) r = (uint32_t)(0u - r);
  *out = (lua_Number)r;
  return true;
}

int B_tonumber(lua_State *L) {
  int base = luaL_optint(L, 2, 10);
  if (base == 10) {
    luaL_checkany(L, 1);
    if (lua_isnumber(L, 1)) {
      lua_pushnumber(L, lua_tonumber(L, 1));
      return 1;
    }
  } else {
    std::string text;
    bool tooLong = false;
    if (lua_type(L, 1) == LUA_TWSTRING) {
      size_t n = lua_strlen(L, 1);
      const lua_WChar *w = lua_towstring(L, 1);
      luaL_argcheck(L, 2 <= base && base <= 36, 2, "base out of range");
      if (n > 99) {
        tooLong = true;
      } else {
        for (size_t i = 0; i < n; i++) text += (char)(w[i] & 0xFF);
      }
    } else {
      size_t n;
      const char *s = luaL_checklstring(L, 1, &n);
      luaL_argcheck(L, 2 <= base && base <= 36, 2, "base out of range");
      text.assign(s, strlen(s));
    }
    lua_Number v;
    if (!tooLong && ParseUnsigned(text.c_str(), base, &v)) {
      lua_pushnumber(L, v);
      return 1;
    }
  }
  lua_pushnil(L);
  return 1;
}

int B_tostring(lua_State *L) {
  luaL_checkany(L, 1);
  if (luaL_callmeta(L, 1, "__tostring")) return 1;
  switch (lua_type(L, 1)) {
    case LUA_TNUMBER:
      lua_pushstring(L, lua_tostring(L, 1));
      break;
    case LUA_TSTRING:
      lua_pushvalue(L, 1);
      break;
    case LUA_TWSTRING: {
      size_t n = lua_strlen(L, 1);
      const lua_WChar *w = lua_towstring(L, 1);
      std::string s(n, '\0');
      for (size_t i = 0; i < n; i++) s[i] = (char)(w[i] & 0xFF);
      lua_pushlstring(L, s.data(), s.size());
      break;
    }
    case LUA_TBOOLEAN:
      lua_pushstring(L, lua_toboolean(L, 1) ? "true" : "false");
      break;
    case LUA_TNIL:
      lua_pushliteral(L, "nil");
      break;
    default:
      lua_pushfstring(L, "%s: %p", lua_typename(L, lua_type(L, 1)), lua_topointer(L, 1));
      break;
  }
  return 1;
}

void PushWidened(lua_State *L, const char *s, size_t n) {
  std::u16string w(n, u'\0');
  for (size_t i = 0; i < n; i++) w[i] = (char16_t)(int16_t)(signed char)s[i];
  static const lua_WChar kEmpty[1] = {0};
  lua_pushlwstring(L, n ? reinterpret_cast<const lua_WChar *>(w.data()) : kEmpty, n);
}

void PushWidenedTop(lua_State *L) {
  size_t n = lua_strlen(L, -1);
  std::string s(lua_tostring(L, -1), n);
  lua_pop(L, 1);
  PushWidened(L, s.data(), s.size());
}

int B_towstring(lua_State *L) {
  luaL_checkany(L, 1);
  switch (lua_type(L, 1)) {
    case LUA_TNIL:
      lua_pushliteral(L, "nil");
      return 1;
    case LUA_TNUMBER:
      lua_pushvalue(L, 1);
      lua_towstring(L, -1);
      return 1;
    case LUA_TSTRING:
      PushWidened(L, lua_tostring(L, 1), lua_strlen(L, 1));
      return 1;
    case LUA_TWSTRING:
      lua_pushvalue(L, 1);
      return 1;
    case LUA_TTABLE:
      lua_pushfstring(L, "%s: %p", lua_typename(L, LUA_TTABLE), lua_topointer(L, 1));
      break;
    case LUA_TFUNCTION:
      lua_pushfstring(L, "function: %p", lua_topointer(L, 1));
      break;
    case LUA_TUSERDATA:
      lua_pushfstring(L, "userdata: %p", lua_topointer(L, 1));
      break;
    case LUA_TTHREAD:
      lua_pushfstring(L, "thread: %p", lua_topointer(L, 1));
      break;
    default:  // booleans and light userdata have no wide text
      return luaL_argerror(L, 1, "value expected");
  }
  PushWidenedTop(L);
  return 1;
}

int B_assert(lua_State *L) {
  luaL_checkany(L, 1);
  if (!lua_toboolean(L, 1)) return luaL_error(L, "%s", luaL_optstring(L, 2, "assertion failed!"));
  lua_settop(L, 1);
  return 1;
}

int B_unpack(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  int n = luaL_getn(L, 1);
  luaL_checkstack(L, n, "table too big to unpack");
  for (int i = 1; i <= n; i++) lua_rawgeti(L, 1, i);
  return n;
}

int B_pcall(lua_State *L) {
  luaL_checkany(L, 1);
  int status = lua_pcall(L, lua_gettop(L) - 1, LUA_MULTRET, 0);
  lua_pushboolean(L, status == 0);
  lua_insert(L, 1);
  return lua_gettop(L);
}

int B_xpcall(lua_State *L) {
  luaL_checkany(L, 2);
  lua_settop(L, 2);
  lua_insert(L, 1);  // the handler below the function
  int status = lua_pcall(L, 0, LUA_MULTRET, 1);
  lua_pushboolean(L, status == 0);
  lua_replace(L, 1);
  return lua_gettop(L);
}

int load_aux(lua_State *L, int status) {
  if (status == 0) return 1;
  lua_pushnil(L);
  lua_insert(L, -2);
  return 2;
}

int B_loadstring(lua_State *L) {
  size_t l;
  const char *s = luaL_checklstring(L, 1, &l);
  const char *chunkname = luaL_optstring(L, 2, s);
  return load_aux(L, luaL_loadbuffer(L, s, l, chunkname));
}

int B_loadfile(lua_State *L) {
  const char *fname = luaL_checkstring(L, 1);
  return load_aux(L, luaL_loadfile(L, fname));
}

int B_dofile(lua_State *L) {
  const char *fname = luaL_checkstring(L, 1);
  int n = lua_gettop(L);
  if (luaL_loadfile(L, fname) != 0) lua_error(L);
  lua_call(L, 0, LUA_MULTRET);
  return lua_gettop(L) - n;
}

// ---- require ----

const char *GetPath(lua_State *L) {
  lua_pushliteral(L, "LUA_PATH");
  lua_rawget(L, LUA_GLOBALSINDEX);
  const char *path = lua_tostring(L, -1);
  lua_pop(L, 1);  // the string stays reachable from the globals
  if (path) return path;
  path = getenv("LUA_PATH");
  return path ? path : "?;?.lua";
}

const int kMaxMarks = 16;

int B_require(lua_State *L) {
  luaL_checkstring(L, 1);
  lua_settop(L, 1);
  lua_pushliteral(L, "_LOADED");
  lua_gettable(L, LUA_GLOBALSINDEX);
  if (!lua_istable(L, 2)) return luaL_error(L, "`_LOADED' is not a table");
  lua_pushvalue(L, 1);
  lua_rawget(L, 2);
  if (lua_toboolean(L, -1)) return 1;  // already loaded: its result
  std::string path = GetPath(L);
  std::string name = lua_tostring(L, 1);
  int status = LUA_ERRFILE;
  size_t start = 0;
  while (status == LUA_ERRFILE && start <= path.size()) {
    lua_settop(L, 3);
    size_t end = path.find(';', start);
    if (end == std::string::npos) end = path.size();
    std::string component = path.substr(start, end - start);
    start = end + 1;
    if (component.empty()) {
      if (end >= path.size()) break;
      continue;
    }
    std::string candidate;
    int marks = 0;
    for (char c : component) {
      if (c == '?') {
        if (++marks > kMaxMarks) return luaL_error(L, "too many marks in a path component");
        candidate += name;
      } else {
        candidate += c;
      }
    }
    status = luaL_loadfile(L, candidate.c_str());
    if (end >= path.size() && status == LUA_ERRFILE) break;
  }
  if (status == 0) {
    lua_pushliteral(L, "_REQUIREDNAME");
    lua_gettable(L, LUA_GLOBALSINDEX);
    lua_insert(L, -2);  // the previous name below the chunk
    lua_pushliteral(L, "_REQUIREDNAME");
    lua_pushvalue(L, 1);
    lua_settable(L, LUA_GLOBALSINDEX);
    lua_call(L, 0, 1);
    lua_insert(L, -2);
    lua_pushliteral(L, "_REQUIREDNAME");
    lua_insert(L, -2);
    lua_settable(L, LUA_GLOBALSINDEX);  // the previous name back
    if (lua_isnil(L, -1)) {
      lua_pushboolean(L, 1);
      lua_replace(L, -2);
    }
    lua_pushvalue(L, 1);
    lua_pushvalue(L, -2);
    lua_rawset(L, 2);
    return 1;
  }
  if (status == LUA_ERRFILE)
    return luaL_error(L, "could not load package `%s' from path `%s'", name.c_str(), path.c_str());
  return luaL_error(L, "error loading package `%s' (%s)", name.c_str(), lua_tostring(L, -1));
}

int B_newproxy(lua_State *L) {
  lua_settop(L, 1);
  lua_newuserdata(L, 0);
  if (lua_toboolean(L, 1) == 0) return 1;  // no metatable
  if (lua_isboolean(L, 1)) {
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_pushboolean(L, 1);
    lua_rawset(L, lua_upvalueindex(1));  // remember it as a proxy metatable
  } else {
    int valid = 0;
    if (lua_type(L, 1) == LUA_TUSERDATA && lua_getmetatable(L, 1)) {
      lua_rawget(L, lua_upvalueindex(1));
      valid = lua_toboolean(L, -1);
      lua_pop(L, 1);
    }
    luaL_argcheck(L, valid, 1, "boolean or proxy expected");
    lua_getmetatable(L, 1);
  }
  lua_setmetatable(L, 2);
  return 1;
}

const luaL_reg kBaseFunctions[] = {
    {"error", B_error},
    {"getmetatable", B_getmetatable},
    {"setmetatable", B_setmetatable},
    {"getfenv", B_getfenv},
    {"setfenv", B_setfenv},
    {"next", B_next},
    {"ipairs", nullptr},  // placeholder: registered with its step function below
    {"pairs", B_pairs},
    {"print", B_print},
    {"tonumber", B_tonumber},
    {"tostring", B_tostring},
    {"towstring", B_towstring},
    {"type", B_type},
    {"assert", B_assert},
    {"unpack", B_unpack},
    {"rawequal", B_rawequal},
    {"rawget", B_rawget},
    {"rawset", B_rawset},
    {"pcall", B_pcall},
    {"xpcall", B_xpcall},
    {"collectgarbage", B_collectgarbage},
    {"gcinfo", B_gcinfo},
    {"loadfile", B_loadfile},
    {"dofile", B_dofile},
    {"loadstring", B_loadstring},
    {"require", B_require},
    {nullptr, nullptr},
};

// ---- coroutines ----

int auxresume(lua_State *L, lua_State *co, int narg) {
  if (!lua_checkstack(co, narg)) luaL_error(L, "too many arguments to resume");
  lua_xmove(L, co, narg);
  int status = lua_resume(co, narg);
  if (status == 0) {
    int nres = lua_gettop(co);
    if (!lua_checkstack(L, nres)) luaL_error(L, "too many results to resume");
    lua_xmove(co, L, nres);
    return nres;
  }
  lua_xmove(co, L, 1);  // the error message
  return -1;
}

int Co_resume(lua_State *L) {
  lua_State *co = lua_tothread(L, 1);
  luaL_argcheck(L, co, 1, "coroutine expected");
  int r = auxresume(L, co, lua_gettop(L) - 1);
  if (r < 0) {
    lua_pushboolean(L, 0);
    lua_insert(L, -2);
    return 2;
  }
  lua_pushboolean(L, 1);
  lua_insert(L, -(r + 1));
  return r + 1;
}

int auxwrap(lua_State *L) {
  lua_State *co = lua_tothread(L, lua_upvalueindex(1));
  int r = auxresume(L, co, lua_gettop(L));
  if (r < 0) {
    if (lua_isstring(L, -1)) {  // position of the caller
      luaL_where(L, 1);
      lua_insert(L, -2);
      lua_concat(L, 2);
    }
    lua_error(L);
  }
  return r;
}

int Co_create(lua_State *L) {
  lua_State *NL = lua_newthread(L);
  luaL_argcheck(L, lua_isfunction(L, 1) && !lua_iscfunction(L, 1), 1, "Lua function expected");
  lua_pushvalue(L, 1);
  lua_xmove(L, NL, 1);
  return 1;
}

int Co_wrap(lua_State *L) {
  Co_create(L);
  lua_pushcclosure(L, auxwrap, 1);
  return 1;
}

int Co_yield(lua_State *L) { return lua_yield(L, lua_gettop(L)); }

int Co_status(lua_State *L) {
  lua_State *co = lua_tothread(L, 1);
  luaL_argcheck(L, co, 1, "coroutine expected");
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

const luaL_reg kCoroutineFunctions[] = {
    {"create", Co_create}, {"wrap", Co_wrap},     {"resume", Co_resume},
    {"yield", Co_yield},   {"status", Co_status}, {nullptr, nullptr},
};

const char *const kTypeRegistryNames[] = {"_boolean", "_lightuserdata", "_number",
                                          "_string",  "_table",         "_function",
                                          "_userdata", "_thread",       "_wstring"};

}  // namespace

int luaopen_base(lua_State *L) {
  int top = lua_gettop(L);
  // Registered one by one so that ipairs gets its step function as upvalue.
  for (const luaL_reg *r = kBaseFunctions; r->name; r++) {
    lua_pushstring(L, r->name);
    if (r->func) {
      lua_pushcfunction(L, r->func);
      // Plain C down to the raise (checked): a caught error from these costs no unwinding.
      if (r->func == B_error || r->func == B_assert) lua_setnounwind(L, -1);
    } else {
      lua_pushcfunction(L, ipairs_step);
      lua_pushcclosure(L, B_ipairs, 1);
    }
    lua_settable(L, LUA_GLOBALSINDEX);
  }
  lua_pushliteral(L, "_G");
  lua_pushvalue(L, LUA_GLOBALSINDEX);
  lua_settable(L, LUA_GLOBALSINDEX);
  lua_pushliteral(L, "_VERSION");
  lua_pushliteral(L, LUA_VERSION);
  lua_settable(L, LUA_GLOBALSINDEX);
  // newproxy keeps a weak table of the metatables it made.
  lua_pushliteral(L, "newproxy");
  lua_newtable(L);
  lua_pushvalue(L, -1);
  lua_setmetatable(L, -2);
  lua_pushliteral(L, "__mode");
  lua_pushliteral(L, "k");
  lua_rawset(L, -3);
  lua_pushcclosure(L, B_newproxy, 1);
  lua_settable(L, LUA_GLOBALSINDEX);

  luaL_openlib(L, "coroutine", kCoroutineFunctions, 0);
  lua_settop(L, top);

  lua_pushliteral(L, "_LOADED");
  lua_newtable(L);
  lua_settable(L, LUA_GLOBALSINDEX);

  for (int tag = 1; tag <= 9; tag++) {
    lua_pushstring(L, kTypeRegistryNames[tag - 1]);
    lua_gettypemetatable(L, tag);
    lua_settable(L, LUA_REGISTRYINDEX);
  }
  lua_settop(L, top);
  return 0;
}
