// Transitions: one window animated over a fixed time (faded in or out, slid between two points,
// moved along a curve, or grown from nothing), ticking every 25 ms in the platform's task list,
// which owns them. The script function Transition starts one from a description table.
//
// A transition knows its window by serial number and looks it up at each tick, so it never
// touches a window that is gone, whatever destroyed it: it then ends. It also ends when the
// modal window that was on top at its start is destroyed. Either way, and at its normal end,
// the end function runs once.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/anim_task.h"
#include "core/base/str.h"

class TCurve;
class TLuaFunction;
class TLuaTable;
class TMessage;
class TWindow;

class QRNTransition : public TAnimTask {
 public:
  static constexpr uint32_t kTickMs = 25;

  // Takes the end function (may be null).
  QRNTransition(TWindow* window, uint32_t duration, TLuaFunction* onEnd);
  ~QRNTransition() override;
  QRNTransition(const QRNTransition&) = delete;
  QRNTransition& operator=(const QRNTransition&) = delete;

  // Hands the transition to the task list and starts its ticks; clearing the returned flag
  // ends it at its next tick without the end function.
  static std::shared_ptr<bool> Start(QRNTransition* transition);

  bool Animate() override;
  float GetProgress() const { return mProgress; }
  bool IsRunning() const { return *mRunning; }

 protected:
  // Puts the window where the progress says.
  virtual void Apply(TWindow* window) {}

 private:
  class Listener;
  struct Link;

  // The message a modal window's destruction sends.
  void OnMessage(TMessage* message);
  // The window manager is going away, and the script state with it.
  void OnManagerGone();
  // Ends at once, with the end function.
  void End();

  uint32_t mWindowSerial;
  TStr mModalId;
  std::unique_ptr<TLuaFunction> mOnEnd;
  std::shared_ptr<bool> mRunning;
  uint32_t mDuration;
  uint32_t mStartTime;
  float mProgress = 0.0f;
  std::shared_ptr<Link> mLink;
};

// The alpha of the window and everything below it goes from 0 to alpha (in) or from alpha to 0
// (out).
class FadeTransition : public QRNTransition {
 protected:
  FadeTransition(TWindow* window, float alpha, bool out, uint32_t duration, TLuaFunction* onEnd)
      : QRNTransition(window, duration, onEnd), mAlpha(alpha), mOut(out) {}
  void Apply(TWindow* window) override;

 private:
  float mAlpha;
  bool mOut;
};

class FadeInTransition : public FadeTransition {
 public:
  FadeInTransition(TWindow* window, float alpha, uint32_t duration, TLuaFunction* onEnd)
      : FadeTransition(window, alpha, false, duration, onEnd) {}
};

class FadeOutTransition : public FadeTransition {
 public:
  FadeOutTransition(TWindow* window, float alpha, uint32_t duration, TLuaFunction* onEnd)
      : FadeTransition(window, alpha, true, duration, onEnd) {}
};

// The window slides in a straight line (positions in its parent's coordinates).
class SwipeTransition : public QRNTransition {
 public:
  SwipeTransition(TWindow* window, int32_t startX, int32_t startY, int32_t endX, int32_t endY, uint32_t duration,
                  TLuaFunction* onEnd)
      : QRNTransition(window, duration, onEnd), mStartX(startX), mStartY(startY), mEndX(endX), mEndY(endY) {}

 protected:
  void Apply(TWindow* window) override;

 private:
  int32_t mStartX, mStartY, mEndX, mEndY;
};

// The window's top-left corner runs along a curve by its length.
class CurveTransition : public QRNTransition {
 public:
  CurveTransition(TWindow* window, std::shared_ptr<TCurve> curve, uint32_t duration, TLuaFunction* onEnd);

 protected:
  void Apply(TWindow* window) override;

 private:
  std::shared_ptr<TCurve> mCurve;
};

// A picture window grows from nothing to its picture's size; any other window is only shown.
class ZoomInTransition : public QRNTransition {
 public:
  ZoomInTransition(TWindow* window, uint32_t duration, TLuaFunction* onEnd)
      : QRNTransition(window, duration, onEnd) {}

 protected:
  void Apply(TWindow* window) override;
};

// The window of that serial number while it is in the window tree, else null.
TWindow* FindLiveWindow(uint32_t serial);

// The script function Transition: {kind, window = name, time = ms, onend = function, ...}.
void Transition(TLuaTable* description);
