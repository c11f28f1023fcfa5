// Drawing for the authoring windows: the toolkit only pushes a clip rectangle for a window, so a
// window's own sprites and lines are placed from its top-left corner on the screen.
#pragma once

#include <memory>

#include "core/base/vec2.h"

class TSprite;
class TWindow;

TVec2 WindowOrigin(const TWindow* window);
// Draws the sprite tree from the window's corner inside a 2D pass (opened for it when none is).
void DrawSpriteInWindow(const std::shared_ptr<TSprite>& sprite, const TWindow* window);
