// TWindowAnim: a window's animation task; it runs in its modal window's task list, on that
// window's clock, and calls the window's OnAnimate.
#pragma once

#include "core/base/anim_task.h"

class TWindow;

class TWindowAnim : public TAnimTask {
 public:
  explicit TWindowAnim(TWindow* window) : mWindow(window) {}
  // Clears the window's link to this task.
  ~TWindowAnim() override;
  // The window's answer; false (the task ends) once the window is gone.
  bool Animate() override;
  TWindow* GetWindow() const { return mWindow; }
  // The window forgets the task and the task the window.
  void Detach();

 private:
  TWindow* mWindow;
};
