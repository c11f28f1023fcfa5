// The music project Game.VEX as the build left it in the program's assets/vexa, played through
// the audio engine's shared library on the manual sound device and clock, as the program plays
// it: every event the game sends is heard, tunes sit at their level and stop when told, loops
// repeat until halted, and the volume events and the pause turn the mix down.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/dsound/dsound_test_control.h"
#include "platform/test_control.h"
#include "tests/support/run_tool.h"
#include "tests/support/tone_measure.h"

namespace {

class GamePack : public ::testing::Test {
 protected:
  void SetUp() override {
    TestControl::UseManualClock(1000);
    DSoundTest::UseManualDevice(true);
    DSoundTest::EnableTap(true);
    mLibrary = dlopen(ToolPath("libVexaAPI.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(mLibrary, nullptr) << dlerror();
    mInit = (void (*)(const char*, void*))dlsym(mLibrary, "VexaInit");
    mEvent = (void (*)(const char*, ...))dlsym(mLibrary, "VexaEvent");
    mShutdown = (void (*)())dlsym(mLibrary, "VexaShutdown");
    ASSERT_TRUE(mInit && mEvent && mShutdown);
    mInit(ToolPath("assets/vexa").c_str(), nullptr);
    ASSERT_EQ(DSoundTest::PlayingBufferCount(), 1) << "the engine did not start";
    // The engine's timer thread waits on the clock before the clock moves, or its first
    // ticks could pass it by.
    TestControl::WaitForClockWaiters(1);
    Render(200);
  }
  void TearDown() override {
    if (mShutdown) mShutdown();
    if (mLibrary) dlclose(mLibrary);
    DSoundTest::EnableTap(false);
    DSoundTest::UseManualDevice(false);
    TestControl::UseRealClock();
  }

  // Plays `ms` of the mix as the program would: the engine's timer ticks every 20 ms of the
  // clock, then the device plays what it wrote. Left channel, full scale = 1.
  std::vector<double> Render(int ms) {
    for (int t = 0; t < ms; t += 20) {
      TestControl::AdvanceClock(20);
      EXPECT_TRUE(TestControl::WaitForClockSettled(5000));
      DSoundTest::AdvanceFrames(882);
    }
    DSoundTest::TakeWrites();
    std::vector<int16_t> played = DSoundTest::TakeOutput();
    std::vector<double> left(played.size() / 2);
    for (size_t i = 0; i < left.size(); i++) left[i] = played[2 * i] / 32768.0;
    return left;
  }
  static double Peak(const std::vector<double>& s, size_t from = 0, size_t to = SIZE_MAX) {
    double p = 0;
    for (size_t i = from; i < std::min(to, s.size()); i++) p = std::max(p, std::fabs(s[i]));
    return p;
  }
  static double RmsDb(const std::vector<double>& s, size_t from = 0, size_t to = SIZE_MAX) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = from; i < std::min(to, s.size()); i++, n++) sum += s[i] * s[i];
    return n && sum > 0 ? 10 * std::log10(sum / n) : -200;
  }
  static double Db(double v) { return v > 0 ? 20 * std::log10(v) : -200; }

  void* mLibrary = nullptr;
  void (*mInit)(const char*, void*) = nullptr;
  void (*mEvent)(const char*, ...) = nullptr;
  void (*mShutdown)() = nullptr;
};

// The engine events the game sends (the framework's own sounds, "ui_click" and the fireworks,
// never reach the engine), one-shot effects and jingles: each must be heard on its own.
const char* const kHeard[] = {"quest_requirements_met",
                              "randomize",
                              "chocolate_making_game_intro",
                              "chocolate_making_game_outro",
                              "coffee_making_game_intro",
                              "coffee_making_game_outro",
                              "game_over",
                              "clock_tick",
                              "start_bell",
                              "whistle",
                              "snatch",
                              "ingredient_failure_1",
                              "ingredient_failure_2",
                              "ingredient_failure_6",
                              "ingredient_failure_7",
                              "ingredient_failure_40",
                              "ingredient_failure_factory shutdown",
                              "recycler",
                              "launch",
                              "chocolate_counted",
                              "ingredient_complete",
                              "ingredient_complete_colormatch",
                              "ingredient_success_1",
                              "ingredient_success_5",
                              "ingredient_color_match_1",
                              "ingredient_color_match_5",
                              "ingredient_complete_full_bonus",
                              "ingredient_match_0",
                              "ingredient_match_1",
                              "ingredient_match_2",
                              "ingredient_match_3",
                              "ingredient_match_4",
                              "ingredient_match_5",
                              "crate_click",
                              "crate_with_money",
                              "crate_no_money",
                              "spin_stop",
                              "airship_depart",
                              "port_arrive"};

}  // namespace

