// TScreen: the root of the window tree, a modal window named "_screen_" that fills the display,
// clears it and shows the window manager's render-target texture.
#pragma once

#include "core/base/color.h"
#include "core/windows/modal_window.h"

class TScreen : public TModalWindow {
 public:
  TScreen();

  const char* GetClassName() const override { return "TScreen"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TScreen::ClassId || TModalWindow::IsKindOf(classId);
  }
  static TWindow* ClassId();

  void Draw() override;

  // The program keeps the initial values (clear while on top, transparent black).
  void SetFill(bool always, bool never) {
    mFillAlways = always;
    mFillNever = never;
  }
  void SetClearColor(const TColor& color) { mClearColor = color; }
  const TColor& GetClearColor() const { return mClearColor; }

 private:
  bool mFillAlways = false;
  bool mFillNever = false;
  TColor mClearColor;
};
