// End to end: the tour, the whole game as a player plays it, through the harness on the manual
// clock, leg after leg in one world (what a leg saves, the next start finds). Each leg starts the
// game and ends it through the game's own quit; a leg fails on any error line the game writes,
// on a missing label, or when the game does not end. The steps below are the tour's steps, in
// order; each checks what its screen drew (golden frames), sent to the music engine and played
// (the sound tap), and what the game saved. At the end, the tour lists every window class,
// native script function and sound event of the game that no leg exercised.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/factory_plays.h"
#include "tests/e2e/game_run.h"
#include "tests/e2e/tour.h"
#include "tests/support/golden.h"
#include "tests/support/host_file.h"

namespace {

constexpr int kBackspace = 8, kReturn = 13, kShift = 16, kEscape = 27;

// Slider rails of the options screen (their thumbs are dragged along them).
constexpr int kSfxY = 191, kMusicY = 241, kAmbientY = 291;

// A span of a leg whose sound the tour measures, in ms after the harness started.
struct Span {
  int from = 0, to = 0;
};

Span Listen(Walk& w, int ms) {
  Span span;
  span.from = w.ms + w.hand.shift;
  w.Park().Wait(ms);
  span.to = w.ms + w.hand.shift;
  return span;
}

// ---- The tour's steps -------------------------------------------------------------------

// The chocolate factory, from the first start: the planned opening (a colour match, mixed
// trays, the full house, the bin, a tray for the machine), the pause by button, by the focus
// and by the developer menu, the warning whistle and the time up; then another game, shut down
// by three misses; Done leads back to the menu.
void ChocolateFactory(Walk& w, Tour& tour) {
  w.hand.Frame(20, "move 799 599").Frame(30, "text Ada").Frame(35, "key 13 down").Frame(36, "key 13 up");
  PlayChocolateOpening(w.hand);
  w.From(11400).Click("pause").Capture(tour.world.File("chocolate_paused.png")).Click("resume");
  w.Step("activate 0").Wait(300).Step("activate 1").Wait(300).Click("resume");
  w.Step("key " + std::to_string(kShift) + " down").Key(kEscape).Step("key " + std::to_string(kShift) + " up");
  w.Click("devresume");
  // Sixty seconds of play from 4.4 s, and the three paused moments: the game is over by 67 s.
  w.From(67500).Capture(tour.world.File("chocolate_over.png")).Click("again");
  // Three shots along the floor, where nothing catches.
  w.Wait(6000).ClickAt(790, 540).Wait(100).ClickAt(790, 540).Wait(100).ClickAt(790, 540).Wait(1500);
  w.Click("done").Wait(500);
}

// Profiles: a second player made and renamed, a third made and deleted, Ada chosen again.
void Profiles(Walk& w) {
  w.Click("profiles");
  w.Click("newprofile").Type("Bob").Key(kReturn);
  w.Click("renameprofile").Key(kBackspace).Key(kBackspace).Type("ea").Key(kReturn);
  w.Click("newprofile").Type("Cid").Key(kReturn);
  w.Click("deleteprofile").Click("confirmyes");
  w.Click("profile0").Click("back");
}

// Options: the music down, the effects up, the ambience a little down; full screen off and on;
// the sound off for a while (silence) and on again; OK keeps the levels. Spans: the menu's
// music before, the silence, and the music at its new level after.
struct Levels {
  Span before, quiet, after;
};
Levels Options(Walk& w, Tour& tour) {
  Levels levels;
  levels.before = Listen(w, 1000);
  w.Click("options").Capture(tour.world.File("options.png"));
  w.Drag(498, 400, kMusicY).Drag(521, 600, kSfxY).Drag(470, 420, kAmbientY);
  w.Click("fullscreen").Click("fullscreen");
  w.Click("mutebox");
  levels.quiet = Listen(w, 1000);
  w.Click("mutebox").Click("optionsok");
  levels.after = Listen(w, 1000);
  return levels;
}

// The world tour: Mara's moods, the factories' panels and a popup, the transitions.
void WorldTour(Walk& w, Tour& tour) {
  w.Click("tour");
  w.Click("tourcharacter").Wait(300).Click("marahappy").Wait(300).Capture(tour.world.File("mara_happy.png"));
  w.Click("marasad").Wait(300).Click("maraback");
  w.Click("tourpanels").Move(280, 220).Wait(300).Capture(tour.world.File("popup.png"));
  w.Move(700, 120).Wait(100).Click("factoriesback");
  w.Click("tourtransitions").Click("fade").Wait(1000).Click("swipe").Wait(1000).Click("zoom").Wait(1000);
  w.Click("curve").Wait(1000).Click("stageback");
  w.Click("tourback");
}

// The credits roll; Escape leads back.
void Credits(Walk& w, Tour& tour) {
  w.Click("credits").Wait(300).Capture(tour.world.File("credits.png"));
  w.Wait(1000).Key(kEscape);
}

// The coffee factory on the next start: the planned games (groups of cream, milk and beans that
// stock the hopper, cappuccinos to the box, the time up with a shot in the air; another game
// shut down by three misses); Done leads back.
void CoffeeFactory(Walk& w, Tour& tour) {
  PlayCoffeeGames(w.hand);
  w.From(62300).Capture(tour.world.File("coffee_busy.png"));
  w.From(74000).Capture(tour.world.File("coffee_over.png")).Click("done").Wait(500);
}

// The toolkit's sample dialog, which the setting "sampledialog" shows instead of the game: S
// sounds the framework's click and the engine's chime at once; the close button ends it.
void SampleDialog(Walk& w) {
  w.From(1000).Key('S').Wait(500).Key(kEscape).Wait(300).Step("close").Wait(500);
}

// The menu's Quit ends the game (the leg fails when it does not).
void Quit(Walk& w) { w.Click("quit").Wait(500); }

// ---- The tour ------------------------------------------------------------------------------

// What the tour cannot reach yet: the areas still being built. Each entry leaves this list as
// its area lands and a step of the tour reaches it; the list must end empty.
const std::vector<std::string> kNotYetToured = {
    // The map, travel, ports and the ledger (world).
    "class MapWindow",
    "class PortWindow",
    "function Date",
    "function DayOfYear",
    "function Dollars",
    "function GrabLedger",
    "function ReleaseLedger",
    "sound map_music",
    "sound port_music{1..3}",
    "sound Stop_Music",
    "sound quest_requirements_met",
    "sound airship_depart",
    "sound port_arrive",
    // The reward games (rewards).
    "class CratesGame",
    "class FireworksWindow",
    "class SlotMachine",
    "sound firework{1..5}",
    "sound rewards_music",
    "sound crate_click",
    "sound crate_with_money",
    "sound crate_no_money",
    "sound spin_stop",
    "sound machine_spin",
    "sound Stop_machine_spin",
    "sound win_money",
    "sound Stop_win_money",
    // High scores and the editors (scores-editors).
    "class BitmapTint",
    "class CurveEditor",
    "class HiscoreWindow",
    "class RecipeCreator",
    "class RecipeDesigner",
    "class SignEditor",
    "class SubmitWindow",
    "function GetLuaServerSubmitSetupVars",
    "function LogScore",
    "sound randomize",
    // The game library and the shell, still to be used by the game's scripts (tour).
    "class TightText",
    "function CheckConfig",
    "function CurrentTime",
    "function FillWindow",
    "function Floor",
    "function LoadGameString",
    "function Mod",
    "function NextSaveFileName",
    "function Pow",
    "function QuitToMainMenu",
    "function RandRange",
    "function SetAlpha",
    "function SetCurrentGameMode",
    "function SetLayeredLabel",
    "function SetRectangleColor",
    "function SetWindowPos",
    "function qrnStringExists",
};

TEST(TourTest, TheWholeGameFromTheFirstStartToTheLastQuit) {
  Tour tour;

  // Leg 1: the first start, the chocolate factory, every screen of the menu.
  Walk first;
  ChocolateFactory(first, tour);
  Profiles(first);
  Levels levels = Options(first, tour);
  WorldTour(first, tour);
  Credits(first, tour);
  Quit(first);
  HarnessRun leg1 = tour.Leg("first", first);

  // The factory's pause and game-over panels, a factory's status panel with its popup, the
  // credits rolling.
  ExpectGolden(Frame(tour.world.File("chocolate_paused.png")), 800, 600, "tests/e2e/golden/tour_chocolate_paused.png");
  ExpectGolden(Frame(tour.world.File("chocolate_over.png")), 800, 600, "tests/e2e/golden/tour_chocolate_over.png");
  ExpectGolden(Frame(tour.world.File("popup.png")), 800, 600, "tests/e2e/golden/tour_popup.png");
  ExpectGolden(Frame(tour.world.File("credits.png")), 800, 600, "tests/e2e/golden/tour_credits.png");
  // The menu's music was heard; nothing while the sound was off; the music quieter after the
  // options turned it down (the fader is squared: 0.65 to about 0.47 is some 6 dB less).
  auto level = [&](const Span& span) { return PlayedLevel(tour.Tap("first"), span.from + 300, span.to - 100); };
  double before = level(levels.before), after = level(levels.after);
  EXPECT_GT(before, 300.0);
  EXPECT_LT(level(levels.quiet), 10.0) << levels.quiet.from << ".." << levels.quiet.to;
  EXPECT_GT(after, 50.0);
  EXPECT_LT(after, before * 0.7);

  // Leg 2: the next start, the coffee factory.
  Walk next;
  next.hand.shift = 100;
  CoffeeFactory(next, tour);
  Quit(next);
  tour.Leg("next", next, {}, "4900:10");

  // Leg 3: the toolkit's sample dialog, in place of the game.
  Walk sample;
  SampleDialog(sample);
  tour.Leg("sample", sample, {}, "5000:10", "sampledialog=sample");
  ExpectGolden(Frame(tour.world.File("coffee_over.png")), 800, 600, "tests/e2e/golden/tour_coffee_over.png");

  // What was saved: Ada and Bea with their levels, Ada's game with the factories' scores.
  std::string prefs = tour.world.Prefs();
  EXPECT_NE(Section(prefs, "user 0").find("name = Ada"), std::string::npos) << prefs;
  EXPECT_NE(Section(prefs, "user 1").find("name = Bea"), std::string::npos) << prefs;
  std::string save = ReadHostFile(tour.world.GameFolder() + "/ada.quill3");
  EXPECT_NE(save.find("\nmade.chocolate=n:"), std::string::npos) << save;
  EXPECT_NE(save.find("\nmade.coffee=n:"), std::string::npos) << save;

  // Everything the game has, reached by some leg, but what is still being built.
  std::vector<std::string> never = tour.Coverage().NeverExercised(
      ReadHostFile(std::string(getenv("ORVELLA_SOURCE_DIR")) + "/sound/events.txt"));
  std::vector<std::string> notListed, nowToured;
  for (const std::string& n : never)
    if (std::find(kNotYetToured.begin(), kNotYetToured.end(), n) == kNotYetToured.end()) notListed.push_back(n);
  for (const std::string& n : kNotYetToured)
    if (std::find(never.begin(), never.end(), n) == never.end()) nowToured.push_back(n);
  std::string text;
  for (const std::string& n : notListed) text += "  \"" + n + "\",\n";
  EXPECT_TRUE(notListed.empty()) << "never exercised by the tour (give it a step):\n" << text;
  text.clear();
  for (const std::string& n : nowToured) text += "  \"" + n + "\",\n";
  EXPECT_TRUE(nowToured.empty()) << "exercised now: remove from kNotYetToured:\n" << text;
}

}  // namespace
