// TMat3: the 2D affine transform with row vectors (rows 0-1 linear part, row 2 translation).
#pragma once

#include "core/base/vec2.h"
#include "core/base/vec3.h"

class TMat3 {
 public:
  TMat3() { SetIdentity(); }
  TMat3(float m00, float m01, float m02, float m10, float m11, float m12, float m20, float m21,
        float m22);

  void SetIdentity();
  static TMat3 MakeRotation(float angle);
  // The product of the 2x2 linear parts; a's translation row kept, third column of rows 0-1 zero.
  static TMat3 MulLinear(const TMat3& a, const TMat3& b);
  // These act about the matrix's own origin: the translation row stays.
  void Rotate(float angle);
  void Scale(float sx, float sy);
  void Scale(float s) { Scale(s, s); }

  TVec3 Row(int i) const { return TVec3(m[i][0], m[i][1], m[i][2]); }
  TVec2 GetTranslation() const { return TVec2(m[2][0], m[2][1]); }
  void SetTranslation(const TVec2& t) { m[2][0] = t.x; m[2][1] = t.y; }

  float m[3][3];
};

// point x matrix: (x*m00 + y*m10 + m20, x*m01 + y*m11 + m21).
TVec2 operator*(const TVec2& p, const TMat3& m);
TMat3 operator*(const TMat3& a, const TMat3& b);
