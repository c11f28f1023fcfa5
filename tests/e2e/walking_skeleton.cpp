// The walking skeleton: a program on the platform stand-in alone. It loads the test harness
// the way the runner does, opens the main window titled from the version record, pumps messages
// until the window is closed and reports how many loop turns that took.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace {

char* gCommandLine = nullptr;

LRESULT SkeletonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

// As the runner does: "ksHarness.dll" with its export "TestHook", given the command line's
// address; the window it returns gets WM_QUIT at the end.
HWND LoadTestHarness(char** commandLine) {
  HMODULE harness = LoadLibraryA("ksHarness.dll");
  if (!harness) return nullptr;
  typedef HWND (*TestHookFn)(char**);
  auto hook = (TestHookFn)GetProcAddress(harness, "TestHook");
  return hook ? hook(commandLine) : nullptr;
}

std::string ProductName() {
  char self[4096];
  DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
  DWORD handle = 0, size = n ? GetFileVersionInfoSizeA(self, &handle) : 0;
  if (!size) return "Orvella Application";
  std::vector<char> block(size);
  char* name = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(self, handle, size, block.data()) ||
      !VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\ProductName", (LPVOID*)&name, &length))
    return "Orvella Application";
  return name;
}

}  // namespace

int main(int argc, char** argv) {
  std::string commandLine;
  for (int i = 1; i < argc; i++) commandLine += std::string(i > 1 ? " " : "") + argv[i];
  gCommandLine = commandLine.data();
  HWND harnessWindow = LoadTestHarness(&gCommandLine);
  std::printf("walking-skeleton: command line \"%s\"\n", gCommandLine);

  WNDCLASSA wc{};
  wc.lpfnWndProc = SkeletonProc;
  wc.cbWndExtra = sizeof(void*);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = "walking-skeleton_WNDCLASS";
  if (!RegisterClassA(&wc)) return 1;
  const DWORD style = 0xCE0000;  // caption, system menu, sizing frame, minimise box
  RECT r{0, 0, 800, 600};
  AdjustWindowRectEx(&r, style, FALSE, WS_EX_APPWINDOW);
  std::string title = ProductName();
  HWND window = CreateWindowExA(WS_EX_APPWINDOW, wc.lpszClassName, title.c_str(), style, 0, 0, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOWNORMAL);

  // A cap on the turns keeps a broken close from hanging whoever runs us.
  const char* cap = std::getenv("ORVELLA_SKELETON_MAX_TURNS");
  unsigned long maxTurns = cap ? std::strtoul(cap, nullptr, 10) : 0, turns = 0;
  int exitCode = 0;
  for (;;) {
    turns++;
    if (maxTurns && turns > maxTurns) {
      std::fprintf(stderr, "walking-skeleton: no quit after %lu turns\n", maxTurns);
      exitCode = 2;
      break;
    }
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        exitCode = (int)msg.wParam;
        break;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      continue;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
  }
  PostMessageA(harnessWindow, WM_QUIT, 0, 0);
  std::printf("walking-skeleton: %lu turns, exit %d\n", turns, exitCode);
  return exitCode;
}
