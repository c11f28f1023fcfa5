// The rasteriser accumulates, for every scanline an edge crosses, the exact area the edge
// leaves to its right in each pixel; a running sum along the row then gives each pixel's
// winding coverage. Curves and arcs are flattened finely enough that no facet shows.
#include "tools/artgen/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace Art {

namespace {

float Clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Segments for an arc of this radius and angle: about one per 1.5 px, never fewer than 4.
int ArcSteps(double radius, double angle) {
  double n = std::ceil(std::fabs(angle) * std::max(radius, 1.0) / 1.5);
  return (int)std::clamp(n, 4.0, 720.0);
}

double SignedArea(const std::vector<Pt>& o) {
  double s = 0;
  for (size_t i = 0; i < o.size(); i++) {
    const Pt& a = o[i];
    const Pt& b = o[(i + 1) % o.size()];
    s += a.x * b.y - b.x * a.y;
  }
  return s / 2;
}

// P(s) = integral of clamp(t, 0, 1) from 0 to s.
double RampIntegral(double s) {
  if (s <= 0) return 0;
  if (s < 1) return s * s / 2;
  return s - 0.5;
}

class Accumulator {
 public:
  Accumulator(int w, int h) : mW(w), mH(h), mStride((size_t)w + 2), mAcc(mStride * (size_t)h, 0.0) {}

  // An edge; pieces left of the canvas or right of it count as lying on its border.
  void Edge(Pt a, Pt b) {
    if (a.y == b.y) return;
    double cuts[2] = {0, (double)mW};
    std::vector<Pt> points{a};
    for (double cx : cuts) {
      if ((a.x < cx && b.x > cx) || (a.x > cx && b.x < cx)) {
        double t = (cx - a.x) / (b.x - a.x);
        points.push_back({cx, a.y + t * (b.y - a.y)});
      }
    }
    points.push_back(b);
    // The cut points of one edge come in the order the edge meets them.
    if (points.size() == 4 && ((points[1].x - points[2].x) * (a.x - b.x) < 0)) std::swap(points[1], points[2]);
    for (size_t i = 0; i + 1 < points.size(); i++) {
      Pt p = points[i], q = points[i + 1];
      p.x = std::clamp(p.x, 0.0, (double)mW);
      q.x = std::clamp(q.x, 0.0, (double)mW);
      Line(p, q);
    }
  }

  Mask Coverage() const {
    Mask m;
    m.w = mW;
    m.h = mH;
    m.v.assign((size_t)mW * mH, 0.0f);
    for (int y = 0; y < mH; y++) {
      double s = 0;
      const double* row = &mAcc[(size_t)y * mStride];
      for (int x = 0; x < mW; x++) {
        s += row[x];
        double c = std::fabs(s);
        m.v[(size_t)y * mW + x] = (float)(c > 1 ? 1 : c);
      }
    }
    return m;
  }

 private:
  void Line(Pt p, Pt q) {
    if (p.y == q.y) return;
    double dir = 1;
    if (p.y > q.y) {
      std::swap(p, q);
      dir = -1;
    }
    double dxdy = (q.x - p.x) / (q.y - p.y);
    int y0 = std::max(0, (int)std::floor(p.y));
    int y1 = std::min(mH, (int)std::ceil(q.y));
    for (int y = y0; y < y1; y++) {
      double ya = std::max((double)y, p.y), yb = std::min((double)y + 1, q.y);
      if (yb <= ya) continue;
      double xa = p.x + (ya - p.y) * dxdy, xb = p.x + (yb - p.y) * dxdy;
      double d = (yb - ya) * dir;
      double lo = std::min(xa, xb), hi = std::max(xa, xb);
      double* row = &mAcc[(size_t)y * mStride];
      int c0 = (int)std::floor(lo);
      int c1 = std::min((int)std::ceil(hi), mW + 1);
      double before = 0;
      for (int c = c0; c <= c1; c++) {
        double f;
        if (hi - lo < 1e-9) {
          f = std::clamp(c + 1 - (lo + hi) / 2, 0.0, 1.0);
        } else {
          f = (RampIntegral(c + 1 - lo) - RampIntegral(c + 1 - hi)) / (hi - lo);
        }
        row[c] += d * (f - before);
        before = f;
      }
      // Past the last column reached the edge covers the rest of the row fully.
      if (c1 + 1 <= mW + 1) row[c1 + 1] += d * (1 - before);
    }
  }

