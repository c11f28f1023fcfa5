// TVec4: four floats (construction, copy and assignment only).
#pragma once

struct TVec4 {
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 0.0f;

  TVec4() {}
  TVec4(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}
};
