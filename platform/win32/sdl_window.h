// The seam between the Win32 stand-in and the other SDL users of platform/ (the display).
#pragma once

#include <SDL.h>

#include "platform/win32/win32.h"

// The SDL window behind a top-level window; null for child, message-only and unknown windows
// (use GetAncestor(window, GA_ROOT) to reach the one a child is drawn in).
SDL_Window* Win32GetSdlWindow(HWND window);

// The window a device context from GetDC or BeginPaint belongs to (null for the screen's).
HWND Win32WindowFromDC(HDC dc);
