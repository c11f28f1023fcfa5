// TCurve: spans and ends, evaluation by arc length against a dense double-precision reference,
// rebuilding after changes, the point search, loading from script tables, the clipboard text,
// drawing, and points that are not finite.
#include "game/shell/editors/curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/core/graphics/fake_display.h"
#include "tests/game/script_tables.h"

namespace {

std::shared_ptr<TCurve> Curve(const std::vector<TVec2>& points) {
  auto c = CreateEmptyCurve();
  for (const TVec2& p : points) c->AddPoint(p);
  return c;
}

// The curve's true shape in doubles, sampled densely, with the point at a given arc length.
class Reference {
 public:
  explicit Reference(const std::vector<TVec2>& p) {
    for (size_t k = 0; k + 3 < p.size(); k += 3)
      for (int i = (k == 0 ? 0 : 1); i <= kSamples; ++i) {
        double t = (double)i / kSamples, u = 1 - t;
        auto at = [&](int j) { return std::make_pair((double)p[k + j].x, (double)p[k + j].y); };
        double x = u * u * u * at(0).first + 3 * u * u * t * at(1).first + 3 * u * t * t * at(2).first + t * t * t * at(3).first;
        double y = u * u * u * at(0).second + 3 * u * u * t * at(1).second + 3 * u * t * t * at(2).second + t * t * t * at(3).second;
        if (!xs.empty()) length.push_back(length.back() + std::hypot(x - xs.back(), y - ys.back()));
        else length.push_back(0);
        xs.push_back(x);
        ys.push_back(y);
      }
  }
  double Length() const { return length.back(); }
  TVec2 At(double fraction) const {
    double s = fraction * Length();
    size_t i = std::lower_bound(length.begin(), length.end(), s) - length.begin();
    if (i == 0) return TVec2((float)xs[0], (float)ys[0]);
    double f = (s - length[i - 1]) / (length[i] - length[i - 1]);
    return TVec2((float)(xs[i - 1] + (xs[i] - xs[i - 1]) * f), (float)(ys[i - 1] + (ys[i] - ys[i - 1]) * f));
  }

