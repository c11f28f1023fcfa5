// Repeats on the system clock.
#include "audio_engine/nodes/repeater.h"

#include <cstdlib>

#include "audio_engine/critical_section.h"
#include "audio_engine/engine_random.h"
#include "audio_engine/property_ids.h"
#include "platform/win32/win32.h"

namespace Tarn {

int cRepeater::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t propagate) {
  auto integer = [&](int32_t def) { return value.IsEmpty() ? def : value.AsInt(); };
  auto flag = [&]() { return value.IsEmpty() ? false : value.AsBool(); };
  switch (id) {
    case Ids::kIntervalMin:
      mIntervalMin = integer(0);
      if (mIntervalMax < mIntervalMin) mIntervalMax = mIntervalMin;
      return 0;
    case Ids::kIntervalMax: mIntervalMax = integer(1000); return 0;
    case Ids::kRepeatsMin: mRepeatsMin = integer(1); return 0;
    case Ids::kRepeatsMax: mRepeatsMax = integer(1); return 0;
    case Ids::kImmediate: mImmediate = flag(); return 0;
    case Ids::kInfinite: mInfinite = flag(); return 0;
    case Ids::kRandomRepeats: mRandomRepeats = flag(); return 0;
    case Ids::kRandomInterval: mRandomInterval = flag(); return 0;
    default: return cSound::HandleParameterChange(id, value, propagate);
  }
}

void cRepeater::ScheduleRepeat() {
  mLastTick = timeGetTime();
  mTimeToNext = mIntervalMin;
  if (mRandomInterval && mIntervalMin != mIntervalMax && mIntervalMax > mIntervalMin)
    mTimeToNext += (uint32_t)Random() % (uint32_t)(mIntervalMax - mIntervalMin);
}

int cRepeater::Play(int64_t time) {
  if (!mEnabled) return cSound::Play(time);
  mRepeatsLeft = mRepeatsMin;
  int64_t spread = std::llabs((int64_t)mRepeatsMax - mRepeatsMin);
  if (mRandomRepeats && spread > 0) mRepeatsLeft += (int32_t)((uint32_t)Random() % (uint64_t)spread);
  mLastTick = timeGetTime();
  if (mImmediate)
    ScheduleRepeat();
  else
    mTimeToNext = 0;
  StartUpdates();
  mActive = true;
  return 0;
}

int cRepeater::Stop(int64_t time) {
  StopUpdates();
  if (mDelegate) mDelegate->Stop(time);
  mActive = false;
  return 0;
}

bool cRepeater::IsActive() {
  if (mActive) return true;
  return mDelegate ? mDelegate->IsActive() : false;
}

int cRepeater::Update() {
  if (!mActive) return 0;
  uint32_t now = timeGetTime();
  int64_t elapsed = (int64_t)(uint32_t)(now - mLastTick);  // the clock wraps
  mLastTick = now;
  if (mRepeatsLeft <= 0 && !mInfinite) {
    if (!mDelegate || !mDelegate->IsActive()) Stop(0);
    return 0;
  }
  if (elapsed < mTimeToNext) {
    mTimeToNext -= elapsed;
    return 0;
  }
  cAutoCriticalSection lock(EngineLock());
  if (!mInfinite) mRepeatsLeft--;
  if (mDelegate && !mDelegate->IsActive()) mDelegate->Play(-1);
  ScheduleRepeat();
  return 0;
}

}  // namespace Tarn
