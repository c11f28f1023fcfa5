// TPlatformData: the display handler. The one object that owns the display device (TDXContext),
// knows whether the display can be used, switches between window and full screen with its
// fallbacks, carries the renderer's render states to Direct3D, draws into textures through the
// back buffer, and brings the display back after a loss. Created with the renderer; reached
// through TPlatformData::Get. Main thread only, except the cursor calls of the mouse thread
// (MoveMouseCursor, IsDisplayReady), which the device context guards with its mouse mutex.
//
// Sources: platform_data.cpp (state, options, broken flag, low-memory mode, cursor forwards),
// platform_data_setup.cpp (SetDisplay and its fallbacks, TestRenderTarget),
// platform_data_draw.cpp (frames, render states, viewports, drawing),
// platform_data_restore.cpp (render targets, Restore).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/color.h"
#include "core/base/mat4.h"
#include "core/base/rect.h"
#include "core/base/str.h"
#include "core/base/platform_services.h"
#include "core/graphics/render_backend.h"
#include "platform/directx/d3d.h"

class TDXContext;
class TDxTextureData;
class TTexture;
class TTextureData;
class TVertexArray;

// The renderer's backend in the program (CreateDefaultRenderBackend makes it), and the display
// as the platform object sees it.
class TPlatformData : public TRenderBackend, public TPlatformDisplay {
 public:
  // --- Lifetime ---
  // Makes the one instance (the renderer does, once); Get answers it until it is deleted.
  static TPlatformData* Create();
  static TPlatformData* Get();
  ~TPlatformData() override;
  TPlatformData(const TPlatformData&) = delete;
  TPlatformData& operator=(const TPlatformData&) = delete;

  // --- Queries ---
  bool IsFullScreen() override { return mFullScreen; }
  void GetDisplaySize(uint32_t& width, uint32_t& height, bool& fullScreen) const;
  // Left, top, right, bottom of the viewport in display pixels.
  void GetViewport(int* left, int* top, int* right, int* bottom) override;
  void GetViewport(int& left, int& top, int& right, int& bottom) override { GetViewport(&left, &top, &right, &bottom); }
  // (0, 0, width, height) of the display (of the render target while one is active).
  TRect GetScreenRect() override { return mScreenRect; }
  bool IsSquareTextureOnly() const { return mSquareTexturesOnly; }
  bool HasSeparateTextureMemories() const { return mSeparateTextureMemories; }
  // Set up, and neither lost nor broken (the mouse thread asks).
  bool IsDisplayReady() override { return mReady && !mBroken; }
  // DirectDraw, Direct3D and the device all exist and the display is not broken; a missing one
  // flags the display broken.
  bool IsDeviceValid() override;
  // False while the last present is still being shown (and without a back buffer).
  bool IsFrameDone() override;
  // Textures are made in powers of two (the device's rule).
  bool SupportsNonPowerOfTwo() override { return false; }
  bool IsBroken() const { return mBroken; }
  bool IsInScene() const { return mInScene; }
  bool IsLowMemoryVideo() const { return mLowMemoryVideo; }
  bool IsFatal() const { return mFatal; }
  uint32_t GetDisplayDepth() const { return mDisplayDepth; }
  uint32_t GetWorkingCount() const { return mWorkingCount; }
  int GetBlendMode() const { return mBlendMode; }
  int GetRenderTargetMode() const { return mRenderTargetMode; }

  // --- Render options of the renderer ---
  // "antialias", "hint_antialias", "new_subtractive", "new_render_blend": on when the value
  // as an integer is above 0. Other keys are ignored.
  void SetOption(TStr name, TStr value) override;
  // "1"/"0" for the first three, "16bitmode" for a 15/16-bit or low-memory display, else "".
  TStr GetOption(TStr name) override;

  // --- Broken display ---
  // The display cannot be used until a restore or set-up succeeds; "dxbroken" becomes "1".
  void FlagBroken();
  // The same, at most once in 250 ms (bursts of failing texture calls).
  void FlagBrokenThrottled();

  // Out of video memory: once per run, switches the next set-up to 16-bit full screen and
  // records it in "common:display.xml" for every later run.
  void OnOutOfVideoMemory() override;

  // --- Set-up (platform_data_setup.cpp) ---
  // Brings the display up; the outcome is the state above (ready, broken, full screen, fatal).
  // force: even when nothing changed or the program is inactive; silent: no informing boxes;
  // embedded: the program runs in a host window.
  // Answers whether the display is ready afterwards.
  bool SetDisplay(int width, int height, bool fullScreen, int force, int silent, bool embedded) override;
  // Window <-> full screen at the current size; false when a window cannot be had.
  bool ResetDisplay(bool fullScreen) override;
  // The window with its frame would not fit on the desktop.
  bool IsDesktopTooSmall(uint32_t width, uint32_t height) const;
  void CenterWindowOnMonitor(HWND window);
  // Calibrates the 2D texel offset once per run against what the rasteriser draws.
  void TestRenderTarget() override;
  // Re-reads the desktop's width, height and colour count.
  void UpdateDesktopMode() override;
  void FlipToGdiSurface();

