// IDirectDrawSurface7 stand-in: memory, locks, blits (copy, stretch, colour and depth fill),
// flipping, attachments, loss and restore, device contexts.
#include "platform/directx/direct_draw_surface.h"

#include <algorithm>
#include <thread>

#include "platform/directx/ddraw.h"
#include "platform/directx/draw_shared.h"
#include "platform/directx/gdi_blit.h"
#include "platform/directx/present.h"

using TestControl::Display::LossTrigger;

namespace dx {

// The device context handed out by GetDC: GDI copies recognise it by its tag.
struct SurfaceDc {
  uint32_t tag = kSurfaceDcTag;
  IDirectDrawSurface7* surface;
};

struct SurfaceAccess {
  static bool DcOut(IDirectDrawSurface7* s) { return s->mDcOut; }
};

IDirectDrawSurface7* SurfaceFromDc(HDC dc) {
  auto* d = reinterpret_cast<SurfaceDc*>(dc);
  if (!d || d->tag != kSurfaceDcTag) return nullptr;
  return d->surface;
}

}  // namespace dx

namespace {

bool RectValid(const RECT& r) { return r.left < r.right && r.top < r.bottom; }

bool Inside(const RECT& r, DWORD w, DWORD h) {
  return r.left >= 0 && r.top >= 0 && r.right <= (LONG)w && r.bottom <= (LONG)h;
}

// Copies or converts a rectangle; stretches with nearest pixels sampled at their centres.
void CopyRect(IDirectDrawSurface7* dst, const RECT& d, IDirectDrawSurface7* src, const RECT& s, DWORD fxFlags,
              const DDCOLORKEY* key) {
  const auto& df = dst->Format();
  const auto& sf = src->Format();
  int dw = d.right - d.left, dh = d.bottom - d.top;
  int sw = s.right - s.left, sh = s.bottom - s.top;
  // Like the hardware, a blit between 32-bit surfaces with the same colour masks copies the fourth
  // byte as it is, alpha or not.
  bool same = df.bytes == sf.bytes && std::memcmp(df.mask, sf.mask, 3 * sizeof(df.mask[0])) == 0 && df.z == sf.z &&
              df.palette == sf.palette &&
              (std::memcmp(df.mask, sf.mask, sizeof(df.mask)) == 0 || (df.bytes == 4 && (df.argb8888 || df.xrgb8888)));
  bool mirrorX = fxFlags & DDBLTFX_MIRRORLEFTRIGHT, mirrorY = fxFlags & DDBLTFX_MIRRORUPDOWN;
  if (same && dw == sw && dh == sh && !mirrorX && !key) {
    size_t rowBytes = (size_t)dw * df.bytes;
    bool overlap = dst == src;
    bool downward = overlap && d.top > s.top;
    for (int i = 0; i < dh; ++i) {
      int y = downward ? dh - 1 - i : i;
      int sy = mirrorY ? sh - 1 - y : y;
      uint8_t* dp = dst->Pixels() + (size_t)(d.top + y) * dst->Pitch() + (size_t)d.left * df.bytes;
      const uint8_t* sp = src->Pixels() + (size_t)(s.top + sy) * src->Pitch() + (size_t)s.left * sf.bytes;
      std::memmove(dp, sp, rowBytes);
    }
    return;
  }
  std::vector<uint32_t> row((size_t)dw);
  std::vector<int> xs((size_t)dw);
  for (int x = 0; x < dw; ++x) {
    int sx = (int)(((int64_t)(2 * x + 1) * sw) / (2 * dw));
    xs[(size_t)x] = mirrorX ? sw - 1 - sx : sx;
  }
  // A blit within one surface goes through a copy of the source rows it reads.
  std::vector<uint8_t> copy;
  const uint8_t* srcBase = src->Pixels();
  LONG srcPitch = src->Pitch();
  if (dst == src) {
    copy.assign(src->Pixels(), src->Pixels() + src->MemoryBytes());
    srcBase = copy.data();
  }
  for (int y = 0; y < dh; ++y) {
    int sy = (int)(((int64_t)(2 * y + 1) * sh) / (2 * dh));
    if (mirrorY) sy = sh - 1 - sy;
    const uint8_t* sp = srcBase + (size_t)(s.top + sy) * srcPitch;
    uint8_t* dp = dst->Pixels() + (size_t)(d.top + y) * dst->Pitch();
    for (int x = 0; x < dw; ++x) {
      uint32_t raw = dx::ReadRaw(sp + (size_t)(s.left + xs[(size_t)x]) * sf.bytes, sf.bytes);
      if (key && raw >= key->dwColorSpaceLowValue && raw <= key->dwColorSpaceHighValue) continue;
      uint32_t out = same ? raw : dx::FromArgb(df, dx::ToArgb(sf, raw));
      dx::WriteRaw(dp + (size_t)(d.left + x) * df.bytes, df.bytes, out);
    }
  }
}

void FillRect(IDirectDrawSurface7* dst, const RECT& d, uint32_t value) {
  int bytes = dst->Format().bytes;
  uint32_t limit = bytes == 4 ? 0xFFFFFFFFu : ((1u << (8 * bytes)) - 1);
  value &= limit;
  for (LONG y = d.top; y < d.bottom; ++y) {
    uint8_t* p = dst->Pixels() + (size_t)y * dst->Pitch() + (size_t)d.left * bytes;
    int n = d.right - d.left;
    if (bytes == 4) {
      uint32_t* q = reinterpret_cast<uint32_t*>(p);
      std::fill(q, q + n, value);
    } else {
      for (int i = 0; i < n; ++i) dx::WriteRaw(p + bytes * i, bytes, value);
    }
  }
}

// Locks the pixel memory of one or two surfaces, whichever order they come in.
struct PairLock {
  std::unique_lock<std::mutex> a, b;
  PairLock(IDirectDrawSurface7* x, IDirectDrawSurface7* y) {
    if (!y || x == y) {
      a = std::unique_lock<std::mutex>(x->PixelLock());
      return;
    }
    a = std::unique_lock<std::mutex>(x->PixelLock(), std::defer_lock);
    b = std::unique_lock<std::mutex>(y->PixelLock(), std::defer_lock);
    std::lock(a, b);
  }
};

}  // namespace

