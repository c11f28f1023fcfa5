// CDisplay: the DirectDraw screen. Full screen is an exclusive flipping chain, set up on the
// default DirectDraw device first and on each further enumerated device after a failure; a
// window is a clipped primary surface with an off-screen back buffer that presents by blitting.
#include "core/graphics/directx/display.h"

#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/graphics/directx/dx_error.h"

namespace {

constexpr const char* kTextIncompatible =
    "Sorry, but this product isn't compatible with your display. Try using a different display, if you have the "
    "option.";

struct TDeviceSearch {
  uint32_t count;  // devices still to pass
  bool found = false;
  GUID guid{};
};

BOOL OnDirectDrawDevice(GUID* guid, LPSTR, LPSTR, LPVOID context, HMONITOR) {
  auto* search = static_cast<TDeviceSearch*>(context);
  if (search->count > 0) {
    --search->count;
    return TRUE;
  }
  // The device the index names; the default device (no GUID) is never taken this way.
  if (guid) {
    search->found = true;
    search->guid = *guid;
  }
  return FALSE;
}

struct TModeSearch {
  DWORD depth, width, height, chosen;
};

// The wanted depth wins, else 16 bits, else the first fitting depth of 15 bits or more.
HRESULT OnDisplayMode(LPDDSURFACEDESC2 mode, LPVOID context) {
  auto* search = static_cast<TModeSearch*>(context);
  DWORD bits = mode->ddpfPixelFormat.dwRGBBitCount;
  if (bits < 15 || mode->dwWidth != search->width || mode->dwHeight != search->height) return DDENUMRET_OK;
  if (search->chosen == 0) {
    search->chosen = bits;
    if (bits == search->depth) return DDENUMRET_CANCEL;
  }
  if (bits == search->depth) {
    search->chosen = bits;
    return DDENUMRET_CANCEL;
  }
  if (bits == 16) search->chosen = 16;
  return DDENUMRET_OK;
}

void FillBlack(LPDIRECTDRAWSURFACE7 surface) {
  DDBLTFX fx{};
  fx.dwSize = sizeof(fx);
  fx.dwFillColor = 0;
  DX_CHECK(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), kUnitScreenBuffers);
}

template <class T>
void ReleaseInto(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

}  // namespace

CDisplay::~CDisplay() { ReleaseAll(); }

void CDisplay::ReleaseAll() {
  ReleaseInto(mLeftBackBuffer);
  ReleaseInto(mBackBuffer);
  ReleaseInto(mFrontBuffer);
  if (mDirectDraw) {
    mDirectDraw->SetCooperativeLevel(mWindow, DDSCL_NORMAL);
    ReleaseInto(mDirectDraw);
  }
}

DWORD CDisplay::CooperativeFlags(DWORD base) const {
  return base | (GetSettingBool("fpuprecision") ? DDSCL_FPUPRESERVE : 0u);
}

