// TOldScalingTask: the timer-driven scaling value (world-map travel): a timed task on the
// platform time that adds elapsed milliseconds times its rate at every run.
#pragma once

#include <cstdint>

#include "core/base/anim_task.h"

class TOldScalingTask : public TAnimTask {
 public:
  // Counts from now; no timer until Start.
  TOldScalingTask();

  // Back to 0, counting from now.
  virtual void Reset(float rate);
  // Restarts the count from now (so time spent paused does not count) and runs every period ms.
  virtual void Start(uint32_t period);
  bool Animate() override;

  float GetValue() const { return mValue; }
  float GetPrevious() const { return mPrevious; }
  float GetRate() const { return mRate; }

 protected:
  float mValue = 0;
  float mPrevious = 0;
  float mRate = 1.0f;
  uint32_t mLastTime;
};
