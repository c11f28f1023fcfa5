// ksHarness: the test-harness library that the program loads by name at start ("ksHarness.dll",
// export "TestHook"). It is inert unless an ORVELLA_HARNESS_* variable asks for something:
//   ORVELLA_HARNESS_QUIT_AFTER_IDLE=N   close the main window (as the user would) after N idle
//                                      turns of the program's message pump;
//   ORVELLA_HARNESS_COMMAND_LINE=text   replace the program's command line.
// It drives the program only through the Win32HarnessApi table that LoadLibraryA hands over.
// Later behaviours hook in the same way: scripted input (a script of "turn N: key/mouse/text"
// lines played from the idle hook through the TestControl injections added to the table), time
// (switch the program to the manual clock and advance it a fixed step per idle turn, so runs
// are repeatable), and frame capture (the display stand-in's capture call added to the table,
// writing numbered images every K turns).
#include <cstdlib>
#include <string>

#include "platform/win32/harness_api.h"

#define HARNESS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

const Win32HarnessApi* gApi = nullptr;
long gQuitAfterIdle = -1;
long gIdleTurns = 0;
bool gCloseSent = false;
std::string gCommandLine;

void OnIdle(void*) {
  gIdleTurns++;
  if (gQuitAfterIdle >= 0 && !gCloseSent && gIdleTurns >= gQuitAfterIdle) {
    if (HWND main = gApi->FindMainWindow()) {
      gApi->InjectClose(main);
      gCloseSent = true;
    }
  }
}

LRESULT HarnessProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return gApi->DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HARNESS_EXPORT void Win32AttachPlatform(const Win32HarnessApi* api) {
  if (api && api->version >= 1 && api->size >= sizeof(Win32HarnessApi)) gApi = api;
}

HARNESS_EXPORT HWND TestHook(char** commandLine) {
  const char* quit = std::getenv("ORVELLA_HARNESS_QUIT_AFTER_IDLE");
  const char* line = std::getenv("ORVELLA_HARNESS_COMMAND_LINE");
  if (!gApi || (!quit && !line)) return nullptr;
  if (line && commandLine) {
    gCommandLine = line;
    *commandLine = gCommandLine.data();
  }
  if (quit) {
    gQuitAfterIdle = std::atol(quit);
    gApi->SetIdleHook(OnIdle, nullptr);
  }
  // The harness's own message-only window: the program posts WM_QUIT to it when it ends.
  WNDCLASSA wc{};
  wc.lpfnWndProc = HarnessProc;
  wc.lpszClassName = "ksHarness";
  gApi->RegisterClassA(&wc);
  return gApi->CreateWindowExA(0, "ksHarness", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}
