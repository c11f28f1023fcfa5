// TDXContext: the display device the display handler owns: the screen buffers (CDisplay),
// Direct3D with its rendering device and z-buffer, the desktop's metrics, a diagnostic report
// of the card, and the software mouse cursor with the mouse mutex it shares with the mouse
// thread. Presents frames and prepares the back buffer for the next one.
//
// Sources: dx_context.cpp (creation, present), dx_context_cursor.cpp (the software cursor).
//
// Threads: the main thread creates, presents and releases; the mouse thread only calls
// DrawMouseCursor(-1, -1, false). Cursor state is guarded by the mouse mutex; the few fields
// that DrawMouseCursor reads before it takes the mutex are atomics.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/graphics/directx/display.h"
#include "core/graphics/directx/display_surface.h"
#include "platform/directx/d3d.h"

class TTexture;
class TTextureData;
class MouseTextureListener;

// Waits for a mutex (without limit, or 5 ms when asked not to block) and releases it on
// leaving the scope, only when the wait succeeded.
class TScopedMutexWait {
 public:
  TScopedMutexWait(HANDLE mutex, bool block);
  ~TScopedMutexWait();
  TScopedMutexWait(const TScopedMutexWait&) = delete;
  TScopedMutexWait& operator=(const TScopedMutexWait&) = delete;
  bool Acquired() const { return mResult == WAIT_OBJECT_0; }

 private:
  HANDLE mMutex;
  DWORD mResult;
};

// One pixel of a cursor run: the red, green and blue values premultiplied for the display
// format, and 255 minus alpha.
struct TCursorPixel {
  uint16_t value[3];
  uint8_t inverseAlpha;
  uint8_t spare;
};

// A horizontal run of visible cursor pixels starting at (x, y) of the image.
struct TCursorRun {
  uint16_t x, y;
  std::vector<TCursorPixel> pixels;
};

class TDXContext {
 public:
  // Create flags.
  enum : uint32_t {
    kCreateDefault = 1,
    kCreateKeepWindow = 2,  // window mode: leave the window's style and size alone
    kCreateAntialias = 4,
  };

  TDXContext();
  virtual ~TDXContext();
  TDXContext(const TDXContext&) = delete;
  TDXContext& operator=(const TDXContext&) = delete;

  // Builds screen buffers, Direct3D, the device and its z-buffer; false on any failure (the
  // flags below tell the display handler why).
  bool Create(HWND window, bool fullScreen, uint32_t width, uint32_t height, uint32_t depth, uint32_t flags);
  void ReleaseDevice();
  HRESULT ClearTargets(DWORD flags);
  bool PrepareBackBuffer();
  HRESULT Present();
  bool CanDrawToScreen();
  // The desktop's width, height and colour count as the screen reports them now.
  void ReadDesktopMetrics();
  void SetDesktopMetrics(int colourCount, int width, int height);
  POINT GetDisplayOrigin();

  LPDIRECTDRAW7 GetDirectDraw() const { return mDisplay.GetDirectDraw(); }
  LPDIRECTDRAWSURFACE7 GetFrontBuffer() const { return mDisplay.GetFrontBuffer(); }
  LPDIRECTDRAWSURFACE7 GetBackBuffer() const { return mDisplay.GetBackBuffer(); }
  const DDSURFACEDESC2& GetDisplayModeDesc() const { return mDisplayModeDesc; }
  LPDIRECT3D7 GetDirect3D() const { return mDirect3D; }
  LPDIRECT3DDEVICE7 GetDevice() const { return mDevice; }
  const D3DDEVICEDESC7& GetDeviceDesc() const { return mDeviceDesc; }
  CDisplay& GetDisplay() { return mDisplay; }
  bool IsWindowed() const { return mDisplay.IsWindowed(); }
  bool HasHardwareRenderer() const { return mHardwareRenderer != 0; }
  bool HasTooFewColours() const { return mTooFewColours != 0; }
  bool WindowOutOfVideoMemory() const { return mWindowOutOfVideoMemory != 0; }
  bool NeedsSystemMemory() const { return mNeedsSystemMemory != 0; }
  int GetDesktopColourCount() const { return mDesktopColourCount; }
  int GetDesktopWidth() const { return mDesktopWidth; }
  int GetDesktopHeight() const { return mDesktopHeight; }
  TStr GetDiagnosticText() const { return mDiagnosticText; }
  void SetClipWindow(HWND window) { mClipWindow = window; }
  void SetVSync(bool on) { mWindowVSync = on; }
  HANDLE GetMouseMutex() const { return mMouseMutex; }
  // Render targets of 16 bits failed once: later alpha render targets ask for 32 bits.
  bool Are16BitTargetsBroken() const { return m16BitTargetsFailed; }
  void Set16BitTargetsBroken() { m16BitTargetsFailed = true; }

