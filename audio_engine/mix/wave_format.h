// The wave format record and its holders.
#pragma once

#include <cstdint>

namespace TarnMix {

struct cWaveFormat {
  uint16_t formatTag = 1;  // 1 PCM, 3 IEEE float
  uint16_t channels = 2;
  uint32_t sampleRate = 44100;
  uint32_t bytesPerSecond = 176400;
  uint16_t blockAlign = 4;
  uint16_t bitsPerSample = 16;
  uint16_t extraSize = 0;
};

inline cWaveFormat MakeWaveFormat(uint16_t channels, uint32_t rate, uint16_t bits, uint16_t tag) {
  cWaveFormat f;
  f.formatTag = tag;
  f.channels = channels;
  f.sampleRate = rate;
  f.blockAlign = (uint16_t)(channels * bits / 8);
  f.bytesPerSecond = rate * f.blockAlign;
  f.bitsPerSample = bits;
  f.extraSize = 0;
  return f;
}

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;

// The output format: PCM, 2 channels, 44100 Hz, 16 bits.
inline cWaveFormat OutputFormat() { return MakeWaveFormat(2, 44100, 16, kFormatPcm); }

class cIWaveFormatHolder {
 public:
  virtual ~cIWaveFormatHolder() = default;
  virtual int SetWaveFormat(const cWaveFormat& format) = 0;
  virtual int GetWaveFormat(cWaveFormat* format) const = 0;
  virtual const cWaveFormat& GetWaveFormat() const = 0;
};

class cWaveFormatHolder : public virtual cIWaveFormatHolder {
 public:
  int SetWaveFormat(const cWaveFormat& format) override {
    mFormat = format;
    return 0;
  }
  int GetWaveFormat(cWaveFormat* format) const override {
    *format = mFormat;
    return 0;
  }
  const cWaveFormat& GetWaveFormat() const override { return mFormat; }

 protected:
  cWaveFormat mFormat;
};

}  // namespace TarnMix
