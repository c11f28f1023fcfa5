// T2dParticleRenderer: quads written straight into the shared vertex buffer.
//
// A particle's quad is its texture's size (or, for animated textures with "animatedparticles",
// its frame's size) times pScale, centred on pPosition plus the draw origin (less half a pixel,
// texel-to-pixel alignment), turned so that pUp points to the quad's top; (0, -1) is upright.
// Corners come from a table: 4 vertices and a 16-bit index buffer, or 6 vertices (two
// triangles) where indexed drawing is broken. Texture coordinates are the whole surface, or an
// animation frame's rectangle taken against the surface size.
#include "core/graphics/particles/2d_particle_renderer.h"

#include <algorithm>
#include <new>

#include "core/base/color.h"
#include "core/base/log.h"
#include "core/base/saturate.h"
#include "core/base/settings.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture.h"
#include "core/graphics/vertex_array.h"

namespace {

struct Corner {
  float cx, cy;  // offset in quad sizes
  uint8_t u, v;  // 0 picks the first texture corner, 1 the second
};

constexpr Corner kIndexedCorners[4] = {{-0.5f, -0.5f, 0, 0}, {0.5f, -0.5f, 1, 0}, {-0.5f, 0.5f, 0, 1}, {0.5f, 0.5f, 1, 1}};
constexpr Corner kBrokenCorners[6] = {{-0.5f, -0.5f, 0, 0}, {0.5f, -0.5f, 1, 0}, {-0.5f, 0.5f, 0, 1},
                                      {0.5f, -0.5f, 1, 0},  {0.5f, 0.5f, 1, 1},  {-0.5f, 0.5f, 0, 1}};

// The buffers every 2D particle renderer draws from (main thread only; no two particle draws
// overlap).
struct SharedBuffers {
  std::unique_ptr<TVertex[]> vertices;
  uint32_t capacity = 0;  // vertices
  std::unique_ptr<uint16_t[]> indices;
  uint32_t indexQuads = 0;
  int renderers = 0;
};
SharedBuffers gShared;

const char kLayoutScript[] =
    "pPosition = Allocate(2);\npUp = Allocate(2);\npScale = Allocate(1);\npColor = Allocate(4);\npFrame = Allocate(1);\n";

// Six indices a quad, quad q over vertices 4q..4q+3; never more quads than one batch needs.
bool BuildIndices(uint32_t quads) {
  quads = std::min(quads, T2dParticleRenderer::kMaxBatch);
  if (gShared.indices && gShared.indexQuads >= quads) return true;
  gShared.indices.reset(new (std::nothrow) uint16_t[(size_t)quads * 6]);
  gShared.indexQuads = gShared.indices ? quads : 0;
  if (!gShared.indices) return false;
  for (uint32_t q = 0; q < quads; ++q) {
    uint16_t b = (uint16_t)(4 * q);
    uint16_t* i = &gShared.indices[(size_t)q * 6];
    i[0] = b;
    i[1] = (uint16_t)(b + 1);
    i[2] = (uint16_t)(b + 2);
    i[3] = (uint16_t)(b + 1);
    i[4] = (uint16_t)(b + 3);
    i[5] = (uint16_t)(b + 2);
  }
  return true;
}

struct QuadShape {
  TVec2 size;   // before pScale
  TVec2 shift;  // before pScale
  TVec2 uv0, uv1;
};

void WriteQuad(TVertex* out, const float* p, const TVec3& origin, const QuadShape& shape, float alphaFactor,
               const Corner* corners, uint32_t count) {
  float scale = p[T2dParticleRenderer::kScale];
  float sx = shape.size.x * scale, sy = shape.size.y * scale;
  float px = p[T2dParticleRenderer::kPosition] + origin.x + shape.shift.x * scale;
  float py = p[T2dParticleRenderer::kPosition + 1] + origin.y + shape.shift.y * scale;
  float ux = p[T2dParticleRenderer::kUp], uy = p[T2dParticleRenderer::kUp + 1];
  const float* c = p + T2dParticleRenderer::kColor;
  TColor32 colour(TColor(c[0], c[1], c[2], c[3]));
  double alpha = (double)colour.GetA() * (double)alphaFactor;
  colour.SetA((uint8_t)std::clamp(SaturateToInt32(alpha), 0, 255));
  for (uint32_t k = 0; k < count; ++k) {
    const Corner& corner = corners[k];
    TVertex& v = out[k];
    v.x = px - uy * sx * corner.cx - ux * sy * corner.cy;
    v.y = py - uy * sy * corner.cy + ux * sx * corner.cx;
    v.z = origin.z;
    v.w = 0.5f;
    v.diffuse = colour.Value();
    v.specular = 0xFFFFFFFFu;
    v.u = corner.u ? shape.uv1.x : shape.uv0.x;
    v.v = corner.v ? shape.uv1.y : shape.uv0.y;
  }
}

// A frame's rectangle as texture coordinates against the sheet's surface.
void FrameCoordinates(const TAnimatedTexture& texture, int32_t frame, TVec2* uv0, TVec2* uv1) {
  int sw = 0, sh = 0;
  texture.GetSurfaceSize(&sw, &sh);
  float w = (float)std::max(sw, 1), h = (float)std::max(sh, 1);
  TRect r = texture.GetFrameRect(frame);
  *uv0 = TVec2((float)r.left / w, (float)r.top / h);
  *uv1 = TVec2((float)r.right / w, (float)r.bottom / h);
}

}  // namespace

