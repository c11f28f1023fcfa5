// Frame drawing: beginning and ending a scene, the 2D and 3D state sets, blend modes with
// their texture-stage set-ups (and the alpha-mask variants used while drawing a mask into a
// texture), filtering and addressing, viewports and clipping with the display scale, the 2D
// projection with its calibrated texel offset, the perspective projection, and vertex drawing.
// Every state call goes straight to the device; only the blend mode, the depth flags and the
// projection are remembered.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/base/log.h"
#include "core/graphics/directx/display_host.h"
#include "core/graphics/directx/dx_context.h"
#include "core/graphics/directx/dx_error.h"
#include "core/graphics/directx/dx_texture_data.h"
#include "core/graphics/directx/platform_data.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture.h"
#include "core/graphics/vertex_array.h"
#include "platform/directx/d3dx.h"

namespace {

D3DMATRIX ToD3d(const TMat4& m) {
  D3DMATRIX out;
  std::memcpy(&out, m.m, sizeof(out));
  return out;
}

DWORD FvfOfKind(uint32_t kind) {
  switch (kind) {
    case TVertexArray::kMesh: return D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;  // 0x112
    case TVertexArray::kScreen: return D3DFVF_TLVERTEX;                         // 0x1C4
    default: return D3DFVF_LVERTEX;                                             // 0x1E2
  }
}

}  // namespace

void TPlatformData::ApplyRenderState(D3DRENDERSTATETYPE state, DWORD value, int line) {
  if (mDevice) DxCheck(mDevice->SetRenderState(state, value), kUnitDisplayHandler, line);
}

void TPlatformData::ApplyStageState(D3DTEXTURESTAGESTATETYPE type, DWORD value, int line) {
  if (mDevice) DxCheck(mDevice->SetTextureStageState(0, type, value), kUnitDisplayHandler, line);
}

// --- Frames ---

bool TPlatformData::BeginDraw(uint32_t screenFrame) {
  if (!mDevice || mBroken) return false;
  LPDIRECTDRAWSURFACE7 front = mContext->GetFrontBuffer();
  LPDIRECTDRAWSURFACE7 back = mContext->GetBackBuffer();
  if ((front && front->IsLost() == DDERR_SURFACELOST) || (back && back->IsLost() == DDERR_SURFACELOST)) {
    if (GetDisplayHost().IsWindowActive()) FlagBroken();
    return false;
  }
  if (front) {
    HRESULT status = front->GetFlipStatus(DDGFS_ISFLIPDONE);
    if (status == DDERR_WASSTILLDRAWING) return false;
    DX_CHECK(status, kUnitDisplayHandler);
  }
  if (screenFrame && !mContext->PrepareBackBuffer()) {
    FlagBroken();
    return false;
  }
  HRESULT hr = mDevice->BeginScene();
  if (hr == DDERR_SURFACELOST) {
    LogPrintf("TRenderer::BeginDraw: DDERR_SURFACELOST on BeginScene");
    if (mInRestore) {
      FlagBroken();
      return false;
    }
    Restore();
    if (mBroken || !mDevice) {
      mInScene = false;
      return false;
    }
    hr = mDevice->BeginScene();
    if (FAILED(hr)) {
      DX_CHECK(hr, kUnitDisplayHandler);
      FlagBroken();
      mInScene = false;
      return false;
    }
  } else if (FAILED(hr)) {
    DX_CHECK(hr, kUnitDisplayHandler);
    mInScene = false;
    return false;
  }
  ++mWorkingCount;
  ApplyViewport(mScreenRect, mScreenRect);
  DX_CHECK(mContext->ClearTargets(D3DCLEAR_ZBUFFER), kUnitDisplayHandler);
  ApplyViewport(mViewport, mScreenRect);
  mInScene = true;
  return true;
}

void TPlatformData::EndDraw(uint32_t present) {
  if (!mInScene) return;
  mInScene = false;
  if (!mDevice) return;
  HRESULT hr = mDevice->EndScene();
  if (hr == D3DERR_SCENE_END_FAILED) {
    FlagBroken();
    return;
  }
  // A render target ends through here too: only a screen frame is what a capture asks for.
  if (!mTargetData) ServeCapture();
  if (present && SUCCEEDED(hr) && !GetDisplayHost().IsMoviePlaying()) hr = mContext->Present();
  if (hr == DDERR_SURFACELOST) {
    LogPrintf("TPlatform::EndDraw: DDERR_SURFACELOST on UpdateFrame or EndScene");
    Restore();
  } else if (FAILED(hr)) {
    DxLog(hr, kUnitDisplayHandler, __LINE__);
    LogError("TPlatform::EndDraw: Unexpected error (see above) on UpdateFrame or EndScene");
    Restore();
  }
}

