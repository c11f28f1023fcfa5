// The 2D particle renderer over a backend that keeps what it is handed: quad corners for turned
// and scaled particles, colours under the alpha factor, the shared buffers' growth, the
// six-vertex mode, batches that keep 16-bit indices in range, and animation frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/base/settings.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/particles/2d_particle_renderer.h"
#include "core/graphics/particles/particle_collection.h"
#include "tests/core/graphics/fake_display.h"

namespace {

class KeepingBackend : public FakeBackend {
 public:
  struct Draw {
    bool indexed;
    std::vector<TVertex> vertices;
    std::vector<uint16_t> indices;
  };
  std::vector<Draw> draws;

  void DrawVertices(uint32_t primitive, TVertexArray* va) override {
    const TVertex* v = (const TVertex*)va->GetVertices();
    draws.push_back({false, std::vector<TVertex>(v, v + va->GetCount()), {}});
    FakeBackend::DrawVertices(primitive, va);
  }
  void DrawIndexedVertices(uint32_t primitive, TVertexArray* va, const uint16_t* indices, uint32_t count) override {
    const TVertex* v = (const TVertex*)va->GetVertices();
    draws.push_back({true, std::vector<TVertex>(v, v + va->GetCount()), std::vector<uint16_t>(indices, indices + count)});
    FakeBackend::DrawIndexedVertices(primitive, va, indices, count);
  }
};

struct Particle {
  float x = 0, y = 0, ux = 0, uy = -1, scale = 1, r = 1, g = 1, b = 1, a = 1, frame = 0;
};

class ParticleRendererTest : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    TRenderer::Destroy();
    TRenderer::SetBackendFactory([this]() {
      auto b = std::make_unique<KeepingBackend>();
      mBackend = b.get();
      return b;
    });
    TRenderer::Get();
  }
  KeepingBackend& Kept() { return static_cast<KeepingBackend&>(Backend()); }

  // Fills a collection of `capacity' records with the particles, live in the order given.
  void Fill(TParticleCollection& c, int32_t capacity, const std::vector<Particle>& particles) {
    ASSERT_TRUE(c.Init(capacity, T2dParticleRenderer::kParticleSize));
    for (const Particle& p : particles) {
      int32_t i = c.TakeFree();
      ASSERT_GE(i, 0);
      std::memcpy(c.GetRecord(i), &p, sizeof p);
    }
  }
  void DrawAll(T2dParticleRenderer& r, const TParticleCollection& c, TVec3 origin = TVec3(), float alpha = 1.0f) {
    R()->BeginDraw(0);
    R()->Begin2d();
    r.Draw(origin, alpha, c.GetLiveList(), c.GetCapacity());
    R()->End2d();
    R()->EndDraw(0);
  }
  // The draw's quads as the corners the indices select, "x,y" each, rounded to tenths.
  static std::string Corners(const KeepingBackend::Draw& d, size_t particle) {
    std::string s;
    for (size_t k = 0; k < 4; ++k) {
      const TVertex& v = d.vertices[particle * 4 + k];
      char buf[64];
      std::snprintf(buf, sizeof buf, "%s%.1f,%.1f", k ? " " : "", v.x, v.y);
      s += buf;
    }
    return s;
  }
};

TEST_F(ParticleRendererTest, QuadsAreCentredScaledAndTurnedByTheirUpVector) {
  PutSolidPng("dot.png", 4, 2);
  T2dParticleRenderer r;
  r.SetTexture(TTexture::Get(TStr("dot")));
  ASSERT_EQ(r.GetSize().x, 4.0f);
  const struct {
    const char* what;
    float ux, uy;
    const char* corners;  // 0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right when upright
  } cases[] = {
      {"upright", 0, -1, "105.5,67.5 113.5,67.5 105.5,71.5 113.5,71.5"},
      {"a quarter turn clockwise", 1, 0, "111.5,65.5 111.5,73.5 107.5,65.5 107.5,73.5"},
      {"upside down", 0, 1, "113.5,71.5 105.5,71.5 113.5,67.5 105.5,67.5"},
  };
  for (const auto& c : cases) {
    Kept().draws.clear();
    TParticleCollection particles;
    Particle p;
    p.x = 10;
    p.y = 20;
    p.ux = c.ux;
    p.uy = c.uy;
    p.scale = 2;
    Fill(particles, 1, {p});
    DrawAll(r, particles, TVec3(100, 50, 0.25f));
    ASSERT_EQ(Kept().draws.size(), 1u) << c.what;
    const KeepingBackend::Draw& d = Kept().draws[0];
    EXPECT_EQ(Corners(d, 0), c.corners) << c.what;
    EXPECT_EQ(d.indices, (std::vector<uint16_t>{0, 1, 2, 1, 3, 2}));
    EXPECT_EQ(d.vertices[3].z, 0.25f);
    EXPECT_EQ(d.vertices[3].u, 1.0f);
    EXPECT_EQ(d.vertices[2].v, 1.0f);
  }
}

