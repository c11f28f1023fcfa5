// Golden listings of the code generator's distinctive sequences: bit operators, the shifted
// opcode numbers, constant handling, size hints, loops and the closing of captured locals by
// break and continue.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/script/listing.h"
#include "core/script/lua.h"
#include "core/script/state.h"

namespace {

struct Source {
  const char* text;
  bool given;
};

const char* ReadAll(lua_State*, void* ud, size_t* size) {
  auto* s = static_cast<Source*>(ud);
  if (s->given) return nullptr;
  s->given = true;
  *size = strlen(s->text);
  return s->text;
}

std::string Listing(const char* text) {
  lua_State* L = lua_open();
  Source s{text, false};
  std::string out;
  if (lua_load(L, ReadAll, &s, "=test") != 0)
    out = std::string("load error: ") + lua_tostring(L, -1);
  else
    luaK_listing(clvalue(L->top - 1)->l.p, &out);
  lua_close(L);
  return out;
}

struct Golden {
  const char* name;
  const char* source;
  const char* listing;
};

const Golden kGolden[] = {
    {"BitOperatorsOnRegisters",
     R"(local a, b = 5, 3; local c = a & b)",
     R"(function <=test:0> (4 instructions)
0 params, 0 upvalues, 3 stack, 2 constants, 3 locals, 0 functions
   1 [1]  1 LOADK     0 0	; 5
   2 [1]  1 LOADK     1 1	; 3
   3 [1] 16 BAND      2 0 1
   4 [1] 31 RETURN    0 1 0
)"},
    {"BitOperatorsOnConstantsAreNotFolded",
     R"(x = 255 & 15 | 1 << 4 >> y)",
     R"(function <=test:0> (7 instructions)
0 params, 0 upvalues, 2 stack, 6 constants, 0 locals, 0 functions
   1 [1] 16 BAND      0 251 252	; 255 15
   2 [1] 17 BOR       0 0 253	; 1
   3 [1] 18 SHL       0 0 254	; 4
   4 [1]  5 GETGLOBAL 1 5	; "y"
   5 [1] 19 SHR       0 0 1
   6 [1]  7 SETGLOBAL 0 0	; "x"
   7 [1] 31 RETURN    0 1 0
)"},
    {"ArithmeticOpcodesFromPowOnAreShifted",
     R"(x = a + b - c * d / e ^ f)",
     R"(function <=test:0> (13 instructions)
0 params, 0 upvalues, 4 stack, 7 constants, 0 locals, 0 functions
   1 [1]  5 GETGLOBAL 0 1	; "a"
   2 [1]  5 GETGLOBAL 1 2	; "b"
   3 [1] 12 ADD       0 0 1
   4 [1]  5 GETGLOBAL 1 3	; "c"
   5 [1]  5 GETGLOBAL 2 4	; "d"
   6 [1] 14 MUL       1 1 2
   7 [1]  5 GETGLOBAL 2 5	; "e"
   8 [1]  5 GETGLOBAL 3 6	; "f"
   9 [1] 20 POW       2 2 3
  10 [1] 15 DIV       1 1 2
  11 [1] 13 SUB       0 0 1
  12 [1]  7 SETGLOBAL 0 0	; "x"
  13 [1] 31 RETURN    0 1 0
)"},
    {"UnaryMinusFoldsNumeralsOnly",
     R"(x = -2; x = -y; x = not nil; x = not y)",
     R"(function <=test:0> (11 instructions)
0 params, 0 upvalues, 2 stack, 4 constants, 0 locals, 0 functions
   1 [1]  1 LOADK     0 2	; -2
   2 [1]  7 SETGLOBAL 0 0	; "x"
   3 [1]  5 GETGLOBAL 0 3	; "y"
   4 [1] 21 UNM       0 0 0
   5 [1]  7 SETGLOBAL 0 0	; "x"
   6 [1]  2 LOADBOOL  0 1 0
   7 [1]  7 SETGLOBAL 0 0	; "x"
   8 [1]  5 GETGLOBAL 0 3	; "y"
   9 [1] 22 NOT       0 0 0
  10 [1]  7 SETGLOBAL 0 0	; "x"
  11 [1] 31 RETURN    0 1 0
)"},
    {"GreaterThanSwapsOperands",
     R"(local a, b; local c = a > b; local d = a >= b; local e = a ~= b)",
     R"(function <=test:0> (14 instructions)
0 params, 0 upvalues, 5 stack, 0 constants, 5 locals, 0 functions
   1 [1]  3 LOADNIL   0 1 0
   2 [1] 26 LT        1 1 0
   3 [1] 24 JMP       0 1	; to 5
   4 [1]  2 LOADBOOL  2 0 1
   5 [1]  2 LOADBOOL  2 1 0
   6 [1] 27 LE        1 1 0
   7 [1] 24 JMP       0 1	; to 9
   8 [1]  2 LOADBOOL  3 0 1
   9 [1]  2 LOADBOOL  3 1 0
  10 [1] 25 EQ        0 0 1
  11 [1] 24 JMP       0 1	; to 13
  12 [1]  2 LOADBOOL  4 0 1
  13 [1]  2 LOADBOOL  4 1 0
  14 [1] 31 RETURN    0 1 0
)"},
    {"WideConstantsShareASlot",
     R"(local a, b = L"x", L"x"; local c = "x"; f L"\x263A")",
     R"(function <=test:0> (7 instructions)
0 params, 0 upvalues, 5 stack, 4 constants, 3 locals, 0 functions
   1 [1]  1 LOADK     0 0	; L"x"
   2 [1]  1 LOADK     1 0	; L"x"
   3 [1]  1 LOADK     2 1	; "x"
   4 [1]  5 GETGLOBAL 3 2	; "f"
   5 [1]  1 LOADK     4 3	; L"\x263A"
   6 [1] 29 CALL      3 2 1
   7 [1] 31 RETURN    0 1 0
)"},
    {"SizeHints",
     R"(t = {&4 &16}; u = {&3}; v = {&2 1, 2, 3})",
     R"(function <=test:0> (11 instructions)
0 params, 0 upvalues, 4 stack, 6 constants, 0 locals, 0 functions
   1 [1] 10 NEWTABLE  0 20 3
   2 [1]  7 SETGLOBAL 0 0	; "t"
   3 [1] 10 NEWTABLE  0 0 2
   4 [1]  7 SETGLOBAL 0 1	; "u"
   5 [1] 10 NEWTABLE  0 3 2
   6 [1]  1 LOADK     1 3	; 1
   7 [1]  1 LOADK     2 4	; 2
   8 [1]  1 LOADK     3 5	; 3
   9 [1] 35 SETLIST   0 2
  10 [1]  7 SETGLOBAL 0 2	; "v"
  11 [1] 31 RETURN    0 1 0
)"},
    {"HugeSizeHintsStopAtTheTableLimits",
     R"(t = {&1e10 &0xffffffff})",
     R"(function <=test:0> (3 instructions)
0 params, 0 upvalues, 2 stack, 1 constants, 0 locals, 0 functions
   1 [1] 10 NEWTABLE  0 180 24
   2 [1]  7 SETGLOBAL 0 0	; "t"
   3 [1] 31 RETURN    0 1 0
)"},
    {"ConcatChainIsOneInstruction",
     R"(x = a .. b .. c .. d)",
     R"(function <=test:0> (7 instructions)
0 params, 0 upvalues, 4 stack, 5 constants, 0 locals, 0 functions
   1 [1]  5 GETGLOBAL 0 1	; "a"
   2 [1]  5 GETGLOBAL 1 2	; "b"
   3 [1]  5 GETGLOBAL 2 3	; "c"
   4 [1]  5 GETGLOBAL 3 4	; "d"
   5 [1] 23 CONCAT    0 0 3
   6 [1]  7 SETGLOBAL 0 0	; "x"
   7 [1] 31 RETURN    0 1 0
)"},
    {"AndOrBecomeJumps",
     R"(x = a and b or c)",
     R"(function <=test:0> (9 instructions)
0 params, 0 upvalues, 2 stack, 4 constants, 0 locals, 0 functions
   1 [1]  5 GETGLOBAL 0 1	; "a"
   2 [1] 28 TEST      0 0 0
   3 [1] 24 JMP       0 3	; to 7
   4 [1]  5 GETGLOBAL 0 2	; "b"
   5 [1] 28 TEST      0 0 1
   6 [1] 24 JMP       0 1	; to 8
   7 [1]  5 GETGLOBAL 0 3	; "c"
   8 [1]  7 SETGLOBAL 0 0	; "x"
   9 [1] 31 RETURN    0 1 0
)"},
    {"WhileMovesItsCondition",
     R"(while a < 10 do a = a + 1 end)",
     R"(function <=test:0> (8 instructions)
0 params, 0 upvalues, 2 stack, 3 constants, 0 locals, 0 functions
   1 [1] 24 JMP       0 3	; to 5
   2 [1]  5 GETGLOBAL 0 0	; "a"
   3 [1] 12 ADD       0 0 252	; 1
   4 [1]  7 SETGLOBAL 0 0	; "a"
   5 [1]  5 GETGLOBAL 0 0	; "a"
   6 [1] 26 LT        1 0 251	; 10
   7 [1] 24 JMP       0 -6	; to 2
   8 [1] 31 RETURN    0 1 0
)"},
    {"BreakClosesCapturedLocals",
     R"(while true do local x = 1; f = function() return x end; break end)",
     R"(function <=test:0> (10 instructions)
0 params, 0 upvalues, 2 stack, 2 constants, 1 locals, 1 functions
   1 [1] 24 JMP       0 7	; to 9
   2 [1]  1 LOADK     0 0	; 1
   3 [1] 38 CLOSURE   1 0
   4 [1]  0 MOVE      0 0 0
   5 [1]  7 SETGLOBAL 1 1	; "f"
   6 [1] 37 CLOSE     0 0 0
   7 [1] 24 JMP       0 2	; to 10
   8 [1] 37 CLOSE     0 0 0
   9 [1] 24 JMP       0 -8	; to 2
  10 [1] 31 RETURN    0 1 0

function <=test:1> (3 instructions)
0 params, 1 upvalues, 2 stack, 0 constants, 0 locals, 0 functions
   1 [1]  4 GETUPVAL  0 0 0
   2 [1] 31 RETURN    0 2 0
   3 [1] 31 RETURN    0 1 0
)"},
    {"ContinueClosesCapturedLocals",
     R"(while c do local x = 1; f = function() return x end; continue end)",
     R"(function <=test:0> (12 instructions)
0 params, 0 upvalues, 2 stack, 3 constants, 1 locals, 1 functions
   1 [1] 24 JMP       0 7	; to 9
   2 [1]  1 LOADK     0 1	; 1
   3 [1] 38 CLOSURE   1 0
   4 [1]  0 MOVE      0 0 0
   5 [1]  7 SETGLOBAL 1 2	; "f"
   6 [1] 37 CLOSE     0 0 0
   7 [1] 24 JMP       0 1	; to 9
   8 [1] 37 CLOSE     0 0 0
   9 [1]  5 GETGLOBAL 0 0	; "c"
  10 [1] 28 TEST      0 0 1
  11 [1] 24 JMP       0 -10	; to 2
  12 [1] 31 RETURN    0 1 0

function <=test:1> (3 instructions)
0 params, 1 upvalues, 2 stack, 0 constants, 0 locals, 0 functions
   1 [1]  4 GETUPVAL  0 0 0
   2 [1] 31 RETURN    0 2 0
   3 [1] 31 RETURN    0 1 0
)"},
    {"ContinueBeforeTheCaptureLandsOnTheBodyClose",
     R"(for i = 1, 3 do
  local x = i
  if i == 2 then continue end
  f = function() return x end
end)",
     R"(function <=test:0> (15 instructions)
0 params, 0 upvalues, 5 stack, 4 constants, 4 locals, 1 functions
   1 [1]  1 LOADK     0 0	; 1
   2 [1]  1 LOADK     1 1	; 3
   3 [1]  1 LOADK     2 0	; 1
   4 [1] 13 SUB       0 0 2
   5 [1] 24 JMP       0 8	; to 14
   6 [2]  0 MOVE      3 0 0
   7 [3] 25 EQ        0 0 252	; 2
   8 [3] 24 JMP       0 1	; to 10
   9 [3] 24 JMP       0 3	; to 13
  10 [4] 38 CLOSURE   4 0
  11 [4]  0 MOVE      0 3 0
  12 [4]  7 SETGLOBAL 4 3	; "f"
  13 [4] 37 CLOSE     3 0 0
  14 [1] 32 FORLOOP   0 -9	; to 6
  15 [5] 31 RETURN    0 1 0

function <=test:4> (3 instructions)
0 params, 1 upvalues, 2 stack, 0 constants, 0 locals, 0 functions
   1 [4]  4 GETUPVAL  0 0 0
   2 [4] 31 RETURN    0 2 0
   3 [4] 31 RETURN    0 1 0
)"},
    {"ContinueTwoLevelsLandsOnTheOuterClose",
     R"(for i = 1, 3 do
  local x = i
  for j = 1, 2 do
    if j == 2 then continue 2 end
    f = function() return x end
  end
end)",
     R"(function <=test:0> (21 instructions)
0 params, 0 upvalues, 8 stack, 4 constants, 7 locals, 1 functions
   1 [1]  1 LOADK     0 0	; 1
   2 [1]  1 LOADK     1 1	; 3
   3 [1]  1 LOADK     2 0	; 1
   4 [1] 13 SUB       0 0 2
   5 [1] 24 JMP       0 14	; to 20
   6 [2]  0 MOVE      3 0 0
   7 [3]  1 LOADK     4 0	; 1
   8 [3]  1 LOADK     5 2	; 2
   9 [3]  1 LOADK     6 0	; 1
  10 [3] 13 SUB       4 4 6
  11 [3] 24 JMP       0 6	; to 18
  12 [4] 25 EQ        0 4 252	; 2
  13 [4] 24 JMP       0 1	; to 15
  14 [4] 24 JMP       0 4	; to 19
  15 [5] 38 CLOSURE   7 0
  16 [5]  0 MOVE      0 3 0
  17 [5]  7 SETGLOBAL 7 3	; "f"
  18 [3] 32 FORLOOP   4 -7	; to 12
  19 [6] 37 CLOSE     3 0 0
  20 [1] 32 FORLOOP   0 -15	; to 6
  21 [7] 31 RETURN    0 1 0

function <=test:5> (3 instructions)
0 params, 1 upvalues, 2 stack, 0 constants, 0 locals, 0 functions
   1 [5]  4 GETUPVAL  0 0 0
   2 [5] 31 RETURN    0 2 0
   3 [5] 31 RETURN    0 1 0
)"},
    {"ContinueInRepeatRunsTheCondition",
     R"(repeat i = i + 1 if i < 5 then continue end until i >= 10)",
     R"(function <=test:0> (11 instructions)
0 params, 0 upvalues, 2 stack, 4 constants, 0 locals, 0 functions
   1 [1]  5 GETGLOBAL 0 0	; "i"
   2 [1] 12 ADD       0 0 251	; 1
   3 [1]  7 SETGLOBAL 0 0	; "i"
   4 [1]  5 GETGLOBAL 0 0	; "i"
   5 [1] 26 LT        0 0 252	; 5
   6 [1] 24 JMP       0 1	; to 8
   7 [1] 24 JMP       0 0	; to 8
   8 [1]  5 GETGLOBAL 0 0	; "i"
   9 [1] 27 LE        0 253 0	; 10
  10 [1] 24 JMP       0 -10	; to 1
  11 [1] 31 RETURN    0 1 0
)"},
    {"GenericForContinue",
     R"(for k, v in pairs(t) do if v then continue end; n = n + 1 end)",
     R"(function <=test:0> (13 instructions)
0 params, 0 upvalues, 7 stack, 4 constants, 4 locals, 0 functions
   1 [1]  5 GETGLOBAL 0 0	; "pairs"
   2 [1]  5 GETGLOBAL 1 1	; "t"
   3 [1] 29 CALL      0 2 5
   4 [1] 34 TFORPREP  0 6	; to 11
   5 [1] 28 TEST      3 3 0
   6 [1] 24 JMP       0 1	; to 8
   7 [1] 24 JMP       0 3	; to 11
   8 [1]  5 GETGLOBAL 4 2	; "n"
   9 [1] 12 ADD       4 4 253	; 1
  10 [1]  7 SETGLOBAL 4 2	; "n"
  11 [1] 33 TFORLOOP  0 0 1
  12 [1] 24 JMP       0 -8	; to 5
  13 [1] 31 RETURN    0 1 0
)"},
};

TEST(ListingTest, GoldenSequences) {
  for (const Golden& g : kGolden) EXPECT_EQ(Listing(g.source), g.listing) << g.name;
}

TEST(ListingTest, LoopLevelOneIsTheDefault) {
  EXPECT_EQ(Listing("while true do break end"), Listing("while true do break 1 end"));
  EXPECT_EQ(Listing("for i = 1, 2 do continue end"), Listing("for i = 1, 2 do continue 1 end"));
  EXPECT_EQ(Listing("x = {&0x10}"), Listing("x = {&16}"));
}

TEST(ListingTest, RegisterLimit) {
  // 250 arguments plus the function need 251 registers.
  std::string call = "f(";
  for (int i = 0; i < 250; ++i) call += i ? ",1" : "1";
  call += ")";
  EXPECT_EQ(Listing(call.c_str()),
            "load error: test:1: function or expression too complex near `1'");
}

}  // namespace
