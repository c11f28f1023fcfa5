// TMat3 products, rotation and scaling.
#include "core/base/mat3.h"

#include <cmath>

TMat3::TMat3(float m00, float m01, float m02, float m10, float m11, float m12, float m20, float m21,
             float m22) {
  m[0][0] = m00; m[0][1] = m01; m[0][2] = m02;
  m[1][0] = m10; m[1][1] = m11; m[1][2] = m12;
  m[2][0] = m20; m[2][1] = m21; m[2][2] = m22;
}

void TMat3::SetIdentity() {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) m[i][j] = i == j ? 1.0f : 0.0f;
}

TMat3 TMat3::MakeRotation(float angle) {
  float c = std::cos(angle), s = std::sin(angle);
  return TMat3(c, s, 0, -s, c, 0, 0, 0, 1);
}

TMat3 TMat3::MulLinear(const TMat3& a, const TMat3& b) {
  TMat3 r = a;
  for (int i = 0; i < 2; ++i) {
    for (int j = 0; j < 2; ++j) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j];
    r.m[i][2] = 0.0f;
  }
  return r;
}

void TMat3::Rotate(float angle) { *this = MulLinear(*this, MakeRotation(angle)); }

void TMat3::Scale(float sx, float sy) { *this = MulLinear(*this, TMat3(sx, 0, 0, 0, sy, 0, 0, 0, 1)); }

TVec2 operator*(const TVec2& p, const TMat3& m) {
  return TVec2(p.x * m.m[0][0] + p.y * m.m[1][0] + m.m[2][0], p.x * m.m[0][1] + p.y * m.m[1][1] + m.m[2][1]);
}

TMat3 operator*(const TMat3& a, const TMat3& b) {
  TMat3 r;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
  return r;
}
