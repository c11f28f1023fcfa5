// The C API: stack indices, growth of pushes, conversions, wide strings, boxed pointers,
// per-type tables, lua_getn and the collection figures.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/base/crt_rand.h"
#include "core/script/object.h"
#include "tests/core/script/script_test_support.h"

using script_test::RunCode;
using script_test::State;
using script_test::Units;

namespace {

int PushHundred(lua_State *L) {
  for (int i = 0; i < 100; i++) lua_pushnumber(L, i);
  lua_pushnumber(L, lua_gettop(L));
  return 1;
}

TEST(ScriptApi, PushesGrowTheStackWithoutCheckstack) {
  State L;
  lua_pushcfunction(L, PushHundred);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 100);
}

TEST(ScriptApi, CheckstackRefusesBeyondTheFrameLimit) {
  State L;
  EXPECT_EQ(lua_checkstack(L, 2048), 1);
  EXPECT_EQ(lua_checkstack(L, 2049), 0);
  lua_settop(L, 2000);
  EXPECT_EQ(lua_checkstack(L, 48), 1);
  EXPECT_EQ(lua_checkstack(L, 49), 0);
}

TEST(ScriptApi, GetnFollowsFieldNThenTheLargestNumberKey) {
  struct Case {
    const char *code;
    int expected;
  } cases[] = {
      {"return {1, 2, nil, 4}", 4},
      {"local t = {} t[10] = 1 return t", 10},
      {"return {n = 2.7}", 2},
      {"return {n = -2.7, 1, 2}", -2},
      {"return {}", 0},
      {"local t = {1, 2, 3} t[3] = nil return t", 2},
      {"local t = {} t[2.5] = 1 return t", 2},
      {"return {n = 1e20}", INT_MAX},
      {"return {n = -1e20}", INT_MIN},
      {"return {n = 0/0}", 0},
      {"return {1, 2, n = 'x'}", 2},
      // After removals the size is found again: off the top of the array, of the hash part,
      // and past a fractional key that lies between the integers.
      {"local t = {} for i = 1, 100 do t[i] = i end for i = 100, 41, -1 do t[i] = nil end return t", 40},
      {"local t = {} for i = 100, 200 do t[i] = i end for i = 200, 151, -1 do t[i] = nil end return t", 150},
      {"local t = {1} t[2.5] = 1 t[3] = 1 t[3] = nil return t", 2},
      {"local t = {1, 2} t[1e15] = 1 t[1e15] = nil return t", 2},
  };
  for (const Case &c : cases) {
    State L;
    ASSERT_EQ(RunCode(L, c.code), 0) << c.code;
    EXPECT_EQ(lua_getn(L, -1), c.expected) << c.code;
  }
}

// The size rule computed the slow way: the number "n", else the largest number key holding a
// value (array positions are such keys), at least 0, truncated.
int WalkedSize(lua_State *L, int t) {
  lua_pushstring(L, "n");
  lua_rawget(L, t);
  if (lua_type(L, -1) == LUA_TNUMBER) {
    int n = luaO_num2int(lua_tonumber(L, -1));
    lua_pop(L, 1);
    return n;
  }
  lua_pop(L, 1);
  double max = 0;
  lua_pushnil(L);
  while (lua_next(L, t)) {
    if (lua_type(L, -2) == LUA_TNUMBER && lua_tonumber(L, -2) > max) max = lua_tonumber(L, -2);
    lua_pop(L, 1);
  }
  return luaO_num2int(max);
}

