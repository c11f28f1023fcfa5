// Instruction encoding and opcode set of the script virtual machine, shared by the code
// generator, the interpreter loop, the code checker, the chunk reader/writer and the listing tool.
#pragma once

#include <cstdint>

// One 32-bit instruction: opcode in bits 0-5, C in 6-14, B in 15-23, A in 24-31;
// Bx (unsigned) and sBx (Bx minus MAXARG_sBx) share bits 6-23.
typedef uint32_t Instruction;

constexpr int SIZE_OP = 6;
constexpr int SIZE_C = 9;
constexpr int SIZE_B = 9;
constexpr int SIZE_A = 8;
constexpr int SIZE_Bx = SIZE_C + SIZE_B;

constexpr int POS_OP = 0;
constexpr int POS_C = POS_OP + SIZE_OP;
constexpr int POS_B = POS_C + SIZE_C;
constexpr int POS_A = POS_B + SIZE_B;
constexpr int POS_Bx = POS_C;

constexpr int MAXARG_A = (1 << SIZE_A) - 1;
constexpr int MAXARG_B = (1 << SIZE_B) - 1;
constexpr int MAXARG_C = (1 << SIZE_C) - 1;
constexpr int MAXARG_Bx = (1 << SIZE_Bx) - 1;  // 262143
constexpr int MAXARG_sBx = MAXARG_Bx >> 1;      // 131071

// A register number that means "no register" (jump lists, TEST fix-ups).
constexpr int NO_REG = MAXARG_A;

// Registers a function may use; also the RK threshold: an RK operand of MAXSTACK or more names
// constant (operand - MAXSTACK), below it a register.
// (script_limits.h defines the same figure; either header may come first.)
#ifndef MAXSTACK
#define MAXSTACK 250
#endif
constexpr bool ISK(int x) { return x >= MAXSTACK; }
constexpr int INDEXK(int x) { return x - MAXSTACK; }
constexpr int RKASK(int k) { return k + MAXSTACK; }
// The largest constant index usable directly as an RK operand (250 + index must stay below 512).
constexpr int MAXINDEXRK = MAXARG_B - MAXSTACK;

// List items flushed by one SETLIST/SETLISTO.
#ifndef LFIELDS_PER_FLUSH
#define LFIELDS_PER_FLUSH 32
#endif

// Opcode numbers are part of the precompiled-chunk format: the bit operators take 16-19 and
// everything from POW on sits four above the stock 5.0 numbering.
enum OpCode : uint8_t {
  OP_MOVE = 0,      // A B     R(A) := R(B)
  OP_LOADK = 1,     // A Bx    R(A) := K(Bx)
  OP_LOADBOOL = 2,  // A B C   R(A) := (B != 0); if C then pc++
  OP_LOADNIL = 3,   // A B     R(A) .. R(B) := nil
  OP_GETUPVAL = 4,  // A B     R(A) := UpValue[B]
  OP_GETGLOBAL = 5, // A Bx    R(A) := Gbl[K(Bx)]
  OP_GETTABLE = 6,  // A B C   R(A) := R(B)[RK(C)]
  OP_SETGLOBAL = 7, // A Bx    Gbl[K(Bx)] := R(A)
  OP_SETUPVAL = 8,  // A B     UpValue[B] := R(A)
  OP_SETTABLE = 9,  // A B C   R(A)[RK(B)] := RK(C)
  OP_NEWTABLE = 10, // A B C   R(A) := {} (array size B as floating byte, hash size 2^C)
  OP_SELF = 11,     // A B C   R(A+1) := R(B); R(A) := R(B)[RK(C)]
  OP_ADD = 12,      // A B C   R(A) := RK(B) + RK(C)
  OP_SUB = 13,
  OP_MUL = 14,
  OP_DIV = 15,
  OP_BAND = 16,     // A B C   R(A) := RK(B) & RK(C)
  OP_BOR = 17,      // A B C   R(A) := RK(B) | RK(C)
  OP_SHL = 18,      // A B C   R(A) := RK(B) << RK(C)
  OP_SHR = 19,      // A B C   R(A) := RK(B) >> RK(C) (logical)
  OP_POW = 20,
  OP_UNM = 21,      // A B     R(A) := -R(B)
  OP_NOT = 22,      // A B     R(A) := not R(B)
  OP_CONCAT = 23,   // A B C   R(A) := R(B) .. ... .. R(C)
  OP_JMP = 24,      // sBx     pc += sBx
  OP_EQ = 25,       // A B C   if ((RK(B) == RK(C)) ~= A) then pc++
  OP_LT = 26,
  OP_LE = 27,
  OP_TEST = 28,     // A B C   if (R(B) <=> C) then R(A) := R(B) else pc++
  OP_CALL = 29,     // A B C   R(A), .. R(A+C-2) := R(A)(R(A+1), .. R(A+B-1))
  OP_TAILCALL = 30, // A B C   return R(A)(R(A+1), .. R(A+B-1))
  OP_RETURN = 31,   // A B     return R(A), .. R(A+B-2)
  OP_FORLOOP = 32,  // A sBx   R(A) += R(A+2); if R(A) <?= R(A+1) then pc += sBx
  OP_TFORLOOP = 33, // A C     R(A+2), .. R(A+2+C) := R(A)(R(A+1), R(A+2)); if R(A+2) ~= nil then pc++
  OP_TFORPREP = 34, // A sBx   if type(R(A)) == table then R(A+1) := R(A), R(A) := next; pc += sBx
  OP_SETLIST = 35,  // A Bx    R(A)[Bx-Bx%32+i] := R(A+i), 1 <= i <= Bx%32+1
  OP_SETLISTO = 36, // A Bx    the same, count from the stack top
  OP_CLOSE = 37,    // A       close all upvalues >= R(A)
  OP_CLOSURE = 38,  // A Bx    R(A) := closure(KPROTO[Bx], R(A), ... ,R(A+n))
};

