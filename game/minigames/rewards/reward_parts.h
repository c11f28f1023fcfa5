// The 2D pass the reward windows draw in. Their drawing is in screen coordinates (ScreenOrigin
// of game/shell/world/world_drawing.h): the toolkit only clips to the window.
#pragma once

#include "core/graphics/renderer.h"

// A 2D pass for one window's drawing: the one already open, else one opened for the scope and
// ended with it. IsOpen is false when neither is there (nothing may be drawn then).
class TReward2dPass {
 public:
  TReward2dPass();
  bool IsOpen() const;

 private:
  TDraw2dScope mScope;
};
