// End to end: the game as a player starts it, through the harness on the manual clock. The first
// start asks a name; the menu leads to the profiles (a second player, a choice between them) and
// the options (levels, sound off, full screen), Alt+Enter switches the display, the application
// loses and regains the focus, and the window's close button ends the game through the scripts'
// AskQuit with status 0. What the runs leave is read back: the preferences, the session-reporting
// plan as a recording game-state module received it, the sound events the engine was sent (the
// game logs them with "verbosedebug"), the game data the scripts received as the final save
// wrote it, and the menu, profiles and options as golden frames. A second run finds the
// profile, its levels, its sound-off switch and its saved game as the first left them; a
// hostile save is read as data or kept aside.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/directx/directx_test_control.h"
#include "tests/e2e/game_run.h"
#include "tests/support/golden.h"

namespace {

// Spots on the screens (the screens are drawn for 800 x 600).
constexpr int kMenuProfiles[] = {400, 418}, kMenuOptions[] = {400, 470};
constexpr int kProfilesNew[] = {250, 456}, kProfilesRename[] = {400, 456}, kProfilesDelete[] = {550, 456};
constexpr int kProfilesBack[] = {400, 504}, kProfileRow0[] = {252, 172}, kConfirmDelete[] = {330, 346};
constexpr int kOptionsOk[] = {310, 461}, kOptionsMute[] = {212, 391};
constexpr int kSfxThumbY = 191, kMusicThumbY = 241;
constexpr int kBackspace = 8, kReturn = 13, kEscape = 27, kAlt = 18;

// The lines from the first that starts with `first' to the first after it that starts with
// `last', both included.
std::vector<std::string> Lines(const std::string& text, const std::string& first, const std::string& last) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (!inside && line.rfind(first, 0) == 0) inside = true;
    if (inside) lines.push_back(line);
    if (inside && line.rfind(last, 0) == 0) break;
  }
  return lines;
}

std::vector<std::string> SessionPlan() {
  std::vector<std::string> plan = {"begin-session\tSessionData", "add-value\t3.0.0.1", "add-timer\tSessionTime"};
  auto states = [&] {
    for (const char* s : {"GameWeeks", "Money", "Rank"}) plan.push_back(std::string("add-state\t") + s);
  };
  states();
  plan.push_back("add-timer\tIntroMovieTime");
  plan.push_back("end-session\tSessionData");
  for (int minutes : {15, 30, 45, 59}) {
    std::string m = std::to_string(minutes), progress = "Progress-" + m;
    plan.push_back("begin-elapsed(" + m + ")\t" + progress);
    states();
    plan.push_back("end-elapsed(" + m + ")\t" + progress);
  }
  return plan;
}

