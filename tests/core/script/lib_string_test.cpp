// String and table library cases by table: format specs and their errors, patterns, lualex in
// both widths, and sorting many orders against the host's sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/base/crt_rand.h"
#include "core/script/lib_aux.h"
#include "core/script/state.h"
#include "tests/core/script/script_test_support.h"

namespace {

class StringLibraryTest : public ::testing::Test {
 protected:
  StringLibraryTest() { OpenAllLibraries(L); }
  ~StringLibraryTest() override { lua_close(L); }
  // The expression's first value as text, or "error: " and the message without its position.
  std::string Eval(const std::string& expr) {
    std::string error;
    if (script_test::RunCode(L, "return " + expr, &error) != 0) {
      size_t colon = error.find(": ");
      return "error: " + (error.rfind("test:", 0) == 0 && colon != std::string::npos ? error.substr(colon + 2) : error);
    }
    std::string r;
    if (lua_isstring(L, 1) && lua_type(L, 1) != LUA_TWSTRING) r.assign(lua_tostring(L, 1), lua_strlen(L, 1));
    else r = lua_typename(L, lua_type(L, 1));
    lua_settop(L, 0);
    return r;
  }
  lua_State* L = lua_open();
};

struct Case {
  const char* expr;
  std::string result;
};

TEST_F(StringLibraryTest, Format) {
  const Case cases[] = {
      {"string.format('%5.1f|%-3d|%03d|%+d', 2.25, 1, 7, 5)", "  2.2|1  |007|+5"},
      {"string.format('%c%c', 72, 105)", "Hi"},
      {"string.format('%d', 3.99)", "3"},
      {"string.format('%d', -3.99)", "-3"},
      {"string.format('%o %u %X', 8, -2, 48879)", "10 4294967294 BEEF"},
      {"string.format('%g %e', 1e20, 1.5)", "1e+20 1.500000e+00"},
      {"string.format('%.2s|%3s', 'abcdef', 'x')", "ab|  x"},
      {"string.len(string.format('%s', string.rep('y', 300)))", "300"},
      {"string.format('%q', 'a\\0b')", "\"a\\000b\""},
      {"string.format('%B|%B|%B', false, nil, 'x' == 'x')", "false|false|true"},
      {"string.format('%bF', 1)", std::string("\0\0\0\0\0\0\xF0\x3F", 8)},
      {"string.format('%bf', 1)", std::string("\0\0\x80\x3F", 4)},
      {"string.format('%bd', -2)", "\xFE\xFF\xFF\xFF"},
      {"string.format('%b')", "error: bad argument #2 to `format' (number expected, got no value)"},
      {"string.format('%B')", "error: bad argument #2 to `format' (boolean expected, got no value)"},
      {"string.format('%5B', 1)", "error: bad argument #2 to `format' (boolean expected, got number)"},
      {"string.format('%d')", "error: bad argument #2 to `format' (number expected, got no value)"},
      {"string.format('%y', 1)", "error: invalid option to `format'"},
      {"string.format('abc%')", "error: invalid option to `format'"},
      {"string.format('%123d', 1)", "error: invalid format (width or precision too long)"},
      {"string.format('%1.123d', 1)", "error: invalid format (width or precision too long)"},
      {"string.format('%1$d', 1)", "error: obsolete option (d$) to `format'"},
      {"string.format('%-+ #0-+ #0-+ #0-+ #0d', 1)", "error: invalid format (too long)"},
      {"string.format('%Q', 12)", "\"12\""},
      {"string.format('%Q', '\\7\\8\\9\\10\\11\\12\\13\\\\')", "\"\\a\\b\\t\\n\\v\\f\\r\\\\\""},
      {"string.format('%Q', '\\200')", "\"\\xc8\""},
      {"string.format('%Q', L\"\\xd800\")", "L\"\\xd800\""},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.expr), c.result) << c.expr;
}

