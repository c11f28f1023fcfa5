// TDXContext: device creation by enumeration (the hardware device, or with display scaling the
// last passing one), the z-buffer, the card report, present and back-buffer preparation.
// Create refuses what the display handler can fall back from (palette desktop in a window, a
// window that ran out of video memory, a window larger than the desktop) and leaves the reason
// in its flags.
#include "core/graphics/directx/dx_context.h"

#include <cmath>
#include <cstring>

#include "core/base/guid.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/graphics/directx/display_host.h"
#include "core/graphics/directx/dx_error.h"
#include "core/graphics/directx/platform_data.h"

TScopedMutexWait::TScopedMutexWait(HANDLE mutex, bool block)
    : mMutex(mutex), mResult(mutex ? WaitForSingleObject(mutex, block ? INFINITE : 5) : WAIT_FAILED) {}

TScopedMutexWait::~TScopedMutexWait() {
  if (mResult == WAIT_OBJECT_0) ReleaseMutex(mMutex);
}

bool IsWindowsVistaOrLater() { return LOBYTE(LOWORD(GetVersion())) >= 6; }

bool IsWindowsXpOrLater() {
  DWORD version = GetVersion();
  int major = LOBYTE(LOWORD(version)), minor = HIBYTE(LOWORD(version));
  return (major == 5 && minor >= 1) || major >= 6;
}

TStr HexDump(const void* bytes, int length) {
  static const char kDigits[] = "0123456789ABCDEF";
  TStr out;
  if (length <= 0 || !bytes) return out;
  std::string text;
  text.reserve((size_t)length * 2);
  const auto* p = static_cast<const uint8_t*>(bytes);
  for (int i = 0; i < length; ++i) {
    text += kDigits[p[i] >> 4];
    text += kDigits[p[i] & 15];
  }
  return TStr(text.c_str(), (int)text.size());
}

TDXContext::TDXContext() {
  uint32_t a = 0, b = 0, c = 0, d = 0;
  CreateGuid(a, b, c, d);
  TStr name = TStr::Format("TDXContextMouseMutex:%x:%x:%x:%x", a, b, c, d);
  mMouseMutex = CreateMutexA(nullptr, FALSE, name.c_str());
  ReadDesktopMetrics();
}

TDXContext::~TDXContext() {
  if (HICON icon = mCursorIcon.exchange(nullptr)) DestroyIcon(icon);
  DetachCursorListener();
  ReleaseDevice();
  if (mMouseMutex) CloseHandle(mMouseMutex);
  mColorKeyRuns.clear();
  mAlphaRuns.clear();
  mColorKeyTexture.reset();
  mAlphaTexture.reset();
  ReleaseCursorSurfaces();
}

void TDXContext::ReadDesktopMetrics() {
  HDC dc = GetDC(nullptr);
  int width = GetDeviceCaps(dc, HORZRES);
  int height = GetDeviceCaps(dc, VERTRES);
  int colours = GetDeviceCaps(dc, NUMCOLORS);
  ReleaseDC(nullptr, dc);
  SetDesktopMetrics(colours, width, height);
}

void TDXContext::SetDesktopMetrics(int colourCount, int width, int height) {
  mDesktopColourCount = colourCount;
  mDesktopWidth = width;
  mDesktopHeight = height;
}

void TDXContext::Log(HRESULT result, int line) const { DxLog(result, kUnitContext, line); }

void TDXContext::ReleaseDevice() {
  if (mDevice) mDevice->Release();
  mDevice = nullptr;
  if (mDirect3D) mDirect3D->Release();
  mDirect3D = nullptr;
  // Cursor surfaces belong to the DirectDraw object that goes now: rebuilt with the next one.
  if (mCursorSurfaces[0].GetSurface() || mCursorSurfaces[2].GetSurface()) {
    TScopedMutexWait wait(mMouseMutex, true);
    ReleaseCursorSurfaces();
    mDrawn = false;
    if (mColorKeyTexture || mAlphaTexture) mLost = true;
  }
  mDisplay.RestoreMode();
  mDisplay.ReleaseAll();
  InvalidateRect(nullptr, nullptr, TRUE);
  mPositionKnown = false;
}

