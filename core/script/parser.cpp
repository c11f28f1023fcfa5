// Parser: one-pass recursive descent over the lexer's tokens, emitting code as it goes.
#include "core/script/parser.h"

#include <cmath>
#include <cstring>

#include "core/script/code_generator.h"
#include "core/script/do.h"
#include "core/script/func.h"
#include "core/script/mem.h"
#include "core/script/string_table.h"
#include "core/script/table.h"
#include "core/script/vm_code.h"

namespace {

constexpr int kMaxParserLevel = 200;   // nested syntax levels
constexpr int kMaxExpWhile = 100;      // instructions of a `while' condition
constexpr int kMaxLoopLevel = 100;     // loop level after `break' / `continue'
constexpr int kUnaryPriority = 8;
constexpr int kMaxHintArray = 1 << 24;        // array slots a size hint may preset
constexpr int kMaxHintHash = (1 << 24) - 1;   // record fields a size hint may preset

struct Priority {
  lu_byte left, right;
};

// By BinOpr order.
const Priority kPriority[] = {
  {6, 6}, {6, 6}, {7, 7}, {7, 7},  // + - * /
  {8, 8}, {8, 8}, {8, 8}, {8, 8},  // & | << >>
  {10, 9},                         // ^ (right associative)
  {5, 4},                          // .. (right associative)
  {3, 3}, {3, 3}, {3, 3}, {3, 3}, {3, 3}, {3, 3},  // ~= == < <= > >=
  {2, 2}, {1, 1},                  // and or
};

struct LHS_assign {
  LHS_assign* prev;
  expdesc v;
};

struct ConsControl {
  expdesc v;   // last list item read
  expdesc* t;  // table descriptor
  int nh;      // record items
  int na;      // list items
  int tostore; // list items waiting to be stored
};

void Expr(LexState* ls, expdesc* v);
void Chunk(LexState* ls);
void Body(LexState* ls, expdesc* e, bool needself, int line);
void PrimaryExp(LexState* ls, expdesc* v);

void Next(LexState* ls) { luaX_next(ls); }

[[noreturn]] void ErrorExpected(LexState* ls, int token) {
  luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "`%s' expected", luaX_token2str(ls, token)));
}

bool TestNext(LexState* ls, int c) {
  if (ls->t.token != c) return false;
  Next(ls);
  return true;
}

void Check(LexState* ls, int c) {
  if (ls->t.token != c) ErrorExpected(ls, c);
}

void CheckNext(LexState* ls, int c) {
  Check(ls, c);
  Next(ls);
}

void CheckCondition(LexState* ls, bool c, const char* msg) {
  if (!c) luaX_syntaxerror(ls, msg);
}

void CheckMatch(LexState* ls, int what, int who, int where) {
  if (TestNext(ls, what)) return;
  if (where == ls->linenumber) ErrorExpected(ls, what);
  luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "`%s' expected (to close `%s' at line %d)",
                                        luaX_token2str(ls, what), luaX_token2str(ls, who), where));
}

TString* StrCheckName(LexState* ls) {
  Check(ls, TK_NAME);
  TString* ts = ls->t.seminfo.ts;
  Next(ls);
  return ts;
}

void InitExp(expdesc* e, expkind k, int i) {
  e->f = e->t = NO_JUMP;
  e->k = k;
  e->info = i;
}

void CodeString(LexState* ls, expdesc* e, TString* s) { InitExp(e, VK, luaK_stringK(ls->fs, s)); }

void CheckName(LexState* ls, expdesc* e) { CodeString(ls, e, StrCheckName(ls)); }

void EnterLevel(LexState* ls) {
  if (++ls->nestlevel > kMaxParserLevel) luaX_syntaxerror(ls, "too many syntax levels");
}

void LeaveLevel(LexState* ls) { ls->nestlevel--; }

// --- Local variables and upvalues -------------------------------------------------------

int RegisterLocalVar(LexState* ls, TString* varname) {
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  int oldsize = f->sizelocvars;
  luaM_growvector(ls->L, f->locvars, fs->nlocvars, f->sizelocvars, LocVar, MAX_INT,
                  "too many local variables");
  while (oldsize < f->sizelocvars) f->locvars[oldsize++].varname = nullptr;
  f->locvars[fs->nlocvars].varname = varname;
  return fs->nlocvars++;
}

LocVar& GetLocVar(FuncState* fs, int i) { return fs->f->locvars[fs->actvar[i]]; }

void NewLocalVar(LexState* ls, TString* name, int n) {
  FuncState* fs = ls->fs;
  luaX_checklimit(ls, fs->nactvar + n + 1, MAXVARS, "local variables");
  fs->actvar[fs->nactvar + n] = RegisterLocalVar(ls, name);
}

void NewLocalVarStr(LexState* ls, const char* name, int n) {
  NewLocalVar(ls, luaS_new(ls->L, name), n);
}

void AdjustLocalVars(LexState* ls, int nvars) {
  FuncState* fs = ls->fs;
  fs->nactvar += nvars;
  for (; nvars; nvars--) GetLocVar(fs, fs->nactvar - nvars).startpc = fs->pc;
}

void RemoveVars(LexState* ls, int tolevel) {
  FuncState* fs = ls->fs;
  while (fs->nactvar > tolevel) GetLocVar(fs, --fs->nactvar).endpc = fs->pc;
}

void CreateLocal(LexState* ls, const char* name) {
  NewLocalVarStr(ls, name, 0);
  AdjustLocalVars(ls, 1);
}

