// The tour's machinery: legs of play (runs of the game through the harness, each from its start
// to its quit, in one world whose saves and preferences carry from leg to leg) and the coverage
// record of what they reached. Every leg runs with "verbosedebug" (the sound events are logged)
// and "coveragelog" (window classes made, native functions bound and called, sound events sent;
// see game/shell/coverage_log.h); what the sound devices played goes to a tap file a leg.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/game_run.h"
#include "tests/support/host_file.h"

// What the legs of a tour reached, and what the game has that they never did.
class TourCoverage {
 public:
  // The record file's lines, over every run that appended to it.
  explicit TourCoverage(const std::string& record) {
    std::istringstream in(record);
    for (std::string line; std::getline(in, line);) mLines.insert(line);
  }

  // Every window-class key, native function and sound event of the game never exercised:
  // "class KEY", "function NAME", "sound NAME". Sound events come from the music project's list
  // (events): a line of it with a numbered name ("ingredient_failure_{1..40}") is one event,
  // exercised by any of its numbers; beside it, the sounds the bridge plays itself and the
  // engine's own pause commands. Natives the framework binds on first use (not the game's) are
  // left out.
  std::vector<std::string> NeverExercised(const std::string& events) const {
    std::vector<std::string> never;
    for (const std::string& line : mLines)
      if (line.rfind("known class ", 0) == 0 && !Has("class " + line.substr(12))) never.push_back("class " + line.substr(12));
    static const std::set<std::string> kFrameworkNatives = {"GetButtonName"};
    for (const std::string& line : mLines)
      if (line.rfind("bound ", 0) == 0 && !kFrameworkNatives.count(line.substr(6)) && !Has("called " + line.substr(6)))
        never.push_back("function " + line.substr(6));
    for (const std::string& event : SoundEvents(events))
      if (!SoundSent(event)) never.push_back("sound " + event);
    return never;
  }

  bool Has(const std::string& line) const { return mLines.count(line) != 0; }

  // The events of the music project's list ("NAME | KIND | ..." lines), and the framework's.
  static std::vector<std::string> SoundEvents(const std::string& events) {
    std::vector<std::string> names = {"ui_click", "firework{1..5}", "Pause", "Unpause"};
    std::istringstream in(events);
    for (std::string line; std::getline(in, line);) {
      size_t bar = line.find('|');
      if (line.empty() || line[0] == '#' || bar == std::string::npos) continue;
      std::string name = line.substr(0, bar);
      name.erase(name.find_last_not_of(' ') + 1);
      names.push_back(name);
    }
    return names;
  }

 private:
  // Whether a sound of the event was sent; a numbered event by any number in its range.
  bool SoundSent(const std::string& event) const {
    size_t open = event.find('{'), dots = event.find(".."), close = event.find('}');
    if (open == std::string::npos || dots == std::string::npos || close == std::string::npos) return Has("sound " + event);
    int low = std::stoi(event.substr(open + 1, dots - open - 1)), high = std::stoi(event.substr(dots + 2, close - dots - 2));
    for (int n = low; n <= high; n++)
      if (Has("sound " + event.substr(0, open) + std::to_string(n) + event.substr(close + 1))) return true;
    return false;
  }

  std::set<std::string> mLines;
};

// A hand's walk through the screens, timed on the program's clock: each step at the cursor,
// which moves on 10 ms a step. A click (on a window by its name, or at a spot) leaves the
// pointer in the corner, so captures show the screens as they are, and waits for the screen to
// answer. Times are for a clock started at 5000 ms, like Hand's (its shift moves them).
struct Walk {
  Hand hand;
  int ms = 0;

