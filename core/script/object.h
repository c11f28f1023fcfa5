// Tagged values and the collectable objects of the script engine (strings, wide strings,
// tables, userdata, prototypes, closures, upvalues), with the helpers that convert numbers.
#pragma once

#include <cstdarg>
#include <cstring>

#include "core/script/script_limits.h"

// Internal tags, after the public ones (the wide string took 9).
#define LUA_TPROTO 10
#define LUA_TUPVAL 11
#define NUM_TAGS 11  // per-type slots 0..10

union GCObject;

#define CommonHeader GCObject *next; lu_byte tt; lu_byte marked

struct GCheader {
  CommonHeader;
};

union Value {
  GCObject *gc;
  void *p;
  lua_Number n;
  int b;
};

// The tag and the word after it are written together as one 8-byte "tag word": a copy reads
// it with one load, which the processor forwards from the setter's one store. The spare word
// holds a string's hash, so a look-up by a string value finds its node without reading the
// string. A number may carry its value as a nonzero int there (a hint: numeric for loops and
// number constants give it, so their values index arrays without reading the double); 0 says
// nothing. Every write of a number's value writes its tag word too, so a hint is never stale.
// For other types it is 0 (node keys keep their chain link there instead, table.h).
struct TObject {
  int tt;
  lu_hash tx;
  Value value;
};

inline uint64_t tagword(const TObject *o) {
  uint64_t w;
  std::memcpy(&w, o, sizeof w);
  return w;
}
inline void settagword(TObject *o, uint64_t w) { std::memcpy(o, &w, sizeof w); }
inline uint64_t maketag(int tt, lu_hash tx = 0) {
  return static_cast<uint32_t>(tt) | static_cast<uint64_t>(tx) << 32;
}

// The hint of a number (see TObject): its value when it is a whole number in the int range
// other than 0, else 0. From the bits, with integer operations only.
inline lu_hash luaO_numhint(lua_Number n) {
  uint64_t bits;
  std::memcpy(&bits, &n, sizeof bits);
  unsigned e = static_cast<unsigned>(bits >> 52 & 0x7ff) - 1023u;  // the exponent; huge below 1 and for NaN
  if (e >= 31) return 0;
  uint64_t mantissa = bits << 11 | 1ull << 63;  // the leading one made explicit, at the top
  if (mantissa << e << 1) return 0;             // a fraction is left once the integer bits go
  uint32_t k = static_cast<uint32_t>(mantissa >> (63 - e));
  return static_cast<lu_hash>(bits >> 63 ? 0u - k : k);
}

typedef TObject *StkId;  // index to stack elements

// Tests and accessors.
#define ttype(o) ((o)->tt)
#define ttisnil(o) (ttype(o) == LUA_TNIL)
#define ttisnumber(o) (ttype(o) == LUA_TNUMBER)
#define ttisstring(o) (ttype(o) == LUA_TSTRING)
#define ttiswstring(o) (ttype(o) == LUA_TWSTRING)
#define ttistable(o) (ttype(o) == LUA_TTABLE)
#define ttisfunction(o) (ttype(o) == LUA_TFUNCTION)
#define ttisboolean(o) (ttype(o) == LUA_TBOOLEAN)
#define ttisuserdata(o) (ttype(o) == LUA_TUSERDATA)
#define ttisthread(o) (ttype(o) == LUA_TTHREAD)
#define ttislightuserdata(o) (ttype(o) == LUA_TLIGHTUSERDATA)

#define gcvalue(o) ((o)->value.gc)
#define pvalue(o) ((o)->value.p)
#define nvalue(o) ((o)->value.n)
#define tsvalue(o) (&(o)->value.gc->ts)
#define uvalue(o) (&(o)->value.gc->u)
#define clvalue(o) (&(o)->value.gc->cl)
#define hvalue(o) (&(o)->value.gc->h)
#define bvalue(o) ((o)->value.b)
#define thvalue(o) (&(o)->value.gc->th)

#define l_isfalse(o) (ttisnil(o) || (ttisboolean(o) && bvalue(o) == 0))

