// Run-time error messages with positions and variable names, the debug interface, and the
// static code checker used by the chunk loader.
#pragma once

#include "core/script/state.h"

#define pcRel(pc, p) (cast(int, (pc) - (p)->runcode) - 1)
#define getline(f, pc) (((f)->lineinfo) ? (f)->lineinfo[pc] : 0)

[[noreturn]] void luaG_typeerror(lua_State *L, const TObject *o, const char *opname);
[[noreturn]] void luaG_concaterror(lua_State *L, StkId p1, StkId p2);
[[noreturn]] void luaG_aritherror(lua_State *L, const TObject *p1, const TObject *p2);
[[noreturn]] void luaG_ordererror(lua_State *L, const TObject *p1, const TObject *p2);
[[noreturn]] void luaG_runerror(lua_State *L, const char *fmt, ...);
// Raises the error object on top of the stack, calling the error handler first.
[[noreturn]] void luaG_errormsg(lua_State *L);
// Static check of a prototype's code (and nothing of its nested prototypes); 1 when sound.
int luaG_checkcode(const Proto *pt);
int luaG_currentline(lua_State *L, CallInfo *ci);
// Tells the state's native observer of the native call `ci' when a script made it.
void luaG_observenativecall(lua_State *L, CallInfo *ci);
