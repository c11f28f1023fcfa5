// Mixer output to 16-bit PCM.
#include "audio_engine/mix/wave_source_reader.h"

#include <cstring>

#include "audio_engine/mix/float_ops.h"

namespace TarnMix {

int cWaveSourceReader::Read(void* buffer, uint32_t n, uint32_t* read) {
  const cWaveFormat& mixFormat = mMixer->GetWaveFormat();
  uint64_t need = mixFormat.bytesPerSecond == mFormat.bytesPerSecond
                      ? n
                      : (uint64_t)n * mixFormat.bytesPerSecond / mFormat.bytesPerSecond;
  if (mScratch.size() < need) mScratch.resize(need);
  std::memset(mScratch.data(), 0, need);
  std::memset(buffer, 0, n);
  uint32_t state = kStateStopped;
  SetComingBlockFrames(mFormat.blockAlign ? n / mFormat.blockAlign : 0);
  mMixer->GetState(&state);
  if (state == kStateProducing) {
    uint32_t got = 0;
    mMixer->Render(mScratch.data(), (uint32_t)need, &got, 1.0f, 0);
    if (mixFormat.bytesPerSecond == mFormat.bytesPerSecond)
      std::memcpy(buffer, mScratch.data(), n);
    else
      FloatTo16((int16_t*)buffer, (const float*)mScratch.data(), n / 2);
  } else if (state == kStateStopped && mFormat.blockAlign) {
    mMixer->Advance(n / mFormat.blockAlign);
  }
  SetComingBlockFrames(0);
  *read = n;
  return 0;
}

}  // namespace TarnMix
