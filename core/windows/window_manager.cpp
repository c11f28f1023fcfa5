// TWindowManager: modal stack, input routing, message dispatch, deferred deletion and frames.
#include "core/windows/window_manager.h"

#include <algorithm>

#include "core/base/settings.h"
#include "core/windows/lua_message_wrapper.h"
#include "core/windows/message.h"
#include "core/windows/modal_window.h"
#include "core/windows/screen.h"
#include "core/windows/widgets/xsell_window.h"
#include "core/windows/window_host.h"
#include "core/windows/window_script.h"
#include "core/windows/window_spider.h"

namespace {

TWindowManager* gManager = nullptr;

// The event with its point in the window's coordinates; a move in relative mouse mode keeps its
// point as it came.
TPlatformEvent ToWindow(const TPlatformEvent& event, const TWindow* window, int mode) {
  TPlatformEvent local = event;
  if (event.type == kEventMouseMove && mode == 1) return local;
  TPoint p(event.x, event.y);
  window->ScreenToLocal(p);
  local.x = p.x;
  local.y = p.y;
  return local;
}

template <typename T>
void Erase(std::vector<T>& list, const T& value) {
  list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

}  // namespace

TWindowManager::TWindowManager()
    : mDefaultHost(new TWindowHost()), mHost(mDefaultHost.get()), mPrevious(gManager) {
  gManager = this;
}

TWindowManager::~TWindowManager() {
  std::vector<TMessageListener*> listeners;
  listeners.swap(mListeners);
  for (TMessageListener* listener : listeners) delete listener;
  mTrackers.clear();
  while (!mModals.empty()) PopTop();
  DeleteClosedWindows();
  while (!mQueue.empty()) {
    TMessage* message = mQueue.front();
    mQueue.pop_front();
    delete message;
  }
  mRenderTarget.reset();
  if (gManager == this) gManager = mPrevious;
}

TWindowManager* TWindowManager::Get() { return gManager; }

void TWindowManager::SetHost(TWindowHost* host) { mHost = host ? host : mDefaultHost.get(); }

// Screen and modal stack.

void TWindowManager::SetScreen(TWindow* window) {
  mRoot = window;
  PushModal(window);
  TRect viewport = mHost->GetViewport();
  window->SetPosition(viewport.left, viewport.top);
  window->SetSize(viewport.right - viewport.left, viewport.bottom - viewport.top);
  window->OnNewParent();
}

bool TWindowManager::IsModal(const TWindow* window) const {
  return std::find(mModals.begin(), mModals.end(), window) != mModals.end();
}

void TWindowManager::PushModal(TWindow* window) {
  if (!window) return;
  mCapture = nullptr;
  std::vector<TWindow*> trackers;
  trackers.swap(mTrackers);
  for (TWindow* tracker : trackers) tracker->OnMouseLeave();
  TWindow* previous = GetTopModal();
  mModals.push_back(window);
  if (previous) {
    previous->AddChild(window, false);
    if (TModalWindow* modal = AsModal(previous)) modal->GetClock().Pause();
  }
  SetFocus(window);
  if (mScript) mScript->SetModalWindow(window);
  window->OnNewParent();
  if (window->GetWidth() == 0 && window->GetParent())
    window->SetSize(window->GetParent()->GetWidth(), window->GetParent()->GetHeight());
  Invalidate();
}

void TWindowManager::PopTop() {
  TWindow* top = mModals.back();
  if (top->GetParent()) top->GetParent()->RemoveChild(top);
  ScheduleDelete(top);
  mModals.pop_back();
  if (TModalWindow* modal = AsModal(top)) modal->KillTasks();
  if (!mModals.empty()) {
    TWindow* next = mModals.back();
    if (mScript) mScript->SetModalWindow(next);
    SetFocus(next);
    // The level below runs again: its animations go on from where they paused.
    if (TModalWindow* modal = AsModal(next)) modal->GetClock().Start();
  } else if (mScript) {
    mScript->SetModalWindow(nullptr);
  }
  TModalPoppedSpider popped;
  top->ForEachChild(popped);
  Invalidate();
  mStackChanged = true;
}

void TWindowManager::PopModal() {
  // The root screen stays: without it no event would reach any window again.
  if (mModals.empty() || (mModals.size() == 1 && mModals.back() == mRoot)) return;
  PopTop();
}

void TWindowManager::PopModalsTo(TStr name) {
  TWindow* match = nullptr;
  for (TWindow* w = GetTopModal(); w && !match; w = w->GetParent())
    if (w->GetName() == name || w->GetIdString() == name) match = w;
  if (!match) return;
  while (!mModals.empty()) {
    TWindow* top = mModals.back();
    if (top == mRoot && mModals.size() == 1) break;
    bool last = top->GetName() == name || top->GetIdString() == name;
    PopTop();
    if (last) break;
  }
  if (TModalWindow* modal = AsModal(GetTopModal())) modal->GetClock().Start();
}

// Focus and tracking.

void TWindowManager::SetFocus(TWindow* window) {
  TWindow* previous = mFocus;
  mFocus = window;
  if (window) window->OnSetFocus(previous);
}

void TWindowManager::AddMouseTracker(TWindow* window) {
  if (window && !IsMouseTracker(window)) mTrackers.push_back(window);
}

void TWindowManager::RemoveMouseTracker(TWindow* window) { Erase(mTrackers, window); }

bool TWindowManager::IsMouseTracker(const TWindow* window) const {
  return std::find(mTrackers.begin(), mTrackers.end(), window) != mTrackers.end();
}

// Messages.

void TWindowManager::PostMessage(TMessage* message) {
  if (message) mQueue.push_back(message);
}

void TWindowManager::ProcessMessages() {
  while (!mQueue.empty()) {
    TMessage* message = mQueue.front();
    mQueue.pop_front();
    DispatchMessage(message);
  }
}

void TWindowManager::DispatchMessage(TMessage* message) {
  if (message->GetType() == kQuitNow) {
    delete message;
    mHost->PostQuit(0);
    return;
  }
  TWindow* target = message->GetWindow();
  if (!target) {
    TMessage* offered = UnwrapMessage(message);
    std::vector<TMessageListener*> listeners = mListeners;
    for (TMessageListener* listener : listeners) {
      if (std::find(mListeners.begin(), mListeners.end(), listener) == mListeners.end()) continue;
      if (listener->OnMessage(offered)) {
        delete message;
        return;
      }
    }
    target = mFocus ? mFocus : GetTopModal();
    if (!target) {
      delete message;
      return;
    }
  }
  target->BubbleMessage(message);
}

void TWindowManager::DeliverMessage(TMessage* message) {
  if (mScript)
    mScript->DeliverMessage(message, nullptr);
  else
    delete message;
}

void TWindowManager::AddMessageListener(TMessageListener* listener) {
  if (listener) mListeners.push_back(listener);
}

bool TWindowManager::RemoveMessageListener(TMessageListener* listener) {
  auto it = std::find(mListeners.begin(), mListeners.end(), listener);
  if (it == mListeners.end()) return false;
  mListeners.erase(it);
  return true;
}

// Deletion.

void TWindowManager::ScheduleDelete(TWindow* window) {
  if (!window) return;
  if (std::find(mClosed.begin(), mClosed.end(), window) == mClosed.end()) mClosed.push_back(window);
  for (TMessage* message : mQueue)
    if (message->GetWindow() && message->GetWindow()->IsUnder(window)) message->SetWindow(nullptr);
  RemoveMouseTracker(window);
  if (mCapture && mCapture->IsUnder(window)) mCapture = nullptr;
}

void DeleteWindowLater(TWindow* window) {
  if (TWindowManager* manager = TWindowManager::Get())
    manager->ScheduleDelete(window);
  else
    delete window;
}

void TWindowManager::DeleteClosedWindows() {
  if (mClosed.empty()) return;
  // One at a time: deleting a window forgets its closed descendants (OnWindowDestroyed), so
  // none is deleted twice.
  while (!mClosed.empty()) {
    TWindow* window = mClosed.front();
    mClosed.erase(mClosed.begin());
    delete window;
  }
  Invalidate();
}

void TWindowManager::OnWindowDestroyed(TWindow* window) {
  if (mFocus == window) mFocus = nullptr;
  if (mCapture == window) mCapture = nullptr;
  RemoveMouseTracker(window);
  Erase(mClosed, window);
  if (mRoot == window) mRoot = nullptr;
  for (TWindow* w = GetTopModal(); w; w = w->GetParent()) {
    TModalWindow* modal = AsModal(w);
    if (!modal) break;
    modal->ClearFocusChild(window);
  }
}

// Events.

void TWindowManager::HandleEvent(const TPlatformEvent& event) {
  if (event.type == kEventOther) return;
  if (event.type == kEventDisplayReset) mRenderTarget.reset();
  DeleteClosedWindows();
  if (mModals.empty()) return;
  TWindow* top = GetTopModal();
  switch (event.type) {
    case kEventIdle:
      if (TModalWindow* modal = AsModal(top)) modal->RunTasks(0);
      ProcessMessages();
      Update();
      ProcessMessages();
      break;
    case kEventLeftDown:
    case kEventButton:
    case kEventLeftUp:
    case kEventMouseMove:
    case kEventHover:
      HandleMouse(event);
      break;
    case kEventMouseLost: {
      mCapture = nullptr;
      std::vector<TWindow*> trackers = mTrackers;
      for (TWindow* tracker : trackers) {
        if (GetTopModal() != top) break;
        if (IsMouseTracker(tracker)) tracker->OnMouseLeave();
      }
      ProcessMessages();
      break;
    }
    case kEventKeyDown:
    case kEventKeyUp:
    case kEventChar:
    case kEventWideChar:
      (mFocus ? mFocus : top)->HandleEvent(event, false);
      ProcessMessages();
      break;
    case kEventPaint:
      Invalidate();
      ProcessMessages();
      Update();
      ProcessMessages();
      break;
    case kEventActivation:
      break;
    default:
      ProcessMessages();
      if (TWindow* now = GetTopModal()) now->HandleEvent(event, false);
      break;
  }
}

void TWindowManager::HandleMouse(const TPlatformEvent& event) {
  int mode = mHost->GetMouseMode();
  TPoint screen(event.x, event.y);
  if (mCapture) {
    mCapture->HandleEvent(ToWindow(event, mCapture, mode), false);
  } else if (!mTrackers.empty()) {
    TWindow* top = GetTopModal();
    // A copy: handlers add and remove trackers while the walk goes on.
    std::vector<TWindow*> trackers = mTrackers;
    for (TWindow* tracker : trackers) {
      if (!IsMouseTracker(tracker)) continue;
      if (!tracker->GetScreenRect().Contains(screen.x, screen.y) && mode == 0) {
        tracker->OnMouseLeave();
        RemoveMouseTracker(tracker);
      } else {
        tracker->HandleEvent(ToWindow(event, tracker, mode), false);
      }
      if (GetTopModal() != top) break;
    }
  } else {
    if (event.type == kEventMouseMove && mode == 1) return;
    TWindow* top = GetTopModal();
    TPoint p = screen;
    top->ScreenToLocal(p);
    TWindow* target = top->HitTest(p, -1);
    TPoint local = screen;
    target->ScreenToLocal(local);
    TPlatformEvent delivered = event;
    delivered.x = local.x;
    delivered.y = local.y;
    bool handled = target->HandleEvent(delivered, false);
    if (!handled && event.type == kEventLeftUp && GetSettingBool("overlaymouse"))
      PostMessage(new TMessage(kPressAnyKey, "mouse:up"));
  }
  ProcessMessages();
}

// Frames.

void TWindowManager::Update() {
  mStackChanged = false;
  if (mMoviePlaying || !mRedraw) return;
  if (!mHost->IsFrameDone()) return;
  uint32_t interval = 12;
  if (!mHost->IsWindowActive() && !mHost->HasPqSwitch() && !mHost->IsEmbedded()) interval = 200;
  uint32_t now = mHost->GetTime();
  // Signed difference: the clock wraps after 49 days.
  if ((int32_t)(now - (mLastFrameTime + interval)) < 0) return;
  mLastFrameTime = now;
  if (mRoot) {
    TWindowClearFlags clear(~(uint32_t)kWindowDrawnInTarget, true);
    mRoot->ForEachChild(clear);
  }
  if (mModals.empty()) return;
  mHost->GetTaskList().RunTasks(1);
  if (TModalWindow* modal = AsModal(GetTopModal())) modal->RunTasks(1);
  if (mModals.empty()) return;
  if (mRenderTarget) {
    if (mHost->BeginRenderTarget(mRenderTarget)) {
      DrawModalStack(kPassRenderTarget);
      mHost->EndRenderTarget();
    }
    if (!mHost->BeginDraw()) return;
    mRedraw = false;
    if (mRoot) mRoot->DrawTree(kPassNormal);
    DrawModalStack(kPassAfterTarget);
  } else {
    if (!mHost->BeginDraw()) return;
    mRedraw = false;
    DrawModalStack(kPassNormal);
  }
  mHost->EndDraw();
}

void TWindowManager::DrawModalStack(int pass) {
  if (mStackChanged || !mHost->HasPlatform() || mModals.empty() || !mHost->IsDisplayReady()) return;
  if (pass == kPassAfterTarget || mTopModalOnly) {
    GetTopModal()->DrawTree(pass);
    return;
  }
  size_t start = 0;
  for (size_t i = mModals.size(); i-- > 0;) {
    TWindow* w = mModals[i];
    if ((w->GetFlags() & kWindowOpaque) && mRoot && w->GetWidth() == mRoot->GetWidth() &&
        w->GetHeight() == mRoot->GetHeight()) {
      start = i;
      break;
    }
  }
  size_t end = pass == kPassNormal ? mModals.size() : mModals.size() - 1;
  for (size_t i = start; i < end && i < mModals.size(); i++) {
    if (!mHost->IsDisplayReady() || mStackChanged) break;
    mModals[i]->DrawTree(pass);
  }
}

// Script forwarding.

void TWindowManager::InitScript(TWindowScript* script) {
  mScript = script;
  if (!script) return;
  script->RegisterWindowClass("XSellWindow", &TXSellWindow::GetFactory);
  if (TWindow* top = GetTopModal()) script->SetModalWindow(top);
  BindScriptFunctions();
  mHost->GetTaskList().AddTask(script);
}

void TWindowManager::InitScript() { InitScript(new TWindowScript()); }

lua_State* TWindowManager::GetScriptState() { return mScript ? mScript->GetState() : nullptr; }

void TWindowManager::AbortMovie() {
  if (mScript) mScript->AbortMovie();
}

void TWindowManager::GetRootRect(int& left, int& top, int& right, int& bottom) {
  if (!mRoot) {
    // Cleared under every frame: a dialog over the bare screen would otherwise be drawn over
    // the last frame's pixels.
    auto* screen = new TScreen();
    screen->SetFill(true, false);
    SetScreen(screen);
  }
  const TRect& r = mRoot->GetRect();
  left = r.left;
  top = r.top;
  right = r.right;
  bottom = r.bottom;
}

void TWindowManager::RegisterWindowClass(TStr typeName, TWindowFactory factory) {
  if (mScript) mScript->RegisterWindowClass(typeName, factory);
}

int TWindowManager::RunScriptBound(TWindow* window, bool file, TStr text) {
  if (!mScript) return 0;
  size_t depth = mScript->PushWindow(window);
  int ok = 1;
  if (file)
    ok = mScript->RunScript(text) ? 1 : 0;
  else
    mScript->DoLuaString(text);
  mScript->RestoreWindowDepth(depth);
  return ok;
}

void TWindowManager::RunWindowScript(TWindow* window, TStr path) { RunScriptBound(window, true, path); }

void TWindowManager::DoWindowString(TWindow* window, TStr text) { RunScriptBound(window, false, text); }

void TWindowManager::SetTranslateLabels(bool on) {
  if (mScript) mScript->SetTranslateLabels(on);
}
