// The particle expression nodes. Each computes into a local vector of at most four floats and
// yields it through Push, which puts it where its operands were; nothing here allocates, except
// FDebug's log line.
#include "core/graphics/particles/particle_nodes.h"

#include <cmath>
#include <cstring>

#include "core/base/failure.h"
#include "core/base/log.h"
#include "core/base/saturate.h"
#include "core/graphics/particles/lua_particle_system.h"

namespace {

constexpr uint32_t kMaxComputed = 4;

uint8_t FirstWidth(uint8_t count, const uint8_t* widths) { return count >= 1 && widths ? widths[0] : 0; }

// Truncation toward zero; NaN gives 0 and huge values saturate.
int32_t Trunc(float v) { return SaturateToInt32((double)v); }

bool Yield1(TParticleEvalState& state, float v) { return state.Push(&v, 1); }

// Bound parameter number index of the owning system, evaluated in place of the current step.
bool EvaluateBound(int32_t index, TParticleContext& context, TParticleEvalState& state) {
  TParticleFunction* parameter = state.system ? state.system->GetBoundParameter(index) : nullptr;
  if (!parameter || state.boundDepth >= TParticleEvalState::kMaxBoundDepth) return false;
  ++state.boundDepth;
  bool ok = parameter->Evaluate(context, state);
  --state.boundDepth;
  return ok;
}

// a[i] op b[i] (or b[0] when the second operand is a scalar) over the first operand's width.
template <class Op>
bool Componentwise(TParticleEvalState& state, bool scalarSecond, Op op) {
  if (state.GetOperandCount() != 2) return false;
  uint32_t w = state.OperandWidth(0);
  if (w > kMaxComputed || (scalarSecond && state.OperandWidth(1) != 1)) return false;
  float out[kMaxComputed];
  for (uint32_t i = 0; i < w; ++i) out[i] = op(state.Operand(0)[i], state.Component(1, scalarSecond ? 0 : i));
  return state.Push(out, w);
}

// op(a[i]) over the one operand's width.
template <class Op>
bool EachComponent(TParticleEvalState& state, Op op) {
  if (state.GetOperandCount() != 1 || state.OperandWidth(0) > kMaxComputed) return false;
  uint32_t w = state.OperandWidth(0);
  float out[kMaxComputed];
  for (uint32_t i = 0; i < w; ++i) out[i] = op(state.Operand(0)[i]);
  return state.Push(out, w);
}

// Two scalars compared.
template <class Op>
bool Compare(TParticleEvalState& state, Op op) {
  if (state.GetOperandCount() != 2 || state.OperandWidth(0) != 1 || state.OperandWidth(1) != 1) return false;
  return Yield1(state, op(state.Operand(0)[0], state.Operand(1)[0]) ? 1.0f : 0.0f);
}

}  // namespace

bool FGetParticleParam::Evaluate(TParticleContext& context, TParticleEvalState& state) {
  if (mMember.offset < 0) return EvaluateBound(~(int32_t)mMember.offset, context, state);
  uint32_t at = (uint32_t)mMember.offset & 255;
  // A handle made for a wider record (another system's, in a shared script) reads nothing.
  if (at + mMember.width > context.record.Length()) return false;
  return state.Push(context.record.data + at, mMember.width);
}

uint8_t FAssign::GetResultSize(uint8_t, const uint8_t*) const { return 0; }
bool FAssign::Evaluate(TParticleContext& context, TParticleEvalState& state) {
  if (state.GetOperandCount() != 3) return false;
  int32_t k = Trunc(state.Component(1, 0));
  uint32_t w = state.OperandWidth(0);
  if (k < 0 || (uint64_t)k + w > context.record.Length()) return false;
  const float* value = state.Operand(0);
  for (uint32_t i = 0; i < w; ++i) context.record.data[k + i] = value[i];
  return true;
}

uint8_t FTimeScale::GetResultSize(uint8_t count, const uint8_t* widths) const { return FirstWidth(count, widths); }
bool FTimeScale::Evaluate(TParticleContext& context, TParticleEvalState& state) {
  const float elapsed = (float)context.elapsedMs;
  return EachComponent(state, [elapsed](float v) { return v * elapsed / 1000.0f; });
}

