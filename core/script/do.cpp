// Calls and returns, stack and call-record growth, errors as C++ exceptions, protected calls,
// coroutines and chunk loading.
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>

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

// A protected call active on a thread. Errors reach it in one of two ways. The general one is
// a C++ exception (LuaError), which runs the destructors of every frame in between. When no
// frame in between needs that, a run-time error jumps straight back instead: unwinding an
// exception costs about a microsecond, most of a caught error's price. The frames in between
// are the call records above `ci' (Lua functions, and C functions marked `nounwind') and the
// engine's own C++ frames, which count themselves in L->nunwind when they need unwinding.
struct lua_longjmp {
  lua_longjmp *previous;
  std::jmp_buf b;
  volatile int status;
  ptrdiff_t ci;  // the call record current when the protected call began
};

void luaD_seterrorobj(lua_State *L, int errcode, StkId oldtop) {
  switch (errcode) {
    case LUA_ERRMEM: setsvalue(oldtop, luaS_newliteral(L, MEMERRMSG)); break;
    case LUA_ERRERR: setsvalue(oldtop, luaS_newliteral(L, "error in error handling")); break;
    case LUA_ERRSYNTAX:
    case LUA_ERRRUN: setobj(oldtop, L->top - 1); break;  // error message on current top
    default: setnilvalue(oldtop);
  }
  L->top = oldtop + 1;
}

// Whether an error may jump over everything between here and the protected call.
static bool canjump(lua_State *L) {
  if (L->nunwind != 0) return false;
  CallInfo *base = restoreci(L, L->errorJmp->ci);
  for (CallInfo *ci = L->ci; ci > base; ci--) {
    if (!isLua(ci) && !clvalue(ci->func)->c.nounwind) return false;
  }
  return true;
}

void luaD_throw(lua_State *L, int errcode) {
  if (L->errorJmp) {
    // Only run-time errors jump: they are raised (luaG_errormsg) where nothing of the
    // raising code needs unwinding; memory and syntax errors may come from inside such code.
    if (errcode == LUA_ERRRUN && canjump(L)) {
      L->errorJmp->status = errcode;
      std::longjmp(L->errorJmp->b, 1);
    }
    throw LuaError{errcode};
  }
  if (G(L)->panic) G(L)->panic(L);
  std::exit(EXIT_FAILURE);
}

int luaD_rawrunprotected(lua_State *L, Pfunc f, void *ud) {
  lua_longjmp lj;
  lj.previous = L->errorJmp;
  lj.status = 0;
  lj.ci = saveci(L, L->ci);
  int oldnunwind = L->nunwind;
  L->nunwind = 0;
  L->errorJmp = &lj;
  try {
    if (setjmp(lj.b) == 0) f(L, ud);
  } catch (const LuaError &e) {
    lj.status = e.status;
  } catch (const std::bad_alloc &) {
    lj.status = LUA_ERRMEM;
  }
  L->errorJmp = lj.previous;
  L->nunwind = oldnunwind;
  return lj.status;
}

static void restore_stack_limit(lua_State *L) {
  if (L->size_ci > LUA_MAXCALLS) {  // there was an overflow?
    int inuse = cast(int, L->ci - L->base_ci);
    if (inuse + 1 < LUA_MAXCALLS)  // can `undo' overflow?
      luaD_reallocCI(L, LUA_MAXCALLS);
  }
}

// Stack and call-record growth.

static void correctstack(lua_State *L, TObject *oldstack) {
  L->top = (L->top - oldstack) + L->stack;
  for (GCObject *up = L->openupval; up != NULL; up = up->gch.next)
    gcotouv(up)->v = (gcotouv(up)->v - oldstack) + L->stack;
  for (CallInfo *ci = L->base_ci; ci <= L->ci; ci++) {
    ci->top = (ci->top - oldstack) + L->stack;
    ci->base = (ci->base - oldstack) + L->stack;
    ci->func = (ci->func - oldstack) + L->stack;
  }
  // Moved, not reset to the frame's base: a yielded state's base marks its yielded values, and
  // the host calls into such a state while its script waits.
  L->base = (L->base - oldstack) + L->stack;
}