TEST_F(ParticleRendererTest, TheAlphaFactorScalesEachParticlesAlphaByte) {
  T2dParticleRenderer r;
  TParticleCollection c;
  Particle p;
  p.r = 1;
  p.g = 0.5f;
  p.b = 0;
  p.a = 0.8f;
  Fill(c, 2, {p});
  float blend = 3;
  r.SetOption(TStr("blendmode"), &blend);
  r.SetOption(TStr("unknown"), &blend);
  Calls();
  DrawAll(r, c, TVec3(), 0.5f);
  ASSERT_EQ(Kept().draws.size(), 1u);
  EXPECT_EQ(Kept().draws[0].vertices[0].diffuse, 0x66FF7F00u);  // alpha 204 halved, truncated
  std::vector<std::string> calls = Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "SetBlendMode 3"), calls.end());
  EXPECT_EQ(calls[calls.size() - 3], "SetBlendMode 0");  // put back after the draw
}

TEST_F(ParticleRendererTest, SharedBuffersGrowToTwiceWhatADrawNeedsAndGoWithTheLastRenderer) {
  {
    T2dParticleRenderer a;
    T2dParticleRenderer b;
    const struct {
      T2dParticleRenderer* renderer;
      int32_t capacity;
      uint32_t vertices;
    } steps[] = {{&a, 100, 800}, {&b, 150, 800}, {&a, 250, 2000}, {&b, 10, 2000}};
    for (const auto& s : steps) {
      TParticleCollection c;
      Fill(c, s.capacity, {Particle()});
      DrawAll(*s.renderer, c);
      EXPECT_EQ(T2dParticleRenderer::GetSharedVertexCapacity(), s.vertices) << s.capacity;
    }
  }
  EXPECT_EQ(T2dParticleRenderer::GetSharedVertexCapacity(), 0u);
  EXPECT_FALSE(T2dParticleRenderer::HasSharedIndices());
}

TEST_F(ParticleRendererTest, BrokenIndexedDrawingUsesSixVerticesForTheSamePicture) {
  std::vector<Particle> particles(2);
  particles[1].x = 30;
  particles[1].ux = 1;
  particles[1].uy = 0;
  std::vector<std::vector<TVertex>> triangles;
  for (const char* broken : {"0", "1"}) {
    SetSetting(TStr("brokenindexedverts"), TStr(broken));
    Kept().draws.clear();
    T2dParticleRenderer r;
    TParticleCollection c;
    Fill(c, 3, particles);
    DrawAll(r, c);
    ASSERT_EQ(Kept().draws.size(), 1u);
    const KeepingBackend::Draw& d = Kept().draws[0];
    std::vector<TVertex> t;
    if (d.indexed) {
      for (uint16_t i : d.indices) t.push_back(d.vertices[i]);
    } else {
      EXPECT_EQ(d.vertices.size(), 12u);
      EXPECT_FALSE(T2dParticleRenderer::HasSharedIndices());
      t = d.vertices;
    }
    triangles.push_back(t);
  }
  ASSERT_EQ(triangles[0].size(), triangles[1].size());
  for (size_t i = 0; i < triangles[0].size(); ++i) {
    EXPECT_EQ(triangles[0][i].x, triangles[1][i].x) << i;
    EXPECT_EQ(triangles[0][i].y, triangles[1][i].y) << i;
    EXPECT_EQ(triangles[0][i].u, triangles[1][i].u) << i;
    EXPECT_EQ(triangles[0][i].v, triangles[1][i].v) << i;
  }
}

TEST_F(ParticleRendererTest, ManyParticlesAreDrawnInBatchesThatSixteenBitIndicesReach) {
  T2dParticleRenderer r;
  TParticleCollection c;
  std::vector<Particle> particles(20000);
  for (size_t i = 0; i < particles.size(); ++i) particles[i].x = (float)i;
  Fill(c, 20000, particles);
  DrawAll(r, c);
  ASSERT_EQ(Kept().draws.size(), 2u);
  size_t first = 0;
  for (const KeepingBackend::Draw& d : Kept().draws) {
    size_t quads = d.vertices.size() / 4;
    EXPECT_EQ(d.indices.size(), quads * 6);
    EXPECT_LT(*std::max_element(d.indices.begin(), d.indices.end()), d.vertices.size());
    // Each batch starts at its own first particle.
    EXPECT_FLOAT_EQ(d.vertices[0].x, (float)first - 0.5f - 0.5f);
    first += quads;
  }
  EXPECT_EQ(Kept().draws[0].vertices.size(), 4u * T2dParticleRenderer::kMaxBatch);
  EXPECT_EQ(first, 20000u);
}

