// Parser: the syntax errors of loop levels, continue and size hints with their exact messages,
// the block rules of break and continue, and the parser's limits.
#include <gtest/gtest.h>

#include <string>

#include "core/script/lua.h"

namespace {

struct Source {
  const std::string* text;
  bool given;
};

const char* ReadAll(lua_State*, void* ud, size_t* size) {
  auto* s = static_cast<Source*>(ud);
  if (s->given) return nullptr;
  s->given = true;
  *size = s->text->size();
  return s->text->data();
}

// "" when the text compiles, else the load status and message.
std::string Compile(const std::string& text) {
  lua_State* L = lua_open();
  Source s{&text, false};
  int status = lua_load(L, ReadAll, &s, "=test");
  std::string result;
  if (status != 0) result = std::to_string(status) + " " + lua_tostring(L, -1);
  lua_close(L);
  return result;
}

struct Case {
  const char* source;
  const char* result;
};

TEST(ParserTest, LoopLevelsAndContinue) {
  const Case cases[] = {
    {"while true do break end", ""},
    {"while true do break 1 end", ""},
    {"for i=1,3 do for j=1,3 do if j==2 then continue 2 end end end", ""},
    {"repeat local x continue until true", ""},
    {"for k, v in pairs(t) do continue; end", ""},
    {"while 1 do while 2 do break 2 end end", ""},
    {"while true do break 0 end", "3 test:1: loop block number out of range near `end'"},
    {"while true do break 101 end", "3 test:1: loop block number out of range near `end'"},
    {"while true do continue 101 end", "3 test:1: loop block number out of range near `end'"},
    {"while true do break 1.5 end", "3 test:1: loop block number must be integer near `end'"},
    {"while true do continue 0.5 end", "3 test:1: loop block number must be integer near `end'"},
    {"for i=1,2 do for j=1,2 do break 3 end end", "3 test:1: no loop to break near `end'"},
    {"for i=1,2 do for j=1,2 do continue 3 end end", "3 test:1: no loop to continue near `end'"},
    {"x = 1 continue", "3 test:1: no loop to continue near `<eof>'"},
    {"break", "3 test:1: no loop to break near `<eof>'"},
    {"while true do local f = function() break end end",
     "3 test:1: no loop to break near `end'"},
    {"while true do continue x = 1 end", "3 test:1: `end' expected near `x'"},
    {"while true do\nbreak\nx = 1 end", "3 test:3: `end' expected (to close `while' at line 1) near `x'"},
    {"local continue = 1", "3 test:1: `*name' expected near `continue'"},
  };
  for (const Case& c : cases) EXPECT_EQ(Compile(c.source), c.result) << c.source;
}

TEST(ParserTest, SizeHints) {
  const Case cases[] = {
    {"t = {&4 &16}", ""},
    {"t = {&3}", ""},
    {"t = {&2 1, 2, 3}", ""},
    {"t = {&2.7 &0x10; x = 1}", ""},
    {"t = {&}", "3 test:1: size expected following & (line 1) near `}'"},
    {"t = {&x}", "3 test:1: size expected following & (line 1) near `x'"},
    {"t = {&1 &}", "3 test:1: size expected following & (line 1) near `}'"},
    {"t = {\n&\n\"a\"}", "3 test:3: size expected following & (line 3) near `\"a\"'"},
    {"t = {1, &2}", "3 test:1: unexpected symbol near `&'"},
  };
  for (const Case& c : cases) EXPECT_EQ(Compile(c.source), c.result) << c.source;
}

TEST(ParserTest, ExpressionsAndStatements) {
  const Case cases[] = {
    {"x = a & b | c << 2 >> 1", ""},
    {"x = L\"a\" .. f L\"b\"", ""},
    {"x = 1 +", "3 test:1: unexpected symbol near `<eof>'"},
    {"x = 1 & & 2", "3 test:1: unexpected symbol near `&'"},
    {"x = 1 << << 2", "3 test:1: unexpected symbol near `<<'"},
    {"return 1 x = 2", "3 test:1: `<eof>' expected near `x'"},
    {"for i=1 do end", "3 test:1: `,' expected near `do'"},
    {"for i do end", "3 test:1: `=' or `in' expected near `do'"},
    {"f = function(a, 1) end", "3 test:1: <name> or `...' expected near `1'"},
    {"x, y() = 1, 2", "3 test:1: syntax error near `='"},
    {"f\n(g)", "3 test:2: ambiguous syntax (function call x new statement) near `('"},
    {"a.b:c 1", "3 test:1: function arguments expected near `1'"},
    {"if x then", "3 test:1: `end' expected near `<eof>'"},
  };
  for (const Case& c : cases) EXPECT_EQ(Compile(c.source), c.result) << c.source;
}

std::string Repeat(const std::string& piece, int n, const std::string& sep = "") {
  std::string s;
  for (int i = 0; i < n; ++i) s += (i ? sep : "") + piece;
  return s;
}

TEST(ParserTest, Limits) {
  std::string locals200 = "local " + Repeat("a", 200, ",");
  EXPECT_EQ(Compile(locals200), "");
  EXPECT_EQ(Compile(locals200 + ",b"),
            "3 test:1: too many local variables (limit=200) near `<eof>'");

  // 33 locals of an outer function used by an inner one.
  std::string outer;
  for (int i = 0; i < 33; ++i) outer += "local v" + std::to_string(i) + " ";
  std::string uses;
  for (int i = 0; i < 33; ++i) uses += "x = v" + std::to_string(i) + " ";
  EXPECT_EQ(Compile(outer + "f = function() " + uses + "end"),
            "3 test:1: too many upvalues (limit=32) near `end'");

  std::string params = "f = function(" + Repeat("p", 101, ",") + ") end";
  EXPECT_EQ(Compile(params), "3 test:1: too many parameters (limit=100) near `)'");

  // A call with 250 arguments needs 251 registers.
  std::string call = "f(" + Repeat("1", 250, ",") + ")";
  EXPECT_EQ(Compile("f(" + Repeat("1", 248, ",") + ")"), "");
  EXPECT_EQ(Compile(call), "3 test:1: function or expression too complex near `1'");

  // Targets of one assignment: each value takes a register.
  EXPECT_EQ(Compile(Repeat("a", 200, ",") + " = 1"), "");
  EXPECT_EQ(Compile(Repeat("a", 100000, ",") + " = 1"),
            "3 test:1: function or expression too complex near `a'");

  EXPECT_EQ(Compile("x = " + Repeat("(", 190) + "1" + Repeat(")", 190)), "");
  EXPECT_EQ(Compile("x = " + Repeat("(", 210) + "1" + Repeat(")", 210)),
            "3 test:1: too many syntax levels near `('");
}

}  // namespace