int IndexUpvalue(FuncState* fs, TString* name, expdesc* v) {
  Proto* f = fs->f;
  for (int i = 0; i < f->nups; i++) {
    if (fs->upvalues[i].k == v->k && fs->upvalues[i].info == v->info) return i;
  }
  luaX_checklimit(fs->ls, f->nups + 1, MAXUPVALUES, "upvalues");
  int oldsize = f->sizeupvalues;
  luaM_growvector(fs->L, f->upvalues, f->nups, f->sizeupvalues, TString*, MAX_INT, "");
  while (oldsize < f->sizeupvalues) f->upvalues[oldsize++] = nullptr;
  f->upvalues[f->nups] = name;
  fs->upvalues[f->nups] = *v;
  return f->nups++;
}

int SearchVar(FuncState* fs, TString* n) {
  for (int i = fs->nactvar - 1; i >= 0; i--) {
    if (n == GetLocVar(fs, i).varname) return i;
  }
  return -1;
}

// Marks the block that declared local `level' as holding a captured local.
void MarkUpval(FuncState* fs, int level) {
  BlockCnt* bl = fs->bl;
  while (bl && bl->nactvar > level) bl = bl->previous;
  if (bl) bl->upval = true;
}

void SingleVarAux(FuncState* fs, TString* n, expdesc* var, bool base) {
  if (fs == nullptr) {
    InitExp(var, VGLOBAL, NO_REG);
    return;
  }
  int v = SearchVar(fs, n);
  if (v >= 0) {
    InitExp(var, VLOCAL, v);
    if (!base) MarkUpval(fs, v);  // a local of an enclosing function, used as upvalue
    return;
  }
  SingleVarAux(fs->prev, n, var, false);
  if (var->k == VGLOBAL) {
    if (base) var->info = luaK_stringK(fs, n);
  } else {
    var->info = IndexUpvalue(fs, n, var);
    var->k = VUPVAL;
  }
}

void SingleVar(LexState* ls, expdesc* var, bool base) {
  SingleVarAux(ls->fs, StrCheckName(ls), var, base);
}

void AdjustAssign(LexState* ls, int nvars, int nexps, expdesc* e) {
  FuncState* fs = ls->fs;
  int extra = nvars - nexps;
  if (e->k == VCALL) {
    extra++;  // the call itself gives the missing values
    if (extra <= 0)
      extra = 0;
    else
      luaK_reserveregs(fs, extra - 1);
    luaK_setcallreturns(fs, e, extra);
  } else {
    if (e->k != VVOID) luaK_exp2nextreg(fs, e);
    if (extra > 0) {
      int reg = fs->freereg;
      luaK_reserveregs(fs, extra);
      luaK_nil(fs, reg, extra);
    }
  }
}

void CodeParams(LexState* ls, int nparams, bool dots) {
  FuncState* fs = ls->fs;
  AdjustLocalVars(ls, nparams);
  luaX_checklimit(ls, fs->nactvar, MAXPARAMS, "parameters");
  fs->f->numparams = static_cast<lu_byte>(fs->nactvar);
  fs->f->is_vararg = dots;
  if (dots) CreateLocal(ls, "arg");
  luaK_reserveregs(fs, fs->nactvar);
}

// --- Blocks ---------------------------------------------------------------------------------

void EnterBlock(FuncState* fs, BlockCnt* bl, bool isbreakable) {
  bl->breaklist = NO_JUMP;
  bl->continuelist = NO_JUMP;
  bl->latebreaks = NO_JUMP;
  bl->latecontinues = NO_JUMP;
  bl->isbreakable = isbreakable;
  bl->nactvar = fs->nactvar;
  bl->upval = false;
  bl->innerupval = false;
  bl->previous = fs->bl;
  fs->bl = bl;
}

// Jumps that left blocks before a capture in them was parsed land on a CLOSE of everything
// above the loop's locals: the pc of an existing one just emitted, or a new one here.
int LateLanding(FuncState* fs, BlockCnt* bl) {
  if (fs->pc > 0) {
    Instruction last = fs->f->code[fs->pc - 1];
    if (GET_OPCODE(last) == OP_CLOSE && GETARG_A(last) == bl->nactvar) return fs->pc - 1;
  }
  return luaK_codeABC(fs, OP_CLOSE, bl->nactvar, 0, 0);
}

void PatchLate(FuncState* fs, BlockCnt* bl, int* late, int* eager) {
  if (*late != NO_JUMP && bl->innerupval) {
    int landing = LateLanding(fs, bl);
    luaK_patchlist(fs, *late, landing);
  } else {
    luaK_concat(fs, eager, *late);
  }
  *late = NO_JUMP;
}

void LeaveBlock(FuncState* fs) {
  BlockCnt* bl = fs->bl;
  fs->bl = bl->previous;
  RemoveVars(fs->ls, bl->nactvar);
  if (bl->upval) luaK_codeABC(fs, OP_CLOSE, bl->nactvar, 0, 0);
  if (bl->previous && (bl->upval || bl->innerupval)) bl->previous->innerupval = true;
  fs->freereg = fs->nactvar;
  if (bl->isbreakable) PatchLate(fs, bl, &bl->latebreaks, &bl->breaklist);
  luaK_patchtohere(fs, bl->breaklist);
}

