// Tables: array part and chained hash part.
#pragma once

#include "core/script/object.h"

#include <cstddef>

#define gnode(t, i) (&(t)->node[i])
#define gkey(n) (&(n)->i_key.tvk)
#define gval(n) (&(n)->i_val)
#define gnext(n) ((n)->i_key.nk.next)
#define setnodekey(n, obj) \
  do { Node *k_n = (n); const TObject *k_o = (obj); k_n->i_key.nk.tt = ttype(k_o); k_n->i_key.nk.value = k_o->value; } while (0)

// A node's key as a value: the spare word, the chain link in the node, back to what values
// carry there.
inline void getnodekey(TObject *o, const Node *n) {
  const TObject *k = gkey(n);
  int tt = ttype(k);
  settagword(o, maketag(tt, tt == LUA_TSTRING || tt == LUA_TWSTRING ? tsvalue(k)->hash : 0));
  o->value = k->value;
}

// The node holding a value slot of the hash part.
inline Node *nodeofval(const TObject *v) {
  return reinterpret_cast<Node *>(reinterpret_cast<char *>(const_cast<TObject *>(v)) - offsetof(Node, i_val));
}

const TObject *luaH_getnum(Table *t, int key);
TObject *luaH_setnum(lua_State *L, Table *t, int key);
// Inline: the interpreter looks up field names on every access.
inline const TObject *luaH_getstr(Table *t, TString *key) {
  Node *n = gnode(t, key->hash & t->nodemask);
  for (;;) {
    if (n->i_key.nk.value.gc == reinterpret_cast<GCObject *>(key) && n->i_key.nk.tt == key->tt) return gval(n);
    int next = gnext(n);
    if (next == 0) return &luaO_nilobject;
    n += next;
  }
}
// The same by a string value's parts: the string, its tag and the hash its tag word carries.
// The main position and the next node of its chain are told apart without a branch: a key
// found in either costs no misprediction, so look-ups waiting on the memory overlap. A miss is
// confirmed by the hash the string holds, so a copy whose spare word lost the hash still finds
// its key. No calls: the interpreter inlines this in its handlers.
inline const TObject *luaH_getstrkey(Table *t, const GCObject *s, int tt, lu_hash tx) {
  const Node *n = gnode(t, tx & t->nodemask);
  n += gnext(n) & -static_cast<int>(n->i_key.nk.value.gc != s);
  for (;;) {
    if (__builtin_expect(n->i_key.nk.value.gc == s && n->i_key.nk.tt == tt, 1)) return gval(n);
    int next = gnext(n);
    if (next == 0) break;
    n += next;
  }
  const TString *ts = reinterpret_cast<const TString *>(s);
  return __builtin_expect(tx == ts->hash, 1) ? &luaO_nilobject : luaH_getstr(t, const_cast<TString *>(ts));
}
// By a string value.
inline const TObject *luaH_getstrobj(Table *t, const TObject *key) {
  return luaH_getstrkey(t, gcvalue(key), ttype(key), key->tx);
}
// The same for a name the code holds as a constant (a field, a global, a method): such tables
// are mostly small and in the cache, and the key mostly at its main position, where a branch
// answers sooner than telling the two first nodes apart without one.
inline const TObject *luaH_getstrfield(Table *t, const TObject *key) {
  const GCObject *s = gcvalue(key);
  const Node *n = gnode(t, key->tx & t->nodemask);
  for (;;) {
    if (n->i_key.nk.value.gc == s && n->i_key.nk.tt == ttype(key)) return gval(n);
    int next = gnext(n);
    if (next == 0) break;
    n += next;
  }
  const TString *ts = reinterpret_cast<const TString *>(s);
  return __builtin_expect(key->tx == ts->hash, 1) ? &luaO_nilobject : luaH_getstr(t, const_cast<TString *>(ts));
}
const TObject *luaH_get(Table *t, const TObject *key);
// Slot for `key', created (nil) when absent; raises "table index is nil"/"... is NaN".
TObject *luaH_set(lua_State *L, Table *t, const TObject *key);
// A slot handed out for writing may receive a value: the size bounds must cover it.
inline TObject *luaH_coverslot(Table *t, const TObject *slot, const TObject *key) {
  TObject *s = const_cast<TObject *>(slot);
  if (ttisnumber(key)) {
    if (s >= t->array && s < t->array + t->sizearray) {
      int k = static_cast<int>(s - t->array) + 1;
      if (k > t->abound) t->abound = k;
    } else if (nvalue(key) > t->nbound) {
      t->nbound = nvalue(key);
    }
  }
  return s;
}
// A new table with metatable the per-type table of tables; narray array slots, 2^lnhash nodes.
Table *luaH_new(lua_State *L, int narray, int lnhash);
void luaH_free(lua_State *L, Table *t);
int luaH_next(lua_State *L, Table *t, StkId key);
// lua_getn's count: the number in the field "n" (named by nname), else the largest of the
// last array position holding a value and the number keys of the hash part holding one.
int luaH_getn(Table *t, TString *nname);
// The same without the field "n".
int luaH_bound(Table *t);
