// TDxTextureData: one DirectDraw surface per texture. Ordinary textures are made by D3DX in the
// device's formats; render targets and simple surfaces are made by hand in the back buffer's
// format (alpha ones in the best alpha format the device offers, cached per display set-up).
// Pixels go in and out as 32-bit ARGB and are converted by the surface's channel masks; the
// image sits at its margins inside the surface (centred when the device needs square textures).
#include "core/graphics/directx/dx_texture_data.h"

#include <algorithm>
#include <cstring>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/graphics/directx/display_host.h"
#include "core/graphics/directx/dx_context.h"
#include "core/graphics/directx/dx_error.h"
#include "core/graphics/directx/platform_data.h"
#include "platform/directx/d3dx.h"

namespace {

// The alpha texture format chosen for this display set-up (empty: choose again).
DDPIXELFORMAT gTextureFormat{};
bool gLoggedCopyFailure = false;
bool gLoggedScaledCopyFailure = false;

bool IsArgb8888(const DDPIXELFORMAT& f) {
  return (f.dwFlags & DDPF_RGB) && f.dwRGBBitCount == 32 && f.dwRBitMask == 0xFF0000u && f.dwGBitMask == 0xFF00u &&
         f.dwBBitMask == 0xFFu && (f.dwFlags & DDPF_ALPHAPIXELS) && f.dwRGBAlphaBitMask == 0xFF000000u;
}

void WriteBytes(uint8_t* p, int bytes, uint32_t v) {
  for (int i = 0; i < bytes; ++i) p[i] = (uint8_t)(v >> (8 * i));
}

struct TFormatChoice {
  DWORD bits;
  DDPIXELFORMAT best{};
  bool found = false;
};

HRESULT OnTextureFormat(LPDDPIXELFORMAT format, LPVOID context) {
  auto* choice = static_cast<TFormatChoice*>(context);
  DWORD flags = format->dwFlags;
  if (!(flags & DDPF_ALPHAPIXELS) || !(flags & DDPF_RGB) || (flags & DDPF_LUMINANCE)) return D3DENUMRET_OK;
  if (format->dwRGBBitCount != choice->bits) return D3DENUMRET_OK;
  if (!choice->found) {
    choice->best = *format;
    choice->found = true;
  } else if (CountMaskBits(format->dwRGBAlphaBitMask) > CountMaskBits(choice->best.dwRGBAlphaBitMask) &&
             CountMaskBits(format->dwBBitMask) >= 3) {
    choice->best = *format;
  }
  return D3DENUMRET_OK;
}

DWORD SurfaceBytes(LPDIRECTDRAWSURFACE7 surface) {
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof(desc);
  if (FAILED(surface->GetSurfaceDesc(&desc))) return 0;
  return desc.dwHeight * (DWORD)desc.lPitch;
}

}  // namespace

int CountMaskBits(uint32_t mask) {
  int n = 0;
  for (; mask; mask &= mask - 1) ++n;
  return n;
}

int MaskShift(uint32_t mask) {
  if (!mask) return 0;
  int n = 0;
  while (!(mask & 1u)) mask >>= 1, ++n;
  return n;
}

TPixelChannel::TPixelChannel(uint32_t m) : mask(m) {
  if (!m) return;
  low = MaskShift(m);
  width = CountMaskBits(m);
  top = low + width - 8;
}

uint32_t ReadPixelBytes(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= (uint32_t)p[i] << (8 * i);
  return v;
}

uint32_t NextPowerOfTwo(uint32_t value) {
  if (value < 3) return 2;
  uint32_t p = 4;
  while (p < value && p < 0x80000000u) p <<= 1;
  return p;
}

void TDxTextureData::ResetTextureFormat() { gTextureFormat = DDPIXELFORMAT{}; }

TDxTextureData::~TDxTextureData() { FreeSurface(true); }