// The continue point of loop block bl is here.
void PatchContinues(FuncState* fs, BlockCnt* bl) {
  PatchLate(fs, bl, &bl->latecontinues, &bl->continuelist);
  luaK_patchtohere(fs, bl->continuelist);
  bl->continuelist = NO_JUMP;
}

void Block(LexState* ls) {
  FuncState* fs = ls->fs;
  BlockCnt bl;
  EnterBlock(fs, &bl, false);
  Chunk(ls);
  LeaveBlock(fs);
}

// --- Functions ------------------------------------------------------------------------------

void PushClosure(LexState* ls, FuncState* func, expdesc* v) {
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  int oldsize = f->sizep;
  luaM_growvector(ls->L, f->p, fs->np, f->sizep, Proto*, MAXARG_Bx, "constant table overflow");
  while (oldsize < f->sizep) f->p[oldsize++] = nullptr;
  f->p[fs->np++] = func->f;
  InitExp(v, VRELOCABLE, luaK_codeABx(fs, OP_CLOSURE, 0, fs->np - 1));
  for (int i = 0; i < func->f->nups; i++) {
    OpCode o = func->upvalues[i].k == VLOCAL ? OP_MOVE : OP_GETUPVAL;
    luaK_codeABC(fs, o, 0, func->upvalues[i].info, 0);
  }
}

void OpenFunc(LexState* ls, FuncState* fs) {
  lua_State* L = ls->L;
  Proto* f = luaF_newproto(L);
  fs->f = f;
  fs->prev = ls->fs;
  fs->ls = ls;
  fs->L = L;
  ls->fs = fs;
  fs->pc = 0;
  fs->lasttarget = 0;
  fs->jpc = NO_JUMP;
  fs->freereg = 0;
  fs->nk = 0;
  fs->np = 0;
  fs->nlocvars = 0;
  fs->nactvar = 0;
  fs->bl = nullptr;
  f->source = ls->source;
  f->maxstacksize = 2;  // registers 0 and 1 are always valid
  // Anchor the prototype and the constant index on the stack while compiling.
  setptvalue(L->top, f);
  incr_top(L);
  fs->h = luaH_new(L, 0, 0);
  sethvalue(L->top, fs->h);
  incr_top(L);
}

void CloseFunc(LexState* ls) {
  lua_State* L = ls->L;
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  luaK_codeABC(fs, OP_RETURN, 0, 1, 0);  // final return
  RemoveVars(ls, 0);
  luaM_reallocvector(L, f->code, f->sizecode, fs->pc, Instruction);
  f->sizecode = fs->pc;
  luaM_reallocvector(L, f->lineinfo, f->sizelineinfo, fs->pc, int);
  f->sizelineinfo = fs->pc;
  luaM_reallocvector(L, f->k, f->sizek, fs->nk, TObject);
  f->sizek = fs->nk;
  luaM_reallocvector(L, f->p, f->sizep, fs->np, Proto*);
  f->sizep = fs->np;
  luaM_reallocvector(L, f->locvars, f->sizelocvars, fs->nlocvars, LocVar);
  f->sizelocvars = fs->nlocvars;
  luaM_reallocvector(L, f->upvalues, f->sizeupvalues, f->nups, TString*);
  f->sizeupvalues = f->nups;
  luaV_prepare(L, f);
  ls->fs = fs->prev;
  L->top -= 2;  // the prototype and the constant index
}

// --- Expressions ----------------------------------------------------------------------------

void Field(LexState* ls, expdesc* v) {
  // field -> ['.' | ':'] NAME
  expdesc key;
  luaK_exp2anyreg(ls->fs, v);
  Next(ls);  // the dot or colon
  CheckName(ls, &key);
  luaK_indexed(ls->fs, v, &key);
}

void Index(LexState* ls, expdesc* v) {
  // index -> '[' expr ']'
  Next(ls);
  Expr(ls, v);
  luaK_exp2val(ls->fs, v);
  CheckNext(ls, ']');
}

void RecField(LexState* ls, ConsControl* cc) {
  // recfield -> (NAME | '[' exp ']') = exp
  FuncState* fs = ls->fs;
  int reg = fs->freereg;
  expdesc key, val;
  luaX_checklimit(ls, cc->nh, MAX_INT, "items in a constructor");
  cc->nh++;
  if (ls->t.token == TK_NAME)
    CheckName(ls, &key);
  else
    Index(ls, &key);
  CheckNext(ls, '=');
  luaK_exp2RK(fs, &key);
  Expr(ls, &val);
  luaK_codeABC(fs, OP_SETTABLE, cc->t->info, luaK_exp2RK(fs, &key), luaK_exp2RK(fs, &val));
  fs->freereg = reg;
}

void CloseListField(FuncState* fs, ConsControl* cc) {
  if (cc->v.k == VVOID) return;  // no list item pending
  luaK_exp2nextreg(fs, &cc->v);
  cc->v.k = VVOID;
  if (cc->tostore == LFIELDS_PER_FLUSH) {
    luaK_codeABx(fs, OP_SETLIST, cc->t->info, cc->na - 1);
    cc->tostore = 0;
    fs->freereg = cc->t->info + 1;
  }
}

void LastListField(FuncState* fs, ConsControl* cc) {
  if (cc->tostore == 0) return;
  if (cc->v.k == VCALL) {
    luaK_setcallreturns(fs, &cc->v, LUA_MULTRET);
    luaK_codeABx(fs, OP_SETLISTO, cc->t->info, cc->na - 1);
  } else {
    if (cc->v.k != VVOID) luaK_exp2nextreg(fs, &cc->v);
    luaK_codeABx(fs, OP_SETLIST, cc->t->info, cc->na - 1);
  }
  fs->freereg = cc->t->info + 1;
}

