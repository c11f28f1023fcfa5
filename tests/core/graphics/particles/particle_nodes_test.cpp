// The particle nodes over a hand-built value stack: a table of every node's results and
// failures (operand counts and widths), keyframe fades, cycles, record reads and writes that
// stay inside the record, and the two messages the index node reports.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/base/mersenne_twister.h"
#include "core/graphics/particles/particle_nodes.h"
#include "tests/core/base/file_fixture.h"

namespace {

typedef std::vector<float> Value;

// A record of members with widths 2, 2, 1, 3 (8 floats) holding 10, 11, ... 17.
struct Record {
  float floats[8];
  uint8_t widths[4] = {2, 2, 1, 3};
  uint8_t sizes[4];
  TParticleContext context;
  Record() {
    for (int i = 0; i < 8; ++i) floats[i] = 10.0f + (float)i;
    context.record.data = floats;
    context.record.sizes = sizes;
    context.record.SetSizes(0, widths, 4);
    context.elapsedMs = 250;
  }
};

// Pushes the operands as earlier steps would, runs the node, and returns what it yielded: an
// empty optional when it failed, an empty value when it succeeded without yielding.
std::optional<Value> Eval(TParticleFunction& node, const std::vector<Value>& operands, TParticleContext& context,
                          TParticleEvalState& state) {
  state.Reset();
  for (const Value& v : operands) {
    state.Pop(0);
    EXPECT_TRUE(state.Push(v.data(), (uint32_t)v.size()));
    state.top = state.base;
  }
  EXPECT_TRUE(state.Pop((uint32_t)operands.size()));
  uint32_t first = state.base;
  state.stack.count = 0xFFFF;  // Push sets it: tells a yield from none
  if (!node.Evaluate(context, state)) return std::nullopt;
  if (state.stack.count == 0xFFFF) return Value();
  EXPECT_EQ(state.top, first + 1);
  const float* p = state.stack.data + state.stack.offsets[first];
  return Value(p, p + state.stack.sizes[first]);
}

std::optional<Value> Eval(TParticleFunction& node, const std::vector<Value>& operands) {
  Record r;
  TParticleEvalState state;
  return Eval(node, operands, r.context, state);
}

std::string Show(const std::optional<Value>& v) {
  if (!v) return "fails";
  std::string s = "(";
  for (size_t i = 0; i < v->size(); ++i) s += (i ? "," : "") + std::to_string((*v)[i]).substr(0, 6);
  return s + ")";
}

TEST(ParticleNodes, EveryNodeYieldsOrFailsAsItsOperandsAsk) {
  const std::optional<Value> fails;
  const struct {
    const char* what;
    TParticleFactory factory;
    std::vector<Value> operands;
    std::optional<Value> expected;
  } cases[] = {
      {"add over the first operand's width", &FAdd::Create, {{1, 2}, {10, 20}}, Value{11, 22}},
      {"add reads a narrower second operand as zeros", &FAdd::Create, {{1, 2, 3}, {10}}, Value{11, 2, 3}},
      {"add with one operand", &FAdd::Create, {{1}}, fails},
      {"add of five-float values", &FAdd::Create, {{1, 2, 3, 4, 5}, {1, 2, 3, 4, 5}}, fails},
      {"sub", &FSub::Create, {{5, 5}, {1, 2}}, Value{4, 3}},
      {"mul by a trailing scalar", &FMul::Create, {{1, 2}, {3}}, Value{3, 6}},
      {"mul with the scalar first (2 * v)", &FMul::Create, {{2}, {1, 2}}, fails},
      {"div by a trailing scalar", &FDiv::Create, {{3, 6}, {3}}, Value{1, 2}},
      {"div with the scalar first", &FDiv::Create, {{2}, {1, 2}}, fails},
      {"unm", &FUnm::Create, {{1, -2}}, Value{-1, 2}},
      {"unm with two operands", &FUnm::Create, {{1}, {2}}, fails},
      {"lt true", &FLt::Create, {{1}, {2}}, Value{1}},
      {"lt of NaN", &FLt::Create, {{NAN}, {2}}, Value{0}},
      {"lt of vectors", &FLt::Create, {{1, 1}, {2}}, fails},
      {"le equal", &FLe::Create, {{2}, {2}}, Value{1}},
      {"le false", &FLe::Create, {{3}, {2}}, Value{0}},
      {"vindex is 1-based", &FVIndex::Create, {{5, 6, 7}, {2}}, Value{6}},
      {"vindex 0", &FVIndex::Create, {{5, 6, 7}, {0}}, fails},
      {"vindex past the width", &FVIndex::Create, {{5, 6, 7}, {4}}, fails},
      {"fVec of two scalars yields width 2", &FVec::Create, {{1}, {2}}, Value{1, 2}},
      {"fVec of nothing", &FVec::Create, {}, fails},
      {"fVec of five", &FVec::Create, {{1}, {2}, {3}, {4}, {5}}, fails},
      {"fTimeScale per second to this step", &FTimeScale::Create, {{4, -8}}, Value{1, -2}},
      {"fAge is the step's time", &FAge::Create, {}, Value{250}},
      {"fAge with an operand", &FAge::Create, {{1}}, fails},
      {"fExpire(0)", &FExpire::Create, {{0}}, Value{0}},
      {"fExpire(2)", &FExpire::Create, {{2}}, Value{1}},
      {"fExpire of a vector", &FExpire::Create, {{1, 1}}, fails},
      {"fDistance", &FDistance::Create, {{0, 0}, {3, 4}}, Value{5}},
      {"fAlpha", &FAlpha::Create, {{0.1f, 0.2f, 0.3f, 0.9f}, {0.5f}}, Value{0.1f, 0.2f, 0.3f, 0.5f}},
      {"fAlpha of a two-float colour", &FAlpha::Create, {{0.1f, 0.2f}, {0.5f}}, fails},
      {"fAlpha without alpha", &FAlpha::Create, {{0.1f, 0.2f, 0.3f}}, fails},
      {"f2dRotation", &F2dRotation::Create, {{0}}, Value{1, 0}},
      {"f2dRotation of a vector", &F2dRotation::Create, {{0, 1}}, fails},
      {"f2dRadius with a wrong second width", &F2dRadius::Create, {{1}, {1}}, fails},
      {"fRange of unequal widths", &FRange::Create, {{0}, {1, 1}}, fails},
      {"fPick of nothing", &FPick::Create, {}, fails},
      {"fOpenCycle of unequal widths", &FOpenCycle::Create, {{0}, {1, 1}, {4}}, fails},
      {"fDebug yields nothing", &FDebug::Create, {{1}}, Value{}},
  };
  for (const auto& c : cases) {
    std::shared_ptr<TParticleFunction> node = c.factory();
    EXPECT_EQ(Show(Eval(*node, c.operands)), Show(c.expected)) << c.what << " (" << node->GetClassName() << ")";
  }
}

TEST(ParticleNodes, ResultSizesFollowTheOperands) {
  const uint8_t widths[3] = {3, 2, 1};
  EXPECT_EQ(FAdd().GetResultSize(2, widths), 3);
  EXPECT_EQ(FFade().GetResultSize(3, widths), 2);
  EXPECT_EQ(FVec().GetResultSize(2, widths), 1);  // whatever it yields at run time
  EXPECT_EQ(FAlpha().GetResultSize(2, widths), 4);
  EXPECT_EQ(FAssign().GetResultSize(3, widths), 0);
  EXPECT_EQ(FPush<TVec3>(TVec3(1, 2, 3)).GetResultSize(0, nullptr), 3);
  EXPECT_TRUE(FFade().IsKindOf(FFade::ClassId()));
  EXPECT_TRUE(FFade().IsKindOf(TParticleFunction::ClassId()));
  EXPECT_FALSE(FFade().IsKindOf(FAdd::ClassId()));
  EXPECT_STREQ(FClosedCycle().GetClassName(), "FClosedCycle");
}

TEST(ParticleNodes, FadeWalksItsKeyframes) {
  const Value a = {0, 10}, b = {4, 30}, c = {8, 20};
  const struct {
    std::vector<Value> operands;
    Value expected;
  } cases[] = {
      {{{7}, a}, a},                                  // no durations: hold
      {{{-1}, a, {2}, b}, a},                         // before the start
      {{{1}, a, {2}, b}, {2, 20}},                    // midpoint
      {{{5}, a, {2}, b}, b},                          // past the end: hold the last
      {{{1}, a, {2}, b, {3}}, {2, 20}},               // a trailing duration
      {{{3}, a, {2}, b, {3}}, b},                     // inside the trailing duration
      {{{9}, a, {2}, b, {3}}, b},                     // past the trailing duration
      {{{3}, a, {2}, b, {2}, c}, {6, 25}},            // second segment
      {{{2}, a, {0}, b, {4}, c}, {6, 25}},            // a zero duration is stepped over
  };
  for (const auto& c : cases) {
    FFade fade;
    EXPECT_EQ(Show(Eval(fade, c.operands)), Show(c.expected)) << "t = " << c.operands[0][0];
  }
}

TEST(ParticleNodes, CyclesWalkTheirPointsAndStartAgain) {
  FOpenCycle open;
  FClosedCycle closed;
  std::string openSeen, closedSeen;
  for (int i = 0; i < 6; ++i) {
    openSeen += Show(Eval(open, {{0}, {1}, {4}}));
    closedSeen += Show(Eval(closed, {{0}, {1}, {5}}));
  }
  EXPECT_EQ(openSeen, "(0.0000)(0.2500)(0.5000)(0.7500)(0.0000)(0.2500)");
  EXPECT_EQ(closedSeen, "(0.0000)(0.2500)(0.5000)(0.7500)(1.0000)(0.0000)");
  // Too few points to divide by: the start, every time.
  FOpenCycle none;
  FClosedCycle single;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Show(Eval(none, {{3}, {5}, {0}})), "(3.0000)");
    EXPECT_EQ(Show(Eval(single, {{3}, {5}, {1}})), "(3.0000)");
  }
}