void TDxTextureData::FreeSurface(bool detachZBuffer) {
  mLockCopy.clear();
  mLockCopy.shrink_to_fit();
  if (!mSurface) return;
  if (detachZBuffer) {
    DDSCAPS2 caps{DDSCAPS_ZBUFFER, 0, 0, 0};
    LPDIRECTDRAWSURFACE7 z = nullptr;
    if (SUCCEEDED(mSurface->GetAttachedSurface(&caps, &z)) && z) {
      mSurface->DeleteAttachedSurface(0, z);
      z->Release();
    }
  }
  if (TPlatformData* display = TPlatformData::Get()) display->AddTextureMemory(-(int64_t)SurfaceBytes(mSurface));
  mSurface->Release();
  mSurface = nullptr;
}

void TDxTextureData::Release() { FreeSurface(false); }

bool TDxTextureData::ImageFileExists(const TStr& name) {
  TStr base = name;
  int options = base.Find('?');
  if (options >= 0) base = base.SubStr(0, options);
  return FileExists(base) || FileExists(base + ".png") || FileExists(base + ".jpg");
}

void TDxTextureData::Restore() {
  TStr file = GetFileName();
  TTextureLoader loader = GetLoader();
  TPlatformData* display = TPlatformData::Get();
  if (file.IsEmpty()) {
    if (!CreateSurface(mWidth, mHeight, true)) {
      LogError("TDxTextureData::Restore: Failed to restore a %ux%u texture made in memory.", mWidth, mHeight);
      if (display) display->FlagBrokenThrottled();
    }
    return;
  }
  if (!mMaskName.IsEmpty()) {
    if (!loader || !loader(*this, file, mMaskName)) {
      LogError("TDxTextureData::Restore: Failed to restore from file %s and %s.", file.c_str(), mMaskName.c_str());
      if (display && ImageFileExists(file) && ImageFileExists(mMaskName)) display->FlagBroken();
    }
    return;
  }
  if (!loader || !loader(*this, file, TStr())) {
    LogError("TDxTextureData::Restore: Failed to restore from file %s.", file.c_str());
    // A file that is gone leaves the texture empty, not the display broken.
    if (display && ImageFileExists(file)) display->FlagBroken();
  }
}

HRESULT TDxTextureData::CreatePlainSurface(DDSURFACEDESC2& desc, bool alpha, bool renderTarget) {
  TPlatformData* display = TPlatformData::Get();
  LPDIRECTDRAW7 directDraw = display->GetDirectDraw();
  TDXContext* context = display->GetContext();
  LPDIRECTDRAWSURFACE7 back = context->GetBackBuffer();
  DDSURFACEDESC2 backDesc{};
  backDesc.dwSize = sizeof(backDesc);
  if (back) back->GetSurfaceDesc(&backDesc);
  bool simple = HasFlag(kTextureSimple);
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT |
                 (display->HasSeparateTextureMemories() ? DDSD_TEXTURESTAGE : 0u);
  desc.ddpfPixelFormat = backDesc.ddpfPixelFormat;
  desc.ddsCaps.dwCaps = (simple ? DDSCAPS_OFFSCREENPLAIN : DDSCAPS_TEXTURE) | (renderTarget ? DDSCAPS_3DDEVICE : 0u);
  bool systemMemory = !context->HasHardwareRenderer() || (simple && HasFlag(kTextureSlow));
  desc.ddsCaps.dwCaps |= systemMemory ? DDSCAPS_SYSTEMMEMORY : DDSCAPS_VIDEOMEMORY;
  if (!alpha) {
    HRESULT hr = directDraw->CreateSurface(&desc, &mSurface, nullptr);
    if (FAILED(hr) && hr != DDERR_UNSUPPORTEDMODE) {
      desc.ddsCaps.dwCaps ^= DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY;
      hr = directDraw->CreateSurface(&desc, &mSurface, nullptr);
    }
    return hr;
  }
  DWORD bits = backDesc.ddpfPixelFormat.dwRGBBitCount;
  if (renderTarget && context->Are16BitTargetsBroken()) {
    gTextureFormat = DDPIXELFORMAT{};
    bits = 32;
  }
  if (!gTextureFormat.dwSize || gTextureFormat.dwRGBBitCount != bits) {
    TFormatChoice choice{bits};
    if (LPDIRECT3DDEVICE7 device = display->GetDevice()) device->EnumTextureFormats(OnTextureFormat, &choice);
    gTextureFormat = choice.found ? choice.best : DDPIXELFORMAT{};
  }
  DDPIXELFORMAT format = gTextureFormat;
  if (!format.dwSize) {
    format = backDesc.ddpfPixelFormat;
    format.dwSize = sizeof(format);
    format.dwFlags |= DDPF_ALPHAPIXELS | DDPF_RGB;
    if (bits == 16) {
      format.dwRGBBitCount = 16;
      format.dwRGBAlphaBitMask = 0xF000;
      format.dwRBitMask = 0xF00;
      format.dwGBitMask = 0xF0;
      format.dwBBitMask = 0xF;
    } else {
      format.dwRGBBitCount = 32;
      format.dwRGBAlphaBitMask = 0xFF000000u;
      format.dwRBitMask = 0xFF0000u;
      format.dwGBitMask = 0xFF00u;
      format.dwBBitMask = 0xFFu;
    }
  }
  desc.ddpfPixelFormat = format;
  HRESULT hr = directDraw->CreateSurface(&desc, &mSurface, nullptr);
  if (FAILED(hr)) {
    desc.ddsCaps.dwCaps = (desc.ddsCaps.dwCaps & ~DDSCAPS_SYSTEMMEMORY) | DDSCAPS_VIDEOMEMORY;
    hr = directDraw->CreateSurface(&desc, &mSurface, nullptr);
  }
  if (FAILED(hr) && !renderTarget) {
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    desc.ddpfPixelFormat = backDesc.ddpfPixelFormat;
    hr = directDraw->CreateSurface(&desc, &mSurface, nullptr);
  }
  return hr;
}

