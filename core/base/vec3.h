// TVec3: a 3D float vector with the usual arithmetic.
#pragma once

#include <cmath>

#include "core/base/vec2.h"

struct TVec3 {
  float x = 0.0f, y = 0.0f, z = 0.0f;

  TVec3() {}
  TVec3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}
  TVec3(const TVec2& v, float az) : x(v.x), y(v.y), z(az) {}

  TVec3& operator+=(const TVec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
  TVec3& operator-=(const TVec3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
  TVec3& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
  TVec3& operator/=(float s) { x /= s; y /= s; z /= s; return *this; }
  TVec3 operator+(const TVec3& o) const { return TVec3(x + o.x, y + o.y, z + o.z); }
  TVec3 operator-(const TVec3& o) const { return TVec3(x - o.x, y - o.y, z - o.z); }
  TVec3 operator*(float s) const { return TVec3(x * s, y * s, z * s); }
  bool operator==(const TVec3& o) const { return x == o.x && y == o.y && z == o.z; }

  float Dot(const TVec3& o) const { return x * o.x + y * o.y + z * o.z; }
  float LengthSquared() const { return Dot(*this); }
  float Length() const { return std::sqrt(LengthSquared()); }
  // A zero vector stays zero.
  TVec3& Normalize() {
    float len = Length();
    if (len != 0.0f) *this /= len;
    return *this;
  }
};

inline TVec2::TVec2(const TVec3& v) : x(v.x), y(v.y) {}
