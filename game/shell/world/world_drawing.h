// What the world's windows share for drawing. Their own drawing is in screen coordinates: the
// toolkit only pushes a clip rectangle for a window, so each window adds its screen origin.
#pragma once

#include <memory>

#include "core/base/vec2.h"

class TSprite;
class TWindow;
class TWindowHost;

// The running window manager's host, or null without one.
TWindowHost* WorldHost();
// The window's top-left corner on the screen.
TVec2 ScreenOrigin(const TWindow* window);
// Draws a sprite tree with its position taken from the window's top-left corner, inside a 2D
// pass of the renderer (opened for the call when none is open).
void DrawSpriteAt(const std::shared_ptr<TSprite>& sprite, const TWindow* window);
