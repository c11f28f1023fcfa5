// The collector: weak tables, finalisers of userdata, cycles, thresholds, and objects reached
// only through dead coroutines.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/base/settings.h"
#include "core/script/lib_aux.h"
#include "core/script/state.h"
#include "tests/core/script/script_test_support.h"

using script_test::RunCode;
using script_test::State;

namespace {

int gFinalised = 0;

int CountFinaliser(lua_State *L) {
  gFinalised++;
  return 0;
}

// newproxy(keep_in_global): a userdata whose finaliser counts; with an argument the finaliser
// also stores the object in the global "revived".
int NewProxy(lua_State *L) {
  bool revive = lua_toboolean(L, 1);
  lua_newuserdata(L, 8);
  lua_newtable(L);
  lua_pushstring(L, "__gc");
  if (revive) {
    lua_pushcfunction(L, [](lua_State *S) -> int {
      gFinalised++;
      lua_pushstring(S, "revived");
      lua_pushvalue(S, 1);
      lua_settable(S, LUA_GLOBALSINDEX);
      return 0;
    });
  } else {
    lua_pushcfunction(L, CountFinaliser);
  }
  lua_rawset(L, -3);
  lua_setmetatable(L, -2);
  return 1;
}

class ScriptGc : public ::testing::Test {
 protected:
  void SetUp() override {
    gFinalised = 0;
    lua_register(L, "newproxy", NewProxy);
  }
  double Global(const char *name) {
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    double v = lua_tonumber(L, -1);
    lua_pop(L, 1);
    return v;
  }
  void Run(const char *code) {
    std::string error;
    ASSERT_EQ(RunCode(L, code, &error), 0) << error;
  }
  State L;
};

TEST_F(ScriptGc, WeakValuesLoseObjectsButKeepStrings) {
  Run("t = setmetatable({}, {__mode = 'v'}) "
      "t[1] = {} t[2] = 'text' t[3] = 5 keep = {} t[4] = keep t.x = function() end "
      "collectgarbage() "
      "n = 0 for k, v in next, t do n = n + 1 end "
      "gone1 = t[1] == nil and 1 or 0 goneX = t.x == nil and 1 or 0");
  EXPECT_EQ(Global("n"), 3);
  EXPECT_EQ(Global("gone1"), 1);
  EXPECT_EQ(Global("goneX"), 1);
}

TEST_F(ScriptGc, WeakKeysDropUnreachableKeys) {
  Run("t = setmetatable({}, {__mode = 'k'}) "
      "kept = {} t[kept] = 1 t[{}] = 2 t['s'] = 3 t[{}] = kept "
      "collectgarbage() "
      "n = 0 for k, v in next, t do n = n + 1 end");
  EXPECT_EQ(Global("n"), 2);
  Run("t = setmetatable({}, {__mode = 'kv'}) t[{}] = 1 t[1] = {} t[2] = 2 collectgarbage() "
      "n = 0 for k, v in next, t do n = n + 1 end");
  EXPECT_EQ(Global("n"), 1);
}

TEST_F(ScriptGc, FinalisersRunOnceAndAtClose) {
  Run("local p = newproxy() p = nil collectgarbage() collectgarbage()");
  EXPECT_EQ(gFinalised, 1);
  Run("keep = newproxy() collectgarbage()");
  EXPECT_EQ(gFinalised, 1);
  {
    State other;
    lua_register(other, "newproxy", NewProxy);
    ASSERT_EQ(RunCode(other, "a = newproxy() b = newproxy() local c = newproxy()"), 0);
  }
  EXPECT_EQ(gFinalised, 4);
}

// A finaliser that fails inside a collection started by a script's allocation: the error
// reaches the script's protected call, and automatic collection stays on.
TEST_F(ScriptGc, AFailingFinaliserLeavesCollectionOn) {
  Run("local p = newproxy() getmetatable(p).__gc = function() local x = nil + 1 end p = nil "
      "ok, message = pcall(function() for i = 1, 200000 do local t = {i} end end)");
  EXPECT_EQ(gFinalised, 0);
  lua_pushstring(L, "message");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_STREQ(lua_tostring(L, -1), "test:1: attempt to perform arithmetic on a nil value");
  lua_pop(L, 1);
  EXPECT_LT(lua_getgcthreshold(L), 4096);  // kilobytes: not the "no limit" of a finaliser run
}

TEST_F(ScriptGc, RevivedUserdataIsNotFinalisedAgain) {
  Run("do local p = newproxy(true) end collectgarbage()");
  EXPECT_EQ(gFinalised, 1);
  Run("assert_revived = revived ~= nil and 1 or 0 collectgarbage() collectgarbage()");
  EXPECT_EQ(Global("assert_revived"), 1);
  Run("revived = nil collectgarbage() collectgarbage()");
  EXPECT_EQ(gFinalised, 1);
}

TEST_F(ScriptGc, WeakValuesOfFinalisedUserdataAreCleared) {
  Run("w = setmetatable({}, {__mode = 'v'}) w[1] = newproxy(true) collectgarbage() "
      "cleared = w[1] == nil and 1 or 0");
  EXPECT_EQ(gFinalised, 1);
  EXPECT_EQ(Global("cleared"), 1);
}

TEST_F(ScriptGc, CyclesAreCollected) {
  Run("collectgarbage()");
  int before = lua_getgccount(L);
  Run("for i = 1, 2000 do "
      "  local a, b = {}, {} a.other = b b.other = a "
      "  local f f = function() return f, a end a.f = f "
      "  local s = setmetatable({}, {}) getmetatable(s).__index = s "
      "end "
      "collectgarbage()");
  EXPECT_LE(lua_getgccount(L), before + 4);
  EXPECT_LE(lua_getgcthreshold(L), 2 * lua_getgccount(L) + 1);
}

TEST_F(ScriptGc, ValuesReachedOnlyThroughADeadCoroutineSurvive) {
  // The coroutine yields a closure over one of its locals and is then dropped while suspended:
  // the closure's upvalue still points into the thread's stack when the thread is collected.
  lua_State *T = lua_newthread(L);
  lua_pushstring(L, "body");
  ASSERT_EQ(script_test::Load(T, "local v = {n = 7} yield(function() return v.n end) v = nil"), 0);
  ASSERT_EQ(lua_resume(T, 0), 0);
  ASSERT_EQ(lua_gettop(T), 1);
  lua_xmove(T, L, 1);  // the closure
  lua_pushstring(L, "get");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  lua_settop(L, 0);  // the thread is unreachable now
  Run("collectgarbage() collectgarbage() x = {} for i = 1, 100 do x[i] = {i} end collectgarbage() "
      "result = get()");
  EXPECT_EQ(Global("result"), 7);
}

TEST_F(ScriptGc, StringTableShrinksAndStaysUsable) {
  Run("local t = {} for i = 1, 20000 do t[i] = 'str' .. i end t = nil collectgarbage() "
      "s = 'str' .. 123 same = (s == 'str123') and 1 or 0");
  EXPECT_EQ(Global("same"), 1);
}

TEST_F(ScriptGc, AutomaticCollectionKeepsMemoryBounded) {
  Run("for i = 1, 200000 do local t = {i, tostring_ = i .. ''} end");
  EXPECT_LT(lua_getgccount(L), 4096);  // kilobytes
}

using script_test::Budget;
using script_test::BudgetAlloc;

TEST(ScriptMemory, AllocationFailuresGiveTheMemoryErrorAndTheStateStaysUsable) {
  Budget budget;
  lua_State *L = luaE_openwith(BudgetAlloc, &budget);
  ASSERT_NE(L, nullptr);
  script_test::OpenTestFunctions(L);
  for (const char *code : {"local t = {} for i = 1, 1e7 do t[i] = {i} end",
                           "local s = 'x' for i = 1, 40 do s = s .. s end",
                           "local t = {} for i = 1, 1e7 do t['k' .. i] = i end",
                           "local f = {} for i = 1, 1e7 do f[i] = function() return i end end"}) {
    budget.limit = budget.used + 2 * 1024 * 1024;
    std::string error;
    EXPECT_EQ(RunCode(L, code, &error), LUA_ERRMEM) << code;
    EXPECT_EQ(error, "not enough memory") << code;
    budget.limit = SIZE_MAX;
    lua_setgcthreshold(L, 0);
    ASSERT_EQ(RunCode(L, "local t = {} for i = 1, 1000 do t[i] = 'v' .. i end x = t[1000]", &error), 0)
        << error;
  }
  lua_close(L);
  EXPECT_EQ(budget.used, 0u);
}

TEST(ScriptMemory, FailuresAtEveryPointOfAScriptLeaveAConsistentState) {
  const char *code =
      "local t = {} for i = 1, 200 do t[i] = {i, 'k' .. i, L\"w\" .. i} t['s' .. i] = i end "
      "local f = function(...) return arg.n end f(1, 2, 3) "
      "local c = {} for i = 1, 50 do c[i] = function() return t[i] end end "
      "setmetatable(t, {__index = function(_, k) return k end}) local x = t.missing .. 'y'";
  for (int step = 1; step <= 400; step++) {
    Budget budget;
    lua_State *L = luaE_openwith(BudgetAlloc, &budget);
    ASSERT_NE(L, nullptr);
    script_test::OpenTestFunctions(L);
    budget.limit = budget.used + step * 256;
    std::string error;
    int status = RunCode(L, code, &error);
    EXPECT_TRUE(status == 0 || (status == LUA_ERRMEM && error == "not enough memory")) << step << error;
    budget.limit = SIZE_MAX;
    EXPECT_EQ(RunCode(L, code, &error), 0) << step << error;
    lua_setgcthreshold(L, 0);
    lua_close(L);
    EXPECT_EQ(budget.used, 0u) << step;
  }
}

// A string whose making fails (the string table cannot grow) leaves nothing behind: no string
// without its text is found later in its place.
TEST(ScriptMemory, AStringThatCannotBeMadeLeavesNothingInTheStringTable) {
  Budget budget;
  lua_State *L = luaE_openwith(BudgetAlloc, &budget);
  ASSERT_NE(L, nullptr);
  lua_setgcthreshold(L, 1 << 20);  // nothing is collected meanwhile
  const stringtable &strings = G(L)->strt;
  for (int i = 0; strings.nuse < static_cast<lu_hash>(strings.size); i++) {
    lua_pushstring(L, ("fill" + std::to_string(i)).c_str());
    lua_pop(L, 1);
  }
  const lu_hash before = strings.nuse;
  const char *text = "a string made when the table is full";
  auto push = [](lua_State *S) -> int {
    Budget *b = static_cast<Budget *>(lua_touserdata(S, 1));
    b->limit = b->used + 128;  // room for the string, not for a table twice the size
    lua_pushstring(S, "a string made when the table is full");
    return 0;
  };
  EXPECT_EQ(lua_cpcall(L, push, &budget), LUA_ERRMEM);
  budget.limit = SIZE_MAX;
  EXPECT_EQ(strings.nuse, before);
  lua_pushstring(L, text);
  EXPECT_STREQ(lua_tostring(L, -1), text);
  lua_close(L);
  EXPECT_EQ(budget.used, 0u);
}

// The budget ("scriptmemorymb") bounds what a script can take, whatever the system would give:
// past it a growth fails with the memory error before it is allocated, and the state stays usable.
TEST(ScriptMemory, TheBudgetSettingRefusesGrowthPastIt) {
  SetSetting(kSettingScriptMemoryMb, "8");
  Budget budget;  // no limit of its own: it only measures
  lua_State *L = luaE_openwith(BudgetAlloc, &budget);
  ASSERT_NE(L, nullptr);
  script_test::OpenTestFunctions(L);
  OpenAllLibraries(L);
  for (const char *code : {"local s = string.rep('x', 2^24)", "local s = 'x' for i = 1, 40 do s = s .. s end",
                           "local t = {} for i = 1, 1e7 do t[i] = {i} end"}) {
    std::string error;
    EXPECT_EQ(RunCode(L, code, &error), LUA_ERRMEM) << code;
    EXPECT_EQ(error, "not enough memory") << code;
    EXPECT_LE(budget.peak, 8u << 20) << code;
    lua_setgcthreshold(L, 0);
  }
  // Garbage is collected before the budget is reached, also with most of it in use.
  std::string error;
  EXPECT_EQ(RunCode(L,
                    "keep = string.rep('k', 5 * 2^20) "
                    "for i = 1, 100 do local s = string.rep('x', 2^19) .. i end",
                    &error),
            0)
      << error;
  lua_close(L);
  ClearSettingsForTest();

  struct {
    const char *value;
    lu_mem limit;
  } clamps[] = {{nullptr, 512u << 20}, {"0", 4u << 20}, {"-3", 4u << 20}, {"100000", (lu_mem)4095 << 20}};
  for (const auto &c : clamps) {
    if (c.value) SetSetting(kSettingScriptMemoryMb, c.value);
    State s;
    EXPECT_EQ(G(s.L)->memlimit, c.limit) << (c.value ? c.value : "default");
    ClearSettingsForTest();
  }
}

// string.rep builds its result in place: the peak is the result, not the result twice.
TEST(ScriptMemory, RepetitionTakesItsResultOnce) {
  Budget budget;
  lua_State *L = luaE_openwith(BudgetAlloc, &budget);
  ASSERT_NE(L, nullptr);
  OpenAllLibraries(L);
  lua_setgcthreshold(L, 0);
  size_t before = budget.used;
  budget.peak = before;
  std::string error;
  ASSERT_EQ(RunCode(L, "s = string.rep('abc', 2^22) assert(string.len(s) == 3 * 2^22)", &error), 0) << error;
  EXPECT_LT(budget.peak - before, (3u << 22) + (1u << 20));
  // The same text again is the string already there.
  ASSERT_EQ(RunCode(L, "assert(string.rep('abc', 2^22) == s and string.rep('abcabc', 2^21) == s)", &error), 0)
      << error;
  ASSERT_EQ(RunCode(L, "assert(string.rep('ab', 3) == 'ababab' and string.rep('x', 0) == '' and "
                       "string.sub(s, -4) == 'cabc')",
                    &error),
            0)
      << error;
  lua_close(L);
}

// Small objects come from blocks the state cuts itself and reuses once they are freed: each
// keeps the C library's alignment and its own contents while its neighbours are freed and made
// again, and a table whose parts grow out of the small sizes and shrink back into them keeps
// what it holds.
TEST(ScriptMemory, SmallBlocksKeepAlignmentAndContentsThroughReuse) {
  State L;
  lua_newtable(L);
  const int kept = lua_gettop(L);
  auto byte = [](int object, size_t at) { return static_cast<unsigned char>(object * 31 + at); };
  int made = 0;
  for (int round = 0; round < 4; round++) {
    for (int i = 0; i < 3000; i++, made++) {
      size_t n = 1 + made % 64;
      auto *p = static_cast<unsigned char *>(lua_newuserdata(L, n));
      ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(std::max_align_t), 0u) << n;
      for (size_t at = 0; at < n; at++) p[at] = byte(made, at);
      if (made % 3 == 0) lua_rawseti(L, kept, made);
      else lua_pop(L, 1);
    }
    lua_setgcthreshold(L, 0);  // the dropped ones are freed, to be cut again next round
    for (int k = 0; k < made; k += 3) {
      lua_rawgeti(L, kept, k);
      auto *p = static_cast<const unsigned char *>(lua_touserdata(L, -1));
      ASSERT_NE(p, nullptr) << k;
      for (size_t at = 0; at < 1 + static_cast<size_t>(k % 64); at++) ASSERT_EQ(p[at], byte(k, at)) << k;
      lua_pop(L, 1);
    }
  }
  std::string error;
  ASSERT_EQ(RunCode(L,
                    "local bad = 0 for size = 1, 40 do "
                    "  local t = {} "
                    "  for i = 1, size do t[i] = i * 3 t['k' .. i] = -i end "
                    "  for i = size, 2, -1 do t[i] = nil t['k' .. i] = nil end "
                    "  t.grow = 1 t.again = 2 "  // a rehash into the small sizes
                    "  if not (t[1] == 3 and t.k1 == -1 and t.grow == 1 and t.again == 2 and t[2] == nil) then "
                    "    bad = bad + 1 "
                    "  end "
                    "end return bad",
                    &error),
            0)
      << error;
  EXPECT_EQ(lua_tonumber(L, -1), 0);
}

TEST(ScriptMemory, OpeningWithTooLittleMemoryYieldsNoState) {
  Budget full;
  lua_State *L = luaE_openwith(BudgetAlloc, &full);
  ASSERT_NE(L, nullptr);
  size_t needed = full.used;
  lua_close(L);
  for (size_t limit = 0; limit < needed; limit += 16) {
    Budget budget;
    budget.limit = limit;
    lua_State *partial = luaE_openwith(BudgetAlloc, &budget);
    EXPECT_EQ(partial, nullptr) << limit;
    if (partial) lua_close(partial);
    EXPECT_EQ(budget.used, 0u) << limit;
  }
}

}  // namespace
