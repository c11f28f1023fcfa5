// Sample helpers.
#include "audio_engine/mix/float_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

void AddPcm16ToStereo(float* dst, const int16_t* src, size_t frames, uint32_t channels, float gain, float* left,
                      float* right) {
  int32_t l = 0, r = 0;
  if (channels == 1) {
    for (size_t i = 0; i < frames; i++) {
      int32_t a = src[i];
      float v = (float)a * gain;
      dst[2 * i] += v;
      dst[2 * i + 1] += v;
      a = a < 0 ? -a : a;
      l = a > l ? a : l;
    }
    r = l;
  } else if (channels >= 2) {
    // Integer magnitudes have no NaN: the maximum vectorises with the conversion.
    for (size_t i = 0; i < frames; i++) {
      int32_t a = src[i * channels], b = src[i * channels + 1];
      dst[2 * i] += (float)a * gain;
      dst[2 * i + 1] += (float)b * gain;
      a = a < 0 ? -a : a;
      b = b < 0 ? -b : b;
      l = a > l ? a : l;
      r = b > r ? b : r;
    }
  }
  *left = (float)l;
  *right = (float)r;
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

namespace {
// Four floats at a time (left, right, left, right) with the compiler's vector types: the
// magnitude is the value with its sign bit cleared, and the running maximum is a lane-wise
// select, so no ordered compare stops the loop from vectorising (a NaN is never the max).
typedef float v4f __attribute__((vector_size(16)));
typedef int32_t v4i __attribute__((vector_size(16)));
inline v4f Load(const float* p) {
  v4f v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store(float* p, v4f v) { std::memcpy(p, &v, sizeof v); }
inline float MaxAbs(float a, float v) {
  float m = v < 0.0f ? -v : v;
  return m > a ? m : a;
}
}  // namespace

void AddStereoWithPeaks(float* dst, const float* src, size_t frames, float gain, float* left, float* right) {
  const size_t n = frames * 2;
  const bool add = dst && gain != 0.0f;
  const v4i mask = {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF};
  const v4f g = {gain, gain, gain, gain};
  v4f peak = {0.0f, 0.0f, 0.0f, 0.0f};
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    v4f x = Load(src + i);
    v4f magnitude = (v4f)((v4i)x & mask);
    peak = magnitude > peak ? magnitude : peak;
    if (add) Store(dst + i, Load(dst + i) + x * g);
  }
  float l = peak[0] > peak[2] ? peak[0] : peak[2];
  float r = peak[1] > peak[3] ? peak[1] : peak[3];
  for (; i + 2 <= n; i += 2) {
    l = MaxAbs(l, src[i]);
    r = MaxAbs(r, src[i + 1]);
    if (add) {
      dst[i] += src[i] * gain;
      dst[i + 1] += src[i + 1] * gain;
    }
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