IDirectDrawSurface7::IDirectDrawSurface7(std::shared_ptr<dx::DrawShared> shared, const DDSURFACEDESC2& desc,
                                         const dx::FormatInfo& format, bool videoMemory)
    : mShared(std::move(shared)), mDesc(desc), mFormat(format), mPitch(desc.lPitch), mVideoMemory(videoMemory) {
  mDesc.lpSurface = nullptr;
  mMemory.assign((size_t)mPitch * mDesc.dwHeight, 0);
}

IDirectDrawSurface7::~IDirectDrawSurface7() {
  {
    std::lock_guard<std::mutex> lock(mShared->mutex);
    auto& list = mShared->surfaces;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (mShared->primary == this) mShared->primary = nullptr;
    if (mVideoMemory) mShared->videoMemoryUsed -= std::min<uint64_t>(mShared->videoMemoryUsed, mMemory.size());
  }
  if (mFlipPartner && mFlipPartner->mFlipPartner == this) mFlipPartner->mFlipPartner = nullptr;
  for (auto* s : mAttached) s->Release();
  if (mClipper) mClipper->Release();
  delete static_cast<dx::SurfaceDc*>(mDc);
}

ULONG IDirectDrawSurface7::AddRef() { return ++mRefs; }
ULONG IDirectDrawSurface7::Release() {
  ULONG r = --mRefs;
  if (r == 0) delete this;
  return r;
}

HRESULT IDirectDrawSurface7::CheckLoss(int trigger) {
  if (dx::faults::TakeLoss((LossTrigger)trigger)) dx::LoseSurfaces(*mShared);
  return Lost() ? DDERR_SURFACELOST : DD_OK;
}

