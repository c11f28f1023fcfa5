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
#include "audio_engine/vexa_engine.h"
#include "platform/dsound/dsound_test_control.h"
#include "platform/test_control.h"

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

// RMS of one channel over frames [from, to) of interleaved stereo.
inline double Rms(const std::vector<int16_t>& s, size_t from, size_t to, int channel) {
  to = std::min(to, s.size() / 2);
  if (to <= from) return 0.0;
  double sum = 0.0;
  for (size_t i = from; i < to; i++) sum += (double)s[2 * i + channel] * s[2 * i + channel];
  return std::sqrt(sum / (double)(to - from));
}

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

// The strength of one frequency over frames [from, to) of a channel (a Goertzel filter),
// as the amplitude of a sine of that frequency.
inline double ToneLevel(const std::vector<int16_t>& s, size_t from, size_t to, int channel, double frequency) {
  to = std::min(to, s.size() / 2);
  if (to <= from) return 0.0;
  const double w = 2.0 * M_PI * frequency / 44100.0, c = 2.0 * std::cos(w);
  double s1 = 0.0, s2 = 0.0;
  for (size_t i = from; i < to; i++) {
    double s0 = s[2 * i + channel] + c * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  double power = s1 * s1 + s2 * s2 - c * s1 * s2;
  return 2.0 * std::sqrt(std::max(power, 0.0)) / (double)(to - from);
}

// The first frame at or after `from` where a channel's magnitude reaches `threshold`.
inline size_t Onset(const std::vector<int16_t>& s, size_t from, int channel, int threshold) {
  for (size_t i = from; i < s.size() / 2; i++)
    if (std::abs(s[2 * i + channel]) >= threshold) return i;
  return SIZE_MAX;
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
