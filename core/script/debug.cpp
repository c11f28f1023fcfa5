// Error messages with positions and variable names, the debug interface and the static code
// checker that guards precompiled chunks.
#include <cstring>

#include "core/script/debug.h"
#include "core/script/do.h"
#include "core/script/func.h"
#include "core/script/opcodes.h"
#include "core/script/string_table.h"
#include "core/script/table.h"
#include "core/script/vm.h"

static inline Proto *ci_proto(CallInfo *ci) { return ci_func(ci)->l.p; }

static int currentpc(CallInfo *ci) {
  if (!isLua(ci) || ci->savedpc == NULL) return -1;
  return pcRel(ci->savedpc, ci_proto(ci));
}

int luaG_currentline(lua_State *L, CallInfo *ci) {
  (void)L;
  int pc = currentpc(ci);
  if (pc < 0) return -1;
  Proto *p = ci_proto(ci);
  return (p->lineinfo && pc < p->sizelineinfo) ? p->lineinfo[pc] : 0;
}

// Debug interface.

int lua_getstack(lua_State *L, int level, lua_Debug *ar) {
  CallInfo *ci;
  for (ci = L->ci; level > 0 && ci > L->base_ci; ci--) {
    level--;
    if (isLua(ci)) level -= ci->tailcalls;  // skip lost tail calls
  }
  if (level > 0 || ci == L->base_ci) return 0;  // there is no such level
  ar->i_ci = (level < 0) ? 0 : cast(int, ci - L->base_ci);
  return 1;
}

static void funcinfo(lua_Debug *ar, StkId func) {
  Closure *cl = clvalue(func);
  if (cl->c.isC) {
    ar->source = "=[C]";
    ar->linedefined = -1;
    ar->what = "C";
  } else {
    ar->source = cl->l.p->source ? getstr(cl->l.p->source) : "=?";
    ar->linedefined = cl->l.p->lineDefined;
    ar->what = (ar->linedefined == 0) ? "main" : "Lua";
  }
  luaO_chunkid(ar->short_src, ar->source, LUA_IDSIZE);
}

static void info_tailcall(lua_Debug *ar) {
  ar->name = ar->namewhat = "";
  ar->what = "tail";
  ar->linedefined = ar->currentline = -1;
  ar->source = "=(tail call)";
  luaO_chunkid(ar->short_src, ar->source, LUA_IDSIZE);
  ar->nups = 0;
}

static const char *getfuncname(CallInfo *ci, const char **name);

int lua_getinfo(lua_State *L, const char *what, lua_Debug *ar) {
  StkId f = NULL;
  CallInfo *ci = NULL;
  int status = 1;
  bool pushfunc = false;
  if (*what == '>') {
    f = L->top - 1;
    if (!ttisfunction(f)) luaG_runerror(L, "value for `lua_getinfo' is not a function");
    what++;
    L->top--;
  } else if (ar->i_ci != 0) {
    ci = L->base_ci + ar->i_ci;
    f = ci->func;
  }
  for (; *what; what++) {
    switch (*what) {
      case 'S':
        if (f == NULL) info_tailcall(ar);
        else funcinfo(ar, f);
        break;
      case 'l': ar->currentline = (ci) ? luaG_currentline(L, ci) : -1; break;
      case 'u': ar->nups = (f == NULL) ? 0 : clvalue(f)->c.nupvalues; break;
      case 'n':
        ar->namewhat = (ci) ? getfuncname(ci, &ar->name) : NULL;
        if (ar->namewhat == NULL) {
          ar->namewhat = "";
          ar->name = NULL;
        }
        break;
      case 'f': pushfunc = true; break;
      default: status = 0;  // invalid option
    }
  }
  // Pushed last: the push may move the stack, and `f' points into it.
  if (pushfunc) {
    if (f == NULL) setnilvalue(L->top);
    else setobj(L->top, f);
    incr_top(L);
  }
  return status;
}

static const char *findlocal(lua_State *L, const lua_Debug *ar, int n, StkId *pos) {
  if (ar->i_ci == 0) return NULL;
  CallInfo *ci = L->base_ci + ar->i_ci;
  if (!isLua(ci)) return NULL;
  const char *name = luaF_getlocalname(ci_proto(ci), n, currentpc(ci));
  if (name) *pos = ci->base + (n - 1);
  return name;
}

