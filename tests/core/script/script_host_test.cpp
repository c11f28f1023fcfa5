// The script host: environment, DoLuaString and RunScript with their log lines, the coroutine
// driven by the task list on the manual clock, calls into a suspended coroutine, compiled-code
// caching, thread scripts and `_SCRIPT'.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/base/asset_manager.h"
#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/memory_file.h"
#include "core/base/platform_time.h"
#include "core/base/task_list.h"
#include "core/script/lib_aux.h"
#include "core/script/lua_bindings.h"
#include "core/script/lua_table.h"
#include "core/script/script.h"
#include "core/script/script_code.h"
#include "platform/test_control.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

namespace {

class ScriptHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestControl::UseManualClock(1000);
    SetLogPath(logs.Path().c_str());
  }
  void TearDown() override {
    for (const std::string& name : files) RegisterMemoryFile(name.c_str(), nullptr, 0);
    SetLogPath(nullptr);
    TestControl::UseRealClock();
  }
  std::string Log() { return ReadHostFile(logs.Path() + "/logfile.txt"); }
  // A script file served from memory under a virtual name.
  void AddFile(const std::string& name, const std::string& text) {
    texts.push_back(std::make_unique<std::string>(text));
    RegisterMemoryFile(name.c_str(), texts.back()->data(), (uint32_t)texts.back()->size());
    files.push_back(name);
  }
  TempFolder logs;
  std::vector<std::unique_ptr<std::string>> texts;
  std::vector<std::string> files;
};