  // --- Software cursor (dx_context_cursor.cpp) ---
  bool SetMouseCursorImage(const std::shared_ptr<TTexture>& texture, int hotX, int hotY, bool alpha);
  void RestoreMouseImage();
  POINT DrawMouseCursor(int x, int y, bool toBackBuffer);
  void HideMouseCursor();
  void ShowMouseCursor(bool show);
  void ApplySystemCursor(bool show);
  POINT GetMousePosition();
  void RefreshMouseCursor();
  void ResetMouseCursor();
  void EraseMouseCursor();
  bool CreateCursorSurfaces();
  void ReleaseCursorSurfaces();
  bool CreateCursorIcon(const std::shared_ptr<TTexture>& texture, int hotX, int hotY);
  bool HasCursorImage() const { return mColorKeyTexture != nullptr || mAlphaTexture != nullptr; }
  bool IsCursorDrawn() const { return mDrawn; }
  bool IsCursorLost() const { return mLost; }
  HICON GetCursorIcon() const { return mCursorIcon; }
  POINT GetDrawnPosition() const;
  const std::list<TCursorRun>& GetColorKeyRuns() const { return mColorKeyRuns; }
  const std::list<TCursorRun>& GetAlphaRuns() const { return mAlphaRuns; }
  // The listener task and the context each forget the other when one of them goes.
  void DetachListener() { mListener = nullptr; }

 private:
  void UpdateMousePosition();
  bool ShouldDrawCursor(POINT boundOrigin, bool positionGiven);
  bool CursorRects(POINT mouse, const RECT& bound, RECT& dest, RECT& source) const;
  RECT CursorBound(bool toBackBuffer) const;
  bool RestoreCursorBackground(LPDIRECTDRAWSURFACE7 target, const RECT& dest, const RECT& source);
  bool BuildRuns(TTextureData& data, std::list<TCursorRun>& runs, bool alphaImage);
  TCursorPixel PremultiplyCursorPixel(uint32_t argb) const;
  void BlendCursorRuns(const DDSURFACEDESC2& locked, const std::list<TCursorRun>& runs) const;
  bool DrawsWindowsCursor() const;
  // Takes the cursor out of the back buffer (the frame's), where the last present drew it;
  // the cursor then counts as not drawn.
  void EraseCursorFromBackBuffer();
  void DetachCursorListener();
  static HRESULT EnumDevicesCallback(LPSTR description, LPSTR name, LPD3DDEVICEDESC7 desc, LPVOID context);
  static HRESULT EnumZBufferCallback(LPDDPIXELFORMAT format, LPVOID context);
  void Log(HRESULT result, int line) const;

  TStr mDiagnosticText;
  HWND mClipWindow = nullptr;
  CDisplay mDisplay;
  LPDIRECT3D7 mDirect3D = nullptr;
  LPDIRECT3DDEVICE7 mDevice = nullptr;
  D3DDEVICEDESC7 mDeviceDesc{};
  DDPIXELFORMAT mZBufferFormat{};
  DDSURFACEDESC2 mDisplayModeDesc{};
  uint8_t mHardwareRenderer = 0;
  bool mDeviceFound = false;
  uint8_t mTooFewColours = 0;
  uint8_t mWindowOutOfVideoMemory = 0;
  uint8_t mNeedsSystemMemory = 0;
  int mDesktopColourCount = -1;
  int mDesktopWidth = 0, mDesktopHeight = 0;
  bool mWindowVSync = false;
  bool m16BitTargetsFailed = false;

  // Cursor state; guarded by the mouse mutex unless atomic.
  CDisplaySurface mCursorSurfaces[3];  // [0], [1] saved backgrounds in turn, [2] composition
  int mSaveIndex = 0;
  std::atomic<bool> mDrawn{false};
  std::atomic<bool> mLost{false};
  std::atomic<bool> mSurfacesUnavailable{false};
  bool mSurfacesFailed = false;
  bool mToBackBuffer = false;
  std::atomic<int64_t> mMousePosition{-1};  // x in the low 32 bits, y in the high ones
  POINT mDrawnPosition{-1, -1};
  POINT mImageOffset{0, 0};
  std::atomic<int> mCursorWidth{0}, mCursorHeight{0};
  std::atomic<bool> mPositionKnown{false};
  std::shared_ptr<TTexture> mColorKeyTexture, mAlphaTexture;
  std::list<TCursorRun> mColorKeyRuns, mAlphaRuns;
  bool mAlphaImageInUse = false;
  std::atomic<bool> mShown{true};
  std::atomic<uint32_t> mLastDrawTime{0};
  std::atomic<HICON> mCursorIcon{nullptr};
  POINT mIconHotSpot{0, 0};
  POINT mAlphaHotSpot{0, 0};  // hot spot the alpha image was set with (RestoreMouseImage)
  MouseTextureListener* mListener = nullptr;
  HANDLE mMouseMutex = nullptr;
};

// Helpers of this unit, shared with the software cursor (dx_context_cursor.cpp).
bool IsWindowsVistaOrLater();
bool IsWindowsXpOrLater();
// Two upper-case hexadecimal digits a byte; empty for a length of 0 or less.
TStr HexDump(const void* bytes, int length);
