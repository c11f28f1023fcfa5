// TCurve: flattening by midpoint subdivision (de Casteljau at 0.5, left half first, so the
// segments come out in path order) until a piece's control polygon is within the tolerance of
// its chord; evaluation walks the segments, moving linearly within one, so the speed along the
// path is even to within the tolerance. Everything is single precision.
#include "game/shell/editors/curve.h"

#include <cfloat>
#include <cmath>

#include "core/base/log.h"
#include "core/base/saturate.h"
#include "core/graphics/renderer.h"
#include "core/graphics/vertex_array.h"
#include "core/script/lua.h"
#include "core/script/lua_table.h"
#include "platform/directx/d3d_types.h"

namespace {

bool IsFinitePoint(double x, double y) {
  return std::isfinite(x) && std::isfinite(y) && std::fabs(x) <= FLT_MAX && std::fabs(y) <= FLT_MAX;
}

// A script's 0/0 or 1e39 would never flatten: such points stay out of every curve.
bool Refused(double x, double y) {
  if (IsFinitePoint(x, y)) return false;
  LogError("TCurve: refused a control point that is not a finite number (%g, %g)", x, y);
  return true;
}

TVec2 Mid(const TVec2& a, const TVec2& b) { return a * 0.5f + b * 0.5f; }

TVec2 Map(const TVec2& p, float scale, float offsetX, float offsetY) {
  return TVec2(p.x * scale + offsetX, p.y * scale + offsetY);
}

void SetLineMaterial(const TColor& color) {
  D3DMATERIAL7 material;
  ClearMaterial(material);
  D3DCOLORVALUE c{color.r, color.g, color.b, color.a};
  material.diffuse = material.ambient = material.emissive = c;
  TRenderer::Get()->SetMaterial(material);
}

void DrawLineStrip(std::vector<TMeshVertex>& vertices) {
  TVertexArray array = TVertexArray::CreateMesh(vertices.data(), (uint32_t)vertices.size());
  TRenderer::Get()->DrawVertices(kPrimitiveLineStrip, &array);
}

TMeshVertex LineVertex(const TVec2& p) {
  TMeshVertex v;
  v.position = TVec3(p.x, p.y, 0.0f);
  v.normal = TVec3(0.0f, 0.0f, 1.0f);
  return v;
}

}  // namespace

TCurve::TCurve(const TVec2& p0, const TVec2& p1, const TVec2& p2, const TVec2& p3) {
  AddPoint(p0);
  AddPoint(p1);
  AddPoint(p2);
  AddPoint(p3);
}

uint32_t TCurve::AddPoint(const TVec2& point) {
  if (Refused(point.x, point.y)) return GetPointCount();
  mPoints.push_back(point);
  mSegments.clear();
  return GetPointCount();
}

bool TCurve::SetPoint(uint32_t index, const TVec2& point) {
  if (index >= mPoints.size() || Refused(point.x, point.y)) return false;
  mPoints[index] = point;
  mSegments.clear();
  return true;
}

uint32_t TCurve::FindPoint(const TVec2& point, float radius, uint32_t start) const {
  uint32_t n = GetPointCount();
  if (start >= n) start = 0;
  for (uint32_t i = start; i < n; ++i)
    if ((mPoints[i] - point).LengthSquared() <= radius * radius) return i;
  return n;
}

void TCurve::LoadFromTable(TLuaTable* table) {
  mPoints.clear();
  mSegments.clear();
  if (!table) return;
  lua_State* L = table->GetState();
  TLuaObjectWrapper* key = nullptr;
  while (TLuaObjectWrapper* value = table->Next(&key)) {
    value->Push();
    if (lua_istable(L, -1)) {
      TLuaTable entry(L);
      double x = entry.GetNumberAt(1, 0.0), y = entry.GetNumberAt(2, 0.0);
      if (!Refused(x, y)) mPoints.push_back(TVec2((float)x, (float)y));
    } else {
      lua_pop(L, 1);
    }
    delete value;
  }
}

TVec2 TCurve::GetStartPoint() const { return mPoints.empty() ? TVec2() : mPoints[0]; }

TVec2 TCurve::GetEndPoint() const {
  if (mPoints.empty()) return TVec2();
  return mPoints[3 * ((mPoints.size() - 1) / 3)];
}

float TCurve::GetLength() {
  if (mSegments.empty()) Build();
  return mLength;
}

const std::vector<TCurveSegment>& TCurve::GetSegments() {
  if (mSegments.empty()) Build();
  return mSegments;
}