// Setters. Every setter writes a whole tag word; the "2s"/"2n"/"2t" forms of the classic design
// are all the same here and kept as plain setobj.
#define setnvalue(obj, x) do { TObject *i_o = (obj); settagword(i_o, maketag(LUA_TNUMBER)); i_o->value.n = (x); } while (0)
// A number with its hint (TObject), for values that index arrays again and again.
#define sethintednvalue(obj, x) do { TObject *i_o = (obj); lua_Number i_n = (x); settagword(i_o, maketag(LUA_TNUMBER, luaO_numhint(i_n))); i_o->value.n = i_n; } while (0)
#define setpvalue(obj, x) do { TObject *i_o = (obj); settagword(i_o, maketag(LUA_TLIGHTUSERDATA)); i_o->value.p = (x); } while (0)
#define setbvalue(obj, x) do { TObject *i_o = (obj); settagword(i_o, maketag(LUA_TBOOLEAN)); i_o->value.b = (x); } while (0)
// Strings (narrow or wide, by the object's own tag) carry their hash in the tag word.
#define setanystrvalue(obj, x) do { TObject *i_o = (obj); TString *i_s = (x); settagword(i_o, maketag(i_s->tt, i_s->hash)); i_o->value.gc = (GCObject *)i_s; } while (0)
#define setsvalue(obj, x) do { TObject *i_o = (obj); TString *i_s = (x); settagword(i_o, maketag(LUA_TSTRING, i_s->hash)); i_o->value.gc = (GCObject *)i_s; } while (0)
#define setwsvalue(obj, x) do { TObject *i_o = (obj); TString *i_s = (x); settagword(i_o, maketag(LUA_TWSTRING, i_s->hash)); i_o->value.gc = (GCObject *)i_s; } while (0)
#define setuvalue(obj, x) do { TObject *i_o = (obj); settagword(i_o, maketag(LUA_TUSERDATA)); i_o->value.gc = (GCObject *)(x); } while (0)
#define setthvalue(obj, x) do { TObject *i_o = (obj); settagword(i_o, maketag(LUA_TTHREAD)); i_o->value.gc = (GCObject *)(x); } while (0)
#define setclvalue(obj, x) do { TObject *i_o = (obj); settagword(i_o, maketag(LUA_TFUNCTION)); i_o->value.gc = (GCObject *)(x); } while (0)
#define sethvalue(obj, x) do { TObject *i_o = (obj); settagword(i_o, maketag(LUA_TTABLE)); i_o->value.gc = (GCObject *)(x); } while (0)
#define setptvalue(obj, x) do { TObject *i_o = (obj); settagword(i_o, maketag(LUA_TPROTO)); i_o->value.gc = (GCObject *)(x); } while (0)
#define setnilvalue(obj) settagword((obj), maketag(LUA_TNIL))
// Field by field: a value just written by a setter (tag word and payload stored apart) is read
// back by loads the processor can forward from those stores; one 16-byte load would stall on them.
#define setobj(obj1, obj2) \
  do { const TObject *o2 = (obj2); TObject *o1 = (obj1); uint64_t t2 = tagword(o2); Value v2 = o2->value; settagword(o1, t2); o1->value = v2; } while (0)

#define setobjs2s setobj
#define setobj2s setobj
#define setsvalue2s setsvalue
#define setptvalue2s setptvalue
#define setobjt2t setobj
#define setobj2t setobj
#define setobj2n setobj
#define setsvalue2n setsvalue

#define iscollectable(o) (ttype(o) >= LUA_TSTRING)

// String or wide string: one layout. For LUA_TSTRING `len` counts bytes and the text is
// followed by a zero byte; for LUA_TWSTRING it counts 16-bit units followed by a zero unit.
// `reserved` numbers the lexer's reserved words (never set for wide strings).
struct TString {
  CommonHeader;
  lu_byte reserved;
  lu_hash hash;
  size_t len;
};
#define getstr(ts) ((char *)((ts) + 1))
#define getwstr(ts) ((lua_WChar *)((ts) + 1))
#define svalue(o) getstr(tsvalue(o))
#define wsvalue(o) getwstr(tsvalue(o))

// Full userdata: the stored length is the requested size rounded up to even; a boxed pointer
// (lua_boxpointer) stores length 1 and the pointer in its payload.
struct Udata {
  CommonHeader;
  struct Table *metatable;
  size_t len;
};
#define getudata(u) ((void *)((u) + 1))

// Function prototypes.
struct LocVar {
  TString *varname;
  int startpc;  // first point where variable is active
  int endpc;    // first point where variable is dead
};

// One instruction of the code the interpreter runs (vm_code.h): operands it would otherwise
// decode at every pass, ready to add to a pointer.
struct RunInstruction {
  Instruction code;  // the standard word (a specialised form's opcode and constant indexes)
  uint16_t a;        // A as a byte offset into the registers
  uint16_t b, c;     // a specialised form's B and C as byte offsets into the registers or constants
  uint8_t form;      // an arithmetic form's operation and constant operands, a table write's constant value (vm_code.h)
  uint8_t chain;     // the first of a chain of arithmetic forms: how the next take its result
  int32_t jump;      // a jump's offset (JMP, FORLOOP, TFORPREP)
};
static_assert(sizeof(RunInstruction) == 16, "run-time instructions stay 16 bytes");

