// cEffectsChain: plug-in effects run in order over a stereo mix.
#pragma once

#include <cstdint>
#include <vector>

namespace TarnMix {

// What the chain needs of a hosted plug-in: process channel arrays for a number of frames.
class cIEffectProcessor {
 public:
  virtual ~cIEffectProcessor() = default;
  virtual int Process(float** inputs, float** outputs, int32_t frames) = 0;
};

class cEffectsChain {
 public:
  void Append(cIEffectProcessor* effect) { mEffects.push_back(effect); }
  void Clear() { mEffects.clear(); }
  bool Empty() const { return mEffects.empty(); }
  // Interleaved stereo floats in 16-bit scale, bytes long: split, scaled to +-1, run through
  // each effect (ping-ponging two buffer pairs), scaled back and interleaved.
  void Process(float* buffer, uint32_t bytes);

 private:
  std::vector<cIEffectProcessor*> mEffects;  // not owned
  std::vector<float> mBuffers[2][2];         // [pair][channel], grown only
};

}  // namespace TarnMix
