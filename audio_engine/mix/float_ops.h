// Sample helpers of the mixing layer; loops take four values a step, then the rest.
#pragma once

#include <cstddef>
#include <cstdint>

namespace TarnMix {

void AddFloats(float* dst, const float* src, size_t count, float gain);
void ScaleFloats(float* buffer, size_t count, float gain);
void ScaleStereo(float* buffer, size_t frames, float left, float right);
float PeakOf(const float* buffer, size_t frames, size_t stride);
// Adds an interleaved stereo buffer into another at a gain and takes its channel peaks (of
// the source, before the gain) in the same pass; gain 0 only takes the peaks.
void AddStereoWithPeaks(float* dst, const float* src, size_t frames, float gain, float* left, float* right);
// Adds 16-bit frames of `channels` channels into interleaved float stereo at a gain (mono into
// both sides; channels beyond two are left out) and gives the channel peaks before the gain.
void AddPcm16ToStereo(float* dst, const int16_t* src, size_t frames, uint32_t channels, float gain, float* left,
                      float* right);
// Truncates toward zero and saturates at the 16-bit limits (a loud mix must not wrap).
void FloatTo16(int16_t* dst, const float* src, size_t count);

}  // namespace TarnMix
