// TWindow: tree, geometry, layout, event delivery, drawing and message climbing.
#include "core/windows/window.h"

#include <algorithm>

#include "core/base/settings.h"
#include "core/windows/message.h"
#include "core/windows/lua_message_wrapper.h"
#include "core/windows/modal_window.h"
#include "core/windows/window_anim.h"
#include "core/windows/window_host.h"
#include "core/windows/window_layout.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_spider.h"
#include "core/windows/window_style.h"

namespace {

// Geometry from scripts is kept within +-2^24 px: a rect's far edge, a centring or a screen
// rect summed over its parents then stays far from 32-bit overflow. Layout's special values
// lie well inside.
constexpr int32_t kCoordLimit = 1 << 24;
int32_t ClampCoord(int32_t v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

// Every constructor takes the next serial.
uint32_t gNextSerial = 0;

// The next child is taken before the current one is processed, so Process may remove (and
// delete) the child it is given. The reverse walk keeps a plain iterator: a reverse iterator
// stands on the node after its element, which would be the removed one.
bool Walk(std::list<TWindow*>& children, bool reverse, TWindowSpider& spider) {
  bool answer = true;
  if (!reverse) {
    for (auto it = children.begin(); answer && it != children.end();) answer = spider.Process(*it++);
    return answer;
  }
  bool more = !children.empty();
  auto next = more ? std::prev(children.end()) : children.end();
  while (answer && more) {
    TWindow* current = *next;
    more = next != children.begin();
    if (more) --next;
    answer = spider.Process(current);
  }
  return answer;
}

bool IsMouseEvent(uint32_t type) {
  return (type >= kEventLeftDown && type <= kEventMouseMove) || type == kEventHover;
}

}  // namespace

TWindow::TWindow() : mSerial(gNextSerial++) {}

TWindow::~TWindow() {
  if (mAnim) mAnim->Detach();
  RequestRedraw();
  // A window deleted while still attached would leave its parent a dangling child.
  if (mParent) mParent->RemoveChild(this);
  if (TModalWindow* modal = GetParentModal()) modal->SetCovering(this, false);
  std::list<TWindow*> children;
  children.swap(mChildren);
  for (TWindow* child : children) {
    child->mParent = nullptr;  // this window is half destroyed: nothing may climb into it
    delete child;
  }
  if (TWindowManager* manager = TWindowManager::Get()) manager->OnWindowDestroyed(this);
}

TWindow* TWindow::GetFactory() { return new TWindow(); }

void TWindow::RequestRedraw() {
  if (TWindowManager* manager = TWindowManager::Get()) manager->Invalidate();
}

TWindow* CallWindowFactory(TWindowFactory factory) {
  if (!factory) return nullptr;
  TWindow* window = factory();
  return reinterpret_cast<void*>(window) == reinterpret_cast<void*>(factory) ? nullptr : window;
}

void EnableWindowSafe(TWindow* window) {
  if (window) window->SetFlags(window->GetFlags() | kWindowEnabled);
}

void DisableWindowSafe(TWindow* window) {
  if (window) window->SetFlags(window->GetFlags() & ~kWindowEnabled);
}

bool TWindow::OnMouseHover(TPoint point) {
  TWindowManager* manager = TWindowManager::Get();
  TWindowHoverHandler* handler = manager ? manager->GetHoverHandler() : nullptr;
  return handler ? handler->OnHover(this, point) : false;
}

// Coordinates.

TRect TWindow::GetScreenRect() const {
  TRect r = mRect;
  for (const TWindow* w = mParent; w; w = w->mParent) {
    r.left += w->mRect.left;
    r.right += w->mRect.left;
    r.top += w->mRect.top;
    r.bottom += w->mRect.top;
  }
  return r;
}

void TWindow::LocalToScreen(TPoint& point) const {
  TRect r = GetScreenRect();
  point.x += r.left;
  point.y += r.top;
}

void TWindow::ScreenToLocal(TPoint& point) const {
  TRect r = GetScreenRect();
  point.x -= r.left;
  point.y -= r.top;
}

void TWindow::OffsetToParent(TPoint& point) const {
  point.x += mRect.left;
  point.y += mRect.top;
}

void TWindow::OffsetFromParent(TPoint& point) const {
  point.x -= mRect.left;
  point.y -= mRect.top;
}

// Geometry and layout.

void TWindow::SetPosition(int32_t x, int32_t y) {
  x = ClampCoord(x);
  y = ClampCoord(y);
  int32_t w = GetWidth(), h = GetHeight();
  mRect = TRect(x, y, x + w, y + h);
  RequestRedraw();
}

void TWindow::SetSize(int32_t width, int32_t height) {
  mRect.right = mRect.left + ClampCoord(width);
  mRect.bottom = mRect.top + ClampCoord(height);
  RequestRedraw();
  UpdateCover();
}

void TWindow::ApplyLayout(TWindowStyle& style) {
  int32_t x = ClampCoord(style.GetInt("x", 0));
  int32_t y = ClampCoord(style.GetInt("y", 0));
  int32_t w = ClampCoord(style.GetInt("w", GetWidth()));
  int32_t h = ClampCoord(style.GetInt("h", GetHeight()));
  auto special = [](int32_t p, int32_t s) { return s < 0 || p < 0 || s > kLayoutCenter || p > kLayoutSpecial; };
  if (mParent) {
    if (special(x, w) && mParent->GetWidth() == 0) return;
    if (special(y, h) && mParent->GetHeight() == 0) return;
  }
  if ((x > kLayoutSpecial || x < 0) && w == 0) return;
  if ((y > kLayoutSpecial || y < 0) && h == 0) return;
  int32_t align = style.GetInt("align", -1);
  bool alignGiven = align != -1;
  uint32_t bits = alignGiven ? (uint32_t)align : 0;
  int32_t extentW = mParent ? mParent->GetWidth() : 0;
  int32_t extentH = mParent ? mParent->GetHeight() : 0;
  ResolveLayoutAxis(x, w, extentW, bits & 3, alignGiven, mParent != nullptr);
  ResolveLayoutAxis(y, h, extentH, (bits >> 2) & 3, alignGiven, mParent != nullptr);
  // Only what is still 0 is filled in: a window placed or sized already keeps that.
  SetPosition(mRect.left != 0 ? mRect.left : x, mRect.top != 0 ? mRect.top : y);
  SetSize(GetWidth() != 0 ? GetWidth() : w, GetHeight() != 0 ? GetHeight() : h);
}

void TWindow::Init(TWindowStyle& style) {
  mName = style.GetString("name", "");
  ApplyLayout(style);
}

void TWindow::PostChildrenInit(TWindowStyle& style) {
  if (style.GetBool("fit", false)) FitToChildren();
  ApplyLayout(style);
}

void TWindow::FitToChildren() {
  GetLargest largest(GetWidth(), GetHeight());
  ForEachChild(largest);
  SetSize(largest.mWidth, largest.mHeight);
}

// Tree.

bool TWindow::AddChild(TWindow* child, bool notify) {
  if (std::find(mChildren.begin(), mChildren.end(), child) == mChildren.end()) {
    mChildren.push_front(child);
    child->mParent = this;
  }
  if (!notify) return true;
  if (child->OnNewParent()) return true;
  child->mParent = nullptr;
  mChildren.remove(child);
  child->SetSize(child->GetWidth(), child->GetHeight());
  return false;
}

void TWindow::RemoveChild(TWindow* child) {
  auto it = std::find(mChildren.begin(), mChildren.end(), child);
  if (it != mChildren.end()) {
    mChildren.erase(it);
    RequestRedraw();
  }
  if (TModalWindow* modal = child->GetParentModal()) modal->DropCoversUnder(child);
  child->mParent = nullptr;
}

void TWindow::ChangeOrder(int mode, TWindow* reference) {
  if (!mParent) return;
  std::list<TWindow*>& list = mParent->mChildren;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  switch (mode) {
    case 0:
      list.erase(it);
      list.push_back(this);
      break;
    case 1:
      list.erase(it);
      list.push_front(this);
      break;
    case 2:
      if (it == list.begin()) return;
      std::iter_swap(it, std::prev(it));
      break;
    case 3:
      if (std::next(it) == list.end()) return;
      std::iter_swap(it, std::next(it));
      break;
    default: {
      list.erase(it);
      auto ref = reference ? std::find(list.begin(), list.end(), reference) : list.end();
      list.insert(ref, this);
      break;
    }
  }
  RequestRedraw();
}

TWindow* TWindow::FindChild(const TStr& name, int depth) {
  if (mName == name) return this;
  if (depth == 0) return nullptr;
  for (TWindow* child : mChildren)
    if (TWindow* hit = child->FindChild(name, depth - 1)) return hit;
  return nullptr;
}

bool TWindow::ForEachChild(TWindowSpider& spider, bool reverse) {
  return Walk(mChildren, reverse, spider);
}

void TWindow::DeleteChildren() {
  ChildrenDelete spider(this);
  ForEachChild(spider);
}

TModalWindow* TWindow::GetParentModal() const {
  for (TWindow* w = mParent; w; w = w->mParent)
    if ((w->mFlags & kWindowModal) && w->IsKindOf(&TModalWindow::ClassId)) return static_cast<TModalWindow*>(w);
  return nullptr;
}

bool TWindow::IsVisible() const {
  for (const TWindow* w = this; w; w = w->mParent) {
    if (!(w->mFlags & kWindowEnabled)) return false;
    if (w->mFlags & kWindowModal) break;
  }
  return true;
}

bool TWindow::IsUnder(const TWindow* ancestor) const {
  for (const TWindow* w = this; w; w = w->mParent)
    if (w == ancestor) return true;
  return false;
}

TWindow* TWindow::ChildAt(TPoint point) {
  for (TWindow* child : mChildren)
    // The rectangle first: IsVisible walks up to the modal window.
    if (child->mRect.Contains(point.x, point.y) && child->IsVisible()) return child;
  return this;
}

TWindow* TWindow::HitTest(TPoint point, int depth) {
  TWindow* w = this;
  for (; depth != 0; depth--) {
    TWindow* child = w->ChildAt(point);
    if (child == w) return w;
    child->OffsetFromParent(point);
    w = child;
  }
  return nullptr;  // the search ran out of depth
}

// Identity and flags.

TStr TWindow::GetIdString() const { return TStr::Format("%8x", mSerial); }

void TWindow::SetFlags(uint32_t flags) {
  uint32_t old = mFlags;
  mFlags = (flags & 0xFF00u) | (mFlags & 0xFFu);
  if ((old ^ mFlags) & kWindowEnabled) RequestRedraw();
  UpdateCover();
}

void TWindow::UpdateCover() {
  TModalWindow* modal = GetParentModal();
  if (!modal) return;
  bool covers = (mFlags & kWindowOpaque) && (mFlags & kWindowEnabled) && GetWidth() == modal->GetWidth() &&
                GetHeight() == modal->GetHeight();
  modal->SetCovering(this, covers);
}

// Delivery.

bool TWindow::HandleEvent(const TPlatformEvent& event, bool focusAssigned) {
  TPoint point(event.x, event.y);
  bool handled = false;
  switch (event.type) {
    case kEventLeftDown: handled = OnMouseDown(point); break;
    case kEventButton: handled = OnOtherMouseEvent(point, event.param); break;
    case kEventLeftUp: handled = OnMouseUp(point); break;
    case kEventMouseMove: handled = OnMouseMove(point); break;
    case kEventHover: handled = OnMouseHover(point); break;
    case kEventKeyDown: handled = OnKeyDown((uint8_t)event.param, event.modifiers); break;
    case kEventKeyUp: handled = OnKeyUp((uint8_t)event.param); break;
    case kEventChar: handled = OnChar((uint8_t)event.param); break;
    case kEventWideChar: {
      TStr text = TStr::FromCodePoint(event.param);
      handled = OnWideChar(text);
      if (!handled && text.Length() == 1) handled = OnChar((uint8_t)event.param);
      break;
    }
    default: break;
  }
  if (event.type == kEventLeftDown && !focusAssigned) {
    TWindowManager* manager = TWindowManager::Get();
    for (TWindow* w = this; w && manager; w = w->mParent) {
      if (w->mFlags & kWindowFocusable) {
        manager->SetFocus(w);
        break;
      }
    }
    focusAssigned = true;
  }
  if (handled) return true;

  if (mFlags & kWindowModal) {
    // Only a release or a key press becomes text, so only they read the setting (every mouse
    // move that nobody takes ends here).
    TWindowManager* manager = TWindowManager::Get();
    bool posts = event.type == kEventLeftUp || event.type == kEventKeyDown;
    if (posts && manager && !GetSettingBool("overlaymouse")) {
      if (event.type == kEventLeftUp)
        manager->PostMessage(new TMessage(kPressAnyKey, "mouse:up"));
      else
        manager->PostMessage(new TMessage(kPressAnyKey, TStr("raw:") + (char)(uint8_t)event.param));
    }
    return false;
  }

  TPlatformEvent copy = event;
  bool mouse = IsMouseEvent(event.type);
  if (mouse) {
    copy.x += mRect.left;
    copy.y += mRect.top;
  }
  if (!mParent) return false;
  // Only mouse events look at the siblings beneath: a key has no position to test.
  if (mouse) {
    std::list<TWindow*>& siblings = mParent->mChildren;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    if (it != siblings.end()) {
      TPoint at(copy.x, copy.y);
      for (++it; it != siblings.end(); ++it) {
        TWindow* sibling = *it;
        if (!sibling->mRect.Contains(at.x, at.y) || !sibling->IsVisible()) continue;
        TPoint inside = at;
        sibling->OffsetFromParent(inside);
        TWindow* target = sibling->HitTest(inside, -1);
        TPoint screen = at;
        mParent->LocalToScreen(screen);
        target->ScreenToLocal(screen);
        copy.x = screen.x;
        copy.y = screen.y;
        return target->HandleEvent(copy, focusAssigned);
      }
    }
  }
  return mParent->HandleEvent(copy, focusAssigned);
}

// Drawing.

bool TWindow::DrawTree(int pass) {
  if (!(mFlags & kWindowEnabled)) return false;
  if (pass == kPassRenderTarget) {
    if (!(mFlags & kWindowRenderTarget) || !mParent || !(mParent->mFlags & kWindowDrawnInTarget)) return false;
    SetFlags(mFlags | kWindowDrawnInTarget);
  } else if (pass == kPassAfterTarget && (mFlags & kWindowDrawnInTarget)) {
    return false;
  }
  TWindowManager* manager = TWindowManager::Get();
  if (!manager) return false;
  TWindowHost& host = manager->GetHost();
  TRect clip = host.GetClipRect().Intersect(GetScreenRect());
  if (clip.IsEmpty()) return true;
  host.PushClipRect(clip);
  Draw();
  for (auto it = mChildren.rbegin(); it != mChildren.rend(); ++it)
    if (!((*it)->mFlags & kWindowModal)) (*it)->DrawTree(pass);
  PostDraw();
  host.PopClipRect();
  return true;
}

// Messages.

void TWindow::BubbleMessage(TMessage* message) {
  for (TWindow* w = this; w; w = w->mParent) {
    if (w->OnMessage(message)) {
      delete message;
      return;
    }
    if (w->mFlags & kWindowModal) {
      TModalWindow* modal = AsModal(w);
      TWindow* focus = modal ? modal->GetFocusChild() : nullptr;
      if (focus && focus->OnMessage(UnwrapMessage(message))) {
        delete message;  // the wrapper: the wrapped message stays with its script object
        return;
      }
      if (TWindowManager* manager = TWindowManager::Get()) {
        manager->DeliverMessage(message);
      } else {
        delete message;
      }
      return;
    }
  }
  delete message;
}

// Animation.

TWindowAnim* TWindow::GetAnim() {
  if (mAnim) return mAnim;
  TModalWindow* modal = AsModal(this);
  if (!modal) modal = GetParentModal();
  if (!modal) return nullptr;
  mAnim = new TWindowAnim(this);
  mAnim->SetClock(&modal->GetClock());
  modal->AddTask(mAnim);
  return mAnim;
}

void TWindow::SetAnimTimer(uint32_t period, bool repeat, bool fromNow, bool catchUp) {
  if (TWindowAnim* anim = GetAnim()) anim->SetTimer(period, repeat, fromNow, catchUp);
}

void TWindow::DetachAnim() {
  if (mAnim) mAnim->Detach();
}
