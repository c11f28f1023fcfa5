// Animation-state teardown: the sprite's thread gets the main globals back, the helper goes, and
// the script is deleted only when the task list still held it.
#include <gtest/gtest.h>

#include "core/base/task_list.h"
#include "core/graphics/sprites/animation_state.h"
#include "core/script/lib_aux.h"
#include "core/script/script.h"

namespace {

struct CountedHelper : TAnimationAuxiliary {
  static inline int alive = 0;
  CountedHelper() { ++alive; }
  ~CountedHelper() override { --alive; }
};

double Number(lua_State* L, const char* code) {
  lua_dostring(L, code);
  lua_pushstring(L, "probe");
  lua_gettable(L, LUA_GLOBALSINDEX);
  double v = lua_tonumber(L, -1);
  lua_pop(L, 1);
  return v;
}

TEST(AnimationState, TeardownRestoresTheThreadsGlobalsAndEndsTheScript) {
  for (bool listed : {true, false}) {
    SCOPED_TRACE(listed ? "script in the task list" : "script elsewhere");
    TTaskList tasks;
    TScript* script = new TScript();
    lua_State* main = script->GetState();
    lua_State* thread = lua_newthread(main);  // kept on the main stack while the test runs
    lua_dostring(main, "shared = 42");
    // The animation ran its thread in an environment of its own.
    lua_dostring(thread, "setfenv(0, setmetatable({}, {__index = _G}))");
    EXPECT_EQ(Number(thread, "probe = 7"), 7.0);
    EXPECT_EQ(Number(main, ""), 0.0);  // the thread's probe went to its own table

    if (listed) tasks.AddTask(script);
    TAnimationState state;
    state.auxiliary = std::make_unique<CountedHelper>();
    state.script = script;
    state.thread = thread;
    TeardownAnimationState(state, &tasks);
    EXPECT_EQ(CountedHelper::alive, 0);
    EXPECT_EQ(state.script, nullptr);
    EXPECT_EQ(tasks.Count(), 0u);
    if (!listed) {
      // Globals of the thread are the main ones again: its writes land in main's table.
      EXPECT_EQ(Number(thread, "probe = shared + 1"), 43.0);
      EXPECT_EQ(Number(main, ""), 43.0);
      delete script;
    }
  }
}

TEST(AnimationState, AnEmptyStateTearsDownQuietly) {
  TAnimationState state;
  TeardownAnimationState(state, nullptr);
  RestoreMainGlobals(nullptr, nullptr);
  EXPECT_EQ(state.thread, nullptr);
}

}  // namespace
