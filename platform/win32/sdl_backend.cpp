// The SDL2 backend: SDL windows behind top-level windows, and SDL events turned into the Win32
// messages the framework expects (keys with virtual-key codes and the extended bit, characters
// as UTF-16 units, mouse, wheel, activation, minimise and restore, close, paint, display
// change). Also the TestControl injections, which push SDL events so they take the same path.
#include <SDL.h>
#include <dirent.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/test_control.h"
#include "platform/win32/sdl_window.h"
#include "platform/win32/user_internal.h"

namespace win32 {

namespace {

std::once_flag gSdlOnce;
std::atomic<bool> gSdlReady{false};
std::atomic<DWORD> gSdlThread{0};
Uint32 gDisplayEvent = 0;  // our own event type for an injected display change

struct KeyEntry {
  SDL_Scancode scancode;
  UINT vk;
  bool extended;
  BYTE scan;  // the PC keyboard's scan code, bits 16-23 of lParam
};

const KeyEntry kKeys[] = {
    {SDL_SCANCODE_A, 'A', false, 0x1E}, {SDL_SCANCODE_B, 'B', false, 0x30}, {SDL_SCANCODE_C, 'C', false, 0x2E},
    {SDL_SCANCODE_D, 'D', false, 0x20}, {SDL_SCANCODE_E, 'E', false, 0x12}, {SDL_SCANCODE_F, 'F', false, 0x21},
    {SDL_SCANCODE_G, 'G', false, 0x22}, {SDL_SCANCODE_H, 'H', false, 0x23}, {SDL_SCANCODE_I, 'I', false, 0x17},
    {SDL_SCANCODE_J, 'J', false, 0x24}, {SDL_SCANCODE_K, 'K', false, 0x25}, {SDL_SCANCODE_L, 'L', false, 0x26},
    {SDL_SCANCODE_M, 'M', false, 0x32}, {SDL_SCANCODE_N, 'N', false, 0x31}, {SDL_SCANCODE_O, 'O', false, 0x18},
    {SDL_SCANCODE_P, 'P', false, 0x19}, {SDL_SCANCODE_Q, 'Q', false, 0x10}, {SDL_SCANCODE_R, 'R', false, 0x13},
    {SDL_SCANCODE_S, 'S', false, 0x1F}, {SDL_SCANCODE_T, 'T', false, 0x14}, {SDL_SCANCODE_U, 'U', false, 0x16},
    {SDL_SCANCODE_V, 'V', false, 0x2F}, {SDL_SCANCODE_W, 'W', false, 0x11}, {SDL_SCANCODE_X, 'X', false, 0x2D},
    {SDL_SCANCODE_Y, 'Y', false, 0x15}, {SDL_SCANCODE_Z, 'Z', false, 0x2C},
    {SDL_SCANCODE_1, '1', false, 0x02}, {SDL_SCANCODE_2, '2', false, 0x03}, {SDL_SCANCODE_3, '3', false, 0x04},
    {SDL_SCANCODE_4, '4', false, 0x05}, {SDL_SCANCODE_5, '5', false, 0x06}, {SDL_SCANCODE_6, '6', false, 0x07},
    {SDL_SCANCODE_7, '7', false, 0x08}, {SDL_SCANCODE_8, '8', false, 0x09}, {SDL_SCANCODE_9, '9', false, 0x0A},
    {SDL_SCANCODE_0, '0', false, 0x0B},
    {SDL_SCANCODE_RETURN, VK_RETURN, false, 0x1C}, {SDL_SCANCODE_ESCAPE, VK_ESCAPE, false, 0x01},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, false, 0x0E}, {SDL_SCANCODE_TAB, VK_TAB, false, 0x0F},
    {SDL_SCANCODE_SPACE, VK_SPACE, false, 0x39}, {SDL_SCANCODE_MINUS, VK_OEM_MINUS, false, 0x0C},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, false, 0x0D}, {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, false, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, false, 0x1B}, {SDL_SCANCODE_BACKSLASH, VK_OEM_5, false, 0x2B},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1, false, 0x27}, {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, false, 0x28},
    {SDL_SCANCODE_GRAVE, VK_OEM_3, false, 0x29}, {SDL_SCANCODE_COMMA, VK_OEM_COMMA, false, 0x33},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, false, 0x34}, {SDL_SCANCODE_SLASH, VK_OEM_2, false, 0x35},
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, false, 0x3A},
    {SDL_SCANCODE_F1, VK_F1, false, 0x3B}, {SDL_SCANCODE_F2, VK_F1 + 1, false, 0x3C},
    {SDL_SCANCODE_F3, VK_F1 + 2, false, 0x3D}, {SDL_SCANCODE_F4, VK_F1 + 3, false, 0x3E},
    {SDL_SCANCODE_F5, VK_F1 + 4, false, 0x3F}, {SDL_SCANCODE_F6, VK_F1 + 5, false, 0x40},
    {SDL_SCANCODE_F7, VK_F1 + 6, false, 0x41}, {SDL_SCANCODE_F8, VK_F1 + 7, false, 0x42},
    {SDL_SCANCODE_F9, VK_F1 + 8, false, 0x43}, {SDL_SCANCODE_F10, VK_F1 + 9, false, 0x44},
    {SDL_SCANCODE_F11, VK_F1 + 10, false, 0x57}, {SDL_SCANCODE_F12, VK_F12, false, 0x58},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, true, 0x37}, {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, false, 0x46},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, false, 0x45},
    // The editing block and the arrows are the extended twins of the numeric pad's keys.
    {SDL_SCANCODE_INSERT, VK_INSERT, true, 0x52}, {SDL_SCANCODE_HOME, VK_HOME, true, 0x47},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR, true, 0x49}, {SDL_SCANCODE_DELETE, VK_DELETE, true, 0x53},
    {SDL_SCANCODE_END, VK_END, true, 0x4F}, {SDL_SCANCODE_PAGEDOWN, VK_NEXT, true, 0x51},
    {SDL_SCANCODE_RIGHT, VK_RIGHT, true, 0x4D}, {SDL_SCANCODE_LEFT, VK_LEFT, true, 0x4B},
    {SDL_SCANCODE_DOWN, VK_DOWN, true, 0x50}, {SDL_SCANCODE_UP, VK_UP, true, 0x48},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, true, 0x45},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, true, 0x35}, {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, false, 0x37},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, false, 0x4A}, {SDL_SCANCODE_KP_PLUS, VK_ADD, false, 0x4E},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, true, 0x1C}, {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, false, 0x53},
    {SDL_SCANCODE_KP_0, VK_NUMPAD0, false, 0x52}, {SDL_SCANCODE_KP_1, VK_NUMPAD0 + 1, false, 0x4F},
    {SDL_SCANCODE_KP_2, VK_NUMPAD0 + 2, false, 0x50}, {SDL_SCANCODE_KP_3, VK_NUMPAD0 + 3, false, 0x51},
    {SDL_SCANCODE_KP_4, VK_NUMPAD0 + 4, false, 0x4B}, {SDL_SCANCODE_KP_5, VK_NUMPAD0 + 5, false, 0x4C},
    {SDL_SCANCODE_KP_6, VK_NUMPAD0 + 6, false, 0x4D}, {SDL_SCANCODE_KP_7, VK_NUMPAD0 + 7, false, 0x47},
    {SDL_SCANCODE_KP_8, VK_NUMPAD0 + 8, false, 0x48}, {SDL_SCANCODE_KP_9, VK_NUMPAD0 + 9, false, 0x49},
    {SDL_SCANCODE_LCTRL, VK_CONTROL, false, 0x1D}, {SDL_SCANCODE_RCTRL, VK_CONTROL, true, 0x1D},
    {SDL_SCANCODE_LSHIFT, VK_SHIFT, false, 0x2A}, {SDL_SCANCODE_RSHIFT, VK_SHIFT, false, 0x36},
    {SDL_SCANCODE_LALT, VK_MENU, false, 0x38}, {SDL_SCANCODE_RALT, VK_MENU, true, 0x38},
    {SDL_SCANCODE_LGUI, VK_LWIN, true, 0x5B}, {SDL_SCANCODE_RGUI, VK_RWIN, true, 0x5C},
    {SDL_SCANCODE_APPLICATION, VK_APPS, true, 0x5D},
};

