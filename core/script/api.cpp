// The C API: stack indices (with the registry-reference range), pushes that grow the stack,
// conversions, tables, calls, loading and dumping, collection figures.
#include <cstring>

#include "core/script/chunk.h"
#include "core/script/debug.h"
#include "core/script/do.h"
#include "core/script/func.h"
#include "core/script/gc.h"
#include "core/script/mem.h"
#include "core/script/state.h"
#include "core/script/string_table.h"
#include "core/script/table.h"
#include "core/script/vm.h"

#define api_incr_top(L) \
  { \
    if (L->top >= L->ci->top) { \
      if (L->stack_last - L->top <= 1) luaD_growstack(L, 1); \
      else luaD_movestack(L); \
    } \
    L->top++; \
  }

// The value an index names, or NULL when it names no value.
static TObject *negindex(lua_State *L, int idx) {
  if (idx > LUA_REGISTRYINDEX) {
    return L->top + idx;
  }
  switch (idx) {  // pseudo-indices
    case LUA_REGISTRYINDEX: return registry(L);
    case LUA_GLOBALSINDEX: return gt(L);
    default: {
      if (idx <= LUA_REFINDEXBASE) {  // registry[n], read only
        if (!ttistable(registry(L))) return NULL;
        int n = LUA_REFINDEXBASE - idx;
        return const_cast<TObject *>(luaH_getnum(hvalue(registry(L)), n));
      }
      TObject *func = L->base - 1;
      idx = LUA_GLOBALSINDEX - idx;
      if (ttisfunction(func) && clvalue(func)->c.isC && idx <= clvalue(func)->c.nupvalues)
        return &clvalue(func)->c.upvalue[idx - 1];
      return NULL;
    }
  }
}

// Any acceptable index: positive indices above the top name no value.
static TObject *luaA_indexAcceptable(lua_State *L, int idx) {
  if (idx > 0) {
    TObject *o = L->base + (idx - 1);
    if (o >= L->top) return NULL;
    return o;
  }
  return negindex(L, idx);
}

// A valid index (the caller guarantees it names a value).
static TObject *luaA_index(lua_State *L, int idx) {
  if (idx > 0) return L->base + (idx - 1);
  TObject *o = negindex(L, idx);
  return o ? o : const_cast<TObject *>(&luaO_nilobject);
}

static const TObject *valueat(lua_State *L, int idx) {
  const TObject *o = luaA_indexAcceptable(L, idx);
  return o ? o : &luaO_nilobject;
}

void luaA_pushobject(lua_State *L, const TObject *o) {
  setobj(L->top, o);
  api_incr_top(L);
}

int lua_checkstack(lua_State *L, int size) {
  if (size < 0 || (L->top - L->base) + size > LUA_MAXCSTACK) return 0;
  luaD_checkstack(L, size);
  if (L->ci->top < L->top + size) L->ci->top = L->top + size;
  return 1;
}

void lua_xmove(lua_State *from, lua_State *to, int n) {
  if (from == to) return;
  from->top -= n;
  for (int i = 0; i < n; i++) {
    setobj(to->top, from->top + i);
    api_incr_top(to);
  }
}

lua_CFunction lua_atpanic(lua_State *L, lua_CFunction panicf) {
  lua_CFunction old = G(L)->panic;
  G(L)->panic = panicf;
  return old;
}

lua_State *lua_newthread(lua_State *L) {
  luaC_checkGC(L);
  lua_State *L1 = luaE_newthread(L);
  setthvalue(L->top, L1);
  api_incr_top(L);
  return L1;
}

// Basic stack manipulation.

int lua_gettop(lua_State *L) { return cast(int, L->top - L->base); }

void lua_settop(lua_State *L, int idx) {
  if (idx >= 0) {
    while (L->top < L->base + idx) setnilvalue(L->top++);
    L->top = L->base + idx;
  } else {
    L->top += idx + 1;  // `subtract' index (index is negative)
  }
}

void lua_remove(lua_State *L, int idx) {
  StkId p = luaA_index(L, idx);
  while (++p < L->top) setobj(p - 1, p);
  L->top--;
}

void lua_insert(lua_State *L, int idx) {
  StkId p = luaA_index(L, idx);
  for (StkId q = L->top; q > p; q--) setobj(q, q - 1);
  setobj(p, L->top);
}

void lua_replace(lua_State *L, int idx) {
  TObject *o = luaA_index(L, idx);
  if (o != &luaO_nilobject) setobj(o, L->top - 1);
  L->top--;
}