// Random writes through every path that stores into a table (the interpreter's fast and slow
// stores, constructors, raw sets from C, growth and shrinking of both parts, weak entries
// cleared by the collector): the cached size always equals the walked one.
TEST(ScriptApi, GetnAgreesWithAWalkAfterRandomWrites) {
  State L;
  OrvellaSrand(11);
  const char *keys[] = {"1", "2", "3", "7", "8", "16", "17", "40", "64", "100", "1000", "2147483647",
                        "1099511627776", "-1", "0", "2.5", "99.5", "'n'", "'x'", "k"};
  const char *values[] = {"nil", "nil", "nil", "1", "true", "'s'", "{}", "-3.5", "1e20"};
  ASSERT_EQ(RunCode(L, "t = {}"), 0);
  for (int round = 0; round < 300; round++) {
    std::string code = "local t, k = t, {} ";
    if (round % 50 == 0) code = "t = {1, 2, 3, nil, 5} local t, k = t, {} ";
    if (round % 50 == 25) code = "t = setmetatable({}, {__mode = 'v'}) local t, k = t, {} ";
    int writes = 1 + OrvellaRand() % 40;
    for (int w = 0; w < writes; w++) {
      int r = OrvellaRand() % 100;
      const char *key = keys[OrvellaRand() % (sizeof keys / sizeof *keys)];
      const char *value = values[OrvellaRand() % (sizeof values / sizeof *values)];
      if (r < 70) {
        code += std::string("t[") + key + "] = " + value + " ";
      } else if (r < 85) {  // runs of array positions, up or down
        int from = 1 + OrvellaRand() % 70, n = OrvellaRand() % 40;
        code += "for i = " + std::to_string(from) + ", " + std::to_string(from + n) +
                (r < 80 ? " do t[i] = i end " : " do t[i] = nil end ");
      } else if (r < 95) {
        code += "for i = " + std::to_string(OrvellaRand() % 60) + ", 1, -1 do t[i] = nil end ";
      } else {
        code += "collectgarbage() ";
      }
    }
    std::string error;
    ASSERT_EQ(RunCode(L, code, &error), 0) << error << "\n" << code;
    lua_pushstring(L, "t");
    lua_gettable(L, LUA_GLOBALSINDEX);
    // Raw writes from C now and then, beside the script's own.
    if (round % 3 == 0) {
      lua_pushnumber(L, 1 + OrvellaRand() % 80);
      lua_rawseti(L, -2, 1 + OrvellaRand() % 80);
      lua_pushnil(L);
      lua_rawseti(L, -2, 1 + OrvellaRand() % 80);
    }
    ASSERT_EQ(lua_getn(L, -1), WalkedSize(L, lua_gettop(L))) << "round " << round << "\n" << code;
    lua_pop(L, 1);
  }
}

TEST(ScriptApi, UserdataLengthsAndBoxedPointers) {
  State L;
  void *payload = lua_newuserdata(L, 5);
  EXPECT_EQ((reinterpret_cast<Udata *>(payload) - 1)->len, 6u);
  EXPECT_EQ(lua_touserdata(L, -1), payload);
  void *four = lua_newuserdata(L, 4);
  EXPECT_EQ(lua_touserdata(L, -1), four);
  int target = 7;
  lua_boxpointer(L, &target);
  EXPECT_EQ(lua_touserdata(L, -1), &target);
  EXPECT_EQ(lua_type(L, -1), LUA_TUSERDATA);
  // Both kinds take the per-type table of userdata as metatable.
  ASSERT_EQ(lua_getmetatable(L, -1), 1);
  lua_gettypemetatable(L, LUA_TUSERDATA);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_pop(L, 2);
  lua_pushlightuserdata(L, &target);
  EXPECT_EQ(lua_touserdata(L, -1), &target);
  lua_setgcthreshold(L, 0);  // boxes are freed with their own size
}

