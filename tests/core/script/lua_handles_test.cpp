// Native handles (registry anchors, typed table getters that never raise and keep the stack)
// and native-function registration with its conversion rules.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/script/lib_aux.h"
#include "core/script/lua_bindings.h"
#include "core/script/lua_function.h"
#include "core/script/lua_table.h"
#include "core/script/script.h"
#include "tests/core/script/script_test_support.h"

namespace {

class HandleTest : public ::testing::Test {
 protected:
  HandleTest() {
    OpenAllLibraries(L);
  }
  ~HandleTest() override { lua_close(L); }
  // A handle on the table the expression returns.
  TLuaTable* Table(const std::string& expr) {
    EXPECT_EQ(script_test::RunCode(L, "return " + expr), 0);
    return new TLuaTable(L);
  }
  lua_State* L = lua_open();
};

TEST_F(HandleTest, AnchorLivesWithTheHandleAndPushGivesItBack) {
  lua_newtable(L);
  const void* address = lua_topointer(L, -1);
  auto* h = new TLuaObjectWrapper(L);
  EXPECT_EQ(lua_gettop(L), 0);
  lua_setgcthreshold(L, 0);
  h->Push();
  EXPECT_EQ(lua_topointer(L, -1), address);
  lua_pop(L, 1);
  lua_pushlightuserdata(L, h);
  lua_rawget(L, LUA_REGISTRYINDEX);
  EXPECT_TRUE(lua_istable(L, -1));
  lua_pop(L, 1);
  delete h;
  lua_pushlightuserdata(L, h);
  lua_rawget(L, LUA_REGISTRYINDEX);
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_pop(L, 1);
}

TEST_F(HandleTest, UserDataAndAsString) {
  int x = 0;
  lua_boxpointer(L, &x);
  TLuaObjectWrapper boxed(L);
  EXPECT_EQ(boxed.GetUserData(), &x);
  lua_pushlightuserdata(L, &x);
  TLuaObjectWrapper light(L);
  EXPECT_EQ(light.GetUserData(), &x);
  lua_pushnil(L);
  TLuaObjectWrapper nil(L);
  EXPECT_EQ(nil.GetUserData(), nullptr);
  lua_pushnumber(L, 12.5);
  TLuaObjectWrapper number(L);
  EXPECT_EQ(number.AsString(), TStr("12.5"));
  lua_newtable(L);
  TLuaObjectWrapper table(L);
  EXPECT_EQ(table.AsString(), TStr(""));
  EXPECT_EQ(lua_gettop(L), 0);
}

TEST_F(HandleTest, TypedGettersFollowTheConversionRulesAndKeepTheStack) {
  lua_pushliteral(L, "below");  // something the accessors must leave alone
  TLuaTable* t = Table(
      "{ twelve = '12', tab = {}, zero = 0, no = false, s = 'text', n = 7, f = print,"
      "  tint = {1, 0.5}, [1] = 'one', [2] = 2, [3] = {0.1, 0.2, 0.3, 0.4} }");
  int top = lua_gettop(L);
  const TColor def(0.2f, 0.3f, 0.4f, 0.6f);
  EXPECT_EQ(t->GetNumber("twelve", -1), 12);
  EXPECT_EQ(lua_gettop(L), top);
  EXPECT_EQ(t->GetNumber("tab", -1), 0);  // not convertible: 0, not the default
  EXPECT_EQ(t->GetNumber("missing", -1), -1);
  EXPECT_EQ(t->GetNumberAt(2, -1), 2);
  EXPECT_EQ(t->GetNumberAt(9, -1), -1);
  EXPECT_TRUE(t->GetBool("zero", false));  // script truth
  EXPECT_FALSE(t->GetBool("no", true));
  EXPECT_TRUE(t->GetBool("missing", true));
  EXPECT_EQ(t->GetString("s", "d"), TStr("text"));
  EXPECT_EQ(t->GetString("n", "d"), TStr("7"));
  EXPECT_EQ(t->GetString("tab", "d"), TStr(""));
  EXPECT_EQ(t->GetString("missing", "d"), TStr("d"));
  EXPECT_EQ(t->GetStringAt(1, "d"), TStr("one"));
  EXPECT_EQ(lua_gettop(L), top);

  TColor c = t->GetColor("tint", def);
  EXPECT_FLOAT_EQ(c.r, 1);
  EXPECT_FLOAT_EQ(c.g, 0.5f);
  EXPECT_FLOAT_EQ(c.b, 0.4f);
  EXPECT_FLOAT_EQ(c.a, 0.6f);
  c = t->GetColor("s", def);
  EXPECT_FLOAT_EQ(c.r, 0.2f);
  c = t->GetColorAt(3, def);
  EXPECT_FLOAT_EQ(c.a, 0.4f);
  EXPECT_EQ(lua_gettop(L), top);

  TLuaFunction* f = t->GetFunction("f");
  EXPECT_NE(f, nullptr);
  delete f;
  EXPECT_EQ(t->GetFunction("s"), nullptr);
  TLuaTable* inner = t->GetTable("tab");
  EXPECT_NE(inner, nullptr);
  delete inner;
  EXPECT_EQ(t->GetTable("n"), nullptr);
  inner = t->GetTableAt(3);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->GetSize(), 4);
  delete inner;
  EXPECT_EQ(t->GetTableAt(1), nullptr);
  EXPECT_EQ(lua_gettop(L), top);

