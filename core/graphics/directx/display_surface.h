// CDisplaySurface: the owner of one plain surface of the display (the z-buffer, the cursor
// surfaces) with its description read back after creation.
#pragma once

#include "platform/directx/ddraw.h"

class CDisplaySurface {
 public:
  CDisplaySurface() {}
  ~CDisplaySurface() { Destroy(); }
  CDisplaySurface(const CDisplaySurface&) = delete;
  CDisplaySurface& operator=(const CDisplaySurface&) = delete;

  HRESULT Create(LPDIRECTDRAW7 directDraw, DDSURFACEDESC2* desc);
  void Destroy();
  LPDIRECTDRAWSURFACE7 GetSurface() const { return mSurface; }
  const DDSURFACEDESC2& GetDesc() const { return mDesc; }

 private:
  LPDIRECTDRAWSURFACE7 mSurface = nullptr;
  DDSURFACEDESC2 mDesc{};
};

// Copies (stretching) between two surfaces through their device contexts: the fallback when a
// blit between them fails. False when either context cannot be had.
bool CopyThroughGdi(LPDIRECTDRAWSURFACE7 dest, const RECT& to, LPDIRECTDRAWSURFACE7 source, const RECT& from);