HRESULT TDXContext::EnumDevicesCallback(LPSTR, LPSTR, LPD3DDEVICEDESC7 desc, LPVOID context) {
  auto* self = static_cast<TDXContext*>(context);
  DWORD bits = self->mDisplayModeDesc.ddpfPixelFormat.dwRGBBitCount;
  DWORD needed = bits == 8 ? DDBD_8 : bits == 16 ? DDBD_16 : bits == 24 ? DDBD_24 : DDBD_32;
  bool hardware = (desc->dwDevCaps & D3DDEVCAPS_HWRASTERIZATION) != 0;
  bool scaling = GetDisplayHost().IsDisplayScaling();
  if ((hardware || scaling) && (desc->dwDeviceRenderBitDepth & needed) &&
      (desc->dpcTriCaps.dwShadeCaps & D3DPSHADECAPS_COLORGOURAUDRGB)) {
    self->mDeviceDesc = *desc;
    self->mHardwareRenderer = hardware;
    self->mDeviceFound = true;
    if (hardware && (desc->dwDevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)) return D3DENUMRET_CANCEL;
  }
  return D3DENUMRET_OK;
}

HRESULT TDXContext::EnumZBufferCallback(LPDDPIXELFORMAT format, LPVOID context) {
  auto* self = static_cast<TDXContext*>(context);
  if (format->dwFlags == DDPF_ZBUFFER && format->dwZBufferBitDepth >= 16) {
    self->mZBufferFormat = *format;
    return D3DENUMRET_CANCEL;
  }
  return D3DENUMRET_OK;
}

