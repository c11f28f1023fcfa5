// TShapeRasteriserService: the platform's rasteriser seam over the program's TKsMiniVecDraw.
#include "core/graphics/text/text_service.h"

#include "core/base/platform_services.h"
#include "core/graphics/text/font_cache.h"
#include "core/graphics/text/mini_vec_draw.h"

namespace {

class TShapeRasteriserService : public TPlatformShapeRasteriser {
 public:
  // Text drawn from here on goes through this instance; its destructor hands Get() back to the
  // fallback.
  TShapeRasteriserService() { TKsMiniVecDraw::SetInstance(&mDraw); }
  // The display's line placement is learnt once, right after its first mode is set.
  void CalibrateOffset() override { mDraw.CalibrateOffset(); }

 private:
  TKsMiniVecDraw mDraw;
};

// Fonts are kept for the platform's life: a platform made after this one loads them again.
void ClearFonts() { TFontCache::Get().Clear(); }

}  // namespace

void InstallTextService() {
  SetShapeRasteriserFactory([]() -> TPlatformShapeRasteriser* { return new TShapeRasteriserService(); });
  AddPlatformShutdownHook(&ClearFonts);
}
