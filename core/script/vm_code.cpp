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
    r.jump = 0;
    if (GET_OPCODE(i) >= NUM_OPCODES || GET_OPCODE(i) == OP_GETTABLE || GET_OPCODE(i) == OP_SETTABLE) {
      r.b = Offset(GETARG_B(standard));
      r.c = Offset(GETARG_C(standard));
    } else if (GET_OPCODE(i) == OP_JMP || GET_OPCODE(i) == OP_FORLOOP || GET_OPCODE(i) == OP_TFORPREP) {
      r.jump = GETARG_sBx(i);
    }
  }
  f->runcode = out;
}
