// The table of platform calls handed to a test-harness library.
#include "platform/win32/harness_api.h"

#include "platform/test_control.h"
#include "platform/win32/user_internal.h"

const Win32HarnessApi* Win32GetHarnessApi() {
  static const Win32HarnessApi api = {
      1,
      sizeof(Win32HarnessApi),
      win32::SetIdleHook,
      win32::FirstSdlWindow,
      TestControl::InjectClose,
      PostMessageA,
      RegisterClassA,
      CreateWindowExA,
      DefWindowProcA,
  };
  return &api;
}
