// Tests of vectors, the 2D and projection matrices and colours.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/base/color.h"
#include "core/base/mat3.h"
#include "core/base/mat4.h"
#include "core/base/saturate.h"
#include "core/base/vec2.h"
#include "core/base/vec3.h"
#include "core/base/vec4.h"

TEST(VectorTest, ArithmeticAndNormalize) {
  TVec2 a(3, 4);
  EXPECT_FLOAT_EQ(a.Length(), 5.0f);
  EXPECT_FLOAT_EQ(a.LengthSquared(), 25.0f);
  EXPECT_FLOAT_EQ(a.Dot(TVec2(1, 2)), 11.0f);
  EXPECT_EQ(a + TVec2(1, 1), TVec2(4, 5));
  EXPECT_EQ(a - TVec2(1, 1), TVec2(2, 3));
  EXPECT_EQ(a * 2.0f, TVec2(6, 8));
  EXPECT_EQ(2.0f * a, TVec2(6, 8));
  EXPECT_EQ(-a, TVec2(-3, -4));
  TVec2 b = a;
  b += TVec2(1, 1);
  b -= TVec2(2, 2);
  b *= 4.0f;
  b /= 2.0f;
  EXPECT_EQ(b, TVec2(4, 6));

  TVec2 n(3, 4);
  TVec2& same = n.Normalize();
  EXPECT_EQ(&same, &n);
  EXPECT_FLOAT_EQ(n.x, 0.6f);
  EXPECT_FLOAT_EQ(n.y, 0.8f);
  TVec2 zero;
  zero.Normalize();
  EXPECT_EQ(zero, TVec2(0, 0));
  EXPECT_FALSE(std::isnan(zero.x));

  TVec3 v(TVec2(1, 2), 2);
  EXPECT_FLOAT_EQ(v.Length(), 3.0f);
  EXPECT_FLOAT_EQ(v.Dot(TVec3(1, 1, 1)), 5.0f);
  EXPECT_EQ(TVec2(v), TVec2(1, 2));
  TVec3 z;
  z.Normalize();
  EXPECT_EQ(z, TVec3(0, 0, 0));
  v.Normalize();
  EXPECT_NEAR(v.Length(), 1.0f, 1e-6f);
  TVec4 w(1, 2, 3, 4);
  EXPECT_EQ(w.w, 4.0f);
  EXPECT_EQ(TVec4().x, 0.0f);
}

TEST(Mat3Test, TransformsAboutTheirOwnOrigin) {
  const float kPi = 3.14159265358979f;
  TVec2 p = TVec2(1, 0) * TMat3::MakeRotation(kPi / 2);
  EXPECT_NEAR(p.x, 0.0f, 1e-6f);
  EXPECT_NEAR(p.y, 1.0f, 1e-6f);

  TMat3 t;
  t.SetTranslation(TVec2(10, 20));
  t.Scale(2);
  EXPECT_EQ(t.GetTranslation(), TVec2(10, 20));
  EXPECT_EQ(TVec2(1, 1) * t, TVec2(12, 22));
  t.Scale(1, 3);
  EXPECT_EQ(TVec2(1, 1) * t, TVec2(12, 26));
  t.Rotate(kPi);
  EXPECT_EQ(t.GetTranslation(), TVec2(10, 20));
  TVec2 q = TVec2(1, 0) * t;
  EXPECT_NEAR(q.x, 8.0f, 1e-5f);
  EXPECT_NEAR(q.y, 20.0f, 1e-5f);
  EXPECT_EQ(t.m[0][2], 0.0f);
  EXPECT_EQ(t.m[2][2], 1.0f);

  // The full product equals applying one matrix after the other.
  TMat3 a(1, 2, 0, 3, 4, 0, 5, 6, 1), b(0, 1, 0, -1, 0, 0, 7, 8, 1);
  TVec2 viaBoth = (TVec2(2, 3) * a) * b;
  EXPECT_EQ(TVec2(2, 3) * (a * b), viaBoth);
  TMat3 id;
  EXPECT_EQ((a * id).Row(2).x, 5.0f);
  TMat3 lin = TMat3::MulLinear(a, b);
  EXPECT_EQ(lin.Row(2).x, 5.0f);
  // Row (1, 2) of a against the columns (0, -1) and (1, 0) of b's linear part.
  EXPECT_EQ(lin.m[0][0], -2.0f);
  EXPECT_EQ(lin.m[0][1], 1.0f);
  EXPECT_EQ(lin.m[1][0], -4.0f);
  EXPECT_EQ(lin.m[1][1], 3.0f);
}

TEST(Mat4Test, Perspective) {
  TMat4 m;
  const float fov = 3.14159265358979f / 2;  // cot(45 degrees) = 1
  m.SetPerspective(1.0f, 101.0f, fov, 2.0f, TVec2(0.5f, -0.5f));
  EXPECT_NEAR(m.m[0][0], 2.0f, 1e-5f);
  EXPECT_NEAR(m.m[1][1], 1.0f, 1e-5f);
  EXPECT_EQ(m.m[0][1], 0.0f);
  EXPECT_EQ(m.m[1][0], 0.0f);
  EXPECT_FLOAT_EQ(m.m[2][0], -1.0f);
  EXPECT_FLOAT_EQ(m.m[2][1], -1.0f);
  EXPECT_FLOAT_EQ(m.m[2][2], 101.0f / 100.0f);
  EXPECT_EQ(m.m[2][3], 1.0f);
  EXPECT_FLOAT_EQ(m.m[3][2], -101.0f / 100.0f);
  EXPECT_EQ(m.m[3][3], 0.0f);
  m.SetPerspective(1.0f, 101.0f, fov, 2.0f, TVec2(1.0f, -1.0f));
  EXPECT_EQ(m.m[2][0], -10000.0f);
  EXPECT_EQ(m.m[2][1], -10000.0f);
}

TEST(ColorTest, PackingAndChannels) {
  EXPECT_EQ(TColor32(TColor(1, 0.5f, 0, 1)).Value(), 0xFFFF7F00u);
  EXPECT_EQ(TColor32().Value(), 0u);
  TColor32 c(0x11, 0x22, 0x33, 0x44);
  EXPECT_EQ(c.Value(), 0x44112233u);
  EXPECT_EQ(c.GetA(), 0x44);
  EXPECT_EQ(c.GetR(), 0x11);
  EXPECT_EQ(c.GetG(), 0x22);
  EXPECT_EQ(c.GetB(), 0x33);
  c.SetR(0xAA);
  c.SetA(0x00);
  c.SetB(0xBB);
  c.SetG(0xCC);
  EXPECT_EQ(c.Value(), 0x00AACCBBu);
  EXPECT_EQ(TColor32(0x80FF0000u).GetR(), 0xFF);
  // Out-of-range channels are the caller's business but never undefined.
  TColor32(TColor(1e30f, -1e30f, std::numeric_limits<float>::quiet_NaN(), 2.0f));
}

TEST(SaturateTest, Table) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double v;
    int32_t i;
    uint32_t u;
  } cases[] = {{0.0, 0, 0}, {1.9, 1, 1}, {-1.9, -1, 0}, {nan, 0, 0},
               {inf, INT32_MAX, UINT32_MAX}, {-inf, INT32_MIN, 0}, {3e9, INT32_MAX, 3000000000u},
               {5e9, INT32_MAX, UINT32_MAX}, {-3e9, INT32_MIN, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(SaturateToInt32(c.v), c.i) << c.v;
    EXPECT_EQ(SaturateToUInt32(c.v), c.u) << c.v;
  }
}