void luaD_reallocstack(lua_State *L, int newsize) {
  TObject *oldstack = L->stack;
  int realsize = newsize + 1 + EXTRA_STACK;
  TObject *newstack = luaM_newvector(L, realsize, TObject);
  int used = L->stacksize;
  std::memcpy(newstack, oldstack, sizeof(TObject) * (used < realsize ? used : realsize));
  for (int i = used; i < realsize; i++) setnilvalue(newstack + i);
  luaM_freearray(L, oldstack, L->stacksize, TObject);
  L->stack = newstack;
  L->stacksize = realsize;
  L->stack_last = L->stack + newsize;
  correctstack(L, oldstack);
}

void luaD_reallocCI(lua_State *L, int newsize) {
  CallInfo *oldci = L->base_ci;
  luaM_reallocvector(L, L->base_ci, L->size_ci, newsize, CallInfo);
  L->size_ci = cast(unsigned short, newsize);
  L->ci = (L->ci - oldci) + L->base_ci;
  L->end_ci = L->base_ci + L->size_ci;
}

void luaD_growstack(lua_State *L, int n) {
  if (n <= L->stacksize)  // double size is enough?
    luaD_reallocstack(L, 2 * L->stacksize);
  else
    luaD_reallocstack(L, L->stacksize + n + EXTRA_STACK);
}

static void luaD_growCI(lua_State *L) {
  if (L->size_ci > LUA_MAXCALLS)  // overflow while handling overflow?
    luaD_throw(L, LUA_ERRERR);
  luaD_reallocCI(L, 2 * L->size_ci);
  if (L->size_ci > LUA_MAXCALLS) luaG_runerror(L, "stack overflow");
}

static inline CallInfo *next_ci(lua_State *L) {
  if (L->ci + 1 == L->end_ci) luaD_growCI(L);
  return ++L->ci;
}

// Collects the extra arguments of a vararg function into the table `arg' (with field n).
static void adjust_varargs(lua_State *L, int nfixargs, StkId base) {
  int actual = cast(int, L->top - base);  // actual number of arguments
  if (actual < nfixargs) {
    luaD_checkstack(L, nfixargs - actual);
    for (; actual < nfixargs; ++actual) setnilvalue(L->top++);
  }
  actual -= nfixargs;  // number of extra arguments
  Table *htab = luaH_new(L, actual, 1);  // create `arg' table
  for (int i = 0; i < actual; i++)  // put extra arguments into `arg' table
    setobj(luaH_setnum(L, htab, i + 1), L->top - actual + i);
  TObject nname;
  setsvalue(&nname, G(L)->nname);
  setnvalue(luaH_set(L, htab, &nname), cast(lua_Number, actual));
  L->top -= actual;  // remove extra elements from the stack
  sethvalue(L->top, htab);
  incr_top(L);
}

// A non-function value with a "__call" metamethod: the method is called with the value first.
static StkId tryfuncTM(lua_State *L, StkId func) {
  const TObject *tm = luaT_gettmbyobj(L, func, TM_CALL);
  ptrdiff_t funcr = savestack(L, func);
  if (!ttisfunction(tm)) luaG_typeerror(L, func, "call");
  // Open a hole inside the stack at `func'
  luaD_checkstack(L, 1);
  func = restorestack(L, funcr);
  for (StkId p = L->top; p > func; p--) setobj(p, p - 1);
  L->top++;
  setobj(func, tm);  // tag method is the new function to be called
  return func;
}

