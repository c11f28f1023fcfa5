// Tables: an array part for keys 1..n and a hash part of 2^k nodes chained through free
// nodes of the same array (a colliding key that is not in its main position is moved).
#include <cmath>
#include <cstring>

#include "core/script/debug.h"
#include "core/script/do.h"
#include "core/script/gc.h"
#include "core/script/mem.h"
#include "core/script/state.h"
#include "core/script/table.h"

// A key is read through its TObject view and written through its fields: both must agree.
static_assert(sizeof(Node) == 32, "a node is half a cache line");
static_assert(offsetof(TKey, nk.tt) == offsetof(TObject, tt) && offsetof(TKey, nk.value) == offsetof(TObject, value),
              "the key's fields overlay a TObject");

// Largest array part and hash part: 2^MAXBITS.
#define MAXBITS 24
#define MAXASIZE (1 << MAXBITS)

static inline Node *hashpow2(const Table *t, lu_hash n) { return gnode(t, lmod(n, sizenode(t))); }
static inline Node *hashmod(const Table *t, size_t n) {
  return gnode(t, (n % ((sizenode(t) - 1) | 1)));
}
static inline Node *hashpointer(const Table *t, const void *p) {
  return hashmod(t, reinterpret_cast<uintptr_t>(p) >> 3);
}

static Node *hashnum(const Table *t, lua_Number n) {
  n += 0;  // -0 and 0 share a slot
  if (n >= -2147483648.0 && n <= 2147483647.0) {
    int i = static_cast<int>(n);
    if (static_cast<lua_Number>(i) == n) return hashmod(t, static_cast<unsigned int>(i));
  }
  uint64_t bits;
  std::memcpy(&bits, &n, sizeof bits);
  return hashmod(t, static_cast<size_t>((bits >> 32) ^ bits));
}

// The node where `key' lives when it does not collide.
static Node *mainposition(const Table *t, const TObject *key) {
  switch (ttype(key)) {
    case LUA_TNUMBER: return hashnum(t, nvalue(key));
    case LUA_TSTRING:
    case LUA_TWSTRING: return hashpow2(t, tsvalue(key)->hash);
    case LUA_TBOOLEAN: return hashpow2(t, bvalue(key));
    case LUA_TLIGHTUSERDATA: return hashpointer(t, pvalue(key));
    default: return hashpointer(t, gcvalue(key));
  }
}

// An integer key that fits the array part, or 0.
static inline int arrayindex(const TObject *key) {
  if (ttisnumber(key)) {
    lua_Number n = nvalue(key);
    if (n >= 1 && n <= MAXASIZE) {
      int k = static_cast<int>(n);
      if (static_cast<lua_Number>(k) == n) return k;
    }
  }
  return 0;
}

// Position of a key for traversal: -1 for nil, array indices first, then nodes.
static int luaH_index(lua_State *L, Table *t, StkId key) {
  if (ttisnil(key)) return -1;  // first iteration
  int i = arrayindex(key);
  if (i > 0 && i <= t->sizearray) return i - 1;
  const TObject *v = luaH_get(t, key);
  if (v == &luaO_nilobject) luaG_runerror(L, "invalid key for `next'");
  return static_cast<int>(nodeofval(v) - t->node) + t->sizearray;
}

int luaH_next(lua_State *L, Table *t, StkId key) {
  int i = luaH_index(L, t, key);
  for (i++; i < t->sizearray; i++) {
    if (!ttisnil(&t->array[i])) {
      setnvalue(key, cast(lua_Number, i + 1));
      setobj(key + 1, &t->array[i]);
      return 1;
    }
  }
  for (i -= t->sizearray; i < sizenode(t); i++) {
    if (!ttisnil(gval(gnode(t, i)))) {
      getnodekey(key, gnode(t, i));
      setobj(key + 1, gval(gnode(t, i)));
      return 1;
    }
  }
  return 0;  // no more elements
}

// Counts integer keys in slices (2^(i-1), 2^i] to choose the array size: the largest n, a
// power of 2, such that more than half of the slots 1..n would be in use.
static int computesizes(int nums[], int ntotal, int *narray) {
  int a = 0, na = 0, n = 0;
  for (int i = 0, twotoi = 1; twotoi / 2 < *narray && i <= MAXBITS; i++, twotoi *= 2) {
    if (nums[i] > 0) {
      a += nums[i];
      if (a > twotoi / 2) {
        n = twotoi;
        na = a;
      }
    }
  }
  *narray = n;
  return ntotal - na;
}

