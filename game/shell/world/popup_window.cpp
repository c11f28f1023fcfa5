// The popup window and the stand-in that tracks the mouse for it.
#include "game/shell/world/popup_window.h"

#include "core/script/lua_function.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "game/shell/world/qrn_transition.h"
#include "game/shell/world/rollover.h"
#include "game/shell/world/world_script.h"

namespace {

TWindowManager* Manager() { return TWindowManager::Get(); }

}  // namespace

// Covers every point events can name, so the window manager never drops it for leaving; it has
// no parent and is never drawn.
class PopupWindow::Tracker : public TWindow {
 public:
  explicit Tracker(PopupWindow* popup) : mPopup(popup) { mRect = TRect(-32768, -32768, 32768, 32768); }

  bool OnMouseDown(TPoint point) override { return mPopup->OnMouseDown(ToPopup(point)); }
  bool OnMouseUp(TPoint point) override { return mPopup->OnMouseUp(ToPopup(point)); }
  bool OnMouseMove(TPoint point) override {
    if (mPopup->OnMouseMove(ToPopup(point))) return true;
    // The popup let go: the move is the window's under the pointer, as it would have been with
    // nothing tracking the mouse.
    LocalToScreen(point);
    TWindowManager* manager = Manager();
    TWindow* top = manager ? manager->GetTopModal() : nullptr;
    if (!top) return false;
    TPoint local = point;
    top->ScreenToLocal(local);
    TWindow* target = top->HitTest(local, -1);
    if (!target) return false;
    target->ScreenToLocal(point);
    TPlatformEvent move;
    move.type = kEventMouseMove;
    move.x = point.x;
    move.y = point.y;
    return target->HandleEvent(move, false);
  }
  bool OnMouseLeave() override {
    mPopup->Close();
    return true;
  }

 private:
  TPoint ToPopup(TPoint point) const {
    LocalToScreen(point);
    mPopup->ScreenToLocal(point);
    return point;
  }

  PopupWindow* mPopup;
};

PopupWindow::PopupWindow(std::shared_ptr<TPopupTest> hitTest) : mHitTest(std::move(hitTest)) { mFill = false; }

PopupWindow::~PopupWindow() {
  // A fade still running stops at its next tick.
  if (mFadeRunning) *mFadeRunning = false;
  if (mTracker && Manager()) Manager()->RemoveMouseTracker(mTracker.get());
}

TWindow* PopupWindow::ClassId() {
  return reinterpret_cast<TWindow*>(reinterpret_cast<void*>(&PopupWindow::ClassId));
}

void PopupWindow::PostChildrenInit(TWindowStyle& style) {
  TQRNWindow::PostChildrenInit(style);
  FitToChildren();
}

void PopupWindow::Show(TStr contents) {
  if (TWindowManager* manager = Manager()) manager->DoWindowString(this, contents);
  FitToChildren();
  SetAlpha(0.0f, true);
  mFadeRunning = QRNTransition::Start(new FadeInTransition(this, 1.0f, kFadeInMs, nullptr));
}

void PopupWindow::PlaceAt(int32_t x, int32_t y) {
  TWindowManager* manager = Manager();
  TWindow* root = manager ? manager->GetScreen() : nullptr;
  int32_t w = GetWidth(), h = GetHeight();
  TRect r(x, y, x + w, y + h);
  if (root) {
    int32_t width = root->GetWidth(), height = root->GetHeight();
    if (r.right > width - kScreenMargin) {
      int32_t excess = r.right - (width - kScreenMargin);
      r.Offset(-excess, kShiftDown);
    }
    if (r.bottom > height - kScreenMargin) r.Offset(0, -(r.bottom - (height - kScreenMargin)));
  }
  // The position is the parent's, which need not sit at the screen's corner.
  TPoint at(r.left, r.top);
  if (mParent) mParent->ScreenToLocal(at);
  SetPosition(at.x, at.y);
}

void PopupWindow::TrackMouse() {
  TWindowManager* manager = Manager();
  if (!manager || mClosed) return;
  if (!mTracker) mTracker = std::make_unique<Tracker>(this);
  manager->AddMouseTracker(mTracker.get());
}

void PopupWindow::Close() {
  if (mClosed) return;
  mClosed = true;
  TWindowManager* manager = Manager();
  if (manager && mTracker) manager->RemoveMouseTracker(mTracker.get());
  if (mParent) mParent->RemoveChild(this);
  SetFlags(GetFlags() & ~kWindowEnabled);
  if (manager) manager->ScheduleDelete(this);
}

bool PopupWindow::OnMouseMove(TPoint point) {
  LocalToScreen(point);
  if (mHitTest && mHitTest->Test(point)) return true;
  Close();
  return false;
}

bool PopupWindow::OnMouseDown(TPoint point) {
  mPressed = true;
  return true;
}

bool PopupWindow::OnMouseUp(TPoint point) {
  Close();
  // A press that began elsewhere runs nothing.
  bool pressed = mPressed;
  mPressed = false;
  if (!pressed) return true;
  if (mCommand) {
    RunScriptFunction(*mCommand);
  } else if (!mAction.IsEmpty()) {
    TWindowManager* manager = Manager();
    if (TWindowScript* script = manager ? manager->GetScript() : nullptr) script->DoLuaString(mAction);
  }
  return true;
}
