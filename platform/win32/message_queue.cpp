// Per-thread message queues: posting, sending, peeking, dispatching, key translation, timers,
// mouse hover and leave tracking, WM_QUIT and the message-aware wait.
#include <algorithm>
#include <cstdlib>

#include "platform/test_control.h"
#include "platform/win32/user_internal.h"

namespace win32 {

namespace {

std::map<DWORD, std::shared_ptr<Queue>>& Queues() {  // guarded by the kernel lock
  static auto* queues = new std::map<DWORD, std::shared_ptr<Queue>>;
  return *queues;
}

// Hover tracking: where and since when the mouse rests (kernel lock).
DWORD gHoverStart = 0;
POINT gHoverPoint{0, 0};

// The harness's idle hook (set before the program's loop runs, read on the SDL thread).
void (*gIdleHook)(void*) = nullptr;
void* gIdleContext = nullptr;

UINT_PTR gNextTimerId = 0x7F00;  // kernel lock

bool Matches(const MSG& m, HWND filter, UINT min, UINT max) {
  if (filter == (HWND)(intptr_t)-1) {
    if (m.hwnd) return false;
  } else if (filter && m.hwnd != filter) {
    return false;
  }
  if ((min || max) && (m.message < min || m.message > max)) return false;
  return true;
}

LRESULT CallProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  auto w = FindWin(h);
  if (!w || !w->proc) return 0;
  return w->proc(h, message, wParam, lParam);
}

// Messages other threads sent to this thread's windows are handled inside its message calls.
void ProcessSent() {
  for (;;) {
    SentMessage* s;
    {
      Lock lock(KernelLock());
      auto q = QueueOfLocked(ThreadId());
      if (q->sent.empty()) return;
      s = q->sent.front();
      q->sent.pop_front();
    }
    LRESULT r = CallProc(s->window, s->message, s->wParam, s->lParam);
    Lock lock(KernelLock());
    s->result = r;
    s->done = true;
    WakeThreadLocked(s->sender);
  }
}

HWND PaintPendingLocked(DWORD thread, HWND filter) {
  std::vector<std::shared_ptr<Window>> stack = TopLevelWindowsLocked();
  while (!stack.empty()) {
    auto w = stack.back();
    stack.pop_back();
    if (!w->visible || w->minimized) continue;
    if (w->thread == thread && w->invalid && (!filter || filter == w->handle)) return w->handle;
    for (HWND c : w->children)
      if (auto cw = FindWindowLocked(c)) stack.push_back(cw);
  }
  return nullptr;
}

POINT ClientPointLocked(const Window& w, POINT screen) {
  RECT c = ClientRectOnScreenLocked(w);
  return POINT{screen.x - c.left, screen.y - c.top};
}

void PushLocked(Queue& q, HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  q.posted.push_back(MSG{h, message, wParam, lParam, timeGetTime(), gCursor});
  WakeThreadLocked(q.thread);
}

// Posts WM_MOUSEHOVER once the mouse has rested long enough over a window armed for it.
void CheckHoverLocked(DWORD thread, DWORD now, DWORD* due) {
  auto w = FindWindowLocked(gMouseWindow);
  if (!w || !w->hoverArmed || w->thread != thread) return;
  if (now - gHoverStart >= w->hoverTime) {
    w->hoverArmed = false;
    POINT p = ClientPointLocked(*w, gCursor);
    PushLocked(*QueueOfLocked(thread), w->handle, WM_MOUSEHOVER, MouseKeyFlagsLocked(), MAKELPARAM(p.x, p.y));
  } else if (due) {
    *due = gHoverStart + w->hoverTime;
  }
}

void PostLeaveLocked(const std::shared_ptr<Window>& w) {
  if (!w || !w->leaveArmed) return;
  w->leaveArmed = false;
  w->hoverArmed = false;
  PushLocked(*QueueOfLocked(w->thread), w->handle, WM_MOUSELEAVE, 0, 0);
}

bool InputWaiting(void*, DWORD now, DWORD* due) {
  DWORD me = ThreadId();
  auto q = QueueOfLocked(me);
  CheckHoverLocked(me, now, due);
  if (!q->posted.empty() || q->quit || !q->sent.empty() || PaintPendingLocked(me, nullptr)) return true;
  for (auto& t : q->timers) {
    if ((int32_t)(now - t.due) >= 0) return true;
    if (!*due || (int32_t)(t.due - *due) < 0) *due = t.due;
  }
  return false;
}

void PumpHook(void*) { PumpSdl(); }

BOOL Peek(LPMSG msg, HWND filter, UINT min, UINT max, UINT remove, bool wide) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool sdl = IsSdlThread();
  if (sdl) PumpSdl();
  ProcessSent();
  bool found = false;
  {
    Lock lock(KernelLock());
    DWORD me = ThreadId(), now = timeGetTime();
    auto q = QueueOfLocked(me);
    CheckHoverLocked(me, now, nullptr);
    for (auto it = q->posted.begin(); it != q->posted.end(); ++it) {
      if (!Matches(*it, filter, min, max)) continue;
      *msg = *it;
      if (remove & PM_REMOVE) q->posted.erase(it);
      found = true;
      break;
    }
    if (!found && q->quit) {
      *msg = MSG{nullptr, WM_QUIT, (WPARAM)q->quitCode, 0, now, gCursor};
      if (remove & PM_REMOVE) q->quit = false;
      found = true;
    }
    const bool threadOnly = filter == (HWND)(intptr_t)-1;  // paints and window timers are not for it
    if (!found && !threadOnly && (!(min || max) || (min <= WM_PAINT && WM_PAINT <= max))) {
      if (HWND p = PaintPendingLocked(me, filter)) {
        *msg = MSG{p, WM_PAINT, 0, 0, now, gCursor};
        found = true;
      }
    }
    if (!found && (!(min || max) || (min <= WM_TIMER && WM_TIMER <= max))) {
      for (auto& t : q->timers) {
        if ((int32_t)(now - t.due) < 0 || (threadOnly ? t.window != nullptr : filter && filter != t.window)) continue;
        *msg = MSG{t.window, WM_TIMER, t.id, (LPARAM)t.proc, now, gCursor};
        if (remove & PM_REMOVE) t.due = now + t.period;
        found = true;
        break;
      }
    }
  }
  if (!found) {
    if (sdl) CallIdleHook();
    return FALSE;
  }
  // The byte form of a character message carries a CP_ACP byte; UTF-16 units beyond it become "?".
  if (!wide && (msg->message == WM_CHAR || msg->message == WM_SYSCHAR) && msg->wParam > 0xFF)
    msg->wParam = '?';
  return TRUE;
}

}  // namespace