HRESULT IDirectDrawSurface7::Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event) {
  if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  if (CheckLoss((int)LossTrigger::Lock) != DD_OK) return DDERR_SURFACELOST;
  RECT r = {0, 0, (LONG)mDesc.dwWidth, (LONG)mDesc.dwHeight};
  if (rect) {
    if (!RectValid(*rect) || !Inside(*rect, mDesc.dwWidth, mDesc.dwHeight)) return DDERR_INVALIDPARAMS;
    r = *rect;
  }
  std::lock_guard<std::mutex> lock(mPixelLock);
  if (mLockCount > 0 || mDcOut) return DDERR_SURFACEBUSY;
  mLockCount = 1;
  *desc = mDesc;
  desc->dwFlags |= DDSD_LPSURFACE | DDSD_PITCH;
  desc->lpSurface = mMemory.data() + (size_t)r.top * mPitch + (size_t)r.left * mFormat.bytes;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::Unlock(LPRECT rect) {
  std::lock_guard<std::mutex> lock(mPixelLock);
  if (mLockCount == 0) return DDERR_NOTLOCKED;
  mLockCount = 0;
  Touch();
  return DD_OK;
}

void IDirectDrawSurface7::PresentIfVisible(const RECT& rect) {
  if (!(mDesc.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE)) return;
  HWND window = nullptr;
  if (mClipper) mClipper->GetHWnd(&window);
  std::thread::id mainThread;
  {
    std::lock_guard<std::mutex> lock(mShared->mutex);
    if (!window) window = mShared->window;
    mainThread = mShared->mainThread;
  }
  dx::PresentSurface(this, rect, window, std::this_thread::get_id() == mainThread);
}

HRESULT IDirectDrawSurface7::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD flags,
                                 LPDDBLTFX fx) {
  bool fill = flags & (DDBLT_COLORFILL | DDBLT_DEPTHFILL);
  if ((fill || (flags & DDBLT_DDFX)) && (!fx || fx->dwSize != sizeof(DDBLTFX))) return DDERR_INVALIDPARAMS;
  if ((flags & DDBLT_COLORFILL) && (flags & DDBLT_DEPTHFILL)) return DDERR_INVALIDPARAMS;
  if (!fill && !source) return DDERR_INVALIDPARAMS;
  if ((flags & DDBLT_DEPTHFILL) && !mFormat.z) return DDERR_INVALIDPARAMS;
  if (CheckLoss((int)LossTrigger::Blt) != DD_OK) return DDERR_SURFACELOST;
  if (!fill && source->Lost()) return DDERR_SURFACELOST;

  RECT d = {0, 0, (LONG)mDesc.dwWidth, (LONG)mDesc.dwHeight};
  if (destRect) {
    if (!RectValid(*destRect)) return DDERR_INVALIDRECT;
    d = *destRect;
  }
  RECT s = {0, 0, 0, 0};
  if (!fill) {
    s = {0, 0, (LONG)source->Width(), (LONG)source->Height()};
    if (sourceRect) {
      if (!RectValid(*sourceRect) || !Inside(*sourceRect, source->Width(), source->Height())) return DDERR_INVALIDRECT;
      s = *sourceRect;
    }
  }
  if (!Inside(d, mDesc.dwWidth, mDesc.dwHeight)) {
    if (!mClipper) return DDERR_INVALIDRECT;
    // Clipped to the surface; the source shrinks in proportion.
    RECT c = {std::max<LONG>(d.left, 0), std::max<LONG>(d.top, 0), std::min<LONG>(d.right, (LONG)mDesc.dwWidth),
              std::min<LONG>(d.bottom, (LONG)mDesc.dwHeight)};
    if (!RectValid(c)) return DD_OK;
    if (!fill) {
      double sx = double(s.right - s.left) / (d.right - d.left), sy = double(s.bottom - s.top) / (d.bottom - d.top);
      RECT ns = {s.left + (LONG)((c.left - d.left) * sx), s.top + (LONG)((c.top - d.top) * sy),
                 s.left + (LONG)((c.right - d.left) * sx + 0.5), s.top + (LONG)((c.bottom - d.top) * sy + 0.5)};
      ns.right = std::max(ns.right, ns.left + 1);
      ns.bottom = std::max(ns.bottom, ns.top + 1);
      ns.right = std::min<LONG>(ns.right, s.right);
      ns.bottom = std::min<LONG>(ns.bottom, s.bottom);
      s = ns;
    }
    d = c;
  }
  {
    PairLock lock(this, fill ? nullptr : source);
    if (IsBusy() || (!fill && source->IsBusy())) return DDERR_SURFACEBUSY;
    if (fill) {
      FillRect(this, d, (flags & DDBLT_DEPTHFILL) ? fx->dwFillDepth : fx->dwFillColor);
    } else {
      DDCOLORKEY key;
      const DDCOLORKEY* keyp = nullptr;
      if (flags & DDBLT_KEYSRCOVERRIDE) {
        if (!fx) return DDERR_INVALIDPARAMS;
        key = fx->ddckSrcColorkey;
        keyp = &key;
      } else if ((flags & DDBLT_KEYSRC) && source->mHasSrcKey) {
        key = source->mSrcKey;
        keyp = &key;
      }
      CopyRect(this, d, source, s, (flags & DDBLT_DDFX) ? fx->dwDDFX : 0u, keyp);
    }
    Touch();
    PresentIfVisible(d);
  }
  return DD_OK;
}

