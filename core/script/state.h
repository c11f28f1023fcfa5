// The global state shared by a script state's threads, the per-thread state (stack and call
// records), and the union of all collectable objects.
#pragma once

#include "core/script/object.h"
#include "core/script/metamethods.h"
#include "core/script/stream.h"

// Extra stack space to handle metamethod calls and some other extras.
#define EXTRA_STACK 5
#define BASIC_CI_SIZE 8
#define BASIC_STACK_SIZE (2 * LUA_MINSTACK)

struct stringtable {
  GCObject **hash;
  lu_hash nuse;  // number of elements
  int size;
};

// Call-record flags.
#define CIST_C 1       // the function is a C function
#define CIST_FRESH 2   // a Lua function entered from C (luaV_execute returns at its RETURN)
#define CIST_YIELD 4   // a C function that yielded
#define CIST_TAIL 8    // a Lua function entered by a tail call

// Information about a call.
struct CallInfo {
  StkId func;   // function slot
  StkId base;   // base for this function
  StkId top;    // top for this function
  const RunInstruction *savedpc;  // Lua functions: next instruction (of the run-time code)
  int nresults; // expected number of results from this function
  int tailcalls; // number of tail calls lost under this entry
  int flags;
};

#define ci_func(ci) (clvalue((ci)->func))
#define isLua(ci) (!((ci)->flags & CIST_C))

typedef void *(*lua_Alloc)(void *ud, void *ptr, size_t osize, size_t nsize);

// Global state, shared by all threads of a state.
struct global_State {
  stringtable strt;        // hash table for strings and wide strings
  lua_Alloc frealloc;      // allocation function
  void *ud;                // its user value
  GCObject *rootgc;        // list of collectable objects other than strings and userdata
  GCObject *rootudata;     // list of userdata
  GCObject *tmudata;       // userdata waiting for finalisation
  Mbuffer buff;            // temporary buffer for string concatenation
  lu_mem GCthreshold;
  lu_mem nblocks;          // number of `bytes' currently allocated
  lu_mem memlimit;         // the budget nblocks may not pass: a growth past it is a memory error
  lua_CFunction panic;     // called on unprotected errors
  TObject _registry;
  TObject _defaultmeta;    // an empty table that is its own metatable
  TObject _typemeta[NUM_TAGS];  // per-type tables, by tag (slot 0 stays nil)
  struct lua_State *mainthread;
  Node dummynode[1];       // common node array for all empty tables
  TString *tmname[TM_N];   // array with tag-method names
  TString *nname;          // "n", the size field of tables (fixed)
  Table *sizes;            // the auxiliary library's weak table of sizes once made (the registry holds it)
  int sizesHint;           // the node of `sizes' where a table was last found (checked before use)
  int nCresume;            // nested lua_resume calls (they nest on the C stack)
  lua_NativeObserver nativeobserver;  // see lua_setnativeobserver; null: off
};

#define registry(L) (&G(L)->_registry)
#define defaultmeta(L) (&G(L)->_defaultmeta)
#define typemeta(L, tag) (&G(L)->_typemeta[tag])
#define hvalue_defaultmeta(L) hvalue(defaultmeta(L))

// Per-thread state.
struct lua_State {
  CommonHeader;
  StkId top;          // first free slot in the stack
  StkId base;         // base of current function
  global_State *l_G;
  CallInfo *ci;       // call info for current function
  StkId stack_last;   // last free slot in the stack
  StkId stack;        // stack base
  int stacksize;
  CallInfo *end_ci;   // points after end of ci array
  CallInfo *base_ci;  // array of CallInfo's
  unsigned short size_ci;  // size of array `base_ci'
  unsigned short nCcalls;  // number of nested C calls
  unsigned short baseCcalls;  // nested C calls when the running resume began
  lu_byte status;     // 0, or LUA_YIELD while suspended in a yield
  TObject _gt;        // table of globals
  GCObject *openupval; // list of open upvalues in this stack
  GCObject *gclist;
  struct lua_longjmp *errorJmp;  // current protected-call record (see do.h)
  ptrdiff_t errfunc;  // current error handling function (stack index)
  int nunwind;        // frames that need C++ unwinding since the innermost protected call
};

#define LUA_YIELD 1  // thread status while suspended

#define G(L) (L->l_G)
#define gt(L) (&L->_gt)

// Union of all collectable objects.
union GCObject {
  GCheader gch;
  TString ts;
  Udata u;
  Closure cl;
  Table h;
  Proto p;
  UpVal uv;
  lua_State th;
};

#define gcotots(o) (&(o)->ts)
#define gcotou(o) (&(o)->u)
#define gcotocl(o) (&(o)->cl)
#define gcotoh(o) (&(o)->h)
#define gcotop(o) (&(o)->p)
#define gcotouv(o) (&(o)->uv)
#define ngcotouv(o) (&(o)->uv)
#define gcototh(o) (&(o)->th)
#define valtogco(v) ((GCObject *)(v))

// Each state's allocation budget: the setting "scriptmemorymb" (megabytes) within these bounds,
// read when the state opens. A growth past it fails with the memory error ("not enough memory").
constexpr int kScriptDefaultMemoryMb = 512;
constexpr int kScriptMinMemoryMb = 4;
constexpr int kScriptMaxMemoryMb = 4095;

// lua_open with another allocation function (the system always uses the default; tests use
// this to make allocations fail).
lua_State *luaE_openwith(lua_Alloc f, void *ud);
lua_State *luaE_newthread(lua_State *L);
void luaE_freethread(lua_State *L, lua_State *L1);
