// Render targets and display restore. The device draws only into its back buffer, so drawing
// into a texture means drawing into the top-left region of the back buffer and copying it into
// the texture afterwards (five modes). Restore decides between restoring lost surfaces in place
// and setting the display up again, then brings every asset's device objects back.
#include <algorithm>

#include "core/base/asset_manager.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/graphics/directx/display_host.h"
#include "core/graphics/directx/dx_context.h"
#include "core/graphics/directx/dx_error.h"
#include "core/graphics/directx/dx_texture_data.h"
#include "core/graphics/directx/platform_data.h"

HRESULT TPlatformData::WaitForFlip() {
  LPDIRECTDRAWSURFACE7 front = mContext->GetFrontBuffer();
  if (!front) return DD_OK;
  HRESULT status = front->GetFlipStatus(DDGFS_ISFLIPDONE);
  while (status == DDERR_WASSTILLDRAWING) {
    GetDisplayHost().Sleep(1);
    status = front->GetFlipStatus(DDGFS_ISFLIPDONE);
  }
  return status;
}

void TPlatformData::DropRenderTarget() {
  mTextures[2].reset();
  mTargetData = nullptr;
}

bool TPlatformData::BeginRenderTarget(std::shared_ptr<TTexture> texture, uint32_t mode) {
  if (!mDevice || mBroken) return false;
  auto* data = static_cast<TDxTextureData*>(GetTextureData(texture));
  if (!data || !data->GetSurface()) {
    FlagBroken();
    return false;
  }
  return BeginRenderTargetData(texture, data, mode);
}

bool TPlatformData::BeginRenderTargetData(const std::shared_ptr<TTexture>& holder, TTextureData* target,
                                          uint32_t mode) {
  auto* data = static_cast<TDxTextureData*>(target);
  TDisplayHost& host = GetDisplayHost();
  mRenderTargetMode = (int)mode;
  mTextures[0] = std::move(mTextures[1]);
  mTextures[1] = std::move(mTextures[2]);
  mTextures[2] = holder;
  mTargetData = data;
  WaitForFlip();
  host.SetDisplayScale(1.0f);
  int32_t width = (int32_t)data->GetWidth(), height = (int32_t)data->GetHeight();
  PushViewport(0, 0, width, height);
  mTargetRect = TRect(0, 0, width, height);
  host.Invalidate();
  if (mode == 2 || mode == 3) {
    RECT area{0, 0, std::min(width, mScreenRect.Width()), std::min(height, mScreenRect.Height())};
    if (mRenderSurface && area.right > 0 && area.bottom > 0)
      DX_CHECK(mRenderSurface->Blt(&area, data->GetSurface(), &area, DDBLT_WAIT, nullptr), kUnitDisplayHandler);
  } else if (mode == 4) {
    TColor clear(0, 0, 0, 0);
    FillRectData(0, 0, width, height, &clear, nullptr);
  }
  WaitForFlip();
  if (!BeginDraw(0)) {
    host.OnRenderTargetRefused();
    PopViewport();
    host.RestoreDisplayScale();
    mTargetRect = mScreenRect;
    DropRenderTarget();
    return false;
  }
  return true;
}

void TPlatformData::EndRenderTarget() {
  GetDisplayHost().RestoreDisplayScale();
  if (!mTargetData) return;
  auto* data = static_cast<TDxTextureData*>(mTargetData);
  EndDraw(0);
  PopViewport();
  RECT copy{0, 0, std::min(mTargetRect.right, mScreenRect.right), std::min(mTargetRect.bottom, mScreenRect.bottom)};
  mTargetRect = mScreenRect;
  if (mRenderTargetMode == 4) {
    CopyAlphaMask(*data, copy);
  } else if (CopyTargetToTexture(*data, copy) && mRenderTargetMode != 1) {
    uint32_t* pixels = nullptr;
    int pitch = 0;
    if (data->Lock(pixels, pitch)) {
      for (uint32_t y = 0; y < data->GetSurfaceHeight(); ++y)
        for (uint32_t x = 0; x < data->GetSurfaceWidth(); ++x) pixels[(size_t)y * pitch + x] |= 0xFF000000u;
      data->Unlock();
    }
  }
  // The mode only means something while the target is active (the mask blend variants).
  mRenderTargetMode = 0;
  DropRenderTarget();
}