int luaD_precall(lua_State *L, StkId func, int nresults) {
  if (!ttisfunction(func)) func = tryfuncTM(L, func);  // `func' is not a function?
  Closure *cl = clvalue(func);
  if (!cl->c.isC) {  // Lua function? prepare its call
    Proto *p = cl->l.p;
    ptrdiff_t funcr = savestack(L, func);
    luaD_checkstack(L, p->maxstacksize);
    func = restorestack(L, funcr);
    if (p->is_vararg) {  // varargs?
      adjust_varargs(L, p->numparams, func + 1);
      func = restorestack(L, funcr);
    }
    StkId base = func + 1;
    CallInfo *ci = next_ci(L);
    ci->func = func;
    ci->base = base;
    L->base = base;
    ci->top = base + p->maxstacksize;
    ci->savedpc = p->runcode;
    ci->nresults = nresults;
    ci->tailcalls = 0;
    ci->flags = 0;
    StkId st = L->top;
    while (st < ci->top) setnilvalue(st++);
    L->top = ci->top;
    return 0;
  }
  // C function: call it
  ptrdiff_t funcr = savestack(L, func);
  luaD_checkstack(L, LUA_MINSTACK);  // ensure minimum stack size
  CallInfo *ci = next_ci(L);
  ci->func = restorestack(L, funcr);
  L->base = ci->base = ci->func + 1;
  ci->top = L->top + LUA_MINSTACK;
  ci->nresults = nresults;
  ci->tailcalls = 0;
  ci->flags = CIST_C;
  ci->savedpc = NULL;
  if (G(L)->nativeobserver) luaG_observenativecall(L, ci);
  int n = (*clvalue(ci->func)->c.f)(L);  // do the actual call
  if (n < 0) return 2;  // yielding
  luaD_poscall(L, nresults, L->top - n);
  return 1;
}

void luaD_poscall(lua_State *L, int wanted, StkId firstResult) {
  CallInfo *ci = L->ci;
  StkId res = ci->func;  // res == final position of 1st result
  L->ci = ci - 1;
  L->base = L->ci->base;  // restore base
  if (wanted == LUA_MULTRET) {
    while (firstResult < L->top) setobj(res++, firstResult++);
  } else {
    while (wanted != 0 && firstResult < L->top) {
      setobj(res++, firstResult++);
      wanted--;
    }
    while (wanted-- > 0) setnilvalue(res++);
  }
  L->top = res;
}

void luaD_call(lua_State *L, StkId func, int nResults) {
  if (++L->nCcalls >= LUA_MAXCCALLS) {
    if (L->nCcalls == LUA_MAXCCALLS)
      luaG_runerror(L, "C stack overflow");
    else if (L->nCcalls >= (LUA_MAXCCALLS + (LUA_MAXCCALLS >> 3)))
      luaD_throw(L, LUA_ERRERR);  // error while handling stack error
  }
  if (luaD_precall(L, func, nResults) == 0) {  // is a Lua function?
    L->ci->flags |= CIST_FRESH;
    luaV_execute(L);  // call it
  }
  L->nCcalls--;
}

int luaD_pcall(lua_State *L, Pfunc func, void *u, ptrdiff_t old_top, ptrdiff_t ef) {
  unsigned short oldnCcalls = L->nCcalls;
  ptrdiff_t old_ci = saveci(L, L->ci);
  ptrdiff_t old_errfunc = L->errfunc;
  L->errfunc = ef;
  int status = luaD_rawrunprotected(L, func, u);
  if (status != 0) {  // an error occurred?
    StkId oldtop = restorestack(L, old_top);
    luaF_close(L, oldtop);  // close eventual pending closures
    luaD_seterrorobj(L, status, oldtop);
    L->nCcalls = oldnCcalls;
    L->ci = restoreci(L, old_ci);
    L->base = L->ci->base;
    restore_stack_limit(L);
  }
  L->errfunc = old_errfunc;
  return status;
}

// Coroutines.

static void resume(lua_State *L, void *ud) {
  int nargs = *cast(int *, ud);
  CallInfo *ci = L->ci;
  if (ci == L->base_ci) {  // start coroutine
    if (luaD_precall(L, L->top - (nargs + 1), LUA_MULTRET) != 0) return;  // C body ran or yielded
    L->ci->flags |= CIST_FRESH;
  } else {  // resuming from a yield of a C function
    ci->flags &= ~CIST_YIELD;
    int wanted = ci->nresults;
    luaD_poscall(L, wanted, L->top - nargs);  // the resume values are its results
    if (wanted >= 0) L->top = L->ci->top;
    if (!isLua(L->ci)) return;
  }
  luaV_execute(L);
}