HRESULT IDirectDrawSurface7::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD flags) {
  if (!source) return DDERR_INVALIDPARAMS;
  if (mClipper) return DDERR_BLTFASTCANTCLIP;
  if (CheckLoss((int)LossTrigger::BltFast) != DD_OK || source->Lost()) return DDERR_SURFACELOST;
  RECT s = {0, 0, (LONG)source->Width(), (LONG)source->Height()};
  if (sourceRect) {
    if (!RectValid(*sourceRect) || !Inside(*sourceRect, source->Width(), source->Height())) return DDERR_INVALIDRECT;
    s = *sourceRect;
  }
  RECT d = {(LONG)x, (LONG)y, (LONG)x + (s.right - s.left), (LONG)y + (s.bottom - s.top)};
  if (x > mDesc.dwWidth || y > mDesc.dwHeight || !Inside(d, mDesc.dwWidth, mDesc.dwHeight)) return DDERR_INVALIDRECT;
  {
    PairLock lock(this, source);
    if (IsBusy() || source->IsBusy()) return DDERR_SURFACEBUSY;
    const DDCOLORKEY* key = ((flags & DDBLTFAST_SRCCOLORKEY) && source->mHasSrcKey) ? &source->mSrcKey : nullptr;
    CopyRect(this, d, source, s, 0, key);
    Touch();
    PresentIfVisible(d);
  }
  return DD_OK;
}

