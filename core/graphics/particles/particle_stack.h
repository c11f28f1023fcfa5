// The values particle programs work on: vectors of 1 to 4 floats kept on a small stack with byte
// widths and byte indices, the view of one particle record as a stack of its members, the state
// of a running program, and the runner that takes a program's steps one by one. Nothing here
// allocates while a program runs.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class TLuaParticleSystem;
class TParticleFunction;

// Entries are addressed by byte indices: at most 255 of them.
struct TParticleStack {
  static constexpr uint32_t kMaxEntries = 255;

  float* data = nullptr;
  uint8_t* sizes = nullptr;
  // offsets[i] is where entry i starts in data; offsets[i + 1] = offsets[i] + sizes[i].
  uint32_t offsets[kMaxEntries + 1] = {};
  uint32_t count = 0;

  // count = first + n; sizes[first..] = widths; offsets running on from offsets[first]. False
  // (nothing changed) when the entries would not fit.
  bool SetSizes(uint32_t first, const uint8_t* widths, uint32_t n);
  // The floats all entries cover.
  uint32_t Length() const { return offsets[count]; }
};

// What a node sees of the particle being processed: its record as a stack of members in
// allocation order, the elapsed time of this step (0 while particles are created) and the
// alive flag, which a program clears to retire the particle.
struct TParticleContext {
  TParticleStack record;
  uint32_t elapsedMs = 0;
  uint8_t alive = 1;
};

// A running program's view of the working stack. A step's operands are the top operandCount
// entries; whatever the node yields replaces them, so the stack only ever holds the operands of
// the expressions still open.
class TParticleEvalState {
 public:
  static constexpr uint32_t kFloats = 1020;
  // Bound parameters evaluated inside bound parameters: beyond this depth something refers to
  // itself.
  static constexpr int kMaxBoundDepth = 16;

  explicit TParticleEvalState(TLuaParticleSystem* system = nullptr);
  TParticleEvalState(const TParticleEvalState&) = delete;
  TParticleEvalState& operator=(const TParticleEvalState&) = delete;

  // Zeroes the blocks and empties the stack: once per pass over the particles.
  void Reset();
  // Empties the stack without touching the blocks: before each particle's program.
  void Restart();

  // Takes the top n entries as the operands of the next node; false when fewer are there.
  bool Pop(uint32_t n);
  // Yields a value: it takes the place of the current operands (the floats are copied first,
  // so a value may come from the operands themselves). False when the stack is full.
  bool Push(const float* values, uint32_t width);

  uint32_t GetOperandCount() const { return operandCount; }
  const float* Operand(uint32_t j) const { return mData + stack.offsets[base + j]; }
  uint8_t OperandWidth(uint32_t j) const { return mSizes[base + j]; }
  // Component i of operand j; 0 past the operand's width, so a narrower operand never reads
  // what lies behind it.
  float Component(uint32_t j, uint32_t i) const { return i < OperandWidth(j) ? Operand(j)[i] : 0.0f; }

  TLuaParticleSystem* system;
  TParticleStack stack;
  uint8_t base = 0;
  uint8_t top = 0;
  uint8_t operandCount = 0;
  int boundDepth = 0;

 private:
  float mData[kFloats];
  uint8_t mSizes[TParticleStack::kMaxEntries];
};

// One step of a compiled program: a node and how many operands it takes from the stack.
struct TParticleStep {
  std::shared_ptr<TParticleFunction> node;
  uint8_t operands = 0;
};
typedef std::vector<TParticleStep> TParticleProgram;

// Runs the program for one particle from an empty stack; false when a step stopped it (its
// operands were missing or its node failed). Later steps, expiry included, do not run then.
bool RunParticleProgram(const TParticleProgram& program, TParticleContext& context, TParticleEvalState& state);
