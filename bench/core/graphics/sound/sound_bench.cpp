// The framework sound: decoding a 3-second stereo tone through TOggDataSource beside vorbisfile
// over the same bytes (what the source adds: the lock, position keeping, link checks), and one
// service pass of the stream thread with 32 streams on the manual device, half a refill each.
#include <benchmark/benchmark.h>
#include <vorbis/vorbisfile.h>

#include <cstring>
#include <vector>

#include "core/base/memory_file.h"
#include "core/graphics/sound/ogg_data_source.h"
#include "core/graphics/sound/sound.h"
#include "core/graphics/sound/sound_data.h"
#include "core/graphics/sound/sound_instance.h"
#include "core/graphics/sound/sound_manager.h"
#include "platform/dsound/dsound_test_control.h"
#include "tools/tonegen/tone.h"

namespace {

const std::vector<uint8_t>& ToneFile() {
  static std::vector<uint8_t> bytes = [] {
    ToneGen::ToneSpec spec;
    spec.frames = 3 * 44100;
    return ToneGen::MakeOggTone(spec);
  }();
  return bytes;
}

struct Memory {
  const std::vector<uint8_t>* bytes;
  size_t at = 0;
};
size_t Read(void* out, size_t size, size_t count, void* m) {
  Memory* memory = (Memory*)m;
  size_t n = std::min(size * count, memory->bytes->size() - memory->at) / size;
  std::memcpy(out, memory->bytes->data() + memory->at, n * size);
  memory->at += n * size;
  return n;
}

void BM_VorbisfileDirect(benchmark::State& state) {
  std::vector<char> buffer(176400);
  for (auto _ : state) {
    Memory memory{&ToneFile()};
    OggVorbis_File file;
    ov_open_callbacks(&memory, &file, nullptr, 0, ov_callbacks{&Read, nullptr, nullptr, nullptr});
    int link;
    size_t total = 0;
    for (;;) {
      size_t done = 0;
      while (done < buffer.size()) {
        long n = ov_read(&file, buffer.data() + done, (int)(buffer.size() - done), 0, 2, 1, &link);
        if (n <= 0) break;
        done += (size_t)n;
      }
      total += done;
      if (done < buffer.size()) break;
    }
    ov_clear(&file);
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * 3 * 176400);
}
BENCHMARK(BM_VorbisfileDirect)->Unit(benchmark::kMillisecond);

void BM_OggDataSource(benchmark::State& state) {
  RegisterMemoryFile(TStr("bench.ogg"), ToneFile().data(), (uint32_t)ToneFile().size());
  std::vector<uint8_t> buffer(176400);
  for (auto _ : state) {
    TOggDataSource source;
    source.Open(TStr("bench.ogg"), false);
    uint64_t at = 0;
    for (int got; (got = source.Read(buffer.data(), at, (int)buffer.size())) > 0;) at += (uint64_t)got;
    benchmark::DoNotOptimize(at);
  }
  state.SetBytesProcessed(state.iterations() * 3 * 176400);
}
BENCHMARK(BM_OggDataSource)->Unit(benchmark::kMillisecond);

// 32 looping streams from one memory-decoded sound; each iteration plays 0.5 s on the device
// and runs one pass, so that every pass has a half of each stream to refill.
void BM_ServicePass32Streams(benchmark::State& state) {
  DSoundTest::UseManualDevice(true);
  RegisterMemoryFile(TStr("bench.ogg"), ToneFile().data(), (uint32_t)ToneFile().size());
  TSoundManager manager(false);
  manager.Initialize();
  auto sound = TSound::Get("bench.ogg");
  std::vector<std::shared_ptr<TSoundInstance>> playing;
  for (int i = 0; i < 32; i++) playing.push_back(sound->Play(true));
  for (auto _ : state) {
    state.PauseTiming();
    DSoundTest::AdvanceFrames(22050);
    state.ResumeTiming();
    manager.ServiceStreams();
  }
}
BENCHMARK(BM_ServicePass32Streams)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
