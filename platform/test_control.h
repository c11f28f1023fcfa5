// The seam through which tests drive the platform stand-in: clock, input and scripted faults.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace TestControl {

// Manual clock: timeGetTime/GetTickCount return the set time, Sleep advances it at once.
void UseManualClock(uint32_t startMs);
void AdvanceClock(uint32_t ms);
void UseRealClock();
bool IsManualClock();
// Blocks until at least `count` threads wait on the manual clock (Sleep or a timed wait), so a
// test can advance time knowing where its workers stand.
void WaitForClockWaiters(int count);
// Blocks until every thread the manual clock has let go is waiting on it again (or has ended)
// and none waits for a time already reached: the work due up to now is done. Gives up after
// realMs of real time (false), in case a woken thread waits on something else.
bool WaitForClockSettled(uint32_t realMs);

// Input and window events. They go through SDL's event queue to the window's SDL window (the
// top-level window owning `window`), so they take the path of real input and turn into
// messages at the next PeekMessage on the window's thread. Positions are client coordinates
// of `window`.
enum MouseButton { kLeft = 1, kMiddle = 2, kRight = 3, kX1 = 4, kX2 = 5 };
void InjectMouseMove(HWND window, int x, int y);
void InjectMouseButton(HWND window, MouseButton button, bool down, int x, int y);
void InjectMouseWheel(HWND window, int notches, int x, int y);  // positive: away from the user
void InjectMouseLeave(HWND window);
// A key by virtual-key code; `extended` picks the extended key of a pair (the arrows and the
// editing block rather than the numeric pad, right Ctrl and Alt, the pad's Enter).
void InjectKey(HWND window, UINT virtualKey, bool down, bool extended = false);
// Typed text (UTF-8): characters above U+FFFF arrive as two WM_CHAR (a surrogate pair).
void InjectText(HWND window, const std::string& utf8);
void InjectActivateApp(HWND window, bool active);  // focus gained or lost by the application
void InjectMinimize(HWND window);
void InjectRestore(HWND window);
void InjectResize(HWND window, int clientWidth, int clientHeight);  // a drag of the frame
void InjectClose(HWND window);  // the caption's close button
void InjectExpose(HWND window);
void InjectDisplayChange(int width, int height);

// For a test harness inside the program: a hook called on the program's thread each time its
// message pump finds nothing to do (PeekMessage without a message on the thread that owns the
// SDL window), and the program's main window (the first top-level window with an SDL window).
void SetIdleHook(void (*hook)(void* context), void* context);
HWND FindProgramWindow();
// A harness may click a window by name when the program offers a finder: it answers the centre
// of a visible window of that name, in client coordinates (false: none). Main thread only.
void SetWindowFinder(bool (*finder)(const char* name, int* x, int* y));
bool FindWindowByName(const char* name, int* x, int* y);

// Message boxes never block: each is recorded and answered with the configured button
// (0: the box's default button).
struct MessageBoxRecord {
  std::string caption;
  std::string text;
  UINT flags;
};
std::vector<MessageBoxRecord> MessageBoxes();
void SetMessageBoxAnswer(int button);

// ShellExecuteA calls, recorded (and never launched in tests).
struct ShellRecord {
  std::string operation;
  std::string file;
  std::string parameters;
};
std::vector<ShellRecord> ShellExecutes();

// Clipboard: the process's clipboard contents by format, and a failing OpenClipboard.
void SetClipboardBytes(UINT format, const std::string& bytes);
std::string ClipboardBytes(UINT format);  // empty when the format is absent
void ClearClipboard();
void FailOpenClipboard(bool fail);

// Identity and environment faults.
void FailAdapterQuery(bool fail);
void SetVersionRecordMissing(bool missing);
void SetWindowsVersion(DWORD major, DWORD minor);
void FailLoadLibrary(const std::string& name);  // by file name, as passed or without folder
void ClearLoadLibraryFailures();

// Files: the flush of the folder that MoveFileExA makes with MOVEFILE_WRITE_THROUGH fails (after
// the rename, as a failing disk would), with ERROR_WRITE_FAULT.
void FailFolderFlush(bool fail);

// The screen as GetDeviceCaps, GetSystemMetrics and the work area report it: size, NUMCOLORS
// (-1 above 8 bits per pixel) and bits per pixel. ClearScreenMetrics follows the real screen
// again (so does ResetFaults).
void SetScreenMetrics(int width, int height, int colours, int bitsPerPixel);
void ClearScreenMetrics();

// An icon or cursor made by CreateIconIndirect: its 32-bit ARGB pixels (alpha from the colour
// bitmap, or from the mask when the colour bitmap has none), size, hot spot and kind.
struct IconImage {
  std::vector<uint32_t> argb;
  int width = 0, height = 0;
  int hotX = 0, hotY = 0;
  bool isIcon = false;
};
bool GetIconImage(HICON icon, IconImage& image);
// Icons alive now (made and not destroyed).
int LiveIconCount();

// Back to no faults, the default answers and Windows XP (recorded calls are kept).
void ResetFaults();

// Display and sound fault hooks live in their own headers beside their stand-ins
// (platform/directx, platform/dsound), in this namespace.

}  // namespace TestControl
