// Streamed mixing against plain decoding, and the cost of a deep bus tree.
//   BM_StreamedMixVsDecode/D  eight 10-second Ogg files played streamed through D nested buses
//                             and read out in 20 ms blocks, against decoding the same files
//                             with libvorbisfile into a buffer in the same run; "ratio" is
//                             mixing time over decoding time (aim: 1.1 or less)
//   BM_DeepBusTree/D          one 20 ms block of four constant sources under D nested buses
//                             (each level resets its children once, so the cost grows with D)
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "audio_engine/mix/bus_mixer.h"
#include "audio_engine/mix/reader_player.h"
#include "audio_engine/mix/tarn_sound_system.h"
#include "audio_engine/persist.h"
#include "tools/tonegen/tone.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kFiles = 8;
constexpr uint32_t kSeconds = 10;
constexpr uint32_t kBlock = 882;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Builds `depth` buses, each inside the one before, under the mix root: the deepest is last.
std::vector<std::unique_ptr<TarnMix::cBusMixer>> BusChain(int depth) {
  std::vector<std::unique_ptr<TarnMix::cBusMixer>> chain;
  TarnMix::cWaveMixer* parent = TarnMix::cTarnSoundSystem::Get()->Root();
  for (int i = 0; i < depth; i++) {
    chain.push_back(std::make_unique<TarnMix::cBusMixer>(TarnMix::cTarnSoundSystem::RootFormat()));
    chain.back()->SetParent(parent);
    chain.back()->SetVolume(0.9f);
    chain.back()->Play(-1);
    parent = chain.back().get();
  }
  return chain;
}

void BM_StreamedMixVsDecode(benchmark::State& state) {
  fs::path dir = fs::temp_directory_path() / ("bench-audio-stream-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  for (int i = 0; i < kFiles; i++) {
    ToneGen::ToneSpec spec;
    spec.frequency = 200.0 + 75.0 * i;
    spec.amplitude = 0.05;
    spec.frames = 44100 * kSeconds;
    spec.channels = i % 2 ? 1 : 2;
    ToneGen::WriteFile((dir / ("s" + std::to_string(i) + ".ogg")).string(), ToneGen::MakeOggTone(spec));
  }
  Tarn::cPersist::Init(dir.string().c_str());
  TarnMix::cTarnSoundSystem* system = TarnMix::cTarnSoundSystem::Init();
  double mixing = 0.0, decoding = 0.0;
  std::vector<char> pcm(1 << 16);
  std::vector<uint8_t> out(kBlock * 4);
  for (auto _ : state) {
    // Decoding alone: every file read to its end.
    auto t0 = Clock::now();
    for (int i = 0; i < kFiles; i++) {
      OggVorbis_File vf;
      if (ov_fopen((dir / ("s" + std::to_string(i) + ".ogg")).c_str(), &vf) != 0) continue;
      int bitstream = 0;
      while (ov_read(&vf, pcm.data(), (int)pcm.size(), 0, 2, 1, &bitstream) > 0) benchmark::DoNotOptimize(pcm.data());
      ov_clear(&vf);
    }
    decoding += Seconds(Clock::now() - t0);
    // The same files streamed through the engine's players and buses.
    auto buses = BusChain((int)state.range(0));
    std::vector<std::unique_ptr<TarnMix::cSound>> players;
    t0 = Clock::now();
    for (int i = 0; i < kFiles; i++) {
      auto p = std::make_unique<TarnMix::cSound>(Tarn::cString("s" + std::to_string(i) + ".ogg"), true);
      p->SetParent(buses.back().get());
      p->Play(-1);
      players.push_back(std::move(p));
    }
    for (uint32_t block = 0; block < kSeconds * 44100 / kBlock; block++) {
      uint32_t got = 0;
      system->RootReader()->Read(out.data(), (uint32_t)out.size(), &got);
      benchmark::DoNotOptimize(out.data());
    }
    mixing += Seconds(Clock::now() - t0);
    players.clear();
    buses.clear();
  }
  state.counters["decode_ms"] = decoding * 1000.0 / (double)state.iterations();
  state.counters["mix_ms"] = mixing * 1000.0 / (double)state.iterations();
  state.counters["ratio"] = mixing / decoding;
  TarnMix::cTarnSoundSystem::Shutdown();
  Tarn::cPersist::Shutdown();
  fs::remove_all(dir);
}
BENCHMARK(BM_StreamedMixVsDecode)->Arg(1)->Arg(8)->Arg(32)->Iterations(3)->Unit(benchmark::kMillisecond);

// A stereo source of one value that never ends.
class ConstSource : public TarnMix::cIWaveSource {
 public:
  int Reset() override { return 0; }
  int GetState(uint32_t* s) override {
    *s = TarnMix::kStateProducing;
    return 0;
  }
  int Render(void* buffer, uint32_t bytes, uint32_t* rendered, float gain, uint32_t) override {
    float* b = (float*)buffer;
    for (uint32_t i = 0; i < bytes / 4; i++) b[i] += 100.0f * gain;
    *rendered = bytes;
    return 0;
  }
  int GetLevel(float*, uint32_t) override { return 3; }
  int Advance(uint32_t) override { return 0; }
};

void BM_DeepBusTree(benchmark::State& state) {
  TarnMix::cTarnSoundSystem* system = TarnMix::cTarnSoundSystem::Init();
  auto buses = BusChain((int)state.range(0));
  ConstSource sources[4];
  for (auto& s : sources) buses.back()->AddSource(&s);
  std::vector<uint8_t> out(kBlock * 4);
  for (auto _ : state) {
    uint32_t got = 0;
    system->RootReader()->Read(out.data(), (uint32_t)out.size(), &got);
    benchmark::DoNotOptimize(out.data());
  }
  for (auto& s : sources) buses.back()->RemoveSource(&s);
  buses.clear();
  TarnMix::cTarnSoundSystem::Shutdown();
}
BENCHMARK(BM_DeepBusTree)->Arg(1)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
