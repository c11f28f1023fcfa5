// The virtual machine through compiled code: operators (bit operators, wide strings,
// coercions), metamethods and the per-type tables, messages, calls, tail calls, varargs,
// coroutines, limits and the debug interface.
#include <gtest/gtest.h>

#include <string>

#include "tests/core/script/script_test_support.h"

using script_test::Load;
using script_test::RunCode;
using script_test::State;

namespace {

int Pow(lua_State *L) {
  double a = lua_tonumber(L, 1), b = lua_tonumber(L, 2), r = 1;
  for (int i = 0; i < static_cast<int>(b); i++) r *= a;
  lua_pushnumber(L, r);
  return 1;
}

// Runs code that returns one value and gives it as text ("nil", "true", numbers as %.14g,
// wide strings as "L:" and their ASCII units), or "error: " and the message.
std::string Eval(lua_State *L, const std::string &code) {
  std::string error;
  int top = lua_gettop(L);
  if (RunCode(L, code, &error) != 0) return "error: " + error;
  std::string out;
  if (lua_gettop(L) == top) return "(none)";
  switch (lua_type(L, top + 1)) {
    case LUA_TNIL: out = "nil"; break;
    case LUA_TBOOLEAN: out = lua_toboolean(L, top + 1) ? "true" : "false"; break;
    case LUA_TWSTRING: {
      out = "L:";
      const lua_WChar *w = lua_towstring(L, top + 1);
      for (size_t i = 0; i < lua_strlen(L, top + 1); i++) out += static_cast<char>(w[i]);
      break;
    }
    case LUA_TNUMBER:
    case LUA_TSTRING: out = lua_tostring(L, top + 1); break;
    default: out = lua_typename(L, lua_type(L, top + 1));
  }
  lua_settop(L, top);
  return out;
}

struct Case {
  const char *code;
  const char *expected;
};

class ScriptVm : public ::testing::Test {
 protected:
  void SetUp() override { lua_register(L, "__pow", Pow); }
  void Check(std::initializer_list<Case> cases) {
    for (const Case &c : cases) EXPECT_EQ(Eval(L, c.code), c.expected) << c.code;
  }
  State L;
};

TEST_F(ScriptVm, BitOperators) {
  Check({
      {"return 5 & 3", "1"},
      {"return 5 | 3", "7"},
      {"return 1 << 31", "2147483648"},
      {"return 1 << 32", "1"},
      {"return -1 >> 28", "15"},
      {"return -1 & -1", "4294967295"},
      {"return 2.9 & 7", "2"},
      {"return -2.5 | 0", "4294967294"},
      {"return 1 << -1", "2147483648"},
      {"local a, b = 12, 10 return a & b", "8"},
      {"return 0x80000000 >> 31", "1"},
      {"return 1e300 | 0", "0"},
      {"return (0/0) | 5", "5"},
      {"return (4294967296 + 3) & 0xff", "3"},
      {"return 4294967296 + 3 & 0xff", "4294967299"},
      {"return '5' & 1", "error: test:1: attempt to perform arithmetic on a number value"},
      {"return 1 & '5'", "error: test:1: attempt to perform arithmetic on a string value"},
      {"local s = '5' return 1 | s", "error: test:1: attempt to perform arithmetic on local `s' (a string value)"},
      {"return {} << 1", "error: test:1: attempt to perform arithmetic on a table value"},
  });
}

TEST_F(ScriptVm, ArithmeticAndCoercions) {
  Check({
      {"return '10' + 1", "11"},
      {"return L\"12\" + 1", "13"},
      {"return -L\"0x10\"", "-16"},
      {"return L\"0x1.8p1\" * 1", "3"},
      {"return L\"0x10p2\" * 1", "error: test:1: attempt to perform arithmetic on a wstring value"},
      {"return 2 ^ 10", "1024"},
      {"return 1 / 0 > 1e308", "true"},
      {"return 7 .. ''", "7"},
      {"return 1e15 .. ''", "1e+15"},
      {"return 0.1 + 0.2 .. ''", "0.3"},
      {"return -(-3)", "3"},
      {"return -'2'", "-2"},
      {"return -{}", "error: test:1: attempt to perform arithmetic on a table value"},
  });
  ASSERT_EQ(RunCode(L, "__pow = nil"), 0);
  EXPECT_EQ(Eval(L, "return 2 ^ 2"), "error: test:1: `__pow' (`^' operator) is not a function");
}

TEST_F(ScriptVm, Concatenation) {
  Check({
      {"return L\"a\" .. 1", "L:a1"},
      {"return 1 .. 2", "12"},
      {"return 'a' .. 1 .. 'b' .. 2.5", "a1b2.5"},
      {"return L\"x\" .. L\"\" .. 3 .. L\"y\"", "L:x3y"},
      {"return 'a' .. L\"b\"", "error: test:1: attempt to concatenate a wstring value"},
      {"return L\"a\" .. 'b'", "error: test:1: attempt to concatenate a wstring value"},
      {"return 'a' .. {}", "error: test:1: attempt to concatenate a table value"},
      {"local t = {} return t .. 'a'", "error: test:1: attempt to concatenate local `t' (a table value)"},
      {"return 'a' .. nil", "error: test:1: attempt to concatenate a nil value"},
      // A joined string is the same interned string as the literal: found under its key.
      {"local t = {['abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJ'] = 'found'} local p = 'abcdefghij' "
       "return t[p .. 'klmnopqrstuvwxyz' .. 0 .. 123456789 .. 'ABCDEFGHIJ']", "found"},
      {"local t = {[L\"wide text with 32 or more units in it\"] = 'w'} "
       "return t[L\"wide text \" .. L\"with \" .. 32 .. L\" or more units in it\"]", "w"},
      {"local s = 'a' .. 'b' .. 'c' .. 'd' .. 'e' .. 'f' .. 'g' .. 'h' .. 'i' .. 'j' .. 'k' .. 'l' .. 'm' .. 'n' .. 'o' .. 'p' .. 'q' .. 'r' .. 's' .. 't' .. 'u' .. 'v' .. 'w' .. 'x' .. 'y' .. 'z' .. 'a' .. 'b' .. 'c' .. 'd' .. 'e' .. 'f' .. 'g' .. 'h' .. 'i' .. 'j' .. 'k' .. 'l' .. 'm' .. 'n' return s == 'abcdefghijklmnopqrstuvwxyzabcdefghijklmn' and s", "abcdefghijklmnopqrstuvwxyzabcdefghijklmn"},
      // The first operand is named unless it is a narrow string (a number counts as one).
      {"return L\"a\" .. {}", "error: test:1: attempt to concatenate a wstring value"},
      {"local w = L\"a\" return w .. {}", "error: test:1: attempt to concatenate local `w' (a wstring value)"},
      {"return {} .. L\"a\"", "error: test:1: attempt to concatenate a table value"},
      {"return 1 .. {}", "error: test:1: attempt to concatenate a table value"},
      {"local t = setmetatable({}, {__concat = function(a, b) return 'cat' end}) return 'x' .. t .. 'y'",
       "xcat"},
      {"local t = setmetatable({}, {__concat = function(a, b) return L\"w\" end}) return L\"x\" .. t",
       "L:w"},
  });
}

TEST_F(ScriptVm, ComparisonsAndEquality) {
  Check({
      {"return 1 < 2", "true"},
      {"return 'a' < 'b'", "true"},
      {"return 'a\\0b' < 'a\\0c'", "true"},
      {"return 'a' < 'a\\0'", "true"},
      {"return 1 < '2'", "error: test:1: attempt to compare number with string"},
      {"return {} < {}", "error: test:1: attempt to compare two table values"},
      {"return nil < nil", "error: test:1: attempt to compare two nil values"},
      {"return true < false", "error: test:1: attempt to call a table value"},
      {"return L\"a\" < L\"b\"", "error: test:1: attempt to call a table value"},
      {"return L\"x\" == 'x'", "false"},
      {"return L\"x\" == L\"x\"", "true"},
      {"local t = {} t['x'] = 1 t[L\"x\"] = 2 return t.x + t[L\"x\"]", "3"},
      {"local m = {__eq = function() return true end} "
       "return setmetatable({}, m) == setmetatable({}, m)", "true"},
      {"local m = {__lt = function(a, b) return true end} "
       "return setmetatable({}, m) < setmetatable({}, m)", "true"},
      {"local m = {__lt = function(a, b) return false end} "
       "return setmetatable({}, m) <= setmetatable({}, m)", "true"},
  });
}

// Arithmetic, comparisons and string-keyed indexing run in register/constant forms: each form
// with its fast case and every way out of it (coercion, metamethods, messages naming operands).
TEST_F(ScriptVm, OperandFormsTakeEveryPath) {
  Check({
      {"local a, b = 7, 2 return a + b, a - b", "9"},
      {"local a = 7 return (a - 2) * (a / 2)", "17.5"},
      {"local a = 7 return (10 - a) .. (10 / a * 7)", "310"},
      {"local a, b = '7', 2 return a * b + (b - a) + ('1' - b)", "8"},
      {"local a = '8' return (a / 2) .. (2 - a)", "4-6"},
      {"local a = 'x' return a + 1", "error: test:1: attempt to perform arithmetic on local `a' (a string value)"},
      {"local a = {} return 1 - a", "error: test:1: attempt to perform arithmetic on local `a' (a table value)"},
      {"local a, b = 1, nil return a * b", "error: test:1: attempt to perform arithmetic on local `b' (a nil value)"},
      {"local o = setmetatable({}, {__sub = function(x, y) return type(x) .. type(y) end}) "
       "return (o - 1) .. (1 - o) .. (o - o)", "tablenumbernumbertabletabletable"},
      {"local a, b = 1, 2 if a < b and b <= 2 and not (b < a) and 1 < b and a <= 1 and not (a < 1) then return 'y' end", "y"},
      {"local a, b = 'a', 'b' return a < b and a <= 'a' and not (b <= a)", "true"},
      {"local a = 'a' return a < 1", "error: test:1: attempt to compare string with number"},
      {"local a = {} return 2 <= a", "error: test:1: attempt to compare number with table"},
      {"local m = {__lt = function(x, y) return true end, __le = function(x, y) return false end} "
       "local a, b = setmetatable({}, m), setmetatable({}, m) return (a < b) and not (a <= b)", "true"},
      {"local t = {x = 1} t.y = 2 t.x = t.x + t.y t.y = nil return t.x .. type(t.y)", "3nil"},
      {"local t = setmetatable({}, {__index = function(t, k) return k .. '!' end}) return t.key", "key!"},
      {"local log = {} local t = setmetatable({}, {__newindex = function(t, k, v) log[1] = k .. v end}) "
       "t.key = 'v' return log[1] .. type(rawget)", "keyvnil"},
      {"local n return n.x", "error: test:1: attempt to index local `n' (a nil value)"},
      {"local n = nil n.x = 1", "error: test:1: attempt to index local `n' (a nil value)"},
      {"local o = setmetatable({}, {__index = {get = function(self, d) return d * 2 end}}) return o:get(21)", "42"},
      {"local o = {} return o:missing()", "error: test:1: attempt to call method `missing' (a nil value)"},
  });
}

// Constants past the first 255 are still operands: their offsets outgrow a byte.
TEST_F(ScriptVm, OperandFormsReachLateConstants) {
  std::string code = "local t = {";
  for (int i = 0; i < 255; i++) code += "'s" + std::to_string(i) + "', ";
  code += "} local x = 5 t.late = x * 1.25 + (0.5 - x) return t.late .. (x < 6.5 and 'lt' or 'ge')";
  EXPECT_EQ(Eval(L, code), "1.75lt");
  // The same after the chunk is written and read back.
  ASSERT_EQ(Load(L, code), 0);
  std::string chunk = script_test::Dump(L);
  lua_pop(L, 1);
  ASSERT_EQ(Load(L, chunk), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_STREQ(lua_tostring(L, -1), "1.75lt");
  lua_pop(L, 1);
}

// Arithmetic forms that feed the next run as chains with their results in machine registers:
// every operation in every place of a chain, constants on either side, against the same
// arithmetic done here.
TEST_F(ScriptVm, ChainedArithmeticMatchesStepByStep) {
  const char ops[] = "+-*/";
  auto apply = [](char op, double x, double y) {
    return op == '+' ? x + y : op == '-' ? x - y : op == '*' ? x * y : x / y;
  };
  const double a = 7, b = 2.5, c = -3, d = 0.1;
  for (char p : std::string(ops)) {
    for (char q : std::string(ops)) {
      for (char r : std::string(ops)) {
        struct Shape {
          std::string code;
          double expected;
        } shapes[] = {
            {std::string("return (a ") + p + " b) " + q + " c", apply(q, apply(p, a, b), c)},
            {std::string("return c ") + q + " (a " + p + " b)", apply(q, c, apply(p, a, b))},
            {std::string("return (a ") + p + " 0.1) " + q + " 2.5", apply(q, apply(p, a, d), b)},
            {std::string("return 2.5 ") + q + " (0.1 " + p + " a)", apply(q, b, apply(p, d, a))},
            {std::string("return (a ") + p + " b) " + r + " (c " + q + " d)",
             apply(r, apply(p, a, b), apply(q, c, d))},
            {std::string("return (7 ") + p + " b) " + r + " (c " + q + " 0.1)",
             apply(r, apply(p, a, b), apply(q, c, d))},
            {std::string("local x = a ") + p + " b local y = x " + q + " c return x " + r + " y",
             apply(r, apply(p, a, b), apply(q, apply(p, a, b), c))},
        };
        for (const Shape &s : shapes) {
          std::string code = "local a, b, c, d = 7, 2.5, -3, 0.1 " + s.code;
          ASSERT_EQ(RunCode(L, code), 0) << code;
          EXPECT_EQ(lua_tonumber(L, -1), s.expected) << code;
          lua_settop(L, 0);
        }
      }
    }
  }
}

// A chain leaves every register as the forms one by one would, and a form of it whose operands
// are not both numbers (coercion, metamethods, errors) runs alone from its own pc.
TEST_F(ScriptVm, ChainsFallBackFormByForm) {
  Check({
      {"local a, b = 3, 4 local p = a + b local q = p * 2 local r = p - q return p .. ',' .. q .. ',' .. r",
       "7,14,-7"},
      {"local a, b, c = '3', 4, 5 return a * b + c", "17"},
      {"local a, b, c = 3, 4, '5' return a * b + c", "17"},
      {"local a, b, c, d = 3, 4, '5', 6 return a * b - c / d", "11.166666666667"},
      {"local a, b, c = 3, 4, 'x' return a * b + c",
       "error: test:1: attempt to perform arithmetic on local `c' (a string value)"},
      {"local a, b, c, d = 3, 4, 5, {} return a * b - c / d",
       "error: test:1: attempt to perform arithmetic on local `d' (a table value)"},
      {"local a, b, c, d = {}, 4, 5, 6 return a * b - c / d",
       "error: test:1: attempt to perform arithmetic on local `a' (a table value)"},
      {"local o = setmetatable({}, {__add = function(x, y) return 100 end, __div = function(x, y) return 2 end}) "
       "local a, b = 3, 4 return (a * b + o) .. ',' .. (a * b - b / o + 1)",
       "100,11"},
  });
}

// Methods looked up through "__index" tables: the class itself, a class's own parent, a
// class whose "__index" is a function, a method nowhere.
TEST_F(ScriptVm, MethodsThroughIndexTables) {
  Check({
      {"local C = {} C.__index = C function C:get() return self.v end "
       "local o = setmetatable({v = 5}, C) return o:get()", "5"},
      {"local B = {} B.__index = B function B:base() return 'b' .. self.v end "
       "local C = setmetatable({}, B) C.__index = C local o = setmetatable({v = 1}, C) return o:base()", "b1"},
      {"local C = setmetatable({}, {__index = function(t, k) return function(self) return k end end}) "
       "C.__index = C local o = setmetatable({}, C) return o:made()", "made"},
      {"local C = {} C.__index = C local o = setmetatable({}, C) return o:none()",
       "error: test:1: attempt to call method `none' (a nil value)"},
      {"local C = {} C.__index = C function C:get() return 'class' end "
       "local o = setmetatable({}, C) o.get = function() return 'own' end return o:get()", "own"},
  });
}

// A jump may land on a form inside a chain: it runs alone from there.
TEST_F(ScriptVm, JumpsIntoChainsRunTheFormAlone) {
  Check({
      {"local a, b, t = 3, 4, 10 if a > 5 then t = a * b end return t + 1", "11"},
      {"local a, b, t = 6, 4, 10 if a > 5 then t = a * b end return t + 1", "25"},
      {"local x, n = 0, 0 for i = 1, 10 do x = x + i * 2 - i / 2 n = n + 1 end return x .. ',' .. n", "82.5,10"},
  });
}

// Table reads and writes with the key in a register or a constant, at the edges of the array
// part: whole numbers inside it, zero and minus zero, fractions, the int limits, numbers too
// large to convert, NaN, and keys of other kinds beside them.
TEST_F(ScriptVm, TableKeysAtTheArrayEdges) {
  Check({
      {"local t = {10, 20, 30, 40} local a, b = 1, 4 return t[a] + t[b] + t[1] + t[4]", "100"},
      {"local t = {10, 20, 30, 40} local z, m = 0, -0 t[z] = 'z' return t[m] .. t[0] .. t[-0]", "zzz"},
      {"local t = {10, 20, 30, 40} local h = 1.5 t[h] = 'h' return t[1.5] .. t[h] .. t[1] .. t[2]", "hh1020"},
      {"local t = {10, 20, 30, 40} local k = 5 t[k] = 50 return t[5] + t[k] + t[4]", "140"},
      {"local t = {} local k = 2147483647 t[k] = 1 t[k + 1] = 2 t[-k - 1] = 3 t[-k - 2] = 4 "
       "return t[2147483647] .. t[2147483648] .. t[-2147483648] .. t[-2147483649]", "1234"},
      {"local t = {1} local big = 2^53 t[big] = 'b' t[1e300] = 'e' t[-1e300] = 'n' "
       "return t[2^53] .. t[1e300] .. t[-1e300] .. t[1]", "ben1"},
      {"local t = {1} local k = 4294967297 t[k] = 'w' return t[4294967297] .. type(t[1 + 0.5])", "wnil"},
      {"local t = {1, 2} local nan = 0/0 return type(t[nan]) .. type(t[0/0])", "nilnil"},
      {"local t = {1, 2} local nan = 0/0 t[nan] = 1", "error: test:1: table index is NaN"},
      {"local t = {1, 2} local k = nil t[k] = 1", "error: test:1: table index is nil"},
      {"local t = {1, 2} t[nil] = 1", "error: test:1: table index is nil"},
      {"local t = {1, 2} local k return type(t[k]) .. type(t[nil])", "nilnil"},
      {"local t = {} local b, f = true, function() end t[b] = 'b' t[f] = 'f' t[t] = 't' "
       "return t[true] .. t[f] .. t[t] .. type(t[false])", "bftnil"},
      // Nil array slots take values through both forms; a cleared slot reads nil.
      {"local t = {1, 2, 3, 4} local k = 3 t[k] = nil t[2] = nil "
       "local r = type(t[3]) .. type(t[k]) t[k] = 'x' t[2] = 'y' return r .. t[3] .. t[2]", "nilnilxy"},
      // Number keys that are strings are other keys.
      {"local t = {10} local s = '1' t[s] = 's' return t[1] .. t['1'] .. t[s]", "10ss"},
      // A metatable is asked only for keys that read nil or write into nil, whatever the form.
      {"local t = setmetatable({10}, {__index = function(t, k) return 'i' .. k end}) local k, m = 1, 2 "
       "return t[k] .. t[m] .. t[2] .. t[1.5]", "10i2i2i1.5"},
      {"local log = '' local t = setmetatable({10, nil, 30}, {__newindex = function(t, k, v) log = log .. k end}) "
       "local k = 2 t[1] = 1 t[k] = 2 t[3] = 3 t[4] = 4 t[k + 0.5] = 5 return log .. type(t[2])", "242.5nil"},
  });
}

// Loop indexes and number constants carry their value as an int beside the number: array
// reads and writes by them must land where the number says whatever the loop does, with
// whole and fractional steps, either way, across zero and the int limits, and when the body
// changes the index.
TEST_F(ScriptVm, LoopIndexesIndexArraysByTheirValue) {
  Check({
      {"local t, r = {10, 20, 30, 40}, '' for i = 1, 4 do r = r .. t[i] end return r", "10203040"},
      {"local t, r = {10, 20, 30, 40}, '' for i = 4, 1, -1 do r = r .. t[i] end return r", "40302010"},
      {"local t, r = {10, 20, 30}, '' for x = 1, 3, 0.5 do r = r .. (t[x] or '-') end return r", "10-20-30"},
      {"local t, r = {10, 20, 30}, '' for x = 0.5, 3 do r = r .. (t[x] or '-') end return r", "---"},
      {"local t, r = {10, 20}, '' for i = -2, 3 do r = r .. (t[i] or '-') end return r", "---1020-"},
      {"local t, r = {10, 20, 30, 40}, '' for i = 1, 4, 2 do r = r .. t[i] end return r", "1030"},
      // The body moves the index: the next pass counts from where it is.
      {"local t, r = {10, 20, 30, 40, 50}, '' for i = 1, 5 do r = r .. t[i] i = i + 1 r = r .. (t[i] or '-') end "
       "return r", "1020304050-"},
      {"local t, r = {10, 20, 30, 40, 50}, '' for i = 1, 5 do r = r .. (t[i] or '-') i = i + 0.5 end return r",
       "10-40"},
      {"local t, r = {10, 20, 30, 40}, '' local j = 3 for i = 1, 2 do i = j r = r .. t[i] end return r", "30"},
      // Limits and steps that are strings are numbers from the first pass.
      {"local t, r = {10, 20, 30}, '' for i = 1, '3', '1' do r = r .. t[i] end return r", "102030"},
      // Past the int range the index has no int beside it; writes go to the hash part.
      {"local t = {} for i = 2147483645, 2147483650 do t[i] = i end "
       "return t[2147483647] .. ',' .. t[2147483648] .. ',' .. t[2147483650] .. ',' .. type(t[1])",
       "2147483647,2147483648,2147483650,nil"},
      {"local t = {} for i = -2147483646, -2147483650, -1 do t[i] = i end return t[-2147483648] .. ',' .. t[-2147483650]",
       "-2147483648,-2147483650"},
      // Values copied out of a loop keep indexing by their value; so do constants.
      {"local keys, t = {}, {'a', 'b', 'c', 'd'} for i = 1, 4 do keys[i] = i end "
       "return t[keys[4]] .. t[keys[1]] .. t[3] .. type(t[0]) .. type(t[-1]) .. type(t[5])", "dacnilnilnil"},
      {"local t = {1, 2, 3} for i = 1, 3 do t[i] = t[i] * 10 end return t[1] + t[2] + t[3]", "60"},
      // A loop whose body only computes with its index hands it on to metamethods as well.
      {"local t, r = {10, 20, 30, 40}, '' local o = setmetatable({}, {__add = function(_, k) return t[k] end}) "
       "for i = 1, 4, 2 do r = r .. (o + i) .. (o + (i + 1)) end return r", "10203040"},
      {"local t, r, j = {10, 20, 30, 40}, '', 3 local o = setmetatable({}, {__add = function(_, k) return t[k] end}) "
       "for i = 1, 2 do i = j r = r .. (o + i) end return r", "30"},
      // A loop may start from a metamethod's number.
      {"local t, r = {10, 20, 30, 40}, '' local o = setmetatable({}, {__add = function(_, k) return t[k] end}) "
       "local s = setmetatable({}, {__sub = function() return 1 end}) "
       "for i = s, 3 do r = r .. (o + i) end return r", "2030"},
  });
}

// A table read whose result is the next read's or write's key runs as one step; each half
// still behaves as it would alone: metatables, errors that name the right variable, keys of
// every kind, and a jump that lands on the second half.
TEST_F(ScriptVm, ReadsThatGiveTheNextKey) {
  Check({
      {"local keys, t = {'x', 'y', 3}, {x = 1, y = 2, 'a', 'b', 'c'} local r = '' "
       "for i = 1, 3 do r = r .. t[keys[i]] end return r", "12c"},
      {"local keys, t, n = {'x', 'y'}, {}, 0 for i = 1, 2 do t[keys[i]] = i end "
       "for i = 1, 2 do n = n + t[keys[i]] t[keys[i]] = nil end return n .. type(t.x) .. type(t.y)", "3nilnil"},
      {"local keys = setmetatable({}, {__index = function(_, i) return 'k' .. i end}) local t = {k1 = 'one'} "
       "local i = 1 return t[keys[i]]", "one"},
      {"local keys, t = {'a'}, setmetatable({}, {__index = function(_, k) return 'got ' .. k end}) "
       "local i = 1 return t[keys[i]]", "got a"},
      {"local keys, log = {'a'}, '' local t = setmetatable({}, {__newindex = function(_, k, v) log = k .. '=' .. v end}) "
       "local i = 1 t[keys[i]] = 5 return log", "a=5"},
      {"local keys, t = nil, {} local i = 1 return t[keys[i]]",
       "error: test:1: attempt to index local `keys' (a nil value)"},
      {"local keys, t = {'a'}, nil local i = 1 return t[keys[i]]",
       "error: test:1: attempt to index local `t' (a nil value)"},
      {"local keys, t = {}, {} local i = 1 t[keys[i]] = 1", "error: test:1: table index is nil"},
      {"local keys, t = {0/0}, {} local i = 1 t[keys[i]] = 1", "error: test:1: table index is NaN"},
      {"local keys, t = {'a', 'b'}, {a = 1, b = 2} local i, j = 1, 2 "
       "return t[true and keys[i] or keys[j]] .. t[false and keys[i] or keys[j]]", "12"},
      // Keys read from the hash part, and the last key of a list.
      {"local keys, t = {k = 'x', 'y'}, {x = 'X', y = 'Y'} local a, b = 'k', 1 return t[keys[a]] .. t[keys[b]]", "XY"},
  });
}

TEST_F(ScriptVm, MetamethodsWithANumberFirstReachTheSecondOperand) {
  Check({
      {"local o = setmetatable({}, {__add = function(a, b) return 'add' end}) return 1 + o", "add"},
      {"local o = setmetatable({}, {__add = function(a, b) return 'add' end}) return o + 1", "add"},
      {"local o = setmetatable({}, {__sub = function(a, b) return b end}) return (5 - o) == o", "true"},
      {"local o = setmetatable({}, {__unm = function(a) return 'neg' end}) return -o", "neg"},
      {"local o = setmetatable({}, {__concat = function(a, b) return 'c' end}) return 1 .. o", "c"},
      {"local o = setmetatable({}, {__add = 5}) return 1 + o",
       "error: test:1: attempt to perform arithmetic on local `o' (a table value)"},
  });
}

TEST_F(ScriptVm, IndexingThroughPerTypeTables) {
  Check({
      {"return (5).foo", "nil"},
      {"local s = 'abc' return s.len", "nil"},
      {"local x = nil return x.y", "error: test:1: attempt to index local `x' (a nil value)"},
      {"return undefined.y", "error: test:1: attempt to index global `undefined' (a nil value)"},
      {"local t = {} return t.a.b", "error: test:1: attempt to index field `a' (a nil value)"},
      {"local t = {} t.a.b = 1", "error: test:1: attempt to index field `a' (a nil value)"},
      {"local a = {} local m = {__index = a} setmetatable(a, m) return a.x",
       "error: test:1: loop in gettable"},
      {"local a = {} local m = {__newindex = a} setmetatable(a, m) a.x = 1",
       "error: test:1: loop in settable"},
      {"local t = setmetatable({}, {__index = function(t, k) return k .. '!' end}) return t.hi", "hi!"},
      {"local log = {} local t = setmetatable({}, {__newindex = function(t, k, v) log[1] = k .. v end}) "
       "t.a = 1 return log[1]", "a1"},
      {"local t = setmetatable({}, {__call = function(self, x) return x * 2 end}) return t(21)", "42"},
      {"local t = {} return t()", "error: test:1: attempt to call local `t' (a table value)"},
      {"local t = {} return t:m()", "error: test:1: attempt to call method `m' (a nil value)"},
      {"local t = {} return t.f()", "error: test:1: attempt to call field `f' (a nil value)"},
      {"return nosuch()", "error: test:1: attempt to call global `nosuch' (a nil value)"},
      {"local t = {} t[nil] = 1", "error: test:1: table index is nil"},
      {"local t = {} t[0/0] = 1", "error: test:1: table index is NaN"},
  });
  // Reading and writing fields of strings goes to the strings' table.
  lua_gettypemetatable(L, LUA_TSTRING);
  lua_pushstring(L, "shout");
  ASSERT_EQ(RunCode(L, "return function(s) return s .. '!' end"), 0);
  lua_rawset(L, -3);
  lua_pop(L, 1);
  Check({
      {"return ('hi'):shout()", "hi!"},
      {"local s = 'x' s.stored = 3 return ('other').stored", "3"},
  });
}

int UserdataWithMetatable(lua_State *L) {
  lua_newuserdata(L, 4);
  lua_newtable(L);
  lua_pushstring(L, "field");
  lua_pushnumber(L, 11);
  lua_rawset(L, -3);
  lua_setmetatable(L, -2);
  return 1;
}

TEST_F(ScriptVm, UserdataWithoutIndexReadsItsMetatable) {
  lua_register(L, "ud", UserdataWithMetatable);
  Check({
      {"return ud().field", "11"},
      {"return ud().other", "nil"},
      {"local u = ud() u.x = 1", "error: test:1: attempt to index local `u' (a userdata value)"},
  });
}

TEST_F(ScriptVm, LoopsAndTheirMessages) {
  Check({
      {"local s = 0 for i = 10, 1, -2 do s = s + i end return s", "30"},
      {"local s = 0 for i = 1, 0 do s = s + 1 end return s", "0"},
      {"local s = 0 for i = '1', '3' do s = s + i end return s", "6"},
      {"for i = 1, 'x' do end", "error: test:1: `for' limit must be a number"},
      {"for i = 1, {} do end", "error: test:1: `for' limit must be a number"},
      {"local n = 0 for k, v in next, {1, 2, 3} do n = n + v end return n", "6"},
      {"local n = 0 for k, v in {a = 1, b = 2} do n = n + v end return n", "3"},
  });
}

// A constructor of a few dozen items makes the frame reach the end of the first stack block,
// so the generic for's call is where the stack grows: the loop must still find its registers.
TEST_F(ScriptVm, GenericForKeepsItsRegistersWhenTheStackGrows) {
  const std::string big =
      "local t = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, "
      "21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40} ";
  const std::string deep = "local function deep(n) if n > 0 then local p = {n} return deep(n - 1) end end ";
  Check({
      {(big + deep +
        "local function it(s, i) deep(30) if i < 3 then return i + 1, s[i + 1] * 10 end end "
        "local out = '' for i, v in it, t, 0 do out = out .. i .. '=' .. v .. ' ' end return out")
           .c_str(),
       "1=10 2=20 3=30 "},
      {(big + "local n = 0 for k, v in next, t do n = n + v end return n").c_str(), "820"},
      {(big + deep +
        "local function ipairs_(a) return function(a, i) deep(5) i = i + 1 "
        "if a[i] then return i, a[i] end end, a, 0 end "
        "local n = 0 for i, v in ipairs_(t) do n = n + i * v end return n")
           .c_str(),
       "22140"},
  });
}

TEST_F(ScriptVm, CallsTailCallsAndVarargs) {
  Check({
      {"local function f(...) return arg.n end return f(1, nil, 3, nil)", "4"},
      {"local function f(a, ...) return arg[2] end return f(1, 2, 3)", "3"},
      {"local function f(a, b) return b end return f(1)", "nil"},
      {"local function f() return 1, 2, 3 end local a, b, c, d = f() return c", "3"},
      {"local function f() return 1, 2, 3 end local t = {f(), f()} return t[4] + t[1]", "4"},
      {"local function count(n) if n == 0 then return 'done' end return count(n - 1) end "
       "return count(100000)", "done"},
      {"local function f(n) if n > 0 then return f(n - 1) else return type end end return f(3)('x')",
       "string"},
      {"local function deep(n) return 1 + deep(n + 1) end return deep(1)",
       "error: test:1: stack overflow"},
  });
  // The state still works after the overflow.
  EXPECT_EQ(Eval(L, "return 1 + 1"), "2");
}

// Returns to a Lua caller: more, fewer or no values than it wants, and a returning frame whose
// locals a closure still holds (their values move off the stack first).
TEST_F(ScriptVm, ReturnsFillAndTrimWhatTheCallerWants) {
  Check({
      {"local function f() return 1, 2, 3 end local a, b = f() return a .. b", "12"},
      {"local function f() return 1 end local a, b, c = f() return a .. type(b) .. type(c)", "1nilnil"},
      {"local function f() end local a, b = 5, 6 a, b = f() return type(a) .. type(b)", "nilnil"},
      {"local n = 0 local function f() n = n + 1 return n, n end for i = 1, 3 do f() end local x = 7 "
       "return n .. x", "37"},
      {"local function f(v) local g = function() return v end return g, v end "
       "local g1, v1 = f(1) local g2 = f(2) return g1() .. v1 .. g2()", "112"},
  });
}

int Reenter(lua_State *L) {
  lua_pushstring(L, "reenter");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_call(L, 0, 0);
  return 0;
}

TEST_F(ScriptVm, NestedCallsFromCStopAtTheCStackLimit) {
  lua_register(L, "reenter", Reenter);
  EXPECT_EQ(Eval(L, "reenter()"), "error: C stack overflow");
  EXPECT_EQ(Eval(L, "return 'fine'"), "fine");
}

int YieldFromC(lua_State *L) { return lua_yield(L, 0); }

TEST_F(ScriptVm, Coroutines) {
  lua_State *T = lua_newthread(L);
  ASSERT_EQ(RunCode(T, "return function(a) local b = yield(a + 1) local c = yield(b * 2) return 'end', c end"), 0);
  lua_pushnumber(T, 10);
  ASSERT_EQ(lua_resume(T, 1), 0);
  ASSERT_EQ(lua_gettop(T), 1);
  EXPECT_EQ(lua_tonumber(T, 1), 11);
  lua_settop(T, 0);
  lua_pushnumber(T, 4);
  ASSERT_EQ(lua_resume(T, 1), 0);
  EXPECT_EQ(lua_tonumber(T, -1), 8);
  lua_settop(T, 0);
  lua_pushstring(T, "last");
  ASSERT_EQ(lua_resume(T, 1), 0);
  ASSERT_EQ(lua_gettop(T), 2);
  EXPECT_STREQ(lua_tostring(T, 1), "end");
  EXPECT_STREQ(lua_tostring(T, 2), "last");
  lua_settop(T, 0);
  EXPECT_EQ(lua_resume(T, 0), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(T, -1), "cannot resume dead coroutine");

  // An error kills the coroutine and leaves the message.
  lua_State *E = lua_newthread(L);
  ASSERT_EQ(Load(E, "yield() error('inside')"), 0);
  ASSERT_EQ(lua_resume(E, 0), 0);
  EXPECT_EQ(lua_resume(E, 0), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(E, -1), "inside");
  lua_settop(E, 0);
  EXPECT_EQ(lua_resume(E, 0), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(E, -1), "cannot resume dead coroutine");

  // Yields across a protected call or from a C body are refused.
  lua_State *P = lua_newthread(L);
  ASSERT_EQ(Load(P, "return pcall(yield)"), 0);
  ASSERT_EQ(lua_resume(P, 0), 0);
  EXPECT_EQ(lua_toboolean(P, 1), 0);
  EXPECT_STREQ(lua_tostring(P, 2), "attempt to yield across metamethod/C-call boundary");
  lua_State *C = lua_newthread(L);
  lua_pushcfunction(C, YieldFromC);
  EXPECT_EQ(lua_resume(C, 0), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(C, -1), "cannot yield a C function");

  // Resuming a running coroutine from inside itself.
  lua_State *R = lua_newthread(L);
  lua_pushstring(L, "self_thread");
  lua_pushvalue(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  lua_register(L, "resume_self", [](lua_State *S) -> int {
    lua_pushstring(S, "self_thread");
    lua_gettable(S, LUA_GLOBALSINDEX);
    lua_State *Self = lua_tothread(S, -1);
    int status = lua_resume(Self, 0);  // Self is S: the message lands on top
    lua_pushnumber(S, status);
    lua_insert(S, -2);
    return 2;
  });
  ASSERT_EQ(Load(R, "return resume_self()"), 0);
  ASSERT_EQ(lua_resume(R, 0), 0);
  EXPECT_EQ(lua_tonumber(R, 1), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(R, 2), "cannot resume non-suspended coroutine");
}

int WhereAmI(lua_State *L) {
  lua_Debug ar;
  if (!lua_getstack(L, 1, &ar)) return 0;
  lua_getinfo(L, "Sln", &ar);
  lua_pushfstring(L, "%s:%d:%s:%s", ar.short_src, ar.currentline, ar.what,
                  ar.name ? ar.name : "?");
  return 1;
}

TEST_F(ScriptVm, DebugInterfaceReportsPositionsAndNames) {
  lua_register(L, "where", WhereAmI);
  // Tail calls hide the caller's name.
  EXPECT_EQ(Eval(L, "local function inner() return where() end\nreturn inner()"), "test:1:Lua:?");
  EXPECT_EQ(Eval(L, "local function inner() local r = where() return r end\n\nlocal x = inner() return x"),
            "test:1:Lua:inner");
  EXPECT_EQ(Eval(L, "t = {m = function() local r = where() return r end}\nlocal x = t.m() return x"),
            "test:1:Lua:m");
  EXPECT_EQ(Eval(L, "return (where())"), "test:1:main:?");
}

TEST_F(ScriptVm, RuntimeErrorPositionsUseTheChunkName) {
  std::string error;
  ASSERT_EQ(RunCode(L, "\n\nlocal x = nil + 1", &error, "@scripts/file.lua"), LUA_ERRRUN);
  EXPECT_EQ(error, "scripts/file.lua:3: attempt to perform arithmetic on a nil value");
  ASSERT_EQ(RunCode(L, "local x = nil + 1", &error, "local x = nil + 1"), LUA_ERRRUN);
  EXPECT_EQ(error, "[string \"local x = nil + 1\"]:1: attempt to perform arithmetic on a nil value");
  ASSERT_EQ(RunCode(L, "local x = nil + 1 --\n", &error, "first line\nsecond"), LUA_ERRRUN);
  EXPECT_EQ(error, "[string \"first line...\"]:1: attempt to perform arithmetic on a nil value");
}

}  // namespace
