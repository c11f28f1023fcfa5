// The stop-the-world mark-and-sweep collector.
#pragma once

#include "core/script/do.h"
#include "core/script/object.h"

// Bits of `marked'.
#define GC_MARKED 1
#define GC_FINALIZED 2   // userdata whose finaliser ran
#define GC_KEYWEAK 4
#define GC_VALUEWEAK 8
#define GC_FIXED 16      // never collected (see luaS_fix)

// A collection may run finalisers, which may grow (move) the stack.
#define luaC_checkGC(L) \
  { \
    luaD_movestack(L); \
    if (G(L)->nblocks >= G(L)->GCthreshold) luaC_collectgarbage(L); \
  }

void luaC_separateudata(lua_State *L);
void luaC_callGCTM(lua_State *L);
void luaC_sweep(lua_State *L, int all);
void luaC_collectgarbage(lua_State *L);
void luaC_link(lua_State *L, GCObject *o, lu_byte tt);
