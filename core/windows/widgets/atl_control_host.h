// TAtlControlHost: the program's control host backend: "ATL.DLL" through the platform's module
// loader. The platform has no such library (and no ActiveX controls), so Load answers false and
// every movie falls back to its splash image; Flash movies are not played.
#pragma once

#include "core/windows/widgets/flash_control.h"

class TAtlControlHost : public TFlashControlHost {
 public:
  bool Load() override;
  // Nothing can be driven without automation: always null.
  TFlashControl* GetControl(HWND hostWindow) override { return nullptr; }
  bool IsLoaded() const { return mInit && mGetControl; }

 private:
  bool mTried = false;
  HMODULE mModule = nullptr;
  FARPROC mInit = nullptr;
  FARPROC mGetControl = nullptr;
};