  int mW, mH;
  size_t mStride;
  std::vector<double> mAcc;
};

}  // namespace

// Colours.

Color Hex(const char* text) {
  Color c;
  if (!text || text[0] != '#') return c;
  size_t n = std::strlen(text + 1);
  if (n != 6 && n != 8) return c;
  float v[4] = {0, 0, 0, 1};
  for (size_t i = 0; i < n / 2; i++) {
    int hi = HexDigit(text[1 + 2 * i]), lo = HexDigit(text[2 + 2 * i]);
    if (hi < 0 || lo < 0) return Color{};
    v[i] = (float)(hi * 16 + lo) / 255.0f;
  }
  return Color{v[0], v[1], v[2], v[3]};
}

Color WithAlpha(Color c, float a) {
  c.a = a;
  return c;
}

Color Mix(Color a, Color b, float t) {
  return Color{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

Color Shade(Color c, float amount) {
  Color target = amount >= 0 ? Color{1, 1, 1, c.a} : Color{0, 0, 0, c.a};
  return Mix(c, target, std::fabs(amount));
}

Color Saturate(Color c, float factor) {
  float luma = 0.2126f * c.r + 0.7152f * c.g + 0.0722f * c.b;
  return Color{Clamp01(luma + (c.r - luma) * factor), Clamp01(luma + (c.g - luma) * factor),
               Clamp01(luma + (c.b - luma) * factor), c.a};
}

// Transforms.

Matrix Matrix::Translate(double x, double y) { return Matrix{1, 0, 0, 1, x, y}; }
Matrix Matrix::Scale(double sx, double sy) { return Matrix{sx, 0, 0, sy, 0, 0}; }
Matrix Matrix::Rotate(double r) { return Matrix{std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0}; }

Matrix Matrix::Then(const Matrix& n) const {
  return Matrix{n.a * a + n.c * b, n.b * a + n.d * b,       n.a * c + n.c * d,
                n.b * c + n.d * d, n.a * e + n.c * f + n.e, n.b * e + n.d * f + n.f};
}

Pt Matrix::Apply(Pt p) const { return Pt{a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }

// Paths.

void Path::Add(Pt p) { mOutlines.back().push_back(mTransform.Apply(p)); }

Path& Path::MoveTo(double x, double y) {
  Close();
  mOutlines.emplace_back();
  mOpen = true;
  mLast = {x, y};
  Add(mLast);
  return *this;
}

Path& Path::LineTo(double x, double y) {
  if (!mOpen) MoveTo(mLast.x, mLast.y);
  mLast = {x, y};
  Add(mLast);
  return *this;
}

Path& Path::QuadTo(double cx, double cy, double x, double y) {
  Pt p0 = mLast;
  double len = std::hypot(cx - p0.x, cy - p0.y) + std::hypot(x - cx, y - cy);
  int n = (int)std::clamp(std::ceil(len / 2), 2.0, 200.0);
  for (int i = 1; i <= n; i++) {
    double t = (double)i / n, u = 1 - t;
    LineTo(u * u * p0.x + 2 * u * t * cx + t * t * x, u * u * p0.y + 2 * u * t * cy + t * t * y);
  }
  return *this;
}

Path& Path::CubicTo(double c1x, double c1y, double c2x, double c2y, double x, double y) {
  Pt p0 = mLast;
  double len = std::hypot(c1x - p0.x, c1y - p0.y) + std::hypot(c2x - c1x, c2y - c1y) + std::hypot(x - c2x, y - c2y);
  int n = (int)std::clamp(std::ceil(len / 2), 2.0, 300.0);
  for (int i = 1; i <= n; i++) {
    double t = (double)i / n, u = 1 - t;
    double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    LineTo(a * p0.x + b * c1x + c * c2x + d * x, a * p0.y + b * c1y + c * c2y + d * y);
  }
  return *this;
}

Path& Path::Close() {
  if (mOpen && mOutlines.back().size() < 3) mOutlines.pop_back();
  mOpen = false;
  return *this;
}

Path& Path::Rect(double x, double y, double w, double h) {
  return MoveTo(x, y).LineTo(x + w, y).LineTo(x + w, y + h).LineTo(x, y + h).Close();
}

Path& Path::RoundRect(double x, double y, double w, double h, double r) {
  r = std::clamp(r, 0.0, std::min(w, h) / 2);
  if (r <= 0) return Rect(x, y, w, h);
  int n = ArcSteps(r, M_PI / 2);
  const double centres[4][2] = {{x + w - r, y + r}, {x + w - r, y + h - r}, {x + r, y + h - r}, {x + r, y + r}};
  MoveTo(x + r, y);
  for (int k = 0; k < 4; k++) {
    double start = -M_PI / 2 + k * M_PI / 2;
    for (int i = 0; i <= n; i++) {
      double a = start + (M_PI / 2) * i / n;
      LineTo(centres[k][0] + r * std::cos(a), centres[k][1] + r * std::sin(a));
    }
  }
  return Close();
}

Path& Path::Ellipse(double cx, double cy, double rx, double ry) {
  int n = ArcSteps(std::max(rx, ry), 2 * M_PI);
  MoveTo(cx + rx, cy);
  for (int i = 1; i < n; i++) {
    double a = 2 * M_PI * i / n;
    LineTo(cx + rx * std::cos(a), cy + ry * std::sin(a));
  }
  return Close();
}

Path& Path::Polygon(const std::vector<Pt>& points) {
  if (points.empty()) return *this;
  MoveTo(points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); i++) LineTo(points[i].x, points[i].y);
  return Close();
}

Path& Path::Star(double cx, double cy, int n, double outer, double inner, double turn) {
  std::vector<Pt> pts;
  for (int i = 0; i < 2 * n; i++) {
    double a = -M_PI / 2 + turn + M_PI * i / n;
    double r = i % 2 ? inner : outer;
    pts.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return Polygon(pts);
}

Path& Path::Ring(double cx, double cy, double outer, double inner) {
  Path hole;
  hole.SetTransform(mTransform).Circle(cx, cy, inner);
  Circle(cx, cy, outer);
  Path reversed = hole.Reversed();
  for (const auto& o : reversed.Outlines()) mOutlines.push_back(o);
  return *this;
}

Path& Path::Capsule(double x0, double y0, double x1, double y1, double width) {
  double r = width / 2;
  double a = std::atan2(y1 - y0, x1 - x0);
  int n = ArcSteps(r, M_PI);
  MoveTo(x1 + r * std::cos(a - M_PI / 2), y1 + r * std::sin(a - M_PI / 2));
  for (int i = 1; i <= n; i++) {
    double t = a - M_PI / 2 + M_PI * i / n;
    LineTo(x1 + r * std::cos(t), y1 + r * std::sin(t));
  }
  for (int i = 0; i <= n; i++) {
    double t = a + M_PI / 2 + M_PI * i / n;
    LineTo(x0 + r * std::cos(t), y0 + r * std::sin(t));
  }
  return Close();
}

Path CapsuleShape(double x0, double y0, double x1, double y1, double width) {
  Path p;
  p.Capsule(x0, y0, x1, y1, width);
  return p;
}

Path& Path::Wedge(double cx, double cy, double r, double a0, double a1) {
  int n = ArcSteps(r, a1 - a0);
  MoveTo(cx, cy);
  for (int i = 0; i <= n; i++) {
    double a = a0 + (a1 - a0) * i / n;
    LineTo(cx + r * std::cos(a), cy + r * std::sin(a));
  }
  return Close();
}

Path& Path::Append(const Path& other) {
  Close();
  for (const auto& o : other.mOutlines) mOutlines.push_back(o);
  return *this;
}

Path Path::Reversed() const {
  Path p;
  for (const auto& o : mOutlines) p.mOutlines.emplace_back(o.rbegin(), o.rend());
  return p;
}

Path Path::Transformed(const Matrix& m) const {
  Path p;
  for (const auto& o : mOutlines) {
    p.mOutlines.emplace_back();
    for (const Pt& q : o) p.mOutlines.back().push_back(m.Apply(q));
  }
  return p;
}

Path Path::Stroke(double width) const {
  double r = width / 2;
  Path band;
  auto keep = [&](std::vector<Pt> piece) {
    if (SignedArea(piece) < 0) std::reverse(piece.begin(), piece.end());
    band.mOutlines.push_back(std::move(piece));
  };
  int n = ArcSteps(r, 2 * M_PI);
  for (const auto& o : mOutlines) {
    for (size_t i = 0; i < o.size(); i++) {
      const Pt& a = o[i];
      const Pt& b = o[(i + 1) % o.size()];
      double len = std::hypot(b.x - a.x, b.y - a.y);
      if (len > 1e-9) {
        double nx = -(b.y - a.y) / len * r, ny = (b.x - a.x) / len * r;
        keep({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
      }
      // A round join wherever the outline turns enough to open a gap.
      const Pt& prev = o[(i + o.size() - 1) % o.size()];
      double turn = std::fabs(std::atan2((a.x - prev.x) * (b.y - a.y) - (a.y - prev.y) * (b.x - a.x),
                                         (a.x - prev.x) * (b.x - a.x) + (a.y - prev.y) * (b.y - a.y)));
      if (turn > 0.02) {
        std::vector<Pt> disc;
        for (int k = 0; k < n; k++) {
          double t = 2 * M_PI * k / n;
          disc.push_back({a.x + r * std::cos(t), a.y + r * std::sin(t)});
        }
        keep(std::move(disc));
      }
    }
  }
  return band;
}

// Paints.

Paint Paint::Solid(Color c) {
  Paint p;
  p.mStops = {{0, c}};
  return p;
}

Paint Paint::Linear(Pt from, Pt to, std::vector<Stop> stops) {
  Paint p;
  p.mKind = 1;
  p.mFrom = from;
  p.mTo = to;
  p.mStops = std::move(stops);
  return p;
}

Paint Paint::Radial(Pt centre, double radius, std::vector<Stop> stops) {
  Paint p;
  p.mKind = 2;
  p.mFrom = centre;
  p.mRadius = radius > 0 ? radius : 1;
  p.mStops = std::move(stops);
  return p;
}

Color Paint::At(double x, double y) const {
  if (mKind == 0 || mStops.size() == 1) return mStops[0].color;
  double t;
  if (mKind == 1) {
    double dx = mTo.x - mFrom.x, dy = mTo.y - mFrom.y;
    double len2 = dx * dx + dy * dy;
    t = len2 > 0 ? ((x - mFrom.x) * dx + (y - mFrom.y) * dy) / len2 : 0;
  } else {
    t = std::hypot(x - mFrom.x, y - mFrom.y) / mRadius;
  }
  if (t <= mStops.front().at) return mStops.front().color;
  if (t >= mStops.back().at) return mStops.back().color;
  for (size_t i = 1; i < mStops.size(); i++) {
    if (t <= mStops[i].at) {
      double span = mStops[i].at - mStops[i - 1].at;
      float f = span > 0 ? (float)((t - mStops[i - 1].at) / span) : 1.0f;
      return Mix(mStops[i - 1].color, mStops[i].color, f);
    }
  }
  return mStops.back().color;
}

// Masks.

Mask Rasterise(const Path& path, int w, int h) {
  Accumulator acc(w, h);
  for (const auto& o : path.Outlines())
    for (size_t i = 0; i < o.size(); i++) acc.Edge(o[i], o[(i + 1) % o.size()]);
  return acc.Coverage();
}

namespace {
void BoxPass(std::vector<float>& v, int w, int h, int r, bool horizontal) {
  int n = horizontal ? w : h, lines = horizontal ? h : w;
  std::vector<float> line((size_t)n), out((size_t)n);
  float scale = 1.0f / (float)(2 * r + 1);
  for (int l = 0; l < lines; l++) {
    auto at = [&](int i) -> float& { return horizontal ? v[(size_t)l * w + i] : v[(size_t)i * w + l]; };
    for (int i = 0; i < n; i++) line[(size_t)i] = at(i);
    double sum = 0;
    for (int i = -r; i <= r; i++)
      if (i >= 0 && i < n) sum += line[(size_t)i];
    for (int i = 0; i < n; i++) {
      out[(size_t)i] = (float)sum * scale;
      int add = i + r + 1, drop = i - r;
      if (add < n) sum += line[(size_t)add];
      if (drop >= 0) sum -= line[(size_t)drop];
    }
    for (int i = 0; i < n; i++) at(i) = out[(size_t)i];
  }
}
}  // namespace

Mask Blur(const Mask& m, int radius) {
  Mask out = m;
  if (radius <= 0) return out;
  int r = std::max(1, radius / 2);
  for (int pass = 0; pass < 3; pass++) {
    BoxPass(out.v, out.w, out.h, r, true);
    BoxPass(out.v, out.w, out.h, r, false);
  }
  return out;
}

Mask Shifted(const Mask& m, int dx, int dy) {
  Mask out = m;
  std::fill(out.v.begin(), out.v.end(), 0.0f);
  for (int y = 0; y < m.h; y++)
    for (int x = 0; x < m.w; x++) {
      int sx = x - dx, sy = y - dy;
      if (sx >= 0 && sy >= 0 && sx < m.w && sy < m.h) out.v[(size_t)y * m.w + x] = m.At(sx, sy);
    }
  return out;
}

// The canvas.

Canvas::Canvas(int w, int h) : mW(w), mH(h), mPx((size_t)w * h * 4, 0.0f) {}

void Canvas::Blend(size_t i, Color c, float coverage) {
  float a = Clamp01(c.a * coverage);
  if (a <= 0) return;
  float* p = &mPx[i * 4];
  float keep = 1 - a;
  p[0] = c.r * a + p[0] * keep;
  p[1] = c.g * a + p[1] * keep;
  p[2] = c.b * a + p[2] * keep;
  p[3] = a + p[3] * keep;
}

void Canvas::FillMask(const Mask& mask, const Paint& paint, float opacity) {
  const Mask* clip = mClips.empty() ? nullptr : &mClips.back();
  for (int y = 0; y < mH; y++)
    for (int x = 0; x < mW; x++) {
      size_t i = (size_t)y * mW + x;
      float cov = mask.v[i] * opacity;
      if (clip) cov *= clip->v[i];
      if (cov <= 0) continue;
      Blend(i, paint.At(x + 0.5, y + 0.5), cov);
    }
}

void Canvas::Fill(const Path& path, const Paint& paint, float opacity) {
  // Only the shape's bounding box is rasterised: most shapes are small on a large canvas.
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
  for (const auto& o : path.Outlines())
    for (const Pt& p : o) {
      x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
      x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
  if (x1 < x0) return;
  int bx0 = std::max(0, (int)std::floor(x0) - 1), by0 = std::max(0, (int)std::floor(y0) - 1);
  int bx1 = std::min(mW, (int)std::ceil(x1) + 1), by1 = std::min(mH, (int)std::ceil(y1) + 1);
  if (bx1 <= bx0 || by1 <= by0) return;
  Mask m = Rasterise(path.Transformed(Matrix::Translate(-bx0, -by0)), bx1 - bx0, by1 - by0);
  const Mask* clip = mClips.empty() ? nullptr : &mClips.back();
  for (int y = by0; y < by1; y++)
    for (int x = bx0; x < bx1; x++) {
      size_t i = (size_t)y * mW + x;
      float cov = m.v[(size_t)(y - by0) * m.w + (x - bx0)] * opacity;
      if (clip) cov *= clip->v[i];
      if (cov <= 0) continue;
      Blend(i, paint.At(x + 0.5, y + 0.5), cov);
    }
}

void Canvas::FillOutlined(const Path& path, const Paint& paint, Color outline, double width) {
  Fill(path, paint);
  Fill(path.Stroke(width), outline);
}

void Canvas::Shadow(const Path& path, double dx, double dy, int blur, Color c) {
  FillMask(Blur(Rasterise(path.Transformed(Matrix::Translate(dx, dy)), mW, mH), blur), c);
}

void Canvas::Glow(const Path& path, int blur, Color c) { FillMask(Blur(Rasterise(path, mW, mH), blur), c); }

void Canvas::PushClip(const Path& path) {
  Mask m = Rasterise(path, mW, mH);
  if (!mClips.empty())
    for (size_t i = 0; i < m.v.size(); i++) m.v[i] *= mClips.back().v[i];
  mClips.push_back(std::move(m));
}

void Canvas::PopClip() {
  if (!mClips.empty()) mClips.pop_back();
}

void Canvas::Draw(const Canvas& o, int x, int y, float opacity) {
  for (int sy = 0; sy < o.mH; sy++)
    for (int sx = 0; sx < o.mW; sx++) {
      int tx = x + sx, ty = y + sy;
      if (tx < 0 || ty < 0 || tx >= mW || ty >= mH) continue;
      const float* s = &o.mPx[((size_t)sy * o.mW + sx) * 4];
      float a = s[3] * opacity;
      if (a <= 0) continue;
      float* p = &mPx[((size_t)ty * mW + tx) * 4];
      float keep = 1 - a;
      for (int k = 0; k < 3; k++) p[k] = s[k] * opacity + p[k] * keep;
      p[3] = a + p[3] * keep;
    }
}

void Canvas::Erase(const Path& path) {
  Mask m = Rasterise(path, mW, mH);
  for (size_t i = 0; i < m.v.size(); i++)
    for (int k = 0; k < 4; k++) mPx[i * 4 + k] *= 1 - m.v[i];
}

Color Canvas::PixelAt(int x, int y) const {
  const float* p = &mPx[((size_t)y * mW + x) * 4];
  if (p[3] <= 0) return Color{0, 0, 0, 0};
  return Color{p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
}

void Canvas::Set(int x, int y, Color c) {
  float* p = &mPx[((size_t)y * mW + x) * 4];
  p[0] = c.r * c.a;
  p[1] = c.g * c.a;
  p[2] = c.b * c.a;
  p[3] = c.a;
}

std::vector<uint8_t> Canvas::Rgba() const {
  std::vector<uint8_t> out((size_t)mW * mH * 4);
  for (size_t i = 0; i < (size_t)mW * mH; i++) {
    const float* p = &mPx[i * 4];
    float a = Clamp01(p[3]);
    uint8_t a8 = (uint8_t)std::lround(a * 255.0f);
    if (a8 == 0) {
      std::memset(&out[i * 4], 0, 4);
      continue;
    }
    for (int k = 0; k < 3; k++) out[i * 4 + k] = (uint8_t)std::lround(Clamp01(p[k] / p[3]) * 255.0f);
    out[i * 4 + 3] = a8;
  }
  return out;
}

}  // namespace Art