TEST(GameStartTest, AFirstStartThroughTheMenuProfilesAndOptionsIsKeptForTheNextStart) {
  GameWorld world;
  world.InstallStateRecorder();
  Steps steps;
  steps.Park().Wait(10).Type("Ada").Key(kReturn).Wait(10).Capture(world.File("menu.png"));
  int musicFrom = steps.frame;  // each mark is a step, so the report says when it was played
  steps.Park().Wait(50);
  int musicTo = steps.frame;
  steps.Park();
  steps.Click(kMenuProfiles[0], kMenuProfiles[1]).Wait(5).Capture(world.File("profiles.png"));
  // Bob, renamed Bea; Cid, deleted again; a second Ada refused; Ada chosen.
  steps.Click(kProfilesNew[0], kProfilesNew[1]).Type("Bob").Key(kReturn);
  steps.Click(kProfilesRename[0], kProfilesRename[1]).Key(kBackspace).Key(kBackspace).Type("ea").Key(kReturn);
  steps.Click(kProfilesNew[0], kProfilesNew[1]).Type("Cid").Key(kReturn);
  steps.Click(kProfilesDelete[0], kProfilesDelete[1]).Click(kConfirmDelete[0], kConfirmDelete[1]);
  steps.Click(kProfilesNew[0], kProfilesNew[1]).Type("Ada").Key(kReturn).Capture(world.File("refused.png")).Key(kEscape);
  steps.Click(kProfileRow0[0], kProfileRow0[1]).Click(kProfilesBack[0], kProfilesBack[1]);
  steps.Click(kMenuOptions[0], kMenuOptions[1]).Wait(5).Capture(world.File("options.png"));
  steps.Drag(521, 760, kSfxThumbY).Drag(498, 200, kMusicThumbY);
  steps.Click(kOptionsMute[0], kOptionsMute[1]).Click(kOptionsOk[0], kOptionsOk[1]);
  int quietFrom = steps.frame;
  steps.Park().Wait(50);
  steps.Add("key " + std::to_string(kAlt) + " down").Key(kReturn).Add("key " + std::to_string(kAlt) + " up");
  steps.Add("activate 0").Wait(5).Add("activate 1").Wait(5);
  steps.Add("close").Wait(30).Add("quit 3");  // the quit step only ends a game that ignored the close
  std::string tap = world.File("tap.raw");
  setenv("ORVELLA_HARNESS_SOUND_TAP", tap.c_str(), 1);
  HarnessRun first = world.Run(steps.text, "options=verbosedebug=1");
  unsetenv("ORVELLA_HARNESS_SOUND_TAP");
  ASSERT_EQ(first.result.status, 0) << first.result.out << world.Log();
  EXPECT_EQ(first.report.find("quit 3"), std::string::npos) << "the close button did not end the game";

  std::string prefs = world.Prefs();
  // Ada chose her levels and sound off; Bea (made as Bob while Ada played) started from hers as
  // they were then; Cid is gone. Alt+Enter switched the first start's full screen to a window, and
  // that was kept.
  std::string global = Section(prefs, "global"), ada = Section(prefs, "user 0"), bob = Section(prefs, "user 1");
  EXPECT_NE(prefs.find(": 3 sections"), std::string::npos) << prefs;
  for (const char* line : {"curuser = 0", "fullscreen = 0"})
    EXPECT_NE(global.find(line), std::string::npos) << line << "\n" << prefs;
  for (const char* line : {"name = Ada", "soundlevel = 1000", "musiclevel = 0", "ambientlevel = 500", "soundoff = 1"})
    EXPECT_NE(ada.find(line), std::string::npos) << line << "\n" << prefs;
  for (const char* line : {"name = Bea", "soundlevel = 750", "musiclevel = 650", "soundoff = 0"})
    EXPECT_NE(bob.find(line), std::string::npos) << line << "\n" << prefs;

  EXPECT_EQ(Lines(world.States(), "begin-session", "end-elapsed(59)"), SessionPlan()) << world.States();
  // The name in use was refused in red, and the dialog stayed.
  std::vector<uint32_t> refused = Frame(world.File("refused.png"));
  size_t red = 0;
  for (uint32_t p : refused) red += (p & 0xFFFFFFu) == 0xc8453cu;
  EXPECT_GT(red, 30u);

  std::string log = world.Log();
  EXPECT_EQ(log.find("#####"), std::string::npos) << "a label is missing from strings.xml\n" << log;
  // The sound engine was sent: the start's levels, the menu's music, the levels as the sliders
  // moved, silence when the sound went off, and a pause while the application was inactive.
  size_t at = After(log, "Sound event Sfx Volume 0.750", 0);
  at = After(log, "Sound event Music Volume 0.650", at);
  at = After(log, "Sound event menu_music", at);
  at = After(log, "Sound event Sfx Volume 1.000", at);
  at = After(log, "Sound event Music Volume 0.000", at);
  at = After(log, "Sound event Sfx Volume 0.000", at);
  at = After(log, "Sound event Pause", at);
  at = After(log, "Sound event Unpause", at);
  EXPECT_NE(at, std::string::npos) << log;
  // And the engine answered: the menu's music was heard, and nothing once the sound was off.
  int music = TimeOfFrame(first.report, musicFrom), musicEnd = TimeOfFrame(first.report, musicTo);
  int quiet = TimeOfFrame(first.report, quietFrom);
  EXPECT_GT(PlayedLevel(tap, music, musicEnd), 300.0) << first.report;
  EXPECT_LT(PlayedLevel(tap, quiet + 300, quiet + 900), 10.0) << first.report;

  // The scripts received the game's data at the start (the ingredients' starting supplies, the
  // ports' states, the first quest with its title from the game's string table), and their
  // final save wrote Ada's game to her save file, whose name the preferences keep (the file
  // layer maps per-user names in lower case).
  std::string save = ReadHostFile(world.GameFolder() + "/ada.quill3");
  EXPECT_EQ(save.rfind("quill3 save 1\n", 0), 0u) << save;
  for (const char* line : {"money=n:500", "supply.cocoa=n:8", "supply.beans=n:4", "supply.chocolate=n:0",
                           "portsAvailable.cocoa_cove=s:factory", "portsAvailable.bean_harbour=s:new",
                           "portsAvailable.sugar_quay=s:open", "factories.chocolate.current=s:truffle",
                           "quest=s:first_steps", "questTitle=s:Truffles for Sugar Quay"})
    EXPECT_NE(save.find(std::string("\n") + line + "\n"), std::string::npos) << line << "\n" << save;
  EXPECT_NE(ada.find("savegame = Ada"), std::string::npos) << prefs;
  EXPECT_EQ(log.find("Lua Error"), std::string::npos) << log;

  ExpectGolden(Frame(world.File("menu.png")), 800, 600, "tests/e2e/golden/game_menu.png");
  ExpectGolden(Frame(world.File("profiles.png")), 800, 600, "tests/e2e/golden/game_profiles.png");
  ExpectGolden(Frame(world.File("options.png")), 800, 600, "tests/e2e/golden/game_options.png");

  // The next start: no name asked, the menu greets Ada, her game is loaded from her save (here
  // with more money than the first run left) and saved again at the end, the sound stays off
  // until the player turns it on again, and the options show what was stored.
  std::string richer = save;
  richer.replace(richer.find("money=n:500"), 11, "money=n:777");
  std::ofstream(world.GameFolder() + "/ada.quill3", std::ios::binary) << richer;
  Steps again;
  again.Wait(10).Click(kMenuOptions[0], kMenuOptions[1]).Wait(5).Capture(world.File("options2.png"));
  again.Click(kOptionsMute[0], kOptionsMute[1]).Click(kOptionsOk[0], kOptionsOk[1]);
  again.Click(400, 447).Wait(30).Add("quit 3");  // the menu's Quit
  HarnessRun second = world.Run(again.text, "options=verbosedebug=1");
  ASSERT_EQ(second.result.status, 0) << second.result.out;
  EXPECT_EQ(second.report.find("quit 3"), std::string::npos) << "Quit did not end the game";
  std::string log2 = world.Log();  // the log starts anew with each run
  at = After(log2, "Sound event Sfx Volume 1.000", 0);
  at = After(log2, "Sound event Sfx Volume 0.000", at);  // the stored sound-off switch
  at = After(log2, "Sound event Sfx Volume 1.000", at);  // on again
  EXPECT_NE(at, std::string::npos) << log2;
  EXPECT_NE(Section(world.Prefs(), "user 0").find("soundoff = 0"), std::string::npos) << world.Prefs();
  EXPECT_EQ(ReadHostFile(world.GameFolder() + "/ada.quill3"), richer);
  // The options opened with the stored switch and levels: the sound-off box ticked, the effects
  // thumb at the right end, the music thumb at the left, the ambience where it was.
  std::vector<uint32_t> before = Frame(world.File("options.png")), after = Frame(world.File("options2.png"));
  EXPECT_TRUE(Differs(before, after, 200, 380, 224, 404));  // sound off
  EXPECT_TRUE(Differs(before, after, 340, 180, 590, 204));  // effects
  EXPECT_TRUE(Differs(before, after, 340, 230, 590, 254));  // music
  EXPECT_FALSE(Differs(before, after, 340, 280, 590, 304));  // ambience
}

}  // namespace

