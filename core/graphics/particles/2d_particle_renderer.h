// T2dParticleRenderer: draws every live particle as a textured, coloured, rotated quad in 2D,
// all of a system's quads in one draw call (batches of 16,383 where 16-bit indices would not
// reach). The vertex and index buffers are shared by every 2D particle renderer: they grow to
// twice what a draw needs and live until the last renderer goes.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/vec2.h"
#include "core/graphics/particles/particle_renderer.h"

class T2dParticleRenderer : public TParticleRenderer {
 public:
  // The record's first floats, as the layout script allocates them.
  enum : uint32_t { kPosition = 0, kUp = 2, kScale = 4, kColor = 5, kFrame = 9, kParticleSize = 10 };
  // Particles per indexed draw: 4 vertices each, all indices below 65,536.
  static constexpr uint32_t kMaxBatch = 16383;

  T2dParticleRenderer();
  ~T2dParticleRenderer() override;

  void Draw(const TVec3& origin, float alphaFactor, const TParticleList& live, int32_t capacity) override;
  // The quad size becomes the texture's size.
  void SetTexture(std::shared_ptr<TTexture> texture) override;
  // "blendmode": values[0] truncated; other names are ignored.
  void SetOption(TStr name, const float* values) override;
  const float* GetDefaultParticle() const override { return mDefault; }
  uint32_t GetParticleSize() const override { return kParticleSize; }
  TStr GetLayoutScript() const override;

  uint32_t GetBlendMode() const { return mBlendMode; }
  TVec2 GetSize() const { return mSize; }
  std::shared_ptr<TTexture> GetTexture() const { return mTexture; }
  bool IsBrokenIndexedVerts() const { return mBrokenIndexedVerts; }

  // The shared buffers, for tests: capacity in vertices, and whether indices exist.
  static uint32_t GetSharedVertexCapacity();
  static bool HasSharedIndices();

 private:
  // Grows the shared buffers for count particles; false when they cannot be had.
  bool EnsureCapacity(uint32_t count);

  uint32_t mBlendMode = 0;
  TVec2 mSize = TVec2(1.0f, 1.0f);
  float mDefault[kParticleSize] = {0, 0, 0, -1, 1, 1, 1, 1, 1, 0};
  std::shared_ptr<TTexture> mTexture;
  bool mBrokenIndexedVerts = false;
};