static void countint(const TObject *key, int nums[]) {
  int k = arrayindex(key);
  if (k > 0) nums[luaO_log2(static_cast<unsigned>(k - 1)) + 1]++;
}

static void numuse(const Table *t, int *narray, int *nhash, const TObject *extra) {
  int nums[MAXBITS + 1];
  for (int i = 0; i <= MAXBITS; i++) nums[i] = 0;
  int totaluse = 0;
  int ause = 0;
  // array part: slice by slice
  for (int i = 0, lim = 1, k = 0; i <= MAXBITS && k < t->sizearray; i++, lim *= 2) {
    int ttlg = lim;
    if (ttlg > t->sizearray) ttlg = t->sizearray;
    int used = 0;  // a local count: the slots' tags could alias the array of counts
    for (; k < ttlg; k++) used += !ttisnil(&t->array[k]);
    nums[i] += used;
    ause += used;
  }
  totaluse = ause;
  for (int i = sizenode(t) - 1; i >= 0; i--) {
    Node *n = &t->node[i];
    if (!ttisnil(gval(n))) {
      countint(gkey(n), nums);
      totaluse++;
    }
  }
  countint(extra, nums);
  totaluse++;
  *narray = totaluse;  // upper bound for the array part
  *nhash = computesizes(nums, totaluse, narray);
}

static void setarrayvector(lua_State *L, Table *t, int size) {
  luaM_reallocvector(L, t->array, t->sizearray, size, TObject);
  for (int i = t->sizearray; i < size; i++) setnilvalue(&t->array[i]);
  t->sizearray = size;
}

// Hash parts of four nodes and more start on a 32-byte boundary, so that no node straddles two
// cache lines; their block is allocated 16 bytes over (the allocator aligns to 16).
static const size_t kNodeSlack = 16;

static size_t nodeblocksize(int lsize) {
  return twoto(lsize) * sizeof(Node) + (lsize >= 2 ? kNodeSlack : 0);
}

static void freenodes(lua_State *L, Node *node, int lsize, int pad) {
  if (lsize == 0) return;  // the shared dummy node
  luaM_free(L, reinterpret_cast<char *>(node) - pad, nodeblocksize(lsize));
}

static void setnodevector(lua_State *L, Table *t, int lsize) {
  if (lsize > MAXBITS) luaG_runerror(L, "table overflow");
  int size = twoto(lsize);
  if (lsize == 0) {  // no elements to hash part?
    t->node = G(L)->dummynode;  // use common `dummynode'
    t->nodepad = 0;
    lua_assert(ttisnil(gkey(t->node)));
  } else {
    char *block = static_cast<char *>(luaM_malloc(L, nodeblocksize(lsize)));
    size_t pad = 0;
    if (lsize >= 2) {
      pad = (0 - reinterpret_cast<uintptr_t>(block)) & 31;
      if (pad > kNodeSlack) pad &= 15;  // a host allocator aligning to 8: stay 16-aligned
    }
    t->node = reinterpret_cast<Node *>(block + pad);
    t->nodepad = cast(lu_byte, pad);
    for (int i = 0; i < size; i++) {
      Node *n = gnode(t, i);
      n->i_key.nk.tt = LUA_TNIL;
      n->i_key.nk.value.gc = NULL;  // look-ups compare it before the tag
      gnext(n) = 0;
      setnilvalue(gval(n));
    }
  }
  t->lsizenode = cast(lu_byte, lsize);
  t->nodemask = size - 1;
  t->firstfree = gnode(t, size - 1);  // first free position to be used
  t->numkeys = 0;  // the keys come back through newkey
  t->fracnums = 0;
  t->nbound = 0;
}

static TObject *newkey(lua_State *L, Table *t, const TObject *key);