TEST(ScriptApi, WideStringConversions) {
  State L;
  lua_pushnumber(L, 12.5);
  EXPECT_EQ(Units(L, -1), u"12.5");
  EXPECT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_EQ(lua_tostring(L, -1), nullptr);  // never turned into a string
  EXPECT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_EQ(lua_isstring(L, -1), 1);
  EXPECT_EQ(lua_strlen(L, -1), 4u);
  lua_pushstring(L, "abc");
  EXPECT_EQ(lua_towstring(L, -1), nullptr);
  lua_pushwstring(L, nullptr);
  EXPECT_EQ(lua_type(L, -1), LUA_TNIL);
  const lua_WChar with_zero[] = {'a', 0, 'b'};
  lua_pushlwstring(L, with_zero, 3);
  EXPECT_EQ(lua_strlen(L, -1), 3u);
  const lua_WChar terminated[] = {'a', 0, 'b'};
  lua_pushwstring(L, terminated);
  EXPECT_EQ(lua_strlen(L, -1), 1u);
  // Interned: equal units are the same value; a string with the same text is another value.
  lua_pushlwstring(L, with_zero, 1);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_pushstring(L, "a");
  EXPECT_FALSE(lua_rawequal(L, -1, -2));
}

TEST(ScriptApi, WideNumerals) {
  struct Case {
    const char16_t *text;
    bool converts;
    double value;
  } cases[] = {
      {u"12", true, 12},        {u"0x10", true, 16},       {u"0X1f", true, 31},
      {u"0x10p2", false, 0},    {u"0x1.8p1", true, 3},     {u"0x1.8p-1", true, 0.75},
      {u" 5", false, 0},        {u"5 ", true, 5},          {u"+", true, 0},
      {u"0x", true, 0},         {u"-2.5e1", true, -25},    {u"e5", true, 0},
      {u".", true, 0},          {u"-0x10", false, 0},      {u"1e", true, 1},
      {u"12a", false, 0},       {u"", false, 0},           {u"3.25", true, 3.25},
  };
  for (const Case &c : cases) {
    State L;
    size_t n = std::char_traits<char16_t>::length(c.text);
    lua_pushlwstring(L, reinterpret_cast<const lua_WChar *>(c.text), n);
    EXPECT_EQ(lua_isnumber(L, -1), c.converts ? 1 : 0);
    if (c.converts) {
      EXPECT_EQ(lua_tonumber(L, -1), c.value);
    }
  }
}

TEST(ScriptApi, NumberStringsAndLengths) {
  State L;
  lua_pushnumber(L, 1e15);
  EXPECT_EQ(lua_strlen(L, -1), 5u);  // "1e+15", converted in place
  EXPECT_EQ(lua_type(L, -1), LUA_TSTRING);
  lua_pushnumber(L, 0.1);
  EXPECT_STREQ(lua_tostring(L, -1), "0.1");
  lua_pushstring(L, " 0x10 ");
  EXPECT_EQ(lua_isnumber(L, -1), 0);  // decimal only
  lua_pushstring(L, " 1e2 ");
  EXPECT_EQ(lua_tonumber(L, -1), 100);
  lua_newtable(L);
  EXPECT_EQ(lua_strlen(L, -1), 0u);
  EXPECT_EQ(lua_isstring(L, -1), 0);
}

// Numbers become text as the C library's "%.14g" writes them, whatever way is taken to it.
TEST(ScriptApi, NumbersPrintAsTheCLibraryDoes) {
  std::vector<double> values = {0.5, -0.5, 1.5, 0.1, 0.2 + 0.1, 1.0 / 3, 2.0 / 3, 1e-4, 1.5e-4, 9.99e-5,
                                0.00012345678901234, 123456.789, 99999999999999.5, 9999999999999.5,
                                12345678901234.5, 1e13 + 0.25, 0.30000000000000004, 1.0000000000001,
                                1.00000000000001, 3.14159265358979, 1e100, -1e-300, 5e-324, 0.0, -0.0,
                                1e14, -1e14, 123.45600000000002, 4503599627370495.5};
  std::mt19937_64 random(7);
  for (int i = 1; i <= 20000; i++) {
    values.push_back(i * 1.5);
    values.push_back(i / 8.0);
    values.push_back(i * 0.1);
    values.push_back(-i * 0.01);
    values.push_back(i / 7.0);
    values.push_back(std::round(std::ldexp(static_cast<double>(random() >> 11), -53) * 1e6) / 1e4);
    uint64_t bits = random();
    double any;
    std::memcpy(&any, &bits, sizeof any);
    values.push_back(any);
  }
  for (double v : values) {
    char ours[32], theirs[32];
    luaO_num2str(v, ours);
    std::snprintf(theirs, sizeof theirs, "%.14g", v);
    ASSERT_STREQ(ours, theirs) << "for " << v;
  }
}

