// Millisecond clock behind timeGetTime and Sleep; a test can swap in a manual clock.
#include "platform/test_control.h"
#include "platform/win32/win32.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
std::atomic<bool> gManual{false};
std::atomic<uint32_t> gManualNow{0};

uint32_t RealNow() {
  using namespace std::chrono;
  static const auto start = steady_clock::now();
  // An arbitrary non-zero origin so that wrap-around code paths are not hidden by small values.
  return 0x10000u + (uint32_t)duration_cast<milliseconds>(steady_clock::now() - start).count();
}
}  // namespace

DWORD timeGetTime() { return gManual ? gManualNow.load() : RealNow(); }
DWORD GetTickCount() { return timeGetTime(); }
UINT timeBeginPeriod(UINT) { return 0; }
UINT timeEndPeriod(UINT) { return 0; }

void Sleep(DWORD ms) {
  if (gManual) {
    gManualNow += ms;
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace TestControl {
void UseManualClock(uint32_t startMs) {
  gManualNow = startMs;
  gManual = true;
}
void AdvanceClock(uint32_t ms) { gManualNow += ms; }
void UseRealClock() { gManual = false; }
bool IsManualClock() { return gManual; }
}  // namespace TestControl
