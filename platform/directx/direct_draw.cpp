// IDirectDraw7 stand-in: device enumeration, cooperative level, display modes, surface creation
// with video-memory accounting, caps and identifiers, restore calls.
#include "platform/directx/direct_draw.h"

#include <algorithm>
#include <cstdio>

#include "platform/directx/d3d.h"
#include "platform/directx/ddraw.h"
#include "platform/directx/draw_shared.h"
#include "platform/directx/pixel_format.h"
#include "platform/directx/present.h"

using TestControl::Display::LossTrigger;

const GUID IID_IDirectDraw7 = {0x15e65ec0, 0x3b9c, 0x11d2, {0xb9, 0x2f, 0x00, 0x60, 0x97, 0x97, 0xea, 0x5b}};
const GUID IID_IDirect3D7 = {0xf5049e77, 0x4861, 0x11d2, {0xa4, 0x07, 0x00, 0xa0, 0xc9, 0x06, 0x29, 0xa8}};
const GUID IID_IDirectDrawSurface7 = {0x06675a80, 0x3b9b, 0x11d2, {0xb9, 0x2f, 0x00, 0x60, 0x97, 0x97, 0xea, 0x5b}};
const GUID IID_IDirect3DRGBDevice = {0xa4665c60, 0x2673, 0x11cf, {0xa3, 0x1a, 0x00, 0xaa, 0x00, 0xb9, 0x33, 0x56}};
const GUID IID_IDirect3DHALDevice = {0x84e63de0, 0x46aa, 0x11cf, {0x81, 0x6f, 0x00, 0x00, 0xc0, 0x20, 0x15, 0x6e}};
const GUID IID_IDirect3DTnLHalDevice = {0xf5049e78, 0x4861, 0x11d2, {0xa4, 0x07, 0x00, 0xa0, 0xc9, 0x06, 0x29, 0xa8}};
const GUID IID_IDirect3DRefDevice = {0x50936643, 0x13e9, 0x11d1, {0x89, 0xaa, 0x00, 0xa0, 0xc9, 0x05, 0x41, 0x29}};

namespace dx {

void LoseSurfaces(DrawShared& shared) {
  std::lock_guard<std::mutex> lock(shared.mutex);
  for (auto* s : shared.surfaces)
    if (s->InVideoMemory() || (s->Caps() & (DDSCAPS_PRIMARYSURFACE | DDSCAPS_BACKBUFFER | DDSCAPS_FLIP)))
      s->MarkLost();
}

DDPIXELFORMAT DisplayFormat(DWORD bits) {
  switch (bits) {
    case 16: return Rgb565Format();
    case 15: return Xrgb1555Format();
    case 24: return Rgb888Format();
    case 8: {
      DDPIXELFORMAT pf{};
      pf.dwSize = sizeof(pf);
      pf.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
      pf.dwRGBBitCount = 8;
      return pf;
    }
    default: return Xrgb8888Format();
  }
}

}  // namespace dx

namespace {

bool IsSmallPointer(const void* p) { return (uintptr_t)p < 0x10000; }

void FillModeDesc(DDSURFACEDESC2& d, DWORD w, DWORD h, DWORD bits, DWORD refresh) {
  std::memset(&d, 0, sizeof(d));
  d.dwSize = sizeof(d);
  d.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
  d.dwWidth = w;
  d.dwHeight = h;
  d.lPitch = (LONG)(((w * (bits == 15 ? 16 : bits) / 8) + 3) & ~3u);
  d.dwRefreshRate = refresh;
  d.ddpfPixelFormat = dx::DisplayFormat(bits);
}

}  // namespace

HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags) {
  if (!callback) return DDERR_INVALIDPARAMS;
  auto profile = dx::CurrentProfile();
  for (size_t i = 0; i < profile.directDrawDevices.size(); ++i) {
    auto& d = profile.directDrawDevices[i];
    if (i > 0 && !(flags & DDENUM_ATTACHEDSECONDARYDEVICES)) break;
    std::string desc = d.description, name = d.driverName;
    GUID g = d.guid;
    if (!callback(d.hasGuid ? &g : nullptr, desc.data(), name.data(), context, nullptr)) break;
  }
  return DD_OK;
}

