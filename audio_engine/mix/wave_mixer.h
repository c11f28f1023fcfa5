// cWaveMixer: sums its child sources; control-state children scale its level.
#pragma once

#include <cstdint>
#include <vector>

#include "audio_engine/mix/effects_chain.h"
#include "audio_engine/mix/wave_format.h"
#include "audio_engine/mix/wave_source.h"

namespace TarnMix {

// The global mix time: frames mixed so far at 44100 Hz. Only a root mixer advances it; read and
// written under the engine lock.
uint64_t GlobalMixTime();
void AdvanceGlobalMixTime(uint64_t frames);
void ResetGlobalMixTime(uint64_t frames = 0);
// Frames of the block the output is about to read, set before the engine tick so that nodes
// can start things on exact frames inside it; 0 outside a block.
uint32_t ComingBlockFrames();
void SetComingBlockFrames(uint32_t frames);

class cWaveMixer : public cIWaveSource, public cWaveFormatHolder {
 public:
  explicit cWaveMixer(const cWaveFormat& format, bool root = false) : mRoot(root) { mFormat = format; }
  ~cWaveMixer() override = default;

  // Resets every child once and takes the state each computed in that reset, so a whole tree
  // resets in one pass; the result is kept for the next state query.
  int Reset() override;
  // The state of the last reset when it has not been taken yet, else a fresh reset.
  int GetState(uint32_t* state) override;
  int Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t reserved) override;
  // The product of the levels of the control sources that answer.
  int GetLevel(float* level, uint32_t frames) override;
  int Advance(uint32_t frames) override;

  float CurrentValue() const { return mLevel; }
  void SetLevel(float level) { mLevel = level; }
  int AddSource(cIWaveSource* source);     // 9 when already present
  int RemoveSource(cIWaveSource* source);  // 2 when absent
  bool HasSource(cIWaveSource* source) const;
  size_t SourceCount() const { return mSources.size(); }
  cEffectsChain& Effects() { return mEffects; }
  bool IsRoot() const { return mRoot; }

 protected:
  // Adds these sources' renders into the buffer at the gain; *rendered is the largest count.
  void RenderSources(const std::vector<cIWaveSource*>& sources, void* buffer, uint32_t bytes, uint32_t* rendered,
                     float gain);
  std::vector<cIWaveSource*> mSources;  // not owned, in the order added
  std::vector<cIWaveSource*> mRenderSources;
  std::vector<cIWaveSource*> mControlSources;
  std::vector<cIWaveSource*> mRenderCopy;
  uint32_t mState = kStateStopped;
  bool mFreshState = false;  // a reset computed mState and no query took it yet
  // Takes the state the last reset left, resetting first when none is waiting.
  void TakeFreshState() {
    if (!mFreshState) Reset();
    mFreshState = false;
  }
  float mLevel = 1.0f;
  cEffectsChain mEffects;
  bool mRoot;
};

}  // namespace TarnMix
