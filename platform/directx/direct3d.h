// IDirect3D7 stand-in: device enumeration, z-buffer formats and device creation on a surface.
#pragma once

#include <atomic>

#include "platform/directx/d3d_types.h"

class IDirect3D7 : public IUnknown {
 public:
  explicit IDirect3D7(IDirectDraw7* directDraw);
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, LPVOID context);
  HRESULT EnumZBufferFormats(REFCLSID device, LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context);
  HRESULT CreateDevice(REFCLSID device, LPDIRECTDRAWSURFACE7 target, LPDIRECT3DDEVICE7* out);
  HRESULT EvictManagedTextures();

  IDirectDraw7* DirectDraw() const { return mDirectDraw; }
  // The description the device of this GUID reports; false for an unknown GUID.
  bool Describe(const GUID& device, D3DDEVICEDESC7& desc, const char** name) const;

 private:
  ~IDirect3D7() override;
  std::atomic<ULONG> mRefs{1};
  IDirectDraw7* mDirectDraw;  // counted reference
};