 private:
  static constexpr int kSamples = 100000;
  std::vector<double> xs, ys, length;
};

TEST(Curve, StraightSpanIsOneSegment) {
  auto c = Curve({{0, 0}, {10, 0}, {20, 0}, {30, 0}});
  TVec2 dir;
  TVec2 p = c->GetPoint(0.5f, &dir);
  EXPECT_EQ(c->GetSegments().size(), 1u);
  EXPECT_FLOAT_EQ(c->GetLength(), 30.0f);
  EXPECT_FLOAT_EQ(p.x, 15.0f);
  EXPECT_FLOAT_EQ(p.y, 0.0f);
  EXPECT_FLOAT_EQ(dir.x, 1.0f);
  EXPECT_FLOAT_EQ(dir.y, 0.0f);
}

TEST(Curve, EndsAndSpans) {
  struct Case {
    int points;
    float t;
    int expected;  // index of the control point answered, -1 for (0, 0)
  } cases[] = {
      {7, 1.0f, 6}, {7, 2.0f, 6}, {7, 0.0f, 0}, {7, -1.0f, 0},  // two spans
      {5, 1.0f, 3}, {6, 1.0f, 3},                               // trailing points ignored
      {1, 1.0f, 0}, {3, 1.0f, 0}, {3, 0.5f, -1},                // no span
      {0, 1.0f, -1}, {0, 0.0f, -1}, {0, 0.5f, -1},              // empty
  };
  for (const Case& k : cases) {
    std::vector<TVec2> pts;
    for (int i = 0; i < k.points; ++i) pts.push_back(TVec2(i * 10.0f + 1, i * i * 1.0f));
    auto c = Curve(pts);
    TVec2 dir(-7, -7);
    TVec2 p = c->GetPoint(k.t, &dir);
    TVec2 want = k.expected < 0 ? TVec2() : pts[k.expected];
    EXPECT_EQ(p, want) << k.points << " points at " << k.t;
    EXPECT_EQ(dir, TVec2(-7, -7)) << "direction written at an end, " << k.points << " points at " << k.t;
  }
  EXPECT_EQ(CreateEmptyCurve()->GetStartPoint(), TVec2());
  EXPECT_EQ(CreateEmptyCurve()->GetEndPoint(), TVec2());
}

TEST(Curve, PointsByArcLengthMatchTheTrueCurve) {
  std::vector<TVec2> pts = {{0, 0}, {0, 200}, {300, 200}, {300, 0}, {300, -150}, {450, -150}, {500, 0}};
  auto c = Curve(pts);
  Reference ref(pts);
  // A piece's polygon is never shorter than its arc and at most the tolerance longer than its chord.
  double pieces = (double)c->GetSegments().size();
  EXPECT_GE(c->GetLength(), ref.Length() - 1e-3);
  EXPECT_LE(c->GetLength(), ref.Length() + TCurve::kFlatness * pieces);
  EXPECT_LT(pieces, 40);
  float previous = -1;
  for (const TCurveSegment& s : c->GetSegments()) {
    EXPECT_GT(s.distance, previous);
    previous = s.distance;
  }
  // A point lies on the chord of its piece, up to a unit off the arc for pieces this long.
  for (float t : {0.01f, 0.1f, 0.25f, 0.3333f, 0.5f, 0.61f, 0.75f, 0.9f, 0.99f}) {
    TVec2 p = c->GetPoint(t), want = ref.At(t);
    EXPECT_LT((p - want).Length(), 1.0f) << "at " << t << ": (" << p.x << ", " << p.y << ") against (" << want.x
                                         << ", " << want.y << ")";
  }
  // The direction is the segment's, a unit vector along the travel.
  TVec2 dir;
  c->GetPoint(0.02f, &dir);
  EXPECT_NEAR(dir.Length(), 1.0f, 1e-6f);
  EXPECT_GT(dir.y, 0.9f);  // leaving (0, 0) toward (0, 200)
}

TEST(Curve, ChangesRebuildTheSegments) {
  auto c = Curve({{0, 0}, {10, 0}, {20, 0}, {30, 0}});
  EXPECT_FLOAT_EQ(c->GetLength(), 30.0f);
  EXPECT_TRUE(c->SetPoint(3, TVec2(60, 0)));
  EXPECT_FLOAT_EQ(c->GetLength(), 60.0f);
  EXPECT_EQ(c->AddPoint(TVec2(60, 10)), 5u);
  EXPECT_EQ(c->AddPoint(TVec2(60, 20)), 6u);
  EXPECT_EQ(c->AddPoint(TVec2(60, 30)), 7u);
  EXPECT_FLOAT_EQ(c->GetLength(), 90.0f);
  EXPECT_EQ(c->GetPoint(0.5f), TVec2(45, 0));
  EXPECT_FALSE(c->SetPoint(7, TVec2(1, 1)));
  EXPECT_EQ(c->GetPointCount(), 7u);
}

TEST(Curve, FindPoint) {
  auto c = Curve({{0, 0}, {3, 4}, {100, 100}, {3, 4}});
  struct Case {
    TVec2 at;
    float radius;
    uint32_t start, expected;
  } cases[] = {
      {{0, 0}, 5, 1, 1},    // exactly on the radius counts
      {{0, 0}, 4.99f, 1, 4},  // nothing: the count
      {{0, 0}, 5, 4, 0},    // a start at the count searches from 0
      {{0, 0}, 5, 2, 3},
      {{100, 100}, 0, 0, 2},
  };
  for (const Case& k : cases) EXPECT_EQ(c->FindPoint(k.at, k.radius, k.start), k.expected) << k.start;
}

TEST(Curve, LoadsPointsFromAScriptTable) {
  ScriptTables s;
  auto t = s.Table("{ {100, 200}, 'x', {300}, {1, 2, 3} }");
  auto c = CreateCurveFromTable(t.get());
  ASSERT_EQ(c->GetPointCount(), 3u);
  EXPECT_EQ(c->GetPoints()[0], TVec2(100, 200));
  EXPECT_EQ(c->GetPoints()[1], TVec2(300, 0));
  EXPECT_EQ(c->GetPoints()[2], TVec2(1, 2));
  EXPECT_EQ(lua_gettop(s.L), 0);
}

TEST(Curve, ClipboardText) {
  auto c = Curve({{1.9f, -2.7f}, {10, 20}});
  EXPECT_STREQ(c->ToString().c_str(), "{1,-2},{10,20},");
  EXPECT_STREQ(CreateEmptyCurve()->ToString().c_str(), "");
}

class CurveDrawing : public DrawingTest {};

TEST_F(CurveDrawing, HandlesPathAndPolygon) {
  auto c = Curve({{2, 3}, {-10, 4}, {20, 0}, {30, 0}});
  ASSERT_TRUE(R()->BeginDraw(0));
  ASSERT_TRUE(R()->Begin2d());
  Calls();
  c->DrawHandles(5, TColor(1, 0, 0, 1), 1, 0, 0);
  // (2, 3) is raised to the edges; (-10, 4) lies wholly off the left edge.
  std::vector<std::string> calls = Calls();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0], "FillRect 0,0,7,8");
  for (const std::string& call : calls) EXPECT_EQ(call.find("FillRect -"), std::string::npos) << call;
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& x) { return x.rfind("FillRect", 0) == 0; }), 3);

  c->DrawPath(TColor(0, 1, 0, 1), 2, 10, 10);
  calls = Calls();
  std::string strip = "DrawVertices 3 kind 0 count " + std::to_string(c->GetSegments().size() + 1);
  EXPECT_EQ(calls, (std::vector<std::string>{"SetMaterial", strip}));
  c->DrawControlPolygon(TColor(0, 0, 1, 1), 1, 0, 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"SetMaterial", "DrawVertices 3 kind 0 count 4"}));
  Curve({{0, 0}, {1, 1}, {2, 2}})->DrawPath(TColor(0, 1, 0, 1), 1, 0, 0);
  EXPECT_TRUE(Calls().empty());
  R()->End2d();
  R()->EndDraw(0);
}