static void resize(lua_State *L, Table *t, int nasize, int nhsize) {
  int oldasize = t->sizearray;
  int oldhsize = t->lsizenode;
  int oldpad = t->nodepad;
  Node *nold = t->node;
  if (nasize > oldasize) setarrayvector(L, t, nasize);
  setnodevector(L, t, nhsize);
  if (nasize < oldasize) {  // array part must shrink?
    t->sizearray = nasize;
    for (int i = nasize; i < oldasize; i++) {
      if (!ttisnil(&t->array[i])) setobj(luaH_setnum(L, t, i + 1), &t->array[i]);
    }
    luaM_reallocvector(L, t->array, oldasize, nasize, TObject);
    if (t->abound > nasize) t->abound = nasize;
  }
  // Re-insert the old hash part. Its keys are distinct, so only number keys, which may now
  // belong to the array part, need the look-up of luaH_set. A key's main position comes from
  // its object, for a string one cache miss each: the objects of the keys a few nodes on are
  // asked for ahead, and the new main positions of the nearer ones.
  const int kObjectsAhead = 16, kNodesAhead = 8;
  for (int i = twoto(oldhsize) - 1; i >= 0; i--) {
    if (i >= kObjectsAhead && iscollectable(gkey(nold + i - kObjectsAhead)))
      __builtin_prefetch(gcvalue(gkey(nold + i - kObjectsAhead)));
    if (i >= kNodesAhead) {
      const Node *ahead = nold + i - kNodesAhead;  // a key beside nil may be gone: not read
      if (ttisstring(gkey(ahead)) && !ttisnil(gval(ahead))) __builtin_prefetch(hashpow2(t, tsvalue(gkey(ahead))->hash));
    }
    Node *old = nold + i;
    if (ttisnil(gval(old))) continue;
    const TObject *key = gkey(old);
    setobj(ttisnumber(key) ? luaH_set(L, t, key) : newkey(L, t, key), gval(old));
  }
  if (nold != G(L)->dummynode) freenodes(L, nold, oldhsize, oldpad);
}

static void rehash(lua_State *L, Table *t, const TObject *extra) {
  int nasize, nhsize;
  numuse(t, &nasize, &nhsize, extra);
  resize(L, t, nasize, luaO_log2(static_cast<unsigned>(nhsize)) + 1);
}

Table *luaH_new(lua_State *L, int narray, int lnhash) {
  if (narray < 0 || narray > MAXASIZE || lnhash < 0 || lnhash > MAXBITS)
    luaG_runerror(L, "table overflow");
  Table *t = luaM_new(L, Table);
  luaC_link(L, valtogco(t), LUA_TTABLE);
  const TObject *mt = typemeta(L, LUA_TTABLE);
  if (ttistable(mt)) t->metatable = hvalue(mt);
  else if (ttistable(defaultmeta(L))) t->metatable = hvalue(defaultmeta(L));
  else t->metatable = t;  // the default metatable itself, while the state opens
  t->flags = cast(lu_byte, ~0);
  t->array = NULL;
  t->sizearray = 0;
  t->abound = 0;
  t->numkeys = 0;
  t->fracnums = 0;
  t->nbound = 0;
  t->lsizenode = 0;
  t->nodemask = 0;
  t->nodepad = 0;
  t->node = G(L)->dummynode;  // consistent should an allocation below fail
  t->firstfree = t->node;
  setarrayvector(L, t, narray);
  setnodevector(L, t, lnhash);
  return t;
}

void luaH_free(lua_State *L, Table *t) {
  if (t->node != G(L)->dummynode) freenodes(L, t->node, t->lsizenode, t->nodepad);
  luaM_freearray(L, t->array, t->sizearray, TObject);
  luaM_freelem(L, t);
}

// A free node at or below `firstfree', or NULL when the hash part is full.
static Node *getfreepos(Table *t) {
  for (;;) {
    if (ttisnil(gkey(t->firstfree))) return t->firstfree;
    if (t->firstfree == t->node) return NULL;
    t->firstfree--;
  }
}

// Inserts a key known to be absent. A colliding node not in its own main position moves to a
// free place; otherwise the new key takes the free place, chained after its main position.
static TObject *newkey(lua_State *L, Table *t, const TObject *key) {
  Node *mp = mainposition(t, key);
  if (mp == G(L)->dummynode) {  // the shared empty part is never written
    rehash(L, t, key);
    return luaH_set(L, t, key);
  }
  if (!ttisnil(gval(mp))) {
    Node *n = getfreepos(t);
    if (n == NULL) {  // no free place: grow and retry
      rehash(L, t, key);
      return luaH_set(L, t, key);
    }
    Node *othern = mainposition(t, gkey(mp));
    if (othern != mp) {  // colliding node is out of its main position: move it
      while (othern + gnext(othern) != mp) othern += gnext(othern);
      gnext(othern) = static_cast<int>(n - othern);
      *n = *mp;
      if (gnext(mp) != 0) gnext(n) += static_cast<int>(mp - n);  // the link is relative
      gnext(mp) = 0;
      setnilvalue(gval(mp));
    } else {  // new node goes into the free position
      gnext(n) = gnext(mp) != 0 ? static_cast<int>(mp + gnext(mp) - n) : 0;
      gnext(mp) = static_cast<int>(n - mp);
      mp = n;
    }
  }
  setnodekey(mp, key);
  if (ttisnumber(key)) {
    lua_Number n = nvalue(key);
    t->numkeys++;
    if (n != std::floor(n)) t->fracnums = 1;
    if (n > t->nbound) t->nbound = n;
  }
  return gval(mp);
}


