// TRendererService: the platform's renderer seam over TRenderer. The platform makes it when the
// display is first needed and deletes it at shut-down, which destroys the renderer with it.
#include "core/graphics/renderer_service.h"

#include "core/base/platform_services.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture.h"

namespace {

class TRendererService : public TPlatformRenderer {
 public:
  TRendererService() { TRenderer::Get(); }
  ~TRendererService() override { TRenderer::Destroy(); }

  void GetViewport(int& left, int& top, int& right, int& bottom) override {
    TRect r = TRenderer::Get()->GetViewport();
    left = r.left;
    top = r.top;
    right = r.right;
    bottom = r.bottom;
  }
  TPlatformDisplay* GetDisplay() override { return dynamic_cast<TPlatformDisplay*>(TRenderer::Get()->GetBackend()); }
  void ToggleDebugOverlay() override { TRenderer::Get()->ToggleDebugInfo(); }
  void ClearRect(int left, int top, int right, int bottom) override {
    TRenderer::Get()->FillRect(TRect(left, top, right, bottom), TColor(0, 0, 0, 0));
  }
};

}  // namespace

void InstallRendererService() {
  SetRendererFactory([]() -> TPlatformRenderer* { return new TRendererService(); });
  AddAssetLoaderRegistration(&RegisterTextureAssetLoaders);
}