void TDxTextureData::AttachZBuffer() {
  TPlatformData* display = TPlatformData::Get();
  LPDIRECT3DDEVICE7 device = display->GetDevice();
  LPDIRECTDRAWSURFACE7 current = nullptr;
  if (!device || FAILED(device->GetRenderTarget(&current)) || !current) {
    LogError("FAILED to create z-buffer for render surface!");
    return;
  }
  DDSCAPS2 zCaps{DDSCAPS_ZBUFFER, 0, 0, 0};
  LPDIRECTDRAWSURFACE7 currentZ = nullptr;
  HRESULT hr = current->GetAttachedSurface(&zCaps, &currentZ);
  current->Release();
  if (FAILED(hr) || !currentZ) {
    LogError("FAILED to create z-buffer for render surface!");
    return;
  }
  DDSURFACEDESC2 zDesc{};
  zDesc.dwSize = sizeof(zDesc);
  currentZ->GetSurfaceDesc(&zDesc);
  currentZ->Release();
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.dwWidth = mSurfaceWidth;
  desc.dwHeight = mSurfaceHeight;
  desc.ddpfPixelFormat = zDesc.ddpfPixelFormat;
  desc.ddsCaps.dwCaps = zDesc.ddsCaps.dwCaps & (DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY);
  LPDIRECTDRAWSURFACE7 zbuffer = nullptr;
  hr = display->GetDirectDraw()->CreateSurface(&desc, &zbuffer, nullptr);
  if (FAILED(hr)) {
    DxLog(hr, kUnitTextureData, __LINE__);
    LogError("FAILED to create z-buffer for render surface!");
    return;
  }
  hr = mSurface->AddAttachedSurface(zbuffer);
  zbuffer->Release();
  if (FAILED(hr)) {
    DxLog(hr, kUnitTextureData, __LINE__);
    LogError("FAILED to attach z-buffer for render surface!");
  }
}

