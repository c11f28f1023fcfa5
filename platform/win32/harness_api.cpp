// The table of platform calls handed to a test-harness library.
#include "platform/win32/harness_api.h"

const Win32HarnessApi* Win32GetHarnessApi() { return nullptr; }
