// TMemDataSource: a sound decoded once, whole, into memory (short sounds played often).
#pragma once

#include <vector>

#include "core/graphics/sound/sound_data_source.h"

class TMemDataSource : public TSoundDataSource {
 public:
  // Decodes the whole source from position 0.
  explicit TMemDataSource(TSoundDataSource& source);

  int Read(void* buffer, uint64_t position, int count) override;
  uint64_t GetLength() override { return mPcm.size(); }
  int GetSampleRate() override { return mRate; }
  int GetChannelCount() override { return mChannels; }
  double GetDuration() override { return mDuration; }

 private:
  std::vector<uint8_t> mPcm;
  int mRate = 0;
  int mChannels = 0;
  double mDuration = 0.0;
};
