// Reading PCM into the mix, through libsamplerate when the file's rate is not the mix rate.
#include "audio_engine/mix/reader_wave_source.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>

#include "audio_engine/debug.h"
#include "audio_engine/mix/float_ops.h"

namespace TarnMix {

namespace {
constexpr uint32_t kMixRate = 44100;
constexpr uint32_t kResampleChunk = 1024;  // input frames read at a time
}  // namespace

struct cReaderWaveSource::Resampler {
  SRC_STATE* state = nullptr;
  double ratio = 1.0;             // output frames per input frame
  std::vector<float> input;       // decoded input not yet consumed, interleaved
  size_t inputFrames = 0, inputUsed = 0;
  std::vector<float> output;      // grown only
  bool inputEnded = false;
  ~Resampler() {
    if (state) src_delete(state);
  }
};

cReaderWaveSource::cReaderWaveSource(Tarn::cIReader* reader, const cWaveFormat& readerFormat)
    : mReader(reader), mReaderFormat(readerFormat) {
  if (readerFormat.sampleRate == kMixRate || readerFormat.sampleRate == 0 || readerFormat.channels == 0) return;
  auto r = std::make_unique<Resampler>();
  int error = 0;
  r->state = src_new(SRC_SINC_FASTEST, readerFormat.channels, &error);
  if (!r->state) {
    // Without a converter the file still plays, one sample for one, at the wrong speed.
    Tarn::Log("Audio: no resampler for a %u Hz file (%s); it plays unconverted", readerFormat.sampleRate,
              src_strerror(error));
    return;
  }
  r->ratio = (double)kMixRate / readerFormat.sampleRate;
  mResampler = std::move(r);
}

cReaderWaveSource::~cReaderWaveSource() = default;

void cReaderWaveSource::Restart() {
  mLastRead = 1;
  if (!mResampler) return;
  src_reset(mResampler->state);
  mResampler->inputFrames = mResampler->inputUsed = 0;
  mResampler->inputEnded = false;
}

int cReaderWaveSource::Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t) {
  const uint32_t frames = bytes / 8;  // target: stereo 32-bit
  if (mResampler) {
    uint32_t produced = RenderResampled((float*)buffer, frames, gain);
    mLastRead = produced;
    *rendered = produced * 8;
    return 0;
  }
  const uint32_t channels = mReaderFormat.channels ? mReaderFormat.channels : 2;
  const uint32_t block = mReaderFormat.blockAlign ? mReaderFormat.blockAlign : 4;
  const uint32_t want = frames * block;
  if (mScratch.size() * 2 < want) mScratch.resize((want + 1) / 2);
  uint32_t got = 0;
  mReader->Read(mScratch.data(), want, &got);
  mLastRead = got;
  const uint32_t gotFrames = got / block;
  // The first two channels are left and right (a mono file feeds both); more are not mixed.
  AddPcm16ToStereo((float*)buffer, mScratch.data(), gotFrames, channels, gain, &mPeak[0], &mPeak[1]);
  *rendered = gotFrames * 8;
  return 0;
}

uint32_t cReaderWaveSource::RenderResampled(float* out, uint32_t frames, float gain) {
  Resampler& r = *mResampler;
  const uint32_t channels = mReaderFormat.channels;
  const uint32_t block = mReaderFormat.blockAlign ? mReaderFormat.blockAlign : 2 * channels;
  if (r.output.size() < (size_t)frames * channels) r.output.resize((size_t)frames * channels);
  uint32_t produced = 0;
  while (produced < frames) {
    if (r.inputUsed >= r.inputFrames && !r.inputEnded) {
      uint32_t want = std::max<uint32_t>(kResampleChunk, (uint32_t)((frames - produced) / r.ratio) + 16);
      if (mScratch.size() < (size_t)want * channels) mScratch.resize((size_t)want * channels);
      uint32_t got = 0;
      mReader->Read(mScratch.data(), want * block, &got);
      r.inputFrames = got / block;
      r.inputUsed = 0;
      if (r.input.size() < r.inputFrames * channels) r.input.resize(r.inputFrames * channels);
      src_short_to_float_array(mScratch.data(), r.input.data(), (int)(r.inputFrames * channels));
      if (r.inputFrames == 0) r.inputEnded = true;
    }
    SRC_DATA d{};
    d.data_in = r.input.data() + r.inputUsed * channels;
    d.input_frames = (long)(r.inputFrames - r.inputUsed);
    d.data_out = r.output.data() + (size_t)produced * channels;
    d.output_frames = (long)(frames - produced);
    d.src_ratio = r.ratio;
    d.end_of_input = r.inputEnded ? 1 : 0;
    if (src_process(r.state, &d) != 0) break;
    r.inputUsed += (size_t)d.input_frames_used;
    produced += (uint32_t)d.output_frames_gen;
    if (r.inputEnded && d.output_frames_gen == 0) break;
  }
  // libsamplerate works at +-1; the mix is in 16-bit scale.
  const float g = gain * 32768.0f;
  const size_t right = channels > 1 ? 1 : 0;
  float peaks[2] = {0.0f, 0.0f};
  for (uint32_t i = 0; i < produced; i++) {
    float l = r.output[(size_t)i * channels], rr = r.output[(size_t)i * channels + right];
    out[2 * i] += l * g;
    out[2 * i + 1] += rr * g;
    peaks[0] = std::max(peaks[0], std::fabs(l));
    peaks[1] = std::max(peaks[1], std::fabs(rr));
  }
  mPeak[0] = peaks[0] * 32768.0f;
  mPeak[1] = peaks[1] * 32768.0f;
  return produced;
}

}  // namespace TarnMix
