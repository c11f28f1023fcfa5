// IDirect3DDevice7 stand-in: scene, viewport, transforms, material, render and texture stage
// states, render target, and primitive drawing through the software rasteriser.
#pragma once

#include <atomic>
#include <memory>

#include "platform/directx/d3d_types.h"

namespace dx {
struct DeviceState;
}

class IDirect3DDevice7 : public IUnknown {
 public:
  IDirect3DDevice7(IDirect3D7* direct3d, const D3DDEVICEDESC7& desc, IDirectDrawSurface7* target);
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT GetCaps(LPD3DDEVICEDESC7 desc);
  HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context);
  HRESULT GetDirect3D(LPDIRECT3D7* out);
  HRESULT BeginScene();
  HRESULT EndScene();
  HRESULT SetRenderTarget(LPDIRECTDRAWSURFACE7 surface, DWORD flags);
  HRESULT GetRenderTarget(LPDIRECTDRAWSURFACE7* surface);
  HRESULT Clear(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil);
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, LPD3DMATRIX matrix);
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE type, LPD3DMATRIX matrix);
  HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE type, LPD3DMATRIX matrix);
  HRESULT SetViewport(LPD3DVIEWPORT7 viewport);
  HRESULT GetViewport(LPD3DVIEWPORT7 viewport);
  HRESULT SetMaterial(LPD3DMATERIAL7 material);
  HRESULT GetMaterial(LPD3DMATERIAL7 material);
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value);
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value);
  HRESULT SetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 texture);
  HRESULT GetTexture(DWORD stage, LPDIRECTDRAWSURFACE7* texture);
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, LPDWORD value);
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD count, DWORD flags);
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertexCount,
                               LPWORD indices, DWORD indexCount, DWORD flags);

  // Pixels the rasteriser has written (benchmarks).
  uint64_t PixelCount() const;

 private:
  ~IDirect3DDevice7() override;
  HRESULT Draw(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices, DWORD vertexCount, const WORD* indices,
               DWORD indexCount);

  std::atomic<ULONG> mRefs{1};
  std::unique_ptr<dx::DeviceState> mState;
};
