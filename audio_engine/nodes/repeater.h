// cRepeater: plays its delegate a number of times at intervals (milliseconds of the system
// clock), then stops itself once the delegate has ended.
#pragma once

#include <cstdint>

#include "audio_engine/sound.h"

namespace Tarn {

class cRepeater : public cSound {
 public:
  int HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) override;
  int Play(int64_t time) override;
  int Stop(int64_t time) override;
  bool IsActive() override;
  int Update() override;

 private:
  void ScheduleRepeat();

  int32_t mIntervalMin = 0, mIntervalMax = 1000;
  int32_t mRepeatsMin = 1, mRepeatsMax = 1;
  bool mImmediate = false, mInfinite = false, mRandomRepeats = false, mRandomInterval = false;
  int32_t mRepeatsLeft = 0;
  int64_t mTimeToNext = 0;  // ms
  uint32_t mLastTick = 0;   // ms, wrapping
};

}  // namespace Tarn
