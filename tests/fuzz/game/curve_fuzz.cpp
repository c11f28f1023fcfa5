// Feeds arbitrary bytes to a motion path as a run of edits and questions, nine bytes each (an
// operation, then two floats): points added or moved (any float, infinities and NaN too), the
// length, points along the path, a point found, the scene line. A path must refuse points that
// are not finite, end every evaluation however far out its points lie, give finite answers
// while its points are of a scene's size, and write one "{x,y}," a point.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "game/shell/editors/curve.h"

namespace {

[[noreturn]] void Fail(const char* why, uint32_t points) {
  fprintf(stderr, "curve: %s (%u points)\n", why, points);
  abort();
}

bool Finite(const TVec2& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TCurve curve;
  bool sceneSized = true;  // every point within +-100000
  for (size_t at = 0; at + 9 <= size && curve.GetPointCount() < 400; at += 9) {
    uint8_t op = data[at];
    TVec2 v;
    memcpy(&v.x, data + at + 1, 4);
    memcpy(&v.y, data + at + 5, 4);
    uint32_t before = curve.GetPointCount();
    switch (op % 6) {
      case 0:
      case 1:
        if (curve.AddPoint(v) != before + (Finite(v) ? 1 : 0)) Fail("a point was taken or refused wrongly", before);
        if (Finite(v)) sceneSized = sceneSized && std::fabs(v.x) <= 1e5f && std::fabs(v.y) <= 1e5f;
        break;
      case 2:
        if (before && curve.SetPoint(op / 6 % before, v)) {
          if (!Finite(v)) Fail("a point that is not finite was set", before);
          sceneSized = sceneSized && std::fabs(v.x) <= 1e5f && std::fabs(v.y) <= 1e5f;
        }
        break;
      case 3: {
        float length = curve.GetLength();
        if (sceneSized && !(length >= 0 && std::isfinite(length))) Fail("the length is not finite", before);
        break;
      }
      case 4: {
        float t = std::isfinite(v.x) ? v.x - std::floor(v.x) : 0.5f;
        TVec2 direction;
        TVec2 p = curve.GetPoint(t, &direction);
        if (sceneSized && !Finite(p)) Fail("a point along the path is not finite", before);
        break;
      }
      case 5:
        if (curve.FindPoint(v, 8.0f, op / 6 % (before + 1)) > before) Fail("a point was found past the end", before);
        break;
    }
  }
  TStr line = curve.ToString();
  uint32_t pieces = 0;
  for (int i = 0; i < line.Length(); i++) pieces += line[(unsigned)i] == '}';
  if (pieces != curve.GetPointCount()) Fail("the scene line does not hold every point", curve.GetPointCount());
  return 0;
}