const KeyEntry* ByScancode(SDL_Scancode sc) {
  for (auto& k : kKeys)
    if (k.scancode == sc) return &k;
  return nullptr;
}

const KeyEntry* ByVirtualKey(UINT vk, bool extended) {
  const KeyEntry* any = nullptr;
  for (auto& k : kKeys) {
    if (k.vk != vk) continue;
    if (k.extended == extended) return &k;
    if (!any) any = &k;
  }
  return any;
}

// The left or right key of a modifier pair, as GetKeyState also reports them.
UINT SidedKey(const KeyEntry& k) {
  switch (k.scancode) {
    case SDL_SCANCODE_LSHIFT: return VK_LSHIFT;
    case SDL_SCANCODE_RSHIFT: return VK_RSHIFT;
    case SDL_SCANCODE_LCTRL: return VK_LCONTROL;
    case SDL_SCANCODE_RCTRL: return VK_RCONTROL;
    case SDL_SCANCODE_LALT: return VK_LMENU;
    case SDL_SCANCODE_RALT: return VK_RMENU;
    default: return 0;
  }
}

RECT ClientOnScreen(HWND h) {
  Lock lock(KernelLock());
  auto w = FindWindowLocked(h);
  return w ? ClientRectOnScreenLocked(*w) : RECT{};
}

