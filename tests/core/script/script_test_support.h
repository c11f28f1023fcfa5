// Helpers shared by the script engine's tests: loading and running text, dumping chunks.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/script/lua.h"

namespace script_test {

struct Reader {
  const char *data;
  size_t size;
};

inline const char *ReadAll(lua_State *, void *ud, size_t *size) {
  Reader *r = static_cast<Reader *>(ud);
  if (r->size == 0) return nullptr;
  *size = r->size;
  r->size = 0;
  return r->data;
}

// Loads bytes as a chunk (source or precompiled); returns lua_load's status.
inline int Load(lua_State *L, const std::string &bytes, const char *name = "=test") {
  Reader r{bytes.data(), bytes.size()};
  return lua_load(L, ReadAll, &r, name);
}

// Loads and runs; on failure returns the status and leaves the message in *error.
inline int RunCode(lua_State *L, const std::string &code, std::string *error = nullptr,
               const char *name = "=test") {
  int status = Load(L, code, name);
  if (status == 0) status = lua_pcall(L, 0, LUA_MULTRET, 0);
  if (status != 0) {
    if (error) *error = lua_tostring(L, -1) ? lua_tostring(L, -1) : "";
    lua_pop(L, 1);
  }
  return status;
}

inline int AppendWriter(lua_State *, const void *p, size_t size, void *ud) {
  static_cast<std::string *>(ud)->append(static_cast<const char *>(p), size);
  return 0;
}

// Dumps the function on top of the stack.
inline std::string Dump(lua_State *L) {
  std::string out;
  lua_dump(L, AppendWriter, &out);
  return out;
}

// Minimal script functions for the tests (the libraries come separately).
inline int Error(lua_State *L) {
  lua_settop(L, 1);
  return lua_error(L);
}
inline int PCall(lua_State *L) {
  int status = lua_pcall(L, lua_gettop(L) - 1, LUA_MULTRET, 0);
  lua_pushboolean(L, status == 0);
  lua_insert(L, 1);
  return lua_gettop(L);
}
inline int SetMetatable(lua_State *L) {
  lua_settop(L, 2);
  lua_setmetatable(L, 1);
  return 1;
}
inline int Type(lua_State *L) {
  lua_pushstring(L, lua_typename(L, lua_type(L, 1)));
  return 1;
}
inline int CollectGarbage(lua_State *L) {
  lua_setgcthreshold(L, 0);
  return 0;
}
inline int Next(lua_State *L) {
  lua_settop(L, 2);
  if (lua_next(L, 1)) return 2;
  lua_pushnil(L);
  return 1;
}
inline int Yield(lua_State *L) { return lua_yield(L, lua_gettop(L)); }

inline void OpenTestFunctions(lua_State *L) {
  lua_register(L, "error", Error);
  lua_register(L, "pcall", PCall);
  lua_register(L, "setmetatable", SetMetatable);
  lua_register(L, "type", Type);
  lua_register(L, "collectgarbage", CollectGarbage);
  lua_register(L, "next", Next);
  lua_register(L, "getmetatable", [](lua_State *S) -> int { return lua_getmetatable(S, 1); });
  lua_register(L, "yield", Yield);
}

// A state that closes itself.
struct State {
  lua_State *L = lua_open();
  State() { OpenTestFunctions(L); }
  ~State() { lua_close(L); }
  operator lua_State *() const { return L; }
};

// An allocation function with a byte budget (for luaE_openwith): growth beyond it fails.
struct Budget {
  size_t used = 0;
  size_t limit = SIZE_MAX;
  size_t peak = 0;  // the most ever in use
};

inline void *BudgetAlloc(void *ud, void *ptr, size_t osize, size_t nsize) {
  Budget *b = static_cast<Budget *>(ud);
  if (nsize == 0) {
    std::free(ptr);
    b->used -= osize;
    return nullptr;
  }
  if (nsize > osize && b->used + (nsize - osize) > b->limit) return nullptr;
  void *p = std::realloc(ptr, nsize);
  if (p) b->used += nsize - osize;
  if (b->used > b->peak) b->peak = b->used;
  return p;
}

inline std::u16string Units(lua_State *L, int idx) {
  const lua_WChar *w = lua_towstring(L, idx);
  return w ? std::u16string(reinterpret_cast<const char16_t *>(w), lua_strlen(L, idx)) : u"";
}

}  // namespace script_test