namespace {

// In a real window on a virtual display, started in full screen as the first start is: the name
// typed, the menu shown as the golden frame has it (its title and greeting, away from the corner
// and the panel where the pointer may be drawn), the close button ending the game with status 0.
TEST(GameStartTest, TheGameStartsInARealWindow) {
  if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run";
  GameWorld world;
  std::string shot = world.File("xmenu.png");
  HarnessRun run = world.RunInRealWindow("frame 30 text Ada\nframe 35 key 13 down\nframe 36 key 13 up\n"
                                         "frame 80 capture " + shot + "\nframe 85 close\nframe 200 quit 5\n");
  ASSERT_EQ(run.result.status, 0) << run.result.out << run.report;
  EXPECT_EQ(run.report.find(": quit"), std::string::npos) << run.report;
  std::vector<uint32_t> frame = Frame(shot), golden;
  int width = 0, height = 0;
  ASSERT_TRUE(TestControl::Display::ReadPng(std::string(getenv("ORVELLA_SOURCE_DIR")) + "/tests/e2e/golden/game_menu.png",
                                            golden, width, height));
  for (uint32_t& p : golden) p |= 0xFF000000u;
  ASSERT_EQ(frame.size(), golden.size());
  EXPECT_FALSE(Differs(frame, golden, 0, 60, 800, 280));
}

const char* const kScriptNames[] = {
    "BitmapTint",    "QRNWindow",     "CharWindow",   "ChocolateFactory", "CoffeeFactory",  "CratesGame",
    "CreditsWindow", "CurveEditor",   "DookieDropper", "FireworksWindow", "MapWindow",      "PortWindow",
    "RecipeCreator", "RecipeDesigner", "Rectangle",    "Rollover",         "SignEditor",     "SlotMachine",
    "TightText",     "OptionsWindow", "HiscoreWindow", "SubmitWindow",     "TextEdit",       "SetMood",
    "GrabLedger",    "ReleaseLedger", "Transition",    "SoundEvent",       "ToggleFullScreen", "GetNumUsers",
};

std::string ScriptNames() {
  std::string names;
  for (const char* name : kScriptNames) names += std::string("'") + name + "',";
  return names;
}

// What the start stored for the framework before it began, and what it gave the scripts, read back
// by a main script of the test's own (its prints reach the program's output).
TEST(GameStartTest, TheStartStoresItsSettingsAndGivesTheScriptsEveryName) {
  const char* keys[][2] = {
      {"gamename", "quillomer-lorvane-design"},
      {"encryptionkey", "Rk47vbnwJAAA"},
      {"ksgamehandle", "quillomer-lorvane-design"},
      {"ksgamemodename1", "quillomer-lorvane-design_storymode"},
      {"ksgamemedalname1", "quillomer-lorvane-design_up_comer_cup"},
      {"ksgamemedalname2", "quillomer-lorvane-design_chocolate"},
      {"ksgamemedalname3", "quillomer-lorvane-design_coffee"},
      {"ksgamemedalname4", "quillomer-lorvane-design_creative"},
      {"ksgamemedalname5", "quillomer-lorvane-design_2ndshop"},
      {"ksgamemedalname6", "quillomer-lorvane-design_factories"},
      {"ksgamemedalname7", "quillomer-lorvane-design_achievement"},
      {"ksgamemedalname8", "quillomer-lorvane-design_port"},
      {"ksgamemedalname9", "quillomer-lorvane-design_recipe"},
      {"ksgamemedalname0", ""},  // numbered from 1
      {"ksgamemedalname10", ""},
      {"ksgamemodename2", ""},  // one mode only
  };
  std::string probe = "for _, key in ipairs({";
  for (auto& k : keys) probe += std::string("'") + k[0] + "',";
  probe += "}) do print('setting ' .. key .. '=' .. GetConfig(key, '')) end\n"
           "print('version string=' .. gVersionString)\n"
           "for _, name in ipairs({'kScreenWidth', 'kScreenHeight', 'kGameWidth', 'kGameHeight', 'kGameScale'}) do\n"
           "  print('number ' .. name .. '=' .. tostring(_G[name])) end\n"
           "for _, name in ipairs({" + ScriptNames() + "}) do print('defined ' .. name .. '=' .. type(_G[name])) end\n"
           "return function() PostMessage(CreateNamedMessage(kQuitNow, 'quit')) end\n";
  GameWorld world;
  world.SetAsset("ui/mainloop.lua", probe);
  HarnessRun run = world.Run("frame 200 quit 7\n");
  EXPECT_EQ(run.result.status, 0) << run.result.out;
  for (auto& k : keys)
    EXPECT_NE(run.result.out.find(std::string("setting ") + k[0] + "=" + k[1] + "\n"), std::string::npos)
        << k[0] << "\n" << run.result.out;
  EXPECT_NE(run.result.out.find("version string=ver 3.0.0.1\n"), std::string::npos) << run.result.out;
  for (const char* line : {"number kScreenWidth=800", "number kScreenHeight=600", "number kGameWidth=800",
                           "number kGameHeight=600", "number kGameScale=1"})
    EXPECT_NE(run.result.out.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << run.result.out;
  // Every window class and set-up function of the game exists from the start, built or not yet.
  for (const char* name : kScriptNames)
    EXPECT_NE(run.result.out.find(std::string("defined ") + name + "=function\n"), std::string::npos)
        << name << "\n" << run.result.out;
}

// A main script that is missing, does not compile or dies of an error: the game says so on the
// screen and in its log (and on standard error), and the next key ends it with status 1. With a
// LuaErrorMessage of its own, the script shows the error itself.
TEST(GameStartTest, AFailedMainScriptIsShownAndEndsTheGameWithStatusOne) {
  struct Case {
    const char* name;
    const char* script;  // null: no main script
    const char* logged;  // in the log and on standard error
    const char* shown;   // printed by the script's own LuaErrorMessage ("" for the plain screen)
  };
  const Case cases[] = {
      {"missing", nullptr, "The main script ui/mainloop.lua is missing", ""},
      {"broken", "return function(\n", "The main script ui/mainloop.lua failed: ", ""},
      {"dies at once", "return function() error('no beans') end\n", "no beans", ""},
      {"dies later",
       "function LuaErrorMessage(text) print('shown: ' .. text) end\n"
       "return function()\n"
       "  while true do local m = WaitForMessage() if m and m.type == kPressAnyKey then error('out of milk') end end\n"
       "end\n",
       "out of milk", "shown: ui/mainloop.lua: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameWorld world;
    if (c.script)
      world.SetAsset("ui/mainloop.lua", c.script);
    else
      world.RemoveAsset("ui/mainloop.lua");
    std::string shot = world.File("error.png");
    // The last case fails at its first key and ends at the second; the others fail at once and
    // end at the first.
    HarnessRun run = world.Run("frame 8 capture " + shot + "\nframe 10 key 65 down\nframe 11 key 65 up\n" +
                               "frame 40 key 66 down\nframe 41 key 66 up\nframe 90 quit 7\n");
    EXPECT_EQ(run.result.status, 1) << run.result.out;
    EXPECT_EQ(run.report.find(": quit"), std::string::npos) << "the key did not end the game\n" << run.report;
    EXPECT_NE(world.Log().find(c.logged), std::string::npos) << world.Log();
    EXPECT_NE(run.result.out.find(c.logged), std::string::npos) << run.result.out;
    if (*c.shown) {
      EXPECT_NE(run.result.out.find(c.shown), std::string::npos) << run.result.out;
      continue;
    }
    // The plain error screen: chocolate brown, with lines of text in cream.
    std::vector<uint32_t> frame = Frame(shot);
    ASSERT_EQ(frame.size(), 800u * 600u);
    EXPECT_EQ(frame[300 * 800 + 700] & 0xFFFFFFu, 0x3b2314u);
    size_t cream = 0;
    for (uint32_t p : frame) cream += (p & 0xFFFFFFu) == 0xf5e6c8u;
    EXPECT_GT(cream, 200u);
  }
}

}  // namespace

namespace {

// Scripts that define no AskQuit cannot answer the close button; the game ends instead of
// leaving a window that cannot be closed.
TEST(GameStartTest, WithoutAskQuitTheCloseButtonEndsTheGame) {
  GameWorld world;
  world.SetAsset("ui/mainloop.lua", "return function() while true do WaitForMessage() end end\n");
  HarnessRun run = world.Run("frame 10 close\nframe 60 quit 7\n");
  EXPECT_EQ(run.result.status, 0) << run.result.out;
  EXPECT_EQ(run.report.find(": quit"), std::string::npos) << run.report;
  EXPECT_NE(world.Log().find("The scripts define no AskQuit"), std::string::npos) << world.Log();
}

}  // namespace

namespace {

// A save that is no save (here script text that would quit the game and give money if it were
// run) is kept aside with a log line and the player starts a new game; a save whose values
// look like script stays text. Either way the game runs and ends normally.
TEST(GameStartTest, AHostileSaveIsReadAsDataOrKeptAside) {
  const std::string hostile = "Player.money = 99999 AskQuit()\n";
  const std::string tricky = "quill3 save 1\nmoney=n:42\nquest=s:\") AskQuit() --\nportName=n:os.exit()\n";
  struct Case {
    std::string save;
    const char* money;
  } cases[] = {{hostile, "money=n:500"}, {tricky, "money=n:42"}};
  for (const Case& c : cases) {
    GameWorld world;
    std::filesystem::create_directories(world.GameFolder());
    std::ofstream(world.GameFolder() + "/ada.quill3", std::ios::binary) << c.save;
    Steps steps;
    steps.Park().Wait(10).Type("Ada").Key(kReturn).Wait(30).Add("close").Wait(30).Add("quit 3");
    HarnessRun run = world.Run(steps.text);
    ASSERT_EQ(run.result.status, 0) << run.result.out << world.Log();
    EXPECT_EQ(run.report.find("quit 3"), std::string::npos) << "the game did not end through AskQuit";
    std::string save = ReadHostFile(world.GameFolder() + "/ada.quill3");
    EXPECT_NE(save.find(std::string("\n") + c.money + "\n"), std::string::npos) << save;
    if (c.save == hostile) {
      EXPECT_EQ(ReadHostFile(world.GameFolder() + "/ada.damaged"), hostile);
      EXPECT_NE(world.Log().find("The save Ada.quill3 cannot be read"), std::string::npos) << world.Log();
      EXPECT_NE(save.find("\nsupply.cocoa=n:8\n"), std::string::npos) << save;
    } else {
      EXPECT_NE(save.find("\nquest=s:\") AskQuit() --\n"), std::string::npos) << save;
      EXPECT_EQ(save.find("portName="), std::string::npos) << save;  // a value of no kind is dropped
    }
  }
}

}  // namespace
