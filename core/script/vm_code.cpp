// Translation of a prototype's standard code into the form the interpreter runs (vm_code.h).
#include "core/script/vm_code.h"

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

// B and C of a run-time form as byte offsets from the registers or the constants.
RunInstruction OperandOffsets(Instruction standard) {
  auto offset = [](int rk) {
    return static_cast<RunInstruction>(ISK(rk) ? INDEXK(rk) : rk) * sizeof(TObject);
  };
  return offset(GETARG_B(standard)) << 32 | offset(GETARG_C(standard)) << 48;
}

}  // namespace

void luaV_prepare(lua_State *L, Proto *f) {
  RunInstruction *out = luaM_newvector(L, f->sizecode, RunInstruction);
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
      case OP_GETTABLE:
        if (IsStringK(f, GETARG_C(i))) {
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
        if (IsStringK(f, GETARG_B(i))) {
          SET_OPCODE(i, static_cast<OpCode>(OPX_SETTABLE_K));
          SETARG_B(i, INDEXK(GETARG_B(i)));
        }
        break;
      default: break;
    }
    out[pc] = i;
    if (GET_OPCODE(i) >= NUM_OPCODES) {
      out[pc] |= OperandOffsets(standard);
    } else if (GET_OPCODE(i) == OP_JMP || GET_OPCODE(i) == OP_FORLOOP || GET_OPCODE(i) == OP_TFORPREP) {
      out[pc] |= static_cast<RunInstruction>(static_cast<uint32_t>(GETARG_sBx(i))) << 32;
    }
  }
  f->runcode = out;
}