const char *lua_getlocal(lua_State *L, const lua_Debug *ar, int n) {
  StkId pos = NULL;
  const char *name = findlocal(L, ar, n, &pos);
  if (name) {
    setobj(L->top, pos);
    incr_top(L);
  }
  return name;
}

const char *lua_setlocal(lua_State *L, const lua_Debug *ar, int n) {
  StkId pos = NULL;
  const char *name = findlocal(L, ar, n, &pos);
  L->top--;  // pop value
  if (name) {
    setobj(pos, L->top);
    // A number set from outside comes without a hint: a for loop that keeps none writes only
    // the number of its index (vm_code.h), so a hint here would go stale.
    if (ttisnumber(pos)) pos->tx = 0;
  }
  return name;
}

// Static code checker.

#define check(x) \
  do { \
    if (!(x)) return 0; \
  } while (0)

static int precheck(const Proto *pt) {
  check(pt->maxstacksize <= MAXSTACK);
  check(pt->numparams + pt->is_vararg <= pt->maxstacksize);
  check(pt->sizelineinfo == pt->sizecode || pt->sizelineinfo == 0);
  check(pt->sizeupvalues == pt->nups || pt->sizeupvalues == 0);
  check(pt->sizecode > 0 && GET_OPCODE(pt->code[pt->sizecode - 1]) == OP_RETURN);
  return 1;
}

static inline int checkreg(const Proto *pt, int reg) { return reg < pt->maxstacksize; }

static int checkRK(const Proto *pt, int r) {
  return ISK(r) ? INDEXK(r) < pt->sizek : checkreg(pt, r);
}

// Whether the instruction before pc leaves an open result count on the stack top (a call with
// C 0) whose results start at register minA or above, so the stack top cannot lie below it.
static int openresult(const Proto *pt, int pc, int minA) {
  if (pc <= 0) return 0;
  Instruction prev = pt->code[pc - 1];
  OpCode op = GET_OPCODE(prev);
  return (op == OP_CALL || op == OP_TAILCALL) && GETARG_C(prev) == 0 && GETARG_A(prev) >= minA;
}

int luaG_checkcode(const Proto *pt) {
  check(precheck(pt));
  for (int pc = 0; pc < pt->sizecode; pc++) {
    const Instruction i = pt->code[pc];
    int op = i & 0x3F;
    check(op < NUM_OPCODES);
    OpCode o = static_cast<OpCode>(op);
    int a = GETARG_A(i);
    int b = 0, c = 0;
    if (o != OP_EQ && o != OP_LT && o != OP_LE && o != OP_JMP) check(checkreg(pt, a));
    switch (getOpMode(o)) {
      case iABC: {
        b = GETARG_B(i);
        c = GETARG_C(i);
        if (testOpMode(o, OpModeBreg)) check(checkreg(pt, b));
        if (testOpMode(o, OpModeBrk)) check(checkRK(pt, b));
        if (testOpMode(o, OpModeCrk)) check(checkRK(pt, c));
        break;
      }
      case iABx: {
        b = GETARG_Bx(i);
        if (testOpMode(o, OpModeK)) check(b < pt->sizek);
        break;
      }
      case iAsBx: {
        b = GETARG_sBx(i);
        break;
      }
      default: return 0;
    }
    if (testOpMode(o, OpModeT)) {
      check(pc + 2 < pt->sizecode);  // check skip
      check(GET_OPCODE(pt->code[pc + 1]) == OP_JMP);
    }
    switch (o) {
      case OP_LOADBOOL: {
        // The machine skips for any non-zero C, so the skip must stay inside for all of them.
        if (c != 0) check(pc + 2 < pt->sizecode);
        break;
      }
      case OP_LOADNIL: {
        check(a <= b);
        break;
      }
      case OP_GETUPVAL:
      case OP_SETUPVAL: {
        check(b < pt->nups);
        break;
      }
      case OP_GETGLOBAL:
      case OP_SETGLOBAL: {
        check(ttisstring(&pt->k[b]));
        break;
      }
      case OP_SELF: {
        check(checkreg(pt, a + 1));
        break;
      }
      case OP_CONCAT: {
        check(c < MAXSTACK && checkreg(pt, c));
        check(b < c);  // at least two operands
        break;
      }
      case OP_JMP:
      case OP_FORLOOP:
      case OP_TFORPREP: {
        int dest = pc + 1 + b;
        check(0 <= dest && dest < pt->sizecode);
        if (o == OP_FORLOOP) check(checkreg(pt, a + 2));
        if (o == OP_TFORPREP) check(checkreg(pt, a + 1));
        break;
      }
      case OP_TFORLOOP: {
        check(checkreg(pt, a + c + 5));
        break;
      }
      case OP_CALL:
      case OP_TAILCALL: {
        if (b != 0) check(checkreg(pt, a + b - 1));
        else check(openresult(pt, pc, a + 1));
        c--;  // c = number of returns
        if (c != LUA_MULTRET) check(c == 0 || checkreg(pt, a + c - 1));
        if (o == OP_TAILCALL) check(pc + 1 < pt->sizecode && GET_OPCODE(pt->code[pc + 1]) == OP_RETURN);
        break;
      }
      case OP_RETURN: {
        b--;  // b = number of returns
        if (b > 0) check(checkreg(pt, a + b - 1));
        if (b < 0) check(openresult(pt, pc, a));
        break;
      }
      case OP_SETLIST: {
        check(checkreg(pt, a + (b & (LFIELDS_PER_FLUSH - 1)) + 1));
        break;
      }
      case OP_SETLISTO: {
        check(openresult(pt, pc, a + 1));
        break;
      }
      case OP_CLOSURE: {
        check(b < pt->sizep);
        const Proto *np = pt->p[b];
        check(np != NULL);
        int nup = np->nups;
        check(pc + nup < pt->sizecode);
        for (int j = 1; j <= nup; j++) {
          Instruction u = pt->code[pc + j];
          OpCode uo = GET_OPCODE(u);
          check(uo == OP_GETUPVAL || uo == OP_MOVE);
          check(checkreg(pt, GETARG_A(u)));  // harmless should a jump land on it
          if (uo == OP_GETUPVAL) check(GETARG_B(u) < pt->nups);
          else check(checkreg(pt, GETARG_B(u)));
        }
        pc += nup;  // the pseudo-instructions are not run
        break;
      }
      default: break;
    }
  }
  return 1;
}

