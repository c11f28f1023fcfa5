// Decoding a source whole into memory.
#include "core/graphics/sound/mem_data_source.h"

#include <algorithm>
#include <cstring>

#include "core/graphics/sound/sound_manager.h"

TMemDataSource::TMemDataSource(TSoundDataSource& source)
    : mRate(source.GetSampleRate()), mChannels(source.GetChannelCount()), mDuration(source.GetDuration()) {
  // The length is what the header claims; the block keeps what the decoder really gave, so a
  // damaged file never leaves bytes that were not decoded.
  mPcm.resize((size_t)source.GetLength());
  size_t done = 0;
  while (done < mPcm.size()) {
    int chunk = (int)std::min<size_t>(mPcm.size() - done, 1 << 20);
    int got = source.Read(mPcm.data() + done, done, chunk);
    if (got <= 0) break;
    done += (size_t)got;
  }
  mPcm.resize(done);
}

int TMemDataSource::Read(void* buffer, uint64_t position, int count) {
  TSoundManagerLock lock;
  if (count <= 0 || position >= mPcm.size()) return 0;
  size_t n = std::min<size_t>((size_t)count, mPcm.size() - (size_t)position);
  std::memcpy(buffer, mPcm.data() + position, n);
  return (int)n;
}