HRESULT CDisplay::OpenFullScreen(HWND window, uint32_t width, uint32_t height, uint32_t depth, uint32_t flags) {
  ReleaseAll();
  uint32_t index = flags >> 16;
  HRESULT hr;
  if (index == 0) {
    hr = DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&mDirectDraw), IID_IDirectDraw7, nullptr);
  } else {
    TDeviceSearch search{index};
    DirectDrawEnumerateExA(OnDirectDrawDevice, &search, DDENUM_ATTACHEDSECONDARYDEVICES);
    if (!search.found) {
      LogError("Failed to create a DirectDraw device after trying all GUIDs");
      if (!mCreatedOnce) MessageBoxA(nullptr, kTextIncompatible, "Error", MB_ICONERROR);
      return E_FAIL;
    }
    hr = DirectDrawCreateEx(&search.guid, reinterpret_cast<LPVOID*>(&mDirectDraw), IID_IDirectDraw7, nullptr);
  }
  auto nextDevice = [&](HRESULT failure) {
    DxLog(failure, kUnitScreenBuffers, __LINE__);
    return OpenFullScreen(window, width, height, depth, (flags & 0xFFFFu) | ((index + 1) << 16));
  };
  if (FAILED(hr)) return nextDevice(hr);
  hr = mDirectDraw->SetCooperativeLevel(window, CooperativeFlags(DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN));
  if (FAILED(hr)) return nextDevice(hr);

  uint32_t wanted = depth;
  DDCAPS caps{};
  caps.dwSize = sizeof(caps);
  if (SUCCEEDED(DX_CHECK(mDirectDraw->GetCaps(&caps, nullptr), kUnitScreenBuffers)) &&
      caps.dwVidMemTotal < 0x1000000u && wanted > 16)
    wanted = 16;
  TModeSearch modes{wanted, width, height, 0};
  DX_CHECK(mDirectDraw->EnumDisplayModes(0, nullptr, &modes, OnDisplayMode), kUnitScreenBuffers);
  hr = mDirectDraw->SetDisplayMode(width, height, modes.chosen ? modes.chosen : wanted, 0, 0);
  if (FAILED(hr)) {
    LogPrintf("Failed to create screen at %d bpp.", (int)wanted);
    return nextDevice(hr);
  }
  LogPrintf("Created screen at %d bpp.", (int)wanted);

  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
  desc.ddsCaps.dwCaps2 = (flags & 4) ? DDSCAPS2_HINTANTIALIASING : 0;
  desc.dwBackBufferCount = 1;
  hr = mDirectDraw->CreateSurface(&desc, &mFrontBuffer, nullptr);
  if (FAILED(hr)) {
    LogError("FAILED to create front buffer with DDSCAPS2_ENABLEALPHACHANNEL");
    desc.ddsCaps.dwCaps2 = 0;
    hr = mDirectDraw->CreateSurface(&desc, &mFrontBuffer, nullptr);
    if (FAILED(hr)) return nextDevice(hr);
  }
  DDSCAPS2 backCaps{DDSCAPS_BACKBUFFER, 0, 0, 0};
  hr = mFrontBuffer->GetAttachedSurface(&backCaps, &mBackBuffer);
  if (FAILED(hr)) return nextDevice(hr);

  mWindow = window;
  mWindowed = 0;
  RefreshRect();
  FillBlack(mBackBuffer);
  FillBlack(mFrontBuffer);
  mCreatedOnce = 1;
  return DD_OK;
}

