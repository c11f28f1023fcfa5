// The timer-driven scaling value's steps.
#include "game/shell/old_scaling_task.h"

TOldScalingTask::TOldScalingTask() : TAnimTask(nullptr), mLastTime(GetTime()) {}

void TOldScalingTask::Reset(float rate) {
  mValue = mPrevious = 0;
  mRate = rate;
  mLastTime = GetTime();
}

void TOldScalingTask::Start(uint32_t period) {
  mLastTime = GetTime();
  SetTimer(period, true, true, false);
}

bool TOldScalingTask::Animate() {
  uint32_t now = GetTime();
  mPrevious = mValue;
  mValue += (float)(uint32_t)(now - mLastTime) * mRate;
  mLastTime = now;
  return true;
}
