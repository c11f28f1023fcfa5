// Internals shared by the USER32 sources: window records, queues and the SDL backend's entry
// points. All of this state is guarded by the kernel lock (internal.h); window procedures are
// always called without it.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/internal.h"

struct SDL_Window;

namespace win32 {

#define ERROR_TLW_WITH_WSCHILD 1406
#define ERROR_CANNOT_FIND_WND_CLASS 1407
#define ERROR_INVALID_THREAD_ID 1444

struct WindowClass {
  std::string name;  // as registered
  ATOM atom = 0;
  UINT style = 0;
  WNDPROC proc = nullptr;
  int clsExtra = 0;
  int wndExtra = 0;
  HINSTANCE instance = nullptr;
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
  HBRUSH background = nullptr;
  bool unicode = false;
  std::map<int, LONG_PTR> extra;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  bool unicode = false;
  DWORD style = 0, exStyle = 0;
  HWND parent = nullptr;  // WS_CHILD windows
  HWND owner = nullptr;   // top-level windows created with a parent
  bool messageOnly = false;
  std::string title;  // UTF-8
  RECT rect{};        // relative to the parent's client area; screen for top-level windows
  RECT restoreRect{};
  bool minimized = false, maximized = false;
  bool visible = false;
  bool invalid = false;  // WM_PAINT pending
  bool destroyed = false;
  DWORD thread = 0;
  std::map<int, LONG_PTR> extra;
  LONG_PTR userData = 0, id = 0;
  HINSTANCE instance = nullptr;
  std::vector<HWND> children;  // z-order, top first
  bool hoverArmed = false, leaveArmed = false;
  DWORD hoverTime = 400;
  SDL_Window* sdl = nullptr;
  uint32_t sdlId = 0;
};

struct SentMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT result = 0;
  bool done = false;
  DWORD sender = 0;  // the thread waiting for the result
};

struct Timer {
  HWND window;
  UINT_PTR id;
  UINT period;
  DWORD due;
  TIMERPROC proc;
};

struct Queue {
  DWORD thread = 0;
  std::deque<MSG> posted;
  std::deque<SentMessage*> sent;
  std::vector<Timer> timers;
  bool quit = false;
  int quitCode = 0;
};

// Windows (kernel lock held for *Locked).
std::shared_ptr<Window> FindWindowLocked(HWND window);  // null for unknown or destroyed
// As FindWindowLocked, and sets ERROR_INVALID_WINDOW_HANDLE when there is no such window.
std::shared_ptr<Window> FindWindowLockedOrFail(HWND window);
std::shared_ptr<Window> FindWin(HWND window);
std::vector<std::shared_ptr<Window>> TopLevelWindowsLocked();  // z-order, top first
HWND RootOf(HWND window);
RECT FrameInsets(DWORD style, DWORD exStyle);  // left/top negative, right/bottom positive
RECT ClientRectOnScreenLocked(const Window& w);
HWND WindowFromSdlId(uint32_t id);
HWND ChildAtClientPoint(HWND top, POINT* clientPoint);  // deepest visible child; point adjusted

// Window changes the backend makes when the system (SDL) reports them.
void SystemMinimize(HWND window, bool fromSystem);
void SystemRestore(HWND window, bool fromSystem);
void SystemResizeClient(HWND window, int width, int height);
void ActivateWindow(HWND window);
void DeactivateApp();

// Queues.
std::shared_ptr<Queue> QueueOfLocked(DWORD thread);
void PostToQueue(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool coalesceMove = false);
LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void ArmHoverLocked(HWND window, POINT screenPoint);
void MouseMovedTo(HWND window, POINT screen);  // hover and leave tracking
extern HWND gMouseWindow;                         // the window under the mouse; kernel lock
extern POINT gCursor;                             // screen position; kernel lock

// Keyboard and mouse state as the translated events left it (GetKeyState).
extern BYTE gKeys[256];  // bit 0x80 down, 0x01 toggled; kernel lock
WPARAM MouseKeyFlagsLocked();
void SetIdleHook(void (*hook)(void*), void* context);

// The cross-process window channel (window_channel.cpp).
void ChannelPublish(HWND h, const std::string& className);
void ChannelWithdraw(HWND h);
HWND ChannelFind(const std::string& className);  // a proxy handle, or null
bool ChannelIsProxy(HWND h);
bool ChannelRequest(HWND proxy, const char* operation, int argument);
void ChannelPoll();  // on the SDL thread
HWND FirstSdlWindow();  // the oldest top-level window with an SDL window

// The SDL backend (sdl_backend.cpp).
bool EnsureSdl();  // initialises SDL video once; false when no driver works
bool IsSdlThread();
void PumpSdl();    // SDL events to messages; on the SDL thread only
bool CreateSdlWindow(Window& w);
void DestroySdlWindow(Window& w);
void SyncSdlWindow(const Window& w);  // size, position, visibility, title
void SdlMinimize(SDL_Window* w, bool minimize);
void SdlSetCursorVisible(bool visible);
// Shows the cursor a handle stands for in the SDL windows (gdi.cpp): an icon made by
// CreateIconIndirect with its pixels, a loaded system cursor as SDL's default, null hides it.
void SdlShowCursorImage(HCURSOR cursor);
// Screen metrics set by a test (false: follow the real screen).
bool TestScreenMetrics(int* width, int* height, int* colours, int* bitsPerPixel);
void SdlWarpCursor(HWND top, int clientX, int clientY);
void SdlCaptureMouse(bool capture);
bool SdlScreenSize(int* width, int* height);
void SdlPushClipboard(const std::string& utf8);
bool SdlPullClipboard(std::string* utf8);
void CallIdleHook();

std::string Latin1ToUtf8(const std::string& bytes);
std::string Utf16ToUtf8(const std::u16string& text);
std::u16string Utf8ToUtf16(const std::string& text);

}  // namespace win32
