// The software rasteriser: points, lines and triangles in screen space (Direct3D 7 conventions:
// pixel centres on integer coordinates, top-left fill rule) into a 32-, 24- or 16-bit target,
// through the texture stages, alpha test, z-buffer and blending.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/directx/pixel_format.h"

namespace dx {

// A vertex after transform and lighting: screen position, 1/w, colours as 0..255 floats in the
// order blue, green, red, alpha, texture coordinates.
struct RasterVertex {
  float x, y, z, rhw;
  float diffuse[4];
  float specular[4];
  float u, v;
};

struct TextureLevel {
  const uint32_t* argb;  // width x height, rows packed
  int width, height;
};

struct StageState {
  DWORD colorOp = 1, colorArg1 = 2, colorArg2 = 1, alphaOp = 1, alphaArg1 = 2, alphaArg2 = 1;
};

struct PipelineState {
  // Target and depth buffer.
  uint8_t* target = nullptr;
  LONG targetPitch = 0;
  int targetWidth = 0, targetHeight = 0;
  FormatInfo targetFormat;
  uint8_t* zbuffer = nullptr;
  LONG zPitch = 0;
  int zBytes = 0;
  uint32_t zMax = 0;
  // Drawing rectangle (viewport within the target): [x0, x1) x [y0, y1).
  int clipX0 = 0, clipY0 = 0, clipX1 = 0, clipY1 = 0;
  bool zEnable = false, zWrite = false;
  DWORD zFunc = 4;
  bool alphaTest = false;
  DWORD alphaRef = 0, alphaFunc = 8;
  bool blend = false;
  DWORD srcBlend = 2, dstBlend = 1;
  bool flat = false;
  bool specular = false;
  DWORD textureFactor = 0xFFFFFFFFu;
  StageState stages[2];
  int stageCount = 1;  // stages before the first disabled one
  // Texture of stage 0 (no levels: reads as opaque white).
  std::vector<TextureLevel> levels;
  DWORD magFilter = 2, minFilter = 2, mipFilter = 1, addressU = 1, addressV = 1;
};

// Which drawing paths run: the quicker paths on the widest vector units the processor has (the
// default) or on registers of at most 256 or 128 bits, or the general per-chunk path alone
// (tests compare them).
enum class RasterPath { kWidest, kVector256, kVector128, kGeneral };
void SetRasterPath(RasterPath path);

class Rasterizer {
 public:
  void SetState(const PipelineState* state) { mState = state; }
  void DrawTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c);
  // An axis-aligned rectangle from (tl.x, tl.y) to (br.x, br.y): u follows x only, v follows y
  // only, one colour, one depth; covers the same pixels as its two triangles.
  void DrawRect(const RasterVertex& tl, const RasterVertex& br);
  void DrawLine(const RasterVertex& a, const RasterVertex& b);
  void DrawPoint(const RasterVertex& a);
  // Pixels written so far (for fill-rate figures).
  uint64_t PixelCount() const { return mPixels; }

 private:
  struct Span;
  void RunSpan(const Span& s);
  bool DrawBilinearRows(Span& s, int ys, int ye, double v0, double dvdy, double fy0);

  const PipelineState* mState = nullptr;
  uint64_t mPixels = 0;
  // Scratch of DrawBilinearRows: per pixel the two texel columns and their weight, per row
  // where it samples, and two texel rows filtered across.
  std::vector<int32_t> mColumn0, mColumn1, mRowAt;
  std::vector<uint32_t> mWeight;
  std::vector<uint32_t> mFiltered[2];
};

}  // namespace dx
