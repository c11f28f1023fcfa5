// The scaling task's clock and steps.
#include "game/shell/scaling_task.h"

#include <cmath>

namespace {

// Position within a cycle, 0 <= f < 1, in single precision like the value: the parts timed by
// cycles count on it (a 500 ms flight at 10 ms steps lands on its 50th step, not its 51st).
float CyclePosition(float x, float period) {
  float cycles = x / period;
  return cycles - std::floor(cycles);
}

}  // namespace

void TScalingTask::Reset(float rate) {
  mValue = mPrevious = 0;
  mLastTime = mCurrentTime = 0;
  mStopped = true;
  mRate = rate;
}

void TScalingTask::Start(uint32_t) {
  mLastTime = mCurrentTime;
  mStopped = false;
}

bool TScalingTask::Update() {
  Step();
  return true;
}

void TScalingTask::Advance(uint32_t ms) {
  if (mStopped) return;
  mCurrentTime += ms;
  Update();
}

void TScalingTask::Step() {
  mPrevious = mValue;
  // Unsigned difference: a clock that went backwards gives a very large step, as it always has.
  mValue += (float)(uint32_t)(mCurrentTime - mLastTime) * mRate;
  mLastTime = mCurrentTime;
}

float TScalingTask::UpdateCycle(float period) {
  float before = mValue;
  Step();
  if (period == 0 || std::isnan(period)) return mValue != before ? 1.0f : 0.0f;
  float a = CyclePosition(before, period);
  float b = CyclePosition(mValue, period);
  return a <= b ? b - a : b + 1 - a;
}