bool TPlatformData::Begin2d() {
  ApplyRenderState(D3DRENDERSTATE_SPECULARENABLE, FALSE, __LINE__);
  ApplyRenderState(D3DRENDERSTATE_CLIPPING, FALSE, __LINE__);
  SetTextureAddress(0, 0);
  SetBlendMode(0);
  SetTextureFilter(1);
  SetZEnable(false);
  SetZWrite(false);
  SetCullMode(1);
  TMat4 identity;
  SetWorldTransform(identity);
  SetViewTransform(identity);
  mProjectionSet = true;
  mIn2d = true;
  return true;
}

void TPlatformData::End2d() {
  SetTextureData(nullptr);
  TMat4 identity;
  SetWorldTransform(identity);
  SetViewTransform(identity);
  mIn2d = false;
}

bool TPlatformData::Begin3d() {
  if (!mNoSpecular) ApplyRenderState(D3DRENDERSTATE_SPECULARENABLE, TRUE, __LINE__);
  ApplyRenderState(D3DRENDERSTATE_CLIPPING, TRUE, __LINE__);
  SetZEnable(true);
  SetZWrite(true);
  SetBlendMode(0);
  SetTextureFilter(1);
  SetTextureAddress(1, 1);
  SetCullMode(3);
  mIn2d = false;
  return true;
}

// --- Blend modes and texture stages ---

bool TPlatformData::InAlphaMaskTarget() const { return mRenderTargetMode == 4 && mTargetData != nullptr; }

void TPlatformData::SetBlendMode(int mode) {
  if (mode < 0 || mode > 4) return;
  bool mask = InAlphaMaskTarget();
  DWORD source = D3DBLEND_SRCALPHA, destination = D3DBLEND_INVSRCALPHA;
  switch (mode) {
    case 0:
      destination = mask ? D3DBLEND_ONE : D3DBLEND_INVSRCALPHA;
      break;
    case 2: destination = D3DBLEND_ONE; break;
    case 3:
      if (!mask) {
        source = D3DBLEND_ZERO;
        destination = D3DBLEND_INVSRCCOLOR;
      } else if (mNewSubtractive) {
        source = D3DBLEND_ONE;
        destination = D3DBLEND_ONE;
      }
      break;
    case 4:
      source = D3DBLEND_ZERO;
      destination = D3DBLEND_SRCCOLOR;
      break;
  }
  if (mode != 1) {
    ApplyRenderState(D3DRENDERSTATE_SRCBLEND, source, __LINE__);
    ApplyRenderState(D3DRENDERSTATE_DESTBLEND, destination, __LINE__);
  }
  ApplyRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, mode != 1, __LINE__);
  mBlendMode = mode;
  ApplyTextureStages(mode);
}

void TPlatformData::ApplyTextureStages(int mode) {
  ApplyRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0xFFFFFFFFu, __LINE__);
  if (InAlphaMaskTarget()) {
    // The colour written is the (texture or vertex) alpha as a grey level at full opacity, so
    // the mask accumulates in the colour channels.
    if (mode == 3 && mNewSubtractive) {
      ApplyStageState(D3DTSS_COLORARG1, D3DTA_TFACTOR, __LINE__);
    } else if (mStageTexture) {
      ApplyStageState(D3DTSS_COLORARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, __LINE__);
      if (mNewRenderBlend) {
        ApplyStageState(D3DTSS_COLORARG2, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE, __LINE__);
        ApplyStageState(D3DTSS_COLOROP, D3DTOP_MODULATE, __LINE__);
      }
    } else {
      ApplyStageState(D3DTSS_COLORARG1, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE, __LINE__);
      if (mNewRenderBlend) ApplyStageState(D3DTSS_COLOROP, D3DTOP_SELECTARG1, __LINE__);
    }
    if (!mNewRenderBlend) ApplyStageState(D3DTSS_COLOROP, D3DTOP_SELECTARG1, __LINE__);
    ApplyStageState(D3DTSS_ALPHAARG1, D3DTA_TFACTOR, __LINE__);
    ApplyStageState(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, __LINE__);
    return;
  }
  ApplyStageState(D3DTSS_COLORARG1, D3DTA_TEXTURE, __LINE__);
  if (mNewRenderBlend) ApplyStageState(D3DTSS_COLORARG2, D3DTA_CURRENT, __LINE__);
  ApplyStageState(D3DTSS_COLOROP, D3DTOP_MODULATE, __LINE__);
  if (mode == 1 || (mode == 3 && mNewSubtractive)) {
    ApplyStageState(D3DTSS_ALPHAARG1, D3DTA_TFACTOR, __LINE__);
    ApplyStageState(D3DTSS_ALPHAOP, D3DTOP_SELECTARG1, __LINE__);
  } else {
    ApplyStageState(D3DTSS_ALPHAARG1, D3DTA_TEXTURE, __LINE__);
    ApplyStageState(D3DTSS_ALPHAOP, D3DTOP_MODULATE, __LINE__);
  }
}