void lua_pushvalue(lua_State *L, int idx) {
  setobj(L->top, valueat(L, idx));
  api_incr_top(L);
}

// Access functions (stack -> C).

int lua_type(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  return (o == NULL) ? LUA_TNONE : ttype(o);
}

const char *lua_typename(lua_State *L, int t) {
  (void)L;
  if (t == LUA_TNONE) return "no value";
  if (t < 0 || t > LUA_TWSTRING) return "?";
  return luaT_typenames[t];
}

int lua_iscfunction(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  return (o == NULL) ? 0 : iscfunction(o);
}

int lua_isnumber(lua_State *L, int idx) {
  TObject n;
  const TObject *o = luaA_indexAcceptable(L, idx);
  return (o != NULL && luaV_tonumber(o, &n) != NULL);
}

int lua_isstring(lua_State *L, int idx) {
  int t = lua_type(L, idx);
  return (t == LUA_TSTRING || t == LUA_TNUMBER || t == LUA_TWSTRING);
}

int lua_isuserdata(lua_State *L, int idx) {
  const TObject *o = luaA_indexAcceptable(L, idx);
  return (o != NULL && (ttisuserdata(o) || ttislightuserdata(o)));
}

int lua_rawequal(lua_State *L, int index1, int index2) {
  StkId o1 = luaA_indexAcceptable(L, index1);
  StkId o2 = luaA_indexAcceptable(L, index2);
  return (o1 == NULL || o2 == NULL) ? 0 : luaO_rawequalObj(o1, o2);
}

int lua_equal(lua_State *L, int index1, int index2) {
  StkId o1 = luaA_indexAcceptable(L, index1);
  StkId o2 = luaA_indexAcceptable(L, index2);
  return (o1 == NULL || o2 == NULL) ? 0 : equalobj(L, o1, o2);
}

int lua_lessthan(lua_State *L, int index1, int index2) {
  StkId o1 = luaA_indexAcceptable(L, index1);
  StkId o2 = luaA_indexAcceptable(L, index2);
  return (o1 == NULL || o2 == NULL) ? 0 : luaV_lessthan(L, o1, o2);
}

lua_Number lua_tonumber(lua_State *L, int idx) {
  TObject n;
  const TObject *o = luaA_indexAcceptable(L, idx);
  if (o != NULL && (o = luaV_tonumber(o, &n)) != NULL) return nvalue(o);
  return 0;
}

int lua_toboolean(lua_State *L, int idx) {
  const TObject *o = luaA_indexAcceptable(L, idx);
  return (o != NULL) && !l_isfalse(o);
}

// Whether a stack index may be converted in place (registry references are read only).
static StkId writable(lua_State *L, int idx) {
  if (idx <= LUA_REFINDEXBASE) return NULL;
  return luaA_indexAcceptable(L, idx);
}

const char *lua_tostring(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == NULL) return NULL;
  if (ttisstring(o)) return svalue(o);
  if (!ttisnumber(o)) return NULL;
  StkId w = writable(L, idx);
  if (w == NULL) return NULL;
  luaC_checkGC(L);
  w = writable(L, idx);
  luaV_tostring(L, w);
  return svalue(w);
}

const lua_WChar *lua_towstring(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == NULL) return NULL;
  if (ttiswstring(o)) return wsvalue(o);
  if (!ttisnumber(o)) return NULL;
  StkId w = writable(L, idx);
  if (w == NULL) return NULL;
  luaC_checkGC(L);
  w = writable(L, idx);
  luaV_towstring(L, w);
  return wsvalue(w);
}

size_t lua_strlen(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == NULL) return 0;
  if (ttisstring(o) || ttiswstring(o)) return tsvalue(o)->len;
  if (ttisnumber(o) && writable(L, idx)) {
    luaV_tostring(L, o);
    return tsvalue(o)->len;
  }
  return 0;
}

lua_CFunction lua_tocfunction(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  return (o == NULL || !iscfunction(o)) ? NULL : clvalue(o)->c.f;
}

void *lua_touserdata(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == NULL) return NULL;
  switch (ttype(o)) {
    case LUA_TUSERDATA: {
      Udata *u = uvalue(o);
      if (u->len & 1) {  // a boxed pointer
        void *p;
        std::memcpy(&p, getudata(u), sizeof p);
        return p;
      }
      return getudata(u);
    }
    case LUA_TLIGHTUSERDATA: return pvalue(o);
    default: return NULL;
  }
}

