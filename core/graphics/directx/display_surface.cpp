// CDisplaySurface: one plain surface and its description as made.
#include "core/graphics/directx/display_surface.h"

#include "platform/directx/gdi_blit.h"

HRESULT CDisplaySurface::Create(LPDIRECTDRAW7 directDraw, DDSURFACEDESC2* desc) {
  Destroy();
  if (!directDraw || !desc) return E_POINTER;
  HRESULT hr = directDraw->CreateSurface(desc, &mSurface, nullptr);
  if (FAILED(hr)) {
    mSurface = nullptr;
    return hr;
  }
  mDesc = DDSURFACEDESC2{};
  mDesc.dwSize = sizeof(mDesc);
  mSurface->GetSurfaceDesc(&mDesc);
  return hr;
}

void CDisplaySurface::Destroy() {
  if (mSurface) mSurface->Release();
  mSurface = nullptr;
}

bool CopyThroughGdi(LPDIRECTDRAWSURFACE7 dest, const RECT& to, LPDIRECTDRAWSURFACE7 source, const RECT& from) {
  HDC destDc = nullptr, sourceDc = nullptr;
  if (FAILED(dest->GetDC(&destDc))) return false;
  bool ok = SUCCEEDED(source->GetDC(&sourceDc));
  if (ok) {
    StretchBlt(destDc, to.left, to.top, to.right - to.left, to.bottom - to.top, sourceDc, from.left, from.top,
               from.right - from.left, from.bottom - from.top, SRCCOPY);
    source->ReleaseDC(sourceDc);
  }
  dest->ReleaseDC(destDc);
  return ok;
}
