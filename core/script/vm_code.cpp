// Translation of a prototype's standard code into the form the interpreter runs (vm_code.h).
#include "core/script/vm_code.h"

#include <cstdint>

#include "core/script/mem.h"

namespace {

bool IsNumberK(const Proto *f, int rk) { return ISK(rk) && ttisnumber(&f->k[INDEXK(rk)]); }
bool IsStringK(const Proto *f, int rk) { return ISK(rk) && ttisstring(&f->k[INDEXK(rk)]); }

// An operation on two RK operands as its register/constant variant (first of three: RR, RK,
// KR), or unchanged when a constant is not a number or both are constants.
Instruction TwoOperands(const Proto *f, Instruction i, int first) {
  int b = GETARG_B(i), c = GETARG_C(i);
  if (!ISK(b) && !ISK(c)) {
    SET_OPCODE(i, static_cast<OpCode>(first));
  } else if (!ISK(b) && IsNumberK(f, c)) {
    SET_OPCODE(i, static_cast<OpCode>(first + 1));
    SETARG_C(i, INDEXK(c));
  } else if (IsNumberK(f, b) && !ISK(c)) {
    SET_OPCODE(i, static_cast<OpCode>(first + 2));
    SETARG_B(i, INDEXK(b));
  }
  return i;
}

// A register or constant operand as a byte offset from the registers or the constants.
uint16_t Offset(int rk) { return static_cast<uint16_t>((ISK(rk) ? INDEXK(rk) : rk) * sizeof(TObject)); }

bool IsArithForm(const RunInstruction &r) {
  int op = GET_OPCODE(r.code);
  return op >= OPX_ADD_RR && op <= OPX_DIV_KR;
}

// The operation and constant operands of an arithmetic form, for the chains.
uint8_t FormOf(int op) {
  int variant = (op - OPX_ADD_RR) % 3;  // RR, RK, KR
  return static_cast<uint8_t>((op - OPX_ADD_RR) / 3 | (variant == 1 ? FORM_KC : 0) | (variant == 2 ? FORM_KB : 0));
}

// Whether operand B (C) of an arithmetic form is the register at byte offset `a'.
bool BIsRegister(const RunInstruction &r, uint16_t a) { return !(r.form & FORM_KB) && r.b == a; }
bool CIsRegister(const RunInstruction &r, uint16_t a) { return !(r.form & FORM_KC) && r.c == a; }

// Whether the three forms from `first' make a pair chain: the third joins the first two
// results, which lie in different registers.
bool IsPair(const RunInstruction *first) {
  return IsArithForm(first[0]) && IsArithForm(first[1]) && IsArithForm(first[2]) && first[0].a != first[1].a &&
         BIsRegister(first[2], first[0].a) && CIsRegister(first[2], first[1].a);
}

// Marks chains along the code, none overlapping another. A pair is worth more than a chain
// into the next form (it keeps two results off the stack), so a form that begins a pair is
// not taken into the chain before it.
void MarkChains(RunInstruction *code, int size) {
  for (int pc = 0; pc + 1 < size; pc++) {
    RunInstruction &r = code[pc];
    if (!IsArithForm(r)) continue;
    RunChain chain = CHAIN_NONE;
    if (pc + 2 < size && IsPair(&r)) {
      chain = CHAIN_PAIR;
    } else if (IsArithForm(code[pc + 1]) && !(pc + 3 < size && IsPair(&code[pc + 1]))) {
      if (BIsRegister(code[pc + 1], r.a)) chain = CHAIN_INTO_B;
      else if (CIsRegister(code[pc + 1], r.a)) chain = CHAIN_INTO_C;
    }
    if (chain == CHAIN_NONE) continue;
    r.chain = chain;
    SET_OPCODE(r.code, static_cast<OpCode>(OPX_CHAIN));
    pc += chain == CHAIN_PAIR ? 2 : 1;
  }
}

// Marks table reads whose result is the next read's or write's key (vm_code.h). The second
// keeps its own opcode, so a jump that lands on it runs it alone.
void MarkIndexPairs(RunInstruction *code, int size) {
  for (int pc = 0; pc + 1 < size; pc++) {
    RunInstruction &r = code[pc];
    const RunInstruction &next = code[pc + 1];
    if (GET_OPCODE(r.code) != OP_GETTABLE) continue;
    if (GET_OPCODE(next.code) == OP_GETTABLE && next.c == r.a) {
      SET_OPCODE(r.code, static_cast<OpCode>(OPX_INDEX_GET));
    } else if (GET_OPCODE(next.code) == OP_SETTABLE && next.b == r.a) {
      SET_OPCODE(r.code, static_cast<OpCode>(OPX_INDEX_SET));
    } else {
      continue;
    }
    pc++;
  }
}

// Whether the instruction leaves register `r' alone: it does not write it, and reads it only
// as a number operand (arithmetic and comparisons), if at all.
bool LeavesIndexAlone(Instruction i, int r) {
  auto reg = [r](int rk) { return !ISK(rk) && rk == r; };
  int a = GETARG_A(i);
  switch (GET_OPCODE(i)) {
    case OP_ADD: case OP_SUB: case OP_MUL: case OP_DIV: case OP_POW:
    case OP_BAND: case OP_BOR: case OP_SHL: case OP_SHR: case OP_UNM:
    case OP_LOADK: case OP_LOADBOOL: case OP_GETUPVAL: case OP_GETGLOBAL: case OP_NEWTABLE:
      return a != r;
    case OP_EQ: case OP_LT: case OP_LE: case OP_JMP: case OP_CLOSE: return true;
    case OP_FORLOOP: return a > r;  // an inner loop, its registers above
    case OP_LOADNIL: return r < a || r > GETARG_B(i);
    case OP_MOVE: case OP_NOT: case OP_TEST: return a != r && GETARG_B(i) != r;
    case OP_CONCAT: return a != r;  // reads it as text
    case OP_GETTABLE: return a != r && GETARG_B(i) != r && !reg(GETARG_C(i));
    case OP_SETTABLE: return a != r && !reg(GETARG_B(i)) && !reg(GETARG_C(i));
    case OP_SETGLOBAL: case OP_SETUPVAL: return a != r;
    default: return false;
  }
}

// Flags the for loops whose body does more with the index than compute with it (vm_code.h).
// In the others the index never gets a hint: the code before the loop computes it, and only
// the loop writes it.
void MarkHintedLoops(const Proto *f, RunInstruction *code) {
  for (int pc = 0; pc < f->sizecode; pc++) {
    Instruction i = f->code[pc];
    if (GET_OPCODE(i) != OP_FORLOOP) continue;
    int start = pc + 1 + GETARG_sBx(i);
    bool hinted = start < 0 || start > pc;  // not a loop back: keep the hint
    for (int q = start; !hinted && q < pc; q++) hinted = !LeavesIndexAlone(f->code[q], GETARG_A(i));
    if (hinted) code[pc].form = FORM_INDEXHINT;
  }
}

}  // namespace