constexpr int NUM_OPCODES = OP_CLOSURE + 1;

// Field access. Arguments are unchecked: callers keep them within the MAXARG limits.
constexpr OpCode GET_OPCODE(Instruction i) { return static_cast<OpCode>(i & 0x3Fu); }
constexpr int GETARG_A(Instruction i) { return static_cast<int>(i >> POS_A); }
constexpr int GETARG_B(Instruction i) { return static_cast<int>((i >> POS_B) & MAXARG_B); }
constexpr int GETARG_C(Instruction i) { return static_cast<int>((i >> POS_C) & MAXARG_C); }
constexpr int GETARG_Bx(Instruction i) { return static_cast<int>((i >> POS_Bx) & MAXARG_Bx); }
constexpr int GETARG_sBx(Instruction i) { return GETARG_Bx(i) - MAXARG_sBx; }

inline void SET_OPCODE(Instruction& i, OpCode o) { i = (i & ~0x3Fu) | static_cast<Instruction>(o); }
inline void SETARG_A(Instruction& i, int v) {
  i = (i & ~(static_cast<Instruction>(MAXARG_A) << POS_A)) | (static_cast<Instruction>(v) << POS_A);
}
inline void SETARG_B(Instruction& i, int v) {
  i = (i & ~(static_cast<Instruction>(MAXARG_B) << POS_B)) |
      ((static_cast<Instruction>(v) & MAXARG_B) << POS_B);
}
inline void SETARG_C(Instruction& i, int v) {
  i = (i & ~(static_cast<Instruction>(MAXARG_C) << POS_C)) |
      ((static_cast<Instruction>(v) & MAXARG_C) << POS_C);
}
inline void SETARG_Bx(Instruction& i, int v) {
  i = (i & ~(static_cast<Instruction>(MAXARG_Bx) << POS_Bx)) |
      ((static_cast<Instruction>(v) & MAXARG_Bx) << POS_Bx);
}
inline void SETARG_sBx(Instruction& i, int v) { SETARG_Bx(i, v + MAXARG_sBx); }

constexpr Instruction CREATE_ABC(OpCode o, int a, int b, int c) {
  return static_cast<Instruction>(o) | (static_cast<Instruction>(a) << POS_A) |
         ((static_cast<Instruction>(b) & MAXARG_B) << POS_B) |
         ((static_cast<Instruction>(c) & MAXARG_C) << POS_C);
}
constexpr Instruction CREATE_ABx(OpCode o, int a, int bx) {
  return static_cast<Instruction>(o) | (static_cast<Instruction>(a) << POS_A) |
         ((static_cast<Instruction>(bx) & MAXARG_Bx) << POS_Bx);
}
constexpr Instruction CREATE_AsBx(OpCode o, int a, int sbx) { return CREATE_ABx(o, a, sbx + MAXARG_sBx); }

// Operand formats and flags per opcode, for the code generator and the static code checker.
enum OpMode : uint8_t { iABC = 0, iABx = 1, iAsBx = 2 };

enum OpModeFlag : uint8_t {
  OpModeBreg = 1u << 2,  // B is a register
  OpModeBrk = 1u << 3,   // B is a register or a constant (RK)
  OpModeCrk = 1u << 4,   // C is a register or a constant (RK)
  OpModesetA = 1u << 5,  // the instruction sets register A
  OpModeK = 1u << 6,     // Bx is a constant index
  OpModeT = 1u << 7,     // a test: the next instruction is a jump
};

namespace opcodes_detail {
constexpr uint8_t M(OpMode m, unsigned flags) { return static_cast<uint8_t>(m | flags); }
}  // namespace opcodes_detail