std::shared_ptr<Queue> QueueOfLocked(DWORD thread) {
  auto& q = Queues()[thread];
  if (!q) {
    q = std::make_shared<Queue>();
    q->thread = thread;
  }
  return q;
}

void PostToQueue(HWND h, UINT message, WPARAM wParam, LPARAM lParam, bool coalesceMove) {
  Lock lock(KernelLock());
  DWORD thread = ThreadId();
  if (h) {
    auto w = FindWindowLocked(h);
    if (!w) return;
    thread = w->thread;
  }
  auto q = QueueOfLocked(thread);
  if (coalesceMove && !q->posted.empty() && q->posted.back().message == WM_MOUSEMOVE && q->posted.back().hwnd == h)
    q->posted.pop_back();
  PushLocked(*q, h, message, wParam, lParam);
}

LRESULT Send(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  auto w = FindWin(h);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (w->thread == ThreadId()) return w->proc ? w->proc(h, message, wParam, lParam) : 0;
  SentMessage s{h, message, wParam, lParam};
  s.sender = ThreadId();
  {
    Lock lock(KernelLock());
    QueueOfLocked(w->thread)->sent.push_back(&s);
    WakeThreadLocked(w->thread);
  }
  for (;;) {
    ProcessSent();  // the target may send back to us meanwhile
    Lock lock(KernelLock());
    if (s.done) return s.result;
    if (!FindWindowLocked(h)) {  // gone before its thread took the message
      auto& sent = QueueOfLocked(w->thread)->sent;
      sent.erase(std::remove(sent.begin(), sent.end(), &s), sent.end());
      if (!s.done) return 0;
    }
    if (QueueOfLocked(ThreadId())->sent.empty()) BlockLocked(lock, INFINITE);
  }
}

