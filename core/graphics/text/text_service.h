// Text as the platform object sees it: the shape rasteriser behind the platform's rasteriser
// seam (made, installed as the program's instance and calibrated by the first display mode,
// deleted with the platform) and the font registry, cleared when the platform shuts down.
#pragma once

// The program calls this once before the platform object is built.
void InstallTextService();
