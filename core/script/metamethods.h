// Event names and metamethod lookup, including the per-type tables of non-table values.
#pragma once

#include "core/script/object.h"

// Keep this order: the flags byte of a table caches the absence of the first five.
enum TMS {
  TM_INDEX,
  TM_NEWINDEX,
  TM_GC,
  TM_MODE,
  TM_EQ,  // last tag method with `fast' access
  TM_ADD,
  TM_SUB,
  TM_MUL,
  TM_DIV,
  TM_POW,
  TM_UNM,
  TM_LT,
  TM_LE,
  TM_CONCAT,
  TM_CALL,
  TM_N  // number of elements in the enum
};

#define gfasttm(g, et, e) \
  (((et)->flags & (1u << (e))) ? NULL : luaT_gettm(et, e, (g)->tmname[e]))
#define fasttm(l, et, e) gfasttm(G(l), et, e)

const TObject *luaT_gettm(struct Table *events, TMS event, TString *ename);
// The metamethod of `o' for `event': a table's or full userdata's metatable field; for any
// other value the per-type table of its tag itself (nil when the slot is nil).
const TObject *luaT_gettmbyobj(lua_State *L, const TObject *o, TMS event);
// The object's metatable: its own for tables and full userdata, else the per-type table.
struct Table *luaT_getmetatable(lua_State *L, const TObject *o);
void luaT_init(lua_State *L);

extern const char *const luaT_typenames[];
