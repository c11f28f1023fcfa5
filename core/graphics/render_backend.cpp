// The backend used where there is no display handler: every frame is refused, so nothing is
// drawn, and textures get surface holders that never make a surface.
#include "core/graphics/render_backend.h"

#include "core/graphics/texture_data.h"

namespace {

class TNullTextureData : public TTextureData {
 public:
  void Release() override {}
  void Restore() override {}
  bool SetPixels(uint32_t, uint32_t, const uint32_t*) override { return false; }
  bool CreateSurface(uint32_t, uint32_t, bool) override { return false; }
  void CopyTo(int, int, const TRect*, TTextureData*) override {}
  void Clear() override {}
  bool Lock(uint32_t*&, int&) override { return false; }
  void Unlock() override {}
};

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
  std::unique_ptr<TTextureData> CreateTextureData() override { return std::make_unique<TNullTextureData>(); }
};

}  // namespace

std::unique_ptr<TRenderBackend> CreateNullRenderBackend() { return std::make_unique<TNullRenderBackend>(); }
