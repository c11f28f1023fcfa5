// Row kernels of the rasteriser's bilinear rectangle path, in three builds: SSE2 (every x86-64),
// AVX2 and AVX-512, picked at run time. Each gives exactly the sums of the per-pixel formulas in
// rasterizer.cpp (Lerp, Bilinear, the rounded division by 255 of the blend).
#pragma once

#include <cstdint>

namespace dx {

struct RowKernels {
  // out[i] = Lerp(row[i], row[i + 1], fx): one texel a pixel, every texel inside the row.
  void (*lerpRun)(uint32_t* out, const uint32_t* row, uint32_t fx, int n);
  // out[i] = Lerp(line[at[i]], line[at[i] + 1], fx[i] & 0xFF), each at[i] 0 or 1 above at[i - 1]
  // and at[i] + 1 below `limit', the texels the line has; fx[i] holds the weight in each byte.
  void (*lerpSteps)(uint32_t* out, const uint32_t* line, int limit, const int32_t* at, const uint32_t* fx, int n);
  // out[i] = Lerp(row[x0[i]], row[x1[i]], fx[i] & 0xFF).
  void (*lerpGather)(uint32_t* out, const uint32_t* row, const int32_t* x0, const int32_t* x1,
                     const uint32_t* fx, int n);
  // dst[i] = blend of c x Lerp(top[i], bottom[i], fy) over dst[i], source alpha and its
  // complement; bottom is unused when fy is 0, and c white skips the modulation.
  void (*blendRow)(uint32_t* dst, const uint32_t* top, const uint32_t* bottom, uint32_t fy, uint32_t c, int n);
  // dst[i] = c x Lerp(top[i], bottom[i], fy) where its alpha is above `above' (-1: always).
  void (*writeRow)(uint32_t* dst, const uint32_t* top, const uint32_t* bottom, uint32_t fy, uint32_t c,
                   int above, int n);
};

// The widest kernels the processor runs on registers of at most `bits' (128: SSE2, 256: AVX2,
// 512: AVX-512).
const RowKernels& GetRowKernels(int bits);

}  // namespace dx
