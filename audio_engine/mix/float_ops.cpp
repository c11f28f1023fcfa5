// Sample helpers.
#include "audio_engine/mix/float_ops.h"

#include <algorithm>
#include <cmath>

namespace TarnMix {

void AddFloats(float* dst, const float* src, size_t count, float gain) {
  if (gain == 0.0f) return;
  size_t i = 0;
  if (gain == 1.0f) {
    for (; i + 4 <= count; i += 4) {
      dst[i] += src[i];
      dst[i + 1] += src[i + 1];
      dst[i + 2] += src[i + 2];
      dst[i + 3] += src[i + 3];
    }
    for (; i < count; i++) dst[i] += src[i];
    return;
  }
  for (; i + 4 <= count; i += 4) {
    dst[i] += src[i] * gain;
    dst[i + 1] += src[i + 1] * gain;
    dst[i + 2] += src[i + 2] * gain;
    dst[i + 3] += src[i + 3] * gain;
  }
  for (; i < count; i++) dst[i] += src[i] * gain;
}

// A gain of 0 adds nothing, as in the float routine (never clears the destination).
void AddMono16ToMono(float* dst, const int16_t* src, size_t count, float gain) {
  if (gain == 0.0f) return;
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    dst[i] += src[i] * gain;
    dst[i + 1] += src[i + 1] * gain;
    dst[i + 2] += src[i + 2] * gain;
    dst[i + 3] += src[i + 3] * gain;
  }
  for (; i < count; i++) dst[i] += src[i] * gain;
}

void AddMono16ToStereo(float* dst, const int16_t* src, size_t frames, float gain) {
  if (gain == 0.0f) return;
  for (size_t i = 0; i < frames; i++) {
    float v = src[i] * gain;
    dst[2 * i] += v;
    dst[2 * i + 1] += v;
  }
}

void AddMonoToStereo(float* dst, const float* src, size_t frames, float gain) {
  if (gain == 0.0f) return;
  for (size_t i = 0; i < frames; i++) {
    float v = src[i] * gain;
    dst[2 * i] += v;
    dst[2 * i + 1] += v;
  }
}

void AddStereo16ToStereo(float* dst, const int16_t* src, size_t frames, float gain) {
  AddMono16ToMono(dst, src, frames * 2, gain);
}

void ScaleFloats(float* buffer, size_t count, float gain) {
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    buffer[i] *= gain;
    buffer[i + 1] *= gain;
    buffer[i + 2] *= gain;
    buffer[i + 3] *= gain;
  }
  for (; i < count; i++) buffer[i] *= gain;
}

void ScaleStereo(float* buffer, size_t frames, float left, float right) {
  if (left == right) {
    ScaleFloats(buffer, frames * 2, left);
    return;
  }
  for (size_t i = 0; i < frames; i++) {
    buffer[2 * i] *= left;
    buffer[2 * i + 1] *= right;
  }
}

float PeakOf(const float* buffer, size_t frames, size_t stride) {
  float peak = 0.0f;
  for (size_t i = 0; i < frames; i++) {
    float v = std::fabs(buffer[i * stride]);
    if (v > peak) peak = v;
  }
  return peak;
}

void StereoPeaks(const float* buffer, size_t frames, float* left, float* right) {
  float l = 0.0f, r = 0.0f;
  for (size_t i = 0; i < frames; i++) {
    l = std::max(l, std::fabs(buffer[2 * i]));
    r = std::max(r, std::fabs(buffer[2 * i + 1]));
  }
  *left = l;
  *right = r;
}

void FloatTo16(int16_t* dst, const float* src, size_t count) {
  for (size_t i = 0; i < count; i++) {
    float v = src[i];
    int s;
    if (v >= 32767.0f) s = 32767;
    else if (v <= -32768.0f) s = -32768;
    else if (v != v) s = 0;
    else s = (int)v;  // toward zero
    dst[i] = (int16_t)s;
  }
}

}  // namespace TarnMix
