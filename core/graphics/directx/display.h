// CDisplay: the DirectDraw screen of the device context: the DirectDraw object with a front and
// a back buffer, as a flipping chain in full screen or as a clipped primary with an off-screen
// back buffer in a window; presents frames and makes plain surfaces.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/directx/ddraw.h"

class CDisplay {
 public:
  CDisplay() {}
  virtual ~CDisplay();
  CDisplay(const CDisplay&) = delete;
  CDisplay& operator=(const CDisplay&) = delete;

  virtual void ReleaseAll();
  // flags: bit 2 (4) asks for antialiasing; the high 16 bits index the DirectDraw device
  // (0 the default one); failures fall through to the next device.
  HRESULT OpenFullScreen(HWND window, uint32_t width, uint32_t height, uint32_t depth, uint32_t flags);
  // flags: bit 1 (2) leaves the window's style and size alone, bit 2 (4) asks for antialiasing.
  HRESULT OpenWindow(HWND window, HWND clipWindow, uint32_t width, uint32_t height, bool systemMemory,
                     uint32_t flags);
  // A plain surface (caps null: off-screen plain) of the given size and format (null: the
  // display's).
  HRESULT MakeSurface(LPDIRECTDRAWSURFACE7* out, uint32_t width, uint32_t height, const DDPIXELFORMAT* format,
                      const DDSCAPS2* caps);
  HRESULT ShowFrame();
  void RefreshRect();
  POINT GetOrigin();
  void RestoreMode();

  LPDIRECTDRAW7 GetDirectDraw() const { return mDirectDraw; }
  LPDIRECTDRAWSURFACE7 GetFrontBuffer() const { return mFrontBuffer; }
  LPDIRECTDRAWSURFACE7 GetBackBuffer() const { return mBackBuffer; }
  HWND GetWindow() const { return mWindow; }
  // Client area on the screen (window) or the whole screen.
  RECT GetRect() const {
    std::lock_guard<std::mutex> lock(mRectLock);
    return mRect;
  }
  bool IsWindowed() const { return mWindowed != 0; }
  bool WasCreatedOnce() const { return mCreatedOnce != 0; }

 private:
  DWORD CooperativeFlags(DWORD base) const;

  LPDIRECTDRAW7 mDirectDraw = nullptr;
  LPDIRECTDRAWSURFACE7 mFrontBuffer = nullptr;
  LPDIRECTDRAWSURFACE7 mBackBuffer = nullptr;
  LPDIRECTDRAWSURFACE7 mLeftBackBuffer = nullptr;  // released when present, never made
  HWND mWindow = nullptr;
  void SetRect(const RECT& rect) {
    std::lock_guard<std::mutex> lock(mRectLock);
    mRect = rect;
  }

  // The mouse thread reads the rectangle before it takes the mouse mutex.
  mutable std::mutex mRectLock;
  RECT mRect{0, 0, 0, 0};  // guarded by mRectLock
  uint32_t mWindowed = 0;
  uint32_t mCreatedOnce = 0;
};