void ListField(LexState* ls, ConsControl* cc) {
  Expr(ls, &cc->v);
  luaX_checklimit(ls, cc->na, MAXARG_Bx, "items in a constructor");
  cc->na++;
  cc->tostore++;
}

// A size hint: "&" followed by a numeral, truncated toward zero.
int SizeHint(LexState* ls) {
  Next(ls);  // the "&"
  if (ls->t.token != TK_NUMBER)
    luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "size expected following & (line %d)",
                                          ls->linenumber));
  int hint = luaO_num2int(ls->t.seminfo.r);
  Next(ls);
  return hint;
}

void Constructor(LexState* ls, expdesc* t) {
  // constructor -> '{' ['&' Number ['&' Number]] [fieldlist] '}'
  FuncState* fs = ls->fs;
  int line = ls->linenumber;
  int pc = luaK_codeABC(fs, OP_NEWTABLE, 0, 0, 0);
  ConsControl cc;
  cc.na = cc.nh = cc.tostore = 0;
  cc.t = t;
  InitExp(t, VRELOCABLE, pc);
  InitExp(&cc.v, VVOID, 0);
  luaK_exp2nextreg(fs, t);  // the table sits at the stack top while it fills
  CheckNext(ls, '{');
  int hashHint = 0, arrayHint = 0;
  if (ls->t.token == '&') {
    hashHint = SizeHint(ls);
    if (ls->t.token == '&') arrayHint = SizeHint(ls);
  }
  do {
    TestNext(ls, ';');  // compatibility only
    if (ls->t.token == '}') break;
    CloseListField(fs, &cc);
    switch (ls->t.token) {
      case TK_NAME:
        luaX_lookahead(ls);
        if (ls->lookahead.token != '=')
          ListField(ls, &cc);
        else
          RecField(ls, &cc);
        break;
      case '[':
        RecField(ls, &cc);
        break;
      default:
        ListField(ls, &cc);
        break;
    }
  } while (TestNext(ls, ',') || TestNext(ls, ';'));
  CheckMatch(ls, '}', '{', line);
  LastListField(fs, &cc);
  // Hints beyond the table's own limits (2^24 array slots, 2^24 hash nodes) could only ask
  // for memory that the table may never use, so they stop there.
  arrayHint = arrayHint < kMaxHintArray ? arrayHint : kMaxHintArray;
  hashHint = hashHint < kMaxHintHash ? hashHint : kMaxHintHash;
  int na = cc.na > arrayHint ? cc.na : arrayHint;
  int nh = cc.nh > hashHint ? cc.nh : hashHint;
  if (na > 0) SETARG_B(fs->f->code[pc], luaP_int2fb(static_cast<unsigned>(na)));
  SETARG_C(fs->f->code[pc], luaO_log2(static_cast<unsigned>(nh)) + 1);
}

void ParList(LexState* ls) {
  // parlist -> [ param { ',' param } ]
  int nparams = 0;
  bool dots = false;
  if (ls->t.token != ')') {
    do {
      switch (ls->t.token) {
        case TK_DOTS:
          dots = true;
          Next(ls);
          break;
        case TK_NAME:
          NewLocalVar(ls, StrCheckName(ls), nparams++);
          break;
        default:
          luaX_syntaxerror(ls, "<name> or `...' expected");
      }
    } while (!dots && TestNext(ls, ','));
  }
  CodeParams(ls, nparams, dots);
}

void Body(LexState* ls, expdesc* e, bool needself, int line) {
  // body -> '(' parlist ')' chunk END
  FuncState newFs;
  OpenFunc(ls, &newFs);
  newFs.f->lineDefined = line;
  CheckNext(ls, '(');
  if (needself) CreateLocal(ls, "self");
  ParList(ls);
  CheckNext(ls, ')');
  Chunk(ls);
  CheckMatch(ls, TK_END, TK_FUNCTION, line);
  CloseFunc(ls);
  PushClosure(ls, &newFs, e);
}

int ExpList1(LexState* ls, expdesc* v) {
  int n = 1;
  Expr(ls, v);
  while (TestNext(ls, ',')) {
    luaK_exp2nextreg(ls->fs, v);
    Expr(ls, v);
    n++;
  }
  return n;
}

void FuncArgs(LexState* ls, expdesc* f) {
  FuncState* fs = ls->fs;
  expdesc args;
  int line = ls->linenumber;
  switch (ls->t.token) {
    case '(':
      if (line != ls->lastline)
        luaX_syntaxerror(ls, "ambiguous syntax (function call x new statement)");
      Next(ls);
      if (ls->t.token == ')') {
        args.k = VVOID;
      } else {
        ExpList1(ls, &args);
        luaK_setcallreturns(fs, &args, LUA_MULTRET);
      }
      CheckMatch(ls, ')', '(', line);
      break;
    case '{':
      Constructor(ls, &args);
      break;
    case TK_STRING:
    case TK_WSTRING:  // f L"text" calls like f "text"
      CodeString(ls, &args, ls->t.seminfo.ts);
      Next(ls);
      break;
    default:
      luaX_syntaxerror(ls, "function arguments expected");
  }
  int base = f->info;  // the function's register
  int nparams;
  if (args.k == VCALL) {
    nparams = LUA_MULTRET;  // open call
  } else {
    if (args.k != VVOID) luaK_exp2nextreg(fs, &args);  // close the last argument
    nparams = fs->freereg - (base + 1);
  }
  InitExp(f, VCALL, luaK_codeABC(fs, OP_CALL, base, nparams + 1, 2));
  luaK_fixline(fs, line);
  fs->freereg = base + 1;  // the call leaves one result unless changed later
}