HRESULT CDisplay::OpenWindow(HWND window, HWND clipWindow, uint32_t width, uint32_t height, bool systemMemory,
                             uint32_t flags) {
  ReleaseAll();
  HRESULT hr = DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&mDirectDraw), IID_IDirectDraw7, nullptr);
  if (FAILED(hr)) return DX_CHECK(hr, kUnitScreenBuffers);
  hr = mDirectDraw->SetCooperativeLevel(window, CooperativeFlags(DDSCL_NORMAL));
  if (FAILED(hr)) return DX_CHECK(hr, kUnitScreenBuffers);

  if (!(flags & 2) && window) {
    LONG style = GetWindowLongA(window, GWL_STYLE);
    style = (LONG)((style & ~(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX)) |
                   (WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX));
    SetWindowLongA(window, GWL_STYLE, style);
    RECT outer{0, 0, (LONG)width, (LONG)height};
    AdjustWindowRectEx(&outer, (DWORD)style, FALSE, (DWORD)GetWindowLongA(window, GWL_EXSTYLE));
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    RECT work{0, 0, 0, 0}, rect{0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(window, &rect);
    SetWindowPos(window, nullptr, rect.left < work.left ? work.left : rect.left,
                 rect.top < work.top ? work.top : rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  hr = mDirectDraw->CreateSurface(&desc, &mFrontBuffer, nullptr);
  if (FAILED(hr)) return DX_CHECK(hr, kUnitScreenBuffers);

  desc = DDSURFACEDESC2{};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.dwWidth = width;
  desc.dwHeight = height;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | (systemMemory ? DDSCAPS_SYSTEMMEMORY : 0u);
  desc.ddsCaps.dwCaps2 = (flags & 4) ? DDSCAPS2_HINTANTIALIASING : 0;
  hr = mDirectDraw->CreateSurface(&desc, &mBackBuffer, nullptr);
  if (FAILED(hr)) return DX_CHECK(hr, kUnitScreenBuffers);

  LPDIRECTDRAWCLIPPER clipper = nullptr;
  hr = mDirectDraw->CreateClipper(0, &clipper, nullptr);
  if (FAILED(hr)) return DX_CHECK(hr, kUnitScreenBuffers);
  hr = clipper->SetHWnd(0, clipWindow ? clipWindow : window);
  if (SUCCEEDED(hr)) hr = mFrontBuffer->SetClipper(clipper);
  clipper->Release();
  if (FAILED(hr)) return DX_CHECK(hr, kUnitScreenBuffers);

  mWindow = window;
  mWindowed = 1;
  RefreshRect();
  FillBlack(mBackBuffer);
  mCreatedOnce = 1;
  return DD_OK;
}

HRESULT CDisplay::MakeSurface(LPDIRECTDRAWSURFACE7* out, uint32_t width, uint32_t height,
                              const DDPIXELFORMAT* format, const DDSCAPS2* caps) {
  if (!mDirectDraw) return E_POINTER;
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  desc.dwWidth = width;
  desc.dwHeight = height;
  if (format) {
    desc.dwFlags |= DDSD_PIXELFORMAT;
    desc.ddpfPixelFormat = *format;
  }
  if (caps)
    desc.ddsCaps = *caps;
  else
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  LPDIRECTDRAWSURFACE7 surface = nullptr;
  HRESULT hr = mDirectDraw->CreateSurface(&desc, &surface, nullptr);
  if (SUCCEEDED(hr)) *out = surface;
  return hr;
}

HRESULT CDisplay::ShowFrame() {
  if (!mFrontBuffer || !mBackBuffer) return E_POINTER;
  for (;;) {
    HRESULT hr;
    if (mWindowed) {
      DDBLTFX fx{};
      fx.dwSize = sizeof(fx);
      fx.dwDDFX = DDBLTFX_NOTEARING;
      RECT dest = GetRect();
      hr = mFrontBuffer->Blt(&dest, mBackBuffer, nullptr, DDBLT_WAIT | DDBLT_DDFX, &fx);
    } else {
      hr = mFrontBuffer->Flip(nullptr, 0);
    }
    if (hr == DDERR_WASSTILLDRAWING) continue;
    if (hr == DDERR_SURFACELOST) {
      mFrontBuffer->Restore();
      mBackBuffer->Restore();
    }
    return hr;
  }
}

void CDisplay::RefreshRect() {
  if (mWindowed) {
    RECT client{0, 0, 0, 0};
    GetClientRect(mWindow, &client);
    POINT topLeft{client.left, client.top}, bottomRight{client.right, client.bottom};
    ClientToScreen(mWindow, &topLeft);
    ClientToScreen(mWindow, &bottomRight);
    SetRect(RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y});
  } else if (mFrontBuffer) {
    // The whole screen in the display mode set (what the screen metrics report after it).
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    mFrontBuffer->GetSurfaceDesc(&desc);
    SetRect(RECT{0, 0, (LONG)desc.dwWidth, (LONG)desc.dwHeight});
  } else {
    SetRect(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
  }
}

POINT CDisplay::GetOrigin() {
  RefreshRect();
  RECT r = GetRect();
  return POINT{r.left, r.top};
}

void CDisplay::RestoreMode() {
  if (mDirectDraw) DX_CHECK(mDirectDraw->RestoreDisplayMode(), kUnitScreenBuffers);
}