TEST(ParticleNodes, RandomNodesDrawFromTheParticleGenerator) {
  GetParticleRandom().init_genrand(5);
  for (int i = 0; i < 200; ++i) {
    FRange range;
    std::optional<Value> r = Eval(range, {{10, -1}, {20, -2}});
    ASSERT_TRUE(r);
    EXPECT_TRUE((*r)[0] >= 10 && (*r)[0] < 20 && (*r)[1] <= -1 && (*r)[1] > -2) << Show(r);
    F2dRadius radius;
    std::optional<Value> p = Eval(radius, {{3}, {9, 9}});
    ASSERT_TRUE(p);
    EXPECT_NEAR(std::hypot((*p)[0], (*p)[1]), 3.0, 1e-5);
    FPick pick;
    std::optional<Value> picked = Eval(pick, {{1}, {2, 2}, {3, 3, 3}});
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->size(), (size_t)(*picked)[0]);  // each operand keeps its own width
  }
}

TEST(ParticleNodes, RecordReadsAndWritesStayInsideTheRecord) {
  Record r;
  TParticleEvalState state;
  TParticleMember third;
  third.offset = 4;
  third.width = 1;
  FGetParticleParam get(third);
  EXPECT_EQ(Show(Eval(get, {}, r.context, state)), "(14.000)");
  TParticleMember past;
  past.offset = 6;
  past.width = 3;
  FGetParticleParam getPast(past);
  EXPECT_EQ(Show(Eval(getPast, {}, r.context, state)), "fails");

  FAssign assign;
  EXPECT_EQ(Show(Eval(assign, {{1, 2, 3}, {5}, {3}}, r.context, state)), "()");
  EXPECT_EQ(r.floats[5], 1.0f);
  EXPECT_EQ(r.floats[7], 3.0f);
  const std::vector<Value> refused[] = {
      {{1, 2, 3}, {6}, {3}},  // would end past the record
      {{1}, {-1}, {1}},       // before it
      {{1}, {0}},             // the size operand missing
  };
  for (const auto& operands : refused) EXPECT_EQ(Show(Eval(assign, operands, r.context, state)), "fails");
  for (int i = 0; i < 8; ++i) EXPECT_NE(r.floats[i], 0.0f);

  FNewIndex newIndex;  // k, base, value: record[base + k - 1] = value
  EXPECT_EQ(Show(Eval(newIndex, {{2}, {2}, {-4}}, r.context, state)), "(-4.000)");
  EXPECT_EQ(r.floats[3], -4.0f);
  EXPECT_EQ(Show(Eval(newIndex, {{2}, {7}, {9}}, r.context, state)), "fails");
  EXPECT_EQ(Show(Eval(newIndex, {{-1}, {2}, {9}}, r.context, state)), "fails");
}