// Names of values in messages.

static const char *kname(const Proto *p, int c) {
  if (ISK(c) && INDEXK(c) < p->sizek && ttisstring(&p->k[INDEXK(c)])) return svalue(&p->k[INDEXK(c)]);
  return "?";
}

// The last instruction before lastpc that sets register reg, following forward jumps that
// stay before lastpc, or -1.
static int findsetreg(const Proto *p, int lastpc, int reg) {
  int setreg = -1;
  for (int pc = 0; pc < lastpc && pc < p->sizecode; pc++) {
    Instruction i = p->code[pc];
    OpCode op = GET_OPCODE(i);
    int a = GETARG_A(i);
    switch (op) {
      case OP_LOADNIL:
        if (a <= reg && reg <= GETARG_B(i)) setreg = pc;
        break;
      case OP_TFORLOOP:
        if (reg >= a + 2) setreg = pc;
        break;
      case OP_CALL:
      case OP_TAILCALL:
        if (reg >= a) setreg = pc;
        break;
      case OP_JMP: {
        int dest = pc + 1 + GETARG_sBx(i);
        if (pc < dest && dest <= lastpc) pc = dest - 1;  // follow forward jumps
        break;
      }
      case OP_CLOSURE: {
        int b = GETARG_Bx(i);
        if (a == reg) setreg = pc;
        if (b < p->sizep) pc += p->p[b]->nups;
        break;
      }
      case OP_SELF:
        if (reg == a || reg == a + 1) setreg = pc;
        break;
      default:
        if (op < NUM_OPCODES && testOpMode(op, OpModesetA) && reg == a) setreg = pc;
        break;
    }
  }
  return setreg;
}

static const char *getobjname(CallInfo *ci, int stackpos, const char **name, int depth = 0) {
  if (!isLua(ci) || depth > 16) return NULL;
  Proto *p = ci_proto(ci);
  int pc = currentpc(ci);
  *name = luaF_getlocalname(p, stackpos + 1, pc);
  if (*name) return "local";
  int setpc = findsetreg(p, pc, stackpos);
  if (setpc < 0) return NULL;
  Instruction i = p->code[setpc];
  switch (GET_OPCODE(i)) {
    case OP_GETGLOBAL: {
      int g = GETARG_Bx(i);
      if (g < p->sizek && ttisstring(&p->k[g])) {
        *name = svalue(&p->k[g]);
        return "global";
      }
      return NULL;
    }
    case OP_MOVE: {
      int a = GETARG_A(i);
      int b = GETARG_B(i);
      if (b < a) return getobjname(ci, b, name, depth + 1);  // get name for `b'
      break;
    }
    case OP_GETTABLE: {
      *name = kname(p, GETARG_C(i));
      return "field";
    }
    case OP_SELF: {
      if (stackpos != GETARG_A(i)) return NULL;
      *name = kname(p, GETARG_C(i));
      return "method";
    }
    default: break;
  }
  return NULL;
}

