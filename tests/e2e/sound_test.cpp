// End to end: both sound paths of the program at once. The sample dialog's S key plays the
// framework's click (1000 Hz, "vexa/ui_click.ogg" through the framework's sound manager) and the
// audio engine's event "Chime" (440 Hz, from the pack in assets/vexa, through libVexaAPI); the
// harness has the sound devices play on the manual device in step with the program's clock and
// hands over what was played.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/harness_run.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tone_measure.h"

namespace {

constexpr int kRate = 44100;
constexpr double kToneLevel = 0.3 * 32767;  // both sample tones are made at 0.3 of full scale
// The framework plays effects at the game's default effects level, 0.75: 12.5 dB down on its
// scale (-50 dB at 0).
const double kClickLevel = kToneLevel * std::pow(10.0, -12.5 / 20.0);

std::vector<int16_t> ReadSamples(const std::string& path) {
  std::string bytes = ReadHostFile(path);
  std::vector<int16_t> samples(bytes.size() / 2);
  if (!samples.empty()) memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

// Stereo frames [from, to) in ms after the frame `start`.
std::vector<int16_t> Window(const std::vector<int16_t>& s, size_t start, int fromMs, int toMs) {
  size_t a = (start + (size_t)fromMs * kRate / 1000) * 2, b = (start + (size_t)toMs * kRate / 1000) * 2;
  if (b > s.size()) b = s.size();
  if (a > b) a = b;
  return std::vector<int16_t>(s.begin() + a, s.begin() + b);
}

double Level(const std::vector<int16_t>& w, int channel, double frequency) {
  return ToneMeasure::Amplitude(w, 2, channel, kRate, frequency);
}

TEST(ProgramSound, TheSoundKeyPlaysTheFrameworkClickAndTheEngineChimeAtOnce) {
  TempFolder work;
  std::string tap = work.File("tap.raw");
  setenv("ORVELLA_HARNESS_SOUND_TAP", tap.c_str(), 1);
  HarnessRun run = RunWithHarness("frame 30 key 83 down\nframe 31 key 83 up\nframe 130 quit\n", "--multiple options=sampledialog=sample 2>&1");
  unsetenv("ORVELLA_HARNESS_SOUND_TAP");
  ASSERT_EQ(run.result.status, 0) << run.result.out;
  // The harness says when the sound threads were late past its patience.
  EXPECT_EQ(run.report.find("did not settle"), std::string::npos) << run.report;

  std::vector<int16_t> played = ReadSamples(tap);
  ASSERT_GT(played.size(), (size_t)2 * kRate * 2) << "less than two seconds were played";
  // Nothing sounds before the key: the first loud sample is where both start.
  size_t start = 0;
  while (start < played.size() / 2 && std::abs(played[start * 2]) < 500) start++;
  ASSERT_LT(start, played.size() / 2) << "nothing was heard";
  EXPECT_GT(start, (size_t)kRate / 4) << "sound before the key was pressed";

  // The click lasts 0.6 s from the key; the engine's mix reaches its device a ring buffer
  // (under 0.2 s) later and lasts a second.
  std::vector<int16_t> both = Window(played, start, 250, 550), chimeOnly = Window(played, start, 750, 1100);
  for (int c = 0; c < 2; c++) {
    EXPECT_NEAR(Level(both, c, 1000.0), kClickLevel, 400) << "framework click, channel " << c;
    EXPECT_NEAR(Level(both, c, 440.0), kToneLevel, 1500) << "engine chime, channel " << c;
    EXPECT_LT(Level(both, c, 700.0), 300) << "a tone that was not played, channel " << c;
    EXPECT_NEAR(Level(chimeOnly, c, 440.0), kToneLevel, 1500) << "engine chime alone, channel " << c;
    EXPECT_LT(Level(chimeOnly, c, 1000.0), 300) << "the click has ended, channel " << c;
  }
}

}  // namespace
