// Runs the engine on the manual DirectSound device and the manual clock: start-up on a data
// folder, events, and rendering whole ticks while collecting what the engine wrote to its
// output buffer (the mix in order, 16-bit stereo), plus measurements and WAV files of it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio_engine/critical_section.h"
#include "audio_engine/debug.h"
#include "audio_engine/direct_sound_system.h"
#include "audio_engine/mix/wave_mixer.h"
#include "audio_engine/name_id.h"
#include "audio_engine/sound.h"
#include "audio_engine/tarn_sound_system.h"
#include "audio_engine/vexa_engine.h"
#include "platform/dsound/dsound_test_control.h"
#include "platform/test_control.h"
#include "tests/support/tone_measure.h"

namespace VexaTest {

class EngineHarness {
 public:
  EngineHarness() {
    TestControl::UseManualClock(1000);
    DSoundTest::UseManualDevice(true);
    DSoundTest::EnableTap(true);
    Tarn::SetMessageSink([this](const std::string&, const std::string& t) { messages.push_back(t); });
    Tarn::SetLogSink([this](const std::string& l) { lines.push_back(l); });
  }
  ~EngineHarness() {
    Tarn::VexaEngineShutdown();
    DSoundTest::EnableTap(false);
    Tarn::SetMessageSink(nullptr);
    Tarn::SetLogSink(nullptr);
    TestControl::UseRealClock();
  }

  bool Start(const std::string& folder) {
    Tarn::VexaEngineInit(folder.c_str(), nullptr);
    DSoundTest::TakeWrites();
    mStart = (int64_t)TarnMix::GlobalMixTime();
    return Tarn::VexaEngineStarted();
  }

  // Plays `frames` on the device in ticks of `tick` frames; returns what the engine mixed.
  std::vector<int16_t> Render(uint32_t frames, uint32_t tick = 882) {
    std::vector<int16_t> out;
    while (frames > 0) {
      uint32_t n = std::min(frames, tick);
      DSoundTest::AdvanceFrames(n);
      if (Tarn::cTarnDirectSoundSystem* output = Tarn::VexaEngineOutput()) output->Update();
      for (auto& w : DSoundTest::TakeWrites()) {
        const int16_t* s = (const int16_t*)w.bytes.data();
        out.insert(out.end(), s, s + w.bytes.size() / 2);
      }
      frames -= n;
    }
    mStream.insert(mStream.end(), out.begin(), out.end());
    return out;
  }
  // Engine time since the start, in frames (what has been mixed).
  int64_t Elapsed() const { return (int64_t)TarnMix::GlobalMixTime() - mStart; }
  // The whole mix since the start.
  const std::vector<int16_t>& Stream() const { return mStream; }

  std::vector<std::string> messages, lines;

 private:
  int64_t mStart = 0;
  std::vector<int16_t> mStream;
};

// Frames [from, to) of interleaved stereo (fewer where the mix ends).
inline std::vector<int16_t> Frames(const std::vector<int16_t>& s, size_t from, size_t to) {
  to = std::min(to, s.size() / 2);
  if (to <= from) return {};
  return std::vector<int16_t>(s.begin() + (ptrdiff_t)(2 * from), s.begin() + (ptrdiff_t)(2 * to));
}

// RMS of one channel over frames [from, to) of interleaved stereo.
inline double Rms(const std::vector<int16_t>& s, size_t from, size_t to, int channel) {
  return ToneMeasure::Rms(Frames(s, from, to), 2, channel);
}

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

// The strength of one frequency over frames [from, to) of a channel, as the amplitude of a
// sine of that frequency.
inline double ToneLevel(const std::vector<int16_t>& s, size_t from, size_t to, int channel, double frequency) {
  return ToneMeasure::Amplitude(Frames(s, from, to), 2, channel, 44100.0, frequency);
}

// The first frame at or after `from` where a channel's magnitude reaches `threshold`.
inline size_t Onset(const std::vector<int16_t>& s, size_t from, int channel, int threshold) {
  for (size_t i = from; i < s.size() / 2; i++)
    if (std::abs(s[2 * i + channel]) >= threshold) return i;
  return SIZE_MAX;
}

// The first frame where the left channel jumps by more than `step` from the frame before:
// the onset of a sound that starts at full level, which a running tone cannot make.
inline size_t StepOnset(const std::vector<int16_t>& s, int step) {
  for (size_t i = 1; i < s.size() / 2; i++)
    if (std::abs(s[2 * i] - s[2 * i - 2]) > step) return i;
  return SIZE_MAX;
}

// The node the running engine has made for a name, or null; looked up under the engine lock.
template <class T = Tarn::cSound>
T* CachedNode(const char* name) {
  Tarn::cAutoCriticalSection lock(Tarn::EngineLock());
  Tarn::cTarnSoundSystem* system = Tarn::cTarnSoundSystem::Get();
  return system ? dynamic_cast<T*>(system->CachedSound(Tarn::NameId(name))) : nullptr;
}

// A 16-bit stereo WAV file of a mix, for people to listen to.
inline bool WriteWav(const std::string& path, const std::vector<int16_t>& s) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
  auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
  uint32_t bytes = (uint32_t)(s.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  u32(36 + bytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16);
  u16(1);
  u16(2);
  u32(44100);
  u32(176400);
  u16(4);
  u16(16);
  std::fwrite("data", 1, 4, f);
  u32(bytes);
  std::fwrite(s.data(), 2, s.size(), f);
  return std::fclose(f) == 0;
}

// Where the WAV files of the tests go: beside the test programs, in the build tree.
inline std::string WavPath(const std::string& name) {
  const char* bin = std::getenv("ORVELLA_BIN_DIR");
  return std::string(bin && *bin ? bin : ".") + "/../audio_engine_wav/" + name + ".wav";
}

}  // namespace VexaTest
