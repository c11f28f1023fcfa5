// IDirect3DDevice7 stand-in: keeps the device state, transforms and lights vertices, clips them
// against the near plane and a guard band, assembles primitives and hands them to the rasteriser.
#include "platform/directx/direct3d_device.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cmath>
#include <vector>

#include "platform/directx/d3d.h"
#include "platform/directx/draw_shared.h"
#include "platform/directx/rasterizer.h"

using TestControl::Display::LossTrigger;

namespace dx {

struct DeviceState {
  IDirect3D7* direct3d = nullptr;  // counted
  D3DDEVICEDESC7 desc{};
  IDirectDrawSurface7* target = nullptr;  // counted
  bool inScene = false;
  D3DMATRIX world{}, view{}, projection{};
  D3DVIEWPORT7 viewport{};
  D3DMATERIAL7 material{};
  DWORD rs[D3D_MAXRENDERSTATES] = {};
  DWORD tss[D3D_MAXTEXTURESTAGES][D3D_MAXTEXTURESTAGESTATES] = {};
  IDirectDrawSurface7* textures[D3D_MAXTEXTURESTAGES] = {};  // counted
  Rasterizer raster;
  PipelineState pipe;
  // Scratch, kept between draws.
  struct Vtx {
    float cx, cy, cz, cw;  // clip space (pre-transformed: screen x, y, z and 1)
    RasterVertex r;
  };
  std::vector<Vtx> verts;
};

}  // namespace dx

namespace {

D3DMATRIX Identity() {
  D3DMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1.0f;
  return m;
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  const float* A = &a._11;
  const float* B = &b._11;
  D3DMATRIX r;
  float* R = &r._11;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += A[i * 4 + k] * B[k * 4 + j];
      R[i * 4 + j] = s;
    }
  return r;
}

float Clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

void Unpack(DWORD c, float* out) {
  out[0] = (float)(c & 0xFF);
  out[1] = (float)((c >> 8) & 0xFF);
  out[2] = (float)((c >> 16) & 0xFF);
  out[3] = (float)(c >> 24);
}

struct Layout {
  bool rhw = false;
  int stride = 0, normal = -1, diffuse = -1, specular = -1, tex = -1;
};

