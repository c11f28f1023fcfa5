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
  // The first arithmetic form of a chain (`chain' below): runs it and the one or two after it
  // when every operand is a number, the results passed on in machine registers rather than
  // stored and read back (the latency of that trip bounds numeric loops); else it runs alone.
  OPX_CHAIN,
  // A GETTABLE whose result is the key of the GETTABLE (SETTABLE) right after it, as in
  // t[keys[i]]: the key is passed on in machine registers rather than stored and read back.
  // Either half that needs more than a raw read or write runs alone, the second from its own pc.
  OPX_INDEX_GET,
  OPX_INDEX_SET,
  NUM_RUNOPCODES
};
static_assert(NUM_RUNOPCODES <= 64, "the opcode field has six bits");

// RunInstruction::form of an arithmetic form: the operation in the low bits, and which of its
// operands are constants. A table write (SETTABLE and its K form) has FORM_KC when its value
// is a constant.
enum RunForm : uint8_t {
  FORM_ADD = 0,
  FORM_SUB = 1,
  FORM_MUL = 2,
  FORM_DIV = 3,
  FORM_OPMASK = 3,
  FORM_KB = 4,
  FORM_KC = 8,
  // A FORLOOP whose body does more with its index than compute with it (a key, a value stored
  // or passed on, a new value): the index carries its hint (object.h). In other loops it has
  // none, and the loop writes only its number.
  FORM_INDEXHINT = 16,
};

// RunInstruction::chain of a chain's first instruction (OPX_CHAIN). The instructions after it
// keep their own forms: a jump that lands on one of them runs it alone.
enum RunChain : uint8_t {
  CHAIN_NONE = 0,
  CHAIN_INTO_B,  // the next form's B is this result
  CHAIN_INTO_C,  // the next form's C is this result
  CHAIN_PAIR,    // the next form is apart; the one after it joins the two results (B this, C next)
};

// Makes f->runcode from f->code (and the constants). Raises the memory error on failure.
void luaV_prepare(lua_State *L, Proto *f);