HRESULT DirectDrawCreateEx(GUID* guid, LPVOID* out, REFIID iid, IUnknown* outer) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer) return DDERR_INVALIDPARAMS;
  if (iid != IID_IDirectDraw7) return DDERR_INVALIDPARAMS;
  int index = 0;
  if (guid && !IsSmallPointer(guid)) {
    auto profile = dx::CurrentProfile();
    index = -1;
    for (size_t i = 0; i < profile.directDrawDevices.size(); ++i)
      if (profile.directDrawDevices[i].hasGuid && profile.directDrawDevices[i].guid == *guid) index = (int)i;
    if (index < 0) return DDERR_INVALIDDIRECTDRAWGUID;
  }
  *out = new IDirectDraw7(index);
  return DD_OK;
}

IDirectDraw7::IDirectDraw7(int deviceIndex) : mShared(std::make_shared<dx::DrawShared>()) {
  mShared->deviceIndex = deviceIndex;
  mShared->profile = dx::CurrentProfile();
  mShared->mainThread = std::this_thread::get_id();
  const auto& p = mShared->profile;
  mShared->videoMemoryUsed = p.videoMemoryFree < p.videoMemoryTotal ? p.videoMemoryTotal - p.videoMemoryFree : 0;
  dx::RegisterShared(mShared);
}

IDirectDraw7::~IDirectDraw7() {
  if (mShared->modeSet) dx::SetWindowFullScreen(mShared->window, false);
}

ULONG IDirectDraw7::AddRef() { return ++mRefs; }
ULONG IDirectDraw7::Release() {
  ULONG r = --mRefs;
  if (r == 0) delete this;
  return r;
}

HRESULT IDirectDraw7::QueryInterface(REFIID iid, LPVOID* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (iid == IID_IDirect3D7) {
    *out = new IDirect3D7(this);
    return DD_OK;
  }
  if (iid == IID_IDirectDraw7) {
    AddRef();
    *out = this;
    return DD_OK;
  }
  return E_NOINTERFACE;
}

HRESULT IDirectDraw7::SetCooperativeLevel(HWND window, DWORD flags) {
  bool normal = flags & DDSCL_NORMAL;
  bool exclusive = flags & DDSCL_EXCLUSIVE;
  bool full = flags & DDSCL_FULLSCREEN;
  if (normal == exclusive) return DDERR_INVALIDPARAMS;
  if (exclusive != full) return DDERR_INVALIDPARAMS;
  if (exclusive && !window) return DDERR_INVALIDPARAMS;
  bool leaveMode = false;
  {
    std::lock_guard<std::mutex> lock(mShared->mutex);
    if (normal && mShared->modeSet) {
      mShared->modeSet = false;
      leaveMode = true;
    }
    mShared->window = window;
    mShared->cooperativeFlags = flags;
  }
  if (leaveMode) dx::SetWindowFullScreen(window, false);
  return DD_OK;
}

HRESULT IDirectDraw7::TestCooperativeLevel() {
  HRESULT scripted = dx::faults::NextTestCooperativeLevel();
  if (scripted != S_FALSE) return scripted;
  std::lock_guard<std::mutex> lock(mShared->mutex);
  if (!mShared->cooperativeFlags) return DDERR_NOCOOPERATIVELEVELSET;
  return DD_OK;
}

HRESULT IDirectDraw7::GetDisplayMode(LPDDSURFACEDESC2 desc) {
  if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  std::lock_guard<std::mutex> lock(mShared->mutex);
  auto& p = mShared->profile;
  if (mShared->modeSet)
    FillModeDesc(*desc, mShared->modeWidth, mShared->modeHeight, mShared->modeBits, p.monitorFrequency);
  else
    FillModeDesc(*desc, p.desktopWidth, p.desktopHeight, p.desktopBitsPerPixel, p.monitorFrequency);
  return DD_OK;
}

HRESULT IDirectDraw7::SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refreshRate, DWORD flags) {
  HWND window;
  {
    std::lock_guard<std::mutex> lock(mShared->mutex);
    if (!(mShared->cooperativeFlags & DDSCL_EXCLUSIVE)) return DDERR_NOEXCLUSIVEMODE;
    bool listed = false;
    for (auto& m : mShared->profile.modes)
      if (m.width == width && m.height == height && m.bitsPerPixel == bits) listed = true;
    if (!listed || dx::faults::ModeRefused(width, height, bits)) return DDERR_INVALIDMODE;
    mShared->modeSet = true;
    mShared->modeWidth = width;
    mShared->modeHeight = height;
    mShared->modeBits = bits;
    window = mShared->window;
  }
  // A mode change takes the memory of every surface in video memory.
  dx::LoseSurfaces(*mShared);
  dx::SetWindowFullScreen(window, true);
  return DD_OK;
}