// Drops the arguments and leaves the message (a running thread's own frame stays intact).
static int resume_error(lua_State *L, const char *msg, int nargs) {
  if (nargs > 0 && L->top - nargs >= L->ci->base) L->top -= nargs;
  setsvalue(L->top, luaS_new(L, msg));
  incr_top(L);
  return LUA_ERRRUN;
}

int lua_resume(lua_State *L, int nargs) {
  if (L->ci == L->base_ci) {
    if (nargs >= L->top - L->base) return resume_error(L, "cannot resume dead coroutine", nargs);
  } else if (!(L->ci->flags & CIST_YIELD)) {  // not inside a yield?
    return resume_error(L, "cannot resume non-suspended coroutine", nargs);
  }
  global_State *g = G(L);
  if (g->nCresume >= LUA_MAXCCALLS) return resume_error(L, "C stack overflow", nargs);
  g->nCresume++;
  L->status = 0;
  L->baseCcalls = L->nCcalls;
  int status = luaD_rawrunprotected(L, resume, &nargs);
  g->nCresume--;
  if (status != 0) {  // error? kill the thread, keep the error object
    TObject err;
    if (status == LUA_ERRMEM) setsvalue(&err, luaS_newliteral(L, MEMERRMSG));
    else if (status == LUA_ERRERR) setsvalue(&err, luaS_newliteral(L, "error in error handling"));
    else setobj(&err, L->top - 1);
    luaF_close(L, L->stack);
    L->ci = L->base_ci;
    L->base = L->ci->base;
    L->nCcalls = 0;
    L->top = L->base;
    setobj(L->top, &err);
    L->top++;
  } else if (L->ci->flags & CIST_YIELD) {
    L->status = LUA_YIELD;
  }
  return status;
}

int lua_yield(lua_State *L, int nresults) {
  CallInfo *ci = L->ci;
  if (L->nCcalls > L->baseCcalls)
    luaG_runerror(L, "attempt to yield across metamethod/C-call boundary");
  if (ci == L->base_ci || !isLua(ci - 1)) luaG_runerror(L, "cannot yield a C function");
  ci->flags |= CIST_YIELD;
  // The yielded values are the frame the resumer sees, and stay so while the host calls into
  // the waiting state (every return restores the frame's base).
  L->base = ci->base = L->top - nresults;
  return -1;
}

// Chunk loading.

struct SParser {
  ZIO *z;
  Mbuffer buff;  // buffer to be used by the scanner
  int bin;
};

static void f_parser(lua_State *L, void *ud) {
  SParser *p = cast(SParser *, ud);
  L->nunwind++;  // the lexer and the chunk loader hold buffers that errors must unwind
  luaC_checkGC(L);
  Proto *tf;
  if (p->bin) {
    tf = luaU_undump(L, p->z, &p->buff);
  } else {
    if (luaZ_peek2(p->z) == 0xFEFF) {  // FF FE: 16-bit little-endian source
      zgetc(p->z);
      zgetc(p->z);
      p->z->wide = 1;
    }
    tf = luaY_parser(L, p->z, &p->buff);
  }
  setptvalue(L->top, tf);  // anchor the prototype while the closure is made
  incr_top(L);
  Closure *cl = luaF_newLclosure(L, tf->nups, gt(L));
  cl->l.p = tf;
  // A main function never has upvalues from source; a precompiled one that declares some gets
  // fresh closed ones holding nil rather than reading unset slots.
  for (int i = 0; i < tf->nups; i++) {
    UpVal *uv = luaM_new(L, UpVal);
    luaC_link(L, valtogco(uv), LUA_TUPVAL);
    setnilvalue(&uv->value);
    uv->v = &uv->value;
    cl->l.upvals[i] = uv;
  }
  setclvalue(L->top - 1, cl);
}

int luaD_protectedparser(lua_State *L, ZIO *z, int bin) {
  SParser p;
  p.z = z;
  p.bin = bin;
  luaZ_initbuffer(L, &p.buff);
  int status = luaD_pcall(L, f_parser, &p, savestack(L, L->top), 0);
  luaZ_freebuffer(L, &p.buff);
  return status;
}
