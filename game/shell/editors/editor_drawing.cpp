#include "game/shell/editors/editor_drawing.h"

#include "core/graphics/draw_spec.h"
#include "core/graphics/renderer.h"
#include "core/graphics/sprites/sprite.h"
#include "core/windows/window.h"

TVec2 WindowOrigin(const TWindow* window) {
  TRect r = window->GetScreenRect();
  return TVec2((float)r.left, (float)r.top);
}

void DrawSpriteInWindow(const std::shared_ptr<TSprite>& sprite, const TWindow* window) {
  TRenderer* renderer = TRenderer::Get();
  if (!sprite || !renderer) return;
  TDraw2dScope scope(renderer->IsIn2d() ? false : renderer->Begin2d());
  if (renderer->IsIn2d()) sprite->Draw(TDrawSpec(WindowOrigin(window)));
}
