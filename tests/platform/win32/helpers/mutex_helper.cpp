// Second process of the cross-process mutex test: exits 1 when the named mutex already exists
// (another process holds it), 0 when it is new, 2 on a bad call.
#include "platform/win32/win32.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  SetLastError(0);
  HANDLE h = CreateMutexA(nullptr, TRUE, argv[1]);
  if (!h) return 2;
  return GetLastError() == ERROR_ALREADY_EXISTS ? 1 : 0;
}
