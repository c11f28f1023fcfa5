// Display set-up: SetDisplay with its checks, messages and one fallback between window and full
// screen, the default device state every set-up leaves, window placement on its monitor, and
// the once-per-run texel-offset calibration.
//
// SetDisplay holds the mouse mutex for its whole run (the cursor is never drawn while surfaces
// come and go) and may call itself once for the fallback; the mutex is recursive per thread.
#include <algorithm>
#include <cmath>
#include <utility>

#include "core/base/asset_manager.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/graphics/directx/display_host.h"
#include "core/graphics/directx/dx_context.h"
#include "core/graphics/directx/dx_error.h"
#include "core/graphics/directx/dx_texture_data.h"
#include "core/graphics/directx/platform_data.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture.h"

namespace {

constexpr const char* kTextOutOfMemory =
    "You cannot run this application at your current screen resolution or bit depth (out of memory). Change your "
    "display settings and run again. Closing other applications might also help.";
constexpr const char* kTextEmbeddedOutOfMemory =
    "You cannot run this application at your current screen resolution or bit depth (out of memory). Change your "
    "display settings and run again.";
constexpr const char* kTextPalette =
    "You cannot run this application when your video mode is 8 bits or less. Change your display settings and run "
    "again.";
constexpr const char* kTextSmall =
    "You cannot run this application at your current screen resolution. Change your display settings and run "
    "again.";
constexpr const char* kTextReconfiguring =
    "Your video card doesn't have enough memory in the current mode. Changing to another mode. This setting will be "
    "saved so you won't see this box again. This will take less than a minute. Press OK to continue.";
constexpr const char* kTextTooFewColours =
    "DirectX requires that you have your screen set to 256 color mode or higher for any DirectX application to "
    "run. Please go to your control panel and select 256 color mode or install new video drivers to run this game. "
    "Exiting.";
constexpr const char* kTextWindowPalette = "Cannot run in 256 color mode or lower in a window. Switching to full screen.";
constexpr const char* kTextWindowSmall =
    "Cannot run in a window when your desktop is set to 800x600 or lower resolution. Switching to full screen.";
constexpr const char* kTextWindowMemory = "Cannot run in a window: Insufficient video memory. Switching to full screen.";
constexpr const char* kTextFallbackFailed =
    "Failed to initialize window. Please try running the game again. If that doesn't help, try changing the screen "
    "resolution and color depth. If that fails, then your video card does not support this game.";
constexpr const char* kTextFullScreenFailed =
    "Failed to initialize full screen mode. Your video card is not supported. Trying to run in a window.";
constexpr const char* kTextWindowFailed = "Failed to initialize windowed mode. Trying full screen.";

constexpr float kQuarterPi = 0.7853982f;
// Texel offsets tried by the calibration: -0.5, -0.4, ... 0.4.
constexpr int kTexelCandidates = 10;

// A window cannot be had: where the program may not leave it (embedded, or the PQ portal) the
// reason is shown and the program ends (false); otherwise the set-up goes on in full screen.
bool ForceFullScreen(TDisplayHost& host, bool mustExit, const char* text, const char* reason, bool& fullScreen) {
  if (mustExit) {
    MessageBoxA(nullptr, text, "Error", MB_ICONEXCLAMATION);
    host.ExitProgram(-1);
    return false;
  }
  LogPrintf("SetDisplay Forcing Fullscreen (%s)", reason);
  fullScreen = true;
  return true;
}

void ReleaseAllAssets() {
  if (TAssetManager* assets = TAssetManager::GetInstance()) assets->ReleaseAll();
}

}  // namespace

bool TPlatformData::IsProgramActive() {
  TDisplayHost& host = GetDisplayHost();
  return host.IsWindowActive() && (!host.HasSeenAppActivation() || host.IsAppActive());
}

bool TPlatformData::IsDesktopTooSmall(uint32_t width, uint32_t height) const {
  int64_t needWidth = (int64_t)width + GetSystemMetrics(SM_CXEDGE) + GetSystemMetrics(SM_CXFRAME);
  int64_t needHeight =
      (int64_t)height + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYFRAME);
  return mContext->GetDesktopWidth() < needWidth || mContext->GetDesktopHeight() < needHeight;
}