  Walk& Step(const std::string& action) {
    hand.At(ms, action);
    ms += 10;
    return *this;
  }
  Walk& Wait(int wait) {
    ms += wait;
    return *this;
  }
  // From the time given on (never back).
  Walk& From(int at) {
    ms = std::max(ms, at);
    return *this;
  }
  Walk& Park() { return Step("move 799 599"); }
  Walk& Click(const std::string& name) { return Step("click " + name).Park().Wait(200); }
  Walk& ClickAt(int x, int y) {
    std::string at = std::to_string(x) + " " + std::to_string(y);
    return Step("move " + at).Step("button left down " + at).Step("button left up " + at).Park().Wait(200);
  }
  Walk& Point(const std::string& name) { return Step("point " + name); }
  Walk& Move(int x, int y) { return Step("move " + std::to_string(x) + " " + std::to_string(y)); }
  Walk& Drag(int fromX, int toX, int y) {
    std::string from = std::to_string(fromX) + " " + std::to_string(y), to = std::to_string(toX) + " " + std::to_string(y);
    return Step("move " + from).Step("button left down " + from).Step("move " + to).Step("button left up " + to).Park().Wait(200);
  }
  Walk& Type(const std::string& text) { return Step("text " + text).Wait(100); }
  Walk& Key(int key) {
    return Step("key " + std::to_string(key) + " down").Step("key " + std::to_string(key) + " up").Wait(200);
  }
  Walk& Capture(const std::string& file) { return Step("capture " + file); }
};

class Tour {
 public:
  GameWorld world;

  // With ORVELLA_TOUR_KEEP=folder the world's files (captures, logs, reports, sound taps, the
  // coverage record, the data folders) are copied there at the end, for a look.
  ~Tour() {
    if (const char* keep = getenv("ORVELLA_TOUR_KEEP"))
      std::filesystem::copy(world.File(""), keep,
                            std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing |
                                std::filesystem::copy_options::copy_symlinks);
  }

  // One leg: a run of the game under the walk's steps, on the manual clock. It must end by itself (the
  // game's own quit) with status 0, find every window a step names, and write nothing on its
  // standard error (where every error-level log line goes) but the expected lines (each a part
  // of one line). The sound the
  // devices played is in Tap(name).
  // options: more settings for the run ("name=value&...").
  HarnessRun Leg(const std::string& name, Walk walk, const std::vector<std::string>& expectedErrors = {},
                 const std::string& clock = "5000:10", const std::string& options = "") {
    std::string tap = Tap(name);
    setenv("ORVELLA_HARNESS_SOUND_TAP", tap.c_str(), 1);
    // A step well after the last ends a game that never quit itself: the leg fails on it.
    walk.Wait(3000).Step("quit 9");
    HarnessRun run = world.Run(walk.hand.text,
                               "'options=verbosedebug=1&coveragelog=" + world.File("coverage.txt") +
                                   (options.empty() ? "" : "&" + options) + "'",
                               clock);
    unsetenv("ORVELLA_HARNESS_SOUND_TAP");
    mLogs += world.Log();
    std::ofstream(world.File(name + ".report")) << run.report;  // kept beside the captures, for a look
    std::ofstream(world.File(name + ".log")) << world.Log();
    EXPECT_EQ(run.result.status, 0) << name << "\n" << run.result.out << world.Log();
    EXPECT_EQ(run.report.find(": quit\n"), std::string::npos) << name << ": the game did not quit\n" << run.report;
    // A step by a window's name that found no such window did nothing: the screen was not there.
    EXPECT_EQ(run.report.find("no window "), std::string::npos) << name << "\n" << run.report;
    std::istringstream out(run.result.out);
    for (std::string line; std::getline(out, line);) {
      bool expected = false;
      for (const std::string& e : expectedErrors) expected = expected || line.find(e) != std::string::npos;
      EXPECT_TRUE(expected) << name << ": an error line: " << line;
    }
    std::string log = world.Log();
    EXPECT_EQ(log.find("#####"), std::string::npos) << name << ": a label is missing from strings.xml\n" << log;
    return run;
  }

  std::string Tap(const std::string& leg) const { return world.File(leg + ".raw"); }
  // Every leg's log so far, one after the other.
  const std::string& Logs() const { return mLogs; }
  TourCoverage Coverage() const { return TourCoverage(ReadHostFile(world.File("coverage.txt"))); }

 private:
  std::string mLogs;
};
