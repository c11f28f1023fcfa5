// TMat4: the 4x4 projection matrix, row-major with row vectors.
#pragma once

#include "core/base/vec2.h"

class TMat4 {
 public:
  TMat4() { SetIdentity(); }
  ~TMat4() {}
  void SetIdentity();
  // Perspective with an off-centre offset o (each component in -1..1) of the projection centre.
  void SetPerspective(float nearZ, float farZ, float fov, float aspect, const TVec2& offset);

  float m[4][4];
};