bool ParseFvf(DWORD fvf, Layout& l) {
  DWORD known = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_RESERVED1 | D3DFVF_DIFFUSE | D3DFVF_SPECULAR |
                D3DFVF_TEXCOUNT_MASK;
  if (fvf & ~known) return false;
  DWORD pos = fvf & D3DFVF_POSITION_MASK;
  if (pos != D3DFVF_XYZ && pos != D3DFVF_XYZRHW) return false;
  l.rhw = pos == D3DFVF_XYZRHW;
  int off = l.rhw ? 16 : 12;
  if (fvf & D3DFVF_NORMAL) {
    if (l.rhw) return false;
    l.normal = off;
    off += 12;
  }
  if (fvf & D3DFVF_RESERVED1) off += 4;
  if (fvf & D3DFVF_DIFFUSE) l.diffuse = off, off += 4;
  if (fvf & D3DFVF_SPECULAR) l.specular = off, off += 4;
  int texCount = (int)((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  if (texCount > 8) return false;
  if (texCount > 0) l.tex = off;
  off += 8 * texCount;
  l.stride = off;
  return true;
}

void ReadFloats(const uint8_t* p, float* out, int n) { std::memcpy(out, p, sizeof(float) * (size_t)n); }
DWORD ReadWord32(const uint8_t* p) {
  DWORD v;
  std::memcpy(&v, p, 4);
  return v;
}

using Vtx = dx::DeviceState::Vtx;

Vtx LerpVtx(const Vtx& a, const Vtx& b, float t) {
  Vtx o;
  o.cx = a.cx + (b.cx - a.cx) * t;
  o.cy = a.cy + (b.cy - a.cy) * t;
  o.cz = a.cz + (b.cz - a.cz) * t;
  o.cw = a.cw + (b.cw - a.cw) * t;
  o.r = a.r;
  for (int i = 0; i < 4; ++i) {
    o.r.diffuse[i] = a.r.diffuse[i] + (b.r.diffuse[i] - a.r.diffuse[i]) * t;
    o.r.specular[i] = a.r.specular[i] + (b.r.specular[i] - a.r.specular[i]) * t;
  }
  o.r.u = a.r.u + (b.r.u - a.r.u) * t;
  o.r.v = a.r.v + (b.r.v - a.r.v) * t;
  return o;
}

// Plane distances: inside when >= 0.
float PlaneDist(const Vtx& v, int plane, float gx, float gy) {
  switch (plane) {
    case 0: return v.cz;                // near
    case 1: return v.cw - 1e-6f;        // w > 0
    case 2: return gx * v.cw + v.cx;    // left guard band
    case 3: return gx * v.cw - v.cx;    // right
    case 4: return gy * v.cw + v.cy;    // bottom
    case 5: return gy * v.cw - v.cy;    // top
    default: return v.cw - v.cz;        // far
  }
}

}  // namespace

IDirect3DDevice7::IDirect3DDevice7(IDirect3D7* direct3d, const D3DDEVICEDESC7& desc, IDirectDrawSurface7* target)
    : mState(std::make_unique<dx::DeviceState>()) {
  auto& s = *mState;
  s.direct3d = direct3d;
  direct3d->AddRef();
  s.desc = desc;
  s.target = target;
  target->AddRef();
  s.world = s.view = s.projection = Identity();
  s.viewport = {0, 0, target->Width(), target->Height(), 0.0f, 1.0f};
  DWORD* rs = s.rs;
  rs[D3DRENDERSTATE_ZENABLE] = target->AttachedZBuffer() ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRENDERSTATE_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRENDERSTATE_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRENDERSTATE_ZWRITEENABLE] = TRUE;
  rs[D3DRENDERSTATE_LASTPIXEL] = TRUE;
  rs[D3DRENDERSTATE_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRENDERSTATE_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRENDERSTATE_CULLMODE] = D3DCULL_CCW;
  rs[D3DRENDERSTATE_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRENDERSTATE_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRENDERSTATE_TEXTUREPERSPECTIVE] = TRUE;
  rs[D3DRENDERSTATE_TEXTUREFACTOR] = 0xFFFFFFFFu;
  rs[D3DRENDERSTATE_CLIPPING] = TRUE;
  rs[D3DRENDERSTATE_LIGHTING] = TRUE;
  rs[D3DRENDERSTATE_COLORVERTEX] = TRUE;
  rs[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRENDERSTATE_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRENDERSTATE_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  rs[D3DRENDERSTATE_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  for (int i = 0; i < D3D_MAXTEXTURESTAGES; ++i) {
    DWORD* t = s.tss[i];
    t[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    t[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    t[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    t[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    t[D3DTSS_TEXCOORDINDEX] = (DWORD)i;
    t[D3DTSS_ADDRESS] = t[D3DTSS_ADDRESSU] = t[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    t[D3DTSS_MAGFILTER] = D3DTFG_POINT;
    t[D3DTSS_MINFILTER] = D3DTFN_POINT;
    t[D3DTSS_MIPFILTER] = D3DTFP_NONE;
  }
}

IDirect3DDevice7::~IDirect3DDevice7() {
  for (auto*& t : mState->textures)
    if (t) t->Release();
  mState->target->Release();
  mState->direct3d->Release();
}

ULONG IDirect3DDevice7::AddRef() { return ++mRefs; }
ULONG IDirect3DDevice7::Release() {
  ULONG r = --mRefs;
  if (r == 0) delete this;
  return r;
}

uint64_t IDirect3DDevice7::PixelCount() const { return mState->raster.PixelCount(); }

HRESULT IDirect3DDevice7::GetCaps(LPD3DDEVICEDESC7 desc) {
  if (!desc) return DDERR_INVALIDPARAMS;
  *desc = mState->desc;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  auto formats = mState->direct3d->DirectDraw()->Shared()->profile.textureFormats;
  for (auto& f : formats) {
    DDPIXELFORMAT pf = f;
    if (callback(&pf, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetDirect3D(LPDIRECT3D7* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  mState->direct3d->AddRef();
  *out = mState->direct3d;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::BeginScene() {
  auto& s = *mState;
  if (s.inScene) return D3DERR_SCENE_IN_SCENE;
  if (dx::faults::TakeLoss(LossTrigger::BeginScene)) dx::LoseSurfaces(*s.target->Shared());
  if (s.target->Lost()) return DDERR_SURFACELOST;
  s.inScene = true;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::EndScene() {
  auto& s = *mState;
  if (!s.inScene) return D3DERR_SCENE_NOT_IN_SCENE;
  s.inScene = false;
  if (dx::faults::TakeLoss(LossTrigger::EndScene)) dx::LoseSurfaces(*s.target->Shared());
  if (s.target->Lost()) return DDERR_SURFACELOST;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetRenderTarget(LPDIRECTDRAWSURFACE7 surface, DWORD flags) {
  auto& s = *mState;
  if (!surface) return DDERR_INVALIDPARAMS;
  HRESULT refusal = dx::faults::RenderTargetRefusal((DWORD)surface->Format().bits);
  if (refusal != DD_OK) return refusal;
  if (!(surface->Caps() & DDSCAPS_3DDEVICE) || surface->Format().z) return DDERR_INVALIDCAPS;
  if (surface->Format().palette) return DDERR_NOPALETTEATTACHED;
  if (surface->Lost()) return DDERR_SURFACELOST;
  surface->AddRef();
  s.target->Release();
  s.target = surface;
  s.viewport = {0, 0, surface->Width(), surface->Height(), 0.0f, 1.0f};
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetRenderTarget(LPDIRECTDRAWSURFACE7* surface) {
  if (!surface) return DDERR_INVALIDPARAMS;
  mState->target->AddRef();
  *surface = mState->target;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::Clear(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR colour, float z, DWORD stencil) {
  auto& s = *mState;
  if (!(flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL))) return DDERR_INVALIDPARAMS;
  if (count && !rects) return DDERR_INVALIDPARAMS;
  IDirectDrawSurface7* target = s.target;
  IDirectDrawSurface7* zb = target->AttachedZBuffer();
  if ((flags & D3DCLEAR_ZBUFFER) && !zb) return DDERR_INVALIDPARAMS;
  if ((flags & D3DCLEAR_STENCIL)) return DDERR_INVALIDPARAMS;
  if (target->Lost() || (zb && zb->Lost())) return DDERR_SURFACELOST;
  const D3DVIEWPORT7& vp = s.viewport;
  D3DRECT whole = {(LONG)vp.dwX, (LONG)vp.dwY, (LONG)(vp.dwX + vp.dwWidth), (LONG)(vp.dwY + vp.dwHeight)};
  std::vector<D3DRECT> list;
  if (count)
    list.assign(rects, rects + count);
  else
    list.push_back(whole);
  std::lock_guard<std::mutex> lock(target->PixelLock());
  for (auto r : list) {
    r.x1 = std::max(r.x1, whole.x1);
    r.y1 = std::max(r.y1, whole.y1);
    r.x2 = std::min(r.x2, whole.x2);
    r.y2 = std::min(r.y2, whole.y2);
    if (r.x1 >= r.x2 || r.y1 >= r.y2) continue;
    if (flags & D3DCLEAR_TARGET) {
      const auto& f = target->Format();
      uint32_t raw = dx::FromArgb(f, colour);
      for (LONG y = r.y1; y < r.y2; ++y)
        for (LONG x = r.x1; x < r.x2; ++x)
          dx::WriteRaw(target->Pixels() + (size_t)y * target->Pitch() + (size_t)x * f.bytes, f.bytes, raw);
      target->Touch();
    }
    if (flags & D3DCLEAR_ZBUFFER) {
      const auto& f = zb->Format();
      uint32_t zq = (uint32_t)std::lrint((double)Clamp01(z) * (double)f.zMask);
      for (LONG y = r.y1; y < r.y2; ++y)
        for (LONG x = r.x1; x < r.x2; ++x)
          dx::WriteRaw(zb->Pixels() + (size_t)y * zb->Pitch() + (size_t)x * f.bytes, f.bytes, zq);
      zb->Touch();
    }
  }
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetTransform(D3DTRANSFORMSTATETYPE type, LPD3DMATRIX matrix) {
  if (!matrix) return DDERR_INVALIDPARAMS;
  switch (type) {
    case D3DTRANSFORMSTATE_WORLD: mState->world = *matrix; return D3D_OK;
    case D3DTRANSFORMSTATE_VIEW: mState->view = *matrix; return D3D_OK;
    case D3DTRANSFORMSTATE_PROJECTION: mState->projection = *matrix; return D3D_OK;
  }
  return DDERR_INVALIDPARAMS;
}

HRESULT IDirect3DDevice7::GetTransform(D3DTRANSFORMSTATETYPE type, LPD3DMATRIX matrix) {
  if (!matrix) return DDERR_INVALIDPARAMS;
  switch (type) {
    case D3DTRANSFORMSTATE_WORLD: *matrix = mState->world; return D3D_OK;
    case D3DTRANSFORMSTATE_VIEW: *matrix = mState->view; return D3D_OK;
    case D3DTRANSFORMSTATE_PROJECTION: *matrix = mState->projection; return D3D_OK;
  }
  return DDERR_INVALIDPARAMS;
}

HRESULT IDirect3DDevice7::MultiplyTransform(D3DTRANSFORMSTATETYPE type, LPD3DMATRIX matrix) {
  D3DMATRIX current;
  HRESULT hr = GetTransform(type, &current);
  if (FAILED(hr)) return hr;
  D3DMATRIX product = Multiply(*matrix, current);
  return SetTransform(type, &product);
}

HRESULT IDirect3DDevice7::SetViewport(LPD3DVIEWPORT7 vp) {
  if (!vp) return DDERR_INVALIDPARAMS;
  auto* t = mState->target;
  if ((uint64_t)vp->dwX + vp->dwWidth > t->Width() || (uint64_t)vp->dwY + vp->dwHeight > t->Height())
    return DDERR_INVALIDPARAMS;
  if (!(vp->dvMinZ >= 0.0f && vp->dvMaxZ <= 1.0f && vp->dvMinZ <= vp->dvMaxZ)) return DDERR_INVALIDPARAMS;
  mState->viewport = *vp;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetViewport(LPD3DVIEWPORT7 vp) {
  if (!vp) return DDERR_INVALIDPARAMS;
  *vp = mState->viewport;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetMaterial(LPD3DMATERIAL7 material) {
  if (!material) return DDERR_INVALIDPARAMS;
  mState->material = *material;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetMaterial(LPD3DMATERIAL7 material) {
  if (!material) return DDERR_INVALIDPARAMS;
  *material = mState->material;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  if ((unsigned)state >= D3D_MAXRENDERSTATES || (int)state <= 0) return DDERR_INVALIDPARAMS;
  if (state == D3DRENDERSTATE_ANTIALIAS && value != D3DANTIALIAS_NONE) {
    if (dx::faults::AntialiasRefused()) return DDERR_INVALIDPARAMS;
    // Accepted and kept, but the rasteriser draws hard edges: say so once.
    static std::atomic<bool> told{false};
    if (!told.exchange(true))
      std::fprintf(stderr, "display stand-in: the antialias render state is accepted and ignored\n");
  }
  mState->rs[state] = value;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value) {
  if (!value || (unsigned)state >= D3D_MAXRENDERSTATES || (int)state <= 0) return DDERR_INVALIDPARAMS;
  *value = mState->rs[state];
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetTexture(DWORD stage, LPDIRECTDRAWSURFACE7 texture) {
  if (stage >= D3D_MAXTEXTURESTAGES) return DDERR_INVALIDPARAMS;
  if (texture && !(texture->Caps() & DDSCAPS_TEXTURE)) return DDERR_INVALIDPARAMS;
  if (texture) texture->AddRef();
  if (mState->textures[stage]) mState->textures[stage]->Release();
  mState->textures[stage] = texture;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetTexture(DWORD stage, LPDIRECTDRAWSURFACE7* texture) {
  if (stage >= D3D_MAXTEXTURESTAGES || !texture) return DDERR_INVALIDPARAMS;
  *texture = mState->textures[stage];
  if (*texture) (*texture)->AddRef();
  return D3D_OK;
}

HRESULT IDirect3DDevice7::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
  if (stage >= D3D_MAXTEXTURESTAGES || (unsigned)type >= D3D_MAXTEXTURESTAGESTATES || (int)type <= 0)
    return DDERR_INVALIDPARAMS;
  mState->tss[stage][type] = value;
  if (type == D3DTSS_ADDRESS) mState->tss[stage][D3DTSS_ADDRESSU] = mState->tss[stage][D3DTSS_ADDRESSV] = value;
  return D3D_OK;
}

HRESULT IDirect3DDevice7::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, LPDWORD value) {
  if (!value || stage >= D3D_MAXTEXTURESTAGES || (unsigned)type >= D3D_MAXTEXTURESTAGESTATES || (int)type <= 0)
    return DDERR_INVALIDPARAMS;
  *value = mState->tss[stage][type];
  return D3D_OK;
}

HRESULT IDirect3DDevice7::DrawPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD count, DWORD flags) {
  return Draw(type, fvf, vertices, count, nullptr, 0);
}

HRESULT IDirect3DDevice7::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD fvf, LPVOID vertices, DWORD vertexCount,
                                               LPWORD indices, DWORD indexCount, DWORD flags) {
  if (!indices && indexCount) return DDERR_INVALIDPARAMS;
  return Draw(type, fvf, vertices, vertexCount, indices, indexCount);
}

HRESULT IDirect3DDevice7::Draw(D3DPRIMITIVETYPE type, DWORD fvf, const void* vertices, DWORD vertexCount,
                               const WORD* indices, DWORD indexCount) {
  auto& s = *mState;
  if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN) return D3DERR_INVALIDPRIMITIVETYPE;
  Layout layout;
  if (!ParseFvf(fvf, layout)) return D3DERR_INVALIDVERTEXTYPE;
  if (!vertices && vertexCount) return DDERR_INVALIDPARAMS;
  if (!s.inScene) return D3DERR_SCENE_NOT_IN_SCENE;
  if (dx::faults::TakeLoss(LossTrigger::DrawPrimitive)) dx::LoseSurfaces(*s.target->Shared());
  IDirectDrawSurface7* target = s.target;
  if (target->Lost()) return DDERR_SURFACELOST;
  if (indices)
    for (DWORD i = 0; i < indexCount; ++i)
      if (indices[i] >= vertexCount) return DDERR_INVALIDPARAMS;
  DWORD primCount = indices ? indexCount : vertexCount;
  if (primCount == 0) return D3D_OK;

  // Pipeline state for the rasteriser.
  dx::PipelineState& p = s.pipe;
  const DWORD* rs = s.rs;
  p.target = target->Pixels();
  p.targetPitch = target->Pitch();
  p.targetWidth = (int)target->Width();
  p.targetHeight = (int)target->Height();
  p.targetFormat = target->Format();
  IDirectDrawSurface7* zb = target->AttachedZBuffer();
  if (zb && zb->Lost()) zb = nullptr;
  p.zbuffer = zb ? zb->Pixels() : nullptr;
  p.zPitch = zb ? zb->Pitch() : 0;
  p.zBytes = zb ? zb->Format().bytes : 0;
  p.zMax = zb ? zb->Format().zMask : 0;
  p.zEnable = zb && rs[D3DRENDERSTATE_ZENABLE] != D3DZB_FALSE;
  p.zWrite = zb && rs[D3DRENDERSTATE_ZENABLE] != D3DZB_FALSE && rs[D3DRENDERSTATE_ZWRITEENABLE];
  p.zFunc = rs[D3DRENDERSTATE_ZFUNC];
  const D3DVIEWPORT7& vp = s.viewport;
  p.clipX0 = (int)std::min<DWORD>(vp.dwX, target->Width());
  p.clipY0 = (int)std::min<DWORD>(vp.dwY, target->Height());
  p.clipX1 = (int)std::min<uint64_t>((uint64_t)vp.dwX + vp.dwWidth, target->Width());
  p.clipY1 = (int)std::min<uint64_t>((uint64_t)vp.dwY + vp.dwHeight, target->Height());
  p.alphaTest = rs[D3DRENDERSTATE_ALPHATESTENABLE] != 0;
  p.alphaRef = rs[D3DRENDERSTATE_ALPHAREF];
  p.alphaFunc = rs[D3DRENDERSTATE_ALPHAFUNC];
  p.blend = rs[D3DRENDERSTATE_ALPHABLENDENABLE] != 0;
  p.srcBlend = rs[D3DRENDERSTATE_SRCBLEND];
  p.dstBlend = rs[D3DRENDERSTATE_DESTBLEND];
  p.flat = rs[D3DRENDERSTATE_SHADEMODE] == D3DSHADE_FLAT;
  p.specular = rs[D3DRENDERSTATE_SPECULARENABLE] != 0;
  p.textureFactor = rs[D3DRENDERSTATE_TEXTUREFACTOR];
  p.stageCount = 0;
  for (int i = 0; i < 2; ++i) {
    const DWORD* t = s.tss[i];
    if (t[D3DTSS_COLOROP] == D3DTOP_DISABLE) break;
    p.stages[i] = {t[D3DTSS_COLOROP], t[D3DTSS_COLORARG1], t[D3DTSS_COLORARG2],
                   t[D3DTSS_ALPHAOP], t[D3DTSS_ALPHAARG1], t[D3DTSS_ALPHAARG2]};
    p.stageCount = i + 1;
  }
  p.levels.clear();
  if (p.stageCount > 0 && s.textures[0] && !s.textures[0]->Lost()) {
    for (IDirectDrawSurface7* lvl = s.textures[0]; lvl; lvl = lvl->NextMipLevel()) {
      if (lvl->Format().z || lvl->Format().palette) break;
      p.levels.push_back({lvl->ArgbCopy(), (int)lvl->Width(), (int)lvl->Height()});
    }
  }
  const DWORD* t0 = s.tss[0];
  p.magFilter = t0[D3DTSS_MAGFILTER];
  p.minFilter = t0[D3DTSS_MINFILTER];
  p.mipFilter = t0[D3DTSS_MIPFILTER];
  p.addressU = t0[D3DTSS_ADDRESSU];
  p.addressV = t0[D3DTSS_ADDRESSV];
  s.raster.SetState(&p);

  // Transform and light every vertex.
  const uint8_t* base = static_cast<const uint8_t*>(vertices);
  s.verts.resize(vertexCount);
  D3DMATRIX m = Multiply(Multiply(s.world, s.view), s.projection);
  bool lighting = !layout.rhw && rs[D3DRENDERSTATE_LIGHTING];
  float lit[4] = {255, 255, 255, 255};
  bool litFromVertex = false;
  if (lighting) {
    // No lights are set by this program: colour = emissive + ambient state x ambient, alpha from
    // the diffuse source.
    float amb[4];
    Unpack(rs[D3DRENDERSTATE_AMBIENT], amb);
    const D3DMATERIAL7& mt = s.material;
    float ambient[3] = {mt.ambient.b, mt.ambient.g, mt.ambient.r};
    float emissive[3] = {mt.emissive.b, mt.emissive.g, mt.emissive.r};
    for (int ch = 0; ch < 3; ++ch) lit[ch] = Clamp01(emissive[ch] + amb[ch] / 255.0f * ambient[ch]) * 255.0f;
    lit[3] = Clamp01(mt.diffuse.a) * 255.0f;
    litFromVertex = rs[D3DRENDERSTATE_COLORVERTEX] && layout.diffuse >= 0 &&
                    rs[D3DRENDERSTATE_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
  }
  for (DWORD i = 0; i < vertexCount; ++i) {
    const uint8_t* vp8 = base + (size_t)i * layout.stride;
    Vtx& v = s.verts[i];
    float pos[4];
    if (layout.rhw) {
      ReadFloats(vp8, pos, 4);
      v.cx = pos[0];
      v.cy = pos[1];
      v.cz = pos[2];
      v.cw = 1.0f;
      v.r.x = pos[0];
      v.r.y = pos[1];
      v.r.z = pos[2];
      v.r.rhw = pos[3];
    } else {
      ReadFloats(vp8, pos, 3);
      v.cx = pos[0] * m._11 + pos[1] * m._21 + pos[2] * m._31 + m._41;
      v.cy = pos[0] * m._12 + pos[1] * m._22 + pos[2] * m._32 + m._42;
      v.cz = pos[0] * m._13 + pos[1] * m._23 + pos[2] * m._33 + m._43;
      v.cw = pos[0] * m._14 + pos[1] * m._24 + pos[2] * m._34 + m._44;
    }
    if (lighting) {
      for (int ch = 0; ch < 4; ++ch) v.r.diffuse[ch] = lit[ch];
      if (litFromVertex) {
        float c[4];
        Unpack(ReadWord32(vp8 + layout.diffuse), c);
        v.r.diffuse[3] = c[3];
      }
      for (int ch = 0; ch < 4; ++ch) v.r.specular[ch] = 0;
    } else {
      if (layout.diffuse >= 0) Unpack(ReadWord32(vp8 + layout.diffuse), v.r.diffuse);
      else for (int ch = 0; ch < 4; ++ch) v.r.diffuse[ch] = 255.0f;
      if (layout.specular >= 0) Unpack(ReadWord32(vp8 + layout.specular), v.r.specular);
      else for (int ch = 0; ch < 4; ++ch) v.r.specular[ch] = 0.0f;
    }
    if (layout.tex >= 0) {
      float uv[2];
      ReadFloats(vp8 + layout.tex, uv, 2);
      v.r.u = uv[0];
      v.r.v = uv[1];
    } else {
      v.r.u = v.r.v = 0.0f;
    }
  }

  float halfW = vp.dwWidth * 0.5f, halfH = vp.dwHeight * 0.5f;
  float gx = (8192.0f + halfW) / std::max(halfW, 1.0f), gy = (8192.0f + halfH) / std::max(halfH, 1.0f);
  bool clipFar = rs[D3DRENDERSTATE_CLIPPING] != 0;
  int planes = clipFar ? 7 : 6;
  auto toScreen = [&](Vtx& v) {
    if (layout.rhw) return;
    float iw = 1.0f / v.cw;
    v.r.x = vp.dwX + (1.0f + v.cx * iw) * halfW;
    v.r.y = vp.dwY + (1.0f - v.cy * iw) * halfH;
    v.r.z = vp.dvMinZ + v.cz * iw * (vp.dvMaxZ - vp.dvMinZ);
    v.r.rhw = iw;
  };
  auto outcode = [&](const Vtx& v) {
    if (layout.rhw) return 0;
    int code = 0;
    for (int pl = 0; pl < planes; ++pl)
      if (PlaneDist(v, pl, gx, gy) < 0) code |= 1 << pl;
    return code;
  };
  DWORD cull = rs[D3DRENDERSTATE_CULLMODE];
  float flatColour[4], flatSpecular[4];
  auto emitTriangle = [&](Vtx a, Vtx b, Vtx c) {
    if (p.flat) {
      std::memcpy(flatColour, a.r.diffuse, sizeof(flatColour));
      std::memcpy(flatSpecular, a.r.specular, sizeof(flatSpecular));
    }
    int ca = outcode(a), cb = outcode(b), cc = outcode(c);
    Vtx poly[16], tmp[16];
    int n = 3;
    poly[0] = a, poly[1] = b, poly[2] = c;
    if (ca & cb & cc) return;
    if (ca | cb | cc) {
      for (int pl = 0; pl < planes && n > 0; ++pl) {
        if (!((ca | cb | cc) & (1 << pl))) continue;
        int m2 = 0;
        for (int i = 0; i < n && m2 < 15; ++i) {
          const Vtx& p0 = poly[i];
          const Vtx& p1 = poly[(i + 1) % n];
          float d0 = PlaneDist(p0, pl, gx, gy), d1 = PlaneDist(p1, pl, gx, gy);
          if (d0 >= 0) tmp[m2++] = p0;
          if ((d0 >= 0) != (d1 >= 0) && m2 < 15) tmp[m2++] = LerpVtx(p0, p1, d0 / (d0 - d1));
        }
        n = m2;
        for (int i = 0; i < n; ++i) poly[i] = tmp[i];
      }
      if (n < 3) return;
    }
    for (int i = 0; i < n; ++i) toScreen(poly[i]);
    for (int i = 1; i + 1 < n; ++i) {
      dx::RasterVertex r0 = poly[0].r, r1 = poly[i].r, r2 = poly[i + 1].r;
      float area = (r1.x - r0.x) * (r2.y - r0.y) - (r2.x - r0.x) * (r1.y - r0.y);
      if (!(area == area)) continue;
      if (cull == D3DCULL_CCW && area < 0) continue;
      if (cull == D3DCULL_CW && area > 0) continue;
      if (p.flat) {
        std::memcpy(r0.diffuse, flatColour, sizeof(flatColour));
        std::memcpy(r0.specular, flatSpecular, sizeof(flatSpecular));
      }
      s.raster.DrawTriangle(r0, r1, r2);
    }
  };
  auto emitLine = [&](Vtx a, Vtx b) {
    int ca = outcode(a), cb = outcode(b);
    if (ca & cb) return;
    for (int pl = 0; pl < planes; ++pl) {
      float d0 = PlaneDist(a, pl, gx, gy), d1 = PlaneDist(b, pl, gx, gy);
      if (d0 < 0 && d1 < 0) return;
      if (d0 < 0) a = LerpVtx(a, b, d0 / (d0 - d1));
      else if (d1 < 0) b = LerpVtx(a, b, d0 / (d0 - d1));
    }
    toScreen(a);
    toScreen(b);
    if (p.flat) std::memcpy(b.r.diffuse, a.r.diffuse, sizeof(a.r.diffuse));
    s.raster.DrawLine(a.r, b.r);
  };
  auto at = [&](DWORD k) -> Vtx& { return s.verts[indices ? indices[k] : k]; };
  // Two triangles that split an axis-aligned rectangle with plain 2D attributes go to the
  // rectangle path: half the spans, the same pixels.
  auto tryRect = [&](const Vtx* t1[3], const Vtx* t2[3]) {
    Vtx q[6];
    for (int i = 0; i < 3; ++i) q[i] = *t1[i], q[3 + i] = *t2[i];
    for (auto& v : q) {
      if (outcode(v)) return false;
      toScreen(v);
    }
    const dx::RasterVertex& r0 = q[0].r;
    float x0 = r0.x, x1 = r0.x, y0 = r0.y, y1 = r0.y;
    for (auto& v : q) {
      x0 = std::min(x0, v.r.x), x1 = std::max(x1, v.r.x);
      y0 = std::min(y0, v.r.y), y1 = std::max(y1, v.r.y);
    }
    if (!(x0 < x1 && y0 < y1)) return false;
    float uL = 0, uR = 0, vT = 0, vB = 0;
    bool haveL = false, haveR = false, haveT = false, haveB = false;
    int missing[2];
    for (int t = 0; t < 2; ++t) {
      int seen = 0;
      for (int i = 0; i < 3; ++i) {
        const dx::RasterVertex& r = q[3 * t + i].r;
        bool left = r.x == x0, top = r.y == y0;
        if ((!left && r.x != x1) || (!top && r.y != y1)) return false;
        if (r.z != r0.z || r.rhw != r0.rhw || std::memcmp(r.diffuse, r0.diffuse, sizeof(r.diffuse)) ||
            std::memcmp(r.specular, r0.specular, sizeof(r.specular)))
          return false;
        float& u = left ? uL : uR;
        bool& hu = left ? haveL : haveR;
        if (hu && u != r.u) return false;
        u = r.u, hu = true;
        float& v = top ? vT : vB;
        bool& hv = top ? haveT : haveB;
        if (hv && v != r.v) return false;
        v = r.v, hv = true;
        seen |= 1 << ((left ? 0 : 1) | (top ? 0 : 2));
      }
      if (__builtin_popcount(seen) != 3) return false;
      missing[t] = __builtin_ctz(~seen & 0xF);
    }
    // The corners each triangle lacks must be opposite: the two share a diagonal.
    if ((missing[0] ^ missing[1]) != 3) return false;
    auto areaOf = [&](int t) {
      const dx::RasterVertex &a = q[3 * t].r, &b = q[3 * t + 1].r, &c = q[3 * t + 2].r;
      return (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
    };
    float a1 = areaOf(0), a2 = areaOf(1);
    if ((a1 > 0) != (a2 > 0)) return false;
    if ((cull == D3DCULL_CCW && a1 < 0) || (cull == D3DCULL_CW && a1 > 0)) return true;
    dx::RasterVertex tl = r0, br = r0;
    tl.x = x0, tl.y = y0, tl.u = uL, tl.v = vT;
    br.x = x1, br.y = y1, br.u = uR, br.v = vB;
    s.raster.DrawRect(tl, br);
    return true;
  };

  std::lock_guard<std::mutex> lock(target->PixelLock());
  switch (type) {
    case D3DPT_POINTLIST:
      for (DWORD k = 0; k < primCount; ++k) {
        Vtx v = at(k);
        if (outcode(v)) continue;
        toScreen(v);
        s.raster.DrawPoint(v.r);
      }
      break;
    case D3DPT_LINELIST:
      for (DWORD k = 0; k + 1 < primCount; k += 2) emitLine(at(k), at(k + 1));
      break;
    case D3DPT_LINESTRIP:
      for (DWORD k = 0; k + 1 < primCount; ++k) emitLine(at(k), at(k + 1));
      break;
    case D3DPT_TRIANGLELIST:
      for (DWORD k = 0; k + 2 < primCount; k += 3) {
        if (k + 5 < primCount) {
          const Vtx* t1[3] = {&at(k), &at(k + 1), &at(k + 2)};
          const Vtx* t2[3] = {&at(k + 3), &at(k + 4), &at(k + 5)};
          if (tryRect(t1, t2)) {
            k += 3;
            continue;
          }
        }
        emitTriangle(at(k), at(k + 1), at(k + 2));
      }
      break;
    case D3DPT_TRIANGLESTRIP:
      if (primCount == 4) {
        const Vtx* t1[3] = {&at(0), &at(1), &at(2)};
        const Vtx* t2[3] = {&at(2), &at(1), &at(3)};
        if (tryRect(t1, t2)) break;
      }
      for (DWORD k = 0; k + 2 < primCount; ++k) {
        if (k & 1) emitTriangle(at(k + 1), at(k), at(k + 2));
        else emitTriangle(at(k), at(k + 1), at(k + 2));
      }
      break;
    case D3DPT_TRIANGLEFAN:
      for (DWORD k = 1; k + 1 < primCount; ++k) emitTriangle(at(0), at(k), at(k + 1));
      break;
  }
  target->Touch();
  return D3D_OK;
}
