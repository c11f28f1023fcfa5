// Sample helpers of the mixing layer; loops take four values a step, then the rest.
#pragma once

#include <cstddef>
#include <cstdint>

namespace TarnMix {

void AddFloats(float* dst, const float* src, size_t count, float gain);
void AddMono16ToMono(float* dst, const int16_t* src, size_t count, float gain);
void AddMono16ToStereo(float* dst, const int16_t* src, size_t frames, float gain);
void AddMonoToStereo(float* dst, const float* src, size_t frames, float gain);
void AddStereo16ToStereo(float* dst, const int16_t* src, size_t frames, float gain);
void ScaleFloats(float* buffer, size_t count, float gain);
void ScaleStereo(float* buffer, size_t frames, float left, float right);
float PeakOf(const float* buffer, size_t frames, size_t stride);
// Both channel peaks of an interleaved stereo buffer in one pass.
void StereoPeaks(const float* buffer, size_t frames, float* left, float* right);
// Truncates toward zero and saturates at the 16-bit limits (a loud mix must not wrap).
void FloatTo16(int16_t* dst, const float* src, size_t count);

}  // namespace TarnMix
