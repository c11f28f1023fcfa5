// Runs of the game in a world of their own: a working folder whose assets are the program's (the
// build tree's, with the music project the build made; linked, so nothing is copied) with the files a test adds or replaces, data folders that start
// empty and last across the runs of one test (a restart finds what the last run saved), and
// readers for what a run leaves: the log, the preferences as prefsdump prints them, the
// game-state changes a recording module saw. Also the steps of a hand for the harness's scripts
// (Steps by frames, Hand by the clock), the sound events and game-state values a run left, and
// the frames it captured (Frame, Differs).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "platform/directx/directx_test_control.h"
#include "tests/e2e/harness_run.h"
#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tone_measure.h"

class GameWorld {
 public:
  GameWorld() {
    namespace fs = std::filesystem;
    fs::path assets = ToolPath("assets");
    fs::create_directories(AssetsPath());
    for (const auto& entry : fs::directory_iterator(assets))
      fs::create_directory_symlink(entry.path(), fs::path(AssetsPath()) / entry.path().filename());
    for (const char* folder : {"appdata", "common", "desktop"}) fs::create_directories(mData.File(folder));
  }

  // A file of the assets written or replaced (key relative to assets/).
  void SetAsset(const std::string& key, const std::string& bytes) {
    std::ofstream(MakeReal(key), std::ios::binary) << bytes;
  }
  // A file of the assets removed.
  void RemoveAsset(const std::string& key) { std::filesystem::remove(MakeReal(key)); }
  // The module that records game-state changes (ReadStates), installed with the assets.
  void InstallStateRecorder() {
    std::filesystem::copy_file(ToolPath("staterecorder.ksmod"), MakeReal("staterecorder.ksmod"));
  }

  // One run under the harness (see RunWithHarness); args come after the working folder; clock
  // is the manual clock's "start[:step]".
  HarnessRun Run(const std::string& steps, const std::string& args = "", const std::string& clock = "5000:20") {
    DataFolders folders(*this);
    setenv("ORVELLA_STATE_RECORD", mData.File("states.txt").c_str(), 1);
    HarnessRun run = RunWithHarness(steps, "--multiple -wd=" + mWork.Path() + " " + args + " 2>&1", clock);
    unsetenv("ORVELLA_STATE_RECORD");
    return run;
  }

  // The same in a real window on a virtual X display (1024 x 768, so that the game's window fits
  // beside full screen); the report is the harness's. Needs xvfb-run.
  HarnessRun RunInRealWindow(const std::string& steps) {
    DataFolders folders(*this);
    std::string script = mData.File("xscript.txt"), report = mData.File("xreport.txt"), out = mData.File("xout.txt");
    std::ofstream(script) << steps;
    std::string command = "env -u SDL_VIDEODRIVER ORVELLA_HARNESS_SCRIPT=" + script + " ORVELLA_HARNESS_REPORT=" +
                          report + " ORVELLA_HARNESS_MANUAL_CLOCK=5000:20 xvfb-run -a -s '-screen 0 1024x768x24' " +
                          ToolPath("quillomer-lorvane") + " --multiple -wd=" + mWork.Path() + " > " + out + " 2>&1";
    int status = std::system(command.c_str());
    HarnessRun run;
    run.result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.result.out = ReadHostFile(out);
    run.report = ReadHostFile(report);
    return run;
  }

  std::string GameFolder() const { return mData.File("appdata/Kestrune/quillomer-lorvane-design"); }
  std::string Log() const { return ReadHostFile(GameFolder() + "/logfile.txt"); }
  // The preferences as prefsdump prints them under the game's key ("" when there are none).
  std::string Prefs() const {
    return RunTool("prefsdump", "Rk47vbnwJAAA " + GameFolder() + "/prefs.dat 2>&1").out;
  }
  std::string States() const { return ReadHostFile(mData.File("states.txt")); }
  // A file written where tests keep what they capture.
  std::string File(const std::string& name) const { return mData.File(name); }