bool TDXContext::Create(HWND window, bool fullScreen, uint32_t width, uint32_t height, uint32_t depth,
                        uint32_t flags) {
  TDisplayHost& host = GetDisplayHost();
  if (host.GetExternalParent()) {
    fullScreen = false;
    mWindowOutOfVideoMemory = 0;
  }
  TScopedMutexWait wait(mMouseMutex, true);
  ReleaseDevice();
  ReadDesktopMetrics();
  bool scaling = host.IsDisplayScaling();
  TPlatformData* display = TPlatformData::Get();
  if (!scaling && !fullScreen && display && display->IsDesktopTooSmall(width, height)) return false;
  if (mDesktopColourCount != -1) {
    if (mDesktopColourCount <= 16) {
      mTooFewColours = 1;
      return false;
    }
    if (!fullScreen) return false;
  }
  if (mWindowOutOfVideoMemory && !fullScreen) return false;

  uint32_t surfaceWidth = width, surfaceHeight = height;
  HRESULT hr;
  if (fullScreen) {
    hr = mDisplay.OpenFullScreen(window, width, height, depth, flags);
    if (FAILED(hr)) {
      Log(hr, __LINE__);
      return false;
    }
  } else {
    if (scaling) {
      float scale = host.GetDisplayScale();
      surfaceWidth = (uint32_t)(width * scale + 0.5f);
      surfaceHeight = (uint32_t)(height * scale + 0.5f);
    }
    hr = mDisplay.OpenWindow(window, mClipWindow, surfaceWidth, surfaceHeight, mNeedsSystemMemory != 0, flags);
    if (FAILED(hr)) {
      if (hr == DDERR_OUTOFVIDEOMEMORY) mWindowOutOfVideoMemory = 1;
      Log(hr, __LINE__);
      return false;
    }
  }

  std::memset(&mDisplayModeDesc, 0, sizeof(mDisplayModeDesc));
  mDisplayModeDesc.dwSize = sizeof(mDisplayModeDesc);
  LPDIRECTDRAW7 directDraw = mDisplay.GetDirectDraw();
  DxCheck(directDraw->GetDisplayMode(&mDisplayModeDesc), kUnitContext, __LINE__);
  hr = directDraw->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&mDirect3D));
  if (FAILED(hr)) {
    Log(hr, __LINE__);
    return false;
  }

  mHardwareRenderer = 0;
  mDeviceFound = false;
  std::memset(&mDeviceDesc, 0, sizeof(mDeviceDesc));
  DxCheck(mDirect3D->EnumDevices(EnumDevicesCallback, this), kUnitContext, __LINE__);
  if (!mHardwareRenderer && !scaling) {
    LogError("TDXContext::Create failed! Could not find a hardware renderer.");
    return false;
  }
  std::memset(&mZBufferFormat, 0, sizeof(mZBufferFormat));
  DxCheck(mDirect3D->EnumZBufferFormats(mDeviceDesc.deviceGUID, EnumZBufferCallback, this), kUnitContext, __LINE__);

  DDSCAPS2 zCaps{DDSCAPS_ZBUFFER | (mHardwareRenderer ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY), 0, 0, 0};
  LPDIRECTDRAWSURFACE7 zbuffer = nullptr;
  LPDIRECTDRAWSURFACE7 back = mDisplay.GetBackBuffer();
  DDSURFACEDESC2 backDesc{};
  backDesc.dwSize = sizeof(backDesc);
  back->GetSurfaceDesc(&backDesc);
  hr = mDisplay.MakeSurface(&zbuffer, backDesc.dwWidth, backDesc.dwHeight, &mZBufferFormat, &zCaps);
  if (FAILED(hr)) {
    if (!fullScreen && hr == DDERR_OUTOFVIDEOMEMORY) mWindowOutOfVideoMemory = 1;
    Log(hr, __LINE__);
    return false;
  }
  DxCheck(back->AddAttachedSurface(zbuffer), kUnitContext, __LINE__);
  zbuffer->Release();

  hr = mDirect3D->CreateDevice(mDeviceDesc.deviceGUID, back, &mDevice);
  if (FAILED(hr)) {
    mDevice = nullptr;
    if (hr == D3DERR_SURFACENOTINVIDMEM) mNeedsSystemMemory = 1;
    // Later window requests are refused as on a palette desktop.
    if (hr == DDERR_NOPALETTEATTACHED) mDesktopColourCount = 32;
    Log(hr, __LINE__);
    return false;
  }

  ResetMouseCursor();

  D3DDEVICEDESC7 caps{};
  DxCheck(mDevice->GetCaps(&caps), kUnitContext, __LINE__);
  if (caps.dwMaxTextureWidth < 1024 || caps.dwMaxTextureHeight < 1024) {
    LogError("TDXContext::Create - context does not support 1024x1024 textures! Failing!");
    ReleaseDevice();
    return false;
  }
  DDCAPS ddCaps{};
  ddCaps.dwSize = sizeof(ddCaps);
  DxCheck(directDraw->GetCaps(&ddCaps, nullptr), kUnitContext, __LINE__);

  DDDEVICEIDENTIFIER2 id{};
  if (SUCCEEDED(DxCheck(directDraw->GetDeviceIdentifier(&id, 0), kUnitContext, __LINE__))) {
    const GUID& g = id.guidDeviceIdentifier;
    uint32_t guidWords[4];
    std::memcpy(guidWords, &g, sizeof(guidWords));
    TStr report = TStr::Format(
        "Device identifier:  \n  Driver: '%s'\n  Description: '%s'\n  Version: %x:%x\n  Vendor ID: %x (%d)\n  Device "
        "ID: %x (%d)\n  SubSys:  : %x (%d)\n  Revision:  %x (%d)\n  GUID:      %x:%x:%x:%x\n",
        id.szDriver, id.szDescription, (unsigned)id.liDriverVersion.HighPart, (unsigned)id.liDriverVersion.LowPart,
        (unsigned)id.dwVendorId, (int)id.dwVendorId, (unsigned)id.dwDeviceId, (int)id.dwDeviceId,
        (unsigned)id.dwSubSysId, (int)id.dwSubSysId, (unsigned)id.dwRevision, (int)id.dwRevision, guidWords[0],
        guidWords[1], guidWords[2], guidWords[3]);
    LogPrintf("%s", report.c_str());
    mDiagnosticText += report;
    // These chips draw indexed vertices wrongly: the particle renderers avoid them.
    std::string description = id.szDescription;
    if (description.find("Intel") != std::string::npos &&
        (description.find("82810E") != std::string::npos || description.find("82845") != std::string::npos ||
         description.find(" 965 ") != std::string::npos))
      SetSetting("brokenindexedverts", "1");
  }
  mDiagnosticText += TStr::Format("DDCAPS: %s\n", HexDump(&ddCaps, (int)sizeof(ddCaps)).c_str());
  mDiagnosticText += TStr::Format("D3DDESC: %s\n", HexDump(&mDeviceDesc, (int)sizeof(mDeviceDesc)).c_str());
  return true;
}