TEST_F(ParticleRendererTest, AnimatedTexturesDrawEachParticlesFrame) {
  PutSolidPng("fx/sheet.png", 64, 32);
  PutAsset("fx/burst.xml",
           "<sequence><img name=\"sheet.png\"/><framelist>"
           "<frame x=\"0\" y=\"0\" w=\"16\" h=\"8\" regx=\"8\" regy=\"4\"/>"
           "<frame x=\"16\" y=\"0\" w=\"32\" h=\"16\" regx=\"10\" regy=\"2\"/>"
           "</framelist></sequence>");
  auto sheet = TAnimatedTexture::Get(TStr("fx/burst"));
  ASSERT_TRUE(sheet) << LogText();
  std::vector<Particle> particles(3);
  particles[0].frame = 1;
  particles[1].x = 100;
  particles[1].frame = 0;
  particles[2].x = 200;
  particles[2].frame = 1;
  for (const char* framed : {"0", "1"}) {
    SCOPED_TRACE(framed);
    SetSetting(SettingKey(kSettingAnimatedParticles), TStr(framed));
    Kept().draws.clear();
    T2dParticleRenderer r;
    r.SetTexture(sheet);
    EXPECT_EQ(r.GetSize().x, 16.0f);  // no frame shown yet: the first frame's size
    TParticleCollection c;
    Fill(c, 3, particles);
    DrawAll(r, c);
    ASSERT_EQ(Kept().draws.size(), 1u);
    const KeepingBackend::Draw& d = Kept().draws[0];
    EXPECT_FLOAT_EQ(d.vertices[0].u, 16.0f / 64.0f);
    EXPECT_FLOAT_EQ(d.vertices[3].u, 48.0f / 64.0f);
    EXPECT_FLOAT_EQ(d.vertices[3].v, 16.0f / 32.0f);
    EXPECT_FLOAT_EQ(d.vertices[4].u, 0.0f);
    if (framed[0] == '0') {
      EXPECT_EQ(Corners(d, 0), "-8.5,-4.5 7.5,-4.5 -8.5,3.5 7.5,3.5");
    } else {
      // Frame 1 is 32 x 16 and registered at (10, 2): shifted by (8 - 10 + 8, 4 - 2 + 4).
      EXPECT_EQ(Corners(d, 0), "-10.5,-2.5 21.5,-2.5 -10.5,13.5 21.5,13.5");
      EXPECT_EQ(Corners(d, 1), "91.5,-4.5 107.5,-4.5 91.5,3.5 107.5,3.5");
    }
    // The same frame lands at the same offset from its particle, whatever the others show.
    EXPECT_FLOAT_EQ(d.vertices[8].x - 200.0f, d.vertices[0].x);
    EXPECT_FLOAT_EQ(d.vertices[11].y, d.vertices[3].y);
  }
}

TEST(ParticleCollection, RecordsMoveBetweenTheListsByIndex) {
  TParticleCollection c;
  ASSERT_TRUE(c.Init(4, 3));
  EXPECT_EQ(c.GetStride(), 12u);
  EXPECT_EQ(c.TakeFree(), 0);
  EXPECT_EQ(c.TakeFree(), 1);
  EXPECT_EQ(c.TakeFree(), 2);
  c.GetRecord(1)[2] = 5.0f;
  c.Retire(0);
  std::vector<int32_t> live, free;
  for (float* p : c.GetLiveList()) live.push_back(c.IndexOf(p));
  for (float* p : c.GetFreeList()) free.push_back(c.IndexOf(p));
  EXPECT_EQ(live, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(free, (std::vector<int32_t>{3, 0}));
  EXPECT_EQ(c.GetLiveCount(), 2);

  // Wider records keep their lists and leading floats.
  ASSERT_TRUE(c.SetRecordWidth(5));
  EXPECT_EQ(c.GetRecord(1)[2], 5.0f);
  EXPECT_EQ(c.GetRecord(1)[4], 0.0f);
  EXPECT_EQ(c.GetLiveCount(), 2);
  EXPECT_EQ(c.TakeFree(), 3);

  float block[8] = {};
  ASSERT_TRUE(c.Init(2, 4, block));
  EXPECT_TRUE(c.IsExternal());
  EXPECT_EQ(c.GetRecord(1), block + 4);
  ASSERT_TRUE(c.Init(0, 4));
  EXPECT_EQ(c.TakeFree(), -1);
  EXPECT_FALSE(c.Init(TParticleCollection::kMaxCount + 1, 1));
  EXPECT_EQ(c.GetCapacity(), 0);
}

}  // namespace
