// cReaderWaveSource: 16-bit PCM from a reader added into the float mix, one sample for one.
#pragma once

#include <vector>

#include "audio_engine/mix/wave_format.h"
#include "audio_engine/mix/wave_source.h"
#include "audio_engine/reader.h"

namespace TarnMix {

class cReaderWaveSource : public cIWaveSource {
 public:
  cReaderWaveSource(Tarn::cIReader* reader, const cWaveFormat& readerFormat)
      : mReader(reader), mReaderFormat(readerFormat) {}

  int Reset() override { return 0; }
  int GetState(uint32_t* state) override {
    *state = mLastRead > 0 ? kStateProducing : kStateStopped;
    return 0;
  }
  int Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t reserved) override;
  int GetLevel(float*, uint32_t) override { return 3; }
  int Advance(uint32_t) override { return 0; }

 private:
  Tarn::cIReader* mReader;  // not owned
  cWaveFormat mReaderFormat;
  std::vector<int16_t> mScratch;  // grown only
  uint32_t mLastRead = 1;
};

}  // namespace TarnMix