class ParticleIndexTest : public FileLayerTest {};

TEST_F(ParticleIndexTest, IndexReadsAnyFloatOfTheRecordAndReportsBeyondIt) {
  Record r;
  TParticleEvalState state;
  FIndex index;  // base, k: record[base + k - 1]
  EXPECT_EQ(Show(Eval(index, {{2}, {2}}, r.context, state)), "(13.000)");
  // Past the member but inside the record: the next member's float, silently.
  EXPECT_EQ(Show(Eval(index, {{2}, {3}}, r.context, state)), "(14.000)");
  EXPECT_EQ(Show(Eval(index, {{5}, {4}}, r.context, state)), "fails");
  EXPECT_EQ(Show(Eval(index, {{0}, {0}}, r.context, state)), "fails");
  std::string log = LogText();
  EXPECT_NE(log.find("Out of range parameter index [4]"), std::string::npos) << log;
  EXPECT_NE(log.find("Out of range parameter index [0]"), std::string::npos) << log;
}

TEST_F(ParticleIndexTest, DebugLogsEveryOperand) {
  FDebug debug;
  EXPECT_EQ(Show(Eval(debug, {})), "()");
  EXPECT_EQ(Show(Eval(debug, {{1, 2}, {0.5f}})), "()");
  std::string log = LogText();
  EXPECT_NE(log.find("Particle Values: \n"), std::string::npos) << log;
  EXPECT_NE(log.find("Particle Values: (1.000000,2.000000) (0.500000) \n"), std::string::npos) << log;
}

TEST(ParticleStack, AFullStackRefusesMoreValues) {
  TParticleEvalState state;
  state.Reset();
  float wide[255] = {};
  int pushed = 0;
  for (int i = 0; i < 300; ++i) {
    state.Pop(0);
    if (!state.Push(wide, 4)) break;
    state.top = state.base;
    ++pushed;
  }
  EXPECT_EQ(pushed, 255);  // byte indices
  state.Reset();
  state.Pop(0);
  EXPECT_TRUE(state.Push(wide, 255));
  state.top = state.base;
  for (int i = 0; i < 3; ++i) {
    state.Pop(0);
    EXPECT_TRUE(state.Push(wide, 255));
    state.top = state.base;
  }
  state.Pop(0);
  EXPECT_FALSE(state.Push(wide, 1));  // 1,020 floats used up
  EXPECT_FALSE(state.Pop(6));
}

}  // namespace