// The window keyboard input goes to: the focus when it lies inside `top`, else `top`.
HWND KeyTarget(HWND top) {
  HWND focus = GetFocus();
  return focus && RootOf(focus) == top ? focus : top;
}

void SetKeyLocked(UINT vk, bool down) {
  if (down && !(gKeys[vk] & 0x80)) gKeys[vk] ^= 1;  // the toggle bit flips on each press
  gKeys[vk] = (BYTE)((gKeys[vk] & 1) | (down ? 0x80 : 0));
}

void KeyEvent(HWND top, const KeyEntry& k, bool down, bool repeat) {
  bool wasDown, alt;
  {
    Lock lock(KernelLock());
    wasDown = gKeys[k.vk] & 0x80;
    SetKeyLocked(k.vk, down);
    if (UINT sided = SidedKey(k)) SetKeyLocked(sided, down);
    alt = gKeys[VK_MENU] & 0x80;
  }
  bool sys = alt || k.vk == VK_F1 + 9 || k.vk == VK_MENU;
  LPARAM lParam = 1 | ((LPARAM)k.scan << 16) | (k.extended ? KEY_EXTENDED_BIT : 0) | (alt ? (1 << 29) : 0);
  if (!down)
    lParam |= (LPARAM)(DWORD)((1u << 30) | (1u << 31));
  else if (repeat || wasDown)
    lParam |= 1 << 30;
  UINT message = down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  PostToQueue(KeyTarget(top), message, k.vk, lParam);
}

void TextEvent(HWND top, const char* utf8) {
  bool altOnly;
  {
    Lock lock(KernelLock());
    altOnly = (gKeys[VK_MENU] & 0x80) && !(gKeys[VK_CONTROL] & 0x80);
  }
  HWND target = KeyTarget(top);
  for (char16_t unit : Utf8ToUtf16(utf8)) PostToQueue(target, altOnly ? WM_SYSCHAR : WM_CHAR, unit, 1);
}

void SetButtonLocked(int button, bool down) {
  static const UINT kVk[] = {0, VK_LBUTTON, VK_MBUTTON, VK_RBUTTON, 5, 6};
  if (button >= 1 && button <= 5) SetKeyLocked(kVk[button], down);
}

// Where a mouse event at a client point of `top` lands: the capture, else the deepest child.
HWND MouseTarget(HWND top, int x, int y, POINT* screen, POINT* client) {
  RECT c = ClientOnScreen(top);
  *screen = POINT{c.left + x, c.top + y};
  if (HWND capture = GetCapture()) {
    *client = *screen;
    ScreenToClient(capture, client);
    return capture;
  }
  *client = POINT{x, y};
  return ChildAtClientPoint(top, client);
}