lua_State *lua_tothread(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  return (o == NULL || !ttisthread(o)) ? NULL : thvalue(o);
}

const void *lua_topointer(lua_State *L, int idx) {
  StkId o = luaA_indexAcceptable(L, idx);
  if (o == NULL) return NULL;
  switch (ttype(o)) {
    case LUA_TTABLE: return hvalue(o);
    case LUA_TFUNCTION: return clvalue(o);
    case LUA_TTHREAD: return thvalue(o);
    case LUA_TUSERDATA:
    case LUA_TLIGHTUSERDATA: return lua_touserdata(L, idx);
    default: return NULL;
  }
}

// Push functions (C -> stack).

void lua_pushnil(lua_State *L) {
  setnilvalue(L->top);
  api_incr_top(L);
}

void lua_pushnumber(lua_State *L, lua_Number n) {
  setnvalue(L->top, n);
  api_incr_top(L);
}

void lua_pushlstring(lua_State *L, const char *s, size_t len) {
  luaC_checkGC(L);
  setsvalue(L->top, luaS_newlstr(L, s, len));
  api_incr_top(L);
}

void lua_pushrepeated(lua_State *L, const char *s, size_t l, size_t n) {
  luaC_checkGC(L);
  setsvalue(L->top, luaS_newrep(L, s, l, n));
  api_incr_top(L);
}

void lua_pushstring(lua_State *L, const char *s) {
  if (s == NULL) lua_pushnil(L);
  else lua_pushlstring(L, s, std::strlen(s));
}

void lua_pushlwstring(lua_State *L, const lua_WChar *s, size_t len) {
  luaC_checkGC(L);
  setwsvalue(L->top, luaS_newlwstr(L, s, len));
  api_incr_top(L);
}

void lua_pushwstring(lua_State *L, const lua_WChar *s) {
  if (s == NULL) {
    lua_pushnil(L);
    return;
  }
  size_t len = 0;
  while (s[len]) len++;
  lua_pushlwstring(L, s, len);
}

const char *lua_pushvfstring(lua_State *L, const char *fmt, va_list argp) {
  luaC_checkGC(L);
  return luaO_pushvfstring(L, fmt, argp);
}

const char *lua_pushfstring(lua_State *L, const char *fmt, ...) {
  luaC_checkGC(L);
  va_list argp;
  va_start(argp, fmt);
  const char *ret = luaO_pushvfstring(L, fmt, argp);
  va_end(argp);
  return ret;
}

void lua_pushcclosure(lua_State *L, lua_CFunction fn, int n) {
  luaC_checkGC(L);
  Closure *cl = luaF_newCclosure(L, n);
  cl->c.f = fn;
  L->top -= n;
  while (n--) setobj(&cl->c.upvalue[n], L->top + n);
  setclvalue(L->top, cl);
  api_incr_top(L);
}

void lua_setnounwind(lua_State *L, int idx) {
  StkId o = luaA_index(L, idx);
  if (iscfunction(o)) clvalue(o)->c.nounwind = 1;
}

void lua_pushboolean(lua_State *L, int b) {
  setbvalue(L->top, (b != 0));  // ensure that true is 1
  api_incr_top(L);
}

void lua_pushlightuserdata(lua_State *L, void *p) {
  setpvalue(L->top, p);
  api_incr_top(L);
}

// Get functions (Lua -> stack).

void lua_gettable(lua_State *L, int idx) {
  StkId t = luaA_index(L, idx);
  luaV_gettable(L, t, L->top - 1, L->top - 1);
}

void lua_rawget(lua_State *L, int idx) {
  StkId t = luaA_index(L, idx);
  setobj(L->top - 1, luaH_get(hvalue(t), L->top - 1));
}

void lua_rawgeti(lua_State *L, int idx, int n) {
  StkId o = luaA_index(L, idx);
  setobj(L->top, luaH_getnum(hvalue(o), n));
  api_incr_top(L);
}

void lua_newtable(lua_State *L) {
  luaC_checkGC(L);
  sethvalue(L->top, luaH_new(L, 0, 0));
  api_incr_top(L);
}

int lua_getmetatable(lua_State *L, int objindex) {
  const TObject *obj = luaA_indexAcceptable(L, objindex);
  if (obj == NULL) return 0;
  Table *mt = luaT_getmetatable(L, obj);
  if (mt == NULL) return 0;
  sethvalue(L->top, mt);
  api_incr_top(L);
  return 1;
}

