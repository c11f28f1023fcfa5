// Reading PCM into the mix.
#include "audio_engine/mix/reader_wave_source.h"

#include "audio_engine/mix/float_ops.h"

namespace TarnMix {

int cReaderWaveSource::Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t) {
  const uint32_t frames = bytes / 8;  // target: stereo 32-bit
  const uint32_t block = mReaderFormat.blockAlign ? mReaderFormat.blockAlign : 4;
  const uint32_t want = frames * block;
  if (mScratch.size() * 2 < want) mScratch.resize((want + 1) / 2);
  uint32_t got = 0;
  mReader->Read(mScratch.data(), want, &got);
  mLastRead = got;
  const uint32_t gotFrames = got / block;
  if (mReaderFormat.channels == 1)
    AddMono16ToStereo((float*)buffer, mScratch.data(), gotFrames, gain);
  else
    AddStereo16ToStereo((float*)buffer, mScratch.data(), gotFrames, gain);
  *rendered = gotFrames * 8;
  return 0;
}

}  // namespace TarnMix
