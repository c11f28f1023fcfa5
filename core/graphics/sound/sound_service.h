// The framework sound as the platform object sees it: the program calls InstallSoundService
// once before the platform object is built; the platform then makes the TSoundManager through
// its sound seam and the asset map loads sounds.
#pragma once

void InstallSoundService();