void PrefixExp(LexState* ls, expdesc* v) {
  // prefixexp -> NAME | '(' expr ')'
  switch (ls->t.token) {
    case '(': {
      int line = ls->linenumber;
      Next(ls);
      Expr(ls, v);
      CheckMatch(ls, ')', '(', line);
      luaK_dischargevars(ls->fs, v);
      return;
    }
    case TK_NAME:
      SingleVar(ls, v, true);
      return;
    default:
      luaX_syntaxerror(ls, "unexpected symbol");
  }
}

void PrimaryExp(LexState* ls, expdesc* v) {
  // primaryexp -> prefixexp { '.' NAME | '[' exp ']' | ':' NAME funcargs | funcargs }
  FuncState* fs = ls->fs;
  PrefixExp(ls, v);
  for (;;) {
    switch (ls->t.token) {
      case '.':
        Field(ls, v);
        break;
      case '[': {
        expdesc key;
        luaK_exp2anyreg(fs, v);
        Index(ls, &key);
        luaK_indexed(fs, v, &key);
        break;
      }
      case ':': {
        expdesc key;
        Next(ls);
        CheckName(ls, &key);
        luaK_self(fs, v, &key);
        FuncArgs(ls, v);
        break;
      }
      case '(':
      case TK_STRING:
      case TK_WSTRING:
      case '{':
        luaK_exp2nextreg(fs, v);
        FuncArgs(ls, v);
        break;
      default:
        return;
    }
  }
}

void SimpleExp(LexState* ls, expdesc* v) {
  switch (ls->t.token) {
    case TK_NUMBER:
      InitExp(v, VK, luaK_numberK(ls->fs, ls->t.seminfo.r));
      Next(ls);
      break;
    case TK_STRING:
    case TK_WSTRING:
      CodeString(ls, v, ls->t.seminfo.ts);
      Next(ls);
      break;
    case TK_NIL:
      InitExp(v, VNIL, 0);
      Next(ls);
      break;
    case TK_TRUE:
      InitExp(v, VTRUE, 0);
      Next(ls);
      break;
    case TK_FALSE:
      InitExp(v, VFALSE, 0);
      Next(ls);
      break;
    case '{':
      Constructor(ls, v);
      break;
    case TK_FUNCTION:
      Next(ls);
      Body(ls, v, false, ls->linenumber);
      break;
    default:
      PrimaryExp(ls, v);
      break;
  }
}

UnOpr GetUnOpr(int op) {
  switch (op) {
    case TK_NOT: return OPR_NOT;
    case '-': return OPR_MINUS;
    default: return OPR_NOUNOPR;
  }
}

BinOpr GetBinOpr(int op) {
  switch (op) {
    case '+': return OPR_ADD;
    case '-': return OPR_SUB;
    case '*': return OPR_MULT;
    case '/': return OPR_DIV;
    case '&': return OPR_BAND;
    case '|': return OPR_BOR;
    case TK_SHL: return OPR_SHL;
    case TK_SHR: return OPR_SHR;
    case '^': return OPR_POW;
    case TK_CONCAT: return OPR_CONCAT;
    case TK_NE: return OPR_NE;
    case TK_EQ: return OPR_EQ;
    case '<': return OPR_LT;
    case TK_LE: return OPR_LE;
    case '>': return OPR_GT;
    case TK_GE: return OPR_GE;
    case TK_AND: return OPR_AND;
    case TK_OR: return OPR_OR;
    default: return OPR_NOBINOPR;
  }
}

// subexpr -> (simpleexp | unop subexpr) { binop subexpr }, where binop is any operator whose
// left priority is above `limit'.
BinOpr SubExpr(LexState* ls, expdesc* v, int limit) {
  EnterLevel(ls);
  UnOpr uop = GetUnOpr(ls->t.token);
  if (uop != OPR_NOUNOPR) {
    Next(ls);
    SubExpr(ls, v, kUnaryPriority);
    luaK_prefix(ls->fs, uop, v);
  } else {
    SimpleExp(ls, v);
  }
  BinOpr op = GetBinOpr(ls->t.token);
  while (op != OPR_NOBINOPR && kPriority[op].left > limit) {
    expdesc v2;
    Next(ls);
    luaK_infix(ls->fs, op, v);
    BinOpr nextop = SubExpr(ls, &v2, kPriority[op].right);
    luaK_posfix(ls->fs, op, v, &v2);
    op = nextop;
  }
  LeaveLevel(ls);
  return op;
}

void Expr(LexState* ls, expdesc* v) { SubExpr(ls, v, -1); }

// --- Statements -----------------------------------------------------------------------------

bool BlockFollow(int token) {
  switch (token) {
    case TK_ELSE:
    case TK_ELSEIF:
    case TK_END:
    case TK_UNTIL:
    case TK_EOS:
      return true;
    default:
      return false;
  }
}