bool TPlatformData::CopyTargetToTexture(TDxTextureData& texture, const RECT& copy) {
  LPDIRECTDRAWSURFACE7 surface = texture.GetSurface();
  if (!surface) {
    FlagBroken();
    return false;
  }
  if (!mRenderSurface || copy.right <= 0 || copy.bottom <= 0) return true;
  RECT area = copy;
  DDSURFACEDESC2 back{};
  back.dwSize = sizeof(back);
  mRenderSurface->GetSurfaceDesc(&back);
  if (back.ddpfPixelFormat.dwRGBBitCount == 32 &&
      SUCCEEDED(DX_CHECK(surface->Blt(&area, mRenderSurface, &area, DDBLT_WAIT, nullptr), kUnitDisplayHandler)))
    return true;
  if (CopyThroughGdi(surface, area, mRenderSurface, area)) return true;
  // Without device contexts: convert pixel by pixel.
  uint32_t* pixels = nullptr;
  int pitch = 0;
  if (!texture.Lock(pixels, pitch)) return true;
  DDSURFACEDESC2 locked{};
  locked.dwSize = sizeof(locked);
  if (SUCCEEDED(DX_CHECK(mRenderSurface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), kUnitDisplayHandler))) {
    const DDPIXELFORMAT& f = locked.ddpfPixelFormat;
    int bytes = (int)(f.dwRGBBitCount + 7) / 8;
    const TPixelChannel red(f.dwRBitMask), green(f.dwGBitMask), blue(f.dwBBitMask);
    LONG rows = std::min<LONG>(area.bottom, (LONG)texture.GetSurfaceHeight());
    LONG columns = std::min<LONG>(area.right, (LONG)texture.GetSurfaceWidth());
    for (LONG y = 0; y < rows; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(locked.lpSurface) + (size_t)y * locked.lPitch;
      for (LONG x = 0; x < columns; ++x) {
        uint32_t p = ReadPixelBytes(row + (size_t)x * bytes, bytes);
        pixels[(size_t)y * pitch + x] = 0xFF000000u | red.Take(p) << 16 | green.Take(p) << 8 | blue.Take(p);
      }
    }
    mRenderSurface->Unlock(nullptr);
  }
  texture.Unlock();
  return true;
}

void TPlatformData::CopyAlphaMask(TDxTextureData& texture, const RECT& copy) {
  if (!mRenderSurface) return;
  uint32_t* pixels = nullptr;
  int pitch = 0;
  if (!texture.Lock(pixels, pitch)) return;
  DDSURFACEDESC2 locked{};
  locked.dwSize = sizeof(locked);
  if (SUCCEEDED(DX_CHECK(mRenderSurface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), kUnitDisplayHandler))) {
    const DDPIXELFORMAT& f = locked.ddpfPixelFormat;
    int bits = (int)f.dwRGBBitCount;
    int bytes = (bits + 7) / 8;
    const TPixelChannel red(f.dwRBitMask);
    // Only the part of the back buffer the target covered holds the mask: a texture larger
    // than the display would otherwise read past the back buffer.
    LONG rows = std::min<LONG>(copy.bottom, (LONG)std::min(texture.GetHeight(), texture.GetSurfaceHeight()));
    LONG columns = std::min<LONG>(copy.right, (LONG)std::min(texture.GetWidth(), texture.GetSurfaceWidth()));
    for (LONG y = 0; y < rows; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(locked.lpSurface) + (size_t)y * locked.lPitch;
      for (LONG x = 0; x < columns; ++x) {
        uint32_t p = ReadPixelBytes(row + (size_t)x * bytes, bytes);
        uint8_t alpha = bits == 32 ? (uint8_t)p : (uint8_t)red.Take(p);
        uint32_t& out = pixels[(size_t)y * pitch + x];
        out = (out & 0x00FFFFFFu) | (uint32_t)alpha << 24;
      }
    }
    mRenderSurface->Unlock(nullptr);
  }
  texture.Unlock();
}

