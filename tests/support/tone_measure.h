// Measures what a tone came out as in interleaved 16-bit samples: its frequency from the zero
// crossings, a channel's RMS level, and the amplitude of one frequency (Goertzel) for mixes.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace ToneMeasure {

// Rising zero crossings, placed between samples by linear interpolation; 0 when fewer than two.
inline double Frequency(const std::vector<int16_t>& samples, int channels, int channel, double rate) {
  double first = -1, last = -1;
  int crossings = 0;
  size_t frames = samples.size() / channels;
  for (size_t i = 1; i < frames; i++) {
    double a = samples[(i - 1) * channels + channel], b = samples[i * channels + channel];
    if (a < 0 && b >= 0) {
      double at = (i - 1) + (-a) / (b - a);
      if (first < 0) first = at;
      last = at;
      ++crossings;
    }
  }
  if (crossings < 2) return 0.0;
  return (crossings - 1) * rate / (last - first);
}

inline double Rms(const std::vector<int16_t>& samples, int channels, int channel) {
  size_t frames = samples.size() / channels;
  if (frames == 0) return 0.0;
  double sum = 0;
  for (size_t i = 0; i < frames; i++) sum += (double)samples[i * channels + channel] * samples[i * channels + channel];
  return std::sqrt(sum / frames);
}

// The amplitude of a sine of this frequency in the channel, in sample units.
inline double Amplitude(const std::vector<int16_t>& samples, int channels, int channel, double rate,
                        double frequency) {
  size_t frames = samples.size() / channels;
  if (frames == 0) return 0.0;
  double w = 2 * M_PI * frequency / rate, c = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (size_t i = 0; i < frames; i++) {
    double s = samples[i * channels + channel] + c * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  double power = s1 * s1 + s2 * s2 - c * s1 * s2;
  return 2 * std::sqrt(std::max(power, 0.0)) / frames;
}

}  // namespace ToneMeasure