static const TObject *getany(Table *t, const TObject *key) {
  if (ttisnil(key)) return &luaO_nilobject;
  Node *n = mainposition(t, key);
  for (;;) {
    if (luaO_rawequalObj(gkey(n), key)) return gval(n);
    if (gnext(n) == 0) return &luaO_nilobject;
    n += gnext(n);
  }
}

const TObject *luaH_getnum(Table *t, int key) {
  if (static_cast<unsigned>(key) - 1u < static_cast<unsigned>(t->sizearray)) return &t->array[key - 1];
  lua_Number nk = cast(lua_Number, key);
  Node *n = hashnum(t, nk);
  for (;;) {
    if (ttisnumber(gkey(n)) && nvalue(gkey(n)) == nk) return gval(n);
    if (gnext(n) == 0) return &luaO_nilobject;
    n += gnext(n);
  }
}

const TObject *luaH_get(Table *t, const TObject *key) {
  switch (ttype(key)) {
    case LUA_TSTRING:
    case LUA_TWSTRING: return luaH_getstr(t, tsvalue(key));
    case LUA_TNUMBER: {
      lua_Number n = nvalue(key);
      if (n >= -2147483648.0 && n <= 2147483647.0) {
        int k = static_cast<int>(n);
        if (cast(lua_Number, k) == n) return luaH_getnum(t, k);
      }
      return getany(t, key);
    }
    default: return getany(t, key);
  }
}

TObject *luaH_set(lua_State *L, Table *t, const TObject *key) {
  const TObject *p = luaH_get(t, key);
  t->flags = 0;
  if (p != &luaO_nilobject) return luaH_coverslot(t, p, key);
  if (ttisnil(key)) luaG_runerror(L, "table index is nil");
  if (ttisnumber(key) && nvalue(key) != nvalue(key)) luaG_runerror(L, "table index is NaN");
  return newkey(L, t, key);
}

TObject *luaH_setnum(lua_State *L, Table *t, int key) {
  const TObject *p = luaH_getnum(t, key);
  TObject k;
  setnvalue(&k, cast(lua_Number, key));
  if (p != &luaO_nilobject) return luaH_coverslot(t, p, &k);
  return newkey(L, t, &k);
}

// The largest number key of the hash part that holds a value, when it is above `floor';
// else `floor'. Lowers nbound to what it finds.
static lua_Number hashbound(Table *t, lua_Number floor) {
  TObject key;
  setnvalue(&key, t->nbound);
  if (!ttisnil(luaH_get(t, &key))) return t->nbound;
  // Values taken off the top one by one (a stack kept in the hash part): a few integer keys
  // below the bound answer without a walk, unless a fractional key could lie between them.
  if (!t->fracnums && t->nbound <= 2147483647.0) {
    int k = static_cast<int>(t->nbound);
    for (int step = 1; step <= 4; step++) {
      if (k - step <= floor) {  // nothing above the floor holds a value
        t->nbound = floor;
        return floor;
      }
      if (!ttisnil(luaH_getnum(t, k - step))) {
        t->nbound = k - step;
        return t->nbound;
      }
    }
  }
  lua_Number max = 0;
  for (Node *n = gnode(t, 0), *end = n + sizenode(t); n < end; n++) {
    if (ttisnumber(gkey(n)) && !ttisnil(gval(n)) && nvalue(gkey(n)) > max) max = nvalue(gkey(n));
  }
  t->nbound = max;
  return max > floor ? max : floor;
}

int luaH_getn(Table *t, TString *nname) {
  // A raw field "n" holding a number wins.
  const TObject *n = luaH_getstr(t, nname);
  if (ttisnumber(n)) return luaO_num2int(nvalue(n));
  return luaH_bound(t);
}

int luaH_bound(Table *t) {
  int a = t->abound;
  while (a > 0 && ttisnil(&t->array[a - 1])) a--;
  t->abound = a;
  if (t->numkeys == 0 || t->nbound <= a) return a;
  return luaO_num2int(hashbound(t, a));
}
