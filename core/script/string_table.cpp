// Interning of strings and wide strings (one hash table for both kinds) and userdata creation.
#include <cstring>

#include "core/script/gc.h"
#include "core/script/mem.h"
#include "core/script/metamethods.h"
#include "core/script/state.h"
#include "core/script/string_table.h"

void luaS_freeall(lua_State *L) {
  luaM_freearray(L, G(L)->strt.hash, G(L)->strt.size, TString *);
}

void luaS_resize(lua_State *L, int newsize) {
  GCObject **newhash = luaM_newvector(L, newsize, GCObject *);
  stringtable *tb = &G(L)->strt;
  for (int i = 0; i < newsize; i++) newhash[i] = NULL;
  for (int i = 0; i < tb->size; i++) {  // rehash
    luaS_askahead(tb, i);
    GCObject *p = tb->hash[i];
    while (p) {
      GCObject *next = p->gch.next;
      int h1 = lmod(gcotots(p)->hash, newsize);
      p->gch.next = newhash[h1];
      newhash[h1] = p;
      p = next;
    }
  }
  luaM_freearray(L, tb->hash, tb->size, TString *);
  tb->size = newsize;
  tb->hash = newhash;
}

// A new string object of l units with its terminator; the caller fills in the text.
static TString *newstrobj(lua_State *L, int tag, size_t l, size_t unit, lu_hash h) {
  stringtable *tb = &G(L)->strt;
  // Grown before the string is made, so that a failure leaves no string in the table whose text
  // was never written.
  if (tb->nuse >= cast(lu_hash, tb->size) && tb->size <= MAX_INT / 2) luaS_resize(L, tb->size * 2);  // too crowded
  size_t bytes = l >= MAX_BLOCKSIZE ? MAX_BLOCKSIZE : sizeof(TString) + (l + 1) * unit;
  TString *ts = cast(TString *, luaM_malloc(L, bytes));
  ts->tt = cast(lu_byte, tag);
  ts->marked = 0;
  ts->reserved = 0;
  ts->hash = h;
  ts->len = l;
  std::memset(reinterpret_cast<char *>(ts + 1) + l * unit, 0, unit);
  h = lmod(h, tb->size);
  ts->next = tb->hash[h];
  tb->hash[h] = valtogco(ts);
  tb->nuse++;
  return ts;
}

TString *luaS_newlstr(lua_State *L, const char *str, size_t l) {
  lu_hash h = cast(lu_hash, l);  // seed
  size_t step = (l >> 5) + 1;    // if string is too long, don't hash all its chars
  for (size_t l1 = l; l1 >= step; l1 -= step)
    h = h ^ ((h << 5) + (h >> 2) + cast(unsigned char, str[l1 - 1]));
  for (GCObject *o = G(L)->strt.hash[lmod(h, G(L)->strt.size)]; o != NULL; o = o->gch.next) {
    TString *ts = gcotots(o);
    if (ts->tt == LUA_TSTRING && ts->len == l && (l == 0 || std::memcmp(str, getstr(ts), l) == 0))
      return ts;
  }
  TString *ts = newstrobj(L, LUA_TSTRING, l, 1, h);
  if (l > 0) std::memcpy(ts + 1, str, l);
  return ts;
}

lu_hash luaS_hashw(const lua_WChar *str, size_t l) {
  lu_hash h = cast(lu_hash, l);
  size_t step = (l >> 5) + 1;
  for (size_t l1 = l; l1 >= step; l1 -= step) h = h ^ ((h << 5) + (h >> 2) + str[l1 - 1]);
  return h;
}

TString *luaS_newlwstr(lua_State *L, const lua_WChar *str, size_t l) {
  lu_hash h = luaS_hashw(str, l);
  for (GCObject *o = G(L)->strt.hash[lmod(h, G(L)->strt.size)]; o != NULL; o = o->gch.next) {
    TString *ts = gcotots(o);
    if (ts->tt == LUA_TWSTRING && ts->len == l &&
        (l == 0 || std::memcmp(str, getwstr(ts), l * sizeof(lua_WChar)) == 0))
      return ts;
  }
  TString *ts = newstrobj(L, LUA_TWSTRING, l, sizeof(lua_WChar), h);
  if (l > 0) std::memcpy(ts + 1, str, l * sizeof(lua_WChar));
  return ts;
}

// Whether the joined pieces equal the text at s (both `total' units long).
static bool samepieces(const StrPiece *pieces, int n, const char *s, size_t unit) {
  for (int i = 0; i < n; i++) {
    size_t bytes = pieces[i].len * unit;
    if (bytes > 0 && std::memcmp(pieces[i].units, s, bytes) != 0) return false;
    s += bytes;
  }
  return true;
}

