// Interning of strings and wide strings in the global string table.
#pragma once

#include "core/script/object.h"

#define sizestring(l) (sizeof(TString) + (cast(lu_mem, l) + 1) * sizeof(char))
#define sizewstring(l) (sizeof(TString) + (cast(lu_mem, l) + 1) * sizeof(lua_WChar))
#define sizeudata(l) (sizeof(Udata) + (l))

#define luaS_new(L, s) (luaS_newlstr(L, s, strlen(s)))
#define luaS_newliteral(L, s) (luaS_newlstr(L, "" s, (sizeof(s) / sizeof(char)) - 1))
// Marks a string as never collected (reserved words, fixed messages).
#define luaS_fix(s) ((s)->marked |= (1 << 4))

void luaS_resize(lua_State *L, int newsize);
// Walks of the buckets in order ask for the strings of a few buckets on ahead: a bucket holds
// one string or none, mostly, and walking them one by one waits on each.
inline void luaS_askahead(const stringtable *tb, int i) {
  if (i + 8 < tb->size) __builtin_prefetch(tb->hash[i + 8]);
}
Udata *luaS_newudata(lua_State *L, size_t s);
// A boxed pointer: stored length 1, payload room for one pointer.
Udata *luaS_newboxudata(lua_State *L);
// Bytes allocated for the payload of a userdata of stored length len.
inline size_t luaS_udatapayload(size_t len) { return (len & 1) ? sizeof(void *) : len; }
void luaS_freeall(lua_State *L);
TString *luaS_newlstr(lua_State *L, const char *str, size_t l);
// A run of units of a string being joined (bytes, or 16-bit units for wide strings).
struct StrPiece {
  const void *units;
  size_t len;
};
// Interns the joined pieces as a string (tag LUA_TSTRING) or wide string (LUA_TWSTRING) of
// `total' units without copying them into a buffer first.
TString *luaS_newpieces(lua_State *L, int tag, const StrPiece *pieces, int n, size_t total);
// Interns `l' bytes of s repeated n times, built once in the new string itself.
TString *luaS_newrep(lua_State *L, const char *s, size_t l, size_t n);
TString *luaS_newlwstr(lua_State *L, const lua_WChar *str, size_t l);
lu_hash luaS_hashw(const lua_WChar *str, size_t l);