TEST_F(StringLibraryTest, Patterns) {
  const Case cases[] = {
      {"string.gsub('hello', 'l+', 'L')", "heLo"},
      {"string.gsub('abc', '', '-')", "-a-b-c-"},
      {"string.gsub('abc', '.', {})", "error: bad argument #3 to `gsub' (string or function expected)"},
      {"string.gsub('a b', '%s', '%%')", "a%b"},
      {"string.gsub('ab', 'a', L\"w\")", "error: bad argument #3 to `gsub' (string or function expected)"},
      {"string.gsub('ab', 'a', 1)", "1b"},
      {"string.gsub('x=1, y=2', '(%w+)=(%w+)', '%2=%1')", "1=x, 2=y"},
      {"string.gsub('abc', '%w', '%2')", "error: invalid capture index"},
      {"string.gsub('aaa', 'a', 'b', 2)", "bba"},
      {"string.gsub('hello', '^h', 'H')", "Hello"},
      {"string.gsub('f(a)b', '%((%a)%)', '[%1]')", "f[a]b"},
      {"string.gsub('aXb', '%u', function(c) return nil end)", "ab"},  // no string: replaced by nothing
      {"tostring(string.find('a+b', '+', 1, true))", "2"},
      {"tostring((string.find('abc', 'b', -1)))", "nil"},
      {"tostring(string.find('abc', 'c', -1))", "3"},
      // Nothing found is one nil, not an empty answer.
      {"(function(...) return arg.n end)(string.find('abc', 'x'))", "1"},
      {"(function(...) return arg.n end)(string.find('abc', 'x+'))", "1"},
      {"(function(...) return arg.n end)(string.find('abc', '^b'))", "1"},
      {"(function(...) return arg.n end)(string.find('abc', 'a', 9, true))", "1"},
      {"tostring(string.find('', ''))", "1"},
      {"tostring(string.find('abc', '[a-'))", "error: malformed pattern (missing `]')"},
      {"tostring(string.find('a]', '[]]'))", "2"},
      {"tostring(string.find('-x', '[%-]x'))", "1"},
      {"tostring(string.find('a\\0b', '%z'))", "2"},
      {"tostring(string.find('xyz', '%Z+$'))", "1"},
      {"string.rep('(', 33) .. tostring(string.find(string.rep('a', 33), string.rep('(a)', 33)))",
       "error: too many captures"},
      {"tostring(string.find('((a))', '%b()'))", "1"},
      {"tostring(string.find('the cat', '%f[%w]cat'))", "5"},
      {"string.sub('abc', 0)", "abc"},
      {"string.sub('abc', -1e300, 1e300)", "abc"},  // saturating integer arguments
      {"string.sub('abc', 0/0)", "abc"},
      {"string.sub('abc', 3, 2)", ""},
      {"string.char(256)", "error: bad argument #1 to `char' (invalid value)"},
      {"string.char()", ""},
      {"tostring((string.byte('abc', 10)))", "nil"},
      {"string.dump(print)", "error: unable to dump given function"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.expr), c.result) << c.expr;
}

// Counts near and beyond the 32-bit limits, and negative positions, answer at once.
TEST_F(StringLibraryTest, CountsAtTheIntegerLimitsFinishAtOnce) {
  const Case cases[] = {
      {"string.len(string.rep('', 2^31))", "0"},
      {"string.len(string.rep('ab', 2^40))", "error: memory allocation error: block too big"},
      {"string.rep('ab', -2^31)", ""},
      {"string.rep('ab', 3)", "ababab"},
      {"string.len(string.rep('abc', 1000)) .. string.sub(string.rep('abc', 1000), 2998)", "3000abc"},
      {"(function() local t = {1, 2} table.setn(t, 2^31 - 1) table.insert(t, 'v') end)()",
       "error: table overflow"},
      {"(function() local t = {1, 2, 3} table.insert(t, -2^31, 'v') "
       "return table.getn(t) .. tostring(t[1]) .. t[2] .. t[3] .. t[4] .. t[-2^31] end)()",
       "4nil123v"},
      {"(function() local t = {1, 2, 3, x = 'x'} t[0] = 0 t[-7] = -7 "
       "local r = table.remove(t, -2^31) "
       "return tostring(r) .. t[-8] .. tostring(t[-7]) .. t[-1] .. t[0] .. t[1] .. t[2] .. tostring(t[3]) .. t.x end)()",
       "nil-7nil0123nilx"},
      {"(function() local t = {} t[2^31 - 1] = 'a' return table.concat(t, ',', 2^31 - 1) end)()", "a"},
      {"(function() local t = {} table.insert(t, 2^31 - 1, 'z') return table.getn(t) .. t[2^31 - 1] end)()",
       "2147483647z"},
      {"string.pack('A99999999999', 'x')", "error: bad argument #1 to `pack' (count too large)"},
      {"string.pack('@4:256A@', 'x')", "error: bad argument #1 to `pack' (fill byte too large)"},
      {"string.unpack('ab', 'b2147483648')", "error: bad argument #2 to `unpack' (count too large)"},
      {"string.len(string.pack('@100000:65A@', 'x')) .. string.sub(string.pack('@100000:65A@', 'x'), -2)",
       "100000AA"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.expr), c.result) << c.expr;
}

