// A display for drawing tests that need no device: a renderer backend that records what the
// renderer hands it, texture data kept in memory, and a tiny rasteriser for the quads textures
// draw (enough to hit-test and to check what lands where), plus a fixture that installs them.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "core/base/asset_file_list.h"
#include "core/base/asset_manager.h"
#include "core/base/platform_time.h"
#include "core/graphics/render_backend.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture.h"
#include "core/graphics/texture_data.h"
#include "core/graphics/vertex_array.h"
#include "tests/core/base/file_fixture.h"
#include "tests/core/graphics/image_fixtures.h"

// Surfaces in memory, 32-bit ARGB. With gPowerOfTwo the surface is rounded up as a device
// that needs powers of two would.
class FakeTextureData : public TTextureData {
 public:
  static inline bool gPowerOfTwo = false;
  static inline int gRestores = 0;

  std::vector<uint32_t> surface;

  void Release() override { surface.clear(); }
  void Restore() override {
    ++gRestores;
    if (!GetFileName().IsEmpty())
      Load(GetFileName(), GetMaskName());
    else
      CreateSurface(mWidth, mHeight, true);
  }
  bool SetPixels(uint32_t rowLength, uint32_t rows, const uint32_t* pixels) override {
    if (surface.empty()) return false;
    for (uint32_t y = 0; y < mHeight && y < rows; ++y)
      for (uint32_t x = 0; x < mWidth && x < rowLength; ++x)
        surface[(y + mMarginY) * mSurfaceWidth + x + mMarginX] = pixels[(size_t)y * rowLength + x];
    return true;
  }
  bool CreateSurface(uint32_t width, uint32_t height, bool clear) override {
    mWidth = width;
    mHeight = height;
    bool round = gPowerOfTwo && !HasFlag(kTextureSimple);
    mSurfaceWidth = round ? Pow2(width) : width;
    mSurfaceHeight = round ? Pow2(height) : height;
    surface.assign((size_t)mSurfaceWidth * mSurfaceHeight, 0);
    return true;
  }
  void CopyTo(int x, int y, const TRect* source, TTextureData* destination) override {
    auto* d = static_cast<FakeTextureData*>(destination);
    if (!d || surface.empty()) return;
    TRect r = source ? *source : TRect(0, 0, (int)mWidth, (int)mHeight);
    for (int sy = r.top; sy < r.bottom; ++sy)
      for (int sx = r.left; sx < r.right; ++sx) {
        int dx = x + sx - r.left, dy = y + sy - r.top;
        if (dx < 0 || dy < 0 || dx >= (int)d->mSurfaceWidth || dy >= (int)d->mSurfaceHeight) continue;
        d->surface[(size_t)dy * d->mSurfaceWidth + dx] = surface[(size_t)sy * mSurfaceWidth + sx];
      }
  }
  void Clear() override { std::fill(surface.begin(), surface.end(), 0u); }
  bool Lock(uint32_t*& pixels, int& pitch) override {
    if (surface.empty()) return false;
    pixels = surface.data();
    pitch = (int)mSurfaceWidth;
    return true;
  }
  void Unlock() override {}

  uint32_t Pixel(int x, int y) const { return surface[(size_t)(y + mMarginY) * mSurfaceWidth + x + mMarginX]; }

 private:
  static uint32_t Pow2(uint32_t n) {
    uint32_t p = 1;
    while (p < n) p <<= 1;
    return p;
  }
};

// Records every call as text; frames open as told; viewports kept as the display handler does.
class FakeBackend : public TRenderBackend {
 public:
  struct Quad {
    std::array<TVertex, 4> vertices;
    TTextureData* texture;
    uint32_t primitive;
  };

  std::vector<std::string> calls;
  std::vector<Quad> quads;
  std::vector<TVec2> points;  // the position of every 2D vertex drawn
  bool beginDrawResult = true;
  bool renderTargetResult = true;
  TRect screen = TRect(0, 0, 800, 600);
  TRect viewport = TRect(0, 0, 800, 600);
  std::vector<TRect> viewports;
  std::string sixteenBit = "0";
  TTextureData* bound = nullptr;
  FakeTextureData* target = nullptr;