void TPlatformData::SetTexture(std::shared_ptr<TTexture> texture) { SetTextureData(GetTextureData(texture)); }

void TPlatformData::SetTextureData(TTextureData* data) {
  if (!IsDeviceValid()) return;
  auto* dx = static_cast<TDxTextureData*>(data);
  LPDIRECTDRAWSURFACE7 surface = dx ? dx->GetSurface() : nullptr;
  mStageTexture = surface ? data : nullptr;
  DX_CHECK(mDevice->SetTexture(0, surface), kUnitDisplayHandler);
  ApplyTextureStages(mBlendMode);
}

void TPlatformData::SetTextureFilter(int filter) {
  if (filter == 1) {
    ApplyStageState(D3DTSS_MINFILTER, D3DTFN_LINEAR, __LINE__);
    ApplyStageState(D3DTSS_MAGFILTER, D3DTFG_LINEAR, __LINE__);
    ApplyStageState(D3DTSS_MIPFILTER, D3DTFP_LINEAR, __LINE__);
  } else if (filter == 0) {
    ApplyStageState(D3DTSS_MINFILTER, D3DTFN_POINT, __LINE__);
    ApplyStageState(D3DTSS_MAGFILTER, D3DTFG_POINT, __LINE__);
    ApplyStageState(D3DTSS_MIPFILTER, D3DTFP_POINT, __LINE__);
  }
}

void TPlatformData::SetTextureAddress(int u, int v) {
  auto mode = [](int axis) -> DWORD {
    return axis == 1 ? D3DTADDRESS_WRAP : axis == 2 ? D3DTADDRESS_MIRROR : D3DTADDRESS_CLAMP;
  };
  ApplyStageState(D3DTSS_ADDRESSU, mode(u), __LINE__);
  ApplyStageState(D3DTSS_ADDRESSV, mode(v), __LINE__);
}

void TPlatformData::SetZEnable(bool on) {
  mZEnable = on;
  ApplyRenderState(D3DRENDERSTATE_ZENABLE, on ? D3DZB_TRUE : D3DZB_FALSE, __LINE__);
}

void TPlatformData::SetZWrite(bool on) {
  mZWrite = on;
  ApplyRenderState(D3DRENDERSTATE_ZWRITEENABLE, on, __LINE__);
}

void TPlatformData::SetCullMode(int mode) {
  DWORD cull = mode == 2 ? D3DCULL_CW : mode == 3 ? D3DCULL_CCW : D3DCULL_NONE;
  ApplyRenderState(D3DRENDERSTATE_CULLMODE, cull, __LINE__);
}

void TPlatformData::SetShadeMode(int mode) {
  ApplyRenderState(D3DRENDERSTATE_SHADEMODE, mode == 2 ? D3DSHADE_GOURAUD : D3DSHADE_FLAT, __LINE__);
}

void TPlatformData::SetAmbient(const TColor& colour) {
  ApplyRenderState(D3DRENDERSTATE_AMBIENT, TColor32(colour).Value(), __LINE__);
}

void TPlatformData::SetMaterial(const D3DMATERIAL7& material) {
  if (!mDevice) return;
  D3DMATERIAL7 copy = material;
  DX_CHECK(mDevice->SetMaterial(&copy), kUnitDisplayHandler);
}