HRESULT TDXContext::ClearTargets(DWORD flags) {
  if (!mDevice) return D3DERR_NOTINBEGIN;
  return mDevice->Clear(0, nullptr, flags, 0, 1.0f, 0);
}

bool TDXContext::PrepareBackBuffer() {
  if (mDisplay.IsWindowed()) return true;
  TScopedMutexWait wait(mMouseMutex, true);
  LPDIRECTDRAWSURFACE7 back = mDisplay.GetBackBuffer(), front = mDisplay.GetFrontBuffer();
  if (!back || !front) return false;
  HRESULT hr = back->BltFast(0, 0, front, nullptr, DDBLTFAST_WAIT);
  if (FAILED(hr)) {
    Log(hr, __LINE__);
    return false;
  }
  // The copy carries the cursor the mouse thread drew on the screen; the frame must not.
  if (mDrawn) {
    EraseCursorFromBackBuffer();
    mDrawn = true;
  }
  return true;
}

HRESULT TDXContext::Present() {
  TScopedMutexWait wait(mMouseMutex, true);
  mDisplay.RefreshRect();
  // A cursor that cannot be rebuilt only leaves the frame without it.
  bool cursor = true;
  if (mLost) {
    RestoreMouseImage();
    if (mLost) cursor = false;
  }
  if (cursor && mSurfacesFailed) cursor = CreateCursorSurfaces();
  if (cursor) DrawMouseCursor(-1, -1, true);
  bool windowed = mDisplay.IsWindowed();
  if (windowed && mWindowVSync && mDisplay.GetDirectDraw())
    DxCheck(mDisplay.GetDirectDraw()->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), kUnitContext, __LINE__);
  HRESULT hr = mDisplay.ShowFrame();
  if (windowed && cursor && mDrawn) {
    // The window keeps its back buffer from frame to frame: take the cursor out of it again,
    // while the screen shows it.
    EraseCursorFromBackBuffer();
    mDrawn = true;
  }
  return hr;
}

bool TDXContext::CanDrawToScreen() {
  LPDIRECTDRAWSURFACE7 back = mDisplay.GetBackBuffer();
  if (!back) return false;
  if (mDisplay.IsWindowed()) return true;
  LPDIRECTDRAW7 directDraw = mDisplay.GetDirectDraw();
  if (!directDraw || FAILED(directDraw->TestCooperativeLevel())) return false;
  LPDIRECTDRAWSURFACE7 front = mDisplay.GetFrontBuffer();
  return front && front->GetFlipStatus(DDGFS_ISFLIPDONE) == DD_OK;
}

POINT TDXContext::GetDisplayOrigin() {
  TScopedMutexWait wait(mMouseMutex, true);
  return mDisplay.GetOrigin();
}