TEST_F(GamePack, EveryEffectAndJingleIsHeardNearMinusTwelveDecibels) {
  for (const char* name : kHeard) {
    // Each starts from silence, so what is heard is its own.
    ASSERT_LT(Peak(Render(100)), 0.003) << "still sounding before " << name;
    mEvent(name);
    auto heard = Render(4200);
    double peak = Db(Peak(heard));
    EXPECT_GT(peak, -15.0) << name << " peaks at " << peak << " dBFS";
    EXPECT_LT(peak, -2.0) << name << " peaks at " << peak << " dBFS";
  }
}

TEST_F(GamePack, TunesPlayAtTheirLevelStopOnStopMusicAndFollowTheMusicVolume) {
  const char* tunes[] = {"menu_music",         "map_music",    "port_music1",
                         "port_music2",        "port_music3",  "chocolate_making_game",
                         "coffee_making_game", "rewards_music"};
  for (const char* tune : tunes) {
    mEvent(tune);
    auto music = Render(6000);
    // The middle of the tune, past the bar where it starts and clear of the last one's fade.
    double level = RmsDb(music, 44100 * 3, 44100 * 6);
    EXPECT_NEAR(level, -18.0, 3.5) << tune;
    EXPECT_LT(Db(Peak(music, 44100 * 3)), -1.0) << tune;
    mEvent("Stop_Music");
    Render(4000);  // to its next bar, then a second's fade
    EXPECT_LT(Peak(Render(1000)), 0.003) << tune << " went on after Stop_Music";
  }
  // The music fader: half the value is a quarter of the level (the fader curve is squared).
  mEvent("menu_music");
  double full = RmsDb(Render(5000), 44100 * 2);
  mEvent("Music Volume", 0.5);
  double half = RmsDb(Render(3000), 44100);
  mEvent("Music Volume", 0.0);
  double none = RmsDb(Render(1000), 22050);
  EXPECT_NEAR(half - full, -12.0, 2.0);
  EXPECT_LT(none, -80.0);
}

TEST_F(GamePack, LoopsRepeatUntilHaltedAndEachBusHasItsFader) {
  const struct {
    const char* loop;
    const char* halt;
    const char* volume;  // the fader of the loop's bus
  } loops[] = {{"conveyor_belt_loop", "Stop_conveyor_belt_loop", "Environments Volume"},
               {"machine_spin", "Stop_machine_spin", "Sfx Volume"},
               {"win_money", "Stop_win_money", "Sfx Volume"}};
  for (const auto& l : loops) {
    mEvent(l.loop);
    auto running = Render(5000);
    for (int second = 1; second < 5; second++)
      EXPECT_GT(Db(Peak(running, 44100 * second, 44100 * (second + 1))), -30.0) << l.loop << " second " << second;
    double before = RmsDb(Render(2000));
    mEvent(l.volume, 0.0);
    EXPECT_LT(Peak(Render(1000), 22050), 0.001) << l.volume << " 0 left " << l.loop << " sounding";
    mEvent(l.volume, 1.0);
    EXPECT_NEAR(RmsDb(Render(2000)), before, 3.0) << l.volume << " 1 did not bring " << l.loop << " back";
    mEvent(l.halt);
    Render(500);
    EXPECT_LT(Peak(Render(1500)), 0.003) << l.halt << " left " << l.loop << " sounding";
  }
}

TEST_F(GamePack, PauseSilencesTheMixAndUnpauseGoesOn) {
  mEvent("port_music1");
  Render(3000);
  mEvent("Pause");
  Render(500);  // what the device had already been given
  EXPECT_LT(Peak(Render(2000)), 0.001);
  mEvent("Unpause");
  Render(500);
  EXPECT_NEAR(RmsDb(Render(2000)), -18.0, 4.0);
}
