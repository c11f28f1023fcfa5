// TCurve: the game's motion path, a chain of cubic Bezier spans (points 0-3, 3-6, 6-9, ...)
// evaluated by a fraction of its length. The spans are flattened lazily, on the first use after
// a change, into straight segments within a fixed tolerance; the evaluation walks them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/color.h"
#include "core/base/str.h"
#include "core/base/vec2.h"

class TLuaTable;

// One straight piece of the flattened path.
struct TCurveSegment {
  float startParam = 0.0f;  // Bezier parameter within its span
  float endParam = 0.0f;
  float length = 0.0f;    // of the piece's control polygon, not of its chord
  float distance = 0.0f;  // running total up to and including this piece
  TVec2 start, end;
};

class TCurve {
 public:
  // Splits deeper than this are taken as flat: a span whose rounding never gets under the
  // tolerance (coordinates near the float limits) must still end.
  static constexpr int kMaxSplitDepth = 12;
  static constexpr float kFlatness = 0.2f;

  TCurve() {}
  TCurve(const TVec2& p0, const TVec2& p1, const TVec2& p2, const TVec2& p3);

  // Each returns the point count; a point that is not finite is refused (logged).
  uint32_t AddPoint(const TVec2& point);
  bool SetPoint(uint32_t index, const TVec2& point);
  uint32_t GetPointCount() const { return (uint32_t)mPoints.size(); }
  const std::vector<TVec2>& GetPoints() const { return mPoints; }
  // The first control point from start on within radius (inclusive); the count when none.
  uint32_t FindPoint(const TVec2& point, float radius, uint32_t start) const;
  // Replaces the points by the table's entries {x, y}; entries of other types are skipped.
  void LoadFromTable(TLuaTable* table);

  // Control point 0; (0, 0) for an empty curve.
  TVec2 GetStartPoint() const;
  // The last anchor, 3 * floor((n - 1) / 3); (0, 0) for an empty curve.
  TVec2 GetEndPoint() const;
  float GetLength();
  // The point at fraction t of the length; direction (optional) gets the unit direction of the
  // segment the point falls in, untouched at the ends or without segments.
  TVec2 GetPoint(float t, TVec2* direction = nullptr);
  const std::vector<TCurveSegment>& GetSegments();

  // "{x,y}," for every control point, truncated toward zero.
  TStr ToString() const;
  // Inside 2D drawing; points map to (x * scale + offsetX, y * scale + offsetY).
  void DrawControlPolygon(const TColor& color, float scale, float offsetX, float offsetY) const;
  void DrawPath(const TColor& color, float scale, float offsetX, float offsetY);
  void DrawHandles(float halfSize, const TColor& color, float scale, float offsetX, float offsetY) const;

 private:
  void Build();
  float Subdivide(float t0, float t1, const TVec2& p0, const TVec2& p1, const TVec2& p2, const TVec2& p3,
                  int depth);

  std::vector<TVec2> mPoints;
  float mLength = 0.0f;
  std::vector<TCurveSegment> mSegments;  // empty until needed, emptied by every change
};

std::shared_ptr<TCurve> CreateEmptyCurve();
std::shared_ptr<TCurve> CreateCurve(const TVec2& p0, const TVec2& p1, const TVec2& p2, const TVec2& p3);
std::shared_ptr<TCurve> CreateCurveFromTable(TLuaTable* table);

// The point of a path that may be missing or empty: (0, 0) then, never an evaluation.
TVec2 PathPoint(const std::shared_ptr<TCurve>& path, float t, TVec2* direction = nullptr);
