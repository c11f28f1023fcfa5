// The memory manager: one allocation function per state, byte counting, growth of vectors.
#include <algorithm>
#include <cstdlib>

#include "core/script/debug.h"
#include "core/script/do.h"
#include "core/script/mem.h"

#define MINSIZEARRAY 4

void *luaM_growaux(lua_State *L, void *block, int *size, int size_elems, int limit,
                   const char *errormsg) {
  int newsize;
  if (*size >= limit / 2) {  // cannot double it?
    if (*size > limit - MINSIZEARRAY) luaG_runerror(L, "%s", errormsg);
    newsize = limit;  // still have at least MINSIZEARRAY free places
  } else {
    newsize = (*size) * 2;
    if (newsize < MINSIZEARRAY) newsize = MINSIZEARRAY;
  }
  void *newblock = luaM_realloc(L, block, cast(lu_mem, *size) * cast(lu_mem, size_elems),
                                cast(lu_mem, newsize) * cast(lu_mem, size_elems));
  *size = newsize;  // update only when everything else is OK
  return newblock;
}

void *luaM_realloc(lua_State *L, void *block, lu_mem oldsize, lu_mem size) {
  global_State *g = G(L);
  if (size >= MAX_BLOCKSIZE) luaG_runerror(L, "memory allocation error: block too big");
  // A script cannot take the machine's memory: past the budget a growth fails as if the system
  // had refused it, before anything is allocated.
  if (size > oldsize && size - oldsize > g->memlimit - std::min(g->nblocks, g->memlimit)) luaD_throw(L, LUA_ERRMEM);
  void *newblock = g->frealloc(g->ud, block, oldsize, size);
  if (newblock == NULL && size > 0) luaD_throw(L, LUA_ERRMEM);
  g->nblocks -= oldsize;
  g->nblocks += size;
  return newblock;
}
