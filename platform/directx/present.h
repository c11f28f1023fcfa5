// Showing the primary surface: upload into the SDL window of the Win32 stand-in (main thread),
// full-screen switching, and the capture hook behind TestControl::Display.
#pragma once

#include "platform/directx/ddraw_types.h"

namespace dx {

// Shows `rect` of `surface` (the visible surface) in the window. The caller holds the surface's
// pixel lock. Uploads only on the thread that created the DirectDraw object.
void PresentSurface(IDirectDrawSurface7* surface, const RECT& rect, HWND window, bool onMainThread);
// Uploads what other threads drew on the visible surface since the last upload (main thread).
// Runs from SDL's event watch while the message pump runs; the pump may also call it directly.
void PresentPending();
// Desktop full screen for the window while an exclusive display mode is set.
void SetWindowFullScreen(HWND window, bool fullScreen);

}  // namespace dx
