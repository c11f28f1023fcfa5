// The platform time that tasks and clocks run on: timeGetTime until the platform object
// installs its own game clock (which adds its offset and leaves out host waits).
#pragma once

#include <cstdint>

uint32_t GetPlatformTime();
// Null restores timeGetTime.
void SetPlatformTimeSource(uint32_t (*source)());