HRESULT IDirectDraw7::RestoreDisplayMode() {
  HWND window;
  bool was;
  {
    std::lock_guard<std::mutex> lock(mShared->mutex);
    was = mShared->modeSet;
    mShared->modeSet = false;
    window = mShared->window;
  }
  if (was) dx::SetWindowFullScreen(window, false);
  return DD_OK;
}

HRESULT IDirectDraw7::EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 filter, LPVOID context,
                                       LPDDENUMMODESCALLBACK2 callback) {
  if (!callback) return DDERR_INVALIDPARAMS;
  if (filter && filter->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  std::vector<TestControl::Display::Mode> modes;
  DWORD refresh;
  {
    std::lock_guard<std::mutex> lock(mShared->mutex);
    modes = mShared->profile.modes;
    refresh = mShared->profile.monitorFrequency;
  }
  for (auto& m : modes) {
    if (filter) {
      if ((filter->dwFlags & DDSD_WIDTH) && filter->dwWidth != m.width) continue;
      if ((filter->dwFlags & DDSD_HEIGHT) && filter->dwHeight != m.height) continue;
      if ((filter->dwFlags & DDSD_PIXELFORMAT) && filter->ddpfPixelFormat.dwRGBBitCount != m.bitsPerPixel) continue;
    }
    DDSURFACEDESC2 d;
    FillModeDesc(d, m.width, m.height, m.bitsPerPixel, refresh);
    if (callback(&d, context) == DDENUMRET_CANCEL) break;
  }
  return DD_OK;
}

namespace {

// Reserves video memory; false when the card has too little left.
bool TakeVideoMemory(dx::DrawShared& shared, uint64_t bytes) {
  if (shared.videoMemoryUsed + bytes > shared.profile.videoMemoryTotal) return false;
  shared.videoMemoryUsed += bytes;
  return true;
}

LONG PitchFor(DWORD width, const dx::FormatInfo& f) { return (LONG)((width * (DWORD)f.bytes + 3) & ~3u); }

}  // namespace

HRESULT IDirectDraw7::CreatePrimary(const DDSURFACEDESC2& in, LPDIRECTDRAWSURFACE7* out) {
  DWORD caps = in.ddsCaps.dwCaps;
  bool flipping = (caps & DDSCAPS_FLIP) != 0;
  DWORD backCount = (in.dwFlags & DDSD_BACKBUFFERCOUNT) ? in.dwBackBufferCount : 0;
  if (in.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT)) return DDERR_INVALIDPARAMS;
  if (flipping != (backCount > 0)) return DDERR_INVALIDPARAMS;
  if (flipping && !(caps & DDSCAPS_COMPLEX)) return DDERR_INVALIDCAPS;
  if (backCount > 1) return DDERR_INVALIDPARAMS;  // the stand-in keeps a chain of two
  if ((in.ddsCaps.dwCaps2 & DDSCAPS2_HINTANTIALIASING) && dx::faults::AntialiasRefused()) return DDERR_INVALIDCAPS;

  std::lock_guard<std::mutex> lock(mShared->mutex);
  if (mShared->primary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
  bool exclusive = mShared->cooperativeFlags & DDSCL_EXCLUSIVE;
  if (flipping && !exclusive) return DDERR_NOEXCLUSIVEMODE;
  DWORD w = mShared->modeSet ? mShared->modeWidth : mShared->profile.desktopWidth;
  DWORD h = mShared->modeSet ? mShared->modeHeight : mShared->profile.desktopHeight;
  DWORD bits = mShared->modeSet ? mShared->modeBits : mShared->profile.desktopBitsPerPixel;
  DDPIXELFORMAT pf = dx::DisplayFormat(bits);
  dx::FormatInfo fmt;
  if (!dx::Describe(pf, fmt)) return DDERR_INVALIDPIXELFORMAT;

  DDSURFACEDESC2 d = in;
  d.dwFlags |= DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
  d.dwWidth = w;
  d.dwHeight = h;
  d.lPitch = PitchFor(w, fmt);
  d.ddpfPixelFormat = pf;
  d.ddsCaps.dwCaps |= DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM | DDSCAPS_VISIBLE | (flipping ? DDSCAPS_FRONTBUFFER : 0u);
  uint64_t bytes = (uint64_t)d.lPitch * h * (1 + backCount);
  HRESULT fault = dx::faults::TakeCreationFailure(d.ddsCaps.dwCaps);
  if (fault != DD_OK) return fault;
  if (!TakeVideoMemory(*mShared, bytes)) return DDERR_OUTOFVIDEOMEMORY;

  auto* front = new IDirectDrawSurface7(mShared, d, fmt, true);
  mShared->surfaces.push_back(front);
  mShared->primary = front;
  if (flipping) {
    DDSURFACEDESC2 b = d;
    b.dwFlags &= ~DDSD_BACKBUFFERCOUNT;
    b.dwBackBufferCount = 0;
    b.ddsCaps.dwCaps = (d.ddsCaps.dwCaps & ~(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER | DDSCAPS_VISIBLE)) |
                       DDSCAPS_BACKBUFFER;
    auto* back = new IDirectDrawSurface7(mShared, b, fmt, true);
    mShared->surfaces.push_back(back);
    front->AttachInternal(back);
    front->SetFlipPartner(back);
    back->SetFlipPartner(front);
  }
  *out = front;
  return DD_OK;
}

HRESULT IDirectDraw7::CreateSurface(LPDDSURFACEDESC2 desc, LPDIRECTDRAWSURFACE7* out, IUnknown* outer) {
  if (!desc || !out || outer) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  {
    std::lock_guard<std::mutex> lock(mShared->mutex);
    if (!mShared->cooperativeFlags) return DDERR_NOCOOPERATIVELEVELSET;
  }
  DDSURFACEDESC2 d = *desc;
  if (!(d.dwFlags & DDSD_CAPS)) {
    d.dwFlags |= DDSD_CAPS;
    d.ddsCaps = DDSCAPS2{DDSCAPS_OFFSCREENPLAIN, 0, 0, 0};
  }
  DWORD caps = d.ddsCaps.dwCaps;
  if ((caps & DDSCAPS_SYSTEMMEMORY) && (caps & DDSCAPS_VIDEOMEMORY)) return DDERR_INVALIDCAPS;
  if (caps & DDSCAPS_PRIMARYSURFACE) return CreatePrimary(d, out);
  if ((d.ddsCaps.dwCaps2 & DDSCAPS2_HINTANTIALIASING) && dx::faults::AntialiasRefused()) return DDERR_INVALIDCAPS;
  if (!(d.dwFlags & DDSD_WIDTH) || !(d.dwFlags & DDSD_HEIGHT) || d.dwWidth == 0 || d.dwHeight == 0)
    return DDERR_INVALIDPARAMS;
  if (d.dwWidth > 16384 || d.dwHeight > 16384) return DDERR_INVALIDPARAMS;

  DDPIXELFORMAT pf;
  if (caps & DDSCAPS_ZBUFFER) {
    if (d.dwFlags & DDSD_PIXELFORMAT)
      pf = d.ddpfPixelFormat;
    else if (d.dwFlags & DDSD_ZBUFFERBITDEPTH)
      pf = dx::MakeZFormat((int)d.dwDepth);
    else
      return DDERR_INVALIDPIXELFORMAT;
    if (!(pf.dwFlags & DDPF_ZBUFFER)) return DDERR_INVALIDPIXELFORMAT;
  } else if (d.dwFlags & DDSD_PIXELFORMAT) {
    pf = d.ddpfPixelFormat;
    if (pf.dwFlags & DDPF_ZBUFFER) return DDERR_INVALIDPIXELFORMAT;
  } else {
    std::lock_guard<std::mutex> lock(mShared->mutex);
    pf = dx::DisplayFormat(mShared->modeSet ? mShared->modeBits : mShared->profile.desktopBitsPerPixel);
  }
  dx::FormatInfo fmt;
  if (!dx::Describe(pf, fmt)) return DDERR_INVALIDPIXELFORMAT;

  HRESULT fault = dx::faults::TakeCreationFailure(caps);
  if (fault != DD_OK) return fault;

  // Mip levels: a complex mipmap surface is a chain of halving sizes.
  DWORD levels = 1;
  if ((caps & DDSCAPS_MIPMAP) && (caps & DDSCAPS_COMPLEX)) {
    DWORD full = 1;
    for (DWORD s = std::max(d.dwWidth, d.dwHeight); s > 1; s >>= 1) ++full;
    levels = (d.dwFlags & DDSD_MIPMAPCOUNT) && d.dwMipMapCount ? d.dwMipMapCount : full;
    if (levels > full) return DDERR_INVALIDPARAMS;
  }

  std::lock_guard<std::mutex> lock(mShared->mutex);
  uint64_t bytes = 0;
  for (DWORD i = 0, w = d.dwWidth, h = d.dwHeight; i < levels; ++i, w = std::max(1u, w / 2), h = std::max(1u, h / 2))
    bytes += (uint64_t)PitchFor(w, fmt) * h;
  if (bytes > (256ull << 20)) return DDERR_OUTOFMEMORY;  // more than any surface of this program needs
  bool video;
  if (caps & DDSCAPS_SYSTEMMEMORY) {
    video = false;
  } else if (caps & DDSCAPS_VIDEOMEMORY) {
    if (!TakeVideoMemory(*mShared, bytes)) return DDERR_OUTOFVIDEOMEMORY;
    video = true;
  } else {
    video = TakeVideoMemory(*mShared, bytes);
  }

  IDirectDrawSurface7* top = nullptr;
  IDirectDrawSurface7* prev = nullptr;
  for (DWORD i = 0, w = d.dwWidth, h = d.dwHeight; i < levels; ++i, w = std::max(1u, w / 2), h = std::max(1u, h / 2)) {
    DDSURFACEDESC2 ld = d;
    ld.dwFlags |= DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    ld.dwWidth = w;
    ld.dwHeight = h;
    ld.lPitch = PitchFor(w, fmt);
    ld.ddpfPixelFormat = pf;
    if (levels > 1) {
      ld.dwFlags |= DDSD_MIPMAPCOUNT;
      ld.dwMipMapCount = levels - i;
    }
    ld.ddsCaps.dwCaps = (caps & ~(DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY | DDSCAPS_LOCALVIDMEM)) |
                        (video ? DDSCAPS_VIDEOMEMORY | DDSCAPS_LOCALVIDMEM : DDSCAPS_SYSTEMMEMORY);
    if (i > 0) ld.ddsCaps.dwCaps2 |= DDSCAPS2_MIPMAPSUBLEVEL;
    auto* s = new IDirectDrawSurface7(mShared, ld, fmt, video);
    mShared->surfaces.push_back(s);
    if (prev)
      prev->AttachInternal(s);
    else
      top = s;
    prev = s;
  }
  *out = top;
  return DD_OK;
}

HRESULT IDirectDraw7::CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) {
  if (!out || outer || flags) return DDERR_INVALIDPARAMS;
  *out = new IDirectDrawClipper();
  return DD_OK;
}

