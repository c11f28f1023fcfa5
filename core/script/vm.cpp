// The interpreter loop (threaded dispatch) and the value operations behind it: coercions,
// comparisons, indexing with metamethods and the per-type tables, arithmetic, bit operators
// and concatenation of strings or wide strings.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/script/debug.h"
#include "core/script/do.h"
#include "core/script/func.h"
#include "core/script/gc.h"
#include "core/script/metamethods.h"
#include "core/script/opcodes.h"
#include "core/script/state.h"
#include "core/script/string_table.h"
#include "core/script/table.h"
#include "core/script/vm.h"
#include "core/script/vm_code.h"

// Limit for table tag-method chains (to avoid loops).
#define MAXTAGLOOP 100

const TObject *luaV_tonumber(const TObject *obj, TObject *n) {
  lua_Number num;
  if (ttisnumber(obj)) return obj;
  if (ttisstring(obj) && luaO_str2d(svalue(obj), &num)) {
    setnvalue(n, num);
    return n;
  }
  if (ttiswstring(obj) && luaO_wstr2d(wsvalue(obj), tsvalue(obj)->len, &num)) {
    setnvalue(n, num);
    return n;
  }
  return NULL;
}

int luaV_tostring(lua_State *L, StkId obj) {
  if (!ttisnumber(obj)) return 0;
  char s[32];
  int l = luaO_num2str(nvalue(obj), s);
  setsvalue(obj, luaS_newlstr(L, s, l));
  return 1;
}

int luaV_towstring(lua_State *L, StkId obj) {
  if (!ttisnumber(obj)) return 0;
  char s[32];
  lua_WChar w[32];
  int l = luaO_num2str(nvalue(obj), s);
  for (int i = 0; i < l; i++) w[i] = static_cast<unsigned char>(s[i]);
  setwsvalue(obj, luaS_newlwstr(L, w, l));
  return 1;
}

// Calls f(p1, p2) for one result. The operands are copied first: they may live in the stack,
// which the call may move.
static TObject callTMres(lua_State *L, const TObject *f, const TObject *p1, const TObject *p2) {
  TObject a = *f, b = *p1, c = *p2;
  luaD_checkstack(L, 3);
  setobj(L->top, &a);
  setobj(L->top + 1, &b);
  setobj(L->top + 2, &c);
  L->top += 3;
  luaD_call(L, L->top - 3, 1);
  L->top--;
  return *L->top;
}

static void callTM(lua_State *L, const TObject *f, const TObject *p1, const TObject *p2,
                   const TObject *p3) {
  TObject a = *f, b = *p1, c = *p2, d = *p3;
  luaD_checkstack(L, 4);
  setobj(L->top, &a);
  setobj(L->top + 1, &b);
  setobj(L->top + 2, &c);
  setobj(L->top + 3, &d);
  L->top += 4;
  luaD_call(L, L->top - 4, 0);
}

void luaV_gettable(lua_State *L, const TObject *t, TObject *key, StkId val) {
  ptrdiff_t valr = savestack(L, val);
  TObject mtobj;
  for (int loop = 0; loop < MAXTAGLOOP; loop++) {
    const TObject *tm;
    if (ttistable(t)) {
      Table *h = hvalue(t);
      const TObject *res = luaH_get(h, key);
      if (!ttisnil(res) || (tm = fasttm(L, h->metatable, TM_INDEX)) == NULL) {
        setobj(restorestack(L, valr), res);
        return;
      }
    } else if (ttisuserdata(t)) {
      Table *mt = uvalue(t)->metatable;
      tm = fasttm(L, mt, TM_INDEX);
      if (tm == NULL) {  // no "__index": look in the metatable itself
        sethvalue(&mtobj, mt);
        t = &mtobj;
        continue;
      }
    } else {
      tm = luaT_gettmbyobj(L, t, TM_INDEX);  // the type's table, or nil
      if (ttisnil(tm)) luaG_typeerror(L, t, "index");
    }
    if (ttisfunction(tm)) {
      TObject r = callTMres(L, tm, t, key);
      setobj(restorestack(L, valr), &r);
      return;
    }
    t = tm;  // else repeat with `tm'
  }
  luaG_runerror(L, "loop in gettable");
}

void luaV_settable(lua_State *L, const TObject *t, TObject *key, StkId val) {
  for (int loop = 0; loop < MAXTAGLOOP; loop++) {
    const TObject *tm;
    if (ttistable(t)) {
      Table *h = hvalue(t);
      TObject *oldval = luaH_set(L, h, key);  // do a primitive set
      if (!ttisnil(oldval) || (tm = fasttm(L, h->metatable, TM_NEWINDEX)) == NULL) {
        setobj(oldval, val);
        return;
      }
    } else if (ttisnil(tm = luaT_gettmbyobj(L, t, TM_NEWINDEX))) {
      luaG_typeerror(L, t, "index");
    }
    if (ttisfunction(tm)) {
      callTM(L, tm, t, key, val);
      return;
    }
    t = tm;  // else repeat with `tm'
  }
  luaG_runerror(L, "loop in settable");
}

// A binary event: operand 1's method when it is a function, else operand 2's. (A per-type
// table found for a non-table operand is no handler, so the other operand still gets a say.)
static int call_binTM(lua_State *L, const TObject *p1, const TObject *p2, StkId res, TMS event) {
  const TObject *tm = luaT_gettmbyobj(L, p1, event);
  if (!ttisfunction(tm)) tm = luaT_gettmbyobj(L, p2, event);
  if (!ttisfunction(tm)) return 0;
  ptrdiff_t resr = savestack(L, res);
  TObject r = callTMres(L, tm, p1, p2);
  // A number comes without a hint (object.h), as from the arithmetic itself: a for loop that
  // keeps none may start from it (vm_code.h).
  if (ttisnumber(&r)) r.tx = 0;
  setobj(restorestack(L, resr), &r);
  return 1;
}

static const TObject *get_compTM(lua_State *L, Table *mt1, Table *mt2, TMS event) {
  const TObject *tm1 = fasttm(L, mt1, event);
  if (tm1 == NULL) return NULL;  // no metamethod
  if (mt1 == mt2) return tm1;    // same metatables => same metamethods
  const TObject *tm2 = fasttm(L, mt2, event);
  if (tm2 == NULL) return NULL;  // no metamethod
  if (luaO_rawequalObj(tm1, tm2)) return tm1;  // same metamethods?
  return NULL;
}