TVec2 TCurve::GetPoint(float t, TVec2* direction) {
  if (t >= 1.0f) return GetEndPoint();
  if (t <= 0.0f) return GetStartPoint();
  if (mSegments.empty()) Build();
  float d = t * mLength;
  TVec2 result;
  for (const TCurveSegment& s : mSegments) {
    if (s.length >= d) {
      // A piece of length 0 (all its points in one place) holds the point at its start.
      float f = s.length > 0.0f ? d / s.length : 0.0f;
      TVec2 along = s.end - s.start;
      if (direction) *direction = TVec2(along).Normalize();
      return s.start + along * f;
    }
    d -= s.length;
    result = s.end;
  }
  return result;
}

void TCurve::Build() {
  if (mPoints.size() < 4) return;
  for (size_t k = 0; k + 3 < mPoints.size(); k += 3)
    Subdivide(0.0f, 1.0f, mPoints[k], mPoints[k + 1], mPoints[k + 2], mPoints[k + 3], 0);
  mLength = 0.0f;
  for (TCurveSegment& s : mSegments) {
    mLength += s.length;
    s.distance = mLength;
  }
}

float TCurve::Subdivide(float t0, float t1, const TVec2& p0, const TVec2& p1, const TVec2& p2, const TVec2& p3,
                        int depth) {
  float chord = (p3 - p0).Length();
  float polygon = (p1 - p0).Length() + (p2 - p1).Length() + (p3 - p2).Length();
  if (polygon - chord <= kFlatness || depth >= kMaxSplitDepth) {
    TCurveSegment s;
    s.startParam = t0;
    s.endParam = t1;
    s.length = polygon;
    s.start = p0;
    s.end = p3;
    mSegments.push_back(s);
    return polygon;
  }
  TVec2 a = Mid(p0, p1), b = Mid(p1, p2), c = Mid(p2, p3);
  TVec2 ab = Mid(a, b), bc = Mid(b, c);
  TVec2 m = Mid(ab, bc);
  float tm = (t0 + t1) * 0.5f;
  float left = Subdivide(t0, tm, p0, a, ab, m, depth + 1);
  return left + Subdivide(tm, t1, m, bc, c, p3, depth + 1);
}

TStr TCurve::ToString() const {
  TStr text;
  for (const TVec2& p : mPoints) text = text + TStr::Format("{%d,%d},", SaturateToInt32(p.x), SaturateToInt32(p.y));
  return text;
}

void TCurve::DrawControlPolygon(const TColor& color, float scale, float offsetX, float offsetY) const {
  SetLineMaterial(color);
  std::vector<TMeshVertex> vertices;
  for (const TVec2& p : mPoints) vertices.push_back(LineVertex(Map(p, scale, offsetX, offsetY)));
  DrawLineStrip(vertices);
}

void TCurve::DrawPath(const TColor& color, float scale, float offsetX, float offsetY) {
  if (mPoints.size() < 4) return;
  const std::vector<TCurveSegment>& segments = GetSegments();
  SetLineMaterial(color);
  std::vector<TMeshVertex> vertices;
  for (const TCurveSegment& s : segments) vertices.push_back(LineVertex(Map(s.start, scale, offsetX, offsetY)));
  vertices.push_back(LineVertex(Map(segments.back().end, scale, offsetX, offsetY)));
  DrawLineStrip(vertices);
}

void TCurve::DrawHandles(float halfSize, const TColor& color, float scale, float offsetX, float offsetY) const {
  for (const TVec2& p : mPoints) {
    TVec2 s = Map(p, scale, offsetX, offsetY);
    float left = s.x - halfSize, top = s.y - halfSize, right = s.x + halfSize, bottom = s.y + halfSize;
    if (right < 0.0f || bottom < 0.0f) continue;
    if (left < 0.0f) left = 0.0f;
    if (top < 0.0f) top = 0.0f;
    TRect r(SaturateToInt32(left), SaturateToInt32(top), SaturateToInt32(right), SaturateToInt32(bottom));
    TRenderer::Get()->FillRect(r, color);
  }
}

std::shared_ptr<TCurve> CreateEmptyCurve() { return std::make_shared<TCurve>(); }

std::shared_ptr<TCurve> CreateCurve(const TVec2& p0, const TVec2& p1, const TVec2& p2, const TVec2& p3) {
  return std::make_shared<TCurve>(p0, p1, p2, p3);
}

std::shared_ptr<TCurve> CreateCurveFromTable(TLuaTable* table) {
  auto curve = CreateEmptyCurve();
  curve->LoadFromTable(table);
  return curve;
}

TVec2 PathPoint(const std::shared_ptr<TCurve>& path, float t, TVec2* direction) {
  return path ? path->GetPoint(t, direction) : TVec2();
}
