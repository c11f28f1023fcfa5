// Window classes and windows: creation, destruction, longs, geometry, z-order, visibility,
// activation, focus, capture, cursor, painting, the system menu and system metrics.
#include <strings.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/sdl_window.h"
#include "platform/win32/user_internal.h"

namespace win32 {

HWND gMouseWindow = nullptr;
POINT gCursor{0, 0};
BYTE gKeys[256];

namespace {

struct WindowTable {
  std::map<uintptr_t, std::shared_ptr<Window>> windows;
  std::vector<HWND> topLevel;  // z-order, top first
  std::map<std::string, std::shared_ptr<WindowClass>> classes;  // by lower-case name
  uintptr_t nextWindow = 0x10010;
  ATOM nextAtom = 0xC000;
  HWND foreground = nullptr, focus = nullptr, capture = nullptr;
  bool appActive = false;
  HCURSOR cursor = nullptr;
  std::shared_ptr<Window> desktop;
  struct Menu {
    std::vector<std::pair<UINT, UINT>> items;  // command, state
  };
  std::map<uintptr_t, Menu> menus;  // by HMENU
};
WindowTable& T() {
  static auto* t = new WindowTable;
  return *t;
}

std::string Lower(std::string s) {
  for (char& c : s) c = (char)tolower((unsigned char)c);
  return s;
}

void Fail(DWORD error) { SetLastError(error); }

std::shared_ptr<WindowClass> FindClassLocked(LPCSTR name) {
  if (!name) return nullptr;
  if (IS_INTRESOURCE(name)) {
    for (auto& [key, c] : T().classes)
      if (c->atom == (ATOM)(uintptr_t)name) return c;
    return nullptr;
  }
  auto it = T().classes.find(Lower(name));
  return it == T().classes.end() ? nullptr : it->second;
}

ATOM Register(const WindowClass& wc) {
  if (wc.name.empty() || !wc.proc) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  Lock lock(KernelLock());
  std::string key = Lower(wc.name);
  if (T().classes.count(key)) {
    lock.unlock();
    Fail(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto c = std::make_shared<WindowClass>(wc);
  c->atom = T().nextAtom++;
  T().classes[key] = c;
  return c->atom;
}

std::vector<HWND>& SiblingsLocked(const Window& w) {
  if (w.parent) {
    if (auto p = FindWindowLocked(w.parent)) return p->children;
  }
  return T().topLevel;
}

void Unlink(std::vector<HWND>& list, HWND h) { list.erase(std::remove(list.begin(), list.end(), h), list.end()); }

// Places a window in its sibling list: topmost windows stay above the others.
void PlaceLocked(Window& w, HWND after) {
  auto& list = SiblingsLocked(w);
  Unlink(list, w.handle);
  auto isTopmost = [](HWND h) {
    auto x = FindWindowLocked(h);
    return x && (x->exStyle & WS_EX_TOPMOST);
  };
  size_t pos;
  if (after == HWND_BOTTOM) {
    pos = list.size();
  } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
    pos = 0;
    if (!(w.exStyle & WS_EX_TOPMOST))
      while (pos < list.size() && isTopmost(list[pos])) pos++;
  } else {
    auto it = std::find(list.begin(), list.end(), after);
    pos = it == list.end() ? 0 : (size_t)(it - list.begin()) + 1;
  }
  list.insert(list.begin() + (long)pos, w.handle);
}

int Metric(int index) {
  switch (index) {
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CYMENU: return 19;
    case SM_CXSIZE:
    case SM_CYSIZE: return 18;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CMONITORS: return 1;
    default: return 0;
  }
}

// Moves and sizes a window as SetWindowPos does: WM_WINDOWPOSCHANGING may change the request,
// WM_WINDOWPOSCHANGED reports the result (and DefWindowProc turns it into WM_MOVE/WM_SIZE).
void ApplyPos(HWND h, HWND after, int x, int y, int cx, int cy, UINT flags, bool fromSystem) {
  WINDOWPOS wp{h, after, x, y, cx, cy, flags};
  if (!(flags & SWP_NOSENDCHANGING)) Send(h, WM_WINDOWPOSCHANGING, 0, (LPARAM)&wp);
  bool resync = false;
  {
    Lock lock(KernelLock());
    auto w = FindWindowLocked(h);
    if (!w) return;
    RECT old = w->rect;
    if (!(wp.flags & SWP_NOMOVE)) {
      w->rect.right = wp.x + (w->rect.right - w->rect.left);
      w->rect.bottom = wp.y + (w->rect.bottom - w->rect.top);
      w->rect.left = wp.x;
      w->rect.top = wp.y;
    }
    if (!(wp.flags & SWP_NOSIZE)) {
      w->rect.right = w->rect.left + std::max(0, wp.cx);
      w->rect.bottom = w->rect.top + std::max(0, wp.cy);
    }
    if (!(wp.flags & SWP_NOZORDER)) {
      if (wp.hwndInsertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
      if (wp.hwndInsertAfter == HWND_NOTOPMOST) w->exStyle &= ~(DWORD)WS_EX_TOPMOST;
      PlaceLocked(*w, wp.hwndInsertAfter);
    }
    if (wp.flags & SWP_SHOWWINDOW) w->visible = true;
    if (wp.flags & SWP_HIDEWINDOW) w->visible = false;
    if ((wp.flags & (SWP_SHOWWINDOW | SWP_NOREDRAW)) == SWP_SHOWWINDOW ||
        memcmp(&old, &w->rect, sizeof old) != 0)
      w->invalid = w->visible;
    // When the system reported a size that the window procedure changed, it gets ours back.
    resync = w->sdl && (!fromSystem || wp.cx != cx || wp.cy != cy);
    wp.x = w->rect.left;
    wp.y = w->rect.top;
    wp.cx = w->rect.right - w->rect.left;
    wp.cy = w->rect.bottom - w->rect.top;
    if (resync) {
      Window copy = *w;
      lock.unlock();
      SyncSdlWindow(copy);
    }
  }
  Send(h, WM_WINDOWPOSCHANGED, 0, (LPARAM)&wp);
}

HWND CreateWindowImpl(DWORD exStyle, std::shared_ptr<WindowClass> cls, const std::string& title, LPCSTR titleArg,
                      DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu,
                      HINSTANCE instance, LPVOID param) {
  auto w = std::make_shared<Window>();
  w->cls = cls;
  w->proc = cls->proc;
  w->unicode = cls->unicode;
  w->style = style;
  w->exStyle = exStyle;
  w->title = title;
  w->thread = ThreadId();
  w->instance = instance;
  w->hoverTime = 400;
  if (parent == HWND_MESSAGE) {
    w->messageOnly = true;
    w->style &= ~(DWORD)(WS_CHILD | WS_VISIBLE);
    parent = nullptr;
  }
  {
    Lock lock(KernelLock());
    if (parent && !FindWindowLocked(parent)) {
      lock.unlock();
      Fail(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    if ((style & WS_CHILD) && !parent && !w->messageOnly) {
      lock.unlock();
      Fail(ERROR_TLW_WITH_WSCHILD);
      return nullptr;
    }
    if (style & WS_CHILD) {
      w->parent = parent;
      w->id = (LONG_PTR)menu;
    } else {
      w->owner = parent;
    }
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = 640, height = 480;
    w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    w->handle = (HWND)T().nextWindow;
    T().nextWindow += 2;
    T().windows[(uintptr_t)w->handle] = w;
    if (!w->messageOnly) PlaceLocked(*w, HWND_TOP);
  }
  if (!w->parent && !w->messageOnly && CreateSdlWindow(*w)) ChannelPublish(w->handle, cls->name);
  HWND h = w->handle;
  CREATESTRUCTA cs{param, instance, menu, parent, height, width, y, x, (LONG)style, titleArg,
                   cls->name.c_str(), exStyle};
  if (!Send(h, WM_NCCREATE, 0, (LPARAM)&cs) || Send(h, WM_CREATE, 0, (LPARAM)&cs) == -1) {
    DestroyWindow(h);
    Fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!IsWindow(h)) return nullptr;
  RECT client;
  GetClientRect(h, &client);
  Send(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  Send(h, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
  if (style & WS_VISIBLE) {
    {
      Lock lock(KernelLock());
      if (auto x = FindWindowLocked(h)) x->visible = false;
    }
    ShowWindow(h, SW_SHOW);
  }
  return h;
}

// The hit-test of DefWindowProc, on screen coordinates.
LRESULT HitTest(HWND h, POINT p) {
  auto w = FindWin(h);
  if (!w) return HTNOWHERE;
  RECT win;
  GetWindowRect(h, &win);
  if (p.x < win.left || p.x >= win.right || p.y < win.top || p.y >= win.bottom) return HTNOWHERE;
  RECT client;
  {
    Lock lock(KernelLock());
    client = ClientRectOnScreenLocked(*w);
  }
  if (p.x >= client.left && p.x < client.right && p.y >= client.top && p.y < client.bottom) return HTCLIENT;
  if (w->style & WS_THICKFRAME) {
    int f = Metric(SM_CXFRAME), corner = Metric(SM_CXSIZE);
    bool left = p.x < win.left + f, right = p.x >= win.right - f;
    bool top = p.y < win.top + f, bottom = p.y >= win.bottom - f;
    bool nearLeft = p.x < win.left + corner, nearRight = p.x >= win.right - corner;
    bool nearTop = p.y < win.top + corner, nearBottom = p.y >= win.bottom - corner;
    if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
    if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
    if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
    if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION && p.y < client.top) {
    int button = Metric(SM_CXSIZE), edge = client.right;
    if (w->style & WS_SYSMENU) {
      if (p.x >= edge - button) return HTCLOSE;
      edge -= button + 2;
      if (w->style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) {
        if (p.x >= edge - button) return HTMAXBUTTON;
        edge -= button;
        if (p.x >= edge - button) return HTMINBUTTON;
      }
      if (p.x < client.left + button) return HTSYSMENU;
    }
    return HTCAPTION;
  }
  return HTBORDER;
}

HMENU MenuHandle(HWND h) { return (HMENU)((uintptr_t)h | 1); }

WindowTable::Menu* FindMenuLocked(HMENU menu) {
  auto it = T().menus.find((uintptr_t)menu);
  return it == T().menus.end() ? nullptr : &it->second;
}

std::pair<UINT, UINT>* MenuItemLocked(HMENU menu, UINT item, bool byPosition) {
  auto* m = FindMenuLocked(menu);
  if (!m) return nullptr;
  if (byPosition) return item < m->items.size() ? &m->items[item] : nullptr;
  for (auto& i : m->items)
    if (i.first == item) return &i;
  return nullptr;
}

}  // namespace

std::shared_ptr<Window> FindWindowLocked(HWND window) {
  auto it = T().windows.find((uintptr_t)window);
  if (it == T().windows.end() || it->second->destroyed) return nullptr;
  return it->second;
}

std::shared_ptr<Window> FindWindowLockedOrFail(HWND window) {
  auto w = FindWindowLocked(window);
  if (!w) Fail(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

std::shared_ptr<Window> FindWin(HWND window) {
  Lock lock(KernelLock());
  return FindWindowLocked(window);
}

std::vector<std::shared_ptr<Window>> TopLevelWindowsLocked() {
  std::vector<std::shared_ptr<Window>> out;
  for (HWND h : T().topLevel)
    if (auto w = FindWindowLocked(h)) out.push_back(w);
  return out;
}

HWND RootOf(HWND window) {
  Lock lock(KernelLock());
  auto w = FindWindowLocked(window);
  while (w && w->parent) {
    auto p = FindWindowLocked(w->parent);
    if (!p) break;
    w = p;
  }
  return w ? w->handle : nullptr;
}

RECT FrameInsets(DWORD style, DWORD exStyle) {
  int f = 0;
  if (style & WS_THICKFRAME)
    f = Metric(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME))
    f = Metric(SM_CXDLGFRAME);
  else if (style & WS_BORDER)
    f = Metric(SM_CXBORDER);
  if (exStyle & WS_EX_CLIENTEDGE) f += Metric(SM_CXEDGE);
  RECT r{-f, -f, f, f};
  if ((style & WS_CAPTION) == WS_CAPTION) r.top -= Metric(SM_CYCAPTION);
  return r;
}

// The client area in screen coordinates.
RECT ClientRectOnScreenLocked(const Window& w) {
  RECT ins = FrameInsets(w.style, w.exStyle);
  RECT r{w.rect.left - ins.left, w.rect.top - ins.top, w.rect.right - ins.right, w.rect.bottom - ins.bottom};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  if (w.parent) {
    if (auto p = FindWindowLocked(w.parent)) {
      RECT pc = ClientRectOnScreenLocked(*p);
      r.left += pc.left, r.right += pc.left, r.top += pc.top, r.bottom += pc.top;
    }
  }
  return r;
}

HWND FirstSdlWindow() {
  Lock lock(KernelLock());
  for (auto& [h, w] : T().windows)
    if (!w->destroyed && w->sdl) return w->handle;
  return nullptr;
}

HWND WindowFromSdlId(uint32_t id) {
  Lock lock(KernelLock());
  for (auto& w : TopLevelWindowsLocked())
    if (w->sdl && w->sdlId == id) return w->handle;
  return nullptr;
}

HWND ChildAtClientPoint(HWND top, POINT* p) {
  Lock lock(KernelLock());
  auto w = FindWindowLocked(top);
  while (w) {
    std::shared_ptr<Window> hit;
    for (HWND c : w->children) {
      auto cw = FindWindowLocked(c);
      if (cw && cw->visible && p->x >= cw->rect.left && p->x < cw->rect.right && p->y >= cw->rect.top &&
          p->y < cw->rect.bottom) {
        hit = cw;
        break;
      }
    }
    if (!hit) return w->handle;
    RECT ins = FrameInsets(hit->style, hit->exStyle);
    p->x -= hit->rect.left - ins.left;
    p->y -= hit->rect.top - ins.top;
    w = hit;
  }
  return nullptr;
}

void ActivateWindow(HWND h) {
  h = RootOf(h);
  HWND old;
  bool wasActive;
  std::vector<HWND> tops;
  {
    Lock lock(KernelLock());
    if (!h || (T().foreground == h && T().appActive)) return;
    old = T().foreground;
    wasActive = T().appActive;
    T().appActive = true;
    T().foreground = h;
    for (auto& w : TopLevelWindowsLocked()) tops.push_back(w->handle);
  }
  if (old && old != h) {
    Send(old, WM_NCACTIVATE, FALSE, 0);
    Send(old, WM_ACTIVATE, WA_INACTIVE, (LPARAM)h);
  }
  if (!wasActive)
    for (HWND t : tops) Send(t, WM_ACTIVATEAPP, TRUE, 0);
  Send(h, WM_NCACTIVATE, TRUE, 0);
  Send(h, WM_ACTIVATE, WA_ACTIVE, (LPARAM)old);
  auto focus = GetFocus();
  if (!focus || RootOf(focus) != h) SetFocus(h);
}

void DeactivateApp() {
  HWND old;
  std::vector<HWND> tops;
  {
    Lock lock(KernelLock());
    if (!T().appActive) return;
    old = T().foreground;
    T().appActive = false;
    T().foreground = nullptr;
    for (auto& w : TopLevelWindowsLocked()) tops.push_back(w->handle);
  }
  if (old) {
    Send(old, WM_NCACTIVATE, FALSE, 0);
    Send(old, WM_ACTIVATE, WA_INACTIVE, 0);
  }
  for (HWND t : tops) Send(t, WM_ACTIVATEAPP, FALSE, 0);
  SetFocus(nullptr);
}

void SystemMinimize(HWND h, bool fromSystem) {
  SDL_Window* sdl = nullptr;
  {
    Lock lock(KernelLock());
    auto w = FindWindowLocked(h);
    if (!w || w->minimized) return;
    w->restoreRect = w->rect;
    w->minimized = true;
    w->style |= WS_MINIMIZE;
    sdl = w->sdl;
  }
  if (!fromSystem && sdl) SdlMinimize(sdl, true);
  // The original parks a minimised window at (-32000, -32000) with a small caption-only size.
  ApplyPos(h, nullptr, -32000, -32000, 160, 31, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS, true);
  HWND fg = GetForegroundWindow();
  if (!fg || fg == h) DeactivateApp();
}

void SystemRestore(HWND h, bool fromSystem) {
  RECT r;
  SDL_Window* sdl = nullptr;
  {
    Lock lock(KernelLock());
    auto w = FindWindowLocked(h);
    if (!w || !w->minimized) return;
    w->minimized = false;
    w->style &= ~(DWORD)WS_MINIMIZE;
    r = w->restoreRect;
    sdl = w->sdl;
  }
  if (!fromSystem && sdl) SdlMinimize(sdl, false);
  ApplyPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE, false);
  ActivateWindow(h);
}

void SystemResizeClient(HWND h, int width, int height) {
  auto w = FindWin(h);
  if (!w || w->minimized) return;
  RECT ins = FrameInsets(w->style, w->exStyle);
  int cx = width - ins.left + ins.right, cy = height - ins.top + ins.bottom;
  ApplyPos(h, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE, true);
}

}  // namespace win32

using namespace win32;

SDL_Window* Win32GetSdlWindow(HWND window) {
  auto w = FindWin(window);
  return w ? w->sdl : nullptr;
}

HWND Win32WindowFromDC(HDC dc) {
  uintptr_t v = (uintptr_t)dc;
  if (!(v & 1)) return nullptr;
  HWND h = (HWND)(v & ~(uintptr_t)1);
  return IsWindow(h) ? h : nullptr;
}

ATOM RegisterClassA(const WNDCLASSA* c) {
  if (!c || !c->lpszClassName) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WindowClass wc;
  wc.name = c->lpszClassName;
  wc.style = c->style;
  wc.proc = c->lpfnWndProc;
  wc.clsExtra = c->cbClsExtra;
  wc.wndExtra = c->cbWndExtra;
  wc.instance = c->hInstance;
  wc.icon = c->hIcon;
  wc.cursor = c->hCursor;
  wc.background = c->hbrBackground;
  return Register(wc);
}

ATOM RegisterClassW(const WNDCLASSW* c) {
  if (!c || !c->lpszClassName) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WindowClass wc;
  wc.name = Utf16ToUtf8(c->lpszClassName);
  wc.style = c->style;
  wc.proc = c->lpfnWndProc;
  wc.clsExtra = c->cbClsExtra;
  wc.wndExtra = c->cbWndExtra;
  wc.instance = c->hInstance;
  wc.icon = c->hIcon;
  wc.cursor = c->hCursor;
  wc.background = c->hbrBackground;
  wc.unicode = true;
  return Register(wc);
}

ATOM RegisterClassExA(const WNDCLASSEXA* c) {
  if (!c || c->cbSize != sizeof(WNDCLASSEXA)) {
    Fail(ERROR_INVALID_PARAMETER);
    return 0;
  }
  WNDCLASSA a{c->style, c->lpfnWndProc, c->cbClsExtra, c->cbWndExtra, c->hInstance, c->hIcon, c->hCursor,
              c->hbrBackground, c->lpszMenuName, c->lpszClassName};
  return RegisterClassA(&a);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  Lock lock(KernelLock());
  auto c = FindClassLocked(className);
  if (!c) {
    lock.unlock();
    Fail(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  for (auto& [h, w] : T().windows)
    if (!w->destroyed && w->cls == c) {
      lock.unlock();
      Fail(ERROR_ACCESS_DENIED);  // the original refuses while windows of the class exist
      return FALSE;
    }
  T().classes.erase(Lower(c->name));
  return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  std::shared_ptr<WindowClass> cls;
  {
    Lock lock(KernelLock());
    cls = FindClassLocked(className);
  }
  if (!cls) {
    Fail(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  return CreateWindowImpl(exStyle, cls, title ? Latin1ToUtf8(title) : "", title, style, x, y, width, height, parent,
                          menu, instance, param);
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  std::string name = className && !IS_INTRESOURCE(className) ? Utf16ToUtf8(className) : "";
  std::shared_ptr<WindowClass> cls;
  {
    Lock lock(KernelLock());
    cls = FindClassLocked(IS_INTRESOURCE(className) ? (LPCSTR)className : name.c_str());
  }
  if (!cls) {
    Fail(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  std::string utf8 = title ? Utf16ToUtf8(title) : "";
  return CreateWindowImpl(exStyle, cls, utf8, utf8.c_str(), style, x, y, width, height, parent, menu, instance,
                          param);
}

BOOL DestroyWindow(HWND h) {
  std::shared_ptr<Window> w;
  std::vector<HWND> children;
  bool wasForeground, hadCapture;
  {
    Lock lock(KernelLock());
    w = FindWindowLocked(h);
    if (!w || w == T().desktop) {
      lock.unlock();
      Fail(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    wasForeground = T().foreground == h;
    hadCapture = T().capture == h;
    children = w->children;
  }
  ChannelWithdraw(h);
  if (hadCapture) ReleaseCapture();
  if (wasForeground) DeactivateApp();
  if (GetFocus() == h) SetFocus(nullptr);
  Send(h, WM_DESTROY, 0, 0);
  for (HWND c : children) DestroyWindow(c);
  Send(h, WM_NCDESTROY, 0, 0);
  {
    Lock lock(KernelLock());
    w->destroyed = true;
    Unlink(SiblingsLocked(*w), h);
    if (T().focus == h) T().focus = nullptr;
    if (gMouseWindow == h) gMouseWindow = nullptr;
    T().menus.erase((uintptr_t)MenuHandle(h));
    // Messages still queued for it would only fail to dispatch: drop them with its timers.
    if (auto q = QueueOfLocked(w->thread)) {
      std::erase_if(q->posted, [&](const MSG& m) { return m.hwnd == h; });
      std::erase_if(q->timers, [&](const Timer& t) { return t.window == h; });
      // Threads still waiting to send to it learn that it is gone.
      for (SentMessage* sent : q->sent)
        if (sent->window == h) WakeThreadLocked(sent->sender);
    }
    T().windows.erase((uintptr_t)h);
  }
  DestroySdlWindow(*w);
  return TRUE;
}

BOOL IsWindow(HWND h) { return FindWin(h) != nullptr; }

BOOL IsWindowVisible(HWND h) {
  Lock lock(KernelLock());
  auto w = FindWindowLocked(h);
  if (!w) return FALSE;
  while (w) {
    if (!w->visible) return FALSE;
    w = w->parent ? FindWindowLocked(w->parent) : nullptr;
  }
  return TRUE;
}

BOOL IsIconic(HWND h) {
  auto w = FindWin(h);
  return w && w->minimized;
}

BOOL IsChild(HWND parent, HWND h) {
  Lock lock(KernelLock());
  auto w = FindWindowLocked(h);
  while (w && w->parent) {
    if (w->parent == parent) return TRUE;
    w = FindWindowLocked(w->parent);
  }
  return FALSE;
}

BOOL EnableWindow(HWND h, BOOL enable) {
  bool wasDisabled;
  {
    Lock lock(KernelLock());
    auto w = FindWindowLockedOrFail(h);
    if (!w) return FALSE;
    wasDisabled = w->style & WS_DISABLED;
    if (enable)
      w->style &= ~(DWORD)WS_DISABLED;
    else
      w->style |= WS_DISABLED;
  }
  if (wasDisabled == !enable) return wasDisabled;
  Send(h, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND h) {
  auto w = FindWin(h);
  return w && !(w->style & WS_DISABLED);
}

HWND FindWindowA(LPCSTR className, LPCSTR title) {
  {
    Lock lock(KernelLock());
    auto cls = className ? FindClassLocked(className) : nullptr;
    std::string want = title ? Latin1ToUtf8(title) : "";
    if (!className || cls) {
      for (auto& w : TopLevelWindowsLocked()) {
        if (cls && w->cls != cls) continue;
        if (title && w->title != want) continue;
        return w->handle;
      }
    }
  }
  // Another process's window of the class (a first instance), by the per-user channel.
  return className && !title ? ChannelFind(className) : nullptr;
}

HWND GetParent(HWND h) {
  auto w = FindWin(h);
  if (!w) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (w->parent) return w->parent;
  return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND GetDesktopWindow() {
  Lock lock(KernelLock());
  if (!T().desktop) {
    auto d = std::make_shared<Window>();
    d->handle = (HWND)T().nextWindow;
    T().nextWindow += 2;
    d->visible = true;
    d->cls = std::make_shared<WindowClass>();
    d->cls->name = "#32769";
    d->proc = DefWindowProcA;
    int w = 1024, hgt = 768;
    lock.unlock();
    SdlScreenSize(&w, &hgt);
    lock.lock();
    d->rect = RECT{0, 0, w, hgt};
    T().windows[(uintptr_t)d->handle] = d;
    T().desktop = d;
  }
  return T().desktop->handle;
}

HWND GetAncestor(HWND h, UINT flags) {
  auto w = FindWin(h);
  if (!w) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  switch (flags) {
    case GA_PARENT: return w->parent ? w->parent : GetDesktopWindow();
    case GA_ROOT: return RootOf(h);
    case GA_ROOTOWNER: {
      HWND r = RootOf(h);
      for (auto x = FindWin(r); x && x->owner && IsWindow(x->owner); x = FindWin(x->owner)) r = x->owner;
      return r;
    }
    default: Fail(ERROR_INVALID_PARAMETER); return nullptr;
  }
}

HWND GetWindow(HWND h, UINT command) {
  Lock lock(KernelLock());
  auto w = FindWindowLockedOrFail(h);
  if (!w) return nullptr;
  auto& list = command == GW_CHILD ? w->children : SiblingsLocked(*w);
  auto it = std::find(list.begin(), list.end(), h);
  switch (command) {
    case GW_HWNDFIRST: return list.empty() ? nullptr : list.front();
    case GW_HWNDLAST: return list.empty() ? nullptr : list.back();
    case GW_HWNDNEXT: return it == list.end() || it + 1 == list.end() ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == list.end() || it == list.begin() ? nullptr : *(it - 1);
    case GW_OWNER: return w->owner;
    case GW_CHILD: return list.empty() ? nullptr : list.front();
    default: return nullptr;
  }
}

LONG_PTR GetWindowLongPtrA(HWND h, int index) {
  Lock lock(KernelLock());
  auto w = FindWindowLockedOrFail(h);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE: return (LONG_PTR)(LONG)w->style;
    case GWL_EXSTYLE: return (LONG_PTR)(LONG)w->exStyle;
    case GWLP_WNDPROC: return (LONG_PTR)w->proc;
    case GWLP_USERDATA: return w->userData;
    case GWLP_ID: return w->id;
    case GWLP_HINSTANCE: return (LONG_PTR)w->instance;
    case GWLP_HWNDPARENT: return (LONG_PTR)(w->parent ? w->parent : w->owner);
  }
  // Each index of the extra bytes holds a pointer-sized value of its own.
  if (index < 0 || index >= w->cls->wndExtra) {
    lock.unlock();
    Fail(ERROR_INVALID_INDEX);
    return 0;
  }
  auto it = w->extra.find(index);
  return it == w->extra.end() ? 0 : it->second;
}

LONG_PTR SetWindowLongPtrA(HWND h, int index, LONG_PTR value) {
  LONG_PTR old;
  DWORD newStyle = 0;
  bool styleChanged = false;
  {
    Lock lock(KernelLock());
    auto w = FindWindowLockedOrFail(h);
    if (!w) return 0;
    switch (index) {
      case GWL_STYLE:
        old = (LONG)w->style;
        w->style = (DWORD)value;
        styleChanged = w->sdl != nullptr;
        newStyle = w->style;
        break;
      case GWL_EXSTYLE: old = (LONG)w->exStyle; w->exStyle = (DWORD)value; break;
      case GWLP_WNDPROC: old = (LONG_PTR)w->proc; w->proc = (WNDPROC)value; break;
      case GWLP_USERDATA: old = w->userData; w->userData = value; break;
      case GWLP_ID: old = w->id; w->id = value; break;
      case GWLP_HINSTANCE: old = (LONG_PTR)w->instance; w->instance = (HINSTANCE)value; break;
      default:
        if (index < 0 || index >= w->cls->wndExtra) {
          lock.unlock();
          Fail(ERROR_INVALID_INDEX);
          return 0;
        }
        old = w->extra[index];
        w->extra[index] = value;
    }
  }
  (void)newStyle;
  if (styleChanged) {
    if (auto w = FindWin(h)) SyncSdlWindow(*w);
  }
  SetLastError(ERROR_SUCCESS);
  return old;
}

LONG GetWindowLongA(HWND h, int index) { return (LONG)GetWindowLongPtrA(h, index); }
LONG SetWindowLongA(HWND h, int index, LONG value) { return (LONG)SetWindowLongPtrA(h, index, value); }

static ULONG_PTR ClassLong(HWND h, int index, bool set, LONG_PTR value) {
  Lock lock(KernelLock());
  auto w = FindWindowLockedOrFail(h);
  if (!w) return 0;
  auto& c = *w->cls;
  ULONG_PTR old;
  switch (index) {
    case GCL_HCURSOR: old = (ULONG_PTR)c.cursor; if (set) c.cursor = (HCURSOR)value; break;
    case GCL_HICON: old = (ULONG_PTR)c.icon; if (set) c.icon = (HICON)value; break;
    case GCL_HBRBACKGROUND: old = (ULONG_PTR)c.background; if (set) c.background = (HBRUSH)value; break;
    case GCL_STYLE: old = c.style; if (set) c.style = (UINT)value; break;
    case GCL_WNDPROC: old = (ULONG_PTR)c.proc; if (set) c.proc = (WNDPROC)value; break;
    case GCL_CBWNDEXTRA: old = (ULONG_PTR)c.wndExtra; break;
    default:
      if (index < 0 || index >= c.clsExtra) {
        lock.unlock();
        Fail(ERROR_INVALID_INDEX);
        return 0;
      }
      old = (ULONG_PTR)c.extra[index];
      if (set) c.extra[index] = value;
  }
  return old;
}
DWORD GetClassLongA(HWND h, int index) { return (DWORD)ClassLong(h, index, false, 0); }
DWORD SetClassLongA(HWND h, int index, LONG value) { return (DWORD)ClassLong(h, index, true, value); }
ULONG_PTR SetClassLongPtrA(HWND h, int index, LONG_PTR value) { return ClassLong(h, index, true, value); }

static BOOL SetTitle(HWND h, const std::string& utf8) {
  std::shared_ptr<Window> w;
  {
    Lock lock(KernelLock());
    w = FindWindowLocked(h);
    if (w) w->title = utf8;
  }
  if (!w) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->sdl) SyncSdlWindow(*w);
  return TRUE;
}
BOOL SetWindowTextA(HWND h, LPCSTR text) { return SetTitle(h, text ? Latin1ToUtf8(text) : ""); }
BOOL SetWindowTextW(HWND h, LPCWSTR text) { return SetTitle(h, text ? Utf16ToUtf8(text) : ""); }

int GetWindowTextA(HWND h, LPSTR buffer, int size) {
  auto w = FindWin(h);
  if (!w || !buffer || size <= 0) {
    if (!w) Fail(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  std::u16string wide = Utf8ToUtf16(w->title);
  if ((int)wide.size() > size - 1) wide.resize((size_t)(size - 1));  // truncated, as on the original
  int n = wide.empty() ? 0 : WideCharToMultiByte(CP_ACP, 0, wide.c_str(), (int)wide.size(), buffer, size - 1, nullptr, nullptr);
  buffer[n] = 0;
  return n;
}

BOOL ShowWindow(HWND h, int command) {
  if (ChannelIsProxy(h)) return ChannelRequest(h, "show", command);
  bool wasVisible, minimized, topLevel;
  {
    Lock lock(KernelLock());
    auto w = FindWindowLockedOrFail(h);
    if (!w) return FALSE;
    wasVisible = w->visible;
    minimized = w->minimized;
    topLevel = !w->parent;
  }
  switch (command) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      Send(h, WM_SHOWWINDOW, FALSE, 0);
      ApplyPos(h, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE,
               false);
      if (GetForegroundWindow() == h) DeactivateApp();
      return wasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      if (!wasVisible) {
        Send(h, WM_SHOWWINDOW, TRUE, 0);
        ApplyPos(h, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE,
                 false);
      }
      SystemMinimize(h, false);
      return wasVisible;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
    case SW_MAXIMIZE:
    case SW_SHOW:
    case SW_SHOWNA:
    case SW_SHOWNOACTIVATE:
    default:
      if (!wasVisible) {
        Send(h, WM_SHOWWINDOW, TRUE, 0);
        ApplyPos(h, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE,
                 false);
      }
      if (minimized && command != SW_SHOW && command != SW_SHOWNA) SystemRestore(h, false);
      if (topLevel && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE) ActivateWindow(h);
      return wasVisible;
  }
}

BOOL UpdateWindow(HWND h) {
  auto w = FindWin(h);
  if (!w) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->invalid && w->visible) Send(h, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL SetWindowPos(HWND h, HWND after, int x, int y, int width, int height, UINT flags) {
  bool topLevel;
  {
    auto w = FindWin(h);
    if (!w) {
      Fail(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    topLevel = !w->parent;
  }
  if (!(flags & SWP_NOZORDER) && after != HWND_TOP && after != HWND_BOTTOM && after != HWND_TOPMOST &&
      after != HWND_NOTOPMOST && !IsWindow(after)) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  bool showing = (flags & SWP_SHOWWINDOW) && !IsWindowVisible(h);
  if (showing) Send(h, WM_SHOWWINDOW, TRUE, 0);
  ApplyPos(h, after, x, y, width, height, flags, false);
  if (topLevel && !(flags & SWP_NOACTIVATE) && IsWindowVisible(h)) ActivateWindow(h);
  return TRUE;
}

BOOL MoveWindow(HWND h, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(h, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL GetClientRect(HWND h, LPRECT rect) {
  Lock lock(KernelLock());
  auto w = FindWindowLocked(h);
  if (!w || !rect) {
    lock.unlock();
    Fail(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  RECT c = ClientRectOnScreenLocked(*w);
  *rect = RECT{0, 0, w->minimized ? 0 : c.right - c.left, w->minimized ? 0 : c.bottom - c.top};
  return TRUE;
}

BOOL GetWindowRect(HWND h, LPRECT rect) {
  Lock lock(KernelLock());
  auto w = FindWindowLocked(h);
  if (!w || !rect) {
    lock.unlock();
    Fail(w ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  *rect = w->rect;
  if (w->parent) {
    if (auto p = FindWindowLocked(w->parent)) {
      RECT pc = ClientRectOnScreenLocked(*p);
      rect->left += pc.left, rect->right += pc.left, rect->top += pc.top, rect->bottom += pc.top;
    }
  }
  return TRUE;
}

// Moves a point by the window's client origin on the screen, forward (+1) or back (-1).
static BOOL OffsetByClientOrigin(HWND h, LPPOINT point, int sign) {
  Lock lock(KernelLock());
  auto w = FindWindowLocked(h);
  if (!w || !point) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  RECT c = ClientRectOnScreenLocked(*w);
  point->x += sign * c.left;
  point->y += sign * c.top;
  return TRUE;
}

BOOL ClientToScreen(HWND h, LPPOINT point) { return OffsetByClientOrigin(h, point, 1); }
BOOL ScreenToClient(HWND h, LPPOINT point) { return OffsetByClientOrigin(h, point, -1); }

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (!rect) {
    Fail(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  RECT ins = FrameInsets(style, exStyle);
  rect->left += ins.left;
  rect->top += ins.top;
  rect->right += ins.right;
  rect->bottom += ins.bottom;
  if (menu && !(style & WS_CHILD)) rect->top -= Metric(SM_CYMENU);
  return TRUE;
}
BOOL AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }

BOOL InvalidateRect(HWND h, const RECT*, BOOL) {
  Lock lock(KernelLock());
  if (!h) {
    for (auto& [k, w] : T().windows)
      if (!w->destroyed) w->invalid = true;
    WakeAllLocked();
  } else {
    auto w = FindWindowLockedOrFail(h);
    if (!w) return FALSE;
    w->invalid = true;
    WakeThreadLocked(w->thread);
  }
  return TRUE;
}

BOOL ValidateRect(HWND h, const RECT*) {
  Lock lock(KernelLock());
  auto w = FindWindowLockedOrFail(h);
  if (!w) return FALSE;
  w->invalid = false;
  return TRUE;
}

HDC BeginPaint(HWND h, PAINTSTRUCT* paint) {
  if (!paint || !ValidateRect(h, nullptr)) return nullptr;
  memset(paint, 0, sizeof *paint);
  GetClientRect(h, &paint->rcPaint);
  paint->hdc = GetDC(h);
  return paint->hdc;
}
BOOL EndPaint(HWND h, const PAINTSTRUCT*) { return IsWindow(h); }

HDC GetDC(HWND h) {
  if (!h) return (HDC)(uintptr_t)2;  // the screen's
  if (!IsWindow(h)) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return (HDC)((uintptr_t)h | 1);
}
int ReleaseDC(HWND, HDC dc) { return dc ? 1 : 0; }

BOOL SetForegroundWindow(HWND h) {
  if (ChannelIsProxy(h)) return ChannelRequest(h, "foreground", 0);
  if (!IsWindow(h)) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  ActivateWindow(h);
  return TRUE;
}

HWND GetForegroundWindow() {
  Lock lock(KernelLock());
  return FindWindowLocked(T().foreground) ? T().foreground : nullptr;
}

HWND SetActiveWindow(HWND h) {
  HWND old = GetForegroundWindow();
  if (!IsWindow(h)) {
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  ActivateWindow(h);
  return old;
}
HWND GetActiveWindow() { return GetForegroundWindow(); }

HWND SetFocus(HWND h) {
  HWND old;
  {
    Lock lock(KernelLock());
    if (h && !FindWindowLocked(h)) {
      lock.unlock();
      Fail(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    old = FindWindowLocked(T().focus) ? T().focus : nullptr;
    if (old == h) return old;
    T().focus = h;
  }
  if (old) Send(old, WM_KILLFOCUS, (WPARAM)h, 0);
  if (h) Send(h, WM_SETFOCUS, (WPARAM)old, 0);
  return old;
}

HWND GetFocus() {
  Lock lock(KernelLock());
  return FindWindowLocked(T().focus) ? T().focus : nullptr;
}

HWND SetCapture(HWND h) {
  HWND old;
  {
    Lock lock(KernelLock());
    if (!FindWindowLocked(h)) {
      lock.unlock();
      Fail(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    old = FindWindowLocked(T().capture) ? T().capture : nullptr;
    T().capture = h;
  }
  if (old && old != h) Send(old, WM_CAPTURECHANGED, 0, (LPARAM)h);
  SdlCaptureMouse(true);
  return old;
}

BOOL ReleaseCapture() {
  HWND old;
  {
    Lock lock(KernelLock());
    old = FindWindowLocked(T().capture) ? T().capture : nullptr;
    T().capture = nullptr;
  }
  SdlCaptureMouse(false);
  if (old) Send(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  Lock lock(KernelLock());
  return FindWindowLocked(T().capture) ? T().capture : nullptr;
}

short GetKeyState(int vk) {
  Lock lock(KernelLock());
  BYTE k = gKeys[vk & 0xFF];
  return (short)(((k & 0x80) ? 0x8000 : 0) | (k & 1));
}
short GetAsyncKeyState(int vk) { return (short)(GetKeyState(vk) & 0x8000); }

HCURSOR LoadCursorA(HINSTANCE, LPCSTR name) {
  return (HCURSOR)(uintptr_t)(0x1000000 | (IS_INTRESOURCE(name) ? (uintptr_t)name : 1));
}
HICON LoadIconA(HINSTANCE, LPCSTR name) {
  return (HICON)(uintptr_t)(0x2000000 | (IS_INTRESOURCE(name) ? (uintptr_t)name : 1));
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
  return LoadCursorA(instance, IS_INTRESOURCE(name) ? (LPCSTR)name : "");
}
HICON LoadIconW(HINSTANCE instance, LPCWSTR name) { return LoadIconA(instance, IS_INTRESOURCE(name) ? (LPCSTR)name : ""); }

int GetDeviceCaps(HDC dc, int index) {
  int w = 1024, h = 768, colours = -1, bits = 32;
  if (!TestScreenMetrics(&w, &h, &colours, &bits)) SdlScreenSize(&w, &h);
  switch (index) {
    case HORZRES: return w;
    case VERTRES: return h;
    case BITSPIXEL: return bits;
    case PLANES: return 1;
    case NUMCOLORS: return colours;  // -1: more than a palette's worth (any true-colour display)
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case VREFRESH: return 60;
    default: return 0;
  }
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old;
  {
    Lock lock(KernelLock());
    old = T().cursor;
    T().cursor = cursor;
  }
  if (old != cursor) SdlShowCursorImage(cursor);
  return old;
}
HCURSOR GetCursor() {
  Lock lock(KernelLock());
  return T().cursor;
}
int ShowCursor(BOOL show) {
  static int count = 0;  // the display count, main thread only
  count += show ? 1 : -1;
  SdlSetCursorVisible(count >= 0);
  return count;
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) {
    Fail(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Lock lock(KernelLock());
  *point = gCursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  HWND target = nullptr;
  POINT client{};
  {
    Lock lock(KernelLock());
    gCursor = POINT{x, y};
    for (auto& w : TopLevelWindowsLocked()) {
      if (!w->sdl || !w->visible || w->minimized) continue;
      RECT c = ClientRectOnScreenLocked(*w);
      if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
        target = w->handle;
        client = POINT{x - c.left, y - c.top};
        break;
      }
    }
  }
  if (target) SdlWarpCursor(target, client.x, client.y);
  return TRUE;
}

HMENU GetSystemMenu(HWND h, BOOL revert) {
  Lock lock(KernelLock());
  if (!FindWindowLocked(h)) {
    lock.unlock();
    Fail(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HMENU m = MenuHandle(h);
  if (revert || !T().menus.count((uintptr_t)m)) {
    auto& menu = T().menus[(uintptr_t)m];
    menu.items = {{SC_RESTORE, MF_GRAYED}, {SC_MOVE, 0}, {SC_SIZE, 0}, {SC_MINIMIZE, 0}, {SC_MAXIMIZE, 0},
                  {0, 0},  // separator
                  {SC_CLOSE, 0}};
  }
  return revert ? nullptr : m;
}

static BOOL DropMenuItem(HMENU menu, UINT item, UINT flags) {
  Lock lock(KernelLock());
  auto* m = FindMenuLocked(menu);
  auto* i = MenuItemLocked(menu, item, flags & MF_BYPOSITION);
  if (!m || !i) {
    lock.unlock();
    Fail(m ? ERROR_INVALID_PARAMETER : ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  m->items.erase(m->items.begin() + (i - m->items.data()));
  return TRUE;
}
BOOL RemoveMenu(HMENU menu, UINT item, UINT flags) { return DropMenuItem(menu, item, flags); }
BOOL DeleteMenu(HMENU menu, UINT item, UINT flags) { return DropMenuItem(menu, item, flags); }

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  Lock lock(KernelLock());
  auto* i = MenuItemLocked(menu, item, flags & MF_BYPOSITION);
  if (!i) return -1;
  UINT old = i->second & (MF_GRAYED | MF_DISABLED);
  i->second = (i->second & ~(UINT)(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return (BOOL)old;
}

BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOA* info) {
  Lock lock(KernelLock());
  auto* i = MenuItemLocked(menu, item, byPosition);
  if (!i || !info) {
    lock.unlock();
    Fail(FindMenuLocked(menu) ? ERROR_INVALID_PARAMETER : ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  if (info->fMask & MIIM_STATE) i->second = info->fState;
  if (info->fMask & MIIM_ID) i->first = info->wID;
  return TRUE;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  Lock lock(KernelLock());
  auto* i = MenuItemLocked(menu, item, flags & MF_BYPOSITION);
  return i ? i->second : (UINT)-1;
}

int GetSystemMetrics(int index) {
  int w = 1024, h = 768;
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXFULLSCREEN:
    case SM_CXVIRTUALSCREEN: SdlScreenSize(&w, &h); return w;
    case SM_CYSCREEN:
    case SM_CYFULLSCREEN:
    case SM_CYVIRTUALSCREEN: SdlScreenSize(&w, &h); return h;
    default: return Metric(index);
  }
}

BOOL SystemParametersInfoA(UINT action, UINT, LPVOID data, UINT) {
  if (action == SPI_GETWORKAREA && data) {
    int w = 1024, h = 768;
    SdlScreenSize(&w, &h);
    *(RECT*)data = RECT{0, 0, w, h};
    return TRUE;
  }
  Fail(ERROR_INVALID_PARAMETER);
  return FALSE;
}

LRESULT DefWindowProcA(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(h); return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: Send(h, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(h, SW_MINIMIZE); break;
        case SC_RESTORE: ShowWindow(h, SW_RESTORE); break;
        case SC_MAXIMIZE: ShowWindow(h, SW_MAXIMIZE); break;
      }
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F1 + 3 && (lParam & (1 << 29))) PostMessageA(RootOf(h), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(h, &ps);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_NCACTIVATE: return TRUE;
    case WM_NCHITTEST: return HitTest(h, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_MOUSEACTIVATE: {
      HWND parent = GetParent(h);
      if (parent && (GetWindowLongA(h, GWL_STYLE) & WS_CHILD)) {
        LRESULT r = Send(parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (r) return r;
      }
      return MA_ACTIVATE;
    }
    case WM_MOUSEWHEEL: {
      auto w = FindWin(h);
      if (w && w->parent) return Send(w->parent, message, wParam, lParam);
      return 0;
    }
    case WM_SETCURSOR: {
      auto w = FindWin(h);
      if (!w) return FALSE;
      if (w->parent && Send(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      if (LOWORD(lParam) == HTCLIENT) {
        if (w->cls->cursor) SetCursor(w->cls->cursor);
        return TRUE;
      }
      SetCursor(LoadCursorA(nullptr, IDC_ARROW));
      return FALSE;
    }
    case WM_WINDOWPOSCHANGED: {
      auto* wp = (const WINDOWPOS*)lParam;
      auto w = FindWin(h);
      if (!wp || !w) return 0;
      RECT client;
      GetClientRect(h, &client);
      if (!(wp->flags & SWP_NOMOVE)) {
        POINT origin{0, 0};
        if (w->parent) {
          RECT ins = FrameInsets(w->style, w->exStyle);
          origin = POINT{w->rect.left - ins.left, w->rect.top - ins.top};
        } else {
          ClientToScreen(h, &origin);
        }
        Send(h, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
      }
      if (!(wp->flags & SWP_NOSIZE)) {
        WPARAM kind = w->minimized ? SIZE_MINIMIZED : w->maximized ? SIZE_MAXIMIZED : SIZE_RESTORED;
        Send(h, WM_SIZE, kind, MAKELPARAM(client.right, client.bottom));
      }
      return 0;
    }
    default: return 0;
  }
}

LRESULT DefWindowProcW(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(h, message, wParam, lParam);
}

LRESULT CallWindowProcA(WNDPROC proc, HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(h, message, wParam, lParam) : 0;
}
