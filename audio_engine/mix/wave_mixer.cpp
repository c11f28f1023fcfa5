// Summing child sources.
#include "audio_engine/mix/wave_mixer.h"

#include <algorithm>
#include <cstring>

namespace TarnMix {

namespace {
uint64_t gGlobalMixTime = 0;  // guarded by the engine lock
uint32_t gComingBlockFrames = 0;  // guarded by the engine lock
}

uint64_t GlobalMixTime() { return gGlobalMixTime; }
void AdvanceGlobalMixTime(uint64_t frames) { gGlobalMixTime += frames; }
void ResetGlobalMixTime(uint64_t frames) { gGlobalMixTime = frames; }
uint32_t ComingBlockFrames() { return gComingBlockFrames; }
void SetComingBlockFrames(uint32_t frames) { gComingBlockFrames = frames; }

int cWaveMixer::Reset() {
  mRenderSources.clear();
  mControlSources.clear();
  for (cIWaveSource* s : mSources) {
    s->Reset();
    uint32_t state = kStateStopped;
    s->GetState(&state);
    if (state == kStateStatic) mControlSources.push_back(s);
    if (state == kStateProducing) mRenderSources.push_back(s);
  }
  mState = !mRenderSources.empty() ? kStateProducing : !mControlSources.empty() ? kStateStatic : kStateStopped;
  mFreshState = true;
  return 0;
}

int cWaveMixer::GetState(uint32_t* state) {
  TakeFreshState();
  *state = mState;
  return 0;
}

int cWaveMixer::Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t) {
  float* out = (float*)buffer;
  size_t count = bytes / sizeof(float);
  if (mFormat.sampleRate < 1001) {
    float level = 1.0f;
    GetLevel(&level, 0);
    std::fill(out, out + count, level);
  } else {
    std::memset(buffer, 0, bytes);
  }
  *rendered = 0;
  if (mSources.empty()) return 0;
  RenderSources(mRenderSources, buffer, bytes, rendered, gain);
  return 0;
}

void cWaveMixer::RenderSources(const std::vector<cIWaveSource*>& sources, void* buffer, uint32_t bytes,
                               uint32_t* rendered, float gain) {
  // A copy: a source may leave the mix while it renders. Kept as a member so that steady
  // blocks allocate nothing; a mixer never renders into itself.
  mRenderCopy.assign(sources.begin(), sources.end());
  for (cIWaveSource* s : mRenderCopy) {
    uint32_t got = 0;
    s->Render(buffer, bytes, &got, gain, 0);
    *rendered = std::max(*rendered, got);
  }
}

int cWaveMixer::GetLevel(float* level, uint32_t frames) {
  float product = 1.0f;
  for (cIWaveSource* s : mControlSources) {
    float v = 1.0f;
    if (s->GetLevel(&v, frames) == 0) product *= v;
  }
  *level = product;
  return 0;
}

int cWaveMixer::Advance(uint32_t frames) {
  if (mRoot) AdvanceGlobalMixTime(frames);
  return 0;
}

int cWaveMixer::AddSource(cIWaveSource* source) {
  if (HasSource(source)) return 9;
  mSources.push_back(source);
  return 0;
}

int cWaveMixer::RemoveSource(cIWaveSource* source) {
  auto it = std::find(mSources.begin(), mSources.end(), source);
  if (it == mSources.end()) return 2;
  mSources.erase(it);
  auto drop = [source](std::vector<cIWaveSource*>& v) { v.erase(std::remove(v.begin(), v.end(), source), v.end()); };
  drop(mRenderSources);
  drop(mControlSources);
  return 0;
}

bool cWaveMixer::HasSource(cIWaveSource* source) const {
  return std::find(mSources.begin(), mSources.end(), source) != mSources.end();
}

}  // namespace TarnMix
