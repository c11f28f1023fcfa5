// Rollover: an invisible hot area. When the mouse moves over it, it opens a PopupWindow near
// the mouse that shows its contents (script text building the popup's children) and, when
// clicked, runs its command function or action text. Script type "Rollover"; the map makes
// them in code over its ports. TPopupTest and TPopupTestRect tell an open popup whether the
// mouse is still over the area that opened it.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/rect.h"
#include "core/base/str.h"
#include "core/windows/window.h"

class TLuaFunction;

class TPopupTest {
 public:
  virtual ~TPopupTest() {}
  // The screen point is still over the area.
  virtual bool Test(TPoint point) { return false; }
};

class TPopupTestRect : public TPopupTest {
 public:
  explicit TPopupTestRect(const TRect& rect) : mRect(rect) {}
  bool Test(TPoint point) override {
    return point.x >= mRect.left && point.x < mRect.right && point.y >= mRect.top && point.y < mRect.bottom;
  }

 private:
  TRect mRect;
};

class Rollover : public TWindow {
 public:
  Rollover() {}
  // Over a screen area (in its parent's coordinates), with the popup's contents and the script
  // text a click runs; the popup then opens at the screen's top-left corner unless an absolute
  // position is set.
  Rollover(const TRect& rect, TStr contents, TStr action);
  ~Rollover() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "Rollover"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &Rollover::Create || TWindow::IsKindOf(classId);
  }

  // Keys "xOffset", "yOffset", "xAbsolute", "yAbsolute" (negative: follow the mouse),
  // "contents" and "command".
  void Init(TWindowStyle& style) override;
  // Sized to its children.
  void PostChildrenInit(TWindowStyle& style) override;
  // Opens the popup and hands it the mouse.
  bool OnMouseMove(TPoint point) override;

  void SetAbsolutePosition(int32_t x, int32_t y) {
    mXAbsolute = x;
    mYAbsolute = y;
  }
  const TStr& GetContents() const { return mContents; }

 protected:
  int32_t mXOffset = 0, mYOffset = 0;
  int32_t mXAbsolute = -1, mYAbsolute = -1;
  TStr mContents;
  TStr mAction;
  std::shared_ptr<TLuaFunction> mCommand;
};

// Script text calling object:method(), for popup contents and actions made from data (a port's
// name, say): a name that is not a plain script name is looked up as an escaped string, so no
// name can end the statement early or bring code of its own.
TStr ScriptMethodCall(const TStr& object, const char* method);
