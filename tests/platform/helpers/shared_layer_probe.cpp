// A library built the way the audio engine library is (hidden symbols, the engine linked in),
// answering what it sees of the platform layer from inside.
#include "platform/win32/win32.h"

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

PROBE_EXPORT BOOL ProbeIsWindow(HWND window) { return IsWindow(window); }
PROBE_EXPORT DWORD ProbeTime() { return timeGetTime(); }
PROBE_EXPORT BOOL ProbePost(HWND window, UINT message, WPARAM wParam) {
  return PostMessageA(window, message, wParam, 0);
}
