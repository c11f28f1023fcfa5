// The window toolkit as the platform object sees it: the window manager behind the platform's
// window-manager seam, with a host that reaches the platform object and the renderer.
#pragma once

#include <memory>

#include "core/base/str.h"

class TWindowSound;

// The program calls this once before the platform object is built.
void InstallWindowService();

// A sound asset of the framework sound manager as the widgets play it (its name loaded with
// flag 1 and group 0); empty when no sound file is found.
std::shared_ptr<TWindowSound> LoadFrameworkSound(TStr name);
