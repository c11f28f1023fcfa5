// Code generator of the script compiler: registers, constants, jump lists and expression
// descriptors, and the prefix, infix and postfix steps of operators, driven by the parser.
#pragma once

#include "core/script/lexer.h"
#include "core/script/opcodes.h"

#define NO_JUMP (-1)

// Binary operators, in the order of the priority table and of the arithmetic opcodes
// (operator + OP_ADD gives ADD .. POW).
enum BinOpr {
  OPR_ADD, OPR_SUB, OPR_MULT, OPR_DIV, OPR_BAND, OPR_BOR, OPR_SHL, OPR_SHR, OPR_POW,
  OPR_CONCAT,
  OPR_NE, OPR_EQ, OPR_LT, OPR_LE, OPR_GT, OPR_GE,
  OPR_AND, OPR_OR,
  OPR_NOBINOPR
};

enum UnOpr { OPR_MINUS, OPR_NOT, OPR_NOUNOPR };

enum expkind {
  VVOID,       // no value
  VNIL,
  VTRUE,
  VFALSE,
  VK,          // info = index of constant in `k'
  VLOCAL,      // info = local register
  VUPVAL,      // info = index of upvalue in `upvalues'
  VGLOBAL,     // info = index of the name's constant in `k'
  VINDEXED,    // info = table register; aux = index register or constant (RK)
  VJMP,        // info = instruction pc of the test's jump
  VRELOCABLE,  // info = instruction pc; its A field is set when the result gets a register
  VNONRELOC,   // info = result register
  VCALL        // info = instruction pc of the CALL
};

struct expdesc {
  expkind k;
  int info, aux;
  int t;  // patch list of `exit when true'
  int f;  // patch list of `exit when false'
};

// State of one block: its locals, its pending jumps, whether a local of it was captured.
struct BlockCnt {
  BlockCnt* previous;
  int breaklist;         // jumps out of the loop that already closed what they leave
  int continuelist;      // jumps to the continue point that already closed what they leave
  int latebreaks;        // jumps out made before a capture they pass was known
  int latecontinues;     // the same for jumps to the continue point
  int nactvar;           // active locals outside the block
  bool upval;            // some local of this block is captured
  bool innerupval;       // some block inside this one had a captured local
  bool isbreakable;      // a loop block
};

// State of the function being compiled.
struct FuncState {
  Proto* f;
  Table* h;               // constant -> index in `k' (anchored on the stack while compiling)
  FuncState* prev;        // enclosing function
  LexState* ls;
  lua_State* L;
  BlockCnt* bl;           // innermost block
  int pc;                 // next instruction (equal to the code size)
  int lasttarget;         // pc of the last jump target
  int jpc;                // jumps pending to `pc'
  int freereg;            // first free register
  int nk;                 // constants in `k'
  int np;                 // prototypes in `p'
  int nlocvars;           // entries in `locvars'
  int nactvar;            // active locals
  expdesc upvalues[MAXUPVALUES];
  int actvar[MAXVARS];    // active locals by register -> index in `locvars'
};

#define getcode(fs, e) ((fs)->f->code[(e)->info])
#define luaK_codeAsBx(fs, o, A, sBx) luaK_codeABx(fs, o, A, (sBx) + MAXARG_sBx)

int luaK_code(FuncState* fs, Instruction i, int line);
int luaK_codeABx(FuncState* fs, OpCode o, int A, int Bx);
int luaK_codeABC(FuncState* fs, OpCode o, int A, int B, int C);
void luaK_fixline(FuncState* fs, int line);
void luaK_nil(FuncState* fs, int from, int n);
void luaK_reserveregs(FuncState* fs, int n);
void luaK_checkstack(FuncState* fs, int n);
int luaK_stringK(FuncState* fs, TString* s);  // a string or a wide string
int luaK_numberK(FuncState* fs, lua_Number r);
void luaK_dischargevars(FuncState* fs, expdesc* e);
int luaK_exp2anyreg(FuncState* fs, expdesc* e);
void luaK_exp2nextreg(FuncState* fs, expdesc* e);
void luaK_exp2val(FuncState* fs, expdesc* e);
int luaK_exp2RK(FuncState* fs, expdesc* e);
void luaK_self(FuncState* fs, expdesc* e, expdesc* key);
void luaK_indexed(FuncState* fs, expdesc* t, expdesc* k);
void luaK_goiftrue(FuncState* fs, expdesc* e);
void luaK_goiffalse(FuncState* fs, expdesc* e);
void luaK_storevar(FuncState* fs, expdesc* var, expdesc* e);
void luaK_setcallreturns(FuncState* fs, expdesc* e, int nresults);
int luaK_jump(FuncState* fs);
void luaK_patchlist(FuncState* fs, int list, int target);
void luaK_patchtohere(FuncState* fs, int list);
void luaK_concat(FuncState* fs, int* l1, int l2);
int luaK_getlabel(FuncState* fs);
void luaK_prefix(FuncState* fs, UnOpr op, expdesc* v);
void luaK_infix(FuncState* fs, BinOpr op, expdesc* v);
void luaK_posfix(FuncState* fs, BinOpr op, expdesc* v1, expdesc* v2);
