// CDisplaySurface: one plain surface and its description as made.
#include "core/graphics/directx/display_surface.h"

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
