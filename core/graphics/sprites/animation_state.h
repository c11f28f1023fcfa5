// TAnimationState: what an animated sprite holds of its running animation (a helper object, the
// animation's script and the sprite's Lua thread), and its teardown when the sprite dies,
// reloads or is destroyed.
#pragma once

#include <memory>

#include "core/script/lua.h"

class TScript;
class TTaskList;

// The animation's helper object, owned by the state.
class TAnimationAuxiliary {
 public:
  virtual ~TAnimationAuxiliary() {}
};

struct TAnimationState {
  std::unique_ptr<TAnimationAuxiliary> auxiliary;
  TScript* script = nullptr;    // the animation's script; the task list owns it while it runs
  lua_State* thread = nullptr;  // the sprite's Lua thread on the script's state
};

// The thread's globals become the main globals table (_G of the main state) again, whatever
// environment the animation gave it.
void RestoreMainGlobals(lua_State* main, lua_State* thread);

// Deletes the helper; with a script, gives the thread the main globals back, then takes the
// script's task out of the task list and deletes the script when it was there (a script the list
// no longer holds belongs to someone else). The state is left empty.
void TeardownAnimationState(TAnimationState& state, TTaskList* tasks);
