// The options window's script function, bound to the newest options window while it lives.
#include "game/shell/options_window.h"

TOptions::TOptions() { mGlobals.Bind("SaveVolumes", this, &TOptions::SaveVolumes); }
