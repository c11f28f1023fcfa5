// The software mouse cursor. The image is converted once into runs of premultiplied pixels;
// drawing saves the screen under the cursor into one of two background surfaces (taken in
// turn, so that the part the old and the new cursor share is copied from the other one),
// blends the runs over a copy of it on a composition surface, puts the old background back and
// shows the composition. The mouse thread draws on the visible front buffer every 16 ms at most,
// trying the mouse mutex for 5 ms; the main thread draws into the back buffer just before each
// present and takes the cursor out of it again afterwards.
#include <algorithm>
#include <cstring>

#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/base/task.h"
#include "core/graphics/directx/display_host.h"
#include "core/graphics/directx/dx_context.h"
#include "core/graphics/directx/dx_error.h"
#include "core/graphics/directx/dx_texture_data.h"
#include "core/graphics/directx/platform_data.h"

// Rebuilds the cursor images from the platform's own task list after a display loss.
class MouseTextureListener : public TTask {
 public:
  explicit MouseTextureListener(TDXContext* context) : mContext(context) {}
  ~MouseTextureListener() override {
    if (mContext) mContext->DetachListener();
  }
  bool DoTask() override {
    if (!mContext) return false;
    mContext->RestoreMouseImage();
    return true;
  }
  TDXContext* mContext;  // main thread only
};

namespace {

std::atomic<bool> gRestoringMouseImage{false};

int64_t PackPoint(POINT p) { return (int64_t)(uint32_t)p.x | (int64_t)((uint64_t)(uint32_t)p.y << 32); }

POINT UnpackPoint(int64_t v) { return POINT{(LONG)(int32_t)(uint32_t)v, (LONG)(int32_t)(uint32_t)((uint64_t)v >> 32)}; }

}  // namespace

void TDXContext::DetachCursorListener() {
  if (mListener) mListener->mContext = nullptr;
  mListener = nullptr;
}

POINT TDXContext::GetDrawnPosition() const { return mDrawnPosition; }

bool TDXContext::DrawsWindowsCursor() const { return mCursorIcon.load() != nullptr && mDisplay.IsWindowed(); }

void TDXContext::UpdateMousePosition() {
  POINT p{0, 0};
  GetCursorPos(&p);
  RECT r = mDisplay.GetRect();
  float scale = GetDisplayHost().GetDisplayScale();
  if (scale <= 0.0f) scale = 1.0f;
  POINT m{(LONG)((float)(p.x - r.left) / scale), (LONG)((float)(p.y - r.top) / scale)};
  mMousePosition = PackPoint(m);
}

POINT TDXContext::GetMousePosition() {
  UpdateMousePosition();
  return UnpackPoint(mMousePosition);
}

bool TDXContext::CursorRects(POINT mouse, const RECT& bound, RECT& dest, RECT& source) const {
  float scale = GetDisplayHost().GetDisplayScale();
  int width = mCursorWidth, height = mCursorHeight;
  dest.left = bound.left + (LONG)((float)mouse.x * scale + 0.5f) + mImageOffset.x;
  dest.top = bound.top + (LONG)((float)mouse.y * scale + 0.5f) + mImageOffset.y;
  dest.right = dest.left + width;
  dest.bottom = dest.top + height;
  source = RECT{0, 0, width, height};
  if (dest.left < bound.left) source.left += bound.left - dest.left, dest.left = bound.left;
  if (dest.top < bound.top) source.top += bound.top - dest.top, dest.top = bound.top;
  if (dest.right > bound.right) source.right -= dest.right - bound.right, dest.right = bound.right;
  if (dest.bottom > bound.bottom) source.bottom -= dest.bottom - bound.bottom, dest.bottom = bound.bottom;
  return dest.left < dest.right && dest.top < dest.bottom;
}

