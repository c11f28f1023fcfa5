// TWindow: the base of every window: a rectangle in its parent's coordinates with an ordered
// child list (front = top-most), a name, flag bits, a serial number and an optional animation
// task. It delivers one platform event and lets it travel on when unhandled, hit-tests, lays
// itself out from creation keys, draws its subtree and passes messages up the tree.
#pragma once

#include <cstdint>
#include <list>

#include "core/base/platform.h"
#include "core/base/point.h"
#include "core/base/rect.h"
#include "core/base/str.h"

class TMessage;
class TModalWindow;
class TWindow;
class TWindowAnim;
class TWindowSpider;
class TWindowStyle;

// A window class's factory; its address is also the class identity that IsKindOf tests.
// Abstract classes use an identity function that returns its own address instead.
typedef TWindow* (*TWindowFactory)();

// Window flag bits.
enum : uint32_t {
  kWindowModal = 0x1,
  kWindowFocusable = 0x2,
  kWindowRenderTarget = 0x4,  // may be drawn in the render-target pass
  kWindowBeginGroup = 0x8,    // a radio group starts at this window
  kWindowEnabled = 0x100,     // drawn and hit-testable
  kWindowDrawnInTarget = 0x400,
  kWindowOpaque = 0x800,  // covers its modal window when it has the modal's size
};

// Drawing passes of DrawTree.
enum : int { kPassNormal = 0, kPassRenderTarget = 1, kPassAfterTarget = 2 };

class TWindow {
 public:
  TWindow();
  // Destroys the children at once; whoever deletes a window detaches it first.
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  virtual const char* GetClassName() const { return "TWindow"; }
  virtual bool IsKindOf(TWindowFactory classId) const { return classId == &TWindow::GetFactory; }
  // After attachment; false makes AddChild detach the window again.
  virtual bool OnNewParent() { return true; }
  // Reads "name" and the layout keys.
  virtual void Init(TWindowStyle& style);
  // After the script created the children: "fit", then the layout keys again.
  virtual void PostChildrenInit(TWindowStyle& style);
  virtual void Draw() {}
  virtual void PostDraw() {}
  virtual bool AddChild(TWindow* child, bool notify);
  virtual void RemoveChild(TWindow* child);
  virtual void OnModalPopped() {}
  virtual void ScrollTo(float fraction, int32_t value) {}
  virtual bool OnMessage(TMessage* message) { return false; }
  // Run by the window's animation task; true keeps the task alive.
  virtual bool OnAnimate() { return false; }
  // Input; true when handled. Points are in this window's own coordinates.
  virtual bool OnMouseDown(TPoint point) { return false; }
  // Button index: 0 right up, 1 right down, 2 middle up, 3 middle down, 4 and 5 extra buttons
  // down, 6 wheel up, 7 wheel down.
  virtual bool OnOtherMouseEvent(TPoint point, uint32_t button) { return false; }
  virtual bool OnMouseUp(TPoint point) { return false; }
  virtual bool OnMouseMove(TPoint point) { return false; }
  // The pointer left a tracking window, or the tracking was cut.
  virtual bool OnMouseLeave() { return false; }
  virtual bool OnChar(uint8_t character) { return false; }
  virtual bool OnWideChar(TStr character) { return false; }
  virtual bool OnKeyDown(uint8_t key, uint32_t modifiers) { return false; }
  virtual bool OnKeyUp(uint8_t key) { return false; }
  // Asks the window manager's hover handler, when one is installed.
  virtual bool OnMouseHover(TPoint point);
  // Became the focus window; previous may be null or this window.
  virtual void OnSetFocus(TWindow* previous) {}

  // Creates a plain TWindow (script type "Window"); the class identity of TWindow.
  static TWindow* GetFactory();

