// TRenderer: the one drawing interface of the program. It keeps the drawing state machine (frame
// open, 2D or 3D, render target), refuses calls made in the wrong state with a log line, keeps
// the clip stack, the current and capture textures, the frame rate and the debug overlay, and
// hands everything that touches the device to the display handler (its backend).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/base/color.h"
#include "core/base/rect.h"
#include "core/base/str.h"
#include "core/graphics/render_backend.h"

class TTextLayout;
class TTexture;
class TVertexArray;
struct D3DMATERIAL7;

// Blend modes of SetBlendMode and TDrawSpec::mBlendMode.
enum TBlendMode { kBlendNormal = 0, kBlendOpaque = 1, kBlendAdditive = 2, kBlendSubtractive = 3, kBlendMultiply = 4 };

// Direct3D primitive types of DrawVertices.
enum TPrimitiveType : uint32_t {
  kPrimitivePointList = 1,
  kPrimitiveLineList = 2,
  kPrimitiveLineStrip = 3,
  kPrimitiveTriangleList = 4,
  kPrimitiveTriangleStrip = 5,
  kPrimitiveTriangleFan = 6,
};

class TRenderer {
 public:
  // The singleton, made on first use together with its backend.
  static TRenderer* Get();
  // Destroys the backend, the overlay, the clip stack, both texture references and the
  // singleton; a later Get makes a new one.
  static void Destroy();
  // What the next Get makes its backend with (empty: the display handler).
  static void SetBackendFactory(TRenderBackendFactory factory);
  // The root window's size, which a capture texture must match; the window toolkit installs it
  // (empty: the display's size).
  static void SetRootSizeQuery(std::function<bool(int* width, int* height)> query);

  TRenderBackend* GetBackend() const { return mBackend.get(); }

  bool BeginDraw(uint32_t argument);
  void EndDraw(uint32_t argument);
  bool Begin2d();
  void End2d();
  bool Begin3d();
  void End3d();
  // Refused (false, no message) for a simple texture or while a frame or target is open.
  bool BeginRenderTarget(std::shared_ptr<TTexture> target, uint32_t argument);
  void EndRenderTarget();
  bool IsIn2d() const { return mIn2d; }
  bool IsIn3d() const { return mIn3d; }
  // A screen frame or a render target is open.
  bool IsDrawing() const { return mDrawing; }
  bool IsInRenderTarget() const { return mInRenderTarget; }

  // Only inside Begin2d or Begin3d.
  void DrawVertices(uint32_t primitive, TVertexArray* vertices);
  void DrawIndexedVertices(uint32_t primitive, TVertexArray* vertices, const uint16_t* indices, uint32_t indexCount);
  // A simple texture counts as none.
  void SetTexture(std::shared_ptr<TTexture> texture);
  std::shared_ptr<TTexture> GetTexture() const { return mTexture; }
  // Without a texture the rectangle is relative to the viewport and kept inside it.
  void FillRect(const TRect& rect, const TColor& colour, std::shared_ptr<TTexture> texture = nullptr);

  void SetViewport(const TRect& rect);
  void GetViewport(TRect& rect);
  TRect GetViewport();
  void PushViewport(const TRect& rect);
  void PopViewport();

  // Replaces the top (pushes onto an empty stack) and applies it.
  void SetClipRect(const TRect& rect);
  void PushClipRect(const TRect& rect);
  // Pops and applies the new top while more than one entry remains; else nothing.
  void PopClipRect();
  // The top, all zero when the stack is empty.
  TRect GetClipRect() const;

  // Modes 0..4 (TBlendMode); others change nothing.
  void SetBlendMode(int mode);
  // 1 none, 2 clockwise, 3 counter-clockwise.
  void SetCullMode(int mode);
  void SetMaterial(const D3DMATERIAL7& material);
  // 0 point, 1 linear.
  void SetTextureFilter(int filter);
  bool SupportsNonPowerOfTwo();
  // "fps" switches the frame counter's display; every key goes on to the display handler.
  void SetOption(TStr key, TStr value);
  TStr GetOption(TStr key);
  bool IsFrameDone();
  void OnOutOfVideoMemory();

  // The texture the next EndDraw copies the finished frame into; a non-empty texture must
  // have the root window's size (others are ignored).
  void SetCaptureTexture(std::shared_ptr<TTexture> texture);
  std::shared_ptr<TTexture> GetCaptureTexture() const { return mCaptureTexture; }

  // Flips the overlay; true when it is now off.
  bool ToggleDebugInfo();
  bool IsDebugInfoOn() const { return mDebugOverlay; }
  bool IsFpsShown() const { return mShowFps; }
  // Updated every 15th EndDraw.
  float GetFramesPerSecond() const { return mFramesPerSecond; }
  // The overlay's last text (empty before it was first drawn).
  TStr GetOverlayText() const { return mOverlayText; }

  TRenderer(const TRenderer&) = delete;
  TRenderer& operator=(const TRenderer&) = delete;

 private:
  TRenderer();
  ~TRenderer();

  // Logs why a 2D or 3D block named `block` cannot begin now; true when it may.
  bool MayBegin(const char* block) const;
  void ApplyClip();
  void DrawOverlay();

  static constexpr int kFrameStamps = 15;

  uint32_t mFrameIndex = 0;
  float mFramesPerSecond = 0.0f;
  uint32_t mFrameStamps[kFrameStamps] = {};
  bool mDebugOverlay = false;
  TTextLayout* mOverlay = nullptr;  // owned; made when the overlay is first drawn
  TStr mOverlayText;
  std::shared_ptr<TTexture> mTexture;
  std::shared_ptr<TTexture> mCaptureTexture;
  std::vector<TRect> mClipStack;
  bool mIn2d = false;
  bool mIn3d = false;
  bool mDrawing = false;
  bool mInRenderTarget = false;
  bool mShowFps = true;
  std::unique_ptr<TRenderBackend> mBackend;
};

// Zeroes all 17 floats of a material before the values in use are filled in.
void ClearMaterial(D3DMATERIAL7& material);

// Kept after a Begin2d: End calls End2d once, when the Begin2d succeeded.
class TDraw2dScope {
 public:
  explicit TDraw2dScope(bool began) : mBegan(began) {}
  ~TDraw2dScope() { End(); }
  void End();

 private:
  bool mBegan;
};
