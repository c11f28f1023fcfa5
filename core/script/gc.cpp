// The stop-the-world collector: mark from the roots (with a gray list instead of recursion),
// set aside userdata to finalise, clear weak tables, sweep, then run the finalisers.
#include <algorithm>
#include <cstring>

#include "core/script/do.h"
#include "core/script/func.h"
#include "core/script/gc.h"
#include "core/script/mem.h"
#include "core/script/state.h"
#include "core/script/string_table.h"
#include "core/script/table.h"

namespace {

struct GCState {
  GCObject *tmark;  // gray objects still to traverse
  GCObject *wk;     // weak tables (keys, values or both), cleared after marking
  global_State *g;
};

inline bool ismarked(const GCObject *x) { return (x->gch.marked & GC_MARKED) != 0; }

void reallymarkobject(GCState *st, GCObject *o);

inline void markvalue(GCState *st, const TObject *o) {
  if (iscollectable(o) && !ismarked(gcvalue(o))) reallymarkobject(st, gcvalue(o));
}
inline void markobject(GCState *st, GCObject *o) {
  if (o && !ismarked(o)) reallymarkobject(st, o);
}

void reallymarkobject(GCState *st, GCObject *o) {
  o->gch.marked |= GC_MARKED;
  switch (o->gch.tt) {
    case LUA_TSTRING:
    case LUA_TWSTRING: return;
    case LUA_TUSERDATA: markobject(st, valtogco(gcotou(o)->metatable)); return;
    case LUA_TFUNCTION:
      gcotocl(o)->c.gclist = st->tmark;
      break;
    case LUA_TTABLE:
      gcotoh(o)->gclist = st->tmark;
      break;
    case LUA_TTHREAD:
      gcototh(o)->gclist = st->tmark;
      break;
    case LUA_TPROTO:
      gcotop(o)->gclist = st->tmark;
      break;
    case LUA_TUPVAL: {
      UpVal *uv = gcotouv(o);
      markvalue(st, uv->v);
      return;
    }
    default: return;
  }
  st->tmark = o;
}

void traversetable(GCState *st, Table *h) {
  markobject(st, valtogco(h->metatable));
  int weakkey = 0, weakvalue = 0;
  const TObject *mode = gfasttm(st->g, h->metatable, TM_MODE);
  if (mode && ttisstring(mode)) {
    const char *m = svalue(mode);
    weakkey = std::strchr(m, 'k') != NULL;
    weakvalue = std::strchr(m, 'v') != NULL;
    if (weakkey || weakvalue) {
      h->marked &= ~(GC_KEYWEAK | GC_VALUEWEAK);
      h->marked |= cast(lu_byte, (weakkey ? GC_KEYWEAK : 0) | (weakvalue ? GC_VALUEWEAK : 0));
      h->gclist = st->wk;
      st->wk = valtogco(h);
    }
  }
  if (!weakvalue) {
    for (int i = h->sizearray - 1; i >= 0; i--) markvalue(st, &h->array[i]);
  }
  for (int i = sizenode(h) - 1; i >= 0; i--) {
    Node *n = gnode(h, i);
    if (!ttisnil(gval(n))) {
      if (!weakkey) markvalue(st, gkey(n));
      if (!weakvalue) markvalue(st, gval(n));
    }
  }
}

void traverseproto(GCState *st, Proto *f) {
  markobject(st, valtogco(f->source));
  for (int i = 0; i < f->sizek; i++) markvalue(st, &f->k[i]);
  for (int i = 0; i < f->sizeupvalues; i++) markobject(st, valtogco(f->upvalues[i]));
  for (int i = 0; i < f->sizep; i++) markobject(st, valtogco(f->p[i]));
  for (int i = 0; i < f->sizelocvars; i++) markobject(st, valtogco(f->locvars[i].varname));
}

void traverseclosure(GCState *st, Closure *cl) {
  if (cl->c.isC) {
    for (int i = 0; i < cl->c.nupvalues; i++) markvalue(st, &cl->c.upvalue[i]);
  } else {
    markobject(st, valtogco(cl->l.p));
    markvalue(st, &cl->l.g);
    for (int i = 0; i < cl->l.nupvalues; i++) {
      UpVal *u = cl->l.upvals[i];
      if (u == NULL) continue;
      // An open upvalue may point into the stack of a thread nobody else reaches.
      markvalue(st, u->v);
      u->marked |= GC_MARKED;
    }
  }
}

void traversestack(GCState *st, lua_State *L1) {
  markvalue(st, gt(L1));
  StkId lim = L1->top;
  for (CallInfo *ci = L1->base_ci; ci <= L1->ci; ci++) {
    if (lim < ci->top) lim = ci->top;
  }
  StkId o = L1->stack;
  for (; o < L1->top; o++) markvalue(st, o);
  for (; o <= lim && o < L1->stack + L1->stacksize; o++) setnilvalue(o);  // stale values
}

void propagatemarks(GCState *st) {
  while (st->tmark) {
    GCObject *o = st->tmark;
    switch (o->gch.tt) {
      case LUA_TTABLE:
        st->tmark = gcotoh(o)->gclist;
        traversetable(st, gcotoh(o));
        break;
      case LUA_TFUNCTION:
        st->tmark = gcotocl(o)->c.gclist;
        traverseclosure(st, gcotocl(o));
        break;
      case LUA_TTHREAD:
        st->tmark = gcototh(o)->gclist;
        traversestack(st, gcototh(o));
        break;
      case LUA_TPROTO:
        st->tmark = gcotop(o)->gclist;
        traverseproto(st, gcotop(o));
        break;
      default: st->tmark = NULL;
    }
  }
}

// Whether a weak entry must go: an unmarked object (strings are values and never go); a
// userdata set aside for finalisation goes from the value side only.
bool iscleared(const TObject *o, bool iskey) {
  if (!iscollectable(o)) return false;
  if (ttisstring(o) || ttiswstring(o)) {
    gcvalue(o)->gch.marked |= GC_MARKED;  // strings are `values', so are never weak
    return false;
  }
  if (!ismarked(gcvalue(o))) return true;
  return ttisuserdata(o) && !iskey && (gcvalue(o)->gch.marked & GC_FINALIZED) != 0;
}

void cleartables(GCObject *l) {
  while (l) {
    Table *h = gcotoh(l);
    if (h->marked & GC_VALUEWEAK) {
      for (int i = h->sizearray - 1; i >= 0; i--) {
        if (iscleared(&h->array[i], false)) setnilvalue(&h->array[i]);
      }
    }
    for (int i = sizenode(h) - 1; i >= 0; i--) {
      Node *n = gnode(h, i);
      if (!ttisnil(gval(n)) && (iscleared(gkey(n), true) || iscleared(gval(n), false)))
        setnilvalue(gval(n));  // remove entry from table
    }
    l = h->gclist;
  }
}

void freeobj(lua_State *L, GCObject *o) {
  switch (o->gch.tt) {
    case LUA_TPROTO: luaF_freeproto(L, gcotop(o)); break;
    case LUA_TFUNCTION: luaF_freeclosure(L, gcotocl(o)); break;
    case LUA_TUPVAL: luaM_freelem(L, gcotouv(o)); break;
    case LUA_TTABLE: luaH_free(L, gcotoh(o)); break;
    case LUA_TTHREAD: luaE_freethread(L, gcototh(o)); break;
    case LUA_TSTRING:
      G(L)->strt.nuse--;
      luaM_free(L, o, sizestring(gcotots(o)->len));
      break;
    case LUA_TWSTRING:
      G(L)->strt.nuse--;
      luaM_free(L, o, sizewstring(gcotots(o)->len));
      break;
    case LUA_TUSERDATA: luaM_free(L, o, sizeudata(luaS_udatapayload(gcotou(o)->len))); break;
    default: break;
  }
}

void sweeplist(lua_State *L, GCObject **p, int all) {
  GCObject *curr;
  while ((curr = *p) != NULL) {
    lu_byte mark = curr->gch.marked;
    if (!all && (mark & (GC_FIXED | GC_MARKED))) {
      curr->gch.marked &= ~GC_MARKED;
      p = &curr->gch.next;
    } else {
      *p = curr->gch.next;
      freeobj(L, curr);
    }
  }
}

void sweepstrings(lua_State *L, int all) {
  stringtable *tb = &G(L)->strt;
  for (int i = 0; i < tb->size; i++) {
    luaS_askahead(tb, i);
    sweeplist(L, &tb->hash[i], all);
  }
}

void checkSizes(lua_State *L, lu_mem finalising) {
  global_State *g = G(L);
  if (g->strt.nuse < cast(lu_hash, g->strt.size / 4) && g->strt.size > MINSTRTABSIZE * 2)
    luaS_resize(L, g->strt.size / 2);  // table is too big
  if (luaZ_sizebuffer(&g->buff) > LUA_MINBUFFER * 2) {  // buffer too big?
    size_t newsize = luaZ_sizebuffer(&g->buff) / 2;
    luaZ_resizebuffer(L, &g->buff, newsize);
  }
  if (g->GCthreshold != MAX_LUMEM) {
    lu_mem twice = 2 * g->nblocks;
    // Near the memory budget the next collection comes sooner, so that garbage is freed before
    // the budget refuses a growth; never sooner than a sixteenth of the budget, so that a state
    // living near its budget does not collect at every step.
    lu_mem room = g->memlimit > g->nblocks ? g->memlimit - g->nblocks : 0;
    lu_mem gap = std::max(room / 2, g->memlimit / 16);
    if (twice - g->nblocks > gap) twice = g->nblocks + gap;
    g->GCthreshold = twice > finalising ? twice - finalising : 0;
  }
}

const TObject *gcmethod(lua_State *L, Udata *u) {
  return gfasttm(G(L), u->metatable, TM_GC);
}

// Moves unreached userdata with a "__gc" method to the finalisation list and returns their
// bytes; they (and what they reach) are marked so they survive this cycle.
lu_mem separateudata(lua_State *L, GCState *st) {
  global_State *g = G(L);
  lu_mem deadmem = 0;
  GCObject **p = &g->rootudata;
  GCObject **lastcollected = &g->tmudata;
  while (*lastcollected) lastcollected = &(*lastcollected)->gch.next;
  GCObject *curr;
  while ((curr = *p) != NULL) {
    Udata *u = gcotou(curr);
    if ((curr->gch.marked & (GC_MARKED | GC_FINALIZED)) || gcmethod(L, u) == NULL) {
      p = &curr->gch.next;
    } else {  // must call its gc method
      deadmem += sizeudata(luaS_udatapayload(u->len));
      curr->gch.marked |= GC_FINALIZED;  // its finaliser runs at the end of this cycle
      *p = curr->gch.next;
      curr->gch.next = NULL;
      *lastcollected = curr;
      lastcollected = &curr->gch.next;
    }
  }
  for (GCObject *o = g->tmudata; o; o = o->gch.next) reallymarkobject(st, o);
  return deadmem;
}

void markroots(GCState *st, lua_State *L) {
  global_State *g = st->g;
  markvalue(st, defaultmeta(L));
  for (int i = 0; i < NUM_TAGS; i++) markvalue(st, &g->_typemeta[i]);
  markvalue(st, registry(L));
  markobject(st, valtogco(g->mainthread));
  markobject(st, valtogco(L));  // the running thread
  for (int i = 0; i < TM_N; i++) markobject(st, valtogco(g->tmname[i]));
}

}  // namespace

