// The interpreter loop and the value operations it shares with the API.
#pragma once

#include "core/script/do.h"

#define tostring(L, o) ((ttype(o) == LUA_TSTRING) || (luaV_tostring(L, o)))
#define tonumber(o, n) (ttype(o) == LUA_TNUMBER || (((o) = luaV_tonumber(o, n)) != NULL))
#define equalobj(L, o1, o2) (ttype(o1) == ttype(o2) && luaV_equalval(L, o1, o2))

int luaV_lessthan(lua_State *L, const TObject *l, const TObject *r);
int luaV_equalval(lua_State *L, const TObject *t1, const TObject *t2);
// Number coercion of strings and wide strings; NULL when `obj' has no numeric value.
const TObject *luaV_tonumber(const TObject *obj, TObject *n);
int luaV_tostring(lua_State *L, StkId obj);    // number -> string in place
int luaV_towstring(lua_State *L, StkId obj);   // number -> wide string in place
void luaV_gettable(lua_State *L, const TObject *t, TObject *key, StkId val);
void luaV_settable(lua_State *L, const TObject *t, TObject *key, StkId val);
// Runs Lua frames from L->ci until the frame entered from C returns.
void luaV_execute(lua_State *L);
void luaV_concat(lua_State *L, int total, int last);
