// Event names and metamethod lookup through metatables and the per-type tables.
#include <cstring>

#include "core/script/metamethods.h"
#include "core/script/state.h"
#include "core/script/string_table.h"
#include "core/script/table.h"

const char *const luaT_typenames[] = {"nil",   "boolean",  "userdata", "number", "string",
                                      "table", "function", "userdata", "thread", "wstring",
                                      "proto", "upval"};

void luaT_init(lua_State *L) {
  static const char *const luaT_eventname[] = {  // ORDER TM
      "__index", "__newindex", "__gc", "__mode", "__eq",  "__add",    "__sub", "__mul",
      "__div",   "__pow",      "__unm", "__lt",  "__le", "__concat", "__call"};
  for (int i = 0; i < TM_N; i++) {
    G(L)->tmname[i] = luaS_new(L, luaT_eventname[i]);
    luaS_fix(G(L)->tmname[i]);  // never collect these names
  }
}

// Fast path for the first five events: the flags byte records a known absence.
const TObject *luaT_gettm(Table *events, TMS event, TString *ename) {
  const TObject *tm = luaH_getstr(events, ename);
  if (ttisnil(tm)) {
    if (event <= TM_EQ) events->flags |= cast(lu_byte, 1u << event);  // cache this fact
    return NULL;
  }
  return tm;
}

const TObject *luaT_gettmbyobj(lua_State *L, const TObject *o, TMS event) {
  switch (ttype(o)) {
    case LUA_TTABLE: return luaH_getstr(hvalue(o)->metatable, G(L)->tmname[event]);
    case LUA_TUSERDATA: return luaH_getstr(uvalue(o)->metatable, G(L)->tmname[event]);
    default: return typemeta(L, ttype(o));  // the type's table itself (nil when unset)
  }
}

Table *luaT_getmetatable(lua_State *L, const TObject *o) {
  switch (ttype(o)) {
    case LUA_TTABLE: return hvalue(o)->metatable;
    case LUA_TUSERDATA: return uvalue(o)->metatable;
    default: {
      const TObject *mt = typemeta(L, ttype(o));
      return ttistable(mt) ? hvalue(mt) : NULL;
    }
  }
}