void MouseMotion(HWND top, int x, int y) {
  POINT screen, client;
  HWND target = MouseTarget(top, x, y, &screen, &client);
  if (!target) return;
  MouseMovedTo(target, screen);
  if (!GetCapture()) {
    LRESULT hit = Send(target, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
    Send(target, WM_SETCURSOR, (WPARAM)target, MAKELPARAM(hit, WM_MOUSEMOVE));
  }
  WPARAM keys;
  {
    Lock lock(KernelLock());
    keys = MouseKeyFlagsLocked();
  }
  PostToQueue(target, WM_MOUSEMOVE, keys, MAKELPARAM(client.x, client.y), true);
}

void MouseButton(HWND top, int button, bool down, int x, int y) {
  POINT screen, client;
  HWND target = MouseTarget(top, x, y, &screen, &client);
  if (!target) return;
  MouseMovedTo(target, screen);
  static const UINT kDown[] = {0, WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN, WM_XBUTTONDOWN, WM_XBUTTONDOWN};
  if (button < 1 || button > 5) return;
  UINT message = kDown[button] + (down ? 0 : 1);
  if (down && !GetCapture() && GetForegroundWindow() != top) {
    Send(target, WM_MOUSEACTIVATE, (WPARAM)top, MAKELPARAM(HTCLIENT, message));
    ActivateWindow(top);
  }
  WPARAM keys;
  {
    Lock lock(KernelLock());
    SetButtonLocked(button, down);
    keys = MouseKeyFlagsLocked();
  }
  if (button >= 4) keys |= (WPARAM)MAKEWPARAM(0, button == 4 ? XBUTTON1 : XBUTTON2);
  PostToQueue(target, message, keys, MAKELPARAM(client.x, client.y));
}

void MouseWheel(HWND top, int notches) {
  if (!notches) return;
  WPARAM keys;
  POINT cursor;
  {
    Lock lock(KernelLock());
    keys = MouseKeyFlagsLocked();
    cursor = gCursor;
  }
  PostToQueue(KeyTarget(top), WM_MOUSEWHEEL, MAKEWPARAM(keys, notches * WHEEL_DELTA), MAKELPARAM(cursor.x, cursor.y));
}

void DisplayChange(int width, int height) {
  std::vector<HWND> tops;
  {
    Lock lock(KernelLock());
    for (auto& w : TopLevelWindowsLocked()) tops.push_back(w->handle);
  }
  for (HWND t : tops) Send(t, WM_DISPLAYCHANGE, 32, MAKELPARAM(width, height));
}

void WindowEvent(HWND h, const SDL_WindowEvent& e) {
  switch (e.event) {
    case SDL_WINDOWEVENT_EXPOSED: InvalidateRect(h, nullptr, FALSE); break;
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
      RECT client;
      GetClientRect(h, &client);
      if (!IsIconic(h) && (client.right != e.data1 || client.bottom != e.data2)) SystemResizeClient(h, e.data1, e.data2);
      break;
    }
    case SDL_WINDOWEVENT_MOVED: {
      RECT c = ClientOnScreen(h), r;
      if (IsIconic(h) || (c.left == e.data1 && c.top == e.data2)) break;
      GetWindowRect(h, &r);
      SetWindowPos(h, nullptr, r.left + e.data1 - c.left, r.top + e.data2 - c.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    case SDL_WINDOWEVENT_MINIMIZED: SystemMinimize(h, true); break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED: SystemRestore(h, true); break;
    case SDL_WINDOWEVENT_LEAVE: {
      POINT cursor;
      GetCursorPos(&cursor);
      MouseMovedTo(nullptr, cursor);
      break;
    }
    case SDL_WINDOWEVENT_FOCUS_GAINED: ActivateWindow(h); break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      if (GetForegroundWindow() == h) DeactivateApp();
      break;
    case SDL_WINDOWEVENT_CLOSE: Send(h, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    default: break;
  }
}

void HandleEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      HWND top = WindowFromSdlId(e.key.windowID);
      const KeyEntry* k = ByScancode(e.key.keysym.scancode);
      if (top && k) KeyEvent(top, *k, e.type == SDL_KEYDOWN, e.key.repeat);
      break;
    }
    case SDL_TEXTINPUT:
      if (HWND top = WindowFromSdlId(e.text.windowID)) TextEvent(top, e.text.text);
      break;
    case SDL_MOUSEMOTION:
      if (HWND top = WindowFromSdlId(e.motion.windowID)) MouseMotion(top, e.motion.x, e.motion.y);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (HWND top = WindowFromSdlId(e.button.windowID))
        MouseButton(top, e.button.button, e.type == SDL_MOUSEBUTTONDOWN, e.button.x, e.button.y);
      break;
    case SDL_MOUSEWHEEL:
      if (HWND top = WindowFromSdlId(e.wheel.windowID))
        MouseWheel(top, e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y);
      break;
    case SDL_WINDOWEVENT:
      if (HWND h = WindowFromSdlId(e.window.windowID)) WindowEvent(h, e.window);
      break;
    case SDL_DISPLAYEVENT: {
      int w = 1024, h = 768;
      SdlScreenSize(&w, &h);
      DisplayChange(w, h);
      break;
    }
    default:
      if (gDisplayEvent && e.type == gDisplayEvent) DisplayChange((int)(intptr_t)e.user.data1, (int)(intptr_t)e.user.data2);
      break;
  }
}