void TPlatformData::SetWorldTransform(const TMat4& matrix) {
  if (!mDevice) return;
  D3DMATRIX m = ToD3d(matrix);
  DX_CHECK(mDevice->SetTransform(D3DTRANSFORMSTATE_WORLD, &m), kUnitDisplayHandler);
}

void TPlatformData::SetViewTransform(const TMat4& matrix) {
  if (!mDevice) return;
  D3DMATRIX m = ToD3d(matrix);
  DX_CHECK(mDevice->SetTransform(D3DTRANSFORMSTATE_VIEW, &m), kUnitDisplayHandler);
}

void TPlatformData::SetProjection(const TMat4& matrix) {
  mProjection = matrix;
  mProjectionSet = true;
  if (!mDevice) return;
  D3DMATRIX m = ToD3d(matrix);
  DX_CHECK(mDevice->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &m), kUnitDisplayHandler);
}

void TPlatformData::SetPerspective(float nearZ, float farZ, float fieldOfView, float aspect) {
  if (!mDevice) return;
  mNearDistance = nearZ;
  mFarDistance = farZ;
  TRect clipped = mViewport.Intersect(mScreenRect).Intersect(mClipRect);
  float cw = (float)clipped.Width(), ch = (float)clipped.Height();
  float vw = (float)mViewport.Width(), vh = (float)mViewport.Height();
  if (aspect == 0.0f) aspect = cw != 0.0f ? ch / cw : 1.0f;
  float ratio = vh != 0.0f ? ch / vh : 1.0f;
  if (ratio != 1.0f) fieldOfView = 2.0f * std::atan(std::tan(fieldOfView / 2.0f) * ratio);
  TVec2 offset(vw != 0.0f ? ((float)(clipped.right - mViewport.right) + (float)(clipped.left - mViewport.left)) / vw : 0.0f,
               vh != 0.0f ? ((float)(clipped.bottom - mViewport.bottom) + (float)(clipped.top - mViewport.top)) / vh
                          : 0.0f);
  mProjection.SetPerspective(nearZ, farZ, fieldOfView, aspect, offset);
  D3DMATRIX m = ToD3d(mProjection);
  DX_CHECK(mDevice->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &m), kUnitDisplayHandler);
}

// --- Viewports and clipping ---

HRESULT TPlatformData::ApplyViewport(const TRect& rect, const TRect& bounds) {
  int32_t boundsWidth = bounds.right, boundsHeight = bounds.bottom;
  TRect r = rect;
  r.left = std::max(r.left, 0);
  r.top = std::max(r.top, 0);
  r.right = std::max(r.right, r.left);
  r.bottom = std::max(r.bottom, r.top);
  r.left = std::min(r.left, boundsWidth - 1);
  r.top = std::min(r.top, boundsHeight - 1);
  r.right = std::min(r.right, boundsWidth);
  r.bottom = std::min(r.bottom, boundsHeight);
  int64_t x = r.left, y = r.top, w = (int64_t)r.right - r.left, h = (int64_t)r.bottom - r.top;
  TDisplayHost& host = GetDisplayHost();
  if (host.IsDisplayScaling()) {
    float scale = host.GetDisplayScale();
    x = std::lround(x * scale);
    y = std::lround(y * scale);
    w = std::lround(w * scale);
    h = std::lround(h * scale);
    int64_t maxWidth = std::lround(boundsWidth * scale), maxHeight = std::lround(boundsHeight * scale);
    w = std::min(w, maxWidth - x);
    h = std::min(h, maxHeight - y);
  }
  if (!mDevice) return DD_OK;
  if (x < 0 || y < 0 || w < 0 || h < 0) return DDERR_INVALIDPARAMS;
  D3DVIEWPORT7 viewport{(DWORD)x, (DWORD)y, (DWORD)w, (DWORD)h, 0.0f, 1.0f};
  return mDevice->SetViewport(&viewport);
}

void TPlatformData::SetViewport(int left, int top, int right, int bottom) {
  TRect old = mViewport;
  mViewport = TRect(left, top, right, bottom);
  HRESULT hr = ApplyViewport(mViewport.Intersect(mClipRect), mScreenRect);
  if (FAILED(hr)) {
    DxLog(hr, kUnitDisplayHandler, __LINE__);
    LogError("Bad viewport: %d, %d, %d, %d", left, top, right, bottom);
    mViewport = old;
  }
  mProjectionSet = true;
}