 private:
  // The data folders point at this world's for the time of a run.
  class DataFolders {
   public:
    explicit DataFolders(const GameWorld& world) {
      const char* folders[][2] = {{"ORVELLA_APPDATA_DIR", "appdata"},
                                  {"ORVELLA_COMMON_APPDATA_DIR", "common"},
                                  {"ORVELLA_DESKTOP_DIR", "desktop"}};
      for (auto& f : folders) {
        mSaved.push_back(getenv(f[0]) ? getenv(f[0]) : "");
        setenv(f[0], world.mData.File(f[1]).c_str(), 1);
      }
    }
    ~DataFolders() {
      const char* names[] = {"ORVELLA_APPDATA_DIR", "ORVELLA_COMMON_APPDATA_DIR", "ORVELLA_DESKTOP_DIR"};
      for (size_t i = 0; i < 3; i++) setenv(names[i], mSaved[i].c_str(), 1);
    }

   private:
    std::vector<std::string> mSaved;
  };

  std::string AssetsPath() const { return mWork.File("assets"); }

  // The key's path with every folder on the way a real folder of links, so that a file in it can
  // change without touching the project's assets.
  std::string MakeReal(const std::string& key) {
    namespace fs = std::filesystem;
    fs::path at = AssetsPath();
    size_t start = 0;
    for (size_t slash = key.find('/'); slash != std::string::npos; slash = key.find('/', start)) {
      at /= key.substr(start, slash - start);
      start = slash + 1;
      if (fs::is_symlink(at)) {
        fs::path target = fs::read_symlink(at);
        fs::remove(at);
        fs::create_directory(at);
        for (const auto& entry : fs::directory_iterator(target))
          fs::create_symlink(entry.path(), at / entry.path().filename());
      } else {
        fs::create_directories(at);
      }
    }
    fs::path file = at / key.substr(start);
    if (fs::is_symlink(file)) fs::remove(file);
    return file.string();
  }

  TempFolder mWork, mData;
};

// Steps of a hand: a click is a move onto the spot, then the press and the release.
struct Steps {
  std::string text;
  int frame = 20;
  Steps& Wait(int frames) {
    frame += frames;
    return *this;
  }
  Steps& Add(const std::string& action) {
    text += "frame " + std::to_string(frame++) + " " + action + "\n";
    return *this;
  }
  Steps& Click(int x, int y) {
    std::string at = std::to_string(x) + " " + std::to_string(y);
    Add("move " + at).Add("button left down " + at).Add("button left up " + at);
    return Park().Wait(10);
  }
  // The pointer waits in the bottom right corner before what was clicked draws anew, so that
  // captures show the screens as they are (the pointer is drawn only with a new frame).
  Steps& Park() { return Add("move 799 599"); }
  // A press and release where the pointer goes, without parking it after.
  Steps& Press(const int at[2]) {
    std::string spot = std::to_string(at[0]) + " " + std::to_string(at[1]);
    return Add("move " + spot).Add("button left down " + spot).Add("button left up " + spot);
  }
  Steps& Drag(int fromX, int toX, int y) {
    std::string from = std::to_string(fromX) + " " + std::to_string(y), to = std::to_string(toX) + " " + std::to_string(y);
    Add("move " + from).Add("button left down " + from).Add("move " + to).Add("button left up " + to);
    return Park().Wait(10);
  }
  Steps& Type(const std::string& text) {
    Add("text " + text);
    return Wait(5);
  }
  Steps& Key(int key) {
    Add("key " + std::to_string(key) + " down").Add("key " + std::to_string(key) + " up");
    return Wait(10);
  }
  // Alt+Enter: the game leaves full screen for a window (or goes back).
  Steps& AltEnter() {
    Add("key 18 down").Key(13);
    return Add("key 18 up");
  }
  Steps& Capture(const std::string& file) { return Add("capture " + file); }
};

