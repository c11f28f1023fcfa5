// Tables: the hash part's chains (keys moved out of a taken main position, cleared keys set
// again, growth and shrinking) and the order a walk visits the keys in, which scripts print.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/base/crt_rand.h"
#include "tests/core/script/script_test_support.h"

using script_test::RunCode;
using script_test::State;

namespace {

// "key=value" for each entry in the order lua_next gives them, separated by spaces.
std::string Walk(lua_State *L, int t) {
  std::string out;
  lua_pushnil(L);
  while (lua_next(L, t)) {
    for (int i = -2; i <= -1; i++) {
      lua_pushvalue(L, i);  // a copy, so the key itself is not converted
      const char *text = lua_type(L, -1) == LUA_TBOOLEAN ? (lua_toboolean(L, -1) ? "true" : "false")
                                                         : lua_tostring(L, -1);
      out += text ? text : "?";
      out += i == -2 ? "=" : " ";
      lua_pop(L, 1);
    }
    lua_pop(L, 1);
  }
  if (!out.empty()) out.pop_back();
  return out;
}

// The walk order follows from where each key lands: its main position, or a free node chained
// to it, with a key that sits in another key's main position moved out. Scripts print tables
// in this order, so it is pinned for colliding strings, numbers that collide in the hash part,
// keys of mixed kinds, and keys cleared and set again.
TEST(ScriptTable, WalkOrderFollowsWhereKeysLand) {
  struct Case {
    const char *code;
    const char *walk;
  };
  const Case cases[] = {
      {"local t = {} for i = 1, 12 do t['k' .. i] = i end return t",
       "k12=12 k9=9 k8=8 k1=1 k3=3 k2=2 k10=10 k11=11 k6=6 k7=7 k4=4 k5=5"},
      {"local t = {} for i = 1, 9 do t[i * 8] = i end t.x = 1 t[2.5] = 2 t[true] = 3 return t",
       "16=2 32=4 48=6 64=8 8=1 24=3 40=5 56=7 72=9 true=3 2.5=2 x=1"},
      {"local t = {} for i = 1, 20 do t['k' .. i] = i end "
       "for i = 1, 20, 3 do t['k' .. i] = nil end for i = 1, 20, 6 do t['k' .. i] = -i end "
       "t.new = 0 return t",
       "k19=-19 k11=11 k17=17 new=0 k15=15 k20=20 k8=8 k1=-1 k12=12 k3=3 k2=2 k9=9 k13=-13 "
       "k18=18 k14=14 k6=6 k7=-7 k5=5"},
      {"local t = {} for i = 40, 1, -3 do t[i] = i t['s' .. i] = -i end return t",
       "31=31 s13=-13 34=34 4=4 s7=-7 37=37 7=7 s16=-16 40=40 s37=-37 s22=-22 13=13 16=16 s34=-34 "
       "s25=-25 19=19 s1=-1 1=1 22=22 s4=-4 s28=-28 25=25 s10=-10 s19=-19 28=28 10=10 s40=-40 "
       "s31=-31"},
  };
  for (const Case &c : cases) {
    State L;
    ASSERT_EQ(RunCode(L, c.code), 0) << c.code;
    EXPECT_EQ(Walk(L, lua_gettop(L)), c.walk) << c.code;
  }
}

// Random writes of keys of every kind (array positions, integers and fractions of the hash
// part, negative numbers, strings, booleans), many of them cleared and set again, through
// growth and shrinking: every key reads back what was last stored, and a walk visits exactly
// the keys holding a value.
TEST(ScriptTable, RandomWritesReadBackAndWalkExactly) {
  State L;
  OrvellaSrand(5);
  auto pushkey = [&](int r) {
    switch (r % 6) {
      case 0: lua_pushnumber(L, r / 6 + 1); break;  // array candidates
      case 1: lua_pushnumber(L, r * 37 + 0.5); break;
      case 2: lua_pushnumber(L, -r); break;
      case 3: lua_pushstring(L, ("k" + std::to_string(r)).c_str()); break;
      case 4: lua_pushnumber(L, static_cast<double>(r) * 1048576.0); break;  // collide in small parts
      default: lua_pushboolean(L, r & 1); break;
    }
  };
  auto keyname = [&](int r) {
    pushkey(r);
    lua_pushvalue(L, -1);
    std::string s = lua_type(L, -1) == LUA_TBOOLEAN ? (lua_toboolean(L, -1) ? "true" : "false") : lua_tostring(L, -1);
    lua_pop(L, 2);
    return s;
  };
  lua_newtable(L);
  const int t = lua_gettop(L);
  std::map<std::string, int> model;
  for (int round = 0; round < 60; round++) {
    // Some rounds add many keys, some clear most of them: both parts grow and shrink.
    int range = 1 + OrvellaRand() % 3000;
    int writes = OrvellaRand() % 2000;
    int clearing = round % 4 == 3 ? 90 : 30;  // percent of writes that store nil
    for (int w = 0; w < writes; w++) {
      int r = OrvellaRand() % range;
      bool clear = static_cast<int>(OrvellaRand() % 100) < clearing;
      int value = round * 10000 + w;
      pushkey(r);
      if (clear) lua_pushnil(L);
      else lua_pushnumber(L, value);
      lua_rawset(L, t);
      if (clear) model.erase(keyname(r));
      else model[keyname(r)] = value;
    }
    for (int r = 0; r < range; r++) {
      pushkey(r);
      lua_rawget(L, t);
      auto it = model.find(keyname(r));
      if (it == model.end()) ASSERT_TRUE(lua_isnil(L, -1)) << "round " << round << " key " << keyname(r);
      else ASSERT_EQ(lua_tonumber(L, -1), it->second) << "round " << round << " key " << keyname(r);
      lua_pop(L, 1);
    }
    std::map<std::string, int> walked;
    lua_pushnil(L);
    while (lua_next(L, t)) {
      lua_pushvalue(L, -2);
      std::string k = lua_type(L, -1) == LUA_TBOOLEAN ? (lua_toboolean(L, -1) ? "true" : "false") : lua_tostring(L, -1);
      EXPECT_TRUE(walked.emplace(k, static_cast<int>(lua_tonumber(L, -2))).second) << "visited twice: " << k;
      lua_pop(L, 2);
    }
    ASSERT_EQ(walked, model) << "round " << round;
  }
}

// A string key finds its slot whatever made the value that names it: a constant, a
// concatenation, a native's push, a key handed out by a walk, a constant of a chunk written and
// read back, a wide string; and keys that land in a chain behind their main position.
TEST(ScriptTable, StringKeysFromEverySourceFindTheirSlot) {
  State L;
  lua_pushstring(L, "P");
  lua_pushstring(L, "pushed");
  lua_settable(L, LUA_GLOBALSINDEX);
  const char *code =
      "local t = {} local out = '' "
      "t.alpha = 1 t['be' .. 'ta'] = 2 t[P] = 3 t[L\"wide\"] = 4 "
      "for i = 1, 300 do t['k' .. i] = i end "
      "local a, b = 'alp' .. 'ha', 'beta' "
      "out = out .. t[a] .. t[b] .. t.pushed .. t[L\"wi\" .. L\"de\"] "
      "local sum = 0 for i = 1, 300 do sum = sum + t['k' .. i] end out = out .. ' ' .. sum "
      // Every key a walk gives reads and writes its own slot.
      "local k, v = next(t, nil) local n = 0 "
      "while k do t[k] = v + 1000 n = n + 1 k, v = next(t, k) end "
      "sum = 0 for i = 1, 300 do sum = sum + t['k' .. i] end "
      "return out .. ' ' .. n .. ' ' .. sum .. ' ' .. t.alpha .. ' ' .. t[P]";
  const std::string expected = "1234 45150 304 345150 1001 1003";
  std::string error;
  ASSERT_EQ(RunCode(L, code, &error), 0) << error;
  EXPECT_EQ(lua_tostring(L, -1), expected);
  lua_settop(L, 0);
  // The same from a precompiled chunk: its constants are made by the loader.
  ASSERT_EQ(script_test::Load(L, code), 0);
  std::string chunk = script_test::Dump(L);
  lua_settop(L, 0);
  ASSERT_EQ(script_test::Load(L, chunk), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0) << lua_tostring(L, -1);
  EXPECT_EQ(lua_tostring(L, -1), expected);
  lua_settop(L, 0);
  // A native reading with a key it pushed itself.
  ASSERT_EQ(RunCode(L, "T = {alpha = 'a', [L\"w\"] = 'w'} for i = 1, 50 do T['x' .. i] = i end"), 0);
  lua_pushstring(L, "T");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushstring(L, "x37");
  lua_rawget(L, -2);
  EXPECT_EQ(lua_tonumber(L, -1), 37);
  lua_pop(L, 1);
  const lua_WChar w[] = {'w', 0};
  lua_pushwstring(L, w);
  lua_gettable(L, -2);
  EXPECT_STREQ(lua_tostring(L, -1), "w");
}

}  // namespace
