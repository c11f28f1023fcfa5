// cReaderWaveSource: 16-bit PCM from a reader added into the float mix. Files at the mix rate
// go one sample for one; any other rate is resampled to 44,100 Hz as it is read.
#pragma once

#include <memory>
#include <vector>

#include "audio_engine/mix/wave_format.h"
#include "audio_engine/mix/wave_source.h"
#include "audio_engine/reader.h"

namespace TarnMix {

class cReaderWaveSource : public cIWaveSource {
 public:
  cReaderWaveSource(Tarn::cIReader* reader, const cWaveFormat& readerFormat);
  ~cReaderWaveSource() override;

  int Reset() override { return 0; }
  int GetState(uint32_t* state) override {
    *state = mLastRead > 0 ? kStateProducing : kStateStopped;
    return 0;
  }
  int Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t reserved) override;
  int GetLevel(float*, uint32_t) override { return 3; }
  int Advance(uint32_t) override { return 0; }

  bool MetersItself() const override { return true; }
  void GetBlockPeaks(float* left, float* right) const override {
    *left = mPeak[0];
    *right = mPeak[1];
  }

  // The reader was repositioned: what the resampler still holds belongs to the old place.
  void Restart();

 private:
  struct Resampler;
  uint32_t RenderResampled(float* out, uint32_t frames, float gain);

  Tarn::cIReader* mReader;  // not owned
  cWaveFormat mReaderFormat;
  std::vector<int16_t> mScratch;  // grown only
  uint32_t mLastRead = 1;
  float mPeak[2] = {0.0f, 0.0f};  // of the last render, before its gain
  std::unique_ptr<Resampler> mResampler;
};

}  // namespace TarnMix