inline constexpr uint8_t luaP_opmodes[NUM_OPCODES] = {
  opcodes_detail::M(iABC, OpModeBreg | OpModesetA),               // MOVE
  opcodes_detail::M(iABx, OpModeK | OpModesetA),                  // LOADK
  opcodes_detail::M(iABC, OpModesetA),                            // LOADBOOL
  opcodes_detail::M(iABC, OpModeBreg | OpModesetA),               // LOADNIL
  opcodes_detail::M(iABC, OpModesetA),                            // GETUPVAL
  opcodes_detail::M(iABx, OpModeK | OpModesetA),                  // GETGLOBAL
  opcodes_detail::M(iABC, OpModeBreg | OpModeCrk | OpModesetA),   // GETTABLE
  opcodes_detail::M(iABx, OpModeK),                               // SETGLOBAL
  opcodes_detail::M(iABC, 0),                                     // SETUPVAL
  opcodes_detail::M(iABC, OpModeBrk | OpModeCrk),                 // SETTABLE
  opcodes_detail::M(iABC, OpModesetA),                            // NEWTABLE
  opcodes_detail::M(iABC, OpModeBreg | OpModeCrk | OpModesetA),   // SELF
  opcodes_detail::M(iABC, OpModeBrk | OpModeCrk | OpModesetA),    // ADD
  opcodes_detail::M(iABC, OpModeBrk | OpModeCrk | OpModesetA),    // SUB
  opcodes_detail::M(iABC, OpModeBrk | OpModeCrk | OpModesetA),    // MUL
  opcodes_detail::M(iABC, OpModeBrk | OpModeCrk | OpModesetA),    // DIV
  opcodes_detail::M(iABC, OpModeBrk | OpModeCrk | OpModesetA),    // BAND
  opcodes_detail::M(iABC, OpModeBrk | OpModeCrk | OpModesetA),    // BOR
  opcodes_detail::M(iABC, OpModeBrk | OpModeCrk | OpModesetA),    // SHL
  opcodes_detail::M(iABC, OpModeBrk | OpModeCrk | OpModesetA),    // SHR
  opcodes_detail::M(iABC, OpModeBrk | OpModeCrk | OpModesetA),    // POW
  opcodes_detail::M(iABC, OpModeBreg | OpModesetA),               // UNM
  opcodes_detail::M(iABC, OpModeBreg | OpModesetA),               // NOT
  opcodes_detail::M(iABC, OpModeBreg | OpModeCrk | OpModesetA),   // CONCAT
  opcodes_detail::M(iAsBx, 0),                                    // JMP
  opcodes_detail::M(iABC, OpModeT | OpModeBrk | OpModeCrk),       // EQ
  opcodes_detail::M(iABC, OpModeT | OpModeBrk | OpModeCrk),       // LT
  opcodes_detail::M(iABC, OpModeT | OpModeBrk | OpModeCrk),       // LE
  opcodes_detail::M(iABC, OpModeT | OpModeBreg | OpModesetA),     // TEST
  opcodes_detail::M(iABC, 0),                                     // CALL
  opcodes_detail::M(iABC, 0),                                     // TAILCALL
  opcodes_detail::M(iABC, 0),                                     // RETURN
  opcodes_detail::M(iAsBx, 0),                                    // FORLOOP
  opcodes_detail::M(iABC, OpModeT),                               // TFORLOOP
  opcodes_detail::M(iAsBx, 0),                                    // TFORPREP
  opcodes_detail::M(iABx, 0),                                     // SETLIST
  opcodes_detail::M(iABx, 0),                                     // SETLISTO
  opcodes_detail::M(iABC, 0),                                     // CLOSE
  opcodes_detail::M(iABx, OpModesetA),                            // CLOSURE
};

constexpr OpMode getOpMode(OpCode o) { return static_cast<OpMode>(luaP_opmodes[o] & 3u); }
constexpr bool testOpMode(OpCode o, OpModeFlag f) { return (luaP_opmodes[o] & f) != 0; }

// Names as the listing tool prints them.
inline constexpr const char* luaP_opnames[NUM_OPCODES] = {
  "MOVE",   "LOADK",    "LOADBOOL", "LOADNIL", "GETUPVAL", "GETGLOBAL", "GETTABLE", "SETGLOBAL",
  "SETUPVAL", "SETTABLE", "NEWTABLE", "SELF",  "ADD",      "SUB",       "MUL",      "DIV",
  "BAND",   "BOR",      "SHL",      "SHR",     "POW",      "UNM",       "NOT",      "CONCAT",
  "JMP",    "EQ",       "LT",       "LE",      "TEST",     "CALL",      "TAILCALL", "RETURN",
  "FORLOOP", "TFORLOOP", "TFORPREP", "SETLIST", "SETLISTO", "CLOSE",    "CLOSURE",
};

// Floating-byte size of NEWTABLE's B field: value (b & 7) << (b >> 3). Encoding rounds up, so
// a table never gets fewer array slots than asked for.
constexpr int luaP_fb2int(int b) { return (b & 7) << (b >> 3); }
constexpr int luaP_int2fb(unsigned int x) {
  int e = 0;
  while (x >= 8) {
    x = (x + 1) >> 1;
    e++;
  }
  return (e << 3) | static_cast<int>(x);
}