  t->SetStringAt(5, "five");
  EXPECT_EQ(t->GetStringAt(5, ""), TStr("five"));
  EXPECT_EQ(lua_gettop(L), top);
  delete t;
  EXPECT_STREQ(lua_tostring(L, 1), "below");
}

TEST_F(HandleTest, GettersNeverRaiseWhenMetamethodsFail) {
  TLuaTable* t = Table("setmetatable({}, { __index = function() error('no field') end })");
  int top = lua_gettop(L);
  EXPECT_EQ(t->GetNumber("x", 3), 3);
  EXPECT_EQ(t->GetString("x", "d"), TStr("d"));
  EXPECT_FALSE(t->Get("x"));
  EXPECT_EQ(lua_gettop(L), top);
  delete t;
}

TEST_F(HandleTest, GetSizeUsesTheCoreSizeRule) {
  struct Case {
    const char* table;
    int size;
  } cases[] = {{"{1, 2, nil, 4}", 4}, {"{n = 2.7}", 2}, {"{}", 0}, {"(function() local t = {} t[10] = 1 return t end)()", 10}};
  for (const Case& c : cases) {
    TLuaTable* t = Table(c.table);
    EXPECT_EQ(t->GetSize(), c.size) << c.table;
    EXPECT_EQ(lua_gettop(L), 0);
    delete t;
  }
}

TEST_F(HandleTest, NextWalksEveryPairAndEndsWithANullKey) {
  TLuaTable* empty = Table("{}");
  TLuaObjectWrapper* key = nullptr;
  EXPECT_EQ(empty->Next(&key), nullptr);
  EXPECT_EQ(key, nullptr);
  delete empty;

  TLuaTable* t = Table("{10, 20, x = 'y'}");
  int count = 0;
  std::string seen;
  key = nullptr;
  while (TLuaObjectWrapper* value = t->Next(&key)) {
    seen += std::string(key->AsString().c_str()) + "=" + value->AsString().c_str() + ";";
    delete value;
    count++;
  }
  EXPECT_EQ(key, nullptr);  // nothing left to delete or use
  EXPECT_EQ(count, 3);
  EXPECT_NE(seen.find("1=10;"), std::string::npos);
  EXPECT_NE(seen.find("x=y;"), std::string::npos);
  EXPECT_EQ(lua_gettop(L), 0);
  delete t;
}

TEST_F(HandleTest, NextWithAKeyTheTableDoesNotHoldEndsQuietly) {
  TLuaTable* t = Table("{a = 1}");
  lua_pushliteral(L, "not a key of the table");
  TLuaObjectWrapper* key = new TLuaObjectWrapper(L);
  EXPECT_EQ(t->Next(&key), nullptr);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(lua_gettop(L), 0);
  delete t;
}

