// The picture generator's drawing kit: paths made of flattened outlines, an exact-area
// anti-aliased rasteriser, paints (flat and gradients), clip masks and a small blur. Everything
// is plain float arithmetic in a fixed order, so the same program gives the same pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Art {

struct Color {
  float r = 0, g = 0, b = 0, a = 1;  // straight (not premultiplied) sRGB, 0..1
};

// "#rrggbb" or "#rrggbbaa"; anything else is opaque black.
Color Hex(const char* text);
Color WithAlpha(Color c, float a);
Color Mix(Color a, Color b, float t);
// Towards white (amount > 0) or black (amount < 0) by that fraction.
Color Shade(Color c, float amount);
// Saturation scaled by the factor (0 = grey of the same luma).
Color Saturate(Color c, float factor);

struct Pt {
  double x = 0, y = 0;
};

// 2x3 affine transform: x' = a x + c y + e, y' = b x + d y + f.
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  static Matrix Translate(double x, double y);
  static Matrix Scale(double sx, double sy);
  static Matrix Rotate(double radians);
  Matrix Then(const Matrix& next) const;  // this first, then next
  Pt Apply(Pt p) const;
};

// A set of closed outlines. Filling takes the union of outlines wound the same way; an
// outline wound the other way cuts a hole.
class Path {
 public:
  Path& MoveTo(double x, double y);
  Path& LineTo(double x, double y);
  Path& QuadTo(double cx, double cy, double x, double y);
  Path& CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y);
  Path& Close();

  Path& Rect(double x, double y, double w, double h);
  Path& RoundRect(double x, double y, double w, double h, double r);
  Path& Ellipse(double cx, double cy, double rx, double ry);
  Path& Circle(double cx, double cy, double r) { return Ellipse(cx, cy, r, r); }
  Path& Polygon(const std::vector<Pt>& points);
  // n points, outer and inner radius, the first point straight up turned by `turn` radians.
  Path& Star(double cx, double cy, int n, double outer, double inner, double turn = 0);
  // A ring (circle with a round hole).
  Path& Ring(double cx, double cy, double outer, double inner);
  // A line of the given width with round ends.
  Path& Capsule(double x0, double y0, double x1, double y1, double width);
  // Pie slice from angle a0 to a1 (radians, 0 = right, clockwise on screen).
  Path& Wedge(double cx, double cy, double r, double a0, double a1);
  Path& Append(const Path& other);
  // The outlines reversed: holes when appended to a path wound the other way.
  Path Reversed() const;

  // Every later point goes through this transform (until changed).
  Path& SetTransform(const Matrix& m) {
    mTransform = m;
    return *this;
  }
  Path Transformed(const Matrix& m) const;

  // A band of the given width centred on every outline (round joins).
  Path Stroke(double width) const;

  const std::vector<std::vector<Pt>>& Outlines() const { return mOutlines; }

 private:
  void Add(Pt p);
  std::vector<std::vector<Pt>> mOutlines;
  Matrix mTransform;
  Pt mLast;
  bool mOpen = false;
};

// A capsule on its own, for appending to other paths.
Path CapsuleShape(double x0, double y0, double x1, double y1, double width);

struct Stop {
  float at;
  Color color;
};

// What a fill paints at each pixel centre.
class Paint {
 public:
  static Paint Solid(Color c);
  static Paint Linear(Pt from, Pt to, std::vector<Stop> stops);
  static Paint Linear(Pt from, Color a, Pt to, Color b) { return Linear(from, to, {{0, a}, {1, b}}); }
  static Paint Radial(Pt centre, double radius, std::vector<Stop> stops);
  Color At(double x, double y) const;

 private:
  int mKind = 0;
  Pt mFrom, mTo;
  double mRadius = 1;
  std::vector<Stop> mStops;
};

// Coverage 0..1 per pixel.
struct Mask {
  int w = 0, h = 0;
  std::vector<float> v;
  float At(int x, int y) const { return v[(size_t)y * w + x]; }
};

Mask Rasterise(const Path& path, int w, int h);
// Three box passes of the radius: close to a Gaussian of about that radius.
Mask Blur(const Mask& m, int radius);
Mask Shifted(const Mask& m, int dx, int dy);

class Canvas {
 public:
  Canvas(int w, int h);
  int Width() const { return mW; }
  int Height() const { return mH; }

  void Fill(const Path& path, const Paint& paint, float opacity = 1.0f);
  void Fill(const Path& path, Color c, float opacity = 1.0f) { Fill(path, Paint::Solid(c), opacity); }
  void FillMask(const Mask& mask, const Paint& paint, float opacity = 1.0f);
  void FillMask(const Mask& mask, Color c, float opacity = 1.0f) { FillMask(mask, Paint::Solid(c), opacity); }
  // Shape with a band of outline colour centred on its edge.
  void FillOutlined(const Path& path, const Paint& paint, Color outline, double width);
  // A soft shadow of the shape, moved by (dx, dy).
  void Shadow(const Path& path, double dx, double dy, int blur, Color c);
  // A soft glow around the shape.
  void Glow(const Path& path, int blur, Color c);

  // Later fills are limited to this shape (clips nest).
  void PushClip(const Path& path);
  void PopClip();

  // Another canvas drawn over this one at (x, y), whole pixels.
  void Draw(const Canvas& other, int x, int y, float opacity = 1.0f);
  // Cuts the canvas: every pixel's alpha multiplied by the mask.
  void Erase(const Path& path);

  // Straight-alpha 8-bit RGBA, rows top to bottom.
  std::vector<uint8_t> Rgba() const;
  Color PixelAt(int x, int y) const;
  void Set(int x, int y, Color c);

 private:
  void Blend(size_t i, Color c, float coverage);
  int mW, mH;
  std::vector<float> mPx;  // premultiplied RGBA
  std::vector<Mask> mClips;
};

}  // namespace Art
