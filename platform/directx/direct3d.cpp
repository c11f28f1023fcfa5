// IDirect3D7 stand-in: the software device is always there; the profile adds the hardware
// devices, their caps, and the z-buffer depths.
#include "platform/directx/direct3d.h"

#include "platform/directx/d3d.h"
#include "platform/directx/draw_shared.h"
#include "platform/directx/pixel_format.h"

IDirect3D7::IDirect3D7(IDirectDraw7* directDraw) : mDirectDraw(directDraw) { mDirectDraw->AddRef(); }
IDirect3D7::~IDirect3D7() { mDirectDraw->Release(); }

ULONG IDirect3D7::AddRef() { return ++mRefs; }
ULONG IDirect3D7::Release() {
  ULONG r = --mRefs;
  if (r == 0) delete this;
  return r;
}

bool IDirect3D7::Describe(const GUID& device, D3DDEVICEDESC7& d, const char** name) const {
  const auto& p = mDirectDraw->Shared()->profile;
  bool software = device == IID_IDirect3DRGBDevice;
  bool hal = p.hardwareDevice && device == IID_IDirect3DHALDevice;
  bool tnl = p.hardwareDevice && p.transformAndLight && device == IID_IDirect3DTnLHalDevice;
  if (!software && !hal && !tnl) return false;
  if (name) *name = software ? "RGB Emulation" : hal ? "Direct3D HAL" : "Direct3D T&L HAL";
  std::memset(&d, 0, sizeof(d));
  d.dwDevCaps = D3DDEVCAPS_FLOATTLVERTEX | D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY |
                D3DDEVCAPS_TEXTURESYSTEMMEMORY | D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_CANRENDERAFTERFLIP |
                D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX;
  if (!software) {
    d.dwDevCaps |= D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_TEXTUREVIDEOMEMORY;
    if (p.separateTextureMemories) d.dwDevCaps |= D3DDEVCAPS_SEPARATETEXTUREMEMORIES;
  }
  if (tnl) d.dwDevCaps |= D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  for (D3DPRIMCAPS* c : {&d.dpcLineCaps, &d.dpcTriCaps}) {
    c->dwSize = sizeof(D3DPRIMCAPS);
    c->dwRasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_ANTIALIASSORTINDEPENDENT | D3DPRASTERCAPS_MIPMAPLODBIAS;
    c->dwZCmpCaps = D3DPCMPCAPS_ALL;
    c->dwSrcBlendCaps = D3DPBLENDCAPS_ALL;
    c->dwDestBlendCaps = D3DPBLENDCAPS_ALL;
    c->dwAlphaCmpCaps = D3DPCMPCAPS_ALL;
    c->dwShadeCaps = D3DPSHADECAPS_COLORFLATRGB | D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAFLATBLEND |
                     D3DPSHADECAPS_ALPHAGOURAUDBLEND;
    if (p.specular) c->dwShadeCaps |= D3DPSHADECAPS_SPECULARFLATRGB | D3DPSHADECAPS_SPECULARGOURAUDRGB;
    c->dwTextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA |
                       (p.powerOfTwoOnly ? D3DPTEXTURECAPS_POW2 : 0u) | (p.squareOnly ? D3DPTEXTURECAPS_SQUAREONLY : 0u);
    c->dwTextureFilterCaps = D3DPTFILTERCAPS_NEAREST | D3DPTFILTERCAPS_LINEAR | D3DPTFILTERCAPS_MIPNEAREST |
                             D3DPTFILTERCAPS_MIPLINEAR | D3DPTFILTERCAPS_LINEARMIPNEAREST | D3DPTFILTERCAPS_LINEARMIPLINEAR;
    c->dwTextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP;
  }
  d.dwDeviceRenderBitDepth = DDBD_16 | DDBD_24 | DDBD_32;
  for (DWORD z : p.zBufferDepths) d.dwDeviceZBufferBitDepth |= z == 16 ? DDBD_16 : z == 24 ? DDBD_24 : z == 32 ? DDBD_32 : 0u;
  d.dwMinTextureWidth = d.dwMinTextureHeight = 1;
  d.dwMaxTextureWidth = p.maxTextureWidth;
  d.dwMaxTextureHeight = p.maxTextureHeight;
  d.dwMaxTextureRepeat = 8192;
  d.dwMaxTextureAspectRatio = p.maxTextureAspectRatio ? p.maxTextureAspectRatio : std::max(p.maxTextureWidth, p.maxTextureHeight);
  d.dwMaxAnisotropy = 1;
  d.dvGuardBandLeft = d.dvGuardBandTop = -8192.0f;
  d.dvGuardBandRight = d.dvGuardBandBottom = 8192.0f;
  d.dwFVFCaps = 8;
  d.dwTextureOpCaps = 0x3FFF;
  d.wMaxTextureBlendStages = 8;
  d.wMaxSimultaneousTextures = 1;
  d.dvMaxVertexW = 1e10f;
  d.deviceGUID = device;
  return true;
}

HRESULT IDirect3D7::EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, LPVOID context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  for (const GUID* g : {&IID_IDirect3DRGBDevice, &IID_IDirect3DHALDevice, &IID_IDirect3DTnLHalDevice}) {
    D3DDEVICEDESC7 d;
    const char* name;
    if (!Describe(*g, d, &name)) continue;
    std::string n = name, desc = std::string("Microsoft ") + name;
    if (callback(desc.data(), n.data(), &d, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT IDirect3D7::EnumZBufferFormats(REFCLSID device, LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) {
  D3DDEVICEDESC7 d;
  if (!callback || !Describe(device, d, nullptr)) return DDERR_INVALIDPARAMS;
  auto depths = mDirectDraw->Shared()->profile.zBufferDepths;
  for (DWORD z : depths) {
    DDPIXELFORMAT pf = dx::MakeZFormat((int)z);
    if (callback(&pf, context) == D3DENUMRET_CANCEL) break;
  }
  return D3D_OK;
}

HRESULT IDirect3D7::CreateDevice(REFCLSID device, LPDIRECTDRAWSURFACE7 target, LPDIRECT3DDEVICE7* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  D3DDEVICEDESC7 d;
  if (!target || !Describe(device, d, nullptr)) return DDERR_INVALIDPARAMS;
  if (!(target->Caps() & DDSCAPS_3DDEVICE) || target->Format().z) return DDERR_INVALIDCAPS;
  if (target->Format().palette) return DDERR_NOPALETTEATTACHED;
  if (target->Lost()) return DDERR_SURFACELOST;
  if ((d.dwDevCaps & D3DDEVCAPS_HWRASTERIZATION) && !target->InVideoMemory()) return D3DERR_SURFACENOTINVIDMEM;
  *out = new IDirect3DDevice7(this, d, target);
  return D3D_OK;
}

HRESULT IDirect3D7::EvictManagedTextures() { return D3D_OK; }
