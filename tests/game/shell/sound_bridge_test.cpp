// The sound bridge inside the real platform (the runner in this process, its window script and
// framework sound manager on the manual sound device): the engine's start and stop, SoundEvent
// in the window script and after shut-down, which events the framework plays itself, the
// volumes on both sides, and the pauses. The engine's exports are replaced by recorders.
#include "game/shell/sound_bridge.h"

#include <cmath>
#include <string>
#include <vector>

#include "core/graphics/sound/sound_manager.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

using SoundBridgeTest = ShellFixture;
EngineRecord& gRecord = Engine();

bool IsScriptFunction(const char* name) { return ShellFixture::Global(name) == "function"; }

TEST_F(SoundBridgeTest, StartsTheEngineOnTheVexaFolderAndStopsItBeforeSoundEventIsGone) {
  RunPlatform("", [](TPlatform* p) {
    SoundInit();
    ASSERT_EQ(gRecord.init.size(), 2u);
    EXPECT_EQ(gRecord.init[0], std::string(GetWorkingDirectory().c_str()) + "/assets/vexa");
    EXPECT_EQ(gRecord.init[1], std::to_string((intptr_t)p->GetMainWindow()));
    ASSERT_TRUE(IsScriptFunction("SoundEvent"));
    Run("SoundEvent('Chime')");
    EXPECT_EQ(gRecord.events, std::vector<std::string>{"Chime"});

    SoundShutdown();
    EXPECT_EQ(gRecord.shutdowns, 1);
    EXPECT_FALSE(IsScriptFunction("SoundEvent"));
    // A script that sounds after the shut-down calls nil: a script error, and nothing reaches
    // the engine.
    Run("SoundEvent('Late')");
    EXPECT_EQ(gRecord.events, std::vector<std::string>{"Chime"});
    EXPECT_NE(LogText().find("Lua Error"), std::string::npos) << LogText();
  });
}

TEST_F(SoundBridgeTest, FrameworkNamesPlayTheirOwnFilesAndEverythingElseGoesToTheEngine) {
  struct Case {
    const char* name;
    bool engine;       // reaches the engine
    const char* file;  // else the framework file it plays (or, missing, names in the log)
  };
  const Case cases[] = {
      {"ui_click", false, "vexa/ui_click.ogg"},  // in the sample assets
      {"UI_CLICK", true, nullptr},               // the match is case-sensitive
      {"firework", false, "sfx/firework.ogg"},   // missing: logged, not played
      {"firework_burst", false, "sfx/firework_burst.ogg"},
      {"bigfirework", true, nullptr},  // "firework" must begin the name
      {"Pause", true, nullptr},
  };
  RunPlatform("", [&](TPlatform*) {
    SoundInit();
    for (const Case& c : cases) {
      gRecord.events.clear();
      int playing = DSoundTest::PlayingBufferCount();
      SoundEvent(c.name);
      EXPECT_EQ(gRecord.events, c.engine ? std::vector<std::string>{c.name} : std::vector<std::string>{}) << c.name;
      if (c.engine) {
        EXPECT_EQ(DSoundTest::PlayingBufferCount(), playing) << c.name;
      } else if (FileExists(c.file)) {
        EXPECT_EQ(DSoundTest::PlayingBufferCount(), playing + 1) << c.name;
      } else {
        EXPECT_NE(LogText().find(std::string("No valid sound file found: ") + c.file), std::string::npos) << c.name;
      }
    }
    ASSERT_TRUE(FileExists("vexa/ui_click.ogg"));
    SoundShutdown();
  });
}

TEST_F(SoundBridgeTest, VolumesReachTheFrameworkGroupsAndTheEngine) {
  RunPlatform("", [](TPlatform*) {
    TSoundManager* sounds = TSoundManager::GetInstance();
    ASSERT_NE(sounds, nullptr);
    SetMusicVolume(0.25f);
    SetSfxVolume(0.5f);
    SetEnvironmentsVolume(0.75f);
    EXPECT_FLOAT_EQ(sounds->GetVolume(1001), 0.25f);
    EXPECT_FLOAT_EQ(sounds->GetVolume(1000), 0.5f);
    EXPECT_FLOAT_EQ(sounds->GetVolume(0), 0.5f);
    // Levels out of range (a damaged profile) reach neither side as they are.
    SetMusicVolume(7.0f);
    SetSfxVolume(-1.0f);
    SetEnvironmentsVolume(std::nanf(""));
    EXPECT_FLOAT_EQ(sounds->GetVolume(1001), 1.0f);
    EXPECT_FLOAT_EQ(sounds->GetVolume(1000), 0.0f);
    EXPECT_EQ(gRecord.events, (std::vector<std::string>{"Music Volume=0.250", "Sfx Volume=0.500",
                                                         "Environments Volume=0.750", "Music Volume=1.000",
                                                         "Sfx Volume=0.000", "Environments Volume=0.000"}));

    // Off silences both sides, even when the levels were silent already; on brings the master
    // back (the current user's levels follow, none here).
    gRecord.events.clear();
    SetSoundOff(true);
    EXPECT_FLOAT_EQ(sounds->GetVolume(-1), 0.0f);
    EXPECT_EQ(gRecord.events,
              (std::vector<std::string>{"Music Volume=0.000", "Sfx Volume=0.000", "Environments Volume=0.000"}));
    SetSoundOff(false);
    EXPECT_FLOAT_EQ(sounds->GetVolume(-1), 1.0f);
  });
}

// The pause screens' pause and the application's inactivity share the engine's one pause: each
// row is a sequence of calls and the events it sends.
TEST_F(SoundBridgeTest, PausesSendOnePauseAndOneUnpause) {
  struct Case {
    const char* calls;  // P PauseSounds, R ResumeSounds, I PauseSoundsInactive, A ResumeSoundsActive
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {"PP", {"Pause"}},
      {"R", {}},
      {"PR", {"Pause", "Unpause"}},
      {"IA", {"Pause", "Unpause"}},
      {"II", {"Pause"}},
      {"A", {}},
      // Focus lost and found while a pause screen is up: nothing; leaving it: one Unpause.
      {"PIAR", {"Pause", "Unpause"}},
      // Back while the pause screen is up: the next loss of the focus pauses again.
      {"IPARI", {"Pause", "Pause", "Unpause", "Pause"}},
  };
  RunPlatform("", [&](TPlatform*) {
    for (const Case& c : cases) {
      gRecord.events.clear();
      for (const char* call = c.calls; *call; call++) {
        switch (*call) {
          case 'P': PauseSounds(); break;
          case 'R': ResumeSounds(); break;
          case 'I': PauseSoundsInactive(); break;
          case 'A': ResumeSoundsActive(); break;
        }
      }
      EXPECT_EQ(gRecord.events, c.events) << c.calls;
      // Back to the start: neither paused.
      ResumeSounds();
      ResumeSoundsActive();
    }
  });
}

}  // namespace