// A player's hand timed on the program's clock: frame steps to reach a screen (they fix the
// moment a game seeds its generator), then steps at times on the manual clock.
struct Hand {
  std::string text;
  // Added to every time: a plan timed for a clock started at 5000 ms, played on one started
  // `shift' ms earlier.
  int shift = 0;
  Hand& Frame(int frame, const std::string& action) { return Add("frame " + std::to_string(frame), action); }
  Hand& At(int ms, const std::string& action) { return Add("time " + std::to_string(ms + shift), action); }
  Hand& Click(int ms, int x, int y) {
    std::string at = std::to_string(x) + " " + std::to_string(y);
    return At(ms, "move " + at).At(ms + 1, "button left down " + at).At(ms + 2, "button left up " + at);
  }
  Hand& Key(int ms, int key) {
    return At(ms, "key " + std::to_string(key) + " down").At(ms + 10, "key " + std::to_string(key) + " up");
  }
  Hand& Add(const std::string& when, const std::string& action) {
    text += when + " " + action + "\n";
    return *this;
  }
};

// The sound events a run's log shows, in order, without the volume levels.
inline std::vector<std::string> SoundEvents(const std::string& log) {
  std::vector<std::string> events;
  std::istringstream in(log);
  const std::string mark = "Sound event ";
  for (std::string line; std::getline(in, line);) {
    size_t at = line.find(mark);
    if (at == std::string::npos || line.find("Volume", at) != std::string::npos) continue;
    events.push_back(line.substr(at + mark.size()));
  }
  return events;
}

// The values one game-state key took, in order.
inline std::vector<std::string> StateValues(const std::string& states, const std::string& key) {
  std::vector<std::string> values;
  std::istringstream in(states);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key + "\t", 0) == 0) values.push_back(line.substr(key.size() + 1));
  return values;
}

// A captured frame of the game (800 x 600), alpha set.
inline std::vector<uint32_t> Frame(const std::string& png) {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  EXPECT_TRUE(TestControl::Display::ReadPng(png, pixels, width, height)) << png;
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);
  for (uint32_t& p : pixels) p |= 0xFF000000u;
  return pixels;
}

// A golden frame of tests/e2e/golden, for the same moments captured in a real window.
inline std::vector<uint32_t> GoldenFrame(const std::string& name) {
  return Frame(std::string(getenv("ORVELLA_SOURCE_DIR")) + "/tests/e2e/golden/" + name);
}

// Whether two frames differ inside a rectangle.
inline bool Differs(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int left, int top, int right, int bottom) {
  for (int y = top; y < bottom; y++)
    for (int x = left; x < right; x++)
      if (a[(size_t)y * 800 + x] != b[(size_t)y * 800 + x]) return true;
  return false;
}

// The time (ms on the program's clock) the report gives the step played at a frame.
inline int TimeOfFrame(const std::string& report, int frame) {
  std::string key = "frame " + std::to_string(frame) + " time ";
  size_t at = report.find(key);
  return at == std::string::npos ? -1 : std::atoi(report.c_str() + at + key.size());
}

// The RMS level of what the sound devices played between two times (ms), both channels; -1
// when the tap holds nothing of that span.
inline double PlayedLevel(const std::string& tap, int fromMs, int toMs) {
  std::string bytes = ReadHostFile(tap);
  std::vector<int16_t> samples(bytes.size() / 2);
  if (!samples.empty()) memcpy(samples.data(), bytes.data(), samples.size() * 2);
  size_t a = (size_t)fromMs * 44100 / 1000 * 2, b = (size_t)toMs * 44100 / 1000 * 2;
  if (b > samples.size()) b = samples.size();
  if (a >= b) return -1;
  std::vector<int16_t> window(samples.begin() + (long)a, samples.begin() + (long)b);
  return ToneMeasure::Rms(window, 2, 0) + ToneMeasure::Rms(window, 2, 1);
}

// One section of prefsdump's print ("[global]", "[user 0]", ...), up to the next.
inline std::string Section(const std::string& prefs, const std::string& name) {
  size_t start = prefs.find("[" + name + "]");
  if (start == std::string::npos) return "";
  size_t end = prefs.find("  [", start + 1);
  return prefs.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// Where a needle first appears after another (npos when either is missing).
inline size_t After(const std::string& text, const std::string& needle, size_t from) {
  return from == std::string::npos ? from : text.find(needle, from);
}
