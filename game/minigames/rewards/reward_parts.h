// What the reward windows share: the 2D pass they draw in (their drawing is in screen
// coordinates, ScreenOrigin of game/shell/world/world_drawing.h; the toolkit only clips to the
// window), and how they call the script functions their creation keys name.
#pragma once

#include "core/graphics/renderer.h"

class TLuaFunction;

// A 2D pass for one window's drawing: the one already open, else one opened for the scope and
// ended with it. IsOpen is false when neither is there (nothing may be drawn then).
class TReward2dPass {
 public:
  TReward2dPass();
  bool IsOpen() const;

 private:
  TDraw2dScope mScope;
};

// Calls a function of the window script as the script's own coroutine does when it waits for a
// message; otherwise at once. Nothing for null or a function of another state.
void CallScriptFunction(TLuaFunction* function);