HRESULT IDirectDraw7::GetCaps(LPDDCAPS driverCaps, LPDDCAPS helCaps) {
  if (!driverCaps && !helCaps) return DDERR_INVALIDPARAMS;
  if ((driverCaps && driverCaps->dwSize != sizeof(DDCAPS)) || (helCaps && helCaps->dwSize != sizeof(DDCAPS)))
    return DDERR_INVALIDPARAMS;
  std::lock_guard<std::mutex> lock(mShared->mutex);
  for (LPDDCAPS c : {driverCaps, helCaps}) {
    if (!c) continue;
    bool hel = c == helCaps;
    std::memset(c, 0, sizeof(DDCAPS));
    c->dwSize = sizeof(DDCAPS);
    c->dwCaps = DDCAPS_BLT | DDCAPS_BLTCOLORFILL | DDCAPS_BLTSTRETCH | (hel ? 0u : DDCAPS_3D);
    c->dwCaps2 = DDCAPS2_CANRENDERWINDOWED | DDCAPS2_NOPAGELOCKREQUIRED;
    for (DWORD z : mShared->profile.zBufferDepths)
      c->dwZBufferBitDepths |= z == 16 ? DDBD_16 : z == 24 ? DDBD_24 : z == 32 ? DDBD_32 : 0u;
    if (!hel) {
      c->dwVidMemTotal = mShared->profile.videoMemoryTotal;
      c->dwVidMemFree = (DWORD)(mShared->profile.videoMemoryTotal - std::min<uint64_t>(mShared->videoMemoryUsed, mShared->profile.videoMemoryTotal));
    }
    c->ddsCaps.dwCaps = DDSCAPS_BACKBUFFER | DDSCAPS_COMPLEX | DDSCAPS_FLIP | DDSCAPS_FRONTBUFFER |
                        DDSCAPS_OFFSCREENPLAIN | DDSCAPS_PRIMARYSURFACE | DDSCAPS_SYSTEMMEMORY | DDSCAPS_TEXTURE |
                        DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY | DDSCAPS_ZBUFFER | DDSCAPS_MIPMAP;
  }
  return DD_OK;
}