void TPlatformData::PushViewport(int left, int top, int right, int bottom) {
  mViewportStack.push_back(mViewport);
  SetViewport(left, top, right, bottom);
}

void TPlatformData::PopViewport() {
  if (mViewportStack.empty()) {
    LogError("PopViewport with an empty viewport stack");
    return;
  }
  mViewport = mViewportStack.back();
  mViewportStack.pop_back();
  DX_CHECK(ApplyViewport(mViewport.Intersect(mClipRect), mScreenRect), kUnitDisplayHandler);
  mProjectionSet = true;
}

void TPlatformData::SetClipRect(const TRect& rect) {
  mClipRect = rect;
  DX_CHECK(ApplyViewport(mViewport.Intersect(mClipRect), mScreenRect), kUnitDisplayHandler);
  mProjectionSet = true;
}

// --- Drawing ---

void TPlatformData::PrepareVertexKind(uint32_t kind) {
  ApplyRenderState(D3DRENDERSTATE_LIGHTING, kind == 0, __LINE__);
  if ((kind != 1 && kind != 2) || !mIn2d || !mProjectionSet) return;
  int32_t offsetX = std::max(0, mClipRect.left - mViewport.left);
  int32_t offsetY = std::max(0, mClipRect.top - mViewport.top);
  TRect clipped = mViewport.Intersect(mScreenRect).Intersect(mClipRect);
  float w = (float)clipped.Width(), h = (float)clipped.Height();
  float t = mTexelOffset;
  D3DXMATRIX ortho;
  D3DXMatrixOrthoOffCenterLH(&ortho, (float)offsetX - t, (float)offsetX + w - t, (float)offsetY + h - t,
                             (float)offsetY - t, mNearDistance, mFarDistance);
  // 2D vertices carry their depth as given.
  ortho._33 = 1.0f;
  ortho._43 = 0.0f;
  ortho._44 = 1.0f;
  TMat4 projection;
  std::memcpy(projection.m, &ortho, sizeof(projection.m));
  SetProjection(projection);
}

HRESULT TPlatformData::DrawChecked(HRESULT hr, bool flagOnFailure, int line) {
  if (hr == DDERR_OUTOFVIDEOMEMORY) {
    LogError("DrawVertices out of video memory");
    OnOutOfVideoMemory();
    DxLog(hr, kUnitDisplayHandler, line);
  } else if (FAILED(hr)) {
    DxLog(hr, kUnitDisplayHandler, line);
    if (flagOnFailure) FlagBroken();
  }
  return hr;
}

void TPlatformData::DrawVertices(uint32_t primitive, TVertexArray* vertices) {
  if (vertices) DrawKind(primitive, vertices->GetKind(), vertices->GetVertices(), vertices->GetCount());
}

void TPlatformData::DrawIndexedVertices(uint32_t primitive, TVertexArray* vertices, const uint16_t* indices,
                                        uint32_t indexCount) {
  if (vertices)
    DrawIndexedKind(primitive, vertices->GetKind(), vertices->GetVertices(), vertices->GetCount(), indices,
                    indexCount);
}

void TPlatformData::DrawKind(uint32_t primitive, uint32_t kind, const void* vertices, uint32_t count) {
  if (mBroken || !mDevice) return;
  PrepareVertexKind(kind);
  DrawChecked(mDevice->DrawPrimitive((D3DPRIMITIVETYPE)primitive, FvfOfKind(kind), const_cast<void*>(vertices),
                                     count, 0),
              true, __LINE__);
}

void TPlatformData::DrawIndexedKind(uint32_t primitive, uint32_t kind, const void* vertices, uint32_t count,
                                    const uint16_t* indices, uint32_t indexCount) {
  if (mBroken || !mDevice) return;
  PrepareVertexKind(kind);
  DrawChecked(mDevice->DrawIndexedPrimitive((D3DPRIMITIVETYPE)primitive, FvfOfKind(kind), const_cast<void*>(vertices),
                                            count, const_cast<WORD*>(indices), indexCount, 0),
              false, __LINE__);
}

void TPlatformData::FillRect(int left, int top, int right, int bottom, const TColor* colour,
                             std::shared_ptr<TTexture> texture) {
  FillRectData(left, top, right, bottom, colour, GetTextureData(texture));
}