TEST(ScriptApi, MetatablesReportPerTypeTables) {
  State L;
  lua_newtable(L);
  ASSERT_EQ(lua_getmetatable(L, -1), 1);
  lua_gettypemetatable(L, LUA_TTABLE);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);
  lua_pushnil(L);
  EXPECT_EQ(lua_getmetatable(L, -1), 0);
  EXPECT_EQ(lua_gettop(L), 1);
  lua_pushnumber(L, 3);
  ASSERT_EQ(lua_getmetatable(L, -1), 1);
  lua_gettypemetatable(L, LUA_TNUMBER);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);

  // Replacing the string slot gives every string that table.
  lua_newtable(L);
  lua_pushstring(L, "upper");
  lua_pushnumber(L, 42);
  lua_rawset(L, -3);
  lua_pushvalue(L, -1);
  lua_settypemetatable(L, LUA_TSTRING);
  lua_pushstring(L, "anything");
  ASSERT_EQ(lua_getmetatable(L, -1), 1);
  EXPECT_TRUE(lua_rawequal(L, -1, 1));
  lua_settop(L, 0);
  ASSERT_EQ(RunCode(L, "x = ('abc').upper; ('abc').y = 5"), 0);
  lua_pushstring(L, "x");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_EQ(lua_tonumber(L, -1), 42);
  lua_gettypemetatable(L, LUA_TSTRING);
  lua_pushstring(L, "y");
  lua_rawget(L, -2);
  EXPECT_EQ(lua_tonumber(L, -1), 5);  // the assignment went into the type's table
  lua_settop(L, 0);

  // A non-table leaves the slot alone but is popped.
  lua_pushnumber(L, 1);
  lua_settypemetatable(L, LUA_TSTRING);
  EXPECT_EQ(lua_gettop(L), 0);
  lua_pushstring(L, "s");
  ASSERT_EQ(lua_getmetatable(L, -1), 1);
  lua_pushstring(L, "upper");
  lua_rawget(L, -2);
  EXPECT_EQ(lua_tonumber(L, -1), 42);
}

TEST(ScriptApi, SetmetatableWithNilInstallsTheDefaultMetatable) {
  State L;
  lua_newtable(L);
  lua_pushnil(L);
  EXPECT_EQ(lua_setmetatable(L, -2), 1);
  ASSERT_EQ(lua_getmetatable(L, -1), 1);
  // The default metatable is its own metatable.
  ASSERT_EQ(lua_getmetatable(L, -1), 1);
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);
  lua_pushnumber(L, 1);
  lua_newtable(L);
  EXPECT_EQ(lua_setmetatable(L, 1), 0);
  EXPECT_EQ(lua_gettop(L), 1);
}

int UpvalueProbe(lua_State *L) {
  lua_pushnumber(L, lua_type(L, lua_upvalueindex(1)));
  lua_pushnumber(L, lua_type(L, lua_upvalueindex(2)));
  lua_pushnumber(L, lua_type(L, 5));  // above the top
  return 3;
}