// When a local being assigned in a multiple assignment is also the table or key of an
// earlier indexed target, that target uses a copy taken before any store.
void CheckConflict(LexState* ls, LHS_assign* lh, expdesc* v) {
  FuncState* fs = ls->fs;
  int extra = fs->freereg;
  bool conflict = false;
  for (; lh; lh = lh->prev) {
    if (lh->v.k == VINDEXED) {
      if (lh->v.info == v->info) {
        conflict = true;
        lh->v.info = extra;
      }
      if (lh->v.aux == v->info) {
        conflict = true;
        lh->v.aux = extra;
      }
    }
  }
  if (conflict) {
    luaK_codeABC(fs, OP_MOVE, fs->freereg, v->info, 0);
    luaK_reserveregs(fs, 1);
  }
}

void Assignment(LexState* ls, LHS_assign* lh, int nvars) {
  expdesc e;
  CheckCondition(ls, VLOCAL <= lh->v.k && lh->v.k <= VINDEXED, "syntax error");
  if (TestNext(ls, ',')) {
    // Every target's value needs a register, so a longer list could never compile; stopping
    // here keeps hostile lists from recursing without bound.
    if (nvars >= MAXSTACK) luaX_syntaxerror(ls, "function or expression too complex");
    LHS_assign nv;
    nv.prev = lh;
    PrimaryExp(ls, &nv.v);
    if (nv.v.k == VLOCAL) CheckConflict(ls, lh, &nv.v);
    Assignment(ls, &nv, nvars + 1);
  } else {
    CheckNext(ls, '=');
    int nexps = ExpList1(ls, &e);
    if (nexps != nvars) {
      AdjustAssign(ls, nvars, nexps, &e);
      if (nexps > nvars) ls->fs->freereg -= nexps - nvars;  // drop the extra values
    } else {
      luaK_setcallreturns(ls->fs, &e, 1);
      luaK_storevar(ls->fs, &lh->v, &e);
      return;
    }
  }
  InitExp(&e, VNONRELOC, ls->fs->freereg - 1);  // the value for this target is on top
  luaK_storevar(ls->fs, &lh->v, &e);
}

// Reads a condition and returns its false list (the true case falls through).
int Cond(LexState* ls) {
  expdesc v;
  Expr(ls, &v);
  if (v.k == VNIL) v.k = VFALSE;  // all false values are alike here
  luaK_goiftrue(ls->fs, &v);
  luaK_patchtohere(ls->fs, v.t);
  return v.f;
}

// break [N] and continue [N].
void LoopJumpStat(LexState* ls, bool isContinue) {
  FuncState* fs = ls->fs;
  Next(ls);  // the keyword
  int level = 1;
  if (ls->t.token == TK_NUMBER) {
    lua_Number n = ls->t.seminfo.r;
    Next(ls);
    if (std::floor(n) != n) luaX_syntaxerror(ls, "loop block number must be integer");
    if (n < 1 || n > kMaxLoopLevel) luaX_syntaxerror(ls, "loop block number out of range");
    level = static_cast<int>(n);
  }
  BlockCnt* bl = fs->bl;
  bool upval = false;
  for (;;) {
    while (bl && !bl->isbreakable) {
      upval |= bl->upval;
      bl = bl->previous;
    }
    if (!bl) luaX_syntaxerror(ls, isContinue ? "no loop to continue" : "no loop to break");
    if (--level == 0) break;
    upval |= bl->upval;
    bl = bl->previous;
  }
  if (upval) luaK_codeABC(fs, OP_CLOSE, bl->nactvar, 0, 0);
  int* eager = isContinue ? &bl->continuelist : &bl->breaklist;
  int* late = isContinue ? &bl->latecontinues : &bl->latebreaks;
  // A jump that closed nothing may still leave a local captured later in the text (by a
  // closure made in an earlier run of an inner loop); the loop end decides for those.
  luaK_concat(fs, upval ? eager : late, luaK_jump(fs));
}

void WhileStat(LexState* ls, int line) {
  // whilestat -> WHILE cond DO block END; the condition is moved behind the body
  Instruction codeexp[kMaxExpWhile + 5];
  FuncState* fs = ls->fs;
  expdesc v;
  BlockCnt bl;
  Next(ls);  // WHILE
  int whileinit = luaK_jump(fs);  // to the condition
  int expinit = luaK_getlabel(fs);
  Expr(ls, &v);
  if (v.k == VK) v.k = VTRUE;  // all true constants are alike here
  int lineexp = ls->linenumber;
  luaK_goiffalse(fs, &v);
  luaK_concat(fs, &v.f, fs->jpc);
  fs->jpc = NO_JUMP;
  int sizeexp = fs->pc - expinit;
  if (sizeexp > kMaxExpWhile) luaX_syntaxerror(ls, "`while' condition too complex");
  for (int i = 0; i < sizeexp; i++) codeexp[i] = fs->f->code[expinit + i];
  fs->pc = expinit;  // take the condition's code out
  EnterBlock(fs, &bl, true);
  CheckNext(ls, TK_DO);
  int blockinit = luaK_getlabel(fs);
  Block(ls);
  luaK_patchtohere(fs, whileinit);  // the first run starts with the condition
  PatchContinues(fs, &bl);
  if (v.t != NO_JUMP) v.t += fs->pc - expinit;
  if (v.f != NO_JUMP) v.f += fs->pc - expinit;
  for (int i = 0; i < sizeexp; i++) luaK_code(fs, codeexp[i], lineexp);
  CheckMatch(ls, TK_END, TK_WHILE, line);
  LeaveBlock(fs);
  luaK_patchlist(fs, v.t, blockinit);  // true goes back into the body
  luaK_patchtohere(fs, v.f);           // false ends the loop
}