HRESULT IDirectDrawSurface7::Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags) {
  if (!(mDesc.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) || !mFlipPartner) return DDERR_NOTFLIPPABLE;
  if (target && target != mFlipPartner) return DDERR_INVALIDPARAMS;
  if (CheckLoss((int)LossTrigger::Flip) != DD_OK || mFlipPartner->Lost()) return DDERR_SURFACELOST;
  PairLock lock(this, mFlipPartner);
  if (IsBusy() || mFlipPartner->IsBusy()) return DDERR_SURFACEBUSY;
  mMemory.swap(mFlipPartner->mMemory);
  Touch();
  mFlipPartner->Touch();
  PresentIfVisible(RECT{0, 0, (LONG)mDesc.dwWidth, (LONG)mDesc.dwHeight});
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetFlipStatus(DWORD flags) {
  if (flags != DDGFS_CANFLIP && flags != DDGFS_ISFLIPDONE) return DDERR_INVALIDPARAMS;
  if (Lost()) return DDERR_SURFACELOST;
  if (dx::faults::TakeStillDrawing()) return DDERR_WASSTILLDRAWING;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetBltStatus(DWORD flags) {
  if (flags != DDGBS_CANBLT && flags != DDGBS_ISBLTDONE) return DDERR_INVALIDPARAMS;
  if (Lost()) return DDERR_SURFACELOST;
  if (dx::faults::TakeStillDrawing()) return DDERR_WASSTILLDRAWING;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::IsLost() { return Lost() ? DDERR_SURFACELOST : DD_OK; }

HRESULT IDirectDrawSurface7::Restore() {
  if (!Lost()) return DD_OK;
  {
    std::lock_guard<std::mutex> lock(mPixelLock);
    // Restored memory holds nothing of the old picture.
    std::fill(mMemory.begin(), mMemory.end(), 0);
    Touch();
  }
  mLost = false;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* out) {
  if (!caps || !out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  for (auto* s : mAttached) {
    if ((s->mDesc.ddsCaps.dwCaps & caps->dwCaps) == caps->dwCaps) {
      s->AddRef();
      *out = s;
      return DD_OK;
    }
  }
  return DDERR_NOTFOUND;
}

HRESULT IDirectDrawSurface7::AddAttachedSurface(LPDIRECTDRAWSURFACE7 surface) {
  if (!surface || surface == this) return DDERR_INVALIDPARAMS;
  if (!surface->mFormat.z || mFormat.z) return DDERR_CANNOTATTACHSURFACE;
  if (surface->Width() != Width() || surface->Height() != Height()) return DDERR_CANNOTATTACHSURFACE;
  if (AttachedZBuffer()) return DDERR_CANNOTATTACHSURFACE;
  surface->AddRef();
  mAttached.push_back(surface);
  return DD_OK;
}

HRESULT IDirectDrawSurface7::DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE7 surface) {
  if (flags) return DDERR_INVALIDPARAMS;
  auto it = std::find(mAttached.begin(), mAttached.end(), surface);
  if (!surface || it == mAttached.end()) return DDERR_SURFACENOTATTACHED;
  if (surface == mFlipPartner || (surface->mDesc.ddsCaps.dwCaps2 & DDSCAPS2_MIPMAPSUBLEVEL))
    return DDERR_CANNOTDETACHSURFACE;
  mAttached.erase(it);
  surface->Release();
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetSurfaceDesc(LPDDSURFACEDESC2 desc) {
  if (!desc || desc->dwSize != sizeof(DDSURFACEDESC2)) return DDERR_INVALIDPARAMS;
  *desc = mDesc;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetPixelFormat(LPDDPIXELFORMAT format) {
  if (!format || format->dwSize != sizeof(DDPIXELFORMAT)) return DDERR_INVALIDPARAMS;
  *format = mDesc.ddpfPixelFormat;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetCaps(LPDDSCAPS2 caps) {
  if (!caps) return DDERR_INVALIDPARAMS;
  *caps = mDesc.ddsCaps;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetDC(HDC* dc) {
  if (!dc) return DDERR_INVALIDPARAMS;
  *dc = nullptr;
  if (CheckLoss((int)LossTrigger::GetDC) != DD_OK) return DDERR_SURFACELOST;
  if (mFormat.z || dx::faults::GetDcFails()) return DDERR_CANTCREATEDC;
  std::lock_guard<std::mutex> lock(mPixelLock);
  if (mDcOut) return DDERR_DCALREADYCREATED;
  if (mLockCount > 0) return DDERR_SURFACEBUSY;
  if (!mDc) mDc = new dx::SurfaceDc{dx::kSurfaceDcTag, this};
  mDcOut = true;
  *dc = reinterpret_cast<HDC>(mDc);
  return DD_OK;
}

HRESULT IDirectDrawSurface7::ReleaseDC(HDC dc) {
  std::lock_guard<std::mutex> lock(mPixelLock);
  if (!mDcOut || dc != reinterpret_cast<HDC>(mDc)) return DDERR_INVALIDPARAMS;
  mDcOut = false;
  Touch();
  return DD_OK;
}

HRESULT IDirectDrawSurface7::SetClipper(LPDIRECTDRAWCLIPPER clipper) {
  if (clipper) clipper->AddRef();
  if (mClipper) mClipper->Release();
  mClipper = clipper;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetClipper(LPDIRECTDRAWCLIPPER* clipper) {
  if (!clipper) return DDERR_INVALIDPARAMS;
  *clipper = mClipper;
  if (!mClipper) return DDERR_NOTFOUND;
  mClipper->AddRef();
  return DD_OK;
}

HRESULT IDirectDrawSurface7::SetColorKey(DWORD flags, DDCOLORKEY* key) {
  if (!(flags & DDCKEY_SRCBLT)) return DDERR_INVALIDPARAMS;
  mHasSrcKey = key != nullptr;
  if (key) mSrcKey = *key;
  return DD_OK;
}

HRESULT IDirectDrawSurface7::GetColorKey(DWORD flags, DDCOLORKEY* key) {
  if (!key || !(flags & DDCKEY_SRCBLT)) return DDERR_INVALIDPARAMS;
  if (!mHasSrcKey) return DDERR_NOTFOUND;
  *key = mSrcKey;
  return DD_OK;
}

IDirectDrawSurface7* IDirectDrawSurface7::AttachedZBuffer() {
  for (auto* s : mAttached)
    if (s->mFormat.z) return s;
  return nullptr;
}

IDirectDrawSurface7* IDirectDrawSurface7::NextMipLevel() {
  for (auto* s : mAttached)
    if (s->mDesc.ddsCaps.dwCaps2 & DDSCAPS2_MIPMAPSUBLEVEL) return s;
  return nullptr;
}

void IDirectDrawSurface7::AttachInternal(IDirectDrawSurface7* surface) { mAttached.push_back(surface); }

const uint32_t* IDirectDrawSurface7::ArgbCopy() {
  if (mFormat.argb8888) return reinterpret_cast<const uint32_t*>(mMemory.data());
  uint32_t v = Version();
  if (mArgbCopyVersion != v || mArgbCopy.empty()) {
    mArgbCopy.resize((size_t)mDesc.dwWidth * mDesc.dwHeight);
    for (DWORD y = 0; y < mDesc.dwHeight; ++y)
      dx::RowToArgb(mFormat, mMemory.data() + (size_t)y * mPitch, mArgbCopy.data() + (size_t)y * mDesc.dwWidth,
                    (int)mDesc.dwWidth);
    mArgbCopyVersion = v;
  }
  return mArgbCopy.data();
}