TEST(ScriptApi, PseudoIndices) {
  State L;
  lua_pushstring(L, "first");
  lua_rawseti(L, LUA_REGISTRYINDEX, 1);
  EXPECT_STREQ(lua_tostring(L, lua_refindex(1)), "first");
  EXPECT_EQ(lua_type(L, lua_refindex(999)), LUA_TNIL);
  lua_pushvalue(L, lua_refindex(1));
  EXPECT_STREQ(lua_tostring(L, -1), "first");
  lua_pop(L, 1);
  // A number in the registry reads as a number; tostring does not convert it in place.
  lua_pushnumber(L, 7);
  lua_rawseti(L, LUA_REGISTRYINDEX, 2);
  EXPECT_EQ(lua_tonumber(L, lua_refindex(2)), 7);
  EXPECT_EQ(lua_tostring(L, lua_refindex(2)), nullptr);
  EXPECT_EQ(lua_type(L, lua_refindex(2)), LUA_TNUMBER);

  lua_pushstring(L, "up");
  lua_pushcclosure(L, UpvalueProbe, 1);
  ASSERT_EQ(lua_pcall(L, 0, 3, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -3), LUA_TSTRING);
  EXPECT_EQ(lua_tonumber(L, -2), LUA_TNONE);
  EXPECT_EQ(lua_tonumber(L, -1), LUA_TNONE);
  EXPECT_STREQ(lua_typename(L, LUA_TNONE), "no value");
  EXPECT_STREQ(lua_typename(L, LUA_TWSTRING), "wstring");
}

TEST(ScriptApi, GarbageCollectionFigures) {
  State L;
  int count = lua_getgccount(L);
  EXPECT_GT(count, 0);
  lua_setgcthreshold(L, 4194304);
  EXPECT_GE(lua_getgcthreshold(L), 4194304);
  lua_setgcthreshold(L, 0);  // collects at once, then the threshold is twice the use
  EXPECT_GT(lua_getgcthreshold(L), 0);
  EXPECT_LE(lua_getgcthreshold(L), 2 * lua_getgccount(L) + 1);
}

TEST(ScriptApi, ConcatMixesNumbersWithStringsOrWideStrings) {
  State L;
  lua_pushstring(L, "a");
  lua_pushnumber(L, 1);
  lua_pushstring(L, "b");
  lua_concat(L, 3);
  EXPECT_STREQ(lua_tostring(L, -1), "a1b");
  const lua_WChar w[] = {'x'};
  lua_pushnumber(L, 2);
  lua_pushlwstring(L, w, 1);
  lua_concat(L, 2);
  EXPECT_EQ(Units(L, -1), u"2x");
  lua_concat(L, 0);
  EXPECT_EQ(lua_strlen(L, -1), 0u);
  EXPECT_EQ(lua_gettop(L), 3);
}

TEST(ScriptApi, PushfstringFormats) {
  State L;
  EXPECT_STREQ(lua_pushfstring(L, "%s-%d-%f-%c-%%", "a", -3, 2.5, 'z'), "a--3-2.5-z-%");
}

TEST(ScriptApi, ErrorsAndHandlers) {
  State L;
  std::string error;
  EXPECT_EQ(RunCode(L, "x = = 1", &error), LUA_ERRSYNTAX);
  EXPECT_EQ(error, "test:1: unexpected symbol near `='");
  EXPECT_EQ(RunCode(L, "error('plain')", &error), LUA_ERRRUN);
  EXPECT_EQ(error, "plain");
  EXPECT_EQ(RunCode(L, "local t = nil; t.x = 1", &error), LUA_ERRRUN);
  EXPECT_EQ(error, "test:1: attempt to index local `t' (a nil value)");

  // The handler sees the message before the stack unwinds and its result is the error.
  lua_pushcfunction(L, [](lua_State *S) -> int {
    lua_pushstring(S, "handled: ");
    lua_insert(S, 1);
    lua_concat(S, 2);
    return 1;
  });
  ASSERT_EQ(script_test::Load(L, "error('boom')"), 0);
  EXPECT_EQ(lua_pcall(L, 0, 0, 1), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(L, -1), "handled: boom");
  lua_settop(L, 0);

  // An error inside the handler is code 5.
  lua_pushcfunction(L, [](lua_State *S) -> int { return lua_error(S); });
  ASSERT_EQ(script_test::Load(L, "error('boom')"), 0);
  EXPECT_EQ(lua_pcall(L, 0, 0, 1), LUA_ERRERR);
  EXPECT_STREQ(lua_tostring(L, -1), "error in error handling");
}