TEST_F(HandleTest, FunctionCallKeepsOneResultAndReportsErrors) {
  ASSERT_EQ(script_test::RunCode(L, "return function() return 5, 6 end"), 0);
  TLuaFunction f(L);
  EXPECT_EQ(f.Call(), 0);
  EXPECT_EQ(lua_gettop(L), 1);
  EXPECT_EQ(lua_tonumber(L, -1), 5);
  lua_pop(L, 1);
  ASSERT_EQ(script_test::RunCode(L, "return function() error('bad') end"), 0);
  TLuaFunction g(L);
  EXPECT_EQ(g.Call(), LUA_ERRRUN);
  EXPECT_EQ(lua_gettop(L), 1);
  lua_pop(L, 1);
}

// ---- registration ----

std::string gText;
double gNumber;
int gInt;
bool gFlag;

void TakeString(TStr s) { gText = s.c_str(); }
void TakeNumbers(int i, double d, bool b) {
  gInt = i;
  gNumber = d;
  gFlag = b;
}
uint32_t BigUnsigned() { return 0xFFFFFFF0u; }
TStr Greeting(TStr name) { return TStr("hi ") + name; }
bool IsEmpty(TLuaTable* t) { return t->GetSize() == 0; }

struct Counter {
  int value = 0;
  int Add(int n) { return value += n; }
  int Raw(lua_State* L) {
    lua_pushnumber(L, value);
    lua_pushnumber(L, lua_gettop(L));
    return 2;
  }
};

TEST_F(HandleTest, AdaptersConvertArgumentsAndResults) {
  TScript script(L);  // owns the temporaries of table arguments
  RegisterLuaFunction(L, "TakeString", &TakeString);
  RegisterLuaFunction(L, "TakeNumbers", &TakeNumbers);
  RegisterLuaFunction(L, "BigUnsigned", &BigUnsigned);
  RegisterLuaFunction(L, "Greeting", &Greeting);
  RegisterLuaFunction(L, "IsEmpty", &IsEmpty);
  struct Case {
    const char* code;
    const char* text;
  } strings[] = {{"TakeString()", ""}, {"TakeString(3)", "3"}, {"TakeString('abc')", "abc"},
                 {"TakeString({})", ""}, {"TakeString(nil, 'extra')", ""}};
  for (const Case& c : strings) {
    gText = "untouched";
    ASSERT_EQ(script_test::RunCode(L, c.code), 0) << c.code;
    EXPECT_EQ(gText, c.text) << c.code;
  }
  struct NumberCase {
    const char* code;
    int i;
    double d;
    bool b;
  } numbers[] = {
      {"TakeNumbers(2.9, 1.5, 0)", 2, 1.5, true},
      {"TakeNumbers(-2.9, '4', nil)", -2, 4, false},
      {"TakeNumbers()", 0, 0, false},
      {"TakeNumbers(1e12, 'x', false)", 2147483647, 0, false},
  };
  for (const NumberCase& c : numbers) {
    ASSERT_EQ(script_test::RunCode(L, c.code), 0) << c.code;
    EXPECT_EQ(gInt, c.i) << c.code;
    EXPECT_EQ(gNumber, c.d) << c.code;
    EXPECT_EQ(gFlag, c.b) << c.code;
  }
  ASSERT_EQ(script_test::RunCode(L, "return BigUnsigned(), Greeting('you'), IsEmpty({}), IsEmpty({1})"), 0);
  ASSERT_EQ(lua_gettop(L), 4);
  EXPECT_EQ(lua_tonumber(L, 1), 4294967280.0);
  EXPECT_STREQ(lua_tostring(L, 2), "hi you");
  EXPECT_TRUE(lua_toboolean(L, 3));
  EXPECT_FALSE(lua_toboolean(L, 4));
  lua_settop(L, 0);
}