static int call_orderTM(lua_State *L, const TObject *p1, const TObject *p2, TMS event) {
  const TObject *tm1 = luaT_gettmbyobj(L, p1, event);
  if (ttisnil(tm1)) return -1;  // no metamethod?
  const TObject *tm2 = luaT_gettmbyobj(L, p2, event);
  if (!luaO_rawequalObj(tm1, tm2)) return -1;  // different metamethods?
  TObject r = callTMres(L, tm1, p1, p2);
  return !l_isfalse(&r);
}

// Collation order of two strings that may hold zeros.
static int l_strcmp(const TString *ls, const TString *rs) {
  const char *l = getstr(ls);
  size_t ll = ls->len;
  const char *r = getstr(rs);
  size_t lr = rs->len;
  for (;;) {
    int temp = std::strcoll(l, r);
    if (temp != 0) return temp;
    size_t len = std::strlen(l);  // the parts are equal up to a zero
    if (len == lr) return (len == ll) ? 0 : 1;
    if (len == ll) return -1;
    len++;  // both go on past the zero
    l += len;
    ll -= len;
    r += len;
    lr -= len;
  }
}

int luaV_lessthan(lua_State *L, const TObject *l, const TObject *r) {
  int res;
  if (ttype(l) != ttype(r)) luaG_ordererror(L, l, r);
  if (ttisnumber(l)) return nvalue(l) < nvalue(r);
  if (ttisstring(l)) return l_strcmp(tsvalue(l), tsvalue(r)) < 0;
  if ((res = call_orderTM(L, l, r, TM_LT)) != -1) return res;
  luaG_ordererror(L, l, r);
}

static int luaV_lessequal(lua_State *L, const TObject *l, const TObject *r) {
  int res;
  if (ttype(l) != ttype(r)) luaG_ordererror(L, l, r);
  if (ttisnumber(l)) return nvalue(l) <= nvalue(r);
  if (ttisstring(l)) return l_strcmp(tsvalue(l), tsvalue(r)) <= 0;
  if ((res = call_orderTM(L, l, r, TM_LE)) != -1) return res;  // first try `le'
  if ((res = call_orderTM(L, r, l, TM_LT)) != -1) return !res;  // else try `lt'
  luaG_ordererror(L, l, r);
}

int luaV_equalval(lua_State *L, const TObject *t1, const TObject *t2) {
  const TObject *tm;
  switch (ttype(t1)) {
    case LUA_TNIL: return 1;
    case LUA_TNUMBER: return nvalue(t1) == nvalue(t2);
    case LUA_TBOOLEAN: return bvalue(t1) == bvalue(t2);
    case LUA_TLIGHTUSERDATA: return pvalue(t1) == pvalue(t2);
    case LUA_TUSERDATA: {
      if (uvalue(t1) == uvalue(t2)) return 1;
      tm = get_compTM(L, uvalue(t1)->metatable, uvalue(t2)->metatable, TM_EQ);
      break;
    }
    case LUA_TTABLE: {
      if (hvalue(t1) == hvalue(t2)) return 1;
      tm = get_compTM(L, hvalue(t1)->metatable, hvalue(t2)->metatable, TM_EQ);
      break;
    }
    default: return gcvalue(t1) == gcvalue(t2);
  }
  if (tm == NULL) return 0;  // no TM?
  TObject r = callTMres(L, tm, t1, t2);
  return !l_isfalse(&r);
}

static inline bool towide(lua_State *L, StkId o) {
  return ttiswstring(o) || luaV_towstring(L, o);
}

// A string or a number, which concatenation turns into text.
static inline bool textlike(const TObject *o) { return ttisstring(o) || ttisnumber(o); }

// Operands joined in one pass at most; a longer run is joined in several.
#define MAXPIECES 32

void luaV_concat(lua_State *L, int total, int last) {
  // The last string-like operand decides: a wide string makes the whole chain wide.
  bool wide = false;
  for (int j = 0; j < total; j++) {
    StkId o = L->base + last - j;
    if (ttisstring(o)) break;
    if (ttiswstring(o)) {
      wide = true;
      break;
    }
  }
  do {
    StkId top = L->base + last + 1;
    int n = 2;  // number of elements handled in this pass (at least 2)
    if (!wide) {
      // Numbers are written straight into the result: the operands are temporaries, so
      // interning each number's text first would only make garbage.
      bool leftok = textlike(top - 2);
      if (!leftok || !textlike(top - 1)) {
        if (leftok) tostring(L, top - 2);  // the metamethod sees the left number as text
        if (!call_binTM(L, top - 2, top - 1, top - 2, TM_CONCAT)) luaG_concaterror(L, top - 2, top - 1);
      } else if (ttisnumber(top - 1) || tsvalue(top - 1)->len > 0) {  // if len=0, do nothing
        // The pieces are joined straight into the new string: no copy through a buffer.
        while (n < total && n < MAXPIECES && textlike(top - n - 1)) n++;
        StrPiece pieces[MAXPIECES];
        char digits[MAXPIECES][32];
        lu_mem tl = 0;
        for (int i = n; i > 0; i--) {
          StkId o = top - i;
          StrPiece &p = pieces[n - i];
          if (ttisstring(o)) {
            p.units = svalue(o);
            p.len = tsvalue(o)->len;
          } else {
            p.units = digits[n - i];
            p.len = static_cast<size_t>(luaO_num2str(nvalue(o), digits[n - i]));
          }
          tl += p.len;
        }
        if (tl > MAX_BLOCKSIZE) luaG_runerror(L, "string size overflow");
        setsvalue(top - n, luaS_newpieces(L, LUA_TSTRING, pieces, n, tl));
      } else {
        tostring(L, top - 2);
      }
    } else {
      if (!towide(L, top - 2) || !towide(L, top - 1)) {
        if (!call_binTM(L, top - 2, top - 1, top - 2, TM_CONCAT)) luaG_concaterror(L, top - 2, top - 1);
      } else if (tsvalue(top - 1)->len > 0) {
        while (n < total && n < MAXPIECES && towide(L, top - n - 1)) n++;
        StrPiece pieces[MAXPIECES];
        lu_mem tl = 0;
        for (int i = n; i > 0; i--) {
          pieces[n - i].units = wsvalue(top - i);
          pieces[n - i].len = tsvalue(top - i)->len;
          tl += pieces[n - i].len;
        }
        if (tl > MAX_BLOCKSIZE) luaG_runerror(L, "string size overflow");
        setwsvalue(top - n, luaS_newpieces(L, LUA_TWSTRING, pieces, n, tl));
      }
    }
    total -= n - 1;  // got `n' strings to create 1 new
    last -= n - 1;
  } while (total > 1);  // repeat until only 1 result left
}