// True when the machine has a graphics card's render node. Without one, OpenGL is the
// software driver: over 50 MB of code generator and a dozen threads.
bool HaveRenderNode() {
  DIR* dri = opendir("/dev/dri");
  if (!dri) return false;
  bool found = false;
  while (dirent* e = readdir(dri))
    if (std::strncmp(e->d_name, "renderD", 7) == 0) found = true;
  closedir(dri);
  return found;
}

bool InitSdl() {
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C ends the program as usual
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // Our frames are drawn in software already. SDL would still put a window surface on an
  // OpenGL texture where it can; without a graphics card, blit to the window directly instead.
  // The SDL_FRAMEBUFFER_ACCELERATION variable still wins.
  const char* software = std::getenv("LIBGL_ALWAYS_SOFTWARE");
  if (!HaveRenderNode() || (software && *software && *software != '0'))
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    // No display: run headless rather than fail, as the original would run on any desktop.
    const char* drivers[] = {"offscreen", "dummy"};
    bool ok = false;
    for (const char* d : drivers) {
      SDL_SetHint(SDL_HINT_VIDEODRIVER, d);
      if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        ok = true;
        break;
      }
    }
    if (!ok) return false;
  }
  gDisplayEvent = SDL_RegisterEvents(1);
  return true;
}

}  // namespace

WPARAM MouseKeyFlagsLocked() {
  WPARAM k = 0;
  if (gKeys[VK_LBUTTON] & 0x80) k |= MK_LBUTTON;
  if (gKeys[VK_RBUTTON] & 0x80) k |= MK_RBUTTON;
  if (gKeys[VK_MBUTTON] & 0x80) k |= MK_MBUTTON;
  if (gKeys[5] & 0x80) k |= MK_XBUTTON1;
  if (gKeys[6] & 0x80) k |= MK_XBUTTON2;
  if (gKeys[VK_SHIFT] & 0x80) k |= MK_SHIFT;
  if (gKeys[VK_CONTROL] & 0x80) k |= MK_CONTROL;
  return k;
}

bool EnsureSdl() {
  std::call_once(gSdlOnce, [] {
    gSdlThread = ThreadId();
    gSdlReady = InitSdl();
  });
  return gSdlReady;
}

bool IsSdlThread() { return gSdlReady && gSdlThread == ThreadId(); }

void PumpSdl() {
  if (!IsSdlThread()) return;
  // Asking the display server and the channel costs system calls, and an idle loop pumps
  // several times a millisecond: ask them at most every 4 ms, a quarter of a frame at 60 Hz.
  // Events already queued (pushed ones) are taken at every pump.
  static std::chrono::steady_clock::time_point lastAsked;  // SDL thread only
  auto now = std::chrono::steady_clock::now();
  bool ask = now - lastAsked >= std::chrono::milliseconds(4);
  if (ask) {
    lastAsked = now;
    SDL_PumpEvents();
  }
  SDL_Event e;
  while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) HandleEvent(e);
  if (ask) ChannelPoll();
}