void TPlatformData::CenterWindowOnMonitor(HWND window) {
  // The monitor functions are not among the stand-in's calls, so the primary screen stands in
  // as the one monitor, with the work area as its usable part.
  RECT rect;
  if (!GetWindowRect(window, &rect)) return;
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
  LONG workWidth = work.right - work.left, workHeight = work.bottom - work.top;
  if (width > workWidth || height > workHeight) return;
  SetWindowPos(window, nullptr, work.left + (workWidth - width) / 2, work.top + (workHeight - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool TPlatformData::ResetDisplay(bool fullScreen) {
  uint32_t width = (uint32_t)mScreenRect.Width(), height = (uint32_t)mScreenRect.Height();
  if (!fullScreen) {
    if (mContext->GetDesktopColourCount() != -1 || IsDesktopTooSmall(width, height) ||
        mContext->WindowOutOfVideoMemory() || mLowMemoryVideo)
      return false;
  }
  SetDisplay(width, height, fullScreen, false, false, false);
  return true;
}

bool TPlatformData::SetDisplay(int requestWidth, int requestHeight, bool fullScreen, int force, int silent,
                               bool embedded) {
  SetDisplayOnce((uint32_t)std::max(requestWidth, 0), (uint32_t)std::max(requestHeight, 0), fullScreen, force != 0,
                 silent != 0, embedded);
  return IsDisplayReady();
}

void TPlatformData::SetDisplayOnce(uint32_t width, uint32_t height, bool fullScreen, bool force, bool silent,
                                   bool embedded) {
  TDisplayHost& host = GetDisplayHost();
  // Returns that leave the device alone put "ready" back: the mouse thread stops drawing the
  // cursor while it is clear.
  bool wasReady = mReady;
  mReady = false;
  TScopedMutexWait wait(mContext->GetMouseMutex(), true);
  if (mInSetDisplay) {
    host.Sleep(50);
    mReady = wasReady;
    return;
  }
  mInSetDisplay = true;
  TFlagReset guard{mInSetDisplay};

  if (host.IsZylomHost()) {
    fullScreen = false;
    silent = true;
  }
  if (!host.HasPlatform()) {
    mReady = wasReady;
    return;
  }
  if (host.IsMinimized()) {
    host.Sleep(100);
    mReady = wasReady;
    return;
  }
  if (mLowMemoryVideo && !ForceFullScreen(host, host.IsPqMode(), kTextOutOfMemory, "MEMORY", fullScreen)) return;
  bool active = IsProgramActive();
  if (!active && !force) {
    mReady = wasReady;
    return;
  }

  HWND mainWindow = host.GetMainWindow();
  HWND parent = host.GetExternalParent();
  DWORD exStyle = 0, style = 0;
  if (embedded || parent) {
    if (parent) {
      if (!IsWindow(parent)) {
        LogError("Error: mExternalWindowParent is lost, exiting!");
        host.ExitProgram(-1);
        return;
      }
      if (!fullScreen) {
        SetWindowLongA(mainWindow, GWL_EXSTYLE, 0);
        SetWindowLongA(mainWindow, GWL_STYLE, (LONG)(WS_CHILD | WS_VISIBLE));
        RECT client{0, 0, 0, 0};
        GetClientRect(parent, &client);
        MoveWindow(mainWindow, 0, 0, client.right, client.bottom, TRUE);
      }
      // A burst of set-ups right after the display broke only repeats the failure.
      if (mBroken && (uint32_t)(host.GetTime() - mBrokenTime) < 1000) {
        mReady = wasReady;
        return;
      }
    }
    mContext->SetClipWindow(parent);
    exStyle = fullScreen ? WS_EX_TOPMOST : 0;
    style = fullScreen ? (DWORD)WS_POPUP : (DWORD)(WS_CHILD | WS_VISIBLE);
  } else {
    mContext->SetClipWindow(nullptr);
  }
  if (mFatal) {
    host.ExitProgram(-1);
    return;
  }
  mWorkingCount = 0;
  if (!fullScreen && mContext->GetDesktopColourCount() != -1 &&
      !ForceFullScreen(host, parent != nullptr, kTextPalette, "PALLETTED", fullScreen))
    return;
  if (fullScreen == mFullScreen && width == (uint32_t)mScreenRect.Width() &&
      height == (uint32_t)mScreenRect.Height() && !force) {
    mReady = wasReady;
    return;
  }
  if (!fullScreen) {
    bool tooSmall = false;
    if (!host.IsPqMode()) {
      float scale = host.GetDisplayScale();
      tooSmall = IsDesktopTooSmall((uint32_t)((float)width * scale), (uint32_t)((float)height * scale));
      if (tooSmall && !ForceFullScreen(host, parent != nullptr, kTextSmall, "SMALL", fullScreen)) return;
    }
    if (!tooSmall && mContext->WindowOutOfVideoMemory() &&
        !ForceFullScreen(host, parent != nullptr, kTextEmbeddedOutOfMemory, "MEMORY", fullScreen))
      return;
  }

  ReleaseAllAssets();
  host.SetDisplayReset();
  if (!parent) {
    exStyle = WS_EX_APPWINDOW | (fullScreen ? WS_EX_TOPMOST : 0);
    style = fullScreen ? (DWORD)WS_POPUP : (DWORD)(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX);
  }
  if (mainWindow) {
    SetWindowLongA(mainWindow, GWL_EXSTYLE, (LONG)exStyle);
    SetWindowLongA(mainWindow, GWL_STYLE, (LONG)(style | (GetWindowLongA(mainWindow, GWL_STYLE) & WS_VISIBLE)));
  }

  mFullScreen = fullScreen;
  mScreenRect = TRect(0, 0, (int32_t)width, (int32_t)height);
  mViewport = mClipRect = mTargetRect = mScreenRect;
  mDirectDraw = nullptr;
  mDirect3D = nullptr;
  mDevice = nullptr;
  mRenderSurface = mTargetSurface = nullptr;
  mBroken = false;
  SetSetting("dxbroken", "0");
  mContext->ReleaseDevice();

  if (mLowMemorySwitchPending) {
    MessageBoxA(mainWindow, kTextReconfiguring, "Reconfiguring", MB_ICONEXCLAMATION);
    mLowMemorySwitchPending = false;
  }

  uint32_t depth = mLowMemoryVideo ? 16 : 32;
  uint32_t flags = TDXContext::kCreateDefault;
  if (embedded) flags |= TDXContext::kCreateKeepWindow;
  if (mHintAntialias) flags |= TDXContext::kCreateAntialias;
  bool created = mContext->Create(mainWindow, fullScreen, width, height, depth, flags);
  while (!created && (flags & TDXContext::kCreateAntialias)) {
    mAntialias = mHintAntialias = false;
    flags &= ~TDXContext::kCreateAntialias;
    created = mContext->Create(mainWindow, fullScreen, width, height, depth, flags);
  }
  if (!created) {
    SetDisplayFailed(width, height, fullScreen, silent);
    return;
  }

  mFallbackInProgress = false;
  if (!embedded && mainWindow) {
    RECT rect;
    if (!fullScreen && GetWindowRect(mainWindow, &rect) && rect.left == 0 && rect.top == 0)
      CenterWindowOnMonitor(mainWindow);
    ShowWindow(mainWindow, SW_SHOW);
    if (fullScreen) SetActiveWindow(mainWindow);
  }

  mDirectDraw = mContext->GetDirectDraw();
  mDirect3D = mContext->GetDirect3D();
  mDevice = mContext->GetDevice();
  ReadDeviceCaps();
  LPDIRECTDRAWSURFACE7 target = nullptr;
  if (mDevice && SUCCEEDED(DX_CHECK(mDevice->GetRenderTarget(&target), kUnitDisplayHandler))) {
    // The back buffer keeps the surface alive; the handler only points at it.
    target->Release();
  }
  mRenderSurface = mTargetSurface = target;

  SetDefaultDeviceState();
  TDxTextureData::ResetTextureFormat();

  TAssetManager* assets = TAssetManager::GetInstance();
  if (assets && assets->GetAssetCount() > 0 && !host.IsMoviePlaying()) mContext->Present();

  if (IsDeviceValid()) {
    TMat4 identity;
    SetWorldTransform(identity);
    SetViewTransform(identity);
    SetPerspective(0.1f, 1000.0f, kQuarterPi, 0.0f);
    SetAmbient(TColor(1, 1, 1, 1));
    D3DMATERIAL7 material{};
    material.diffuse = {1, 1, 1, 1};
    material.ambient = {0.5f, 0.5f, 0.5f, 1};
    material.specular = {1, 1, 1, 1};
    material.emissive = {0, 0, 0, 1};
    material.power = 1;
    SetMaterial(material);
    if (!mSetDisplayRan) {
      mSetDisplayRan = true;
      if (!mContext->HasCursorImage()) host.SetDefaultMouseCursor();
    }
    RestoreAssets();
    host.Invalidate();
    if (fullScreen) mFullScreenHasWorked = true;
    DWORD frequency = 0;
    if (SUCCEEDED(DX_CHECK(mDirectDraw->GetMonitorFrequency(&frequency), kUnitDisplayHandler)))
      SetSetting("monitorfrequency", TStr::Format("%d", (int)frequency));
    DDSURFACEDESC2 mode{};
    mode.dwSize = sizeof(mode);
    if (SUCCEEDED(DX_CHECK(mDirectDraw->GetDisplayMode(&mode), kUnitDisplayHandler)))
      mDisplayDepth = mode.ddpfPixelFormat.dwRGBBitCount;
    mReady = true;
  }
}

void TPlatformData::SetDisplayFailed(uint32_t width, uint32_t height, bool fullScreen, bool silent) {
  TDisplayHost& host = GetDisplayHost();
  HWND mainWindow = host.GetMainWindow();
  if (mContext->HasTooFewColours()) {
    if (!silent) MessageBoxA(nullptr, kTextTooFewColours, "Error", MB_OK);
    mFatal = true;
    host.ExitProgram(-1);
    return;
  }
  if (host.GetExternalParent()) {
    FlagBroken();
    return;
  }
  if (fullScreen && mFullScreenHasWorked) {
    FlagBroken();
    host.Sleep(150);
    return;
  }
  bool active = IsProgramActive();
  bool foreground = GetForegroundWindow() == mainWindow;
  if (!mFallbackInProgress && (!active || !foreground)) {
    LogError("SetDisplay marking DirectX Broken: %s, %s", active ? "ACTIVE" : "INACTIVE",
             foreground ? "BACKGROUND" : "FOREGROUND");
    FlagBroken();
    return;
  }
  if (!fullScreen) {
    const char* text = nullptr;
    if (mContext->GetDesktopColourCount() != -1)
      text = kTextWindowPalette;
    else if (IsDesktopTooSmall(width, height))
      text = kTextWindowSmall;
    else if (mContext->WindowOutOfVideoMemory())
      text = kTextWindowMemory;
    if (text) {
      if (!silent) MessageBoxA(nullptr, text, "Error", MB_OK);
      mFallbackInProgress = true;
      mInSetDisplay = false;
      SetDisplay(width, height, true, true, false, false);
      return;
    }
  }
  if (mFallbackInProgress) {
    LogError("ERROR FALLBACK FAILED");
    MessageBoxA(mainWindow, kTextFallbackFailed, "Error", MB_ICONERROR);
    host.PostQuit(0);
    mFatal = true;
    return;
  }
  mFallbackInProgress = true;
  mInSetDisplay = false;
  if (fullScreen) {
    SetDisplay(width, height, false, true, false, false);
    if (!silent) MessageBoxA(nullptr, kTextFullScreenFailed, "Error", MB_OK);
  } else {
    if (!silent) MessageBoxA(nullptr, kTextWindowFailed, "Error", MB_OK);
    SetDisplay(width, height, true, false, false, false);
  }
}

void TPlatformData::ReadDeviceCaps() {
  if (!mDevice) return;
  D3DDEVICEDESC7 caps{};
  if (FAILED(DX_CHECK(mDevice->GetCaps(&caps), kUnitDisplayHandler))) return;
  mSeparateTextureMemories = (caps.dwDevCaps & D3DDEVCAPS_SEPARATETEXTUREMEMORIES) != 0;
  mNoSpecular = (caps.dpcTriCaps.dwShadeCaps & D3DPSHADECAPS_SPECULARGOURAUDRGB) == 0;
  mSquareTexturesOnly =
      (caps.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY) != 0 || caps.dwMaxTextureAspectRatio < 64;
}

void TPlatformData::SetDefaultDeviceState() {
  if (!mDevice) return;
  // In this order: lighting and material sources, blending, filtering and the stage-0 set-up,
  // then the alpha test that drops fully transparent pixels.
  static const std::pair<D3DRENDERSTATETYPE, DWORD> kBefore[] = {
      {D3DRENDERSTATE_AMBIENT, 0xFFFFFFFFu},
      {D3DRENDERSTATE_ZENABLE, TRUE},
      {D3DRENDERSTATE_ZWRITEENABLE, TRUE},
      {D3DRENDERSTATE_COLORVERTEX, TRUE},
      {D3DRENDERSTATE_LIGHTING, TRUE},
      {D3DRENDERSTATE_NORMALIZENORMALS, TRUE},
      {D3DRENDERSTATE_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRENDERSTATE_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRENDERSTATE_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRENDERSTATE_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
      {D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA},
      {D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA},
      {D3DRENDERSTATE_ALPHABLENDENABLE, TRUE},
      {D3DRENDERSTATE_WRAP0, 0},
  };
  static const std::pair<D3DTEXTURESTAGESTATETYPE, DWORD> kStage[] = {
      {D3DTSS_MAGFILTER, D3DTFG_LINEAR},  {D3DTSS_MINFILTER, D3DTFN_LINEAR},   {D3DTSS_MIPFILTER, D3DTFP_LINEAR},
      {D3DTSS_COLORARG1, D3DTA_TEXTURE},  {D3DTSS_COLORARG2, D3DTA_CURRENT},   {D3DTSS_COLOROP, D3DTOP_MODULATE},
      {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},  {D3DTSS_ALPHAARG2, D3DTA_CURRENT},   {D3DTSS_ALPHAOP, D3DTOP_MODULATE},
  };
  static const std::pair<D3DRENDERSTATETYPE, DWORD> kAfter[] = {
      {D3DRENDERSTATE_ALPHATESTENABLE, TRUE},
      {D3DRENDERSTATE_ALPHAREF, 1},
      {D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATEREQUAL},
      {D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD},
  };
  for (const auto& s : kBefore) ApplyRenderState(s.first, s.second, __LINE__);
  for (const auto& s : kStage) ApplyStageState(s.first, s.second, __LINE__);
  for (const auto& s : kAfter) ApplyRenderState(s.first, s.second, __LINE__);
}

void TPlatformData::TestRenderTarget() {
  if (mRenderTargetTestDone) return;
  mRenderTargetTestDone = true;
  TRenderer* renderer = TRenderer::Get();
  // A 16 x 16 white square with black corners at (0, 0) and (15, 15): drawn unscaled, both
  // corners land on their pixels only with the rasteriser's own texel offset.
  std::shared_ptr<TTexture> small = TTexture::CreateRenderTarget(16, 16);
  std::shared_ptr<TTexture> large;
  uint32_t* pixels = nullptr;
  int pitch = 0;
  if (small) {
    renderer->FillRect(TRect(0, 0, 16, 16), TColor(1, 1, 1, 1), small);
    if (small->Lock(pixels, pitch)) {
      pixels[0] &= 0xFF000000u;
      pixels[(size_t)15 * pitch + 15] &= 0xFF000000u;
      small->Unlock();
      large = TTexture::CreateRenderTarget(1024, 512);
    }
  }
  if (large) {
    renderer->FillRect(TRect(0, 0, 1024, 512), TColor(1, 0, 0, 1), large);
    auto candidate = [](int i, int& x, int& y) {
      x = (i * 16) % 800;
      y = (i * 16) / 800 * 16;
    };
    if (!renderer->BeginRenderTarget(large, 2)) {
      mRenderTargetTestDone = false;  // the next set-up tries again
      return;
    }
    bool began = renderer->Begin2d();
    for (int i = 0; i < kTexelCandidates; ++i) {
      int x, y;
      candidate(i, x, y);
      mTexelOffset = (float)i * 0.1f - 0.5f;
      TDrawSpec spec(TVec2((float)x, (float)y));
      spec.SetOrigin(TVec2(0, 0));
      small->Draw(spec);
    }
    if (began) renderer->End2d();
    renderer->EndRenderTarget();
    bool found = false;
    if (large->Lock(pixels, pitch)) {
      for (int i = 0; i < kTexelCandidates && !found; ++i) {
        int x, y;
        candidate(i, x, y);
        mTexelOffset = (float)i * 0.1f - 0.5f;
        found = (pixels[(size_t)y * pitch + x] & 0xFFFFFFu) == 0 &&
                (pixels[(size_t)(y + 15) * pitch + x + 15] & 0xFFFFFFu) == 0;
      }
      large->Unlock();
    }
    if (!found) mTexelOffset = -0.5f;
  }
  renderer->PushClipRect(mScreenRect);
  renderer->FillRect(mScreenRect, TColor(0, 0, 0, 1));
  renderer->PopClipRect();
}