void ArmHoverLocked(HWND h, POINT screen) {
  gHoverStart = timeGetTime();
  gHoverPoint = screen;
  (void)h;
}

void MouseMovedTo(HWND h, POINT screen) {
  Lock lock(KernelLock());
  gCursor = screen;
  if (gMouseWindow != h) {
    PostLeaveLocked(FindWindowLocked(gMouseWindow));
    gMouseWindow = h;
  }
  if (!h) return;
  if (std::abs(screen.x - gHoverPoint.x) > 2 || std::abs(screen.y - gHoverPoint.y) > 2) {
    ArmHoverLocked(h, screen);
    if (auto w = FindWindowLocked(h)) WakeThreadLocked(w->thread);  // its hover time moved
  }
}

void CallIdleHook() {
  if (gIdleHook) gIdleHook(gIdleContext);
}

void SetIdleHook(void (*hook)(void*), void* context) {
  gIdleContext = context;
  gIdleHook = hook;
}

}  // namespace win32

using namespace win32;

BOOL PeekMessageA(LPMSG msg, HWND h, UINT min, UINT max, UINT remove) { return Peek(msg, h, min, max, remove, false); }
BOOL PeekMessageW(LPMSG msg, HWND h, UINT min, UINT max, UINT remove) { return Peek(msg, h, min, max, remove, true); }

BOOL GetMessageA(LPMSG msg, HWND h, UINT min, UINT max) {
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  while (!Peek(msg, h, min, max, PM_REMOVE, false)) MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT);
  return msg->message != WM_QUIT;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  WPARAM ch = 0;
  bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
  switch (msg->wParam) {
    case VK_RETURN: ch = 13; break;
    case VK_BACK: ch = 8; break;
    case VK_TAB: ch = 9; break;
    case VK_ESCAPE: ch = 27; break;
    default:
      if (ctrl && !alt && msg->wParam >= 'A' && msg->wParam <= 'Z') ch = msg->wParam - 'A' + 1;
  }
  // Printable characters come from the text the keyboard produced, queued behind the key.
  if (ch) {
    Lock lock(KernelLock());
    auto q = QueueOfLocked(ThreadId());
    UINT charMessage = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    q->posted.push_front(MSG{msg->hwnd, charMessage, ch, msg->lParam, msg->time, msg->pt});
  }
  return TRUE;
}

static LRESULT Dispatch(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    ((TIMERPROC)msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, timeGetTime());
    return 0;
  }
  if (!msg->hwnd) return 0;
  auto w = FindWin(msg->hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return w->proc ? w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}
LRESULT DispatchMessageA(const MSG* msg) { return Dispatch(msg); }
LRESULT DispatchMessageW(const MSG* msg) { return Dispatch(msg); }

