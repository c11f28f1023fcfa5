// TRenderBackend: what the renderer hands to the display handler. The display handler is the
// production backend; tests put a recording one in its place (TRenderer::SetBackendFactory).
// Every call acts on the device of the current display mode; device failures are the
// backend's to log and recover from.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "core/base/color.h"
#include "core/base/rect.h"
#include "core/base/str.h"

struct D3DMATERIAL7;
class TTexture;
class TTextureData;
class TVertexArray;

class TRenderBackend {
 public:
  virtual ~TRenderBackend() {}

  // Frame: false when the frame cannot be opened (the caller skips it).
  virtual bool BeginDraw(uint32_t argument) = 0;
  virtual void EndDraw(uint32_t argument) = 0;
  virtual bool Begin2d() = 0;
  virtual void End2d() = 0;
  virtual bool Begin3d() = 0;
  virtual bool BeginRenderTarget(std::shared_ptr<TTexture> target, uint32_t argument) = 0;
  virtual void EndRenderTarget() = 0;

  virtual void DrawVertices(uint32_t primitive, TVertexArray* vertices) = 0;
  virtual void DrawIndexedVertices(uint32_t primitive, TVertexArray* vertices, const uint16_t* indices,
                                   uint32_t indexCount) = 0;
  virtual void SetTexture(std::shared_ptr<TTexture> texture) = 0;
  virtual void FillRect(int left, int top, int right, int bottom, const TColor* colour,
                        std::shared_ptr<TTexture> texture) = 0;

  virtual void SetClipRect(const TRect& rect) = 0;
  virtual void SetViewport(int left, int top, int right, int bottom) = 0;
  virtual void GetViewport(int* left, int* top, int* right, int* bottom) = 0;
  virtual void PushViewport(int left, int top, int right, int bottom) = 0;
  virtual void PopViewport() = 0;

  virtual void SetBlendMode(int mode) = 0;
  virtual void SetCullMode(int mode) = 0;
  virtual void SetMaterial(const D3DMATERIAL7& material) = 0;
  virtual void SetTextureFilter(int filter) = 0;
  virtual bool SupportsNonPowerOfTwo() = 0;
  virtual void SetOption(TStr key, TStr value) = 0;
  virtual TStr GetOption(TStr key) = 0;

  virtual bool IsFrameDone() = 0;
  virtual void OnOutOfVideoMemory() = 0;
  // (0, 0, width, height) of the display; all zero without one.
  virtual TRect GetScreenRect() = 0;
  // A new, empty surface holder for a texture.
  virtual std::unique_ptr<TTextureData> CreateTextureData() = 0;
};

typedef std::function<std::unique_ptr<TRenderBackend>()> TRenderBackendFactory;

// A backend without a display: frames never open, textures get no surface, everything else is
// ignored. A base for backends that care about a few calls only.
class TNullRenderBackend : public TRenderBackend {
 public:
  bool BeginDraw(uint32_t) override { return false; }
  void EndDraw(uint32_t) override {}
  bool Begin2d() override { return false; }
  void End2d() override {}
  bool Begin3d() override { return false; }
  bool BeginRenderTarget(std::shared_ptr<TTexture>, uint32_t) override { return false; }
  void EndRenderTarget() override {}
  void DrawVertices(uint32_t, TVertexArray*) override {}
  void DrawIndexedVertices(uint32_t, TVertexArray*, const uint16_t*, uint32_t) override {}
  void SetTexture(std::shared_ptr<TTexture>) override {}
  void FillRect(int, int, int, int, const TColor*, std::shared_ptr<TTexture>) override {}
  void SetClipRect(const TRect&) override {}
  void SetViewport(int, int, int, int) override {}
  void GetViewport(int* l, int* t, int* r, int* b) override { *l = *t = *r = *b = 0; }
  void PushViewport(int, int, int, int) override {}
  void PopViewport() override {}
  void SetBlendMode(int) override {}
  void SetCullMode(int) override {}
  void SetMaterial(const D3DMATERIAL7&) override {}
  void SetTextureFilter(int) override {}
  bool SupportsNonPowerOfTwo() override { return false; }
  void SetOption(TStr, TStr) override {}
  TStr GetOption(TStr) override { return TStr(); }
  bool IsFrameDone() override { return true; }
  void OnOutOfVideoMemory() override {}
  TRect GetScreenRect() override { return TRect(); }
  std::unique_ptr<TTextureData> CreateTextureData() override;
};
std::unique_ptr<TRenderBackend> CreateNullRenderBackend();
// The display handler's backend.
std::unique_ptr<TRenderBackend> CreateDefaultRenderBackend();
