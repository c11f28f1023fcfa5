// A frame of a 1,000-sprite tree. BM_SpriteTreeFrame: the walk in layer order, spec combination
// and quad building, with a device that takes the vertices and does nothing, so the figure is
// the framework's own cost. BM_SpriteTreeFrameOnDisplay: the same tree through the display
// handler on the display stand-in (software rasteriser, 800x600, 16x16 textures, presented).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/core/graphics/bench_display.h"
#include "bench/core/graphics/bench_screen.h"
#include "core/base/asset_manager.h"
#include "core/graphics/render_backend.h"
#include "core/graphics/renderer.h"
#include "core/graphics/sprites/sprite.h"
#include "core/graphics/texture.h"
#include "core/graphics/texture_data.h"
#include "core/graphics/vertex_array.h"

namespace {

// A root, 9 groups and 110 sprites in each group: 1,000 sprites, every one with a texture, layers mixed
// so that both halves of each child list are walked.
std::shared_ptr<TSprite> BuildTree(const std::shared_ptr<TTexture>& texture) {
  auto root = TSprite::Create(0, texture);
  for (int g = 0; g < 9; ++g) {
    auto group = TSprite::Create(g - 5, texture);
    group->SetPosition(TVec2(80.0f * g, 40.0f));
    for (int i = 0; i < 110; ++i) {
      auto s = TSprite::Create((i * 7) % 11 - 5, texture);
      s->SetPosition(TVec2((float)(i % 9) * 8, (float)(i / 9) * 8));
      s->SetAlpha(0.5f + (i % 2) * 0.5f);
      group->AddChild(s);
    }
    root->AddChild(group);
  }
  return root;
}

void BM_SpriteTreeFrame(benchmark::State& state) {
  TAssetManager manager;
  BenchRenderer renderer;
  TRenderer* r = TRenderer::Get();
  auto texture = TTexture::CreateRenderTarget(16, 16);
  auto root = BuildTree(texture);
  for (auto _ : state) {
    r->BeginDraw(1);
    r->Begin2d();
    root->Draw(TDrawSpec());
    r->End2d();
    r->EndDraw(1);
  }
  state.counters["sprites/s"] = benchmark::Counter((double)state.iterations() * 1000, benchmark::Counter::kIsRate);
  state.counters["vertices/frame"] = (double)renderer.sink->vertices / (double)state.iterations();
}
BENCHMARK(BM_SpriteTreeFrame)->Unit(benchmark::kMicrosecond);

void BM_SpriteTreeFrameOnDisplay(benchmark::State& state) {
  TAssetManager manager;
  TBenchScreen bench(false);
  TRenderer* r = TRenderer::Get();
  if (!bench.Ready()) {
    state.SkipWithError("the display did not come up");
  } else {
    auto texture = TTexture::CreateRenderTarget(16, 16);
    texture->GetData()->Clear();
    auto root = BuildTree(texture);
    for (auto _ : state) {
      if (!r->BeginDraw(1)) continue;
      r->Begin2d();
      root->Draw(TDrawSpec());
      r->End2d();
      r->EndDraw(1);
    }
    state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
  }
}
BENCHMARK(BM_SpriteTreeFrameOnDisplay)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // Headless unless told otherwise.
  setenv("SDL_VIDEODRIVER", "dummy", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
