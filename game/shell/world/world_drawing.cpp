#include "game/shell/world/world_drawing.h"

#include "core/windows/window.h"
#include "core/windows/window_manager.h"
#include "game/shell/editors/editor_drawing.h"

TWindowHost* WorldHost() {
  TWindowManager* manager = TWindowManager::Get();
  return manager ? &manager->GetHost() : nullptr;
}

TVec2 ScreenOrigin(const TWindow* window) { return WindowOrigin(window); }

void DrawSpriteAt(const std::shared_ptr<TSprite>& sprite, const TWindow* window) { DrawSpriteInWindow(sprite, window); }