bool TDxTextureData::CreateSurface(uint32_t width, uint32_t height, bool clear) {
  FreeSurface(true);
  TPlatformData* display = TPlatformData::Get();
  mMarginX = mMarginY = 0;
  uint32_t requestWidth = width, requestHeight = height;
  bool simple = HasFlag(kTextureSimple);
  if (!simple && display && display->IsSquareTextureOnly() && width != height) {
    uint32_t side = std::max(NextPowerOfTwo(width), NextPowerOfTwo(height));
    mMarginX = (side - width) / 2;
    mMarginY = (side - height) / 2;
    requestWidth = requestHeight = side;
  }
  if (!display || !display->GetDirectDraw() || !display->GetDevice()) {
    mWidth = NextPowerOfTwo(width);
    mHeight = NextPowerOfTwo(height);
    return HasFlag(kTextureRenderTarget);
  }
  bool renderTarget = HasFlag(kTextureRenderTarget);
  bool alpha = HasFlag(kTextureAlpha);
  HRESULT hr;
  if (renderTarget || simple) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    desc.dwWidth = requestWidth;
    desc.dwHeight = requestHeight;
    hr = CreatePlainSurface(desc, alpha, renderTarget);
    if (hr == DDERR_UNSUPPORTEDMODE) {
      mWidth = NextPowerOfTwo(width);
      mHeight = NextPowerOfTwo(height);
      return HasFlag(kTextureRenderTarget);
    }
    if (FAILED(hr) && renderTarget && alpha) {
      // No memory takes an alpha render target: it becomes a plain alpha texture.
      mFlags &= (uint8_t)~kTextureRenderTarget;
      return CreateSurface(width, height, clear);
    }
    if (SUCCEEDED(hr)) {
      DDSURFACEDESC2 made{};
      made.dwSize = sizeof(made);
      mSurface->GetSurfaceDesc(&made);
      mSurfaceWidth = made.dwWidth;
      mSurfaceHeight = made.dwHeight;
      if (alpha && !(made.ddpfPixelFormat.dwFlags & DDPF_ALPHAPIXELS))
        LogError("SURFACE request FAILED to get DDPF_ALPHAPIXELS.");
      mMipLevel = 0;
      mMadeByD3dx = 0;
    }
  } else {
    DWORD flags = HasFlag(kTextureMipmap) ? 0 : D3DX_TEXTURE_NOMIPMAP;
    DWORD madeWidth = requestWidth, madeHeight = requestHeight, mips = HasFlag(kTextureMipmap) ? 0 : 1;
    DDSURFACEDESC2 backDesc{};
    backDesc.dwSize = sizeof(backDesc);
    display->GetContext()->GetBackBuffer()->GetSurfaceDesc(&backDesc);
    bool back16 = backDesc.ddpfPixelFormat.dwRGBBitCount == 16;
    D3DX_SURFACEFORMAT wanted = back16 ? (alpha ? D3DX_SF_A4R4G4B4 : D3DX_SF_R5G6B5)
                                       : (alpha ? D3DX_SF_A8R8G8B8 : D3DX_SF_X8R8G8B8);
    D3DX_SURFACEFORMAT format = wanted;
    hr = D3DXCreateTexture(display->GetDevice(), &flags, &madeWidth, &madeHeight, &format, nullptr, &mSurface, &mips);
    if (SUCCEEDED(hr)) {
      mMarginX = (madeWidth - std::min(madeWidth, width)) / 2;
      mMarginY = (madeHeight - std::min(madeHeight, height)) / 2;
      if (format != wanted && !back16) {
        LogPrintf("D3DXCreateTexture::CreateSurface: Created a 16 bit texture when requesting 32 bits. Switching "
                  "to 16 bit mode");
        display->OnOutOfVideoMemory();
      }
      mSurfaceWidth = madeWidth;
      mSurfaceHeight = madeHeight;
      mMadeByD3dx = 1;
      mMipLevel = HasFlag(kTextureMipmap) ? -1 : 0;
    }
  }
  mWidth = width;
  mHeight = height;
  if (FAILED(hr) || !mSurface) {
    mSurface = nullptr;
    // A lost device rebuilds every texture at the next restore.
    if (!display->IsDeviceValid() || hr == DDERR_UNSUPPORTEDMODE) return true;
    DxLog(hr, kUnitTextureData, __LINE__);
    Release();
    return false;
  }
  display->AddTextureMemory((int64_t)SurfaceBytes(mSurface));
  if (renderTarget || simple) {
    if (clear) Clear();
    if (renderTarget) AttachZBuffer();
  }
  if (renderTarget && alpha) {
    LPDIRECTDRAWSURFACE7 renderSurface = display->GetRenderSurface();
    if (display->SwitchRenderTarget(renderSurface, mSurface)) display->SwitchRenderTarget(mSurface, renderSurface);
  }
  return true;
}

