// The particle value stack, the evaluation state and the program runner.
#include "core/graphics/particles/particle_stack.h"

#include <cstring>

#include "core/graphics/particles/particle_function.h"

bool TParticleStack::SetSizes(uint32_t first, const uint8_t* widths, uint32_t n) {
  if (first > count || first + n > kMaxEntries) return false;
  count = first + n;
  if (n) std::memcpy(sizes + first, widths, n);
  for (uint32_t i = first; i < first + n; ++i) offsets[i + 1] = offsets[i] + sizes[i];
  return true;
}

TParticleEvalState::TParticleEvalState(TLuaParticleSystem* owner) : system(owner) {
  stack.data = mData;
  stack.sizes = mSizes;
  Reset();
}

void TParticleEvalState::Reset() {
  std::memset(mData, 0, sizeof mData);
  std::memset(mSizes, 0, sizeof mSizes);
  Restart();
}

void TParticleEvalState::Restart() {
  stack.count = 0;
  stack.offsets[0] = 0;
  base = top = operandCount = 0;
  boundDepth = 0;
}

bool TParticleEvalState::Pop(uint32_t n) {
  if (top < n) return false;
  base = (uint8_t)(top - n);
  operandCount = (uint8_t)n;
  return true;
}

bool TParticleEvalState::Push(const float* values, uint32_t width) {
  uint32_t at = base;
  if (at >= TParticleStack::kMaxEntries || width > 255 || width > kFloats - stack.offsets[at]) return false;
  mSizes[at] = (uint8_t)width;
  stack.offsets[at + 1] = stack.offsets[at] + width;
  // Forward float by float: a value taken from the operands lies at or after its destination,
  // and float-sized stores let the next node's loads forward from them.
  float* to = mData + stack.offsets[at];
  for (uint32_t i = 0; i < width; ++i) to[i] = values[i];
  stack.count = at + 1;
  top = (uint8_t)(at + 1);
  base = top;
  return true;
}

bool RunParticleProgram(const TParticleProgram& program, TParticleContext& context, TParticleEvalState& state) {
  state.Restart();
  for (const TParticleStep& step : program) {
    if (!state.Pop(step.operands)) return false;
    if (!step.node->Evaluate(context, state)) return false;
    state.top = state.base;
  }
  return true;
}