uint8_t FExpire::GetResultSize(uint8_t, const uint8_t*) const { return 1; }
bool FExpire::Evaluate(TParticleContext& context, TParticleEvalState& state) {
  if (state.GetOperandCount() != 1 || state.OperandWidth(0) != 1) return false;
  // NaN counts as set.
  if (!(state.Operand(0)[0] == 0.0f)) {
    context.alive = 0;
    return Yield1(state, 1.0f);
  }
  return Yield1(state, 0.0f);
}

uint8_t FAge::GetResultSize(uint8_t, const uint8_t*) const { return 1; }
bool FAge::Evaluate(TParticleContext& context, TParticleEvalState& state) {
  if (state.GetOperandCount() != 0) return false;
  return Yield1(state, (float)context.elapsedMs);
}

// Says 1 whatever it yields at run time; the compiler has always been told so.
uint8_t FVec::GetResultSize(uint8_t, const uint8_t*) const { return 1; }
bool FVec::Evaluate(TParticleContext&, TParticleEvalState& state) {
  uint32_t n = state.GetOperandCount();
  if (n == 0 || n > kMaxComputed) return false;
  uint32_t available = state.stack.offsets[state.top] - state.stack.offsets[state.base];
  float out[kMaxComputed];
  for (uint32_t i = 0; i < n; ++i) out[i] = i < available ? state.Operand(0)[i] : 0.0f;
  return state.Push(out, n);
}

uint8_t FAdd::GetResultSize(uint8_t count, const uint8_t* widths) const { return FirstWidth(count, widths); }
bool FAdd::Evaluate(TParticleContext&, TParticleEvalState& state) {
  return Componentwise(state, false, [](float a, float b) { return a + b; });
}

uint8_t FSub::GetResultSize(uint8_t count, const uint8_t* widths) const { return FirstWidth(count, widths); }
bool FSub::Evaluate(TParticleContext&, TParticleEvalState& state) {
  return Componentwise(state, false, [](float a, float b) { return a - b; });
}

uint8_t FMul::GetResultSize(uint8_t count, const uint8_t* widths) const { return FirstWidth(count, widths); }
bool FMul::Evaluate(TParticleContext&, TParticleEvalState& state) {
  return Componentwise(state, true, [](float a, float s) { return a * s; });
}

uint8_t FDiv::GetResultSize(uint8_t count, const uint8_t* widths) const { return FirstWidth(count, widths); }
bool FDiv::Evaluate(TParticleContext&, TParticleEvalState& state) {
  return Componentwise(state, true, [](float a, float s) { return a / s; });
}

uint8_t FUnm::GetResultSize(uint8_t count, const uint8_t* widths) const { return FirstWidth(count, widths); }
bool FUnm::Evaluate(TParticleContext&, TParticleEvalState& state) {
  return EachComponent(state, [](float v) { return -v; });
}

uint8_t FLt::GetResultSize(uint8_t, const uint8_t*) const { return 1; }
bool FLt::Evaluate(TParticleContext&, TParticleEvalState& state) {
  return Compare(state, [](float a, float b) { return a < b; });
}

uint8_t FLe::GetResultSize(uint8_t, const uint8_t*) const { return 1; }
bool FLe::Evaluate(TParticleContext&, TParticleEvalState& state) {
  return Compare(state, [](float a, float b) { return a <= b; });
}

uint8_t FVIndex::GetResultSize(uint8_t, const uint8_t*) const { return 1; }
bool FVIndex::Evaluate(TParticleContext&, TParticleEvalState& state) {
  if (state.GetOperandCount() != 2) return false;
  int64_t i = (int64_t)Trunc(state.Component(1, 0)) - 1;
  if (i < 0 || i >= state.OperandWidth(0)) return false;
  return Yield1(state, state.Operand(0)[i]);
}

