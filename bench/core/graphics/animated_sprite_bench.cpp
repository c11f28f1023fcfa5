// N animated sprites. BM_AnimatedSpriteFrame: one frame of N sprites, each running its own
// script (frames{...} on a 16 ms delay, so every sprite's coroutine wakes every frame): the task
// pass that resumes them, then drawing them into a device that takes the vertices.
// BM_AnimatedSpriteStart: making N sprites and playing them (a script state each). Time comes
// from a counter, not the wall clock.
#include <benchmark/benchmark.h>
#include <png.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/core/graphics/bench_display.h"
#include "core/base/asset_manager.h"
#include "core/base/memory_file.h"
#include "core/base/platform_time.h"
#include "core/base/task_list.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/renderer.h"
#include "core/graphics/vertex_array.h"

namespace {

uint32_t gNow = 1000;
uint32_t Now() { return gNow; }

// A 64 x 16 RGBA sheet as PNG bytes.
std::string SheetPng() {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out, [](png_structp p, png_bytep data, png_size_t n) {
        static_cast<std::string*>(png_get_io_ptr(p))->append((const char*)data, n);
      },
      nullptr);
  png_set_IHDR(png, info, 64, 16, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(64 * 4, 0xFF);
  for (int y = 0; y < 16; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

const std::string kSheet = SheetPng();
const std::string kAnimation =
    "<sequence><img name=\"sheet.png\"/><framelist>"
    "<frame x=\"0\" y=\"0\" w=\"16\" h=\"16\" regx=\"8\" regy=\"8\"/>"
    "<frame x=\"16\" y=\"0\" w=\"16\" h=\"16\" regx=\"8\" regy=\"8\"/>"
    "<frame x=\"32\" y=\"0\" w=\"16\" h=\"16\" regx=\"8\" regy=\"8\"/>"
    "<frame x=\"48\" y=\"0\" w=\"16\" h=\"16\" regx=\"8\" regy=\"8\"/>"
    "</framelist><script>function DoAnim() delay(16) while true do frames{1, 2, 3, 4} end end</script>"
    "</sequence>";

struct Scene {
  TAssetManager manager;
  BenchRenderer renderer;
  std::shared_ptr<TAnimatedTexture> animation;
  Scene() {
    SetPlatformTimeSource(&Now);
    RegisterMemoryFile(TStr("bench/sheet.png"), kSheet.data(), (uint32_t)kSheet.size());
    RegisterMemoryFile(TStr("bench/walk.xml"), kAnimation.data(), (uint32_t)kAnimation.size());
    animation = TAnimatedTexture::Get(TStr("bench/walk.xml"));
  }
  ~Scene() {
    TAnimatedSprite::GetTaskList()->KillAllTasks();
    animation.reset();
    RegisterMemoryFile(TStr("bench/sheet.png"), nullptr, 0);
    RegisterMemoryFile(TStr("bench/walk.xml"), nullptr, 0);
    SetPlatformTimeSource(nullptr);
  }
  std::vector<std::shared_ptr<TAnimatedSprite>> Start(int n) {
    std::vector<std::shared_ptr<TAnimatedSprite>> sprites;
    for (int i = 0; i < n; ++i) {
      auto s = TAnimatedSprite::Create();
      s->SetTexture(animation);
      s->SetPosition(TVec2((float)(i % 40) * 20, (float)(i / 40) * 20));
      s->Play(TStr("DoAnim"));
      sprites.push_back(s);
    }
    return sprites;
  }
};

void BM_AnimatedSpriteFrame(benchmark::State& state) {
  Scene scene;
  if (!scene.animation) {
    state.SkipWithError("the animation did not load");
    return;
  }
  auto sprites = scene.Start((int)state.range(0));
  TRenderer* r = TRenderer::Get();
  for (auto _ : state) {
    gNow += 16;
    TAnimatedSprite::GetTaskList()->RunTasks(0);
    r->BeginDraw(1);
    r->Begin2d();
    for (auto& s : sprites) s->Draw(TDrawSpec());
    r->End2d();
    r->EndDraw(1);
  }
  state.counters["sprites/s"] =
      benchmark::Counter((double)state.iterations() * (double)sprites.size(), benchmark::Counter::kIsRate);
  state.counters["frame"] = (double)sprites.back()->GetCurrentFrame();
}
BENCHMARK(BM_AnimatedSpriteFrame)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_AnimatedSpriteStart(benchmark::State& state) {
  Scene scene;
  if (!scene.animation) {
    state.SkipWithError("the animation did not load");
    return;
  }
  for (auto _ : state) {
    auto sprites = scene.Start((int)state.range(0));
    benchmark::DoNotOptimize(sprites.data());
  }
  state.counters["sprites/s"] =
      benchmark::Counter((double)state.iterations() * (double)state.range(0), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AnimatedSpriteStart)->Arg(100)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
