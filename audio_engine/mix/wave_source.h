// cIWaveSource: anything that renders 32-bit float samples into a mix, and the static value
// source that parameters use.
#pragma once

#include <cmath>
#include <cstdint>

namespace TarnMix {

enum : uint32_t { kStateStopped = 0, kStateStatic = 1, kStateProducing = 2 };

class cBusMixer;

class cIWaveSource {
 public:
  virtual ~cIWaveSource() = default;
  // The source as a bus mixer, or null: mixers ask this of every child every block.
  virtual cBusMixer* AsBusMixer() { return nullptr; }
  // Sources that know the channel peaks of their last render (before its gain) let a bus
  // with nothing else to do pass them straight through and still meter.
  virtual bool MetersItself() const { return false; }
  virtual void GetBlockPeaks(float* left, float* right) const { *left = *right = 0.0f; }
  virtual int Reset() = 0;
  virtual int GetState(uint32_t* state) = 0;
  // Adds byte count bytes of samples into the buffer at the gain; *rendered gets how many.
  virtual int Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t reserved) = 0;
  virtual int GetLevel(float* level, uint32_t frames) = 0;
  virtual int Advance(uint32_t frames) = 0;
};

// A parameter held at one value: static while it has a target.
class cStaticValueWaveSource : public cIWaveSource {
 public:
  int Reset() override { return 0; }
  // The current value never follows (it starts as not-a-number), so a set target stays static.
  int GetState(uint32_t* state) override {
    *state = mCurrent != mTarget ? kStateStatic : kStateStopped;
    return 0;
  }
  int Render(void*, uint32_t, uint32_t* rendered, float, uint32_t) override {
    *rendered = 0;
    return 0;
  }
  int GetLevel(float* level, uint32_t) override {
    *level = mTarget;
    return 0;
  }
  int Advance(uint32_t) override { return 0; }
  void SetTarget(float v) { mTarget = v; }
  float Target() const { return mTarget; }

 private:
  float mCurrent = NAN;
  float mTarget = 0.0f;
};

}  // namespace TarnMix