uint8_t FIndex::GetResultSize(uint8_t, const uint8_t*) const { return 1; }
bool FIndex::Evaluate(TParticleContext& context, TParticleEvalState& state) {
  if (state.GetOperandCount() != 2 || state.OperandWidth(0) != 1 || state.OperandWidth(1) != 1) return false;
  float base = state.Operand(0)[0];
  int32_t k = SaturateToInt32(std::nearbyint((double)state.Operand(1)[0]));
  int32_t i = (int32_t)((uint32_t)k - 1u);
  if (base >= 0.0f) {
    uint32_t index = ((uint32_t)Trunc(base) & 255) + (uint32_t)i;
    if (index >= context.record.Length()) {
      gFailure->Report(TStr::Format("Out of range parameter index [%d]", k).c_str(), __LINE__, __FILE__);
      return false;
    }
    return Yield1(state, context.record.data[index]);
  }
  int32_t number = ~Trunc(base);
  TParticleFunction* parameter = state.system ? state.system->GetBoundParameter(number) : nullptr;
  if (!parameter) return false;
  if ((uint32_t)i >= parameter->GetResultSize(0, nullptr)) {
    gFailure->Report(
        TStr::Format("Out of range parameter index [%d] when indexing %s", k, parameter->name.c_str()).c_str(),
        __LINE__, __FILE__);
    return false;
  }
  state.top = state.base;
  if (!EvaluateBound(number, context, state) || !state.Pop(1)) return false;
  return Yield1(state, state.Component(0, (uint32_t)i));
}

uint8_t FNewIndex::GetResultSize(uint8_t, const uint8_t*) const { return 1; }
bool FNewIndex::Evaluate(TParticleContext& context, TParticleEvalState& state) {
  if (state.GetOperandCount() != 3) return false;
  for (uint32_t j = 0; j < 3; ++j)
    if (state.OperandWidth(j) != 1) return false;
  float k = state.Operand(0)[0];
  if (k < 0.0f) return false;
  int64_t index = (int64_t)Trunc(state.Operand(1)[0]) + (Trunc(k) & 255) - 1;
  if (index < 0 || index >= (int64_t)context.record.Length()) return false;
  float value = state.Operand(2)[0];
  context.record.data[index] = value;
  return Yield1(state, value);
}

uint8_t FRange::GetResultSize(uint8_t count, const uint8_t* widths) const { return FirstWidth(count, widths); }
bool FRange::Evaluate(TParticleContext&, TParticleEvalState& state) {
  if (state.GetOperandCount() != 2) return false;
  uint32_t w = state.OperandWidth(0);
  if (w != state.OperandWidth(1) || w > kMaxComputed) return false;
  float out[kMaxComputed];
  for (uint32_t i = 0; i < w; ++i) {
    float a = state.Operand(0)[i], b = state.Operand(1)[i];
    out[i] = a + (b - a) * ParticleRandomFloat();
  }
  return state.Push(out, w);
}

uint8_t FPick::GetResultSize(uint8_t count, const uint8_t* widths) const { return FirstWidth(count, widths); }
bool FPick::Evaluate(TParticleContext&, TParticleEvalState& state) {
  uint32_t n = state.GetOperandCount();
  if (n == 0) return false;
  uint32_t j = (uint32_t)std::floor(ParticleRandomDouble() * n);
  if (j >= n) j = n - 1;
  return state.Push(state.Operand(j), state.OperandWidth(j));
}

uint8_t FFade::GetResultSize(uint8_t count, const uint8_t* widths) const {
  return count >= 2 && widths ? widths[1] : 0;
}
bool FFade::Evaluate(TParticleContext&, TParticleEvalState& state) {
  uint32_t n = state.GetOperandCount();
  if (n < 2 || state.OperandWidth(1) > kMaxComputed) return false;
  uint32_t w = state.OperandWidth(1);
  float t = state.Component(0, 0);
  if (t < 0.0f) t = 0.0f;
  uint32_t j = 1;
  while (j + 1 < n && state.Component(j + 1, 0) <= t) {
    t -= state.Component(j + 1, 0);
    j += 2;
  }
  float out[kMaxComputed];
  if (j + 2 >= n) {
    // A trailing duration used up as well: hold the value before it.
    if (j >= n) j -= 2;
    for (uint32_t i = 0; i < w; ++i) out[i] = state.Component(j, i);
    return state.Push(out, w);
  }
  float f = t / state.Component(j + 1, 0);
  for (uint32_t i = 0; i < w; ++i) {
    float from = state.Component(j, i);
    out[i] = from + (state.Component(j + 2, i) - from) * f;
  }
  return state.Push(out, w);
}

template <bool Closed>
bool FCycle<Closed>::Evaluate(TParticleContext&, TParticleEvalState& state) {
  if (state.GetOperandCount() != 3 || state.OperandWidth(0) != state.OperandWidth(1)) return false;
  float a = state.Component(0, 0), b = state.Component(1, 0), n = state.Component(2, 0);
  float steps = Closed ? n - 1.0f : n;
  // Fewer points than a cycle needs (or NaN): the cycle stays at its start.
  if (!(steps > 0.0f)) {
    mCounter = 0;
    return Yield1(state, a);
  }
  float t = (float)mCounter / steps;
  bool ok = Yield1(state, a + (b - a) * t);
  ++mCounter;
  if ((float)mCounter >= n) mCounter = 0;
  return ok;
}
template class FCycle<false>;
template class FCycle<true>;

