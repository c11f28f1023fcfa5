// The pausable clock; all arithmetic wraps at 32 bits like the platform time it reads.
#include "core/base/clock.h"

#include "core/base/platform_time.h"

uint32_t TClock::RunningTime() const { return mBase - mPausedTotal + (GetPlatformTime() - mRealStart); }

uint32_t TClock::GetTime() const { return mPaused ? mFrozen : RunningTime(); }

void TClock::SetTime(uint32_t t) {
  mRealStart = GetPlatformTime();
  mBase = mFrozen = t;
  mPausedTotal = 0;
}

void TClock::Start() {
  if (!mPaused) return;
  if (!mStarted) {
    mStarted = true;
    SetTime(0);
  } else {
    mPausedTotal += RunningTime() - mFrozen;
  }
  mPaused = false;
}

bool TClock::Pause() {
  if (mPaused) return true;
  mFrozen = RunningTime();
  mPaused = true;
  return false;
}

void TClock::Reset() {
  SetTime(0);
  mPaused = true;
}