  bool BeginDraw(uint32_t a) override { return Log("BeginDraw " + std::to_string(a)), beginDrawResult; }
  void EndDraw(uint32_t a) override { Log("EndDraw " + std::to_string(a)); }
  bool Begin2d() override { return Log("Begin2d"), true; }
  void End2d() override { Log("End2d"); }
  bool Begin3d() override { return Log("Begin3d"), true; }
  bool BeginRenderTarget(std::shared_ptr<TTexture> t, uint32_t a) override {
    Log("BeginRenderTarget " + std::to_string(a));
    if (renderTargetResult) target = static_cast<FakeTextureData*>(t->GetData());
    return renderTargetResult;
  }
  void EndRenderTarget() override {
    Log("EndRenderTarget");
    target = nullptr;
  }
  void DrawVertices(uint32_t primitive, TVertexArray* va) override {
    Log("DrawVertices " + std::to_string(primitive) + " kind " + std::to_string(va->GetKind()) + " count " +
        std::to_string(va->GetCount()));
    if (va->GetKind() != TVertexArray::kMesh)
      for (uint32_t i = 0; i < va->GetCount(); ++i) {
        const TVertex& v = ((const TVertex*)va->GetVertices())[i];
        points.emplace_back(v.x, v.y);
      }
    if (va->GetCount() == 4 && va->GetKind() != TVertexArray::kMesh) {
      Quad q;
      const TVertex* v = (const TVertex*)va->GetVertices();
      for (int i = 0; i < 4; ++i) q.vertices[i] = v[i];
      q.texture = bound;
      q.primitive = primitive;
      quads.push_back(q);
      if (target) Rasterise(q, *target);
    }
  }
  void DrawIndexedVertices(uint32_t primitive, TVertexArray*, const uint16_t*, uint32_t count) override {
    Log("DrawIndexedVertices " + std::to_string(primitive) + " " + std::to_string(count));
  }
  void SetTexture(std::shared_ptr<TTexture> t) override {
    bound = t ? t->GetData() : nullptr;
    Log(t ? "SetTexture" : "SetTexture none");
  }
  void FillRect(int l, int t, int r, int b, const TColor*, std::shared_ptr<TTexture> tex) override {
    Log("FillRect " + R(TRect(l, t, r, b)) + (tex ? " texture" : ""));
  }
  void SetClipRect(const TRect& r) override { Log("SetClipRect " + R(r)); }
  void SetViewport(int l, int t, int r, int b) override {
    viewport = TRect(l, t, r, b);
    Log("SetViewport " + R(viewport));
  }
  void GetViewport(int* l, int* t, int* r, int* b) override {
    *l = viewport.left;
    *t = viewport.top;
    *r = viewport.right;
    *b = viewport.bottom;
  }
  void PushViewport(int l, int t, int r, int b) override {
    viewports.push_back(viewport);
    viewport = TRect(l, t, r, b);
    Log("PushViewport " + R(viewport));
  }
  void PopViewport() override {
    if (!viewports.empty()) {
      viewport = viewports.back();
      viewports.pop_back();
    }
    Log("PopViewport");
  }
  void SetBlendMode(int m) override { Log("SetBlendMode " + std::to_string(m)); }
  void SetCullMode(int m) override { Log("SetCullMode " + std::to_string(m)); }
  void SetMaterial(const D3DMATERIAL7&) override { Log("SetMaterial"); }
  void SetTextureFilter(int f) override { Log("SetTextureFilter " + std::to_string(f)); }
  bool SupportsNonPowerOfTwo() override { return !FakeTextureData::gPowerOfTwo; }
  void SetOption(TStr k, TStr v) override { Log(std::string("SetOption ") + k.c_str() + "=" + v.c_str()); }
  TStr GetOption(TStr k) override { return k == TStr("16bitmode") ? TStr(sixteenBit.c_str()) : TStr(); }
  bool IsFrameDone() override { return true; }
  void OnOutOfVideoMemory() override { Log("OnOutOfVideoMemory"); }
  TRect GetScreenRect() override { return screen; }
  std::unique_ptr<TTextureData> CreateTextureData() override { return std::make_unique<FakeTextureData>(); }

  static std::string R(const TRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
  }

