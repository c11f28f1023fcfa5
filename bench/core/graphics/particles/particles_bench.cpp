// A 10,000-particle effect per frame. BM_ParticleUpdate: the script's Update and the compiled
// anim program over every record (gravity, motion, a fading alpha, the expiry test);
// BM_ParticleDraw: the quads written into the shared buffer and handed to a device that does
// nothing with them; BM_ParticleFrame: both. BM_NativeParticleUpdate does the same arithmetic in
// a plain loop over structs, the floor the compiled programs can be measured against.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "bench/core/graphics/bench_display.h"
#include "core/base/asset_manager.h"
#include "core/graphics/particles/lua_particle_system.h"
#include "core/graphics/renderer.h"

namespace {

constexpr int kParticles = 10000;

const char kEffect[] =
    "SetNumParticles(10000)\n"
    "pVelocity = Allocate(2)\n"
    "pLife = Allocate(1)\n"
    "pPosition:Init(Vec2(400, 300))\n"
    "pVelocity:Init(f2dRadius(fRange(50, 150)))\n"
    "pLife:Init(fRange(1000, 2000))\n"
    "pColor:Init(Color(1, 0.8, 0.2, 1))\n"
    "pVelocity:Anim(pVelocity + fTimeScale(Vec2(0, 98)))\n"
    "pPosition:Anim(pPosition + fTimeScale(pVelocity))\n"
    "pLife:Anim(pLife - fTimeScale(1))\n"
    "pColor:Anim(fAlpha(pColor, pLife / 2000))\n"
    "Anim(fExpire(fLess(pLife, 0)))\n"
    "function Update(dt) Spawn(10000) end\n";

struct Scene {
  TAssetManager manager;
  BenchRenderer renderer;
  std::unique_ptr<TLuaParticleSystem> system;
  Scene() {
    system = std::make_unique<TLuaParticleSystem>();
    system->Load(TStr(kEffect));
    system->Update(16);  // fills the records
  }
  void Draw() {
    TRenderer* r = TRenderer::Get();
    r->BeginDraw(1);
    r->Begin2d();
    system->Draw(TVec3(0, 0, 0));
    r->End2d();
    r->EndDraw(1);
  }
};

void Report(benchmark::State& state, const Scene& scene) {
  state.counters["live"] = (double)scene.system->GetCollection().GetLiveCount();
  state.SetItemsProcessed(state.iterations() * kParticles);
}

void BM_ParticleUpdate(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) scene.system->Update(16);
  Report(state, scene);
}
BENCHMARK(BM_ParticleUpdate)->Unit(benchmark::kMicrosecond);

void BM_ParticleDraw(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) scene.Draw();
  Report(state, scene);
  state.counters["vertices/frame"] = (double)scene.renderer.sink->vertices / (double)state.iterations();
}
BENCHMARK(BM_ParticleDraw)->Unit(benchmark::kMicrosecond);

void BM_ParticleFrame(benchmark::State& state) {
  Scene scene;
  for (auto _ : state) {
    scene.system->Update(16);
    scene.Draw();
  }
  Report(state, scene);
}
BENCHMARK(BM_ParticleFrame)->Unit(benchmark::kMicrosecond);

struct NativeParticle {
  float x, y, vx, vy, life, r, g, b, a;
};

void BM_NativeParticleUpdate(benchmark::State& state) {
  std::vector<NativeParticle> particles(kParticles);
  for (int i = 0; i < kParticles; ++i) {
    float angle = (float)i * 0.37f, speed = 50.0f + (float)(i % 100);
    particles[(size_t)i] = {400, 300, speed * std::cos(angle), speed * std::sin(angle), 1000.0f + (float)(i % 1000), 1,
                            0.8f, 0.2f, 1};
  }
  for (auto _ : state) {
    const float step = 16.0f / 1000.0f;
    for (NativeParticle& p : particles) {
      p.vy += 98.0f * step;
      p.x += p.vx * step;
      p.y += p.vy * step;
      p.life -= step;
      p.a = p.life / 2000.0f;
      if (p.life < 0) p.life = 1000.0f;  // retire and respawn
    }
    benchmark::DoNotOptimize(particles.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kParticles);
}
BENCHMARK(BM_NativeParticleUpdate)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