HRESULT IDirectDraw7::GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) {
  if (!caps || (!total && !free)) return DDERR_INVALIDPARAMS;
  if (caps->dwCaps & DDSCAPS_SYSTEMMEMORY) return DDERR_INVALIDCAPS;
  std::lock_guard<std::mutex> lock(mShared->mutex);
  uint64_t t = mShared->profile.videoMemoryTotal;
  if (total) *total = (DWORD)t;
  if (free) *free = (DWORD)(t - std::min<uint64_t>(mShared->videoMemoryUsed, t));
  return DD_OK;
}

HRESULT IDirectDraw7::GetMonitorFrequency(LPDWORD frequency) {
  if (!frequency) return DDERR_INVALIDPARAMS;
  std::lock_guard<std::mutex> lock(mShared->mutex);
  if (!mShared->profile.monitorFrequency) return DDERR_UNSUPPORTED;
  *frequency = mShared->profile.monitorFrequency;
  return DD_OK;
}

HRESULT IDirectDraw7::GetDeviceIdentifier(LPDDDEVICEIDENTIFIER2 id, DWORD flags) {
  if (!id) return DDERR_INVALIDPARAMS;
  std::lock_guard<std::mutex> lock(mShared->mutex);
  auto& p = mShared->profile;
  std::memset(id, 0, sizeof(*id));
  std::snprintf(id->szDriver, sizeof(id->szDriver), "%s", p.driver.c_str());
  std::snprintf(id->szDescription, sizeof(id->szDescription), "%s", p.description.c_str());
  id->liDriverVersion.HighPart = (LONG)p.driverVersionHigh;
  id->liDriverVersion.LowPart = p.driverVersionLow;
  id->dwVendorId = p.vendorId;
  id->dwDeviceId = p.deviceId;
  id->dwSubSysId = p.subSysId;
  id->dwRevision = p.revision;
  id->guidDeviceIdentifier = GUID{p.vendorId, (uint16_t)p.deviceId, (uint16_t)p.revision,
                                  {0x4f, 0x52, 0x56, 0x44, 0x49, 0x53, 0x50, 0x31}};
  id->dwWHQLLevel = 1;
  return DD_OK;
}

