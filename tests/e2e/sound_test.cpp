// End to end: both sound paths of the program at once. The sample dialog's S key plays the
// framework's click (a short wooden tap on C6, "vexa/ui_click.ogg" through the framework's sound
// manager) and the audio engine's event "Chime" (440 Hz, from the game's music project in
// assets/vexa, through libVexaAPI); the harness has the sound devices play on the manual device
// in step with the program's clock and hands over what was played.
#include <gtest/gtest.h>

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
// Both paths play at the game's default effects level, 0.75: the engine's effects fader squares
// it, the framework's scale puts it 12.5 dB down (-50 dB at 0).
constexpr double kChimeLevel = 0.3 * 32767 * 0.75 * 0.75;  // the chime is made at 0.3 of full scale
constexpr double kClick = 1046.5;                          // the click's pitch, C6

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

  // The click is a tap of a tenth of a second from the key; the engine's mix reaches its
  // device a ring buffer (under 0.2 s) later, and the chime lasts a second.
  std::vector<int16_t> click = Window(played, start, 0, 100), both = Window(played, start, 250, 550),
                       chimeOnly = Window(played, start, 750, 1100);
  for (int c = 0; c < 2; c++) {
    double tap = Level(click, c, kClick);
    EXPECT_GT(tap, 150) << "framework click, channel " << c;
    EXPECT_NEAR(Level(both, c, 440.0), kChimeLevel, 900) << "engine chime, channel " << c;
    EXPECT_LT(Level(both, c, 700.0), 200) << "a tone that was not played, channel " << c;
    EXPECT_LT(Level(both, c, kClick), tap / 10) << "the click has ended, channel " << c;
    EXPECT_NEAR(Level(chimeOnly, c, 440.0), kChimeLevel, 900) << "engine chime alone, channel " << c;
  }
  // Both at once: the chime is under way within a fifth of a second of the click.
  EXPECT_GT(Level(Window(played, start, 150, 250), 0, 440.0), kChimeLevel / 2) << "the chime came late";
}

}  // namespace