struct Proto {
  CommonHeader;
  TObject *k;          // constants used by the function
  Instruction *code;
  // The code as the interpreter runs it (see vm_code.h): one instruction for each of `code',
  // so pcs, line info and messages are the same for both.
  RunInstruction *runcode;
  struct Proto **p;    // functions defined inside the function
  int *lineinfo;       // map from opcodes to source lines
  LocVar *locvars;     // information about local variables
  TString **upvalues;  // upvalue names
  TString *source;
  int sizeupvalues;
  int sizek;           // size of `k'
  int sizecode;
  int sizelineinfo;
  int sizep;           // size of `p'
  int sizelocvars;
  int lineDefined;
  GCObject *gclist;
  lu_byte nups;        // number of upvalues
  lu_byte numparams;
  lu_byte is_vararg;
  lu_byte maxstacksize;
};

// Upvalues: `v' points into the stack while open, to `value' once closed.
struct UpVal {
  CommonHeader;
  TObject *v;
  TObject value;
};

// Closures.
// `nounwind' (C functions): the function holds nothing that needs C++ unwinding while it
// calls back or raises an error, so an error may jump over its frame (see luaD_throw).
#define ClosureHeader CommonHeader; lu_byte isC; lu_byte nupvalues; lu_byte nounwind; GCObject *gclist

struct CClosure {
  ClosureHeader;
  lua_CFunction f;
  TObject upvalue[1];
};

struct LClosure {
  ClosureHeader;
  struct Proto *p;
  TObject g;  // table of globals
  UpVal *upvals[1];
};

union Closure {
  CClosure c;
  LClosure l;
};

#define iscfunction(o) (ttype(o) == LUA_TFUNCTION && clvalue(o)->c.isC)
#define isLfunction(o) (ttype(o) == LUA_TFUNCTION && !clvalue(o)->c.isC)

// Tables.
// A hash node is 32 bytes, half a cache line: the value, then the key, whose spare word after
// its tag holds the chain link as a distance in nodes (0 ends the chain). Big hash parts stay
// in the cache, and a look-up reads one line. Keys are written through setnodekey only, so the
// link is never overwritten by a value copy.
union TKey {
  struct {
    int tt;
    int next;
    Value value;
  } nk;
  TObject tvk;
};

struct Node {
  TObject i_val;
  TKey i_key;
};

// The size bounds let lua_getn answer without walking the table: every array slot above
// `abound' is nil, and no number key of the hash part above `nbound' holds a value. Both only
// rise on writes (a write may store nil: they stay bounds, not exact values) and are lowered
// when lua_getn finds the true position.
struct Table {
  CommonHeader;
  lu_byte flags;      // 1<<p means tagmethod(p) is not present
  lu_byte lsizenode;  // log2 of size of `node' array
  lu_byte fracnums;   // the hash part has (or had) a number key that is not an integer
  lu_byte nodepad;    // bytes skipped at the start of the node block to align `node'
  struct Table *metatable;  // never null
  TObject *array;
  Node *node;
  Node *firstfree;    // this position is free; all positions after it are full
  GCObject *gclist;
  int sizearray;
  int abound;         // no array slot above this position holds a value
  int numkeys;        // hash nodes whose key is a number (with a value or not)
  int nodemask;       // sizenode - 1, ready for the look-ups by string
  lua_Number nbound;  // no number key above this in the hash part holds a value (>= 0)
};

#define lmod(s, size) ((int)((s) & ((size) - 1)))
#define twoto(x) (1 << (x))
#define sizenode(t) (twoto((t)->lsizenode))
#define sizearray(t) ((t)->sizearray)

// The one shared nil.
extern const TObject luaO_nilobject;

#define ceillog2(x) (luaO_log2((x) - 1) + 1)

int luaO_log2(unsigned int x);
int luaO_int2fb(unsigned int x);
#define fb2int(x) (((x) & 7) << ((x) >> 3))

int luaO_rawequalObj(const TObject *t1, const TObject *t2);

// Decimal text to number (optional blanks, sign, digits, point, exponent, trailing blanks);
// returns 0 when the text is not a numeral. Independent of locale and C-library extensions.
int luaO_str2d(const char *s, lua_Number *result);
// The wide-string numeral rules (hexadecimal with fraction and binary exponent, or decimal).
int luaO_wstr2d(const lua_WChar *s, size_t len, lua_Number *result);
// "%.14g" into buff (at least 32 bytes); returns the length.
int luaO_num2str(lua_Number n, char *buff);
// Saturating conversion of a number to a C int (NaN gives 0).
int luaO_num2int(lua_Number n);
// Truncation toward zero to 64 bits, NaN and out-of-range values giving 0 (bit operators).
int64_t luaO_num2int64(lua_Number n);

// Formats into a new string pushed on the stack. Knows %d, %s, %f (a lua_Number, as "%.14g"),
// %c, %p and %%.
const char *luaO_pushvfstring(lua_State *L, const char *fmt, va_list argp);
const char *luaO_pushfstring(lua_State *L, const char *fmt, ...);

// Chunk name for messages (the bracketed string form, shortened to bufflen).
void luaO_chunkid(char *out, const char *source, int len);