void lua_getfenv(lua_State *L, int idx) {
  StkId o = luaA_index(L, idx);
  if (isLfunction(o)) setobj(L->top, &clvalue(o)->l.g);
  else setobj(L->top, gt(L));
  api_incr_top(L);
}

void lua_gettypemetatable(lua_State *L, int tag) {
  if (tag < 1 || tag >= NUM_TAGS) {
    setnilvalue(L->top);
  } else {
    setobj(L->top, typemeta(L, tag));
  }
  api_incr_top(L);
}

int lua_getn(lua_State *L, int idx) {
  StkId t = luaA_index(L, idx);
  if (!ttistable(t)) return 0;
  return luaH_getn(hvalue(t), G(L)->nname);
}

// Set functions (stack -> Lua).

// A native set as a global, for the state's observer.
static void observebind(lua_State *L, int idx) {
  if (idx == LUA_GLOBALSINDEX && G(L)->nativeobserver && ttisstring(L->top - 2) && ttisfunction(L->top - 1) &&
      clvalue(L->top - 1)->c.isC)
    G(L)->nativeobserver(L, LUA_NATIVEBOUND, svalue(L->top - 2), clvalue(L->top - 1));
}

void lua_settable(lua_State *L, int idx) {
  observebind(L, idx);
  StkId t = luaA_index(L, idx);
  luaV_settable(L, t, L->top - 2, L->top - 1);
  L->top -= 2;  // pop index and value
}

void lua_rawset(lua_State *L, int idx) {
  observebind(L, idx);
  StkId t = luaA_index(L, idx);
  setobj(luaH_set(L, hvalue(t), L->top - 2), L->top - 1);
  L->top -= 2;
}

void lua_rawseti(lua_State *L, int idx, int n) {
  StkId o = luaA_index(L, idx);
  setobj(luaH_setnum(L, hvalue(o), n), L->top - 1);
  L->top--;
}

int lua_setmetatable(lua_State *L, int objindex) {
  TObject *obj = luaA_index(L, objindex);
  TObject *mt = L->top - 1;
  Table *t = ttisnil(mt) ? hvalue(defaultmeta(L)) : (ttistable(mt) ? hvalue(mt) : NULL);
  int res = 1;
  if (t == NULL) res = 0;
  else if (ttistable(obj)) hvalue(obj)->metatable = t;
  else if (ttisuserdata(obj)) uvalue(obj)->metatable = t;
  else res = 0;  // cannot set
  L->top--;
  return res;
}

int lua_setfenv(lua_State *L, int idx) {
  StkId o = luaA_index(L, idx);
  L->top--;
  if (!ttistable(L->top) || !isLfunction(o)) return 0;
  setobj(&clvalue(o)->l.g, L->top);
  return 1;
}

void lua_settypemetatable(lua_State *L, int tag) {
  if (ttistable(L->top - 1) && tag >= 0 && tag < NUM_TAGS) setobj(typemeta(L, tag), L->top - 1);
  L->top--;
}

// "Load" and "do" functions.

void lua_call(lua_State *L, int nargs, int nresults) {
  StkId func = L->top - (nargs + 1);
  luaD_call(L, func, nresults);
}

struct CallS {  // data to `f_call'
  StkId func;
  int nresults;
};

static void f_call(lua_State *L, void *ud) {
  CallS *c = cast(CallS *, ud);
  luaD_call(L, c->func, c->nresults);
}

int lua_pcall(lua_State *L, int nargs, int nresults, int errfunc) {
  ptrdiff_t func = (errfunc == 0) ? 0 : savestack(L, luaA_index(L, errfunc));
  CallS c;
  c.func = L->top - (nargs + 1);  // function to be called
  c.nresults = nresults;
  return luaD_pcall(L, f_call, &c, savestack(L, c.func), func);
}

struct CCallS {  // data to `f_Ccall'
  lua_CFunction func;
  void *ud;
};

static void f_Ccall(lua_State *L, void *ud) {
  CCallS *c = cast(CCallS *, ud);
  Closure *cl = luaF_newCclosure(L, 0);
  cl->c.f = c->func;
  setclvalue(L->top, cl);  // push function
  incr_top(L);
  setpvalue(L->top, c->ud);  // push only argument
  incr_top(L);
  luaD_call(L, L->top - 2, 0);
}

int lua_cpcall(lua_State *L, lua_CFunction func, void *ud) {
  CCallS c;
  c.func = func;
  c.ud = ud;
  return luaD_pcall(L, f_Ccall, &c, savestack(L, L->top), 0);
}

