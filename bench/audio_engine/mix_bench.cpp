// Mixing 32 streamed Ogg sources through four buses for 10 s of audio, read in 20 ms blocks as
// the output does; reports the mixing time as a fraction of real time ("realtime_fraction").
// Argument 1: streamed (decoding as it plays); 0: the same files cached in memory.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audio_engine/debug.h"
#include "audio_engine/mix/reader_player.h"
#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/persist.h"
#include "tools/tonegen/tone.h"

namespace {

constexpr int kSources = 32;
constexpr int kBuses = 4;
constexpr uint32_t kBlockFrames = 882;  // 20 ms
constexpr uint32_t kSeconds = 10;

void BM_Mix32StreamedOgg(benchmark::State& state) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("bench-audio-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (int i = 0; i < 4; i++) {
    ToneGen::ToneSpec spec;
    spec.frequency = 220.0 * (i + 1);
    spec.amplitude = 0.05;
    spec.frames = 44100 * 3;
    spec.channels = i % 2 ? 1 : 2;
    ToneGen::WriteFile((dir / ("tone" + std::to_string(i) + ".ogg")).string(), ToneGen::MakeOggTone(spec));
  }
  Tarn::cPersist::Init(dir.string().c_str());
  auto* system = TarnMix::cTarnSoundSystem::Init();
  std::vector<std::unique_ptr<TarnMix::cBusMixer>> buses;
  for (int b = 0; b < kBuses; b++) {
    buses.push_back(std::make_unique<TarnMix::cBusMixer>(TarnMix::cTarnSoundSystem::RootFormat()));
    buses.back()->SetParent(system->Root());
    buses.back()->SetVolume(0.8f);
    buses.back()->SetPan(0.25f + 0.15f * b);
    buses.back()->Play(-1);
  }
  std::vector<std::unique_ptr<TarnMix::cSound>> players;
  for (int i = 0; i < kSources; i++) {
    auto p = std::make_unique<TarnMix::cSound>(Tarn::cString("tone" + std::to_string(i % 4) + ".ogg"), state.range(0) == 1);
    p->Buffer()->SetLoop(true);  // loop to the end of the file, so every source plays throughout
    p->SetParent(buses[i % kBuses].get());
    p->Play(-1);
    players.push_back(std::move(p));
  }
  std::vector<uint8_t> out(kBlockFrames * 4);
  double seconds = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    for (uint32_t block = 0; block < kSeconds * 44100 / kBlockFrames; block++) {
      uint32_t got = 0;
      system->RootReader()->Read(out.data(), (uint32_t)out.size(), &got);
      benchmark::DoNotOptimize(out.data());
    }
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["realtime_fraction"] = seconds / (state.iterations() * (double)kSeconds);
  players.clear();
  buses.clear();
  TarnMix::cTarnSoundSystem::Shutdown();
  Tarn::cPersist::Shutdown();
  fs::remove_all(dir);
}
BENCHMARK(BM_Mix32StreamedOgg)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
