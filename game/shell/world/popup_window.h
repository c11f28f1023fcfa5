// PopupWindow: the transient window a Rollover opens. Its children are built from script text;
// it fades in over 125 ms, stays open while the mouse is over the rollover's area and closes
// when the mouse leaves or when it is clicked, running the rollover's command or action on a
// click that began on it.
//
// While open it takes every mouse event. The window manager drops a tracking window as soon as
// the pointer leaves that window's own rectangle, which a popup beside its rollover would never
// hold; so the popup tracks the mouse through a stand-in that covers the whole screen and hands
// the events to it.
#pragma once

#include <memory>

#include "core/base/str.h"
#include "game/shell/qrn_window.h"

class TLuaFunction;
class TPopupTest;

class PopupWindow : public TQRNWindow {
 public:
  static constexpr uint32_t kFadeInMs = 125;
  // Kept from the screen's right and bottom edges; a popup pushed left also moves down this far
  // (off the pointer it would otherwise cover).
  static constexpr int32_t kScreenMargin = 4;
  static constexpr int32_t kShiftDown = 32;

  explicit PopupWindow(std::shared_ptr<TPopupTest> hitTest);
  ~PopupWindow() override;

  // The class identity (the class has no factory).
  static TWindow* ClassId();
  const char* GetClassName() const override { return "PopupWindow"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &PopupWindow::ClassId || TQRNWindow::IsKindOf(classId);
  }

  void PostChildrenInit(TWindowStyle& style) override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseUp(TPoint point) override;
  bool OnMouseMove(TPoint point) override;

  // Builds the children from the script text and fades the popup in.
  void Show(TStr contents);
  // Moves the popup to a screen position, kept on the screen.
  void PlaceAt(int32_t x, int32_t y);
  void SetAction(TStr action) { mAction = action; }
  void SetCommand(std::shared_ptr<TLuaFunction> command) { mCommand = std::move(command); }
  // Starts taking the mouse events (until it closes).
  void TrackMouse();
  // Takes itself off the screen and out of the mouse's way; deleted at the manager's next pass.
  void Close();

  bool IsClosed() const { return mClosed; }
  bool IsFading() const { return mFadeRunning && *mFadeRunning; }

 private:
  class Tracker;

  TStr mAction;
  std::shared_ptr<TLuaFunction> mCommand;
  std::shared_ptr<TPopupTest> mHitTest;
  std::shared_ptr<bool> mFadeRunning;
  bool mPressed = false;
  bool mClosed = false;
  std::unique_ptr<Tracker> mTracker;
};
