// The calls a test-harness library gets from the program that loads it. LoadLibraryA hands the
// table to a module exporting "Win32AttachPlatform", so the harness drives the program's own
// copy of this layer (a harness linked with a copy of its own would post to empty queues).
// The table only grows at its end; a harness checks `size` before using a later field.
#pragma once

#include "platform/win32/win32.h"

struct Win32HarnessApi {
  uint32_t version;  // 1
  uint32_t size;     // sizeof(Win32HarnessApi) of the program
  // Called on the program's thread each time its message pump finds nothing to do (PeekMessage
  // without a message on a thread that owns an SDL window): one idle turn.
  void (*SetIdleHook)(void (*hook)(void* context), void* context);
  HWND (*FindMainWindow)();  // the first top-level window with an SDL window, else null
  void (*InjectClose)(HWND window);  // the user's close request, through SDL
  BOOL (*PostMessageA)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  ATOM (*RegisterClassA)(const struct WNDCLASSA* windowClass);
  HWND (*CreateWindowExA)(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                          LPVOID param);
  LRESULT (*DefWindowProcA)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Later harnesses add here: scripted input (the TestControl injections), the manual clock
  // (UseManualClock/AdvanceClock) and frame capture from the display stand-in.
};

typedef void (*Win32AttachPlatformFn)(const Win32HarnessApi* api);
inline constexpr const char* kWin32AttachPlatformExport = "Win32AttachPlatform";

const Win32HarnessApi* Win32GetHarnessApi();