bool TDXContext::ShouldDrawCursor(POINT boundOrigin, bool positionGiven) {
  TDisplayHost& host = GetDisplayHost();
  if (DrawsWindowsCursor()) {
    UpdateMousePosition();
    return false;
  }
  if (!mPositionKnown) {
    if (!positionGiven) return false;
    UpdateMousePosition();
    mPositionKnown = true;
  }
  if (!positionGiven && (int32_t)(host.GetTime() - mLastDrawTime.load()) < 16) return false;
  POINT m = UnpackPoint(mMousePosition);
  LONG x = m.x + boundOrigin.x, y = m.y + boundOrigin.y;
  if (!mSurfacesUnavailable && x >= 0 && x + mCursorWidth <= mDesktopWidth && y >= 0 &&
      y + mCursorHeight <= mDesktopHeight) {
    if (IsWindowsVistaOrLater() && positionGiven) {
      TPlatformData* display = TPlatformData::Get();
      return display && display->IsFullScreen() && !host.IsPqMode();
    }
    return true;
  }
  host.Invalidate();
  return false;
}

bool TDXContext::RestoreCursorBackground(LPDIRECTDRAWSURFACE7 target, const RECT& dest, const RECT& source) {
  LPDIRECTDRAWSURFACE7 saved = mCursorSurfaces[mSaveIndex].GetSurface();
  if (!saved) return false;
  RECT d = dest, s = source;
  HRESULT hr = target->Blt(&d, saved, &s, DDBLT_WAIT, nullptr);
  if (hr == DDERR_SURFACELOST) {
    mLost = true;
    mDrawn = false;
    return false;
  }
  DxCheck(hr, kUnitContext, __LINE__);
  return SUCCEEDED(hr);
}

RECT TDXContext::CursorBound(bool toBackBuffer) const {
  // The back buffer is in client coordinates, bounded by the root window; the front buffer is
  // the screen, bounded by the display rectangle.
  TRect root;
  if (toBackBuffer && GetDisplayHost().GetRootRect(root)) {
    float scale = GetDisplayHost().GetDisplayScale();
    return RECT{0, 0, (LONG)((float)root.right * scale + 0.5f), (LONG)((float)root.bottom * scale + 0.5f)};
  }
  if (toBackBuffer) {
    RECT r = mDisplay.GetRect();
    return RECT{0, 0, r.right - r.left, r.bottom - r.top};
  }
  return mDisplay.GetRect();
}

void TDXContext::EraseMouseCursor() {
  if (!mCursorWidth || !mCursorHeight || !mDrawn) {
    mDrawn = false;
    return;
  }
  LPDIRECTDRAWSURFACE7 target = mToBackBuffer ? mDisplay.GetBackBuffer() : mDisplay.GetFrontBuffer();
  RECT dest, source;
  if (target && CursorRects(mDrawnPosition, CursorBound(mToBackBuffer), dest, source))
    RestoreCursorBackground(target, dest, source);
  mDrawn = false;
}

void TDXContext::EraseCursorFromBackBuffer() {
  mToBackBuffer = true;
  EraseMouseCursor();
  mToBackBuffer = false;
}

