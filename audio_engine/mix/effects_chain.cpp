// Effect processing over a split stereo buffer.
#include "audio_engine/mix/effects_chain.h"

namespace TarnMix {

void cEffectsChain::Process(float* buffer, uint32_t bytes) {
  if (mEffects.empty()) return;
  uint32_t frames = bytes / 8;
  for (auto& pair : mBuffers)
    for (auto& ch : pair)
      if (ch.size() < frames) ch.resize(frames);
  for (uint32_t i = 0; i < frames; i++) {
    mBuffers[0][0][i] = buffer[2 * i] * (1.0f / 32768.0f);
    mBuffers[0][1][i] = buffer[2 * i + 1] * (1.0f / 32768.0f);
  }
  int in = 0;
  for (cIEffectProcessor* effect : mEffects) {
    int out = 1 - in;
    float* inputs[2] = {mBuffers[in][0].data(), mBuffers[in][1].data()};
    float* outputs[2] = {mBuffers[out][0].data(), mBuffers[out][1].data()};
    effect->Process(inputs, outputs, (int32_t)frames);
    in = out;
  }
  for (uint32_t i = 0; i < frames; i++) {
    buffer[2 * i] = mBuffers[in][0][i] * 32768.0f;
    buffer[2 * i + 1] = mBuffers[in][1][i] * 32768.0f;
  }
}

}  // namespace TarnMix
