// IDirectDrawSurface7 stand-in: a block of memory in one pixel format, with locking, blits,
// flipping chains, attachments, loss and restore, and device contexts for GDI copies.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/directx/ddraw_types.h"
#include "platform/directx/pixel_format.h"

namespace dx {
struct SurfaceAccess;
}

class IDirectDrawSurface7 : public IUnknown {
 public:
  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT Lock(LPRECT rect, LPDDSURFACEDESC2 desc, DWORD flags, HANDLE event);
  HRESULT Unlock(LPRECT rect);
  HRESULT Blt(LPRECT destRect, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD flags, LPDDBLTFX fx);
  HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE7 source, LPRECT sourceRect, DWORD flags);
  HRESULT Flip(LPDIRECTDRAWSURFACE7 target, DWORD flags);
  HRESULT GetFlipStatus(DWORD flags);
  HRESULT GetBltStatus(DWORD flags);
  HRESULT IsLost();
  HRESULT Restore();
  HRESULT GetAttachedSurface(LPDDSCAPS2 caps, LPDIRECTDRAWSURFACE7* out);
  HRESULT AddAttachedSurface(LPDIRECTDRAWSURFACE7 surface);
  HRESULT DeleteAttachedSurface(DWORD flags, LPDIRECTDRAWSURFACE7 surface);
  HRESULT GetSurfaceDesc(LPDDSURFACEDESC2 desc);
  HRESULT GetPixelFormat(LPDDPIXELFORMAT format);
  HRESULT GetCaps(LPDDSCAPS2 caps);
  HRESULT GetDC(HDC* dc);
  HRESULT ReleaseDC(HDC dc);
  HRESULT SetClipper(LPDIRECTDRAWCLIPPER clipper);
  HRESULT GetClipper(LPDIRECTDRAWCLIPPER* clipper);
  HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key);
  HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key);

  // --- Stand-in internals, used by the device, the blits and the presenter. ---
  IDirectDrawSurface7(std::shared_ptr<dx::DrawShared> shared, const DDSURFACEDESC2& desc,
                      const dx::FormatInfo& format, bool videoMemory);
  uint8_t* Pixels() { return mMemory.data(); }
  LONG Pitch() const { return mPitch; }
  DWORD Width() const { return mDesc.dwWidth; }
  DWORD Height() const { return mDesc.dwHeight; }
  const dx::FormatInfo& Format() const { return mFormat; }
  const DDSURFACEDESC2& Desc() const { return mDesc; }
  DWORD Caps() const { return mDesc.ddsCaps.dwCaps; }
  bool Lost() const { return mLost.load(); }
  void MarkLost() { mLost = true; }
  bool InVideoMemory() const { return mVideoMemory; }
  size_t MemoryBytes() const { return mMemory.size(); }
  // Bumped by every write, so that samplers can keep converted copies.
  uint32_t Version() const { return mVersion.load(); }
  void Touch() { ++mVersion; }
  // Guards the pixel memory against the mouse thread (blits onto the visible surface).
  std::mutex& PixelLock() { return mPixelLock; }
  bool IsBusy() const { return mLockCount > 0 || mDcOut; }
  IDirectDrawSurface7* AttachedZBuffer();
  IDirectDrawSurface7* NextMipLevel();
  void AttachInternal(IDirectDrawSurface7* surface);  // takes one reference
  void SetFlipPartner(IDirectDrawSurface7* back) { mFlipPartner = back; }
  IDirectDrawSurface7* FlipPartner() const { return mFlipPartner; }
  const std::shared_ptr<dx::DrawShared>& Shared() const { return mShared; }
  // The colour, converted copy of this surface for texture sampling (any format).
  const uint32_t* ArgbCopy();

 private:
  ~IDirectDrawSurface7() override;
  HRESULT CheckLoss(int trigger);
  void PresentIfVisible(const RECT& rect);

  std::atomic<ULONG> mRefs{1};
  std::shared_ptr<dx::DrawShared> mShared;
  DDSURFACEDESC2 mDesc;
  dx::FormatInfo mFormat;
  std::vector<uint8_t> mMemory;  // guarded by mPixelLock against the mouse thread
  LONG mPitch = 0;
  bool mVideoMemory = false;
  std::atomic<bool> mLost{false};
  std::atomic<uint32_t> mVersion{1};
  int mLockCount = 0;  // guarded by mPixelLock
  bool mDcOut = false;  // guarded by mPixelLock
  std::mutex mPixelLock;
  std::vector<IDirectDrawSurface7*> mAttached;  // one reference each
  IDirectDrawSurface7* mFlipPartner = nullptr;  // back buffer of a flipping chain (not counted)
  IDirectDrawClipper* mClipper = nullptr;
  DDCOLORKEY mSrcKey{0, 0};
  bool mHasSrcKey = false;
  std::vector<uint32_t> mArgbCopy;
  uint32_t mArgbCopyVersion = 0;
  void* mDc = nullptr;
  friend struct dx::SurfaceAccess;
};