void RepeatStat(LexState* ls, int line) {
  // repeatstat -> REPEAT block UNTIL cond
  FuncState* fs = ls->fs;
  int repeatInit = luaK_getlabel(fs);
  BlockCnt bl;
  EnterBlock(fs, &bl, true);
  Next(ls);
  Block(ls);
  PatchContinues(fs, &bl);
  CheckMatch(ls, TK_UNTIL, TK_REPEAT, line);
  int flist = Cond(ls);
  luaK_patchlist(fs, flist, repeatInit);
  LeaveBlock(fs);
}

int Exp1(LexState* ls) {
  expdesc e;
  Expr(ls, &e);
  int k = e.k;
  luaK_exp2nextreg(ls->fs, &e);
  return k;
}

void ForBody(LexState* ls, int base, int line, int nvars, bool isnum) {
  BlockCnt bl;
  FuncState* fs = ls->fs;
  AdjustLocalVars(ls, nvars);  // the control variables come into scope
  CheckNext(ls, TK_DO);
  EnterBlock(fs, &bl, true);
  int prep = luaK_getlabel(fs);
  Block(ls);
  luaK_patchtohere(fs, prep - 1);  // the jump before the body leads to the loop instruction
  PatchContinues(fs, &bl);
  int endfor = isnum ? luaK_codeAsBx(fs, OP_FORLOOP, base, NO_JUMP)
                     : luaK_codeABC(fs, OP_TFORLOOP, base, 0, nvars - 3);
  luaK_fixline(fs, line);  // the loop instruction counts as the `for' line
  luaK_patchlist(fs, isnum ? endfor : luaK_jump(fs), prep);
  LeaveBlock(fs);
}

void ForNum(LexState* ls, TString* varname, int line) {
  // fornum -> NAME = exp1, exp1 [, exp1] DO body
  FuncState* fs = ls->fs;
  int base = fs->freereg;
  NewLocalVar(ls, varname, 0);
  NewLocalVarStr(ls, "(for limit)", 1);
  NewLocalVarStr(ls, "(for step)", 2);
  CheckNext(ls, '=');
  Exp1(ls);  // initial value
  CheckNext(ls, ',');
  Exp1(ls);  // limit
  if (TestNext(ls, ',')) {
    Exp1(ls);  // step
  } else {
    luaK_codeABx(fs, OP_LOADK, fs->freereg, luaK_numberK(fs, 1));
    luaK_reserveregs(fs, 1);
  }
  // FORLOOP adds the step before testing, so start one step early.
  luaK_codeABC(fs, OP_SUB, fs->freereg - 3, fs->freereg - 3, fs->freereg - 1);
  luaK_jump(fs);
  ForBody(ls, base, line, 3, true);
}

void ForList(LexState* ls, TString* indexname) {
  // forlist -> NAME {, NAME} IN explist1 DO body
  FuncState* fs = ls->fs;
  expdesc e;
  int nvars = 0;
  int base = fs->freereg;
  NewLocalVarStr(ls, "(for generator)", nvars++);
  NewLocalVarStr(ls, "(for state)", nvars++);
  NewLocalVar(ls, indexname, nvars++);
  while (TestNext(ls, ',')) NewLocalVar(ls, StrCheckName(ls), nvars++);
  CheckNext(ls, TK_IN);
  int line = ls->linenumber;
  AdjustAssign(ls, nvars, ExpList1(ls, &e), &e);
  luaK_checkstack(fs, 3);  // room to call the generator
  luaK_codeAsBx(fs, OP_TFORPREP, base, NO_JUMP);
  ForBody(ls, base, line, nvars, false);
}

void ForStat(LexState* ls, int line) {
  // forstat -> FOR (fornum | forlist) END
  FuncState* fs = ls->fs;
  BlockCnt bl;
  EnterBlock(fs, &bl, false);  // scope of the control variables
  Next(ls);
  TString* varname = StrCheckName(ls);
  switch (ls->t.token) {
    case '=':
      ForNum(ls, varname, line);
      break;
    case ',':
    case TK_IN:
      ForList(ls, varname);
      break;
    default:
      luaX_syntaxerror(ls, "`=' or `in' expected");
  }
  CheckMatch(ls, TK_END, TK_FOR, line);
  LeaveBlock(fs);
}

int TestThenBlock(LexState* ls) {
  // [IF | ELSEIF] cond THEN block; returns the false list
  Next(ls);
  int flist = Cond(ls);
  CheckNext(ls, TK_THEN);
  Block(ls);
  return flist;
}

void IfStat(LexState* ls, int line) {
  // ifstat -> IF cond THEN block {ELSEIF cond THEN block} [ELSE block] END
  FuncState* fs = ls->fs;
  int escapelist = NO_JUMP;
  int flist = TestThenBlock(ls);
  while (ls->t.token == TK_ELSEIF) {
    luaK_concat(fs, &escapelist, luaK_jump(fs));
    luaK_patchtohere(fs, flist);
    flist = TestThenBlock(ls);
  }
  if (ls->t.token == TK_ELSE) {
    luaK_concat(fs, &escapelist, luaK_jump(fs));
    luaK_patchtohere(fs, flist);
    Next(ls);  // after the patch, so that the line information is right
    Block(ls);
  } else {
    luaK_concat(fs, &escapelist, flist);
  }
  luaK_patchtohere(fs, escapelist);
  CheckMatch(ls, TK_END, TK_IF, line);
}

