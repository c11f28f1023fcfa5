// The particle expression nodes, one small class each. Operands are the top entries of the value
// stack (operand 0 deepest); a node that finds the wrong operand count or width fails without a
// message, which stops the particle's program for this run. Widths of computed values are at
// most 4 floats; wider operands fail the nodes that compute per component.
#pragma once

#include <cstdint>

#include "core/base/vec2.h"
#include "core/base/vec3.h"
#include "core/base/vec4.h"
#include "core/graphics/particles/particle_function.h"

// A particle member (or, with a negative offset o, bound parameter number ~o): offset in floats
// into the record and width, packed into the 32 bits scripts carry in a boxed pointer.
struct TParticleMember {
  int16_t offset = 0;
  uint16_t width = 0;

  uint32_t Pack() const { return (uint32_t)(uint16_t)offset | (uint32_t)width << 16; }
  static TParticleMember Unpack(uint32_t packed) {
    TParticleMember m;
    m.offset = (int16_t)(uint16_t)packed;
    m.width = (uint16_t)(packed >> 16);
    return m;
  }
};

template <class V>
struct TParticleValueTraits;
template <>
struct TParticleValueTraits<float> {
  static constexpr const char* kName = "FPush<float>";
  static constexpr uint8_t kWidth = 1;
};
template <>
struct TParticleValueTraits<TVec2> {
  static constexpr const char* kName = "FPush<TVec2>";
  static constexpr uint8_t kWidth = 2;
};
template <>
struct TParticleValueTraits<TVec3> {
  static constexpr const char* kName = "FPush<TVec3>";
  static constexpr uint8_t kWidth = 3;
};
template <>
struct TParticleValueTraits<TVec4> {
  static constexpr const char* kName = "FPush<TVec4>";
  static constexpr uint8_t kWidth = 4;
};

// A constant.
template <class V>
class FPush : public TParticleNode<FPush<V>> {
 public:
  static constexpr const char* kClassName = TParticleValueTraits<V>::kName;
  FPush() {}
  explicit FPush(const V& value) : mValue(value) {}
  uint8_t GetResultSize(uint8_t, const uint8_t*) const override { return TParticleValueTraits<V>::kWidth; }
  bool Evaluate(TParticleContext&, TParticleEvalState& state) override {
    return state.Push(reinterpret_cast<const float*>(&mValue), TParticleValueTraits<V>::kWidth);
  }
  const V& GetValue() const { return mValue; }

 private:
  V mValue{};
};

// A member of the particle's record, or a bound parameter of the system.
class FGetParticleParam : public TParticleNode<FGetParticleParam> {
 public:
  static constexpr const char* kClassName = "FGetParticleParam";
  FGetParticleParam() {}
  explicit FGetParticleParam(TParticleMember member) : mMember(member) {}
  uint8_t GetResultSize(uint8_t, const uint8_t*) const override { return (uint8_t)mMember.width; }
  bool Evaluate(TParticleContext& context, TParticleEvalState& state) override;
  TParticleMember GetMember() const { return mMember; }

 private:
  TParticleMember mMember;
};

#define ORVELLA_PARTICLE_NODE(Class, Name)                                          \
  class Class : public TParticleNode<Class> {                                       \
   public:                                                                          \
    static constexpr const char* kClassName = Name;                                 \
    uint8_t GetResultSize(uint8_t operandCount, const uint8_t* widths) const override; \
    bool Evaluate(TParticleContext& context, TParticleEvalState& state) override;   \
  }

ORVELLA_PARTICLE_NODE(FAssign, "FAssign");
ORVELLA_PARTICLE_NODE(FTimeScale, "FTimeScale");
ORVELLA_PARTICLE_NODE(FExpire, "FExpire");
ORVELLA_PARTICLE_NODE(FAge, "FAge");
ORVELLA_PARTICLE_NODE(FVec, "FVec");
ORVELLA_PARTICLE_NODE(FAdd, "FAdd");
ORVELLA_PARTICLE_NODE(FSub, "FSub");
ORVELLA_PARTICLE_NODE(FMul, "FMul");
ORVELLA_PARTICLE_NODE(FDiv, "FDiv");
ORVELLA_PARTICLE_NODE(FUnm, "FUnm");
ORVELLA_PARTICLE_NODE(FLt, "FLt");
ORVELLA_PARTICLE_NODE(FLe, "FLe");
ORVELLA_PARTICLE_NODE(FVIndex, "FVIndex");
ORVELLA_PARTICLE_NODE(FIndex, "FIndex");
ORVELLA_PARTICLE_NODE(FNewIndex, "FNewIndex");
ORVELLA_PARTICLE_NODE(FRange, "FRange");
ORVELLA_PARTICLE_NODE(FPick, "FPick");
ORVELLA_PARTICLE_NODE(FFade, "FFade");
ORVELLA_PARTICLE_NODE(FDistance, "FDistance");
ORVELLA_PARTICLE_NODE(FAlpha, "FAlpha");
ORVELLA_PARTICLE_NODE(F2dRadius, "F2dRadius");
ORVELLA_PARTICLE_NODE(F2dRotation, "F2dRotation");
ORVELLA_PARTICLE_NODE(FDebug, "FDebug");

#undef ORVELLA_PARTICLE_NODE

// n evenly spaced points from a towards b, one per evaluation, shared by every particle the step
// processes; closed cycles reach b, open ones stop short of it.
template <bool Closed>
class FCycle : public TParticleNode<FCycle<Closed>> {
 public:
  static constexpr const char* kClassName = Closed ? "FClosedCycle" : "FOpenCycle";
  uint8_t GetResultSize(uint8_t, const uint8_t*) const override { return 1; }
  bool Evaluate(TParticleContext& context, TParticleEvalState& state) override;
  uint32_t GetCounter() const { return mCounter; }

 private:
  uint32_t mCounter = 0;
};
typedef FCycle<false> FOpenCycle;
typedef FCycle<true> FClosedCycle;

// The nodes scripts create by name: the operators of the value metatables, then the expression
// functions in the order they are registered. Null-terminated.
struct TParticleNodeName {
  const char* name;
  TParticleFactory factory;
};
extern const TParticleNodeName kParticleOperatorNodes[];
extern const TParticleNodeName kParticleFunctionNodes[];
