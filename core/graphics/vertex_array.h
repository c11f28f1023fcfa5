// TVertexArray: the record every vertex draw takes (a kind, a vertex pointer it does not own and a
// count), and the two 32-byte vertex layouts the display handler knows.
#pragma once

#include <cstdint>

#include "core/base/vec2.h"
#include "core/base/vec3.h"

// Kinds 1, 2 (2D, display pixels) and 3 (screen space, w holds the reciprocal w) share this
// layout, so a vertex built for one kind can be drawn as another.
struct TVertex {
  float x = 0.0f, y = 0.0f, z = 0.0f;
  float w = 0.0f;           // reserved word in 2D, rhw in screen space
  uint32_t diffuse = 0;     // TColor32
  uint32_t specular = 0;    // TColor32
  float u = 0.0f, v = 0.0f;
};
static_assert(sizeof(TVertex) == 32, "the display handler reads 32-byte vertices");

// Kind 0: 3D meshes.
struct TMeshVertex {
  TVec3 position;
  TVec3 normal;
  TVec2 uv;
};
static_assert(sizeof(TMeshVertex) == 32, "the display handler reads 32-byte vertices");

class TVertexArray {
 public:
  enum Kind : uint32_t { kMesh = 0, k2dLit = 1, k2d = 2, kScreen = 3 };

  TVertexArray() {}
  TVertexArray(uint32_t kind, void* vertices, uint32_t count) : mKind(kind), mVertices(vertices), mCount(count) {}

  // The vertices stay their owner's; the record is a plain value and may live on the stack.
  static TVertexArray Create2d(TVertex* vertices, uint32_t count) { return TVertexArray(k2d, vertices, count); }
  static TVertexArray CreateScreen(TVertex* vertices, uint32_t count) { return TVertexArray(kScreen, vertices, count); }
  static TVertexArray CreateMesh(TMeshVertex* vertices, uint32_t count) { return TVertexArray(kMesh, vertices, count); }

  void SetCount(uint32_t count) { mCount = count; }
  uint32_t GetKind() const { return mKind; }
  void* GetVertices() const { return mVertices; }
  uint32_t GetCount() const { return mCount; }

 private:
  uint32_t mKind = k2d;
  void* mVertices = nullptr;
  uint32_t mCount = 0;
};