bool TDxTextureData::ConvertArea(bool write, uint32_t left, uint32_t top, uint32_t columns, uint32_t rows,
                                 uint32_t* argb, uint32_t rowLength) {
  DDSURFACEDESC2 locked{};
  locked.dwSize = sizeof(locked);
  HRESULT hr = mSurface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr);
  if (FAILED(hr)) {
    DxLog(hr, kUnitTextureData, __LINE__);
    return false;
  }
  const DDPIXELFORMAT& f = locked.ddpfPixelFormat;
  DWORD bits = f.dwRGBBitCount;
  bool ok = bits == 15 || bits == 16 || bits == 24 || bits == 32;
  DWORD alphaMask = (f.dwFlags & DDPF_ALPHAPIXELS) && bits != 24 ? f.dwRGBAlphaBitMask : 0;
  bool alpha = HasFlag(kTextureAlpha) && alphaMask;
  const TPixelChannel red(f.dwRBitMask), green(f.dwGBitMask), blue(f.dwBBitMask), alphaChannel(alphaMask);
  // Never past the surface, whatever the caller's sizes say.
  columns = left < locked.dwWidth ? std::min(columns, locked.dwWidth - left) : 0;
  rows = top < locked.dwHeight ? std::min(rows, locked.dwHeight - top) : 0;
  int bytes = bits == 24 ? 3 : (int)(bits + 7) / 8;
  for (uint32_t y = 0; ok && y < rows; ++y) {
    uint32_t* line = argb + (size_t)y * rowLength;
    auto* row = static_cast<uint8_t*>(locked.lpSurface) + (size_t)(top + y) * locked.lPitch + (size_t)left * bytes;
    for (uint32_t x = 0; x < columns; ++x) {
      uint8_t* at = row + (size_t)x * bytes;
      if (write) {
        uint32_t p = line[x];
        uint32_t out = red.Place((p >> 16) & 0xFF) | green.Place((p >> 8) & 0xFF) | blue.Place(p & 0xFF);
        out |= alpha ? alphaChannel.Place(p >> 24) : alphaMask;
        WriteBytes(at, bytes, out);
      } else {
        uint32_t p = ReadPixelBytes(at, bytes);
        uint32_t a = alpha ? alphaChannel.Take(p) : 0xFF;
        line[x] = a << 24 | red.Take(p) << 16 | green.Take(p) << 8 | blue.Take(p);
      }
    }
  }
  mSurface->Unlock(nullptr);
  return ok;
}

bool TDxTextureData::SetPixels(uint32_t rowLength, uint32_t rows, const uint32_t* pixels) {
  if (!mSurface || !pixels) return false;
  uint32_t columns = std::min(mWidth, rowLength), count = std::min(mHeight, rows);
  if (!mMadeByD3dx || mDirectUpload)
    return ConvertArea(true, mMarginX, mMarginY, columns, count, const_cast<uint32_t*>(pixels), rowLength);
  columns = std::min(columns, mSurfaceWidth > mMarginX ? mSurfaceWidth - mMarginX : 0);
  count = std::min(count, mSurfaceHeight > mMarginY ? mSurfaceHeight - mMarginY : 0);
  if (!columns || !count) return true;
  D3DRECT area{(LONG)mMarginX, (LONG)mMarginY, (LONG)(mMarginX + columns), (LONG)(mMarginY + count)};
  HRESULT hr = D3DXLoadTextureFromMemory(TPlatformData::Get()->GetDevice(), mSurface,
                                         mMipLevel < 0 ? D3DX_DEFAULT : (DWORD)mMipLevel,
                                         const_cast<uint32_t*>(pixels), nullptr, D3DX_SF_A8R8G8B8, rowLength * 4,
                                         &area, mMipLevel < 0 ? D3DX_FT_LINEAR : D3DX_FT_POINT);
  if (FAILED(hr)) {
    DxLog(hr, kUnitTextureData, __LINE__);
    return false;
  }
  return true;
}