void luaC_link(lua_State *L, GCObject *o, lu_byte tt) {
  o->gch.next = G(L)->rootgc;
  G(L)->rootgc = o;
  o->gch.marked = 0;
  o->gch.tt = tt;
}

void luaC_sweep(lua_State *L, int all) {
  if (all) all = 1;
  sweeplist(L, &G(L)->rootudata, all);
  sweepstrings(L, all);
  sweeplist(L, &G(L)->rootgc, all);
}

void luaC_separateudata(lua_State *L) {
  GCState st = {NULL, NULL, G(L)};
  separateudata(L, &st);
}

// Runs the finalisers of the userdata set aside, each once, in the order collected.
void luaC_callGCTM(lua_State *L) {
  global_State *g = G(L);
  while (g->tmudata != NULL) {
    GCObject *o = g->tmudata;
    Udata *udata = gcotou(o);
    g->tmudata = udata->next;  // remove udata from `tmudata'
    udata->next = g->rootudata;  // return it to `root' list
    g->rootudata = o;
    udata->marked |= GC_FINALIZED;  // it is finalised now
    udata->marked &= ~GC_MARKED;   // marked afresh by the next cycle
    const TObject *tm = gcmethod(L, udata);
    if (tm != NULL) {
      lu_mem oldt = g->GCthreshold;
      g->GCthreshold = MAX_LUMEM;  // avoid collection while running the finaliser
      setobj(L->top, tm);
      setuvalue(L->top + 1, udata);
      L->top += 2;
      L->nunwind++;  // an error must come through here to restore the threshold
      try {
        luaD_call(L, L->top - 2, 0);
      } catch (...) {
        g->GCthreshold = oldt;
        throw;
      }
      L->nunwind--;
      g->GCthreshold = oldt;
    }
  }
}

void luaC_collectgarbage(lua_State *L) {
  global_State *g = G(L);
  GCState st = {NULL, NULL, g};
  markroots(&st, L);
  propagatemarks(&st);
  lu_mem deadmem = separateudata(L, &st);
  propagatemarks(&st);  // mark what the finalisable userdata reach
  cleartables(st.wk);
  luaC_sweep(L, 0);
  g->mainthread->marked &= ~GC_MARKED;  // the main thread lies in no swept list
  checkSizes(L, deadmem);
  luaC_callGCTM(L);
}
