// The built-in pointer, shown wherever the game gives no cursor image of its own: an arrow drawn
// by code, offered as the memory file "__systemcursor__.png" so that it loads as any picture.
#pragma once

#include <cstdint>
#include <memory>

class TTexture;

constexpr int kSystemCursorSize = 32;
// The arrow's tip, the point that stands on the mouse position.
constexpr int kSystemCursorHotX = 2;
constexpr int kSystemCursorHotY = 2;
extern const char kSystemCursorName[];

// The arrow into 32 x 32 ARGB words: cocoa with a milk outline, hard edged, on magenta (the
// colour key of cursor images).
void DrawSystemCursor(uint32_t* argb);

// The built-in image as a simple texture; the memory file is registered at the first call.
std::shared_ptr<TTexture> GetSystemCursor();
