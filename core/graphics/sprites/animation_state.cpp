// Animation-state teardown.
#include "core/graphics/sprites/animation_state.h"

#include "core/base/task_list.h"
#include "core/script/script.h"

void RestoreMainGlobals(lua_State* main, lua_State* thread) {
  if (!main || !thread) return;
  lua_pushstring(main, "_G");
  lua_gettable(main, LUA_GLOBALSINDEX);
  if (!lua_istable(main, -1)) {
    lua_pop(main, 1);
    return;
  }
  lua_xmove(main, thread, 1);
  // As setfenv(0, table) does: the thread's global table is replaced.
  lua_replace(thread, LUA_GLOBALSINDEX);
}

void TeardownAnimationState(TAnimationState& state, TTaskList* tasks) {
  state.auxiliary.reset();
  if (state.script) {
    RestoreMainGlobals(state.script->GetState(), state.thread);
    if (tasks && tasks->RemoveTask(state.script)) delete state.script;
  }
  state.script = nullptr;
  state.thread = nullptr;
}