bool CreateSdlWindow(Window& w) {
  if (!EnsureSdl() || !IsSdlThread()) return false;  // windows of other threads stay SDL-less
  RECT ins = FrameInsets(w.style, w.exStyle);
  int cw = std::max(1, (int)(w.rect.right - w.rect.left - ins.right + ins.left));
  int ch = std::max(1, (int)(w.rect.bottom - w.rect.top - ins.bottom + ins.top));
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (w.style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  if ((w.style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
  SDL_Window* sdl = SDL_CreateWindow(w.title.c_str(), w.rect.left - ins.left, w.rect.top - ins.top, cw, ch, flags);
  if (!sdl) return false;
  Lock lock(KernelLock());
  w.sdl = sdl;
  w.sdlId = SDL_GetWindowID(sdl);
  return true;
}

void DestroySdlWindow(Window& w) {
  if (w.sdl && IsSdlThread()) SDL_DestroyWindow(w.sdl);
  w.sdl = nullptr;
}

void SyncSdlWindow(const Window& w) {
  if (!w.sdl || !IsSdlThread()) return;
  if (strcmp(SDL_GetWindowTitle(w.sdl), w.title.c_str()) != 0) SDL_SetWindowTitle(w.sdl, w.title.c_str());
  SDL_SetWindowResizable(w.sdl, (w.style & WS_THICKFRAME) ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowBordered(w.sdl, (w.style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
  Uint32 flags = SDL_GetWindowFlags(w.sdl);
  if (!w.minimized) {
    RECT ins = FrameInsets(w.style, w.exStyle);
    int cw = std::max(1, (int)(w.rect.right - w.rect.left - ins.right + ins.left));
    int ch = std::max(1, (int)(w.rect.bottom - w.rect.top - ins.bottom + ins.top));
    int sw, sh, sx, sy;
    SDL_GetWindowSize(w.sdl, &sw, &sh);
    if (sw != cw || sh != ch) SDL_SetWindowSize(w.sdl, cw, ch);
    SDL_GetWindowPosition(w.sdl, &sx, &sy);
    if (sx != w.rect.left - ins.left || sy != w.rect.top - ins.top)
      SDL_SetWindowPosition(w.sdl, w.rect.left - ins.left, w.rect.top - ins.top);
  }
  if (w.visible && !(flags & SDL_WINDOW_SHOWN)) SDL_ShowWindow(w.sdl);
  if (!w.visible && (flags & SDL_WINDOW_SHOWN)) SDL_HideWindow(w.sdl);
}

void SdlMinimize(SDL_Window* w, bool minimize) {
  if (!IsSdlThread()) return;
  if (minimize)
    SDL_MinimizeWindow(w);
  else
    SDL_RestoreWindow(w);
}

void SdlSetCursorVisible(bool visible) {
  if (IsSdlThread()) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void SdlWarpCursor(HWND top, int x, int y) {
  SDL_Window* w = Win32GetSdlWindow(top);
  if (w && IsSdlThread()) SDL_WarpMouseInWindow(w, x, y);
}

void SdlCaptureMouse(bool capture) {
  if (IsSdlThread()) SDL_CaptureMouse(capture ? SDL_TRUE : SDL_FALSE);
}

bool SdlScreenSize(int* width, int* height) {
  int colours, bits;
  if (TestScreenMetrics(width, height, &colours, &bits)) return true;
  if (!EnsureSdl()) return false;
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return false;
  *width = mode.w;
  *height = mode.h;
  return true;
}

void SdlPushClipboard(const std::string& utf8) {
  if (IsSdlThread()) SDL_SetClipboardText(utf8.c_str());
}

bool SdlPullClipboard(std::string* utf8) {
  if (!IsSdlThread() || !SDL_HasClipboardText()) return false;
  char* text = SDL_GetClipboardText();
  if (!text) return false;
  *utf8 = text;
  SDL_free(text);
  return true;
}

}  // namespace win32

using namespace win32;

bool Win32EnsureSdl() { return EnsureSdl(); }

namespace {

// The SDL window and the client point of `window`'s root for a point of `window`.
SDL_Window* RootPoint(HWND window, int* x, int* y) {
  HWND root = RootOf(window);
  if (x && y && root != window) {
    POINT p{*x, *y};
    ClientToScreen(window, &p);
    ScreenToClient(root, &p);
    *x = p.x;
    *y = p.y;
  }
  return Win32GetSdlWindow(root);
}

void PushWindowEvent(HWND window, Uint8 event, int d1 = 0, int d2 = 0) {
  SDL_Window* sdl = RootPoint(window, nullptr, nullptr);
  if (!sdl) return;
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = SDL_GetWindowID(sdl);
  e.window.event = event;
  e.window.data1 = d1;
  e.window.data2 = d2;
  SDL_PushEvent(&e);
}

bool gInjectedShift = false;  // the test's own Shift key, for the text a key press types

}  // namespace

namespace TestControl {

void InjectMouseMove(HWND window, int x, int y) {
  SDL_Window* sdl = RootPoint(window, &x, &y);
  if (!sdl) return;
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = SDL_GetWindowID(sdl);
  e.motion.x = x;
  e.motion.y = y;
  SDL_PushEvent(&e);
}

void InjectMouseButton(HWND window, MouseButton button, bool down, int x, int y) {
  SDL_Window* sdl = RootPoint(window, &x, &y);
  if (!sdl) return;
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.windowID = SDL_GetWindowID(sdl);
  e.button.button = (Uint8)button;
  e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = 1;
  e.button.x = x;
  e.button.y = y;
  SDL_PushEvent(&e);
}

void InjectMouseWheel(HWND window, int notches, int x, int y) {
  InjectMouseMove(window, x, y);
  SDL_Window* sdl = RootPoint(window, nullptr, nullptr);
  if (!sdl) return;
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.windowID = SDL_GetWindowID(sdl);
  e.wheel.y = notches;
  e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  SDL_PushEvent(&e);
}

void InjectMouseLeave(HWND window) { PushWindowEvent(window, SDL_WINDOWEVENT_LEAVE); }

void InjectKey(HWND window, UINT virtualKey, bool down, bool extended) {
  SDL_Window* sdl = RootPoint(window, nullptr, nullptr);
  const KeyEntry* k = ByVirtualKey(virtualKey, extended);
  if (!sdl || !k) return;
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.windowID = SDL_GetWindowID(sdl);
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = k->scancode;
  e.key.keysym.sym = SDL_GetKeyFromScancode(k->scancode);
  SDL_PushEvent(&e);
  if (virtualKey == VK_SHIFT) gInjectedShift = down;
  // A keyboard types as it is pressed: letters, digits and space bring their text (US layout).
  if (down) {
    char text = 0;
    if (virtualKey >= 'A' && virtualKey <= 'Z') text = (char)(gInjectedShift ? virtualKey : virtualKey + 32);
    if ((virtualKey >= '0' && virtualKey <= '9') || virtualKey == VK_SPACE) text = (char)virtualKey;
    if (text) InjectText(window, std::string(1, text));
  }
}

void InjectText(HWND window, const std::string& utf8) {
  SDL_Window* sdl = RootPoint(window, nullptr, nullptr);
  if (!sdl) return;
  // An SDL text event holds up to 31 bytes: split between whole characters.
  size_t i = 0;
  while (i < utf8.size()) {
    size_t n = 0;
    while (i + n < utf8.size()) {
      size_t len = 1;
      unsigned char c = (unsigned char)utf8[i + n];
      if (c >= 0xF0) len = 4;
      else if (c >= 0xE0) len = 3;
      else if (c >= 0xC0) len = 2;
      if (n + len > 31) break;
      n += len;
    }
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = SDL_GetWindowID(sdl);
    memcpy(e.text.text, utf8.data() + i, std::min(n, utf8.size() - i));
    SDL_PushEvent(&e);
    i += n;
  }
}

void InjectActivateApp(HWND window, bool active) {
  PushWindowEvent(window, active ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST);
}
void InjectMinimize(HWND window) { PushWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED); }
void InjectRestore(HWND window) { PushWindowEvent(window, SDL_WINDOWEVENT_RESTORED); }
void InjectResize(HWND window, int w, int h) { PushWindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, w, h); }
void InjectClose(HWND window) { PushWindowEvent(window, SDL_WINDOWEVENT_CLOSE); }
void InjectExpose(HWND window) { PushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED); }

void InjectDisplayChange(int width, int height) {
  if (!EnsureSdl()) return;
  SDL_Event e{};
  e.type = gDisplayEvent;
  e.user.data1 = (void*)(intptr_t)width;
  e.user.data2 = (void*)(intptr_t)height;
  SDL_PushEvent(&e);
}

}  // namespace TestControl