// A script's 0/0 or 1e39 never reaches the flattening, which could not finish on it.
TEST_F(CurveDrawing, PointsThatAreNotFiniteAreRefused) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
  auto c = Curve({{0, 0}, {10, 0}, {20, 0}});
  EXPECT_EQ(c->AddPoint(TVec2(nan, 0)), 3u);
  EXPECT_EQ(c->AddPoint(TVec2(0, inf)), 3u);
  EXPECT_FALSE(c->SetPoint(1, TVec2(-inf, 1)));
  EXPECT_EQ(c->AddPoint(TVec2(30, 0)), 4u);
  EXPECT_FLOAT_EQ(c->GetLength(), 30.0f);
  EXPECT_NE(LogText().find("TCurve: refused a control point that is not a finite number"), std::string::npos);

  ScriptTables s;
  auto t = s.Table("{ {0, 0}, {0/0, 1}, {1e39, 2}, {10, 0}, {20, 0}, {30, 0} }");
  auto loaded = CreateCurveFromTable(t.get());
  EXPECT_EQ(loaded->GetPointCount(), 4u);
  EXPECT_FLOAT_EQ(loaded->GetLength(), 30.0f);
}

// Finite points near the float limits overflow the lengths; the split still ends.
TEST(Curve, SplitDepthIsCapped) {
  const float big = 3.0e38f;
  auto c = Curve({{-big, -big}, {big, -big}, {-big, big}, {big, big}});
  c->GetLength();
  EXPECT_GE(c->GetSegments().size(), 1u);
  EXPECT_LE(c->GetSegments().size(), 1u << TCurve::kMaxSplitDepth);
  TVec2 p = c->GetPoint(0.5f);
  (void)p;
}

TEST(Curve, PathPointOfAMissingPath) {
  TVec2 dir(3, 3);
  EXPECT_EQ(PathPoint(nullptr, 0.5f, &dir), TVec2());
  EXPECT_EQ(dir, TVec2(3, 3));
  EXPECT_EQ(PathPoint(CreateEmptyCurve(), 0.0f), TVec2());
}

}  // namespace