HRESULT IDirectDraw7::RestoreAllSurfaces() {
  HRESULT scripted = dx::faults::TakeRestoreAllResult();
  if (scripted != DD_OK) return scripted;
  std::vector<IDirectDrawSurface7*> list;
  {
    std::lock_guard<std::mutex> lock(mShared->mutex);
    list = mShared->surfaces;
  }
  for (auto* s : list) s->Restore();
  return DD_OK;
}

HRESULT IDirectDraw7::FlipToGDISurface() {
  IDirectDrawSurface7* primary;
  {
    std::lock_guard<std::mutex> lock(mShared->mutex);
    primary = mShared->primary;
    if (!primary || !primary->FlipPartner()) return DDERR_NOTFOUND;
  }
  return DD_OK;
}

HRESULT IDirectDraw7::WaitForVerticalBlank(DWORD flags, HANDLE event) {
  if (!(flags & (DDWAITVB_BLOCKBEGIN | DDWAITVB_BLOCKEND))) return DDERR_INVALIDPARAMS;
  return DD_OK;
}

// --- Clipper ---

ULONG IDirectDrawClipper::AddRef() { return ++mRefs; }
ULONG IDirectDrawClipper::Release() {
  ULONG r = --mRefs;
  if (r == 0) delete this;
  return r;
}
HRESULT IDirectDrawClipper::SetHWnd(DWORD flags, HWND window) {
  if (flags) return DDERR_INVALIDPARAMS;
  mWindow = window;
  return DD_OK;
}
HRESULT IDirectDrawClipper::GetHWnd(HWND* window) {
  if (!window) return DDERR_INVALIDPARAMS;
  *window = mWindow;
  return mWindow.load() ? DD_OK : DDERR_NOTFOUND;
}