POINT TDXContext::DrawMouseCursor(int x, int y, bool toBackBuffer) {
  TDisplayHost& host = GetDisplayHost();
  if (mLost || host.IsFullScreenInactive()) return UnpackPoint(mMousePosition);
  if (DrawsWindowsCursor()) {
    UpdateMousePosition();
    return UnpackPoint(mMousePosition);
  }
  if (!mShown) return UnpackPoint(mMousePosition);
  RECT bound = mDisplay.GetRect();
  if (!toBackBuffer && !ShouldDrawCursor(POINT{bound.left, bound.top}, x != -1)) return UnpackPoint(mMousePosition);
  if (!mCursorWidth || !mCursorHeight) return UnpackPoint(mMousePosition);
  TScopedMutexWait wait(mMouseMutex, toBackBuffer || x != -1);
  if (!wait.Acquired()) return UnpackPoint(mMousePosition);

  // A caller's position is read again too: the stored one may be from before the move that
  // brought it (a window's mouse message), and the cursor would be drawn where it was.
  UpdateMousePosition();
  POINT mouse = UnpackPoint(mMousePosition);
  if (!toBackBuffer && mPositionKnown && !CanDrawToScreen()) return mouse;
  LPDIRECTDRAWSURFACE7 saved[2] = {mCursorSurfaces[0].GetSurface(), mCursorSurfaces[1].GetSurface()};
  LPDIRECTDRAWSURFACE7 composition = mCursorSurfaces[2].GetSurface();
  if (!saved[0] || !saved[1] || !composition) return mouse;
  LPDIRECTDRAWSURFACE7 target;
  if (toBackBuffer) {
    target = mDisplay.GetBackBuffer();
    mDrawn = false;
  } else {
    target = mDisplay.GetFrontBuffer();
  }
  if (!target) return mouse;
  if (mouse.x == mDrawnPosition.x && mouse.y == mDrawnPosition.y && mDrawn && !toBackBuffer && mPositionKnown)
    return mouse;
  float scale = host.GetDisplayScale();
  LONG sx = bound.left + (LONG)((float)mouse.x * scale), sy = bound.top + (LONG)((float)mouse.y * scale);
  if ((sx < bound.left || sx >= bound.right || sy < bound.top || sy >= bound.bottom) && mDisplay.IsWindowed()) {
    HideMouseCursor();
    UpdateMousePosition();
    return UnpackPoint(mMousePosition);
  }
  bound = CursorBound(toBackBuffer);

  RECT dest, source;
  if (!CursorRects(mouse, bound, dest, source)) return mouse;
  int next = 1 - mSaveIndex;
  RECT savedRect = source;
  HRESULT hr = saved[next]->Blt(&savedRect, target, &dest, DDBLT_WAIT, nullptr);
  if (hr == DDERR_SURFACELOST) {
    mLost = true;
    mDrawn = false;
    return mouse;
  }
  DxCheck(hr, kUnitContext, __LINE__);

  RECT oldDest{0, 0, 0, 0}, oldSource{0, 0, 0, 0};
  bool hadOld = mDrawn && CursorRects(mDrawnPosition, bound, oldDest, oldSource);
  if (hadOld) {
    RECT overlap;
    if (IntersectRect(&overlap, &oldDest, &dest)) {
      // The new background must not hold the old cursor: that part comes from the old one.
      RECT from = overlap, to = overlap;
      OffsetRect(&from, oldSource.left - oldDest.left, oldSource.top - oldDest.top);
      OffsetRect(&to, source.left - dest.left, source.top - dest.top);
      DxCheck(saved[next]->Blt(&to, saved[mSaveIndex], &from, DDBLT_WAIT, nullptr), kUnitContext, __LINE__);
    }
  }

  DxCheck(composition->Blt(nullptr, saved[next], nullptr, DDBLT_WAIT, nullptr), kUnitContext, __LINE__);
  DDSURFACEDESC2 locked{};
  locked.dwSize = sizeof(locked);
  if (SUCCEEDED(DxCheck(composition->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), kUnitContext, __LINE__))) {
    BlendCursorRuns(locked, mAlphaImageInUse ? mAlphaRuns : mColorKeyRuns);
    composition->Unlock(nullptr);
  }

  if (hadOld && !RestoreCursorBackground(target, oldDest, oldSource)) {
    host.Invalidate();
    return mouse;
  }
  DxCheck(target->Blt(&dest, composition, &source, DDBLT_WAIT, nullptr), kUnitContext, __LINE__);
  mDrawnPosition = mouse;
  mSaveIndex = next;
  mDrawn = !mSurfacesUnavailable;
  mLastDrawTime = host.GetTime();
  return mouse;
}

void TDXContext::HideMouseCursor() {
  TScopedMutexWait wait(mMouseMutex, true);
  bool wasDrawn = mDrawn;
  mToBackBuffer = false;
  EraseMouseCursor();
  mDrawn = false;
  if (mPositionKnown) {
    ResetMouseCursor();
    if (wasDrawn) GetDisplayHost().Invalidate();
  }
}