int lua_load(lua_State *L, lua_Chunkreader reader, void *data, const char *chunkname) {
  ZIO z;
  if (!chunkname) chunkname = "?";
  luaZ_init(&z, reader, data, chunkname, L);
  int c = luaZ_lookahead(&z);
  return luaD_protectedparser(L, &z, c == LUA_SIGNATURE[0]);
}

int lua_dump(lua_State *L, lua_Chunkwriter writer, void *data) {
  TObject *o = L->top - 1;
  if (isLfunction(o) && clvalue(o)->l.nupvalues == 0) {
    luaU_dump(L, clvalue(o)->l.p, writer, data);
    return 1;
  }
  return 0;
}

// Garbage-collection functions.

// GC values are expressed in Kbytes: #bytes/2^10
#define GCscalel(x) ((x) >> 10)
#define GCscale(x) (cast(int, GCscalel(x)))
#define GCunscale(x) (cast(lu_mem, x) << 10)

int lua_getgcthreshold(lua_State *L) {
  lu_mem t = GCscalel(G(L)->GCthreshold);
  return t > static_cast<lu_mem>(INT_MAX) ? INT_MAX : static_cast<int>(t);
}

int lua_getgccount(lua_State *L) { return GCscale(G(L)->nblocks); }

void lua_setgcthreshold(lua_State *L, int newthreshold) {
  if (cast(lu_mem, newthreshold) > GCscalel(MAX_LUMEM) || newthreshold >= 4194304 || newthreshold < 0)
    G(L)->GCthreshold = MAX_LUMEM;
  else
    G(L)->GCthreshold = GCunscale(newthreshold);
  luaC_checkGC(L);
}

// Miscellaneous functions.

const char *lua_version(void) { return LUA_VERSION; }

int lua_error(lua_State *L) {
  luaG_errormsg(L);
  return 0;  // to avoid warnings
}

int lua_next(lua_State *L, int idx) {
  StkId t = luaA_index(L, idx);
  int more = luaH_next(L, hvalue(t), L->top - 1);
  if (more) {
    api_incr_top(L);
  } else {  // no more elements
    L->top -= 1;  // remove key
  }
  return more;
}

void lua_concat(lua_State *L, int n) {
  if (n >= 2) {
    luaC_checkGC(L);
    luaV_concat(L, n, cast(int, L->top - L->base) - 1);
    L->top -= (n - 1);
  } else if (n == 0) {  // push empty string
    setsvalue(L->top, luaS_newlstr(L, NULL, 0));
    api_incr_top(L);
  }
  // else n == 1; nothing to do
}

void *lua_newuserdata(lua_State *L, size_t size) {
  luaC_checkGC(L);
  Udata *u = luaS_newudata(L, size);
  setuvalue(L->top, u);
  api_incr_top(L);
  return getudata(u);
}

void lua_boxpointer(lua_State *L, void *p) {
  luaC_checkGC(L);
  Udata *u = luaS_newboxudata(L);
  std::memcpy(getudata(u), &p, sizeof p);
  setuvalue(L->top, u);
  api_incr_top(L);
}

// Upvalues of closures.

static const char *aux_upvalue(lua_State *L, int funcindex, int n, TObject **val) {
  StkId fi = luaA_index(L, funcindex);
  if (!ttisfunction(fi)) return NULL;
  Closure *f = clvalue(fi);
  if (f->c.isC) {
    if (n > f->c.nupvalues || n < 1) return NULL;
    *val = &f->c.upvalue[n - 1];
    return "";
  }
  Proto *p = f->l.p;
  if (n > p->sizeupvalues || n < 1 || n > f->l.nupvalues) return NULL;
  *val = f->l.upvals[n - 1]->v;
  return p->upvalues[n - 1] ? getstr(p->upvalues[n - 1]) : "";
}

const char *lua_getupvalue(lua_State *L, int funcindex, int n) {
  TObject *val = NULL;
  const char *name = aux_upvalue(L, funcindex, n, &val);
  if (name) {
    setobj(L->top, val);
    api_incr_top(L);
  }
  return name;
}

const char *lua_setupvalue(lua_State *L, int funcindex, int n) {
  TObject *val = NULL;
  const char *name = aux_upvalue(L, funcindex, n, &val);
  if (name) {
    L->top--;
    setobj(val, L->top);
  }
  return name;
}
