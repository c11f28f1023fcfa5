// The seam through which tests drive the platform stand-in: clock, input and scripted faults.
#pragma once

#include <cstdint>

namespace TestControl {

// Manual clock: timeGetTime/GetTickCount return the set time, Sleep advances it at once.
void UseManualClock(uint32_t startMs);
void AdvanceClock(uint32_t ms);
void UseRealClock();
bool IsManualClock();

}  // namespace TestControl