bool TDxTextureData::ReadPixels(uint32_t rowLength, uint32_t rows, uint32_t* destination) {
  if (!mSurface || !destination) return false;
  // Only the part that fits the destination is read (a large image into a small icon).
  return ConvertArea(false, mMarginX, mMarginY, std::min(mWidth, rowLength), std::min(mHeight, rows), destination,
                     rowLength);
}

bool TDxTextureData::Lock(uint32_t*& pixels, int& pitch) {
  pixels = nullptr;
  pitch = 0;
  if (!mSurface) return false;
  DDPIXELFORMAT format{};
  format.dwSize = sizeof(format);
  mSurface->GetPixelFormat(&format);
  if (IsArgb8888(format)) {
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof(locked);
    HRESULT hr = mSurface->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr);
    if (FAILED(hr)) {
      DxLog(hr, kUnitTextureData, __LINE__);
      return false;
    }
    pixels = static_cast<uint32_t*>(locked.lpSurface);
    pitch = locked.lPitch / 4;
    mLockedCopy = false;
    return true;
  }
  mLockCopy.assign((size_t)mSurfaceWidth * mSurfaceHeight, 0);
  if (!ConvertArea(false, 0, 0, mSurfaceWidth, mSurfaceHeight, mLockCopy.data(), mSurfaceWidth)) {
    mLockCopy.clear();
    return false;
  }
  pixels = mLockCopy.data();
  pitch = (int)mSurfaceWidth;
  mLockedCopy = true;
  return true;
}

void TDxTextureData::Unlock() {
  if (!mSurface) return;
  if (mLockedCopy) {
    ConvertArea(true, 0, 0, mSurfaceWidth, mSurfaceHeight, mLockCopy.data(), mSurfaceWidth);
    mLockCopy.clear();
    mLockCopy.shrink_to_fit();
    mLockedCopy = false;
    return;
  }
  mSurface->Unlock(nullptr);
}

void TDxTextureData::Clear() {
  if (!mSurface) return;
  DDBLTFX fx{};
  fx.dwSize = sizeof(fx);
  fx.dwFillColor = 0;
  HRESULT hr = mSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  if (hr == DDERR_SURFACELOST) {
    mSurface->Restore();
    hr = mSurface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
  }
  DX_CHECK(hr, kUnitTextureData);
}

void TDxTextureData::CopyTo(int x, int y, const TRect* source, TTextureData* destination) {
  if (!mSurface) return;
  TPlatformData* display = TPlatformData::Get();
  LPDIRECTDRAWSURFACE7 target = destination ? static_cast<TDxTextureData*>(destination)->GetSurface()
                                            : (display ? display->GetTargetSurface() : nullptr);
  if (!target) {
    if (display) display->FlagBrokenThrottled();
    return;
  }
  RECT from = source ? RECT{source->left, source->top, source->right, source->bottom}
                     : RECT{0, 0, (LONG)mWidth, (LONG)mHeight};
  LONG width = from.right - from.left, height = from.bottom - from.top;
  TDisplayHost& host = GetDisplayHost();
  bool scaled = !destination && host.IsDisplayScaling();
  float scale = scaled ? host.GetDisplayScale() : 1.0f;
  RECT to{(LONG)(x * scale), (LONG)(y * scale), (LONG)((x + width) * scale), (LONG)((y + height) * scale)};
  // On the screen with display scaling the copy stretches; otherwise it goes 1:1.
  HRESULT hr = scaled ? target->Blt(&to, mSurface, &from, DDBLT_WAIT, nullptr)
                      : target->BltFast((DWORD)x, (DWORD)y, mSurface, &from, DDBLTFAST_WAIT);
  if (FAILED(hr) && hr != DDERR_SURFACELOST) {
    bool& logged = scaled ? gLoggedScaledCopyFailure : gLoggedCopyFailure;
    if (!logged) {
      logged = true;
      DxLog(hr, kUnitTextureData, __LINE__);
    }
    CopyThroughGdi(target, to, mSurface, from);
  }
  if (hr == DDERR_SURFACELOST && display) display->FlagBrokenThrottled();
}