// The hash of the joined text: the same samples luaS_newlstr and luaS_hashw take, backwards
// from the end, each piece's samples in one run.
template <typename Unit>
static lu_hash hashpieces(const StrPiece *pieces, int n, size_t total) {
  lu_hash h = cast(lu_hash, total);
  size_t step = (total >> 5) + 1;
  size_t l1 = total;  // the next sample is unit l1 - 1, while l1 >= step
  size_t start = total;
  for (int k = n - 1; k >= 0 && l1 >= step; k--) {
    start -= pieces[k].len;  // piece k holds units start .. start + len - 1
    const Unit *u = static_cast<const Unit *>(pieces[k].units);
    size_t lo = start > step - 1 ? start : step - 1;
    for (; l1 > lo; l1 -= step) h = h ^ ((h << 5) + (h >> 2) + cast(lu_hash, u[l1 - 1 - start]));
  }
  return h;
}

TString *luaS_newpieces(lua_State *L, int tag, const StrPiece *pieces, int n, size_t total) {
  size_t unit = tag == LUA_TWSTRING ? sizeof(lua_WChar) : 1;
  lu_hash h = unit == 1 ? hashpieces<unsigned char>(pieces, n, total) : hashpieces<lua_WChar>(pieces, n, total);
  for (GCObject *o = G(L)->strt.hash[lmod(h, G(L)->strt.size)]; o != NULL; o = o->gch.next) {
    TString *ts = gcotots(o);
    if (ts->tt == tag && ts->len == total && ts->hash == h &&
        samepieces(pieces, n, reinterpret_cast<const char *>(ts + 1), unit))
      return ts;
  }
  TString *ts = newstrobj(L, tag, total, unit, h);
  char *out = reinterpret_cast<char *>(ts + 1);
  for (int i = 0; i < n; i++) {
    size_t bytes = pieces[i].len * unit;
    if (bytes > 0) std::memcpy(out, pieces[i].units, bytes);
    out += bytes;
  }
  return ts;
}

// Whether the text at t is `l' bytes of s repeated to `total' bytes.
static bool samerepeated(const char *s, size_t l, const char *t, size_t total) {
  for (size_t at = 0; at < total; at += l)
    if (std::memcmp(s, t + at, l) != 0) return false;
  return true;
}

TString *luaS_newrep(lua_State *L, const char *s, size_t l, size_t n) {
  size_t total = l == 0 || n == 0 ? 0 : n > MAX_SIZET / l ? MAX_SIZET : l * n;  // the allocator refuses the latter
  if (total == 0) return luaS_newlstr(L, "", 0);
  lu_hash h = cast(lu_hash, total);  // the samples luaS_newlstr takes
  size_t step = (total >> 5) + 1;
  for (size_t l1 = total; l1 >= step; l1 -= step)
    h = h ^ ((h << 5) + (h >> 2) + cast(unsigned char, s[(l1 - 1) % l]));
  for (GCObject *o = G(L)->strt.hash[lmod(h, G(L)->strt.size)]; o != NULL; o = o->gch.next) {
    TString *ts = gcotots(o);
    if (ts->tt == LUA_TSTRING && ts->len == total && ts->hash == h && samerepeated(s, l, getstr(ts), total))
      return ts;
  }
  TString *ts = newstrobj(L, LUA_TSTRING, total, 1, h);
  char *out = reinterpret_cast<char *>(ts + 1);
  std::memcpy(out, s, l);
  for (size_t done = l; done < total;) {  // doubling copies inside the result
    size_t c = done < total - done ? done : total - done;
    std::memcpy(out + done, out, c);
    done += c;
  }
  return ts;
}

static Udata *newudata(lua_State *L, size_t len, size_t alloc) {
  // A size near the top of size_t would wrap with the header added: ask for a block the
  // memory manager refuses instead.
  lu_mem bytes = alloc >= MAX_BLOCKSIZE ? MAX_BLOCKSIZE : sizeudata(alloc);
  Udata *u = cast(Udata *, luaM_malloc(L, bytes));
  u->marked = 0;
  u->tt = LUA_TUSERDATA;
  u->len = len;
  const TObject *mt = typemeta(L, LUA_TUSERDATA);
  u->metatable = ttistable(mt) ? hvalue(mt) : hvalue(defaultmeta(L));
  // chain it on udata list
  u->next = G(L)->rootudata;
  G(L)->rootudata = valtogco(u);
  return u;
}

Udata *luaS_newudata(lua_State *L, size_t s) {
  size_t len = (s + 1) & ~cast(size_t, 1);  // stored length is rounded up to even
  if (len < s) len = s;  // overflow: let the allocator refuse it
  return newudata(L, len, len);
}

Udata *luaS_newboxudata(lua_State *L) {
  return newudata(L, 1, luaS_udatapayload(1));
}
