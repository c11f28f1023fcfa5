// End to end: a player makes truffles. From the game's menu the chocolate factory opens through
// its screen script; the player starts it and plays with the mouse on the manual clock in 10 ms
// steps: a tray filled in one colour (its rings fly), two trays and then the third filled for
// the full house, an ingredient no tray wants thrown into the bin, a full tray delivered to the
// machine, Escape, the loss of the focus and the developer menu (Shift+Escape) in play, three
// misses that shut the machine down, then Escape and the focus at game over, which leave the
// panel, and the way back to the menu. Every shot is aimed where the seeded game puts the trays
// at that moment: the same steps always give the same game. The run is read back through the
// sound events the game sent, the game-state changes, and frames: a busy moment and the
// game-over panel with the score and the player's total.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/directx/directx_test_control.h"
#include "tests/e2e/factory_plays.h"
#include "tests/e2e/game_run.h"
#include "tests/support/golden.h"
#include "tests/support/host_file.h"
#include "tests/support/run_tool.h"

namespace {

constexpr int kEscape = 27;

std::vector<uint32_t> Capture(const std::string& png, int left = 0, int top = 0, int right = 800, int bottom = 600) {
  std::vector<uint32_t> pixels, part;
  int width = 0, height = 0;
  EXPECT_TRUE(TestControl::Display::ReadPng(png, pixels, width, height)) << png;
  if (width != 800 || height != 600) return part;
  for (int y = top; y < bottom; y++)
    for (int x = left; x < right; x++) part.push_back(pixels[(size_t)y * 800 + x] | 0xFF000000u);
  return part;
}

TEST(ChocolateFactoryTest, APlayerMakesTrufflesFromTheMenuToClosingTime) {
  GameWorld world;
  world.InstallStateRecorder();
  Hand hand;
  // The first start: a name, then the factory's planned opening.
  hand.Frame(20, "move 799 599").Frame(30, "text Ada").Frame(35, "key 13 down").Frame(36, "key 13 up");
  PlayChocolateOpening(hand);
  hand.At(9400, "capture " + world.File("busy.png"));
  // Escape pauses; the panel's button goes back to work. The focus lost and won back: paused
  // until the button. Shift+Escape: the developer menu, whose Resume goes on.
  hand.Key(14500, kEscape).At(14800, "capture " + world.File("paused.png")).Click(15000, 316, 358);
  hand.At(15500, "activate 0").At(16000, "activate 1").Click(16500, 316, 358);
  hand.At(16700, "key 16 down").Key(16710, kEscape).At(16730, "key 16 up").Click(16900, 400, 330);
  // Three shots along the floor, where nothing catches: the machine shuts down.
  hand.Click(17500, 790, 540).Click(17800, 790, 540).Click(18100, 790, 540);
  // Game over: Escape and the focus leave the panel as it is; Done goes back to the menu.
  hand.Key(20000, kEscape).At(20500, "activate 0").At(21000, "activate 1").At(21200, "move 799 599");
  // The pointer leaves Done in the same turn as the click, so the menu is drawn without it.
  hand.At(21500, "capture " + world.File("over.png")).Click(22000, 484, 358).At(22003, "move 799 599");
  hand.At(22800, "capture " + world.File("menu.png")).At(23000, "quit");

  HarnessRun run = world.Run(hand.text, "options=verbosedebug=1", "5000:10");
  ASSERT_EQ(run.result.status, 0) << run.result.out;
  ASSERT_NE(run.report.find("quit"), std::string::npos) << run.report;

  // What the player heard, from the menu's music to the menu's music again.
  std::vector<std::string> want = {"menu_music", "chocolate_making_game_intro", "chocolate_making_game_intro",
                                   // Start: the countdown and the bell.
                                   "clock_tick", "clock_tick", "clock_tick", "start_bell", "chocolate_making_game",
                                   // The colour match.
                                   "launch", "ingredient_color_match_1", "launch", "ingredient_color_match_2", "launch",
                                   "ingredient_complete_colormatch",
                                   // Two trays filled in mixed colours.
                                   "launch", "ingredient_color_match_1", "launch", "ingredient_color_match_2", "launch",
                                   "ingredient_color_match_1", "launch", "ingredient_success_2", "launch",
                                   "ingredient_complete", "launch", "ingredient_complete",
                                   // The third tray, the bin, the match's truffle counted, the full house.
                                   "launch", "ingredient_color_match_1", "launch", "recycler", "chocolate_counted", "launch",
                                   "ingredient_success_2", "launch", "ingredient_complete", "ingredient_complete_full_bonus",
                                   // A tray for the machine: its three truffles counted, then it is taken.
                                   "launch", "ingredient_color_match_1", "launch", "ingredient_success_2", "launch",
                                   "ingredient_complete", "chocolate_counted", "chocolate_counted", "chocolate_counted",
                                   "snatch",
                                   // Escape, the focus, the developer menu: each pauses and resumes.
                                   "Pause", "Unpause", "chocolate_making_game", "Pause", "Unpause", "chocolate_making_game",
                                   "chocolate_counted", "Pause", "Unpause", "chocolate_making_game",
                                   // Three misses, the last one shuts the machine down.
                                   "launch", "ingredient_failure_1", "launch", "ingredient_failure_2", "launch", "game_over",
                                   "chocolate_making_game_outro", "ingredient_failure_factory shutdown",
                                   // At game over only the application's own pause for the lost focus.
                                   "Pause", "Unpause", "menu_music"};
  EXPECT_EQ(SoundEvents(world.Log()), want);

  // The factory's game-state keys: standing at set-up, restarted, then each pause and resume.
  std::string states = world.States();
  EXPECT_EQ(StateValues(states, "ChocolateFactoryTime"),
            (std::vector<std::string>{"0", "restart", "1", "0", "1", "0", "1", "0", "1"}))
      << states;
  EXPECT_EQ(StateValues(states, "RecycleCount"), (std::vector<std::string>{"0", "1"})) << states;

  // A busy moment: three full trays, a shot in flight, the match's truffle in the box.
  ExpectGolden(Capture(world.File("busy.png")), 800, 600, "tests/e2e/golden/chocolate_factory_busy.png");
  // The game-over panel: GetScore's 8 (three rings and five truffles) and the player's total
  // that the panel's script keeps in Player; Escape and the focus left it in place.
  ExpectGolden(Capture(world.File("over.png"), 212, 142, 596, 412), 384, 270,
               "tests/e2e/golden/chocolate_factory_gameover.png");
  // Back at the menu, as the game starts with it.
  ExpectGolden(Capture(world.File("menu.png")), 800, 600, "tests/e2e/golden/game_menu.png", false);
}

// The music project answers every event the factory sends, the ones this play did not reach
// too (the warning whistle, the numbered places of other recipes and misses).
TEST(ChocolateFactoryTest, TheMusicProjectAnswersEveryEventOfTheFactory) {
  std::string symbols = ReadHostFile(ToolPath("assets/vexa/Game.VEX.symboltable.xml"));
  ASSERT_FALSE(symbols.empty());
  std::vector<std::string> events = {"chocolate_making_game_intro", "clock_tick", "start_bell", "chocolate_making_game",
                                     "whistle", "game_over", "chocolate_making_game_outro", "snatch", "launch",
                                     "recycler", "chocolate_counted", "ingredient_complete", "ingredient_complete_colormatch",
                                     "ingredient_complete_full_bonus", "ingredient_failure_factory shutdown"};
  for (int n = 1; n <= 5; ++n) {
    events.push_back("ingredient_color_match_" + std::to_string(n));
    events.push_back("ingredient_success_" + std::to_string(n));
  }
  for (int n = 1; n <= 20; ++n) events.push_back("ingredient_failure_" + std::to_string(n));
  for (const std::string& event : events)
    EXPECT_NE(symbols.find("<Key>" + event + "</Key>"), std::string::npos) << event;
}

}  // namespace