static void Arith(lua_State *L, StkId ra, const TObject *rb, const TObject *rc, TMS op) {
  TObject tempb, tempc;
  const TObject *b, *c;
  if ((b = luaV_tonumber(rb, &tempb)) != NULL && (c = luaV_tonumber(rc, &tempc)) != NULL) {
    switch (op) {
      case TM_ADD: setnvalue(ra, nvalue(b) + nvalue(c)); break;
      case TM_SUB: setnvalue(ra, nvalue(b) - nvalue(c)); break;
      case TM_MUL: setnvalue(ra, nvalue(b) * nvalue(c)); break;
      case TM_DIV: setnvalue(ra, nvalue(b) / nvalue(c)); break;
      case TM_POW: {
        const TObject *f = ttistable(gt(L)) ? luaH_getstr(hvalue(gt(L)), G(L)->tmname[TM_POW])
                                             : &luaO_nilobject;
        if (!ttisfunction(f)) luaG_runerror(L, "`__pow' (`^' operator) is not a function");
        ptrdiff_t rar = savestack(L, ra);
        TObject r = callTMres(L, f, b, c);
        setobj(restorestack(L, rar), &r);
        break;
      }
      default: break;
    }
  } else if (!call_binTM(L, rb, rc, ra, op)) {
    luaG_aritherror(L, rb, rc);
  }
}

// The array slot of a whole-number key inside the array part, else NULL, for a number without
// a hint (object.h). From its bits with integer operations only: a conversion to int and back,
// to compare, costs several times more on the critical path of an indexed read or write.
__attribute__((noinline)) static TObject *arrayslotbits(Table *h, uint64_t bits) {
  unsigned e = static_cast<unsigned>(bits >> 52) - 1023u;  // the exponent; huge below 1, for negatives, NaN
  if (e < 31) {
    uint64_t mantissa = bits << 11 | 1ull << 63;  // the leading one made explicit, at the top
    unsigned slot = static_cast<unsigned>(mantissa >> (63 - e)) - 1u;
    // Whole: no bit of the fraction is left once the e integer bits after the leading one go.
    if (slot < static_cast<unsigned>(h->sizearray) && (mantissa << e << 1) == 0) return &h->array[slot];
  }
  return NULL;
}

