// Timed tasks. Due times are compared by signed difference so the timer survives the 32-bit
// wrap of the millisecond clock.
#include "core/base/anim_task.h"

#include "core/base/clock.h"
#include "core/base/platform_time.h"

TAnimTask::TAnimTask(TClock* clock) : mClock(clock) { mDue = GetTime(); }

uint32_t TAnimTask::GetTime() const { return mClock ? mClock->GetTime() : GetPlatformTime(); }

bool TAnimTask::Ready(int code) {
  if (code == 1) return mMessageFlag;
  if (mDue == kNoTimer) return false;
  return (int32_t)(GetTime() - mDue) >= 0;
}

uint32_t TAnimTask::SetTimer(uint32_t period, bool repeat, bool fromNow, bool catchUp) {
  mFromNow = fromNow;
  mCatchUp = catchUp;
  if (!fromNow && mDue != kNoTimer)
    mDue += period;
  else
    mDue = GetTime() + period;
  mPeriod = repeat ? period : 0;
  return period;
}

int32_t TAnimTask::GetTimePastDue() const {
  if (mDue == kNoTimer) return -1;
  return (int32_t)(GetTime() - mDue);
}

void TAnimTask::StopTimer() {
  mDue = kNoTimer;
  mMessageFlag = false;
}

void TAnimTask::SetClock(TClock* clock) {
  bool timed = mDue != kNoTimer;
  int32_t pastDue = timed ? (int32_t)(GetTime() - mDue) : 0;
  mClock = clock;
  // The same distance from the due time on the new clock, on the same side of it.
  if (timed) mDue = GetTime() - (uint32_t)pastDue;
}

bool TAnimTask::DoTask() {
  uint32_t now = GetTime();
  // Missed periods beyond a second are dropped rather than replayed.
  if ((int32_t)(now - mDue) > 1000) mDue = GetTime();
  bool result;
  for (;;) {
    mDue = mFromNow ? now + mPeriod : mDue + mPeriod;
    result = Animate();
    // Catching up needs a period to step by, and stops when Animate stopped the timer.
    if (!result || !mCatchUp || mPeriod == 0 || mDue == kNoTimer) break;
    if ((int32_t)(mDue - now) >= 0) break;
  }
  return result;
}