  // --- Frames and render states (platform_data_draw.cpp) ---
  bool BeginDraw(uint32_t screenFrame) override;
  void EndDraw(uint32_t present) override;
  bool Begin2d() override;
  void End2d() override;
  bool Begin3d() override;
  void End3d() {}
  // Mode 0 normal, 1 opaque, 2 additive, 3 subtractive, 4 multiplicative; others change nothing.
  void SetBlendMode(int mode) override;
  void ApplyTextureStages(int mode);
  void SetTexture(std::shared_ptr<TTexture> texture) override;
  void SetTextureData(TTextureData* data);
  // 1 linear, 0 point; others change nothing.
  void SetTextureFilter(int filter) override;
  // Per axis: 1 wrap, 2 mirror, anything else clamp.
  void SetTextureAddress(int u, int v);
  void SetZEnable(bool on);
  void SetZWrite(bool on);
  // 1 none, 2 clockwise, 3 counter-clockwise; others none.
  void SetCullMode(int mode) override;
  // 2 Gouraud, else flat.
  void SetShadeMode(int mode);
  void SetAmbient(const TColor& colour);
  void SetMaterial(const D3DMATERIAL7& material) override;
  void SetWorldTransform(const TMat4& matrix);
  void SetViewTransform(const TMat4& matrix);
  void SetProjection(const TMat4& matrix);
  void SetPerspective(float nearZ, float farZ, float fieldOfView, float aspect);
  void SetViewport(int left, int top, int right, int bottom) override;
  void PushViewport(int left, int top, int right, int bottom) override;
  void PopViewport() override;
  void SetClipRect(const TRect& rect) override;
  // Primitive types are Direct3D's (1 points ... 6 triangle fan).
  void DrawVertices(uint32_t primitive, TVertexArray* vertices) override;
  void DrawIndexedVertices(uint32_t primitive, TVertexArray* vertices, const uint16_t* indices,
                           uint32_t indexCount) override;
  // The same for a vertex kind (0 mesh, 1 and 2 display pixels, 3 screen space) and raw vertices.
  void DrawKind(uint32_t primitive, uint32_t kind, const void* vertices, uint32_t count);
  void DrawIndexedKind(uint32_t primitive, uint32_t kind, const void* vertices, uint32_t count,
                       const uint16_t* indices, uint32_t indexCount);
  // Fills a rectangle with a colour, on the display or into a texture.
  void FillRect(int left, int top, int right, int bottom, const TColor* colour,
                std::shared_ptr<TTexture> texture) override;
  void FillRectData(int left, int top, int right, int bottom, const TColor* colour, TTextureData* texture);
  float GetTexelOffset() const { return mTexelOffset; }
  void SetTexelOffset(float offset) { mTexelOffset = offset; }

  // --- Render targets and restore (platform_data_restore.cpp) ---
  // Modes: 0 and 1 copy back (0 opaque, 1 alpha as copied), 2 and 3 start from the texture's
  // image, 4 draws an alpha mask into the texture's alpha channel.
  bool BeginRenderTarget(std::shared_ptr<TTexture> texture, uint32_t mode) override;
  // The same on a texture's data; `holder` (may be empty) keeps its texture alive meanwhile.
  bool BeginRenderTargetData(const std::shared_ptr<TTexture>& holder, TTextureData* target, uint32_t mode);
  void EndRenderTarget() override;
  // Makes the device draw into `to`; true even when that failed (it is logged).
  bool SwitchRenderTarget(IDirectDrawSurface7* from, IDirectDrawSurface7* to);
  HRESULT WaitForFlip();
  // Answers whether the display is ready afterwards.
  bool Restore() override;
  void RestoreAssets();
  void ResetWorkingCount() override { mWorkingCount = 0; }

  // --- Mouse cursor (forwarded to the device context) ---
  // In: the client position ((-1, -1): where it is); out: the cursor's position.
  void MoveMouseCursor(int& x, int& y) override;
  void RefreshMouseCursor() override;
  bool ApplySystemCursor() override;
  void GetMousePosition(int& x, int& y) override;
  void HideMouseCursor() override;
  void ShowMouseCursor(bool show) override;
  void ResetMouseCursor();
  void GetScreenOrigin(int& x, int& y) override;
  // `alpha` picks the alpha image (else the colour-keyed one); the platform passes its keep flag.
  void SetMouseCursor(std::shared_ptr<TTexture> texture, int hotX, int hotY, bool alpha) override;
  void SetVSync(bool on) override;

