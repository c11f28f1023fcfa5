// Automation clips: levels from event parameters or points, playing in engine time.
#include "audio_engine/nodes/automation_clip.h"

#include <algorithm>

#include "audio_engine/debug.h"
#include "audio_engine/mix/wave_mixer.h"
#include "audio_engine/property_ids.h"
#include "audio_engine/tarn_sound_system.h"

namespace Tarn {

namespace {
int64_t Now() { return (int64_t)TarnMix::GlobalMixTime(); }
constexpr uint32_t kControlStep = 441;  // samples per control frame (100 Hz)
}  // namespace

int cAutomationClip::HandleParameterChange(uint32_t id, const tVariant& value, uint32_t) {
  switch (id) {
    case Ids::kParameterList: {
      mParameter = nullptr;
      const cStringSet* names = value.IsEmpty() ? nullptr : GetStringSet(value);
      if (names && !names->mSet.empty() && cTarnSoundSystem::Get()) {
        cPropertySet* patch = nullptr;
        cTarnSoundSystem::Get()->FindPatch(names->mSet.begin()->Id(), &patch);
        mParameter = patch;
      }
      break;
    }
    case Ids::kAutomationPoints: {
      mPoints.clear();
      if (const cFloatMap* points = value.IsEmpty() ? nullptr : GetFloatMap(value)) mPoints = *points;
      break;
    }
    case Ids::kAutomationController:
      mSquared = !value.IsEmpty() && (value.Id() == Ids::kVolume || Ids::SendLevelIndex(value.Id()) >= 0);
      break;
    default:
      break;
  }
  return 0;
}

float cAutomationClip::LevelAt(int64_t position) const {
  if (mPoints.empty()) return 0.0f;
  auto after = mPoints.upper_bound((int32_t)std::clamp<int64_t>(position, INT32_MIN, INT32_MAX));
  if (after == mPoints.begin()) return after->second;
  auto before = std::prev(after);
  if (after == mPoints.end() || before->second == after->second) return before->second;
  double t = (double)(position - before->first) / (double)((int64_t)after->first - before->first);
  return (float)(before->second + t * (after->second - before->second));
}

float cAutomationClip::CurrentLevel() const {
  float level;
  if (mParameter) {
    uint32_t index = (uint32_t)mParameter->GetInt(Ids::kIndex, 0);
    level = mOwnerPropertySet ? mOwnerPropertySet->GetFloat(index, 0.0f) : 0.0f;
  } else {
    level = LevelAt(mPosition);
  }
  return mSquared ? level * level : level;
}

int cAutomationClip::GetLevel(float* level, uint32_t frames) {
  mLevel = CurrentLevel();
  mHasLevel = true;
  *level = mLevel;
  if (frames) Advance(frames);
  return 0;
}

int cAutomationClip::Advance(uint32_t frames) {
  const int64_t now = Now();
  const int64_t end = now + frames;
  if (mStopTime != 0 && mStopTime <= end) {
    mPosition += (int32_t)std::max<int64_t>(mStopTime - now - 1, 0);
    mStopTime = 0;
    mPlaying = false;
  } else if (mStartTime != 0 && mStartTime <= end) {
    mPosition = std::max(mPendingPosition, 0) + (int32_t)(end - mStartTime);
    mStartTime = 0;
    mPlaying = true;
  } else if (mPlaying) {
    mPosition += (int32_t)frames;
  }
  return 0;
}

void cAutomationClip::OnMixNotify(int64_t mixTime, uint32_t frames) {
  Trace("cAutomationClip::OnMixNotify(0x%08lx) mixTime %lld position %ld\n", (unsigned long)(uintptr_t)this,
        (long long)mixTime, (long)mPosition);
  Advance(frames);
}

int cAutomationClip::GetState(uint32_t* state) {
  if (mPlaying && !mParameter && !mPoints.empty())
    *state = TarnMix::kStateProducing;
  else if (mPlaying || mHasLevel)
    *state = TarnMix::kStateStatic;
  else
    *state = TarnMix::kStateStopped;
  return 0;
}

int cAutomationClip::Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t) {
  float* out = (float*)buffer;
  uint32_t count = bytes / sizeof(float);
  for (uint32_t k = 0; k < count; k++) {
    float level = mParameter ? CurrentLevel() : LevelAt((int64_t)mPosition + (int64_t)k * kControlStep);
    if (!mParameter && mSquared) level *= level;
    out[k] = level * gain;
  }
  if (count) {
    mLevel = out[0];
    mHasLevel = true;
  }
  *rendered = bytes;
  return 0;
}

int cAutomationClip::SetStartPosition(int32_t position) {
  SetPendingPlayPosition(position);
  return 0;
}

void cAutomationClip::SetPendingPlayPosition(int32_t position) {
  Trace("cAutomationClip::::SetPendingPlayPosition(0x%08lx) %ld (%lx)\n", (unsigned long)(uintptr_t)this,
        (long)position, (unsigned long)position);
  mPendingPosition = position;
  mPosition = position;
}

int cAutomationClip::GetState(int32_t* state) {
  *state = mPlaying ? 1 : 0;
  return 0;
}

int cAutomationClip::GetStatus(uint32_t* status) {
  *status = mPlaying ? 1 : 0;
  return 0;
}

int cAutomationClip::GetValue(uint32_t, float* value, uint32_t) {
  *value = mLevel;
  return 0;
}

int cAutomationClip::Play(int64_t time) {
  const int64_t now = Now();
  int64_t start = time == -1 ? 0 : time;
  Trace("cAutomationClip::::Play(0x%08lx) %lld (%llx), in %lld (%llx) samples\n", (unsigned long)(uintptr_t)this,
        (long long)start, (unsigned long long)start, (long long)(start - now), (unsigned long long)(start - now));
  if (mPlaying) return 0;
  if (start == 0 || start <= now) {
    mStartTime = 0;
    mPosition = std::max(mPendingPosition, 0);
    mPlaying = true;
  } else {
    mStartTime = start;
  }
  return 0;
}

int cAutomationClip::Stop(int64_t time) {
  if (time > Now()) {
    Trace("cAutomationClip::Stop(0x%08lx) %lld (%llx) in %lld (%llx) samples\n", (unsigned long)(uintptr_t)this,
          (long long)time, (unsigned long long)time, (long long)(time - Now()), (unsigned long long)(time - Now()));
    mStopTime = time;
    return 0;
  }
  return Kill();
}

int cAutomationClip::Kill() {
  Trace("cAutomationClip::Kill(0x%08lx)\n", (unsigned long)(uintptr_t)this);
  mStartTime = 0;
  mStopTime = 0;
  mPlaying = false;
  return 0;
}

}  // namespace Tarn