BOOL PostMessageA(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  if (h == HWND_BROADCAST) {
    std::vector<HWND> tops;
    {
      Lock lock(KernelLock());
      for (auto& w : TopLevelWindowsLocked()) tops.push_back(w->handle);
    }
    for (HWND t : tops) PostToQueue(t, message, wParam, lParam);
    return TRUE;
  }
  if (h && !IsWindow(h)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  PostToQueue(h, message, wParam, lParam);
  return TRUE;
}
BOOL PostMessageW(HWND h, UINT message, WPARAM wParam, LPARAM lParam) { return PostMessageA(h, message, wParam, lParam); }

BOOL PostThreadMessageA(DWORD thread, UINT message, WPARAM wParam, LPARAM lParam) {
  {
    Lock lock(KernelLock());
    auto it = Queues().find(thread);
    if (it == Queues().end()) {
      lock.unlock();
      SetLastError(ERROR_INVALID_THREAD_ID);
      return FALSE;
    }
    PushLocked(*it->second, nullptr, message, wParam, lParam);
  }
  return TRUE;
}

LRESULT SendMessageA(HWND h, UINT message, WPARAM wParam, LPARAM lParam) { return Send(h, message, wParam, lParam); }
LRESULT SendMessageW(HWND h, UINT message, WPARAM wParam, LPARAM lParam) { return Send(h, message, wParam, lParam); }

void PostQuitMessage(int exitCode) {
  Lock lock(KernelLock());
  auto q = QueueOfLocked(ThreadId());
  q->quit = true;
  q->quitCode = exitCode;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms, DWORD) {
  WaitHooks hooks;
  hooks.extra = InputWaiting;
  if (IsSdlThread()) hooks.pump = PumpHook;
  {
    Lock lock(KernelLock());
    QueueOfLocked(ThreadId());
  }
  ProcessSent();
  return WaitEngine(count, handles, waitAll, ms, &hooks);
}

UINT_PTR SetTimer(HWND h, UINT_PTR id, UINT ms, TIMERPROC proc) {
  DWORD thread = ThreadId();
  if (h) {
    auto w = FindWin(h);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    thread = w->thread;
  }
  ms = std::clamp<UINT>(ms, 10, 0x7FFFFFFF);  // the original's minimum and maximum periods
  {
    Lock lock(KernelLock());
    if (!h) id = gNextTimerId++;
    auto q = QueueOfLocked(thread);
    std::erase_if(q->timers, [&](const Timer& t) { return t.window == h && t.id == id; });
    q->timers.push_back(Timer{h, id, ms, timeGetTime() + ms, proc});
    WakeThreadLocked(thread);  // its wait takes the new due time
  }
  return id ? id : 1;
}

BOOL KillTimer(HWND h, UINT_PTR id) {
  Lock lock(KernelLock());
  DWORD thread = ThreadId();
  if (h) {
    auto w = FindWindowLocked(h);
    if (!w) {
      lock.unlock();
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    thread = w->thread;
  }
  auto q = QueueOfLocked(thread);
  size_t before = q->timers.size();
  std::erase_if(q->timers, [&](const Timer& t) { return t.window == h && t.id == id; });
  if (q->timers.size() == before) {
    lock.unlock();
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track) {
  if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  {
    Lock lock(KernelLock());
    auto w = FindWindowLocked(track->hwndTrack);
    if (!w) {
      lock.unlock();
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    if (track->dwFlags & TME_CANCEL) {
      if (track->dwFlags & TME_HOVER) w->hoverArmed = false;
      if (track->dwFlags & TME_LEAVE) w->leaveArmed = false;
      return TRUE;
    }
    if (track->dwFlags & TME_HOVER) {
      w->hoverArmed = true;
      w->hoverTime = track->dwHoverTime == HOVER_DEFAULT ? 400 : track->dwHoverTime;
      ArmHoverLocked(w->handle, gCursor);
    }
    if (track->dwFlags & TME_LEAVE) {
      w->leaveArmed = true;
      // As on the original: asked while the mouse is elsewhere, the leave comes at once.
      if (gMouseWindow != w->handle) PostLeaveLocked(w);
    }
    WakeThreadLocked(w->thread);  // its hover time moved
  }
  return TRUE;
}

namespace TestControl {
void SetIdleHook(void (*hook)(void* context), void* context) { win32::SetIdleHook(hook, context); }
HWND FindProgramWindow() { return win32::FirstSdlWindow(); }

namespace {
bool (*gWindowFinder)(const char*, int*, int*) = nullptr;  // main thread only
}  // namespace

void SetWindowFinder(bool (*finder)(const char* name, int* x, int* y)) { gWindowFinder = finder; }
bool FindWindowByName(const char* name, int* x, int* y) { return gWindowFinder && gWindowFinder(name, x, y); }
}  // namespace TestControl