// A result too large for memory is one failed request: the memory error comes at once.
TEST(StringLibraryMemory, HugeResultsFailAtTheirOneRequest) {
  script_test::Budget budget;
  lua_State* L = luaE_openwith(script_test::BudgetAlloc, &budget);
  ASSERT_NE(L, nullptr);
  OpenAllLibraries(L);
  budget.limit = budget.used + 64 * 1024 * 1024;
  for (const char* code : {"local s = string.rep('x', 2^31)", "local s = string.rep('abcd', 2^28)",
                           "local s = string.pack('@2000000000A@', 'x')"}) {
    std::string error;
    EXPECT_EQ(script_test::RunCode(L, code, &error), LUA_ERRMEM) << code;
    EXPECT_EQ(error, "not enough memory") << code;
  }
  EXPECT_EQ(script_test::RunCode(L, "assert(string.len(string.rep('x', 2^20)) == 2^20)"), 0);
  lua_close(L);
}

TEST_F(StringLibraryTest, LualexInBothWidths) {
  const Case cases[] = {
      {"string.lualex('a\\\\nb', 0)", "a\nb"},
      {"string.lualex('\\\\x4A\\\\x4', 0)", "J\x04"},
      {"string.lualex('\\\\x414', 0)", "A4"},
      {"string.lualex('\\\\321', 0)", "A"},  // 321 keeps its low 8 bits
      {"string.lualex('\\\\0009', 0)", std::string("\0" "9", 2)},
      {"string.lualex('ab\\\\', 0)", std::string("ab\0", 3)},
      {"string.lualex('\\\\x\\\\n', 0)", "x\n"},
      {"string.lualex(12, 0)", "12"},
      {"string.lualex('Ab', 1)", std::string("A\0b\0", 4)},
      {"string.lualex('\\\\x263A\\\\t', 1)", std::string("\x3A\x26\t\0", 4)},
      {"string.lualex('\\\\65', 1)", std::string("A\0", 2)},
      {"string.lualex('abc')", "error: bad argument #2 to `lualex' (number expected, got no value)"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.expr), c.result) << c.expr;
}

TEST_F(StringLibraryTest, SortAgreesWithTheHostSortOnManyOrders) {
  OrvellaSrand(7);
  for (int round = 0; round < 40; round++) {
    int n = 1 + OrvellaRand() % 300;
    std::vector<int> values(n);
    lua_newtable(L);
    for (int i = 0; i < n; i++) {
      values[i] = OrvellaRand() % (round % 2 ? 10 : 100000);  // with and without many equal keys
      lua_pushnumber(L, values[i]);
      lua_rawseti(L, -2, i + 1);
    }
    lua_pushliteral(L, "t");
    lua_insert(L, -2);
    lua_settable(L, LUA_GLOBALSINDEX);
    const char* code = round % 3 == 0 ? "table.sort(t, function(a, b) return a > b end)" : "table.sort(t)";
    ASSERT_EQ(script_test::RunCode(L, code), 0);
    std::sort(values.begin(), values.end());
    if (round % 3 == 0) std::reverse(values.begin(), values.end());
    lua_pushliteral(L, "t");
    lua_gettable(L, LUA_GLOBALSINDEX);
    for (int i = 0; i < n; i++) {
      lua_rawgeti(L, -1, i + 1);
      ASSERT_EQ(lua_tonumber(L, -1), values[i]) << "round " << round << " index " << i;
      lua_pop(L, 1);
    }
    lua_settop(L, 0);
  }
  EXPECT_NE(Eval("table.sort({1, 'x', 2})"), "");
  EXPECT_EQ(Eval("table.concat({1, 2, 3}, ', ', 2)"), "2, 3");
  EXPECT_EQ(Eval("table.concat({L\"w\"})"), "error: bad argument #1 to `concat' (table contains non-strings)");
}

}  // namespace
