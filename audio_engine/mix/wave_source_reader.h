// cWaveSourceReader: reads 16-bit PCM from a float mixer; every read drives one engine block.
#pragma once

#include <vector>

#include "audio_engine/mix/wave_mixer.h"
#include "audio_engine/reader.h"

namespace TarnMix {

class cWaveSourceReader : public Tarn::cIReader, public cWaveFormatHolder {
 public:
  cWaveSourceReader(cWaveMixer* mixer, const cWaveFormat& outputFormat) : mMixer(mixer) { mFormat = outputFormat; }

  int Open() override { return 0; }
  int Close() override { return 0; }
  // Always delivers the whole count: silence when nothing plays.
  int Read(void* buffer, uint32_t count, uint32_t* read) override;
  int GetSize(uint32_t*) override { return Tarn::kNotSupported; }

 private:
  cWaveMixer* mMixer;
  std::vector<uint8_t> mScratch;  // grown, never shrunk
};

}  // namespace TarnMix