void TPlatformData::FillRectData(int left, int top, int right, int bottom, const TColor* colour,
                                 TTextureData* texture) {
  TColor c = colour ? *colour : TColor();
  // A channel outside 0..1 would overflow the conversion to a fill value: it counts as the
  // nearest end of the range (NaN as 0), the same on both paths below.
  for (float* channel : {&c.r, &c.g, &c.b, &c.a})
    *channel = std::isnan(*channel) ? 0.0f : std::clamp(*channel, 0.0f, 1.0f);
  if (!texture && mInScene) {
    // A fill replaces what is there, as the DirectDraw fill does: the quad goes down opaque
    // (in an alpha mask that writes the colour's alpha), then the caller's state comes back.
    bool was2d = mIn2d;
    if (!was2d) Begin2d();
    TTextureData* stageTexture = mStageTexture;
    int blendMode = mBlendMode;
    SetTextureData(nullptr);
    SetBlendMode(1);
    uint32_t diffuse = TColor32(c).Value();
    float x0 = (float)(left - mViewport.left), y0 = (float)(top - mViewport.top);
    float x1 = (float)(right - mViewport.left), y1 = (float)(bottom - mViewport.top);
    TVertex quad[4] = {{x0, y0, 0.1f, 0.5f, diffuse, 0xFF000000u, 0, 0},
                           {x1, y0, 0.1f, 0.5f, diffuse, 0xFF000000u, 0, 0},
                           {x1, y1, 0.1f, 0.5f, diffuse, 0xFF000000u, 0, 0},
                           {x0, y1, 0.1f, 0.5f, diffuse, 0xFF000000u, 0, 0}};
    DrawKind(D3DPT_TRIANGLEFAN, TVertexArray::k2d, quad, 4);
    if (blendMode >= 0) SetBlendMode(blendMode);
    SetTextureData(stageTexture);
    if (!was2d) End2d();
    return;
  }
  LPDIRECTDRAWSURFACE7 surface;
  TRect bounds;
  if (texture) {
    surface = static_cast<TDxTextureData*>(texture)->GetSurface();
    bounds = TRect(0, 0, (int32_t)texture->GetWidth(), (int32_t)texture->GetHeight());
  } else {
    surface = mRenderSurface;
    bounds = mScreenRect.Intersect(mClipRect);
  }
  if (!surface) return;
  TRect r = TRect(left, top, right, bottom).Intersect(bounds);
  if (r.IsEmpty()) return;
  TDisplayHost& host = GetDisplayHost();
  if (!texture && host.IsDisplayScaling()) {
    float scale = host.GetDisplayScale();
    r = TRect((int32_t)std::lround(r.left * scale), (int32_t)std::lround(r.top * scale),
              (int32_t)std::lround(r.right * scale), (int32_t)std::lround(r.bottom * scale));
  }
  DDPIXELFORMAT format{};
  format.dwSize = sizeof(format);
  if (FAILED(DX_CHECK(surface->GetPixelFormat(&format), kUnitDisplayHandler))) return;
  auto channel = [](float value, DWORD mask) { return (DWORD)((double)value * mask) & mask; };
  DDBLTFX fx{};
  fx.dwSize = sizeof(fx);
  fx.dwFillColor = channel(c.a, (format.dwFlags & DDPF_ALPHAPIXELS) ? format.dwRGBAlphaBitMask : 0) +
                   channel(c.r, format.dwRBitMask) + channel(c.g, format.dwGBitMask) + channel(c.b, format.dwBBitMask);
  RECT dest{r.left, r.top, r.right, r.bottom};
  HRESULT hr = surface->Blt(&dest, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  if (hr == DDERR_SURFACELOST)
    FlagBrokenThrottled();
  else
    DX_CHECK(hr, kUnitDisplayHandler);
}

void TPlatformData::ServeCapture() {
  TRenderer* renderer = TRenderer::Get();
  std::shared_ptr<TTexture> capture = renderer->GetCaptureTexture();
  if (!capture) return;
  renderer->SetCaptureTexture(nullptr);
  // Mode 0 leaves the finished frame in the region, and the copy back takes it.
  if (BeginRenderTarget(capture, 0))
    EndRenderTarget();
  else
    renderer->SetCaptureTexture(capture);
}