void TDXContext::ShowMouseCursor(bool show) {
  ApplySystemCursor(show);
  if (DrawsWindowsCursor()) {
    HWND window = GetDisplayHost().GetMainWindow();
    if (window) SetClassLongPtrA(window, GCL_HCURSOR, show ? (LONG_PTR)mCursorIcon.load() : 0);
  } else if (show == mShown) {
    return;
  }
  mShown = show;
  if (!show) {
    HideMouseCursor();
    return;
  }
  TScopedMutexWait wait(mMouseMutex, true);
  DrawMouseCursor(-1, -1, true);
  if (mDisplay.IsWindowed() && mDrawn) {
    // The window keeps its back buffer between frames: the cursor drawn there would stay in it.
    EraseCursorFromBackBuffer();
    GetDisplayHost().Invalidate();
  }
}

void TDXContext::ApplySystemCursor(bool show) {
  HICON icon = mCursorIcon.load();
  SetCursor(show && icon && mDisplay.IsWindowed() ? icon : nullptr);
}

void TDXContext::RefreshMouseCursor() {
  TScopedMutexWait wait(mMouseMutex, true);
  RECT before = mDisplay.GetRect();
  mDisplay.RefreshRect();
  RECT after = mDisplay.GetRect();
  if (std::memcmp(&before, &after, sizeof(RECT)) != 0) {
    mDrawn = false;
    UpdateMousePosition();
  }
}

void TDXContext::ResetMouseCursor() {
  TScopedMutexWait wait(mMouseMutex, true);
  mMousePosition = PackPoint(POINT{-1, -1});
  mDrawnPosition = POINT{-1, -1};
  mPositionKnown = false;
  mDrawn = false;
  mSaveIndex = 0;
  mDisplay.RefreshRect();
}

// --- Images ---

TCursorPixel TDXContext::PremultiplyCursorPixel(uint32_t argb) const {
  uint32_t a = argb >> 24;
  uint32_t channels[3] = {(argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF};
  const DDPIXELFORMAT& f = mDisplayModeDesc.ddpfPixelFormat;
  DWORD masks[3] = {f.dwRBitMask, f.dwGBitMask, f.dwBBitMask};
  TCursorPixel p{};
  bool small = f.dwRGBBitCount == 15 || f.dwRGBBitCount == 16;
  for (int i = 0; i < 3; ++i) {
    uint32_t product = a * channels[i];
    if (small) {
      int n = CountMaskBits(masks[i]);
      p.value[i] = (uint16_t)(((product >> (16 - n)) << MaskShift(masks[i])) & masks[i]);
    } else {
      p.value[i] = (uint16_t)product;
    }
  }
  p.inverseAlpha = (uint8_t)(255 - a);
  return p;
}

void TDXContext::BlendCursorRuns(const DDSURFACEDESC2& locked, const std::list<TCursorRun>& runs) const {
  const DDPIXELFORMAT& f = locked.ddpfPixelFormat;
  DWORD bits = f.dwRGBBitCount;
  DWORD masks[3] = {f.dwRBitMask, f.dwGBitMask, f.dwBBitMask};
  auto* base = static_cast<uint8_t*>(locked.lpSurface);
  for (const TCursorRun& run : runs) {
    if (run.y >= locked.dwHeight) continue;
    uint8_t* row = base + (size_t)run.y * locked.lPitch;
    size_t count = std::min<size_t>(run.pixels.size(), run.x < locked.dwWidth ? locked.dwWidth - run.x : 0);
    for (size_t i = 0; i < count; ++i) {
      const TCursorPixel& c = run.pixels[i];
      size_t x = run.x + i;
      if (bits == 15 || bits == 16) {
        uint16_t old;
        std::memcpy(&old, row + x * 2, 2);
        uint32_t out = 0;
        for (int k = 0; k < 3; ++k) out |= ((((old & masks[k]) * c.inverseAlpha) >> 8) + c.value[k]) & masks[k];
        uint16_t word = (uint16_t)out;
        std::memcpy(row + x * 2, &word, 2);
      } else if (bits == 24 || bits == 32) {
        uint8_t* p = row + x * (bits / 8);
        // Bytes 0, 1, 2 are blue, green, red.
        for (int k = 0; k < 3; ++k) p[2 - k] = (uint8_t)(((uint32_t)p[2 - k] * c.inverseAlpha + c.value[k]) >> 8);
      }
    }
  }
}

bool TDXContext::BuildRuns(TTextureData& data, std::list<TCursorRun>& runs, bool alphaImage) {
  runs.clear();
  uint32_t* pixels = nullptr;
  int pitch = 0;
  if (!data.Lock(pixels, pitch)) {
    mLost = true;
    mSurfacesFailed = true;
    return false;
  }
  int width = (int)std::min(data.GetPaddedWidth(), data.GetSurfaceWidth());
  int height = (int)std::min(data.GetPaddedHeight(), data.GetSurfaceHeight());
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = pixels + (size_t)y * pitch;
    int x = 0;
    while (x < width) {
      auto visible = [&](uint32_t p) {
        if (alphaImage) return (p >> 24) != 0;
        uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        return !(r >= 248 && g == 0 && b >= 248);  // magenta is the colour key
      };
      if (!visible(row[x])) {
        ++x;
        continue;
      }
      TCursorRun run{(uint16_t)x, (uint16_t)y, {}};
      for (; x < width && visible(row[x]); ++x)
        run.pixels.push_back(PremultiplyCursorPixel(alphaImage ? row[x] : (row[x] | 0xFF000000u)));
      runs.push_back(std::move(run));
    }
  }
  data.Unlock();
  return true;
}

