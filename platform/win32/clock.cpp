// Millisecond clock behind timeGetTime and Sleep; a test can swap in a manual clock.
#include <atomic>
#include <chrono>

#include "platform/test_control.h"
#include "platform/win32/internal.h"

namespace {
std::atomic<bool> gManual{false};
std::atomic<uint32_t> gManualNow{0};
std::atomic<DWORD> gOwner{0};  // the thread that took the manual clock

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

// Sleep is a wait on nothing: under the manual clock the owning thread moves time on at once
// and other threads wait until the test has moved it past their deadline.
void Sleep(DWORD ms) { win32::WaitEngine(0, nullptr, false, ms, nullptr); }

namespace win32 {
bool IsManualClockOwner() { return gManual && gOwner.load() == ThreadId(); }
void AdvanceManualClockLocked(DWORD ms) {
  gManualNow += ms;
  WakeAllLocked();
}
}  // namespace win32

namespace TestControl {
void UseManualClock(uint32_t startMs) {
  {
    win32::Lock lock(win32::KernelLock());
    gManualNow = startMs;
    gOwner = win32::ThreadId();
    gManual = true;
  }
  win32::ClockChanged();
}
void AdvanceClock(uint32_t ms) {
  {
    win32::Lock lock(win32::KernelLock());
    gManualNow += ms;
  }
  win32::ClockChanged();
}
void UseRealClock() {
  {
    win32::Lock lock(win32::KernelLock());
    gManual = false;
  }
  win32::ClockChanged();
}
bool IsManualClock() { return gManual; }
}  // namespace TestControl