 private:
  void Log(const std::string& s) { calls.push_back(s); }

  // Writes the alpha of what a parallelogram quad covers (texel alpha x vertex alpha) into the
  // target's alpha, as the alpha-mask render target does; pixel centres at +0.5.
  void Rasterise(const Quad& q, FakeTextureData& t) {
    const TVertex& a = q.vertices[0];
    const TVertex& b = q.vertices[1];
    const TVertex& d = q.vertices[3];
    float ex = b.x - a.x, ey = b.y - a.y, fx = d.x - a.x, fy = d.y - a.y;
    float det = ex * fy - ey * fx;
    if (det == 0) return;
    auto* tex = static_cast<FakeTextureData*>(q.texture);
    for (uint32_t py = 0; py < t.GetSurfaceHeight(); ++py)
      for (uint32_t px = 0; px < t.GetSurfaceWidth(); ++px) {
        float cx = px + 0.5f - a.x, cy = py + 0.5f - a.y;
        float s = (cx * fy - cy * fx) / det, u = (ex * cy - ey * cx) / det;
        if (s < 0 || s >= 1 || u < 0 || u >= 1) continue;
        uint32_t alpha = a.diffuse >> 24;
        if (tex && !tex->surface.empty()) {
          float tu = a.u + s * (b.u - a.u), tv = a.v + u * (d.v - a.v);
          int tx = (int)std::floor(tu * tex->GetSurfaceWidth()), ty = (int)std::floor(tv * tex->GetSurfaceHeight());
          if (tx < 0 || ty < 0 || tx >= (int)tex->GetSurfaceWidth() || ty >= (int)tex->GetSurfaceHeight()) continue;
          alpha = alpha * (tex->surface[(size_t)ty * tex->GetSurfaceWidth() + tx] >> 24) / 255;
        }
        uint32_t& p = t.surface[(size_t)py * t.GetSurfaceWidth() + px];
        if (alpha > (p >> 24)) p = (p & 0x00FFFFFFu) | alpha << 24;
      }
  }
};

// A file-layer fixture with an asset manager and a renderer over a FakeBackend.
class DrawingTest : public FileLayerTest {
 protected:
  void SetUp() override {
    FileLayerTest::SetUp();
    FakeTextureData::gPowerOfTwo = false;
    FakeTextureData::gRestores = 0;
    mManager = std::make_unique<TAssetManager>();
    TRenderer::Destroy();
    TRenderer::SetBackendFactory([this]() {
      auto b = std::make_unique<FakeBackend>();
      mBackend = b.get();
      return b;
    });
    TRenderer::Get();
    SetPlatformTimeSource(&Clock);
    gNow = 1000;
  }
  void TearDown() override {
    TRenderer::Destroy();
    TRenderer::SetBackendFactory(nullptr);
    SetPlatformTimeSource(nullptr);
    mManager.reset();
    FileLayerTest::TearDown();
  }

  static uint32_t Clock() { return gNow; }
  static inline uint32_t gNow = 0;

  TRenderer* R() { return TRenderer::Get(); }
  FakeBackend& Backend() { return *mBackend; }
  // Calls recorded since the last Calls().
  std::vector<std::string> Calls() {
    std::vector<std::string> c;
    c.swap(mBackend->calls);
    return c;
  }

  // A PNG of 32-bit ARGB pixels (row by row) in the assets, where virtual paths find it.
  std::string PutPng(const std::string& relative, int width, int height, const std::vector<uint32_t>& argb) {
    std::string path = mTemp.File("assets/" + relative);
    EXPECT_TRUE(WritePng(path, ArgbPng(width, height, argb)));
    BuildFileMap();
    return path;
  }
  // A width x height PNG of one colour.
  std::string PutSolidPng(const std::string& relative, int width, int height, uint32_t argb = 0xFF336699u) {
    return PutPng(relative, width, height, std::vector<uint32_t>((size_t)width * height, argb));
  }
  // Any file in the assets.
  void PutAsset(const std::string& relative, const std::string& bytes) {
    Put("assets/" + relative, bytes);
    BuildFileMap();
  }

  std::unique_ptr<TAssetManager> mManager;
  FakeBackend* mBackend = nullptr;
};