// "f" pushes the function; the other options asked after it must not read it from where the
// stack was before that push grew it.
TEST(ScriptApi, GetinfoWithFunctionFirstSurvivesTheStackGrowing) {
  State L;
  lua_register(L, "probe", [](lua_State *S) -> int {
    int bad = 0;
    for (int k = 0; k < 80; k++) {  // every distance of the top from the end of the stack
      lua_Debug ar;
      if (!lua_getstack(S, 1, &ar) || !lua_getinfo(S, "fSl", &ar)) {
        lua_pushstring(S, "no info");
        return lua_error(S);
      }
      if (!lua_isfunction(S, -1) || std::strcmp(ar.what, "main") != 0 || ar.currentline != 2) bad++;
      lua_pop(S, 1);
      lua_pushnumber(S, k);
    }
    lua_pushnumber(S, bad);
    return 1;
  });
  std::string error;
  ASSERT_EQ(RunCode(L, "\nassert_zero = probe()", &error), 0) << error;
  lua_pushstring(L, "assert_zero");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_EQ(lua_tonumber(L, -1), 0);
}

// A native function holding an object with a destructor while it calls back into scripts.
int gGuardsDestroyed = 0;
struct Guard {
  ~Guard() { gGuardsDestroyed++; }
};
int Guarded(lua_State *L) {
  Guard g;
  lua_call(L, lua_gettop(L) - 1, 0);
  return 0;
}
int PlainError(lua_State *L) {
  lua_settop(L, 1);
  return lua_error(L);
}

// Caught errors either unwind (running the destructors of the native frames they cross) or,
// where nothing in between needs that, jump straight to the protected call; both leave the
// same results and a state that goes on working.
TEST(ScriptApi, CaughtErrorsRunTheDestructorsOfTheNativeFramesTheyCross) {
  State L;
  lua_register(L, "guarded", Guarded);
  lua_pushstring(L, "plainerror");
  lua_pushcfunction(L, PlainError);
  lua_setnounwind(L, -1);
  lua_settable(L, LUA_GLOBALSINDEX);
  struct Case {
    const char *code;
    const char *message;
    int destroyed;
  } cases[] = {
      {"return pcall(plainerror, 'jump')", "jump", 0},
      {"return pcall(function() local t = nil return t.x end)", "test:1: attempt to index local `t' (a nil value)", 0},
      {"return pcall(guarded, function() plainerror('a') end)", "a", 1},
      {"return pcall(guarded, plainerror, 'b')", "b", 1},
      {"return pcall(guarded, function() local t = nil return t.x end)",
       "test:1: attempt to index local `t' (a nil value)", 1},
      {"return pcall(function() guarded(function() pcall(plainerror, 'in') end) plainerror('out') end)", "out", 1},
      {"return pcall(function() guarded(function() guarded(error, 'twice') end) end)", "twice", 2},
  };
  for (const Case &c : cases) {
    gGuardsDestroyed = 0;
    int top = lua_gettop(L);
    std::string error;
    ASSERT_EQ(RunCode(L, c.code, &error), 0) << c.code << error;
    EXPECT_EQ(lua_toboolean(L, top + 1), 0) << c.code;
    EXPECT_STREQ(lua_tostring(L, top + 2), c.message) << c.code;
    EXPECT_EQ(gGuardsDestroyed, c.destroyed) << c.code;
    lua_settop(L, top);
  }
  // Thousands of caught errors of both kinds leave no call depth behind: nesting still
  // reaches its usual limit.
  std::string error;
  ASSERT_EQ(RunCode(L, "for i = 1, 2000 do pcall(plainerror, 'x') pcall(guarded, plainerror, 'y') "
                       "pcall(function() local t = nil return t.x end) end "
                       "local function nest(n) if n == 0 then return 'deep' end "
                       "local ok, r = pcall(nest, n - 1) return r end "
                       "assert_deep = nest(150)", &error), 0) << error;
  lua_pushstring(L, "assert_deep");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_STREQ(lua_tostring(L, -1), "deep");
  EXPECT_EQ(lua_gettop(L), 1);
}

