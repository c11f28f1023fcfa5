// IDirectDrawClipper stand-in: remembers the window whose client area bounds blits to the screen.
#pragma once

#include <atomic>

#include "platform/directx/ddraw_types.h"

class IDirectDrawClipper : public IUnknown {
 public:
  IDirectDrawClipper() = default;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT SetHWnd(DWORD flags, HWND window);
  HRESULT GetHWnd(HWND* window);

 private:
  ~IDirectDrawClipper() override = default;
  std::atomic<ULONG> mRefs{1};
  std::atomic<HWND> mWindow{nullptr};
};
