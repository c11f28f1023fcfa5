// TAtlControlHost: loading the control host library once.
#include "core/windows/widgets/atl_control_host.h"

bool TAtlControlHost::Load() {
  if (!mTried) {
    mTried = true;
    CoInitialize(nullptr);
    mModule = LoadLibraryA("ATL.DLL");
    if (mModule) {
      mInit = GetProcAddress(mModule, "AtlAxWinInit");
      mGetControl = GetProcAddress(mModule, "AtlAxGetControl");
      if (mInit) reinterpret_cast<BOOL (*)()>(mInit)();
    }
  }
  return IsLoaded();
}