void LocalFunc(LexState* ls) {
  expdesc v, b;
  FuncState* fs = ls->fs;
  NewLocalVar(ls, StrCheckName(ls), 0);
  InitExp(&v, VLOCAL, fs->freereg);
  luaK_reserveregs(fs, 1);
  AdjustLocalVars(ls, 1);  // in scope inside its own body, for recursion
  Body(ls, &b, false, ls->linenumber);
  luaK_storevar(fs, &v, &b);
  GetLocVar(fs, fs->nactvar - 1).startpc = fs->pc;  // debug information sees it from here
}

void LocalStat(LexState* ls) {
  // stat -> LOCAL NAME {',' NAME} ['=' explist1]
  int nvars = 0;
  int nexps;
  expdesc e;
  do {
    NewLocalVar(ls, StrCheckName(ls), nvars++);
  } while (TestNext(ls, ','));
  if (TestNext(ls, '=')) {
    nexps = ExpList1(ls, &e);
  } else {
    e.k = VVOID;
    nexps = 0;
  }
  AdjustAssign(ls, nvars, nexps, &e);
  AdjustLocalVars(ls, nvars);
}

bool FuncName(LexState* ls, expdesc* v) {
  // funcname -> NAME {field} [':' NAME]
  bool needself = false;
  SingleVar(ls, v, true);
  while (ls->t.token == '.') Field(ls, v);
  if (ls->t.token == ':') {
    needself = true;
    Field(ls, v);
  }
  return needself;
}

void FuncStat(LexState* ls, int line) {
  // funcstat -> FUNCTION funcname body
  expdesc v, b;
  Next(ls);
  bool needself = FuncName(ls, &v);
  Body(ls, &b, needself, line);
  luaK_storevar(ls->fs, &v, &b);
  luaK_fixline(ls->fs, line);  // the definition happens on its first line
}

void ExprStat(LexState* ls) {
  // stat -> func | assignment
  FuncState* fs = ls->fs;
  LHS_assign v;
  PrimaryExp(ls, &v.v);
  if (v.v.k == VCALL) {
    luaK_setcallreturns(fs, &v.v, 0);  // a call statement keeps no results
  } else {
    v.prev = nullptr;
    Assignment(ls, &v, 1);
  }
}

void RetStat(LexState* ls) {
  // stat -> RETURN explist
  FuncState* fs = ls->fs;
  expdesc e;
  int first, nret;
  Next(ls);
  if (BlockFollow(ls->t.token) || ls->t.token == ';') {
    first = nret = 0;
  } else {
    nret = ExpList1(ls, &e);
    if (e.k == VCALL) {
      luaK_setcallreturns(fs, &e, LUA_MULTRET);
      if (nret == 1) SET_OPCODE(getcode(fs, &e), OP_TAILCALL);
      first = fs->nactvar;
      nret = LUA_MULTRET;
    } else if (nret == 1) {
      first = luaK_exp2anyreg(fs, &e);
    } else {
      luaK_exp2nextreg(fs, &e);  // the values must be consecutive
      first = fs->nactvar;
    }
  }
  luaK_codeABC(fs, OP_RETURN, first, nret + 1, 0);
}

// Returns whether the statement must be the last of its block.
bool Statement(LexState* ls) {
  int line = ls->linenumber;
  switch (ls->t.token) {
    case TK_IF:
      IfStat(ls, line);
      return false;
    case TK_WHILE:
      WhileStat(ls, line);
      return false;
    case TK_DO:
      Next(ls);
      Block(ls);
      CheckMatch(ls, TK_END, TK_DO, line);
      return false;
    case TK_FOR:
      ForStat(ls, line);
      return false;
    case TK_REPEAT:
      RepeatStat(ls, line);
      return false;
    case TK_FUNCTION:
      FuncStat(ls, line);
      return false;
    case TK_LOCAL:
      Next(ls);
      if (TestNext(ls, TK_FUNCTION))
        LocalFunc(ls);
      else
        LocalStat(ls);
      return false;
    case TK_RETURN:
      RetStat(ls);
      return true;
    case TK_BREAK:
      LoopJumpStat(ls, false);
      return true;
    case TK_CONTINUE:
      LoopJumpStat(ls, true);
      return true;
    default:
      ExprStat(ls);
      return false;
  }
}

void Chunk(LexState* ls) {
  // chunk -> { stat [';'] }
  bool islast = false;
  EnterLevel(ls);
  while (!islast && !BlockFollow(ls->t.token)) {
    islast = Statement(ls);
    TestNext(ls, ';');
    ls->fs->freereg = ls->fs->nactvar;  // statements leave no temporaries
  }
  LeaveLevel(ls);
}

}  // namespace

Proto* luaY_parser(lua_State* L, Zio* z, Mbuffer* buff) {
  (void)buff;  // the lexer keeps its own token buffer
  LexState lexstate;
  FuncState funcstate;
  luaX_setinput(L, &lexstate, z, luaS_new(L, zname(z)));
  OpenFunc(&lexstate, &funcstate);
  Next(&lexstate);
  Chunk(&lexstate);
  CheckCondition(&lexstate, lexstate.t.token == TK_EOS, "`<eof>' expected");
  CloseFunc(&lexstate);
  return funcstate.f;
}
