#include "game/shell/world/world_drawing.h"

#include "core/graphics/draw_spec.h"
#include "core/graphics/renderer.h"
#include "core/graphics/sprites/sprite.h"
#include "core/windows/window.h"
#include "core/windows/window_manager.h"

TWindowHost* WorldHost() {
  TWindowManager* manager = TWindowManager::Get();
  return manager ? &manager->GetHost() : nullptr;
}

TVec2 ScreenOrigin(const TWindow* window) {
  TRect r = window->GetScreenRect();
  return TVec2((float)r.left, (float)r.top);
}

void DrawSpriteAt(const std::shared_ptr<TSprite>& sprite, const TWindow* window) {
  TRenderer* renderer = TRenderer::Get();
  if (!sprite || !renderer) return;
  TDraw2dScope scope(renderer->IsIn2d() ? false : renderer->Begin2d());
  if (!renderer->IsIn2d()) return;
  sprite->Draw(TDrawSpec(ScreenOrigin(window)));
}
