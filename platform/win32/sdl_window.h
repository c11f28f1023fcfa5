// The seam between the Win32 stand-in and the other SDL users of platform/ (the display).
#pragma once

#include <SDL.h>

#include "platform/win32/win32.h"

// The SDL window behind a top-level window; null for child, message-only and unknown windows
// (use GetAncestor(window, GA_ROOT) to reach the one a child is drawn in).
SDL_Window* Win32GetSdlWindow(HWND window);

// The window a device context from GetDC or BeginPaint belongs to (null for the screen's).
HWND Win32WindowFromDC(HDC dc);

// Starts SDL's video once, on the calling thread when nothing has (it becomes the SDL thread);
// false when no driver works. The sound device calls it before it starts SDL's audio thread:
// SDL changes its list of hints unguarded while its video starts, and reads that list on the
// audio thread as it starts.
bool Win32EnsureSdl();
