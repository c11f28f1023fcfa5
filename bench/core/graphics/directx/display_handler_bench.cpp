// Speed of the display handler's own pixel work on the stand-in, in an 800x600 full screen:
// CursorMove: the mouse thread's move of a 32x32 cursor (save the background twice, blend the
// premultiplied runs, put the old background back, show the new one), by display depth;
// TextureLock: locking and unlocking a 256x256 texture, in place for 32-bit ARGB surfaces and
// through a converted copy for 16-bit ones (each lock reads, each unlock writes every pixel).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/core/graphics/bench_screen.h"
#include "core/graphics/directx/dx_context.h"
#include "core/graphics/directx/dx_texture_data.h"
#include "core/graphics/texture.h"

namespace {

std::shared_ptr<TTexture> CursorImage() {
  auto t = TTexture::Create(TStr());
  t->GetData()->SetFlags(kTextureSimple | kTextureAlpha);
  t->GetData()->CreateSurface(32, 32, true);
  uint32_t* p = nullptr;
  int pitch = 0;
  if (t->Lock(p, pitch)) {
    // An arrow-like wedge: about half the pixels visible, some translucent at the edge.
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        p[(size_t)y * pitch + x] = x < y ? (x == y - 1 ? 0x80FFFFFFu : 0xFF202020u) : 0xFFFF00FFu;
    t->Unlock();
  }
  return t;
}

void CursorMove(benchmark::State& state) {
  // Every clock reading is 16 ms on: the mouse thread's throttle never holds a move back.
  TBenchScreen d(true, (int)state.range(0), 16);
  auto image = CursorImage();
  d.display->SetMouseCursor(image, 0, 0, false);
  SetCursorPos(100, 100);
  int x = 100, y = 100;
  d.display->MoveMouseCursor(x, y);
  int step = 0;
  for (auto _ : state) {
    SetCursorPos(100 + step % 500, 100 + (step / 7) % 400);
    ++step;
    x = y = -1;
    d.display->MoveMouseCursor(x, y);
    benchmark::DoNotOptimize(x);
  }
  state.counters["moves/s"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(CursorMove)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);

void TextureLock(benchmark::State& state) {
  TBenchScreen d(true, (int)state.range(0));
  TDxTextureData data;
  data.SetFlags(kTextureAlpha);
  data.CreateSurface(256, 256, true);
  uint32_t* p = nullptr;
  int pitch = 0;
  for (auto _ : state) {
    if (data.Lock(p, pitch)) {
      p[0] ^= 1;
      data.Unlock();
    }
  }
  state.counters["Mpixels/s"] =
      benchmark::Counter((double)state.iterations() * 256 * 256 / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(TextureLock)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