  std::unique_ptr<TTextureData> CreateTextureData() override;

  // --- For the device context and the texture surfaces ---
  TDXContext* GetContext() const { return mContext; }
  LPDIRECTDRAW7 GetDirectDraw() const { return mDirectDraw; }
  LPDIRECT3D7 GetDirect3D() const { return mDirect3D; }
  LPDIRECT3DDEVICE7 GetDevice() const { return mDevice; }
  LPDIRECTDRAWSURFACE7 GetRenderSurface() const { return mRenderSurface; }
  LPDIRECTDRAWSURFACE7 GetTargetSurface() const { return mTargetSurface; }
  // Bytes of texture surfaces made (grows and shrinks with them).
  void AddTextureMemory(int64_t bytes) { mTextureMemory += bytes; }
  int64_t GetTextureMemory() const { return mTextureMemory; }

 private:
  // Clears a re-entry guard (mInSetDisplay, mInRestore) on every way out of the call that set it.
  struct TFlagReset {
    bool& flag;
    ~TFlagReset() { flag = false; }
  };

  TPlatformData();
  void ReadDisplaySettings();
  bool IsProgramActive();
  void SetDefaultDeviceState();
  void ReadDeviceCaps();
  void SetDisplayOnce(uint32_t width, uint32_t height, bool fullScreen, bool force, bool silent, bool embedded);
  void SetDisplayFailed(uint32_t width, uint32_t height, bool fullScreen, bool silent);
  HRESULT ApplyViewport(const TRect& rect, const TRect& bounds);
  void PrepareVertexKind(uint32_t kind);
  HRESULT DrawChecked(HRESULT hr, bool flagOnFailure, int line);
  bool InAlphaMaskTarget() const;
  void ApplyRenderState(D3DRENDERSTATETYPE state, DWORD value, int line);
  void ApplyStageState(D3DTEXTURESTAGESTATETYPE type, DWORD value, int line);
  void ServeCapture();
  bool CopyTargetToTexture(TDxTextureData& texture, const RECT& copy);
  void CopyAlphaMask(TDxTextureData& texture, const RECT& copy);
  void DropRenderTarget();
  // True when Restore is done; false sends it on to SetDisplay.
  bool RestoreSurfaces();

  LPDIRECTDRAW7 mDirectDraw = nullptr;
  LPDIRECT3D7 mDirect3D = nullptr;
  LPDIRECT3DDEVICE7 mDevice = nullptr;
  TDXContext* mContext = nullptr;  // owned
  LPDIRECTDRAWSURFACE7 mRenderSurface = nullptr;
  std::vector<TRect> mViewportStack;
  TRect mViewport;
  TRect mScreenRect;
  TRect mClipRect;
  TRect mTargetRect;
  LPDIRECTDRAWSURFACE7 mTargetSurface = nullptr;
  std::atomic<bool> mFullScreen{false};  // the mouse thread's cursor checks read it
  int mBlendMode = -1;
  uint32_t mDisplayDepth = 0;
  // Read by the mouse thread (IsDisplayReady) while the main thread sets the display up.
  std::atomic<bool> mReady{false};
  std::atomic<bool> mBroken{false};
  bool mLowMemorySwitchPending = false;
  bool mZWrite = false, mZEnable = false;
  int mRenderTargetMode = 0;
  // The last of the three is the current render-target texture.
  std::shared_ptr<TTexture> mTextures[3];
  TTextureData* mTargetData = nullptr;  // data of mTextures[2] while a target is active
  bool mFallbackInProgress = false;
  bool mFatal = false;
  bool mSeparateTextureMemories = false;
  bool mNoSpecular = false;
  bool mSquareTexturesOnly = false;
  uint32_t mWorkingCount = 0;
  uint32_t mBrokenTime = 0;
  bool mFullScreenHasWorked = false;
  bool mLowMemoryVideo = false;
  bool mInSetDisplay = false;
  bool mInRestore = false;
  bool mInScene = false;
  bool mProjectionSet = true;
  bool mIn2d = false;
  TMat4 mProjection;
  float mNearDistance = 0.1f, mFarDistance = 1000.0f;
  bool mAntialias = false, mHintAntialias = false, mNewSubtractive = false, mNewRenderBlend = false;
  bool mRenderTargetTestDone = false;
  float mTexelOffset = -0.5f;
  bool mSetDisplayRan = false;  // the first successful set-up of the run sets the default cursor
  TTextureData* mStageTexture = nullptr;  // what SetTexture gave stage 0 (for the mask stages)
  int64_t mTextureMemory = 0;
  bool mLoggedTargetDepth = false;
};