T2dParticleRenderer::T2dParticleRenderer() {
  ++gShared.renderers;
  mBrokenIndexedVerts = GetSetting(TStr("brokenindexedverts")).ToInt() != 0;
}

T2dParticleRenderer::~T2dParticleRenderer() {
  if (--gShared.renderers == 0) {
    gShared.vertices.reset();
    gShared.indices.reset();
    gShared.capacity = 0;
    gShared.indexQuads = 0;
  }
}

uint32_t T2dParticleRenderer::GetSharedVertexCapacity() { return gShared.capacity; }
bool T2dParticleRenderer::HasSharedIndices() { return gShared.indices != nullptr; }

TStr T2dParticleRenderer::GetLayoutScript() const { return TStr(kLayoutScript); }

void T2dParticleRenderer::SetTexture(std::shared_ptr<TTexture> texture) {
  mTexture = std::move(texture);
  if (!mTexture) return;
  int w = mTexture->GetWidth(), h = mTexture->GetHeight();
  // An animation shows no frame until a sprite picks one; its particles take the first frame's size.
  if ((w == 0 || h == 0) && mTexture->IsKindOf(TAnimatedTexture::ClassId())) {
    TRect r = static_cast<TAnimatedTexture*>(mTexture.get())->GetFrameRect(0);
    w = r.Width();
    h = r.Height();
  }
  mSize = TVec2((float)(uint32_t)w, (float)(uint32_t)h);
}

void T2dParticleRenderer::SetOption(TStr name, const float* values) {
  if (name == TStr("blendmode") && values) mBlendMode = (uint32_t)SaturateToInt32((double)values[0]);
}

bool T2dParticleRenderer::EnsureCapacity(uint32_t count) {
  uint32_t perParticle = mBrokenIndexedVerts ? 6 : 4;
  uint64_t need = (uint64_t)perParticle * count;
  if (gShared.capacity < need) {
    uint64_t capacity = need * 2;
    if (capacity > 0xFFFFFFFFull) return false;
    gShared.vertices.reset();
    gShared.capacity = 0;
    gShared.vertices.reset(new (std::nothrow) TVertex[(size_t)capacity]);
    if (!gShared.vertices) {
      LogError("T2dParticleRenderer: no memory for %u particle vertices", (uint32_t)capacity);
      return false;
    }
    gShared.capacity = (uint32_t)capacity;
    gShared.indices.reset();
    gShared.indexQuads = 0;
  }
  return mBrokenIndexedVerts || BuildIndices(std::max<uint32_t>(count, 1) * 2);
}

void T2dParticleRenderer::Draw(const TVec3& origin, float alphaFactor, const TParticleList& live, int32_t capacity) {
  if (capacity <= 0) return;
  if (!EnsureCapacity((uint32_t)capacity)) return;
  TRenderer* renderer = TRenderer::Get();
  renderer->SetTexture(mTexture);
  renderer->SetBlendMode((int)mBlendMode);

  const Corner* corners = mBrokenIndexedVerts ? kBrokenCorners : kIndexedCorners;
  uint32_t perParticle = mBrokenIndexedVerts ? 6 : 4;
  TVec3 at(origin.x - 0.5f, origin.y - 0.5f, origin.z);
  const TAnimatedTexture* animation = mTexture && mTexture->IsKindOf(TAnimatedTexture::ClassId())
                                          ? static_cast<const TAnimatedTexture*>(mTexture.get())
                                          : nullptr;
  bool framed = animation && GetSettingBool(SettingKey(kSettingAnimatedParticles));
  int32_t rx0 = 0, ry0 = 0;
  TRect first;
  if (framed) {
    animation->GetFrameReg(0, &rx0, &ry0);
    first = animation->GetFrameRect(0);
  }

  QuadShape shape;
  shape.size = mSize;
  shape.uv1 = TVec2(1.0f, 1.0f);
  uint32_t written = 0;
  TVertex* out = gShared.vertices.get();
  for (float* p : live) {
    if (written == (uint32_t)capacity) break;
    if (animation) {
      int32_t frame = SaturateToInt32((double)p[kFrame]);
      FrameCoordinates(*animation, frame, &shape.uv0, &shape.uv1);
      if (framed) {
        int32_t rx = 0, ry = 0;
        animation->GetFrameReg(frame, &rx, &ry);
        TRect r = animation->GetFrameRect(frame);
        int32_t w = r.Width(), h = r.Height();
        shape.size = TVec2((float)w, (float)h);
        shape.shift = TVec2((float)(rx0 - rx + (w - first.Width()) / 2), (float)(ry0 - ry + (h - first.Height()) / 2));
      }
    }
    WriteQuad(out + (size_t)written * perParticle, p, at, shape, alphaFactor, corners, perParticle);
    ++written;
  }

  if (written > 0) {
    if (mBrokenIndexedVerts) {
      TVertexArray vertices = TVertexArray::Create2d(out, written * perParticle);
      renderer->DrawVertices(kPrimitiveTriangleList, &vertices);
    } else {
      for (uint32_t start = 0; start < written; start += kMaxBatch) {
        uint32_t n = std::min(kMaxBatch, written - start);
        TVertexArray vertices = TVertexArray::Create2d(out + (size_t)start * 4, n * 4);
        renderer->DrawIndexedVertices(kPrimitiveTriangleList, &vertices, gShared.indices.get(), n * 6);
      }
    }
  }
  renderer->SetBlendMode(0);
}
