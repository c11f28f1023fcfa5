// The window toolkit as the platform object sees it: the window manager behind the platform's
// window-manager seam, with a host that reaches the platform object and the renderer.
#pragma once

// The program calls this once before the platform object is built.
void InstallWindowService();