bool TDXContext::SetMouseCursorImage(const std::shared_ptr<TTexture>& texture, int hotX, int hotY, bool alpha) {
  if (!mDevice) return false;
  TScopedMutexWait wait(mMouseMutex, true);
  HideMouseCursor();
  if (alpha && GetSetting("activex") == "1") return CreateCursorIcon(texture, hotX, hotY);
  bool wasShowing = alpha ? (mAlphaImageInUse || mColorKeyTexture) : (mColorKeyTexture && !mAlphaImageInUse);
  TTextureData* data = GetTextureData(texture);
  // An image that cannot be read stays lost (a success would clear the flag with no runs).
  bool built = true;
  if (alpha) {
    mAlphaTexture = texture;
    mAlphaHotSpot = POINT{hotX, hotY};
    mAlphaRuns.clear();
    if (data) built = BuildRuns(*data, mAlphaRuns, true);
  } else {
    mColorKeyTexture = texture;
    mColorKeyRuns.clear();
    if (data) built = BuildRuns(*data, mColorKeyRuns, false);
  }
  if (texture) {
    if (alpha) mAlphaImageInUse = true;
  } else if (alpha) {
    mAlphaImageInUse = false;
  }
  mCursorWidth = 0;
  mCursorHeight = 0;
  if (!mColorKeyTexture) return built;
  if (!mListener) {
    mListener = new MouseTextureListener(this);
    GetDisplayHost().AddOwnTask(mListener);
  }
  if (alpha == mAlphaImageInUse && data) {
    mImageOffset = POINT{-hotX, -hotY};
    mCursorWidth = (int)data->GetPaddedWidth();
    mCursorHeight = (int)data->GetPaddedHeight();
    if (!CreateCursorSurfaces()) {
      mLost = true;
      mSurfacesFailed = true;
      return false;
    }
    mDisplay.RefreshRect();
    if (wasShowing) {
      ResetMouseCursor();
      UpdateMousePosition();
      POINT p = UnpackPoint(mMousePosition);
      DrawMouseCursor(p.x, p.y, false);
    }
  }
  return built;
}