  // Coordinates.
  const TRect& GetRect() const { return mRect; }
  int32_t GetWidth() const { return mRect.right - mRect.left; }
  int32_t GetHeight() const { return mRect.bottom - mRect.top; }
  TRect GetScreenRect() const;
  TRect GetLocalRect() const { return TRect(0, 0, GetWidth(), GetHeight()); }
  void LocalToScreen(TPoint& point) const;
  void ScreenToLocal(TPoint& point) const;
  void OffsetToParent(TPoint& point) const;
  void OffsetFromParent(TPoint& point) const;

  // Geometry; each requests a redraw.
  void SetPosition(int32_t x, int32_t y);
  void SetSize(int32_t width, int32_t height);
  void ApplyLayout(TWindowStyle& style);
  // Grows to the largest right and bottom edge of the children; never shrinks.
  void FitToChildren();

  // Tree.
  TWindow* GetParent() const { return mParent; }
  const std::list<TWindow*>& GetChildren() const { return mChildren; }
  // 0 to the back, 1 to the front, 2 one place towards the front, 3 one place towards the
  // back; other modes in front of the reference sibling (or to the back without it).
  void ChangeOrder(int mode, TWindow* reference = nullptr);
  // This window or the first match depth-first; depth -1 unlimited, 0 this window only.
  TWindow* FindChild(const TStr& name, int depth = -1);
  // Stops at the first false and returns the last answer; in a forward walk Process may remove
  // the current child (a reverse walk would then step from the removed one).
  bool ForEachChild(TWindowSpider& spider, bool reverse = false);
  // Detaches every child and queues it for deletion.
  void DeleteChildren();
  // The nearest ancestor that is a modal window.
  TModalWindow* GetParentModal() const;
  // The front-most visible child containing the point (this window's coordinates), else this.
  TWindow* ChildAt(TPoint point);
  // The deepest window at the point; depth -1 unlimited, 0 gives null.
  TWindow* HitTest(TPoint point, int depth = -1);
  // True when this window and every ancestor up to its modal window are enabled.
  bool IsVisible() const;
  // True when this window is the ancestor or lies beneath it.
  bool IsUnder(const TWindow* ancestor) const;

  // Identity.
  const TStr& GetName() const { return mName; }
  void SetWindowName(TStr name) { mName = name; }
  uint32_t GetSerial() const { return mSerial; }
  // The serial as "%8x".
  TStr GetIdString() const;

  // Flags: bits 8-15 come from the argument, bits 0-7 are kept, bits 16-31 cleared.
  uint32_t GetFlags() const { return mFlags; }
  void SetFlags(uint32_t flags);

  // Delivery and drawing.
  bool HandleEvent(const TPlatformEvent& event, bool focusAssigned);
  bool DrawTree(int pass);
  // Offers the message to this window and its ancestors; takes ownership.
  void BubbleMessage(TMessage* message);

  // Animation: the task runs in the task list of the window's modal window, on its clock.
  // Null when the window is not under a modal window.
  TWindowAnim* GetAnim();
  void SetAnimTimer(uint32_t period, bool repeat, bool fromNow, bool catchUp);
  // The task loses the window and ends at its next run.
  void DetachAnim();

 protected:
  // Registers or unregisters the window as a cover of its parent modal window.
  void UpdateCover();
  // Frames are drawn on demand: asks the running window manager for one.
  static void RequestRedraw();

  TWindow* mParent = nullptr;
  std::list<TWindow*> mChildren;
  TRect mRect;
  TStr mName;
  uint32_t mFlags = kWindowEnabled;
  uint32_t mSerial;

 private:
  friend class TWindowAnim;
  TWindowAnim* mAnim = nullptr;
};

// The factory's window, or null when the result is the factory's own address (an identity
// function of an abstract class).
TWindow* CallWindowFactory(TWindowFactory factory);
// Set or clear kWindowEnabled through SetFlags; null is ignored.
void EnableWindowSafe(TWindow* window);
void DisableWindowSafe(TWindow* window);
