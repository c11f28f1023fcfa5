// The node base and the particle generator.
#include "core/graphics/particles/particle_function.h"

#include "core/base/guid.h"
#include "core/base/mersenne_twister.h"

namespace {

std::unique_ptr<TMersenneTwister> gRandom;  // main thread only
int gRandomUsers = 0;                       // main thread only

TMersenneTwister* NewSeededGenerator() {
  uint32_t key[4];
  CreateGuid(key[0], key[1], key[2], key[3]);
  TMersenneTwister* generator = new TMersenneTwister();
  generator->init_by_array(key, 4);
  return generator;
}

}  // namespace

TClassId TParticleFunction::ClassId() {
  static const char token = 0;
  return &token;
}

TMersenneTwister& GetParticleRandom() {
  if (!gRandom) gRandom.reset(NewSeededGenerator());
  return *gRandom;
}

void AcquireParticleRandom() {
  if (gRandomUsers++ == 0 && !gRandom) gRandom.reset(NewSeededGenerator());
}

void ReleaseParticleRandom() {
  if (gRandomUsers > 0 && --gRandomUsers == 0) gRandom.reset();
}

float ParticleRandomFloat() {
  float f = (float)((double)GetParticleRandom().genrand_int32() * (1.0 / 4294967296.0));
  // The largest draws round up to 1 as floats; ranges and angles expect [0, 1).
  return f < 1.0f ? f : 0x1.fffffep-1f;
}

double ParticleRandomDouble() { return GetParticleRandom().genrand_res53(); }