TEST(ScriptApi, NextWalksArrayThenHash) {
  State L;
  ASSERT_EQ(RunCode(L, "return {10, 20, x = 1}"), 0);
  int count = 0;
  double sum = 0;
  lua_pushnil(L);
  while (lua_next(L, 1)) {
    sum += lua_tonumber(L, -1);
    lua_pop(L, 1);
    count++;
  }
  EXPECT_EQ(count, 3);
  EXPECT_EQ(sum, 31);
  std::string error;
  ASSERT_EQ(RunCode(L, "local t = {a = 1} return next(t, 'zz')", &error), LUA_ERRRUN);
  EXPECT_EQ(error, "invalid key for `next'");
}

TEST(ScriptApi, ThreadsShareGlobalsAndMove) {
  State L;
  lua_State *T = lua_newthread(L);
  lua_pushnumber(T, 5);
  lua_pushstring(T, "x");
  lua_xmove(T, L, 2);
  EXPECT_EQ(lua_gettop(T), 0);
  EXPECT_STREQ(lua_tostring(L, -1), "x");
  EXPECT_EQ(lua_tonumber(L, -2), 5);
  ASSERT_EQ(RunCode(L, "shared = 9"), 0);
  lua_pushstring(T, "shared");
  lua_gettable(T, LUA_GLOBALSINDEX);
  EXPECT_EQ(lua_tonumber(T, -1), 9);
}

// The native observer: natives bound as globals, and every call a script makes of a native, with
// the global's name when the call named one; calls from native code are not told.
std::vector<std::string> gObserved;
std::map<const void *, std::string> gBound;
void Observe(lua_State *, int event, const char *name, const void *native) {
  if (event == LUA_NATIVEBOUND) gBound[native] = name;
  std::string who = gBound.count(native) ? gBound[native] : "?";
  gObserved.push_back(std::string(event == LUA_NATIVEBOUND ? "bound " : "called ") + who + (name ? "" : " (unnamed)"));
}
int Nothing(lua_State *) { return 0; }

TEST(ScriptApi, TheNativeObserverSeesBindsAndScriptCalls) {
  State L;
  gObserved.clear();
  lua_register(L, "Before", Nothing);
  lua_setnativeobserver(L, Observe);
  lua_register(L, "Native", Nothing);
  lua_pushstring(L, "Raw");
  lua_pushcclosure(L, Nothing, 0);
  lua_rawset(L, LUA_GLOBALSINDEX);
  ASSERT_EQ(RunCode(L, "Native() function Script() end Script() local t = { f = Raw } t.f() local f = Native f()"),
            0);
  lua_State *thread = lua_newthread(L);
  ASSERT_EQ(script_test::Load(thread, "Raw()", "=thread"), 0);
  EXPECT_EQ(lua_resume(thread, 0), 0);
  lua_pushstring(L, "Native");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_call(L, 0, 0);
  EXPECT_EQ(gObserved, (std::vector<std::string>{"bound Native", "bound Raw", "called Native", "called Raw (unnamed)",
                                                 "called Native (unnamed)", "called Raw"}));
  lua_setnativeobserver(L, nullptr);
  ASSERT_EQ(RunCode(L, "Native()"), 0);
  EXPECT_EQ(gObserved.size(), 6u);
}

}  // namespace
