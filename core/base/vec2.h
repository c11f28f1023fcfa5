// TVec2: a 2D float vector with the usual arithmetic.
#pragma once

#include <cmath>

struct TVec3;

struct TVec2 {
  float x = 0.0f, y = 0.0f;

  TVec2() {}
  TVec2(float ax, float ay) : x(ax), y(ay) {}
  // Drops z.
  explicit TVec2(const TVec3& v);

  TVec2& operator+=(const TVec2& o) { x += o.x; y += o.y; return *this; }
  TVec2& operator-=(const TVec2& o) { x -= o.x; y -= o.y; return *this; }
  TVec2& operator*=(float s) { x *= s; y *= s; return *this; }
  TVec2& operator/=(float s) { x /= s; y /= s; return *this; }
  TVec2 operator+(const TVec2& o) const { return TVec2(x + o.x, y + o.y); }
  TVec2 operator-(const TVec2& o) const { return TVec2(x - o.x, y - o.y); }
  TVec2 operator*(float s) const { return TVec2(x * s, y * s); }
  TVec2 operator-() const { return TVec2(-x, -y); }
  bool operator==(const TVec2& o) const { return x == o.x && y == o.y; }

  float Dot(const TVec2& o) const { return x * o.x + y * o.y; }
  float LengthSquared() const { return Dot(*this); }
  float Length() const { return std::sqrt(LengthSquared()); }
  // A zero vector stays zero.
  TVec2& Normalize() {
    float len = Length();
    if (len != 0.0f) *this /= len;
    return *this;
  }
};

inline TVec2 operator*(float s, const TVec2& v) { return v * s; }
