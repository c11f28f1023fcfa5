// TParticleFunction: one node of a compiled particle expression. The particle system compiles
// the expression trees a particle script builds into flat programs of steps, each step a node;
// every frame the program runs once per live particle over the value stack. Also the random
// numbers the nodes and the particle scripts draw from.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/asset.h"
#include "core/base/str.h"
#include "core/graphics/particles/particle_stack.h"

class TMersenneTwister;

class TParticleFunction {
 public:
  TParticleFunction() {}
  virtual ~TParticleFunction() {}
  TParticleFunction(const TParticleFunction&) = delete;
  TParticleFunction& operator=(const TParticleFunction&) = delete;

  static TClassId ClassId();
  virtual const char* GetClassName() const { return "TParticleFunction"; }
  virtual bool IsKindOf(TClassId id) const { return id == ClassId(); }
  virtual void Prepare() {}
  // The width of what the node yields for operands of these widths (compile time, and the
  // width of a bound parameter for no operands).
  virtual uint8_t GetResultSize(uint8_t operandCount, const uint8_t* widths) const = 0;
  // Runs the node over its operands (the state's top entries); false stops this particle's
  // program for this run.
  virtual bool Evaluate(TParticleContext& context, TParticleEvalState& state) = 0;

  // Empty for nodes a script built; the global's name for bound parameters (for messages).
  TStr name;
};

typedef std::shared_ptr<TParticleFunction> (*TParticleFactory)();

// The class boilerplate of a node: identity, class name, factory.
template <class T>
class TParticleNode : public TParticleFunction {
 public:
  static TClassId ClassId() {
    static const char token = 0;
    return &token;
  }
  static std::shared_ptr<TParticleFunction> Create() { return std::make_shared<T>(); }
  const char* GetClassName() const override { return T::kClassName; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TParticleFunction::IsKindOf(id); }
};

// The generator all particle systems share: made (seeded from a new GUID) with the first live
// system and deleted with the last. Nodes evaluated with no system alive get one of their own.
TMersenneTwister& GetParticleRandom();
void AcquireParticleRandom();
void ReleaseParticleRandom();
// genrand_int32 x 2^-32 as a float, kept below 1 where the rounding would reach it.
float ParticleRandomFloat();
// One genrand_res53.
double ParticleRandomDouble();