static inline uint64_t valuebits(Value v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

// The position of `v' in the array part of `h', or a number past it when `v' lies elsewhere
// (a node, the nil object).
static inline size_t slotindex(const Table *h, const TObject *v) {
  return (reinterpret_cast<uintptr_t>(v) - reinterpret_cast<uintptr_t>(h->array)) / sizeof(TObject);
}

// A raw read of a table with the common keys inline: array positions, and strings found by the
// hash their value carries. The key comes as its tag word and value, so a key just read stays
// in machine registers; `key' holds the same value for the generic look-up.
static inline const TObject *rawgetnum(Table *h, uint64_t tw, Value kv, const TObject *key) {
  unsigned slot = static_cast<unsigned>(tw >> 32) - 1u;  // by the hint (no hint: 0, no slot)
  if (__builtin_expect(slot < static_cast<unsigned>(h->sizearray), 1)) return &h->array[slot];
  const TObject *v = arrayslotbits(h, valuebits(kv));
  return v != NULL ? v : luaH_get(h, key);
}

static inline const TObject *rawgetkey(Table *h, uint64_t tw, Value kv, const TObject *key) {
  int tt = static_cast<int>(static_cast<uint32_t>(tw));
  if (__builtin_expect(tt == LUA_TNUMBER, 1)) return rawgetnum(h, tw, kv, key);
  if (tt == LUA_TSTRING) return luaH_getstrkey(h, kv.gc, tt, static_cast<lu_hash>(tw >> 32));
  return luaH_get(h, key);
}

// The second look-up of a pair (vm_code.h), whose key was read at `at' of table `from': as
// rawgetkey, and for a string key read from an array, the node of the key after it is asked
// for ahead, as a list of keys walked in order will want it next.
static inline const TObject *rawgetpair(Table *h, uint64_t tw, Value kv, const TObject *key, const Table *from,
                                        const TObject *at) {
  int tt = static_cast<int>(static_cast<uint32_t>(tw));
  if (__builtin_expect(tt == LUA_TNUMBER, 1)) return rawgetnum(h, tw, kv, key);
  if (tt == LUA_TSTRING) {
    if (slotindex(from, at) + 1 < static_cast<size_t>(from->sizearray) && ttisstring(at + 1))
      __builtin_prefetch(gnode(h, at[1].tx & h->nodemask));
    return luaH_getstrkey(h, kv.gc, tt, static_cast<lu_hash>(tw >> 32));
  }
  return luaH_get(h, key);
}

static inline const TObject *rawget(Table *h, const TObject *key) {
  return rawgetkey(h, tagword(key), key->value, key);
}

// The same for a constant key, most often a field name.
static inline const TObject *rawgetk(Table *h, const TObject *key) {
  return __builtin_expect(ttisstring(key), 1) ? luaH_getstrfield(h, key) : rawget(h, key);
}

// What a read of a table gives when the table answers alone: the value found, or the nil found
// when no __index would be asked; NULL when the generic path must run.
static inline const TObject *rawanswer(lua_State *L, Table *h, const TObject *v) {
  return !ttisnil(v) || fasttm(L, h->metatable, TM_INDEX) == NULL ? v : NULL;
}

// The slot a write of `key' fills when the table takes it without the generic path: a slot
// holding a value, or one holding nil (an array slot, a cleared key) when no "__newindex" would
// be asked, changed as luaV_settable would change it; NULL otherwise. `v' is the raw read.
static inline TObject *rawsetslot(lua_State *L, Table *h, const TObject *key, const TObject *v) {
  if (__builtin_expect(!ttisnil(v), 1)) return const_cast<TObject *>(v);
  if (v == &luaO_nilobject) return NULL;  // a new key
  h->flags = 0;  // the table changed; then "__newindex" is asked, in the same order
  if (fasttm(L, h->metatable, TM_NEWINDEX) != NULL) return NULL;
  // An array slot (only number keys reach one) raises the array's bound; else the hash part's.
  size_t pos = slotindex(h, v);
  if (__builtin_expect(pos < static_cast<size_t>(h->sizearray), 1)) {
    if (static_cast<int>(pos) >= h->abound) h->abound = static_cast<int>(pos) + 1;
    return const_cast<TObject *>(v);
  }
  return luaH_coverslot(h, v, key);
}

static inline uint32_t bitword(lua_Number n) { return static_cast<uint32_t>(luaO_num2int64(n)); }

// The operation of an arithmetic form (vm_code.h), for the chains.
static inline lua_Number arithform(uint8_t form, lua_Number x, lua_Number y) {
  switch (form & FORM_OPMASK) {
    case FORM_ADD: return x + y;
    case FORM_SUB: return x - y;
    case FORM_MUL: return x * y;
    default: return x / y;
  }
}

// The opcode an arithmetic form has when it runs alone.
static inline int ownopcode(uint8_t form) {
  return OPX_ADD_RR + 3 * (form & FORM_OPMASK) + ((form & FORM_KC) ? 1 : (form & FORM_KB) ? 2 : 0);
}

// The interpreter loop.

#define RA(i) (base + GETARG_A(i))
#define RB(i) (base + GETARG_B(i))
#define RKB(i) (__builtin_expect(GETARG_B(i) < MAXSTACK, 1) ? base + GETARG_B(i) : k + (GETARG_B(i) - MAXSTACK))
#define RKC(i) ((GETARG_C(i) < MAXSTACK ? base : k - MAXSTACK) + GETARG_C(i))
#define KBx(i) (k + GETARG_Bx(i))
// Operands of the run-time forms by the byte offsets the instruction carries beside its word
// (read from the instruction just fetched): no shifting and masking of fields.
#define OFFB() (pc[-1].b)
#define OFFC() (pc[-1].c)
#define ATOFF(p, o) reinterpret_cast<TObject *>(reinterpret_cast<char *>(p) + (o))
#define XRB() ATOFF(base, OFFB())
#define XRC() ATOFF(base, OFFC())
#define XKB() ATOFF(k, OFFB())
#define XKC() ATOFF(k, OFFC())
// The operands of a run-time instruction whose form says whether each is a register or a constant.
#define FORMB(r) ATOFF((r).form & FORM_KB ? k : base, (r).b)
#define FORMC(r) ATOFF((r).form & FORM_KC ? k : base, (r).c)

#define dojump(pc, i) ((pc) += (i))
// The offset of a jump (JMP, FORLOOP, TFORPREP), as the run-time code carries it.
#define JUMPOFF(w) ((w).jump)

// Saves the position for messages, runs `x' (which may call, throw or move the stack), then
// reloads what may have moved.
#define Protect(x) \
  { \
    ci->savedpc = pc; \
    x; \
    ci = L->ci; \
    base = L->base; \
  }

// Fast paths fall through and slow paths go out of line: a taken jump per handler costs
// more than the few instructions of the common case.
#define likely(x) __builtin_expect(!!(x), 1)
#define unlikely(x) __builtin_expect(!!(x), 0)

#define vmdispatch(o) goto *disptab[o];
#define vmcase(l) L_##l:
#define vmbreak \
  { \
    i = pc->code; \
    ra = ATOFF(base, pc->a); \
    pc++; \
    goto *disptab[GET_OPCODE(i)]; \
  }

// Each handler keeps its own copy of the dispatch jump (better branch prediction); GCC would
// otherwise merge them into one shared indirect jump.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-crossjumping", "no-gcse")))
#endif
void luaV_execute(lua_State *L) {
  static const void *const labels[] = {
      &&L_OP_MOVE,     &&L_OP_LOADK,    &&L_OP_LOADBOOL, &&L_OP_LOADNIL,  &&L_OP_GETUPVAL,
      &&L_OP_GETGLOBAL, &&L_OP_GETTABLE, &&L_OP_SETGLOBAL, &&L_OP_SETUPVAL, &&L_OP_SETTABLE,
      &&L_OP_NEWTABLE, &&L_OP_SELF,     &&L_OP_ADD,      &&L_OP_SUB,      &&L_OP_MUL,
      &&L_OP_DIV,      &&L_OP_BAND,     &&L_OP_BOR,      &&L_OP_SHL,      &&L_OP_SHR,
      &&L_OP_POW,      &&L_OP_UNM,      &&L_OP_NOT,      &&L_OP_CONCAT,   &&L_OP_JMP,
      &&L_OP_EQ,       &&L_OP_LT,       &&L_OP_LE,       &&L_OP_TEST,     &&L_OP_CALL,
      &&L_OP_TAILCALL, &&L_OP_RETURN,   &&L_OP_FORLOOP,  &&L_OP_TFORLOOP, &&L_OP_TFORPREP,
      &&L_OP_SETLIST,  &&L_OP_SETLISTO, &&L_OP_CLOSE,    &&L_OP_CLOSURE,
      // The run-time forms (vm_code.h).
      &&L_OPX_ADD_RR,  &&L_OPX_ADD_RK,  &&L_OPX_ADD_KR,  &&L_OPX_SUB_RR,  &&L_OPX_SUB_RK,
      &&L_OPX_SUB_KR,  &&L_OPX_MUL_RR,  &&L_OPX_MUL_RK,  &&L_OPX_MUL_KR,  &&L_OPX_DIV_RR,
      &&L_OPX_DIV_RK,  &&L_OPX_DIV_KR,  &&L_OPX_LT_RR,   &&L_OPX_LT_RK,   &&L_OPX_LT_KR,
      &&L_OPX_LE_RR,   &&L_OPX_LE_RK,   &&L_OPX_LE_KR,   &&L_OPX_GETTABLE_K, &&L_OPX_SETTABLE_K,
      &&L_OPX_SELF_K,  &&L_OPX_CHAIN,   &&L_OPX_INDEX_GET, &&L_OPX_INDEX_SET, &&L_BAD};
  static_assert(NUM_RUNOPCODES == 63 && sizeof labels == 64 * sizeof(void *), "a label for each opcode, L_BAD for the rest");
  // A copy in the frame: each dispatch then jumps through one stack-relative load instead of
  // first forming the table's address (position-independent code). The empty asm keeps the
  // compiler from reading the static table again.
  const void *disptab[64];
  std::memcpy(disptab, labels, sizeof disptab);
  asm volatile("" : : "r"(disptab) : "memory");
  CallInfo *ci;
  LClosure *cl;
  TObject *k;
  StkId base;
  const RunInstruction *pc;
  Instruction i;
  StkId ra;
reentry:  // entry point
  ci = L->ci;
  cl = &clvalue(ci->func)->l;
  k = cl->p->k;
  base = ci->base;
  pc = ci->savedpc;
  vmbreak;

  vmcase(OP_MOVE) {
    setobj(ra, RB(i));
    vmbreak;
  }
  vmcase(OP_LOADK) {
    setobj(ra, KBx(i));
    vmbreak;
  }
  vmcase(OP_LOADBOOL) {
    setbvalue(ra, GETARG_B(i) != 0);
    if (GETARG_C(i)) pc++;  // skip next instruction (if C)
    vmbreak;
  }
  vmcase(OP_LOADNIL) {
    TObject *rb = RB(i);
    do {
      setnilvalue(rb--);
    } while (rb >= ra);
    vmbreak;
  }
  vmcase(OP_GETUPVAL) {
    setobj(ra, cl->upvals[GETARG_B(i)]->v);
    vmbreak;
  }
  vmcase(OP_GETGLOBAL) {
    TObject *rb = KBx(i);
    if (ttistable(&cl->g)) {
      const TObject *v = luaH_getstrfield(hvalue(&cl->g), rb);
      if (!ttisnil(v)) {
        setobj(ra, v);
        vmbreak;
      }
    }
    Protect(luaV_gettable(L, &cl->g, rb, RA(i)));
    vmbreak;
  }
  // The run-time GETTABLE and SETTABLE have their key in a register; constant keys run the K
  // forms (vm_code.cpp).
// A table read (key in a register or a constant) and a table write: the raw answer when no
// metamethod is asked, else the generic walk.
#define TABLE_READ(name, key, lookup) \
  vmcase(name) { \
    StkId rb = XRB(); \
    TObject *rc = key(); \
    if (likely(ttistable(rb))) { \
      Table *h = hvalue(rb); \
      const TObject *v = rawanswer(L, h, lookup(h, rc)); \
      if (likely(v != NULL)) { \
        setobj(ra, v); \
        vmbreak; \
      } \
    } \
    Protect(luaV_gettable(L, rb, rc, ra)); \
    vmbreak; \
  }
#define TABLE_WRITE(name, key, lookup) \
  vmcase(name) { \
    TObject *rb = key(); \
    TObject *rc = FORMC(pc[-1]); \
    if (likely(ttistable(ra))) { \
      Table *h = hvalue(ra); \
      TObject *v = rawsetslot(L, h, rb, lookup(h, rb)); \
      if (likely(v != NULL)) { \
        setobj(v, rc); \
        vmbreak; \
      } \
    } \
    Protect(luaV_settable(L, RA(i), rb, rc)); \
    vmbreak; \
  }
  TABLE_READ(OP_GETTABLE, XRC, rawget)
// The first half of a pair (vm_code.h): the raw read into R(A), the key it gives kept in
// `tw' and `kv' for the second half; else the read runs alone.
#define INDEX_FIRST() \
    StkId rb = XRB(); \
    if (unlikely(!ttistable(rb))) goto *disptab[OP_GETTABLE]; \
    Table *h = hvalue(rb); \
    const TObject *v = rawanswer(L, h, rawget(h, XRC())); \
    if (unlikely(v == NULL)) goto *disptab[OP_GETTABLE]; \
    uint64_t tw = tagword(v); \
    Value kv = v->value; \
    settagword(ra, tw); \
    ra->value = kv; \
    const RunInstruction &next = pc[0];
  vmcase(OPX_INDEX_GET) {
    INDEX_FIRST()
    StkId tb = ATOFF(base, next.b);
    if (likely(ttistable(tb))) {
      Table *t = hvalue(tb);
      const TObject *w = rawanswer(L, t, rawgetpair(t, tw, kv, ra, h, v));
      if (likely(w != NULL)) {
        setobj(ATOFF(base, next.a), w);
        pc++;
      }
    }
    vmbreak;
  }
  vmcase(OPX_INDEX_SET) {
    INDEX_FIRST()
    StkId ta = ATOFF(base, next.a);
    if (likely(ttistable(ta))) {
      Table *t = hvalue(ta);
      TObject *slot = rawsetslot(L, t, ra, rawgetpair(t, tw, kv, ra, h, v));
      if (likely(slot != NULL)) {
        setobj(slot, FORMC(next));
        pc++;
      }
    }
    vmbreak;
  }
  TABLE_READ(OPX_GETTABLE_K, XKC, rawgetk)
  vmcase(OPX_SELF_K) {
    StkId rb = XRB();
    TObject *rc = XKC();
    setobj(ra + 1, rb);
    if (ttistable(rb)) {
      Table *h = hvalue(rb);
      const TObject *v = luaH_getstrfield(h, rc);
      if ((v = rawanswer(L, h, v)) != NULL) {
        setobj(ra, v);
        vmbreak;
      }
      // An object's methods usually sit in the table its "__index" names: one more step of
      // luaV_gettable's walk here.
      const TObject *tm = fasttm(L, h->metatable, TM_INDEX);
      if (ttistable(tm)) {
        Table *c = hvalue(tm);
        if ((v = rawanswer(L, c, luaH_getstrfield(c, rc))) != NULL) {
          setobj(ra, v);
          vmbreak;
        }
      }
    }
    Protect(luaV_gettable(L, ra + 1, rc, RA(i)));
    vmbreak;
  }
  TABLE_WRITE(OPX_SETTABLE_K, XKB, rawgetk)
  vmcase(OP_SETGLOBAL) {
    TObject *rb = KBx(i);
    if (ttistable(&cl->g)) {
      TObject *v = const_cast<TObject *>(luaH_getstrfield(hvalue(&cl->g), rb));
      if (!ttisnil(v)) {
        setobj(v, ra);
        vmbreak;
      }
    }
    Protect(luaV_settable(L, &cl->g, rb, RA(i)));
    vmbreak;
  }
  vmcase(OP_SETUPVAL) {
    UpVal *uv = cl->upvals[GETARG_B(i)];
    setobj(uv->v, ra);
    vmbreak;
  }
  TABLE_WRITE(OP_SETTABLE, XRB, rawget)
  vmcase(OP_NEWTABLE) {
    int b = GETARG_B(i);
    int shift = b >> 3;
    uint64_t na = static_cast<uint64_t>(b & 7) << (shift > 40 ? 40 : shift);
    int narray = na > 0x7fffffff ? 0x7fffffff : static_cast<int>(na);
    Protect({
      Table *t = luaH_new(L, narray, GETARG_C(i));
      sethvalue(RA(i), t);
      luaC_checkGC(L);
    });
    vmbreak;
  }
  vmcase(OP_SELF) {
    StkId rb = RB(i);
    TObject *rc = RKC(i);
    setobj(ra + 1, rb);
    if (ttistable(rb)) {
      Table *h = hvalue(rb);
      const TObject *v = ttisstring(rc) ? luaH_getstrobj(h, rc) : luaH_get(h, rc);
      if ((v = rawanswer(L, h, v)) != NULL) {
        setobj(ra, v);
        vmbreak;
      }
    }
    Protect(luaV_gettable(L, ra + 1, rc, RA(i)));
    vmbreak;
  }
#define ARITH_OP(name, op, tm) \
  vmcase(name) { \
    TObject *rb = RKB(i); \
    TObject *rc = RKC(i); \
    if (likely(ttisnumber(rb) && ttisnumber(rc))) { \
      setnvalue(ra, nvalue(rb) op nvalue(rc)); \
    } else { \
      Protect(Arith(L, RA(i), rb, rc, tm)); \
    } \
    vmbreak; \
  }
  ARITH_OP(OP_ADD, +, TM_ADD)
  ARITH_OP(OP_SUB, -, TM_SUB)
  ARITH_OP(OP_MUL, *, TM_MUL)
  ARITH_OP(OP_DIV, /, TM_DIV)
  // The constant of a K form is known to be a number.
#define ARITH_FORMS(name, op, tm) \
  vmcase(name##_RR) { \
    TObject *rb = XRB(); \
    TObject *rc = XRC(); \
    if (likely(ttisnumber(rb) && ttisnumber(rc))) { \
      setnvalue(ra, nvalue(rb) op nvalue(rc)); \
    } else { \
      Protect(Arith(L, RA(i), rb, rc, tm)); \
    } \
    vmbreak; \
  } \
  vmcase(name##_RK) { \
    TObject *rb = XRB(); \
    TObject *rc = XKC(); \
    if (likely(ttisnumber(rb))) { \
      setnvalue(ra, nvalue(rb) op nvalue(rc)); \
    } else { \
      Protect(Arith(L, RA(i), rb, rc, tm)); \
    } \
    vmbreak; \
  } \
  vmcase(name##_KR) { \
    TObject *rb = XKB(); \
    TObject *rc = XRC(); \
    if (likely(ttisnumber(rc))) { \
      setnvalue(ra, nvalue(rb) op nvalue(rc)); \
    } else { \
      Protect(Arith(L, RA(i), rb, rc, tm)); \
    } \
    vmbreak; \
  }
  ARITH_FORMS(OPX_ADD, +, TM_ADD)
  ARITH_FORMS(OPX_SUB, -, TM_SUB)
  ARITH_FORMS(OPX_MUL, *, TM_MUL)
  ARITH_FORMS(OPX_DIV, /, TM_DIV)
  vmcase(OPX_CHAIN) {
    const RunInstruction &first = pc[-1];
    const TObject *x = FORMB(first);
    const TObject *y = FORMC(first);
    if (unlikely(!ttisnumber(x) || !ttisnumber(y))) goto *disptab[ownopcode(first.form)];
    lua_Number v = arithform(first.form, nvalue(x), nvalue(y));
    setnvalue(ra, v);
    // A later form whose other operand is no number runs alone, from its own pc.
    const RunInstruction &next = pc[0];
    switch (first.chain) {
      case CHAIN_INTO_B:
        y = FORMC(next);
        if (likely(ttisnumber(y))) {
          setnvalue(ATOFF(base, next.a), arithform(next.form, v, nvalue(y)));
          pc++;
        }
        break;
      case CHAIN_INTO_C:
        x = FORMB(next);
        if (likely(ttisnumber(x))) {
          setnvalue(ATOFF(base, next.a), arithform(next.form, nvalue(x), v));
          pc++;
        }
        break;
      default:  // CHAIN_PAIR; the next form's operands are read after `v' is stored, as it may read it
        x = FORMB(next);
        y = FORMC(next);
        if (likely(ttisnumber(x) && ttisnumber(y))) {
          lua_Number w = arithform(next.form, nvalue(x), nvalue(y));
          setnvalue(ATOFF(base, next.a), w);
          setnvalue(ATOFF(base, pc[1].a), arithform(pc[1].form, v, w));
          pc += 2;
        }
        break;
    }
    vmbreak;
  }
#define BIT_OP(name, expr) \
  vmcase(name) { \
    TObject *rb = RKB(i); \
    TObject *rc = RKC(i); \
    if (ttisnumber(rb) && ttisnumber(rc)) { \
      uint32_t x = bitword(nvalue(rb)); \
      uint32_t y = bitword(nvalue(rc)); \
      setnvalue(ra, static_cast<lua_Number>(static_cast<uint32_t>(expr))); \
    } else { \
      Protect(luaG_aritherror(L, rb, rc)); \
    } \
    vmbreak; \
  }
  BIT_OP(OP_BAND, x & y)
  BIT_OP(OP_BOR, x | y)
  BIT_OP(OP_SHL, x << (y & 31))
  BIT_OP(OP_SHR, x >> (y & 31))
  vmcase(OP_POW) {
    TObject *rb = RKB(i);
    TObject *rc = RKC(i);
    Protect(Arith(L, RA(i), rb, rc, TM_POW));
    vmbreak;
  }
  vmcase(OP_UNM) {
    const TObject *rb = RB(i);
    TObject temp;
    if (ttisnumber(rb)) {
      setnvalue(ra, -nvalue(rb));
    } else if (const TObject *n = luaV_tonumber(rb, &temp)) {
      setnvalue(ra, -nvalue(n));
    } else {
      Protect({
        if (!call_binTM(L, RB(i), &luaO_nilobject, RA(i), TM_UNM))
          luaG_aritherror(L, RB(i), &luaO_nilobject);
      });
    }
    vmbreak;
  }
  vmcase(OP_NOT) {
    int res = l_isfalse(RB(i));  // next assignment may change this value
    setbvalue(ra, res);
    vmbreak;
  }
  vmcase(OP_CONCAT) {
    int b = GETARG_B(i);
    int c = GETARG_C(i);
    Protect({
      luaV_concat(L, c - b + 1, c);  // may change `base' (and `ra')
      luaC_checkGC(L);
    });
    setobj(base + GETARG_A(i), base + b);
    vmbreak;
  }
  vmcase(OP_JMP) {
    dojump(pc, JUMPOFF(pc[-1]));
    vmbreak;
  }
  vmcase(OP_EQ) {
    TObject *rb = RKB(i);
    TObject *rc = RKC(i);
    int res;
    if (ttype(rb) != ttype(rc)) res = 0;
    else if (ttisnumber(rb)) res = nvalue(rb) == nvalue(rc);
    else Protect(res = luaV_equalval(L, rb, rc));
    if (res != GETARG_A(i)) pc++;
    else dojump(pc, JUMPOFF(*pc) + 1);
    vmbreak;
  }
  vmcase(OP_LT) {
    TObject *rb = RKB(i);
    TObject *rc = RKC(i);
    int res;
    if (ttisnumber(rb) && ttisnumber(rc)) res = nvalue(rb) < nvalue(rc);
    else Protect(res = luaV_lessthan(L, rb, rc));
    if (res != GETARG_A(i)) pc++;
    else dojump(pc, JUMPOFF(*pc) + 1);
    vmbreak;
  }
  vmcase(OP_LE) {
    TObject *rb = RKB(i);
    TObject *rc = RKC(i);
    int res;
    if (ttisnumber(rb) && ttisnumber(rc)) res = nvalue(rb) <= nvalue(rc);
    else Protect(res = luaV_lessequal(L, rb, rc));
    if (res != GETARG_A(i)) pc++;
    else dojump(pc, JUMPOFF(*pc) + 1);
    vmbreak;
  }
#define COMPARE_FORMS(name, op, slow) \
  vmcase(name##_RR) { \
    TObject *rb = XRB(); \
    TObject *rc = XRC(); \
    int res; \
    if (likely(ttisnumber(rb) && ttisnumber(rc))) res = nvalue(rb) op nvalue(rc); \
    else Protect(res = slow(L, rb, rc)); \
    if (res != GETARG_A(i)) pc++; \
    else dojump(pc, JUMPOFF(*pc) + 1); \
    vmbreak; \
  } \
  vmcase(name##_RK) { \
    TObject *rb = XRB(); \
    TObject *rc = XKC(); \
    int res; \
    if (likely(ttisnumber(rb))) res = nvalue(rb) op nvalue(rc); \
    else Protect(res = slow(L, rb, rc)); \
    if (res != GETARG_A(i)) pc++; \
    else dojump(pc, JUMPOFF(*pc) + 1); \
    vmbreak; \
  } \
  vmcase(name##_KR) { \
    TObject *rb = XKB(); \
    TObject *rc = XRC(); \
    int res; \
    if (likely(ttisnumber(rc))) res = nvalue(rb) op nvalue(rc); \
    else Protect(res = slow(L, rb, rc)); \
    if (res != GETARG_A(i)) pc++; \
    else dojump(pc, JUMPOFF(*pc) + 1); \
    vmbreak; \
  }
  COMPARE_FORMS(OPX_LT, <, luaV_lessthan)
  COMPARE_FORMS(OPX_LE, <=, luaV_lessequal)
  vmcase(OP_TEST) {
    TObject *rb = RB(i);
    if (l_isfalse(rb) == GETARG_C(i)) {
      pc++;
    } else {
      setobj(ra, rb);
      dojump(pc, JUMPOFF(*pc) + 1);
    }
    vmbreak;
  }
  vmcase(OP_CALL) {
    int b = GETARG_B(i);
    int nresults = GETARG_C(i) - 1;
    if (b != 0) L->top = ra + b;  // else previous instruction set top
    else if (L->top <= ra) L->top = ra + 1;  // reached by a jump: no arguments
    ci->savedpc = pc;
    if (isLfunction(ra)) {
      Proto *p = clvalue(ra)->l.p;
      // The common case inline: enough stack, a free call record, no vararg table to build.
      if (!p->is_vararg && L->stack_last - ra > p->maxstacksize + 1 && ci + 1 != L->end_ci) {
        StkId nbase = ra + 1;
        StkId ntop = nbase + p->maxstacksize;
        for (StkId st = L->top; st < ntop; st++) setnilvalue(st);
        ci++;
        ci->func = ra;
        ci->base = nbase;
        ci->top = ntop;
        ci->savedpc = p->runcode;
        ci->nresults = nresults;
        ci->tailcalls = 0;
        ci->flags = 0;
        L->ci = ci;
        L->base = nbase;
        L->top = ntop;
        cl = &clvalue(ra)->l;
        k = p->k;
        base = nbase;
        pc = p->runcode;
        vmbreak;
      }
    }
    int r = luaD_precall(L, ra, nresults);
    if (r == 0) goto reentry;  // a Lua function: run it here
    if (r == 2) return;        // yield
    ci = L->ci;  // a C function ran to completion
    base = L->base;
    if (nresults >= 0) L->top = ci->top;
    vmbreak;
  }
  vmcase(OP_TAILCALL) {
    int b = GETARG_B(i);
    if (b != 0) L->top = ra + b;  // else previous instruction set top
    else if (L->top <= ra) L->top = ra + 1;
    ci->savedpc = pc;
    if (!isLfunction(ra)) {  // C functions and callable values: an ordinary call
      int r = luaD_precall(L, ra, LUA_MULTRET);
      if (r == 0) goto reentry;
      if (r == 2) return;
      ci = L->ci;
      base = L->base;
      vmbreak;  // the RETURN that follows passes the results on
    }
    if (L->openupval) luaF_close(L, base);
    StkId func = ci->func;
    int n = cast(int, L->top - ra);
    for (int j = 0; j < n; j++) setobj(func + j, ra + j);  // move down function and args
    L->top = func + n;
    int keep = ci->flags & CIST_FRESH;
    int tailcalls = ci->tailcalls + 1;
    int nres = ci->nresults;
    L->ci--;
    luaD_precall(L, func, nres);
    ci = L->ci;
    ci->flags |= keep | CIST_TAIL;
    ci->tailcalls = tailcalls;
    goto reentry;
  }
  vmcase(OP_RETURN) {
    int b = GETARG_B(i);
    // The common case first: one value back to a Lua caller that wants one, with no upvalue
    // of this frame to close.
    if (b == 2 && ci->nresults == 1 && !(ci->flags & CIST_FRESH) &&
        (L->openupval == NULL || ngcotouv(L->openupval)->v < base)) {
      setobj(ci->func, ra);
      goto backtolua;
    }
    // Then any fixed count back to a Lua caller that wants a fixed count (a call as a
    // statement wants none).
    if (b != 0 && ci->nresults >= 0 && !(ci->flags & CIST_FRESH) &&
        (L->openupval == NULL || ngcotouv(L->openupval)->v < base)) {
      {
        StkId res = ci->func;
        int j = 0, wanted = ci->nresults;
        for (; j < wanted && j < b - 1; j++) setobj(res + j, ra + j);
        for (; j < wanted; j++) setnilvalue(res + j);
      }
    backtolua:
      ci--;
      L->ci = ci;
      base = ci->base;
      L->base = base;
      L->top = ci->top;
      cl = &clvalue(ci->func)->l;
      k = cl->p->k;
      pc = ci->savedpc;
      vmbreak;
    }
    if (b != 0) L->top = ra + b - 1;
    else if (L->top < ra) L->top = ra;
    if (L->openupval) luaF_close(L, base);
    int fresh = ci->flags & CIST_FRESH;
    int wanted = ci->nresults;
    // Move the results down to the function slot and pop the call record.
    StkId res = ci->func;
    StkId first = ra;
    L->ci = --ci;
    L->base = ci->base;
    if (wanted == LUA_MULTRET) {
      while (first < L->top) setobj(res++, first++);
      L->top = res;
    } else {
      int w = wanted;
      while (w != 0 && first < L->top) {
        setobj(res++, first++);
        w--;
      }
      while (w-- > 0) setnilvalue(res++);
      L->top = res;
    }
    if (fresh) return;
    if (wanted >= 0) L->top = ci->top;
    goto reentry;
  }
  vmcase(OP_FORLOOP) {
    if (likely(ttisnumber(ra) && ttisnumber(ra + 1) && ttisnumber(ra + 2))) {
      lua_Number step = nvalue(ra + 2);
      lua_Number idx = nvalue(ra) + step;  // increment index
      lua_Number limit = nvalue(ra + 1);
      if (likely(step > 0)) {
        if (unlikely(!(idx <= limit))) vmbreak;
      } else if (!(idx >= limit)) {
        vmbreak;
      }
      bool hinted = pc[-1].form & FORM_INDEXHINT;
      dojump(pc, JUMPOFF(pc[-1]));  // jump back
      if (hinted) {
        // The index's hint (object.h): the last one plus the step's while both have one (the
        // step's comes from its constant), else from the number.
        int32_t hint;
        if (unlikely(ra->tx == 0 || (ra + 2)->tx == 0 ||
                     __builtin_add_overflow(static_cast<int32_t>(ra->tx), static_cast<int32_t>((ra + 2)->tx), &hint)))
          hint = static_cast<int32_t>(luaO_numhint(idx));
        settagword(ra, maketag(LUA_TNUMBER, static_cast<lu_hash>(hint)));
      }
      ra->value.n = idx;  // a loop without the flag keeps an index without a hint (vm_code.h)
      vmbreak;
    }
    Protect({
      StkId r = RA(i);
      if (!ttisnumber(r)) luaG_runerror(L, "`for' initial value must be a number");
      const TObject *plimit = r + 1;
      const TObject *pstep = r + 2;
      if (!tonumber(plimit, r + 1)) luaG_runerror(L, "`for' limit must be a number");
      if (!tonumber(pstep, r + 2)) luaG_runerror(L, "`for' step must be a number");
      lua_Number step = nvalue(pstep);
      lua_Number idx = nvalue(r) + step;
      lua_Number limit = nvalue(plimit);
      setnvalue(r + 1, limit);
      sethintednvalue(r + 2, step);
      if (step > 0 ? idx <= limit : idx >= limit) {
        dojump(pc, JUMPOFF(pc[-1]));
        setnvalue(r, idx);  // without a hint; a loop that keeps one finds it on its next pass
      }
    });
    vmbreak;
  }
  vmcase(OP_TFORLOOP) {
    int nvar = GETARG_C(i) + 1;
    // The call block lies inside the frame (the code checker keeps A + C + 5 below the frame
    // size), so nothing grows the stack before the call: `base' is current here.
    Protect({
      StkId r = RA(i);
      StkId cb = r + nvar + 2;  // call base
      setobj(cb, r);
      setobj(cb + 1, r + 1);
      setobj(cb + 2, r + 2);
      L->top = cb + 3;  // func. + 2 args (state and index)
      luaD_call(L, cb, nvar);
    });
    L->top = ci->top;
    ra = RA(i) + 2;  // final position of first result
    StkId cb = ra + nvar;
    do {  // move results to proper positions
      nvar--;
      setobj(ra + nvar, cb + nvar);
    } while (nvar > 0);
    if (ttisnil(ra)) pc++;  // break loop
    else dojump(pc, JUMPOFF(*pc) + 1);  // jump back
    vmbreak;
  }
  vmcase(OP_TFORPREP) {
    if (ttistable(ra)) {
      setobj(ra + 1, ra);
      Protect({
        TString *name = luaS_newliteral(L, "next");
        const TObject *nx = ttistable(gt(L)) ? luaH_getstr(hvalue(gt(L)), name) : &luaO_nilobject;
        setobj(RA(i), nx);
      });
    }
    dojump(pc, JUMPOFF(pc[-1]));
    vmbreak;
  }
  vmcase(OP_SETLIST) vmcase(OP_SETLISTO) {
    int bc = GETARG_Bx(i);
    int n;
    if (GET_OPCODE(i) == OP_SETLIST) {
      n = (bc & (LFIELDS_PER_FLUSH - 1)) + 1;
    } else {
      n = cast(int, L->top - ra) - 1;
      if (n < 0) n = 0;
      L->top = ci->top;
    }
    if (!ttistable(ra)) Protect(luaG_typeerror(L, RA(i), "index"));
    Table *h = hvalue(ra);
    bc &= ~(LFIELDS_PER_FLUSH - 1);  // bc = bc - bc%FPF
    for (; n > 0; n--) {
      TObject *slot = luaH_setnum(L, h, bc + n);
      setobj(slot, ra + n);
    }
    vmbreak;
  }
  vmcase(OP_CLOSE) {
    luaF_close(L, ra);
    vmbreak;
  }
  vmcase(OP_CLOSURE) {
    Proto *p = cl->p->p[GETARG_Bx(i)];
    int nup = p->nups;
    ci->savedpc = pc;
    Closure *ncl = luaF_newLclosure(L, nup, &cl->g);
    ncl->l.p = p;
    for (int j = 0; j < nup; j++, pc++) {
      if (GET_OPCODE(pc->code) == OP_GETUPVAL)
        ncl->l.upvals[j] = cl->upvals[GETARG_B(pc->code)];
      else
        ncl->l.upvals[j] = luaF_findupval(L, base + GETARG_B(pc->code));
    }
    setclvalue(ra, ncl);
    Protect(luaC_checkGC(L));
    vmbreak;
  }
L_BAD:
  ci->savedpc = pc;
  luaG_runerror(L, "bad opcode");
}
