// TParticleRenderer: how a particle system draws its records. The renderer decides the first
// members of every record: it hands the system a layout script that allocates them and the
// default values a new particle starts with.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/str.h"
#include "core/base/vec3.h"
#include "core/graphics/particles/particle_collection.h"

class TTexture;

class TParticleRenderer {
 public:
  virtual ~TParticleRenderer() {}
  // Draws the live records at the origin; alphaFactor scales every particle's alpha.
  virtual void Draw(const TVec3& origin, float alphaFactor, const TParticleList& live, int32_t capacity) = 0;
  virtual void SetTexture(std::shared_ptr<TTexture> texture) = 0;
  // A named option with up to four values.
  virtual void SetOption(TStr name, const float* values) = 0;
  // The floats copied to the start of every new record, GetParticleSize of them.
  virtual const float* GetDefaultParticle() const = 0;
  virtual uint32_t GetParticleSize() const = 0;
  // Lua text run in the particle script before the effect, allocating the renderer's members.
  virtual TStr GetLayoutScript() const = 0;

  TParticleRenderer() {}
  TParticleRenderer(const TParticleRenderer&) = delete;
  TParticleRenderer& operator=(const TParticleRenderer&) = delete;
};
