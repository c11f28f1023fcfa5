// The tour's machinery: legs of play (runs of the game through the harness, each from its start
// to its quit, in one world whose saves and preferences carry from leg to leg) and the coverage
// record of what they reached. Every leg runs with "verbosedebug" (the sound events are logged)
// and "coveragelog" (window classes made, native functions bound and called, sound events sent;
// see game/shell/coverage_log.h); what the sound devices played goes to a tap file a leg.
#pragma once

#include <gtest/gtest.h>

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

class Tour {
 public:
  GameWorld world;

  // One leg: a run of the game under the steps, on the manual clock. It must end by itself (the
  // game's own quit) with status 0, and write nothing on its standard error (where every
  // error-level log line goes) but the expected lines (each a part of one line). The sound the
  // devices played is in Tap(name).
  HarnessRun Leg(const std::string& name, Steps steps, const std::vector<std::string>& expectedErrors = {},
                 const std::string& clock = "5000:20") {
    std::string tap = Tap(name);
    setenv("ORVELLA_HARNESS_SOUND_TAP", tap.c_str(), 1);
    // A step well after the last ends a game that never quit itself: the leg fails on it.
    steps.Wait(300).Add("quit 9");
    HarnessRun run = world.Run(steps.text,
                               "'options=verbosedebug=1&coveragelog=" + world.File("coverage.txt") + "'", clock);
    unsetenv("ORVELLA_HARNESS_SOUND_TAP");
    mLogs += world.Log();
    EXPECT_EQ(run.result.status, 0) << name << "\n" << run.result.out << world.Log();
    EXPECT_EQ(run.report.find("quit 9"), std::string::npos) << name << ": the game did not quit\n" << run.report;
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