bool TPlatformData::SwitchRenderTarget(IDirectDrawSurface7* from, IDirectDrawSurface7* to) {
  if (from == to) return true;
  if (!mDevice || !to) return true;
  TRect oldScreen = mScreenRect;
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof(desc);
  to->GetSurfaceDesc(&desc);
  HRESULT hr = mDevice->SetRenderTarget(to, 0);
  if (SUCCEEDED(hr)) {
    float scale = GetDisplayHost().GetDisplayScale();
    if (scale <= 0.0f) scale = 1.0f;
    mScreenRect = TRect(0, 0, (int32_t)std::lround(desc.dwWidth / scale), (int32_t)std::lround(desc.dwHeight / scale));
    mViewport = mScreenRect;
    hr = ApplyViewport(mViewport, mScreenRect);
    if (FAILED(hr)) {
      mScreenRect = mViewport = oldScreen;
      DxLog(hr, kUnitDisplayHandler, __LINE__);
      LogError("Bad viewport in switching render target!");
      hr = ApplyViewport(mViewport, mScreenRect);
    }
  }
  if (FAILED(hr)) {
    mScreenRect = oldScreen;
    DxLog(hr, kUnitDisplayHandler, __LINE__);
    if (hr == DDERR_CURRENTLYNOTAVAIL) {
      DWORD bits = desc.ddpfPixelFormat.dwRGBBitCount;
      if (bits == 16) {
        LogError("Failed to SetRenderTarget with bit depth 16");
        mContext->Set16BitTargetsBroken();
        FlagBroken();
      } else if (!mLoggedTargetDepth) {
        mLoggedTargetDepth = true;
        LogError("Failed to SetRenderTarget with alpha bit depth %d", (int)bits);
      }
    }
  }
  return true;
}

bool TPlatformData::Restore() {
  TDisplayHost& host = GetDisplayHost();
  if (mInRestore) {
    FlagBroken();
    host.Sleep(50);
    return false;
  }
  mInRestore = true;
  TFlagReset guard{mInRestore};
  if (host.IsMinimized()) {
    host.Sleep(100);
    return IsDisplayReady();
  }
  if (TAssetManager* assets = TAssetManager::GetInstance()) assets->ReleaseAll();
  if (!RestoreSurfaces()) SetDisplay(mScreenRect.Width(), mScreenRect.Height(), mFullScreen, true, false, false);
  return IsDisplayReady();
}

bool TPlatformData::RestoreSurfaces() {
  TDisplayHost& host = GetDisplayHost();
  if (!mDirectDraw || mLowMemorySwitchPending) {
    LogPrintf("TPlatformData::Restore: mDirectDraw NULL. Calling SetDisplay()");
    return false;
  }
  HRESULT status = mDirectDraw->TestCooperativeLevel();
  if (FAILED(status)) {
    for (int pass = 1; FAILED(status); ++pass) {
      if (status == DDERR_WRONGMODE) return false;
      if (!host.IsWindowActive()) return true;
      host.Sleep(100);
      if (pass == 5) return true;
      if (status == DDERR_EXCLUSIVEMODEALREADYSET) return true;
      if (status == DDERR_NOEXCLUSIVEMODE)
        status = mDirectDraw->SetCooperativeLevel(host.GetMainWindow(), DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE);
    }
    LogPrintf("Restore: Test Cooperative level failed. Calling SetDisplay");
    return false;
  }
  if (mWorkingCount < 3) {
    if (host.IsWindowActive()) {
      LogPrintf("TPlatformData::Restore: Working count too small (%d). Calling SetDisplay()", (int)mWorkingCount);
      SetDisplay(mScreenRect.Width(), mScreenRect.Height(), mFullScreen, true, false, false);
    } else {
      FlagBroken();
    }
    return true;
  }
  mWorkingCount = 0;
  mBroken = false;
  SetSetting("dxbroken", "0");
  HRESULT hr = mDirectDraw->RestoreAllSurfaces();
  if (SUCCEEDED(hr)) {
    RestoreAssets();
    host.Invalidate();
    return true;
  }
  if (hr == DDERR_WRONGMODE) {
    LogPrintf("Restore: RestoreAllSurfaces resulted in DDERR_WRONGMODE. Calling SetDisplay.");
  } else {
    LogError("RestoreAllSurfaces failed!\n");
    DxLog(hr, kUnitDisplayHandler, __LINE__);
  }
  return false;
}

void TPlatformData::RestoreAssets() {
  if (!IsDeviceValid()) {
    LogError("RestoreAssets: DX broken");
    return;
  }
  if (TAssetManager* assets = TAssetManager::GetInstance()) assets->RestoreAll();
  GetDisplayHost().RunTasks(0);
  GetDisplayHost().Invalidate();
}
