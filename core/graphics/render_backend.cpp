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

}  // namespace

std::unique_ptr<TTextureData> TNullRenderBackend::CreateTextureData() { return std::make_unique<TNullTextureData>(); }

std::unique_ptr<TRenderBackend> CreateNullRenderBackend() { return std::make_unique<TNullRenderBackend>(); }