void luaV_prepare(lua_State *L, Proto *f) {
  RunInstruction *out = luaM_newvector(L, f->sizecode, RunInstruction);
  static_assert(MAXARG_A * sizeof(TObject) <= UINT16_MAX && (MAXARG_B - MAXSTACK) * sizeof(TObject) <= UINT16_MAX,
                "operand offsets fit their fields");
  for (int pc = 0; pc < f->sizecode; pc++) {
    const Instruction standard = f->code[pc];
    Instruction i = standard;
    switch (GET_OPCODE(i)) {
      case OP_ADD: i = TwoOperands(f, i, OPX_ADD_RR); break;
      case OP_SUB: i = TwoOperands(f, i, OPX_SUB_RR); break;
      case OP_MUL: i = TwoOperands(f, i, OPX_MUL_RR); break;
      case OP_DIV: i = TwoOperands(f, i, OPX_DIV_RR); break;
      case OP_LT: i = TwoOperands(f, i, OPX_LT_RR); break;
      case OP_LE: i = TwoOperands(f, i, OPX_LE_RR); break;
      // Every constant key takes the K form, so the standard opcode is left with register keys.
      case OP_GETTABLE:
        if (ISK(GETARG_C(i))) {
          SET_OPCODE(i, static_cast<OpCode>(OPX_GETTABLE_K));
          SETARG_C(i, INDEXK(GETARG_C(i)));
        }
        break;
      case OP_SELF:
        if (IsStringK(f, GETARG_C(i))) {
          SET_OPCODE(i, static_cast<OpCode>(OPX_SELF_K));
          SETARG_C(i, INDEXK(GETARG_C(i)));
        }
        break;
      case OP_SETTABLE:
        if (ISK(GETARG_B(i))) {
          SET_OPCODE(i, static_cast<OpCode>(OPX_SETTABLE_K));
          SETARG_B(i, INDEXK(GETARG_B(i)));
        }
        break;
      default: break;
    }
    RunInstruction &r = out[pc];
    r.code = i;
    r.a = Offset(GETARG_A(i));
    r.b = r.c = 0;
    r.form = r.chain = 0;
    r.jump = 0;
    if (GET_OPCODE(i) >= NUM_OPCODES || GET_OPCODE(i) == OP_GETTABLE || GET_OPCODE(i) == OP_SETTABLE) {
      r.b = Offset(GETARG_B(standard));
      r.c = Offset(GETARG_C(standard));
      if (IsArithForm(r)) r.form = FormOf(GET_OPCODE(i));
      // A table write's value: a register or a constant.
      if (GET_OPCODE(i) == OP_SETTABLE || GET_OPCODE(i) == static_cast<int>(OPX_SETTABLE_K)) r.form = ISK(GETARG_C(i)) ? FORM_KC : 0;
    } else if (GET_OPCODE(i) == OP_JMP || GET_OPCODE(i) == OP_FORLOOP || GET_OPCODE(i) == OP_TFORPREP) {
      r.jump = GETARG_sBx(i);
    }
  }
  // Number constants carry their hints (object.h): a constant key or a for loop's step.
  for (int n = 0; n < f->sizek; n++) {
    if (ttisnumber(&f->k[n])) sethintednvalue(&f->k[n], nvalue(&f->k[n]));
  }
  MarkChains(out, f->sizecode);
  MarkIndexPairs(out, f->sizecode);
  MarkHintedLoops(f, out);
  f->runcode = out;
}
