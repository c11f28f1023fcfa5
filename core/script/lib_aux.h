// Auxiliary library for native code that serves scripts: argument checks, buffers (narrow and
// wide), loading files through the framework's file layer, table sizes, library registration.
#pragma once

#include <cstddef>

#include "core/base/saturate.h"
#include "core/script/lua.h"

#define LUAL_BUFFERSIZE 512

struct luaL_reg {
  const char *name;
  lua_CFunction func;
};

void luaL_openlib(lua_State *L, const char *libname, const luaL_reg *l, int nup);
int luaL_getmetafield(lua_State *L, int obj, const char *e);
int luaL_callmeta(lua_State *L, int obj, const char *e);
int luaL_typerror(lua_State *L, int narg, const char *tname);
int luaL_argerror(lua_State *L, int numarg, const char *extramsg);
const char *luaL_checklstring(lua_State *L, int numArg, size_t *l);
const char *luaL_optlstring(lua_State *L, int numArg, const char *def, size_t *l);
const lua_WChar *luaL_checkwstring(lua_State *L, int numArg, size_t *l);
lua_Number luaL_checknumber(lua_State *L, int numArg);
lua_Number luaL_optnumber(lua_State *L, int nArg, lua_Number def);

void luaL_checkstack(lua_State *L, int sz, const char *msg);
void luaL_checktype(lua_State *L, int narg, int t);
void luaL_checkany(lua_State *L, int narg);

void luaL_where(lua_State *L, int lvl);
int luaL_error(lua_State *L, const char *fmt, ...);

int luaL_getn(lua_State *L, int t);
void luaL_setn(lua_State *L, int t, int n);

int luaL_loadfile(lua_State *L, const char *filename);
int luaL_loadbuffer(lua_State *L, const char *buff, size_t sz, const char *name);

#define luaL_argcheck(L, cond, numarg, extramsg) \
  if (!(cond)) luaL_argerror(L, numarg, extramsg)
#define luaL_checkstring(L, n) (luaL_checklstring(L, (n), NULL))
#define luaL_optstring(L, n, d) (luaL_optlstring(L, (n), (d), NULL))
// Integer arguments truncate toward zero and saturate at the 32-bit limits (NaN gives 0), as
// the original's 32-bit int and long held them.
#define luaL_checkint(L, n) ((int)SaturateToInt32(luaL_checknumber(L, n)))
#define luaL_checklong(L, n) ((long)SaturateToInt32(luaL_checknumber(L, n)))
#define luaL_optint(L, n, d) ((int)SaturateToInt32(luaL_optnumber(L, n, (lua_Number)(d))))
#define luaL_optlong(L, n, d) ((long)SaturateToInt32(luaL_optnumber(L, n, (lua_Number)(d))))

// A string (or, with the wide flag, a wide string) built in steps; pieces that do not fit the
// buffer are pushed on the stack and joined.
struct luaL_Buffer {
  char *p;     // write position in buffer
  int lvl;     // pieces on the stack
  int wide;    // 0 narrow, 1 wide (the bytes are 16-bit units)
  lua_State *L;
  char buffer[LUAL_BUFFERSIZE];
};

#define luaL_putchar(B, c) \
  ((void)((B)->p < ((B)->buffer + LUAL_BUFFERSIZE) || luaL_prepbuffer(B)), (*(B)->p++ = (char)(c)))
#define luaL_addsize(B, n) ((B)->p += (n))


void luaL_buffinit(lua_State *L, luaL_Buffer *B);
void luaL_wbuffinit(lua_State *L, luaL_Buffer *B);
char *luaL_prepbuffer(luaL_Buffer *B);
void luaL_addlstring(luaL_Buffer *B, const char *s, size_t l);
void luaL_addstring(luaL_Buffer *B, const char *s);
void luaL_addwlstring(luaL_Buffer *B, const lua_WChar *s, size_t l);
void luaL_addvalue(luaL_Buffer *B);
void luaL_pushresult(luaL_Buffer *B);

// Load and run; errors go to the global _ALERT when it is a function, else to stderr.
int lua_dobuffer(lua_State *L, const char *buff, size_t sz, const char *n);
int lua_dostring(lua_State *L, const char *str);

// Library openers.
int luaopen_base(lua_State *L);
int luaopen_table(lua_State *L);
int luaopen_string(lua_State *L);
int luaopen_math(lua_State *L);
// string.pack and string.unpack into the global table `string' (called by luaopen_string).
int luaopen_pack(lua_State *L);
// Every library: base with coroutine, string with pack/unpack, table, math.
void OpenAllLibraries(lua_State *L);
