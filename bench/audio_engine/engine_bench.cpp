// The whole engine ticked as the output ticks it (an engine tick and the mix of one 20 ms
// block from the root), on a generated project of looping streamed voices:
//   BM_Tick/N          per-tick time at N voices: p50, p99 and the longest tick (p99 < 5 ms)
//   BM_ColdEvent       how long an event holds the engine lock when its node is made on first
//                      use (node, file and decoder opened under the lock)
//   BM_TenMinutes      heap in use over ten simulated minutes of ticks with events firing:
//                      what it grows by after the first simulated seconds
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "audio_engine/debug.h"
#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/persist.h"
#include "audio_engine/tarn_sound_system.h"
#include "audio_engine/vexa_engine.h"
#include "tests/audio_engine/support/memory_reader.h"
#include "tests/audio_engine/support/project_xml.h"
#include "tools/tonegen/tone.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr uint32_t kBlock = 882;  // 20 ms
constexpr int kMaxVoices = 32;
constexpr int kTones = 8;

// A data folder of tones and a loaded project: voices "Voice i" (looping, streamed) and
// one-shot events "Cold i" that nothing has used yet, all on the master bus.
class Engine {
 public:
  Engine() {
    mDir = fs::temp_directory_path() / ("bench-audio-engine-" + std::to_string(::getpid()));
    fs::create_directories(mDir);
    for (int i = 0; i < kTones; i++) {
      ToneGen::ToneSpec spec;
      spec.frequency = 110.0 * (i + 1);
      spec.amplitude = 0.02;
      spec.frames = 44100 * 4;
      spec.channels = i % 2 ? 1 : 2;
      ToneGen::WriteFile((mDir / ("tone" + std::to_string(i) + ".ogg")).string(), ToneGen::MakeOggTone(spec));
    }
    VexaTest::ProjectXml p("Bench");
    p.RootAndMaster({});
    for (int i = 0; i < kTones; i++)
      p.Patch("Tone " + std::to_string(i), "SampleResource").Set("Url", "tone" + std::to_string(i) + ".ogg");
    for (const char* kind : {"Voice", "Cold"})
      for (int i = 0; i < kMaxVoices; i++) {
        std::string name = std::string(kind) + " " + std::to_string(i);
        p.Patch(name, "MixerChannel").Set("OutputBusMixerChannel", "Master Bus").Set("ChildName", name + " Box");
        p.Patch(name + " Box", "LoopBox").Set("ResourceName", "Tone " + std::to_string(i % kTones));
        p.Set("Stream", "true").Set("ResourceLoopEnabled", std::string(kind) == "Voice" ? "true" : "false");
      }
    Tarn::SetLogSink([](const std::string&) {});
    Tarn::cPersist::Init(mDir.string().c_str());
    mSystem = Tarn::cTarnSoundSystem::Create();
    VexaTest::MemoryReader reader(p.Text());
    mSystem->LoadProject("Bench.xml", &reader);
    mSystem->StartMasterBus();
    mOut.resize(kBlock * 2);
  }
  ~Engine() {
    Tarn::cTarnSoundSystem::Shutdown();
    Tarn::cPersist::Shutdown();
    Tarn::SetLogSink(nullptr);
    fs::remove_all(mDir);
  }
  void Event(const std::string& name) { Tarn::PlayEvent(name.c_str(), nullptr, 0); }
  void Tick() {
    uint32_t got = 0;
    TarnMix::cTarnSoundSystem::Get()->RootReader()->Read(mOut.data(), kBlock * 4, &got);
    benchmark::DoNotOptimize(mOut.data());
  }

 private:
  fs::path mDir;
  Tarn::cTarnSoundSystem* mSystem = nullptr;
  std::vector<int16_t> mOut;
};

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[std::min(v.size() - 1, (size_t)(p * (double)v.size()))];
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void BM_Tick(benchmark::State& state) {
  Engine engine;
  const int voices = (int)state.range(0);
  for (int i = 0; i < voices; i++) engine.Event("Voice " + std::to_string(i));
  for (int i = 0; i < 50; i++) engine.Tick();  // first reads of every file
  std::vector<double> ticks;
  for (auto _ : state) {
    for (int i = 0; i < 1500; i++) {  // 30 s of sound
      auto t0 = Clock::now();
      engine.Tick();
      ticks.push_back(Ms(Clock::now() - t0));
    }
  }
  state.counters["p50_ms"] = Percentile(ticks, 0.50);
  state.counters["p99_ms"] = Percentile(ticks, 0.99);
  state.counters["max_ms"] = Percentile(ticks, 1.0);
}
BENCHMARK(BM_Tick)->Arg(1)->Arg(8)->Arg(32)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ColdEvent(benchmark::State& state) {
  Engine engine;
  for (int i = 0; i < 8; i++) engine.Event("Voice " + std::to_string(i));  // something plays
  engine.Tick();
  std::vector<double> holds;
  for (auto _ : state) {
    for (int i = 0; i < kMaxVoices; i++) {
      auto t0 = Clock::now();
      engine.Event("Cold " + std::to_string(i));  // the whole call holds the engine lock
      holds.push_back(Ms(Clock::now() - t0));
      engine.Tick();
    }
  }
  state.counters["lock_hold_p50_ms"] = Percentile(holds, 0.50);
  state.counters["lock_hold_max_ms"] = Percentile(holds, 1.0);
}
BENCHMARK(BM_ColdEvent)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_TenMinutes(benchmark::State& state) {
  Engine engine;
  for (int i = 0; i < 8; i++) engine.Event("Voice " + std::to_string(i));
  size_t heapAfterWarmUp = 0, heapEnd = 0, heapPeak = 0;
  for (auto _ : state) {
    const int ticks = 600 * 50;
    for (int t = 0; t < ticks; t++) {
      if (t % 50 == 0) engine.Event("Cold " + std::to_string((t / 50) % kMaxVoices));  // a one-shot a second
      if (t % 1500 == 0) engine.Event("Voice " + std::to_string((t / 1500) % 8));  // re-triggers
      engine.Tick();
      if (t == 3000) heapAfterWarmUp = mallinfo2().uordblks;
      if (t > 3000) heapPeak = std::max(heapPeak, mallinfo2().uordblks);
    }
    heapEnd = mallinfo2().uordblks;
  }
  state.counters["heap_at_1min_kb"] = (double)heapAfterWarmUp / 1024.0;
  state.counters["heap_at_10min_kb"] = (double)heapEnd / 1024.0;
  state.counters["heap_peak_kb"] = (double)heapPeak / 1024.0;
  state.counters["growth_kb"] = ((double)heapEnd - (double)heapAfterWarmUp) / 1024.0;
}
BENCHMARK(BM_TenMinutes)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
