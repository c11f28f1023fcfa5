// A device for drawing benchmarks that takes what it is handed and does nothing with it, so the
// figures are the framework's own cost: surfaces that only know their size, and a backend that
// counts the vertices it receives on an 800 x 600 screen; BenchRenderer puts the renderer on one.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "core/graphics/render_backend.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture_data.h"
#include "core/graphics/vertex_array.h"

class BenchSurface : public TTextureData {
 public:
  void Release() override {}
  void Restore() override {}
  bool SetPixels(uint32_t, uint32_t, const uint32_t*) override { return true; }
  bool CreateSurface(uint32_t w, uint32_t h, bool) override {
    mWidth = mSurfaceWidth = w;
    mHeight = mSurfaceHeight = h;
    return true;
  }
  void CopyTo(int, int, const TRect*, TTextureData*) override {}
  void Clear() override {}
  bool Lock(uint32_t*&, int&) override { return false; }
  void Unlock() override {}
};

class BenchSink : public TNullRenderBackend {
 public:
  uint64_t vertices = 0;
  bool BeginDraw(uint32_t) override { return true; }
  bool Begin2d() override { return true; }
  void DrawVertices(uint32_t, TVertexArray* va) override {
    vertices += va->GetCount();
    benchmark::DoNotOptimize(va->GetVertices());
  }
  void DrawIndexedVertices(uint32_t, TVertexArray* va, const uint16_t* indices, uint32_t) override {
    vertices += va->GetCount();
    benchmark::DoNotOptimize(va->GetVertices());
    benchmark::DoNotOptimize(indices);
  }
  void GetViewport(int* l, int* t, int* r, int* b) override { *l = *t = 0, *r = 800, *b = 600; }
  bool SupportsNonPowerOfTwo() override { return true; }
  TRect GetScreenRect() override { return TRect(0, 0, 800, 600); }
  std::unique_ptr<TTextureData> CreateTextureData() override { return std::make_unique<BenchSurface>(); }
};

// The renderer made on a fresh BenchSink for as long as this lives. Whatever draws through it
// (textures, sprites, particle systems) must go first: declare this before them.
class BenchRenderer {
 public:
  BenchRenderer() {
    TRenderer::Destroy();
    TRenderer::SetBackendFactory([this]() {
      auto b = std::make_unique<BenchSink>();
      sink = b.get();
      return b;
    });
    TRenderer::Get();
  }
  ~BenchRenderer() {
    TRenderer::Destroy();
    TRenderer::SetBackendFactory(nullptr);
  }
  BenchRenderer(const BenchRenderer&) = delete;
  BenchRenderer& operator=(const BenchRenderer&) = delete;

  BenchSink* sink = nullptr;
};