TEST_F(HandleTest, MembersBindToTheirObjectAndTheLastRegistrationWins) {
  Counter a, b;
  a.value = 100;
  RegisterLuaMember(L, "Add", &a, &Counter::Add);
  ASSERT_EQ(script_test::RunCode(L, "Add(5)"), 0);
  EXPECT_EQ(a.value, 105);
  RegisterLuaMember(L, "Add", &b, &Counter::Add);
  ASSERT_EQ(script_test::RunCode(L, "return Add(2)"), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 2);
  EXPECT_EQ(a.value, 105);
  lua_settop(L, 0);
  RegisterLuaRawMember(L, "Raw", &b, &Counter::Raw);
  ASSERT_EQ(script_test::RunCode(L, "return Raw(1, 2, 3)"), 0);
  ASSERT_EQ(lua_gettop(L), 2);
  EXPECT_EQ(lua_tonumber(L, 1), 2);
  EXPECT_EQ(lua_tonumber(L, 2), 4);  // three arguments and the pushed value
  lua_settop(L, 0);
}

// ---- table arguments across script runs nested in the binding ----

bool Anchored(lua_State* L, const void* handle) {
  lua_pushlightuserdata(L, const_cast<void*>(handle));
  lua_rawget(L, LUA_REGISTRYINDEX);
  bool anchored = !lua_isnil(L, -1);
  lua_pop(L, 1);
  return anchored;
}

// Takes a table, runs script code through the host, and only then reads the table.
struct NestedReader {
  lua_State* L;
  std::function<void()> nested;
  const void* last = nullptr;
  bool anchoredAfterRun = false;
  int depth = 0;
  // Only the outermost call runs the nested code, so a binding may call itself once.
  double Read(TLuaTable* t) {
    if (++depth == 1) {
      last = t;
      nested();
      anchoredAfterRun = Anchored(L, t);
    }
    depth--;
    return t->GetNumber("x", -1);
  }
  int ReadRaw(lua_State* S) {
    lua_pushnumber(S, Read(GetLuaTable(S, 1)));
    return 1;
  }
  int Fail(lua_State* S) {
    last = GetLuaTable(S, 1);
    nested();
    lua_pushliteral(S, "refused");
    return lua_error(S);
  }
};

TEST_F(HandleTest, TableArgumentsOutliveScriptRunsNestedInTheBinding) {
  TScript script(L);
  NestedReader reader;
  reader.L = L;
  RegisterLuaMember(L, "Read", &reader, &NestedReader::Read);
  RegisterLuaRawMember(L, "ReadRaw", &reader, &NestedReader::ReadRaw);
  RegisterLuaRawMember(L, "Fail", &reader, &NestedReader::Fail);
  TScript* thread = nullptr;
  struct Case {
    const char* name;
    std::function<void()> nested;
  } cases[] = {
      {"text run on the script", [&] { script.DoLuaString("collectgarbage() y = 1"); }},
      {"a binding two runs deep", [&] {
         script.DoLuaString("y = Read({x = 7})");
         EXPECT_EQ(script.GetGlobalNumber("y"), 7);
       }},
      // A thread script is the newest on the state: it holds the temporaries.
      {"text run on the thread", [&] { thread->DoLuaString("y = 2"); }},
      {"resume of the thread", [&] { thread->Resume(0); }},
  };
  for (const Case& c : cases) {
    if (!thread && std::string(c.name).find("thread") != std::string::npos) {
      thread = script.NewThread();
      thread->DoLuaString("return function() while true do coroutine.yield() end end", -1, 1);
      ASSERT_TRUE(thread->IsYielded());
    }
    for (const char* binding : {"Read", "ReadRaw"}) {
      SCOPED_TRACE(std::string(c.name) + " in " + binding);
      reader.nested = c.nested;
      script.DoLuaString((std::string("result = ") + binding + "({x = 5})").c_str());
      EXPECT_TRUE(reader.anchoredAfterRun);
      EXPECT_EQ(script.GetGlobalNumber("result"), 5);
      // Released as before: valid until the holding script's next run, then gone.
      EXPECT_TRUE(Anchored(L, reader.last));
      (thread ? thread : &script)->DoLuaString("z = 1");
      EXPECT_FALSE(Anchored(L, reader.last));
    }
  }
  // An error leaving the binding takes its handles with it.
  reader.nested = [&] { script.DoLuaString("y = 3"); };
  script.DoLuaString("Fail({})");
  EXPECT_FALSE(Anchored(L, reader.last));
  EXPECT_EQ(script.GetGlobalNumber("y"), 3);
  EXPECT_EQ(lua_gettop(L), 0);
  delete thread;
}

}  // namespace
