// TMat4 identity and the display's perspective projection.
#include "core/base/mat4.h"

#include <cmath>

void TMat4::SetIdentity() {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = i == j ? 1.0f : 0.0f;
}

void TMat4::SetPerspective(float nearZ, float farZ, float fov, float aspect, const TVec2& offset) {
  float c = std::cos(fov / 2) / std::sin(fov / 2);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] = 0.0f;
  m[0][0] = c / (1.0f / aspect);
  m[1][1] = c;
  // An offset of exactly one would divide by zero: the far-off value stands in.
  m[2][0] = std::fabs(offset.x) == 1.0f ? -10000.0f : -offset.x / (1.0f - std::fabs(offset.x));
  m[2][1] = std::fabs(offset.y) == 1.0f ? -10000.0f : offset.y / (1.0f - std::fabs(offset.y));
  m[2][2] = farZ / (farZ - nearZ);
  m[2][3] = 1.0f;
  m[3][2] = -nearZ * farZ / (farZ - nearZ);
}