TEST_F(ScriptHostTest, EnvironmentHasTheHostLibrariesButNotMath) {
  TScript script;
  lua_State* L = script.GetState();
  for (const char* name : {"print", "coroutine", "string", "table", "_ALERT", "DebugOut", "toparams", "DumpTable"}) {
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
    EXPECT_FALSE(lua_isnil(L, -1)) << name;
    lua_pop(L, 1);
  }
  lua_pushliteral(L, "math");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_pop(L, 1);
  lua_pushliteral(L, "_SCRIPT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_EQ(lua_touserdata(L, -1), &script);
  lua_pop(L, 1);
  EXPECT_EQ(lua_gettop(L), 0);
  EXPECT_EQ(script.GetTimePastDue(), -1);  // created stopped
}

TEST_F(ScriptHostTest, DoLuaStringSetsGlobalsAndKeepsTheStack) {
  TScript script;
  script.DoLuaString("x = 1; y = toparams({4, nil, 6})");
  EXPECT_EQ(lua_gettop(script.GetState()), 0);
  EXPECT_EQ(script.GetGlobalNumber("x"), 1);
  EXPECT_EQ(script.GetGlobalNumber("undefined"), 0);
  script.DoLuaString("a, b, c = toparams({4, nil, 6})");
  EXPECT_EQ(script.GetGlobalNumber("c"), 6);
  script.DoLuaString("p = LUA_PATH");
  lua_State* L = script.GetState();
  lua_pushliteral(L, "p");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_STREQ(lua_tostring(L, -1), GetScriptPath().c_str());
  lua_pop(L, 1);
}

TEST_F(ScriptHostTest, DoLuaStringReportsParsingAndRunningErrors) {
  TScript script;
  script.DoLuaString("function LuaErrorMessage(text) seen = text end");
  script.DoLuaString("x = = 1");
  lua_State* L = script.GetState();
  std::string log = Log();
  EXPECT_NE(log.find("DoLuaString Lua Error: [string \"x = = 1\"]:1: unexpected symbol near `='\n\twhen parsing x = = 1"),
            std::string::npos)
      << log;
  EXPECT_EQ(lua_gettop(L), 0);  // the error value does not pile up
  script.DoLuaString("error('boom')");
  EXPECT_EQ(lua_gettop(L), 0);
  log = Log();
  EXPECT_NE(log.find("Lua error: [string \"error('boom')\"]:1: boom"), std::string::npos) << log;
  EXPECT_NE(log.find("DoLuaString Lua Error: [string \"error('boom')\"]:1: boom\n\twhen running"), std::string::npos) << log;
  lua_settop(L, 0);
  lua_pushliteral(L, "seen");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_STREQ(lua_tostring(L, -1), "Lua Error: [string \"error('boom')\"]:1: boom\n\twhen running");
  lua_settop(L, 0);
}

TEST_F(ScriptHostTest, RunScriptMakesTheReturnedFunctionTheCoroutine) {
  AddFile("scripts/counter.lua",
          "count = 0\n"
          "return function()\n"
          "  while count < 3 do count = count + 1; coroutine.yield() end\n"
          "end\n");
  TScript parent;
  TScript* script = parent.NewThread();
  TTaskList tasks;
  tasks.AddTask(script);
  ASSERT_TRUE(script->RunScript("scripts/counter.lua"));
  EXPECT_EQ(script->GetGlobalNumber("count"), 1);  // ran to its first yield
  EXPECT_TRUE(script->IsYielded());
  EXPECT_GE(script->GetTimePastDue(), 0);
  for (int pass = 2; pass <= 3; pass++) {
    tasks.RunTasks(0);
    EXPECT_EQ(script->GetGlobalNumber("count"), pass);
  }
  tasks.RunTasks(0);  // the body returns
  EXPECT_FALSE(script->IsYielded());
  EXPECT_EQ(script->GetTimePastDue(), -1);
  TestControl::AdvanceClock(100);
  tasks.RunTasks(0);
  EXPECT_EQ(script->GetGlobalNumber("count"), 3);
  tasks.RemoveTask(script);
  delete script;
}

TEST_F(ScriptHostTest, AScriptOwningItsStateRunsTheCoroutineOnItsMainThread) {
  AddFile("scripts/ticks.lua", "ticks = 0 return function() while true do ticks = ticks + 1 coroutine.yield() end end");
  TScript script;
  ASSERT_TRUE(script.RunScript("scripts/ticks.lua"));
  EXPECT_TRUE(script.IsYielded());
  for (int i = 0; i < 3; i++) EXPECT_TRUE(script.Animate());
  EXPECT_EQ(script.GetGlobalNumber("ticks"), 4);
  script.DoLuaString("extra = 1");  // runs at once while the coroutine waits
  EXPECT_EQ(script.GetGlobalNumber("extra"), 1);
  EXPECT_TRUE(script.Animate());
  EXPECT_EQ(script.GetGlobalNumber("ticks"), 5);
}

TEST_F(ScriptHostTest, RunScriptFailuresAreLogged) {
  TScript script;
  EXPECT_FALSE(script.RunScript(""));
  EXPECT_FALSE(script.RunScript("scripts/none.lua"));
  AddFile("scripts/broken.lua", "x = = 2");
  EXPECT_FALSE(script.RunScript("scripts/broken.lua"));
  AddFile("scripts/fails.lua", "error('at run time')");
  EXPECT_FALSE(script.RunScript("scripts/fails.lua"));
  std::string log = Log();
  EXPECT_NE(log.find("Lua error: scripts/broken.lua:1: unexpected symbol near `='"), std::string::npos) << log;
  EXPECT_NE(log.find("Lua error: scripts/fails.lua:1: at run time"), std::string::npos) << log;
  EXPECT_NE(log.find("Failed to run script scripts/fails.lua: 1"), std::string::npos) << log;
  EXPECT_EQ(lua_gettop(script.GetState()), 0);
  // The last failure's message stays for the host to show.
  EXPECT_NE(std::string(script.GetLastError().c_str()).find("at run time"), std::string::npos);
  EXPECT_FALSE(script.RunScript("scripts/broken.lua"));
  EXPECT_NE(std::string(script.GetLastError().c_str()).find("unexpected symbol"), std::string::npos);
  EXPECT_FALSE(script.HasCoroutineFailed());
}

// A host whose whole flow runs in the coroutine learns that it died, whether its first run or a
// later resume failed; a new body starts afresh.
TEST_F(ScriptHostTest, ACoroutineThatDiesOfAnErrorIsKnownToHaveFailed) {
  TScript parent;
  TScript* script = parent.NewThread();
  script->DoLuaString("return function() coroutine.yield() error('late') end", -1, 1);
  EXPECT_FALSE(script->HasCoroutineFailed());
  script->Animate();
  EXPECT_TRUE(script->HasCoroutineFailed());
  EXPECT_NE(std::string(script->GetLastError().c_str()).find("late"), std::string::npos);
  script->DoLuaString("return function() error('at once') end", -1, 1);
  EXPECT_TRUE(script->HasCoroutineFailed());
  EXPECT_NE(std::string(script->GetLastError().c_str()).find("at once"), std::string::npos);
  script->DoLuaString("return function() coroutine.yield() end", -1, 1);
  EXPECT_FALSE(script->HasCoroutineFailed());
  delete script;
}

TEST_F(ScriptHostTest, ResumeFailureStopsTheTimer) {
  TScript parent;
  TScript* script = parent.NewThread();
  script->DoLuaString("step = 0 return function() coroutine.yield() error('late') end", -1, 1);
  EXPECT_TRUE(script->IsYielded());
  EXPECT_TRUE(script->Animate());
  EXPECT_EQ(script->GetTimePastDue(), -1);
  EXPECT_NE(Log().find("lua_resume ERROR: "), std::string::npos);
  delete script;
}

// Records the closures offered while the coroutine waits.
class OfferingScript : public TScript {
 public:
  using TScript::TScript;
  bool OfferCall() override {
    offered++;
    lua_pop(GetState(), 1);
    return accept;
  }
  int offered = 0;
  bool accept = false;
};

TEST_F(ScriptHostTest, CallsIntoASuspendedCoroutineCarrySixArguments) {
  TScript parent;
  lua_State* L = parent.GetState();
  OfferingScript* script = nullptr;
  {
    // A thread script of the parent's state whose OfferCall is observable.
    lua_State* co = lua_newthread(L);
    lua_pushliteral(L, "keep");
    lua_insert(L, -2);
    lua_settable(L, LUA_REGISTRYINDEX);  // anchored for the test's lifetime
    script = new OfferingScript(co);
  }
  lua_State* co = script->GetState();
  script->DoLuaString("function Collect(...) got = table.getn(arg) last = arg[table.getn(arg)] end");
  script->DoLuaString("return function() while true do coroutine.yield() end end", -1, 1);
  ASSERT_TRUE(script->IsYielded());
  lua_pushliteral(co, "Collect");
  lua_gettable(co, LUA_GLOBALSINDEX);
  for (int i = 1; i <= 7; i++) lua_pushnumber(co, i);
  EXPECT_EQ(script->RunFunction(7, 0), 0);
  EXPECT_EQ(script->offered, 1);
  EXPECT_EQ(script->GetGlobalNumber("got"), 6);
  EXPECT_EQ(script->GetGlobalNumber("last"), 6);

  script->accept = true;
  lua_pushliteral(co, "Collect");
  lua_gettable(co, LUA_GLOBALSINDEX);
  lua_pushnumber(co, 1);
  EXPECT_EQ(script->RunFunction(1, 0), 0);
  EXPECT_EQ(script->offered, 2);
  EXPECT_EQ(script->GetGlobalNumber("got"), 6);  // handed over, not run
  delete script;
}

// Takes every offered call into the coroutine, the way window scripts do while they wait.
class TakingScript : public TScript {
 public:
  using TScript::TScript;
  bool OfferCall() override {
    lua_State* L = GetState();
    lua_pushnil(L);
    lua_insert(L, -2);
    return Resume(2) == 0;
  }
};

TEST_F(ScriptHostTest, ACallTheCoroutineTookAndFailedIsNotMadeAgain) {
  TScript parent;
  lua_State* L = parent.GetState();
  lua_State* co = lua_newthread(L);
  lua_pushliteral(L, "keep");
  lua_insert(L, -2);
  lua_settable(L, LUA_REGISTRYINDEX);
  TakingScript script(co);
  script.DoLuaString(
      "hits = 0 reported = 0\n"
      "function LuaErrorMessage(text) reported = reported + 1 end\n"
      "function Hit(fail) hits = hits + 1 if fail then error('after the effect') end end");
  const char* body = "return function() while true do local _, f = coroutine.yield() f() end end";
  script.DoLuaString(body, -1, 1);
  ASSERT_TRUE(script.IsYielded());

  lua_pushliteral(co, "Hit");
  lua_gettable(co, LUA_GLOBALSINDEX);
  EXPECT_EQ(script.RunFunction(0, 0), 0);  // made in the coroutine, which waits again
  EXPECT_EQ(script.GetGlobalNumber("hits"), 1);
  EXPECT_TRUE(script.IsYielded());
  EXPECT_EQ(lua_gettop(co), 0);

  lua_pushliteral(co, "Hit");
  lua_gettable(co, LUA_GLOBALSINDEX);
  lua_pushboolean(co, 1);
  EXPECT_EQ(script.RunFunction(1, 0), LUA_ERRRUN);
  EXPECT_EQ(script.GetGlobalNumber("hits"), 2);  // once, not again at once
  EXPECT_FALSE(script.IsYielded());
  ASSERT_EQ(lua_gettop(co), 1);  // the error value, as a failed direct call leaves it
  EXPECT_NE(std::string(lua_tostring(co, -1)).find("after the effect"), std::string::npos);
  lua_settop(co, 0);

  // Through source text: the failure is reported once, the text runs once.
  script.DoLuaString(body, -1, 1);
  ASSERT_TRUE(script.IsYielded());
  script.DoLuaString("Hit(true)");
  EXPECT_EQ(script.GetGlobalNumber("hits"), 3);
  EXPECT_EQ(script.GetGlobalNumber("reported"), 1);
  EXPECT_EQ(lua_gettop(co), 0);
  std::string log = Log();
  EXPECT_NE(log.find("lua_resume ERROR: "), std::string::npos) << log;
  EXPECT_NE(log.find("after the effect\n\twhen running Hit(true)"), std::string::npos) << log;
}

TEST_F(ScriptHostTest, ScriptCodeIsCachedWhileHeldAndRecompiledAfterErrors) {
  TAssetManager manager;
  AddFile("scripts/cached.lua", "return 1");
  TStr error;
  auto first = TScriptCode::Load("scripts/cached.lua", "", &error);
  ASSERT_TRUE(first);
  EXPECT_EQ(TScriptCode::Load("scripts/cached.lua", "", &error), first);
  EXPECT_EQ(first->GetCode().c_str()[0], 27);  // precompiled
  EXPECT_STREQ(first->GetClassName(), "TScriptCode");
  EXPECT_TRUE(first->IsKindOf(TAsset::ClassId()));
  EXPECT_EQ(TScriptCode::FromAsset(std::make_shared<TAsset>()), nullptr);

  AddFile("scripts/bad.lua", "return = 1");
  EXPECT_FALSE(TScriptCode::Load("scripts/bad.lua", "", &error));
  EXPECT_NE(std::string(error.c_str()).find("scripts/bad.lua:1:"), std::string::npos);
  AddFile("scripts/bad.lua", "return 2");  // mended: compiles again
  EXPECT_TRUE(TScriptCode::Load("scripts/bad.lua", "", &error));
}

TEST_F(ScriptHostTest, DumpTableMarksDeepNesting) {
  TScript script;
  script.DoLuaString(
      "local t = {a = {b = {c = {d = {e = {f = 1}}}}}}\n"
      "text = _Internal_DumpTable(t, 2)");
  lua_State* L = script.GetState();
  lua_pushliteral(L, "text");
  lua_gettable(L, LUA_GLOBALSINDEX);
  std::string text = lua_tostring(L, -1);
  lua_pop(L, 1);
  EXPECT_EQ(text,
            "  a -> {\n    b -> {\n      c -> {\n        d -> {\n          e -> {\n            ...\n"
            "          }\n        }\n      }\n    }\n  }\n");
}

int Temporaries(lua_State* L) {
  GetLuaTable(L, 1);
  return 0;
}

TEST_F(ScriptHostTest, ThreadScriptsKeepScriptPointingAtALiveScript) {
  TScript parent;
  lua_State* L = parent.GetState();
  lua_register(L, "Temporaries", Temporaries);
  for (int round = 0; round < 50; round++) {
    TScript* a = parent.NewThread();
    TScript* b = parent.NewThread();
    b->DoLuaString("Temporaries({})");  // b holds a temporary handle
    delete b;
    lua_pushliteral(L, "_SCRIPT");
    lua_gettable(L, LUA_GLOBALSINDEX);
    EXPECT_EQ(lua_touserdata(L, -1), a);
    lua_pop(L, 1);
    a->DoLuaString("Temporaries({})");
    delete a;
    lua_pushliteral(L, "_SCRIPT");
    lua_gettable(L, LUA_GLOBALSINDEX);
    EXPECT_EQ(lua_touserdata(L, -1), &parent);
    lua_pop(L, 1);
  }
  lua_setgcthreshold(L, 0);
  parent.DoLuaString("Temporaries({})");
}

TEST_F(ScriptHostTest, ABorrowedStateStaysOpen) {
  lua_State* L = lua_open();
  {
    TScript script(L);
    script.SetGlobalString("name", "value");
  }
  lua_pushliteral(L, "name");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_STREQ(lua_tostring(L, -1), "value");
  lua_pop(L, 1);
  lua_pushliteral(L, "_SCRIPT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_close(L);
}

// Counts its own deletion, so that a test sees when a released handle is let go.
class CountedHandle : public TLuaObjectWrapper {
 public:
  CountedHandle(lua_State* L, int* deaths) : TLuaObjectWrapper(L), mDeaths(deaths) {}
  ~CountedHandle() override { ++*mDeaths; }

 private:
  int* mDeaths;
};

TEST_F(ScriptHostTest, HandlesReleasedWithoutAScriptGoWithTheNextRunOrTheStateItself) {
  int deaths = 0;
  lua_State* L = lua_open();
  lua_newtable(L);
  (new CountedHandle(L, &deaths))->AutoRelease();
  {
    TScript script(L);
    EXPECT_EQ(deaths, 0);
    script.DoLuaString("x = 1");
    EXPECT_EQ(deaths, 1);
  }
  lua_newtable(L);
  (new CountedHandle(L, &deaths))->AutoRelease();
  lua_close(L);
  EXPECT_EQ(deaths, 2);
  // A state opened after the close, often at the same address, never meets the old handle.
  TScript fresh;
  fresh.DoLuaString("x = 1");
  EXPECT_EQ(deaths, 2);
}

TEST_F(ScriptHostTest, GlobalAccessAndPops) {
  TScript script;
  lua_State* L = script.GetState();
  script.SetGlobalNumber("n", 2.5);
  EXPECT_EQ(script.GetGlobalNumber("n"), 2.5);
  script.DoLuaString("t = {x = 1} c = {0.5, 1}");
  TLuaTable* t = script.GetGlobalTable("t");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->GetNumber("x", 0), 1);
  delete t;
  EXPECT_EQ(script.GetGlobalTable("n"), nullptr);
  lua_pushliteral(L, "c");
  lua_gettable(L, LUA_GLOBALSINDEX);
  TColor c = script.PopColor();
  EXPECT_FLOAT_EQ(c.r, 0.5f);
  EXPECT_FLOAT_EQ(c.g, 1);
  EXPECT_FLOAT_EQ(c.b, 0);
  lua_pushnumber(L, 7);
  EXPECT_EQ(script.PopString(), TStr("7"));
  EXPECT_EQ(lua_gettop(L), 0);
}

}  // namespace