static const char *getfuncname(CallInfo *ci, const char **name) {
  if (isLua(ci) && ci->tailcalls > 0) return NULL;
  if (ci->flags & CIST_TAIL) return NULL;
  CallInfo *caller = ci - 1;
  if (!isLua(caller)) return NULL;
  int pc = currentpc(caller);
  if (pc < 0) return NULL;
  Instruction i = ci_proto(caller)->code[pc];
  OpCode op = GET_OPCODE(i);
  if (op != OP_CALL && op != OP_TAILCALL && op != OP_TFORLOOP) return NULL;
  return getobjname(caller, GETARG_A(i), name);
}

void luaG_observenativecall(lua_State *L, CallInfo *ci) {
  if (!isLua(ci - 1)) return;  // a call from native code, not from a script
  const char *name = NULL;
  const char *kind = getfuncname(ci, &name);
  if (!kind || strcmp(kind, "global") != 0) name = NULL;
  G(L)->nativeobserver(L, LUA_NATIVECALLED, name, clvalue(ci->func));
}

void lua_setnativeobserver(lua_State *L, lua_NativeObserver observer) { G(L)->nativeobserver = observer; }

static int isinstack(CallInfo *ci, const TObject *o) {
  for (StkId p = ci->base; p < ci->top; p++)
    if (o == p) return 1;
  return 0;
}

void luaG_typeerror(lua_State *L, const TObject *o, const char *op) {
  const char *name = NULL;
  const char *t = luaT_typenames[ttype(o)];
  const char *kind = (isinstack(L->ci, o)) ? getobjname(L->ci, cast(int, o - L->base), &name) : NULL;
  if (kind)
    luaG_runerror(L, "attempt to %s %s `%s' (a %s value)", op, kind, name, t);
  else
    luaG_runerror(L, "attempt to %s a %s value", op, t);
}

// Names the second operand only when the first is a narrow string (a number on the left has
// been turned into one by then); a wide string on the left is itself the culprit.
void luaG_concaterror(lua_State *L, StkId p1, StkId p2) {
  if (ttisstring(p1)) p1 = p2;
  luaG_typeerror(L, p1, "concatenate");
}

void luaG_aritherror(lua_State *L, const TObject *p1, const TObject *p2) {
  TObject temp;
  if (luaV_tonumber(p1, &temp) == NULL) p2 = p1;  // first operand is wrong?
  luaG_typeerror(L, p2, "perform arithmetic on");
}

void luaG_ordererror(lua_State *L, const TObject *p1, const TObject *p2) {
  const char *t1 = luaT_typenames[ttype(p1)];
  const char *t2 = luaT_typenames[ttype(p2)];
  if (t1[2] == t2[2])
    luaG_runerror(L, "attempt to compare two %s values", t1);
  else
    luaG_runerror(L, "attempt to compare %s with %s", t1, t2);
}

static void addinfo(lua_State *L, const char *msg) {
  CallInfo *ci = L->ci;
  if (isLua(ci)) {  // is Lua code?
    char buff[LUA_IDSIZE];  // add file:line information
    int line = luaG_currentline(L, ci);
    Proto *p = ci_proto(ci);
    luaO_chunkid(buff, p->source ? getstr(p->source) : "=?", LUA_IDSIZE);
    luaO_pushfstring(L, "%s:%d: %s", buff, line, msg);
  }
}

void luaG_errormsg(lua_State *L) {
  if (L->errfunc != 0) {  // is there an error handling function?
    StkId errfunc = restorestack(L, L->errfunc);
    if (!ttisfunction(errfunc)) luaD_throw(L, LUA_ERRERR);
    setobj(L->top, L->top - 1);  // move argument
    setobj(L->top - 1, errfunc);  // push function
    incr_top(L);
    luaD_call(L, L->top - 2, 1);  // call it
  }
  luaD_throw(L, LUA_ERRRUN);
}

void luaG_runerror(lua_State *L, const char *fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  addinfo(L, luaO_pushvfstring(L, fmt, argp));
  va_end(argp);
  luaG_errormsg(L);
}
