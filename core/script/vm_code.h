// The interpreter's own code form. Each prototype keeps its standard code (chunks, listings, the
// code checker and messages read it) and a copy made once when it is compiled or loaded, in
// which instructions whose operand kinds are known take specialised opcodes: no register or
// constant test, no type test of a number constant. The copy has one instruction for each
// standard one, so a pc is the same in both: it holds the standard word (a specialised form's
// constant operands hold the constant's index itself), A as a byte offset into the registers,
// a specialised form's B and C as byte offsets into the registers or the constants, and a
// jump's offset (object.h, RunInstruction).
#pragma once

#include "core/script/object.h"
#include "core/script/opcodes.h"

// Specialised opcodes take the numbers the standard set leaves free. R: a register, K: a
// number constant (any constant key for GETTABLE and SETTABLE, a string for SELF). In the
// run-time code GETTABLE and SETTABLE themselves always have their key in a register, whose
// offset B or C carries like a specialised form's.
enum RunOpCode : uint8_t {
  OPX_ADD_RR = NUM_OPCODES,
  OPX_ADD_RK,
  OPX_ADD_KR,
  OPX_SUB_RR,
  OPX_SUB_RK,
  OPX_SUB_KR,
  OPX_MUL_RR,
  OPX_MUL_RK,
  OPX_MUL_KR,
  OPX_DIV_RR,
  OPX_DIV_RK,
  OPX_DIV_KR,
  OPX_LT_RR,
  OPX_LT_RK,
  OPX_LT_KR,
  OPX_LE_RR,
  OPX_LE_RK,
  OPX_LE_KR,
  OPX_GETTABLE_K,  // R(A) := R(B)[K(C)]
  OPX_SETTABLE_K,  // R(A)[K(B)] := RK(C)
  OPX_SELF_K,      // R(A+1) := R(B); R(A) := R(B)[K(C)], a string key
  NUM_RUNOPCODES
};
static_assert(NUM_RUNOPCODES <= 64, "the opcode field has six bits");

// Makes f->runcode from f->code (and the constants). Raises the memory error on failure.
void luaV_prepare(lua_State *L, Proto *f);
