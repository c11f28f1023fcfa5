// ParticleColor: a colour that native code hands a particle script. Bound to a script global
// (TLuaParticleSystem::BindParameter), it yields its current four floats wherever the script's
// expressions read that global, so the owner can recolour an effect between frames.
#pragma once

#include "core/base/color.h"
#include "core/graphics/particles/particle_function.h"

class ParticleColor : public TParticleNode<ParticleColor> {
 public:
  static constexpr const char* kClassName = "ParticleColor";

  ParticleColor() {}
  explicit ParticleColor(const TColor& colour) : mColour(colour) {}

  void SetColor(const TColor& colour) { mColour = colour; }
  const TColor& GetColor() const { return mColour; }

  uint8_t GetResultSize(uint8_t, const uint8_t*) const override { return 4; }
  bool Evaluate(TParticleContext&, TParticleEvalState& state) override {
    const float value[4] = {mColour.r, mColour.g, mColour.b, mColour.a};
    return state.Push(value, 4);
  }

 private:
  TColor mColour;
};
