// IDirectDraw7 stand-in: cooperative level, display modes, surface and clipper creation, caps,
// video memory and the restore calls. One object per DirectDrawCreateEx.
#pragma once

#include <atomic>
#include <memory>

#include "platform/directx/ddraw_types.h"

class IDirectDraw7 : public IUnknown {
 public:
  explicit IDirectDraw7(int deviceIndex);
  ULONG AddRef() override;
  ULONG Release() override;
  // IID_IDirect3D7 gives the Direct3D interface of this object.
  HRESULT QueryInterface(REFIID iid, LPVOID* out);

  HRESULT SetCooperativeLevel(HWND window, DWORD flags);
  HRESULT TestCooperativeLevel();
  HRESULT GetDisplayMode(LPDDSURFACEDESC2 desc);
  HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel, DWORD refreshRate, DWORD flags);
  HRESULT RestoreDisplayMode();
  HRESULT EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 filter, LPVOID context, LPDDENUMMODESCALLBACK2 callback);
  HRESULT CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* out, IUnknown* outer);
  HRESULT CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer);
  HRESULT GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps);
  HRESULT GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free);
  HRESULT GetMonitorFrequency(LPDWORD frequency);
  HRESULT GetDeviceIdentifier(LPDDDEVICEIDENTIFIER2 identifier, DWORD flags);
  HRESULT RestoreAllSurfaces();
  HRESULT FlipToGDISurface();
  HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event);

  const std::shared_ptr<dx::DrawShared>& Shared() const { return mShared; }

 private:
  ~IDirectDraw7() override;
  HRESULT CreatePrimary(const DDSURFACEDESC2& desc, LPDIRECTDRAWSURFACE7* out);

  std::atomic<ULONG> mRefs{1};
  std::shared_ptr<dx::DrawShared> mShared;
};