void TDXContext::RestoreMouseImage() {
  if (gRestoringMouseImage.load()) {
    LogError("Second concurrent call to RestoreMouseImage");
    return;
  }
  if (GetDisplayHost().IsMoviePlaying()) {
    mDrawn = false;
    return;
  }
  gRestoringMouseImage = true;
  if (mColorKeyTexture && !DrawsWindowsCursor()) {
    std::shared_ptr<TTexture> texture = mColorKeyTexture;
    if (SetMouseCursorImage(texture, -mImageOffset.x, -mImageOffset.y, false)) mLost = false;
    if (mColorKeyTexture && mCursorWidth >= 1 && mCursorHeight >= 1) SetCursor(nullptr);
  }
  if (mAlphaTexture) {
    // The alpha image comes back with the hot spot it was set with.
    std::shared_ptr<TTexture> texture = mAlphaTexture;
    SetMouseCursorImage(texture, mAlphaHotSpot.x, mAlphaHotSpot.y, true);
  }
  gRestoringMouseImage = false;
}

void TDXContext::ReleaseCursorSurfaces() {
  for (auto& s : mCursorSurfaces) s.Destroy();
}

bool TDXContext::CreateCursorSurfaces() {
  ReleaseCursorSurfaces();
  if (mSurfacesUnavailable) return true;
  LPDIRECTDRAW7 directDraw = mDisplay.GetDirectDraw();
  if (!directDraw) {
    mSurfacesFailed = true;
    return false;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    HRESULT hr = DD_OK;
    for (auto& s : mCursorSurfaces) {
      DDSURFACEDESC2 desc = mDisplayModeDesc;
      desc.dwSize = sizeof(desc);
      desc.dwFlags = (desc.dwFlags & ~(DDSD_PITCH | DDSD_REFRESHRATE)) | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
      desc.dwWidth = (DWORD)std::max(1, mCursorWidth.load());
      desc.dwHeight = (DWORD)std::max(1, mCursorHeight.load());
      desc.lPitch = 0;
      hr = s.Create(directDraw, &desc);
      if (FAILED(hr)) break;
    }
    if (SUCCEEDED(hr)) {
      mSurfacesFailed = false;
      return true;
    }
    ReleaseCursorSurfaces();
    if (hr == DDERR_OUTOFVIDEOMEMORY) {
      if (attempt == 0 && mDirect3D) {
        DxCheck(mDirect3D->EvictManagedTextures(), kUnitContext, __LINE__);
        continue;
      }
      // The cursor is then simply not drawn.
      mSurfacesUnavailable = true;
      return true;
    }
    DxCheck(hr, kUnitContext, __LINE__);
    mSurfacesFailed = true;
    return false;
  }
  mSurfacesUnavailable = true;
  return true;
}

bool TDXContext::CreateCursorIcon(const std::shared_ptr<TTexture>& texture, int hotX, int hotY) {
  if (!IsWindowsXpOrLater()) return false;
  auto* data = static_cast<TDxTextureData*>(GetTextureData(texture));
  mIconHotSpot = POINT{hotX, hotY};
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof(header);
  header.bV5Width = 32;
  header.bV5Height = -32;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0xFF0000u;
  header.bV5GreenMask = 0xFF00u;
  header.bV5BlueMask = 0xFFu;
  header.bV5AlphaMask = 0xFF000000u;
  void* bits = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!colour || !bits) return false;
  if (data) data->ReadPixels(32, 32, static_cast<uint32_t*>(bits));
  HBITMAP mask = CreateBitmap(32, 32, 1, 1, nullptr);
  if (HICON old = mCursorIcon.exchange(nullptr)) DestroyIcon(old);
  ICONINFO info{FALSE, (DWORD)hotX, (DWORD)hotY, mask, colour};
  HICON icon = CreateIconIndirect(&info);
  mCursorIcon = icon;
  DeleteObject(colour);
  if (mask) DeleteObject(mask);
  SetCursor(icon);
  return icon != nullptr;
}