uint8_t FDistance::GetResultSize(uint8_t, const uint8_t*) const { return 1; }
bool FDistance::Evaluate(TParticleContext&, TParticleEvalState& state) {
  if (state.GetOperandCount() != 2) return false;
  float sum = 0.0f;
  for (uint32_t i = 0; i < state.OperandWidth(0); ++i) {
    float d = state.Operand(0)[i] - state.Component(1, i);
    sum += d * d;
  }
  return Yield1(state, std::sqrt(sum));
}

uint8_t FAlpha::GetResultSize(uint8_t, const uint8_t*) const { return 4; }
bool FAlpha::Evaluate(TParticleContext&, TParticleEvalState& state) {
  if (state.GetOperandCount() < 2 || state.OperandWidth(0) < 3) return false;
  const float* c = state.Operand(0);
  float out[4] = {c[0], c[1], c[2], state.Component(1, 0)};
  return state.Push(out, 4);
}

uint8_t F2dRadius::GetResultSize(uint8_t, const uint8_t*) const { return 2; }
bool F2dRadius::Evaluate(TParticleContext&, TParticleEvalState& state) {
  uint32_t n = state.GetOperandCount();
  // The optional second operand is only checked; it does not enter the result.
  if (n < 1 || n > 2 || state.OperandWidth(0) != 1 || (n == 2 && state.OperandWidth(1) != 2)) return false;
  float r = state.Operand(0)[0];
  float theta = 2.0f * 3.1415927f * ParticleRandomFloat();
  float out[2] = {r * std::cos(theta), r * std::sin(theta)};
  return state.Push(out, 2);
}

uint8_t F2dRotation::GetResultSize(uint8_t, const uint8_t*) const { return 2; }
bool F2dRotation::Evaluate(TParticleContext&, TParticleEvalState& state) {
  if (state.GetOperandCount() != 1 || state.OperandWidth(0) != 1) return false;
  float angle = state.Operand(0)[0];
  float out[2] = {std::cos(angle), std::sin(angle)};
  return state.Push(out, 2);
}

uint8_t FDebug::GetResultSize(uint8_t, const uint8_t*) const { return 0; }
bool FDebug::Evaluate(TParticleContext&, TParticleEvalState& state) {
  TStr text;
  for (uint32_t j = 0; j < state.GetOperandCount(); ++j) {
    text += "(";
    for (uint32_t i = 0; i < state.OperandWidth(j); ++i) {
      if (i) text += ",";
      text += TStr::Format("%f", (double)state.Operand(j)[i]);
    }
    text += ") ";
  }
  LogPrintf("Particle Values: %s", text.c_str());
  return true;
}

const TParticleNodeName kParticleOperatorNodes[] = {
    {"assign", &FAssign::Create}, {"lt", &FLt::Create},        {"le", &FLe::Create},
    {"add", &FAdd::Create},       {"unm", &FUnm::Create},      {"mul", &FMul::Create},
    {"div", &FDiv::Create},       {"sub", &FSub::Create},      {"index", &FIndex::Create},
    {"vindex", &FVIndex::Create}, {"newindex", &FNewIndex::Create}, {nullptr, nullptr},
};

const TParticleNodeName kParticleFunctionNodes[] = {
    {"fTimeScale", &FTimeScale::Create},
    {"fAge", &FAge::Create},
    {"fPick", &FPick::Create},
    {"fFade", &FFade::Create},
    {"fOpenCycle", &FOpenCycle::Create},
    {"fClosedCycle", &FClosedCycle::Create},
    {"fAlpha", &FAlpha::Create},
    {"fDebug", &FDebug::Create},
    {"fDistance", &FDistance::Create},
    {"f2dRadius", &F2dRadius::Create},
    {"f2dRotation", &F2dRotation::Create},
    {"fVec", &FVec::Create},
    {"fRange", &FRange::Create},
    {"fExpire", &FExpire::Create},
    {"fLess", &FLt::Create},
    {"fLessEqual", &FLe::Create},
    {nullptr, nullptr},
};
