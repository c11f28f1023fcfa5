// End to end: a player makes cappuccinos. From the game's menu the coffee factory opens through
// its screen script; the player starts it and plays with the mouse on the manual clock in 10 ms
// steps: four cream shot into a line (the fourth between the others, so all four leave), three
// milk in a line, then, near the end, three beans in a line, which stock the hopper with the last
// of the recipe: three cappuccinos ride to the box, two of them still under way when the time is
// up, with a last shot in the air; the game waits for them. Then another game, three shots past
// the belt that shut the machine down, Escape and the focus at game over, which leave the panel,
// and the way back to the menu. Every shot is aimed where the seeded game has empty cells at that
// moment: the same steps always give the same game. The run is read back through the sound
// events, the factory's play log ("verbosedebug") and frames: the aimer on the pointer, and a
// busy moment.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
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

// The factory's play log: its lines without the time left, in order, and the time left of each.
std::vector<std::string> PlayLog(const std::string& log, std::vector<int>* left = nullptr) {
  std::vector<std::string> lines;
  std::istringstream in(log);
  static const std::regex line("Coffee factory \\((\\d+) ms left\\): (.*)");
  for (std::string text; std::getline(in, text);) {
    std::smatch m;
    if (!std::regex_search(text, m, line)) continue;
    lines.push_back(m[2].str());
    if (left) left->push_back(std::stoi(m[1].str()));
  }
  return lines;
}

// Every belt rate the play log names.
std::vector<float> BeltRates(const std::vector<std::string>& play) {
  std::vector<float> rates;
  static const std::regex rate("belt rate ([0-9.]+)");
  for (const std::string& text : play) {
    std::smatch m;
    if (std::regex_search(text, m, rate)) rates.push_back(std::stof(m[1].str()));
  }
  return rates;
}

TEST(CoffeeFactoryTest, APlayerMakesCappuccinosFromTheMenuToClosingTime) {
  GameWorld world;
  Hand hand;
  // The first start: a name, then the factory's planned games.
  hand.Frame(20, "move 799 599").Frame(30, "text Ada").Frame(35, "key 13 down").Frame(36, "key 13 up");
  PlayCoffeeGames(hand);
  hand.At(5000, "capture " + world.File("aimer.png")).At(62300, "capture " + world.File("busy.png"));
  // Game over: Escape and the focus leave the panel as it is.
  hand.Key(73000, kEscape).At(73500, "activate 0").At(74000, "activate 1");
  // A third game left for the menu in play: the menu has the arrow again.
  hand.Click(75000, 316, 358).Click(80000, 500, 68).At(80500, "capture " + world.File("menu.png"));
  hand.At(81000, "quit");

  HarnessRun run = world.Run(hand.text, "options=verbosedebug=1", "5000:10");
  ASSERT_EQ(run.result.status, 0) << run.result.out;
  ASSERT_NE(run.report.find("quit"), std::string::npos) << run.report;
  std::string log = world.Log();
  std::vector<int> left;
  std::vector<std::string> play = PlayLog(log, &left);

  // The groups: their sizes, bonuses and sounds, the score.
  auto has = [&](const std::string& text) {
    for (const std::string& line : play)
      if (line.rfind(text, 0) == 0) return true;
    return false;
  };
  EXPECT_TRUE(has("group of 4 cream collected, bonus 5, score 5, belt rate 1.100"));
  EXPECT_TRUE(has("group of 3 milk collected, bonus 3, score 8, belt rate 1.210"));
  EXPECT_TRUE(has("group of 3 beans collected, bonus 3, score 11, belt rate 1.331"));
  // What the hopper held as the groups arrived, 250 ms after they left the belt (the step
  // that takes a group ends a step earlier than the one that stocks it), and as each cappuccino
  // took one of each.
  std::vector<std::string> stock;
  int groups = 0;
  for (size_t i = 0; i < play.size(); ++i) {
    if (play[i].rfind("stock", 0) == 0) stock.push_back(play[i]);
    if (play[i].rfind("group of", 0) != 0) continue;
    ++groups;
    size_t j = i + 1;
    while (j < play.size() && play[j].rfind("stock", 0) != 0) ++j;
    ASSERT_LT(j, play.size());
    EXPECT_EQ(left[i] - left[j], 240) << play[i];
  }
  EXPECT_EQ(groups, 3);
  EXPECT_EQ(stock, (std::vector<std::string>{
                       "stock beans 0 milk 0 cream 0", "stock beans 0 milk 0 cream 4", "stock beans 0 milk 3 cream 4",
                       "stock beans 3 milk 3 cream 4", "stock beans 2 milk 2 cream 3", "stock beans 1 milk 1 cream 2",
                       "stock beans 0 milk 0 cream 1",
                       // The game over empties the hopper; the second game starts from nothing.
                       "stock beans 0 milk 0 cream 0"}));
  // The belt never runs faster than its "maxspeed" of 4 nor slower than 1.
  for (float rate : BeltRates(play)) {
    EXPECT_GE(rate, 1.0f);
    EXPECT_LE(rate, 4.0f);
  }

  // What the player heard.
  std::vector<std::string> events;
  for (const std::string& e : SoundEvents(log))
    if (e != "conveyor_belt_loop" && e != "Stop_conveyor_belt_loop") events.push_back(e);
  std::vector<std::string> want = {
      "menu_music", "coffee_making_game_intro", "coffee_making_game_intro",
      // Start: the countdown and the bell.
      "clock_tick", "clock_tick", "clock_tick", "start_bell", "coffee_making_game",
      // Four cream, worth 5, then three milk, worth 3.
      "launch", "launch", "launch", "launch", "launch", "launch", "launch", "ingredient_match_5", "launch",
      "ingredient_match_3",
      // Ten seconds to go, then the beans' group and the first cappuccino counted.
      "whistle", "launch", "launch", "launch", "launch", "ingredient_match_3", "chocolate_counted",
      // The last shot, the time up, the two cappuccinos still under way, the panel.
      "launch", "coffee_making_game_outro", "game_over", "chocolate_counted", "chocolate_counted",
      // Again: the sounds stand while the game resets; three misses, the last one shuts the
      // machine down.
      "Pause", "coffee_making_game_intro", "Unpause", "clock_tick", "clock_tick", "clock_tick", "start_bell", "coffee_making_game",
      "launch", "ingredient_failure_1", "launch", "ingredient_failure_2", "launch", "coffee_making_game_outro",
      "game_over", "ingredient_failure_factory shutdown",
      // At game over only the application's own pause for the lost focus.
      "Pause", "Unpause",
      // Again, and away to the menu.
      "Pause", "coffee_making_game_intro", "Unpause", "clock_tick", "clock_tick", "clock_tick", "start_bell",
      "coffee_making_game", "menu_music"};
  EXPECT_EQ(events, want);
  // The shot in the air at time-up landed in its empty cell after it: no miss in the first game,
  // whose last cappuccino was counted at the end of the wait.
  EXPECT_TRUE(has("milk shot at (105, 138), cell 9 (empty)"));
  auto last = std::find(play.begin(), play.end(), "product counted, score 14");
  ASSERT_NE(last, play.end());
  for (auto it = play.begin(); it != last; ++it) EXPECT_EQ(it->find("missed"), std::string::npos) << *it;

  // The pointer in play is the gun's aimer, centred on the point a click fires at.
  std::vector<uint32_t> aimer;
  int w = 0, h = 0;
  ASSERT_TRUE(TestControl::Display::ReadPng(ToolPath("assets") + "/cursor/gun_aimer.png", aimer, w, h));
  std::vector<uint32_t> frame = Frame(world.File("aimer.png"));
  uint32_t seen = frame[358 * 800 + 400], centre = aimer[(size_t)(h / 2) * w + w / 2];
  for (int shift : {0, 8, 16}) EXPECT_NEAR((int)(seen >> shift & 0xFF), (int)(centre >> shift & 0xFF), 3) << shift;

  // Back in the menu the pointer is the arrow again, its tip on the point.
  std::vector<uint32_t> arrow;
  ASSERT_TRUE(TestControl::Display::ReadPng(ToolPath("assets") + "/cursor/cursor.png", arrow, w, h));
  std::vector<uint32_t> menu = Frame(world.File("menu.png"));
  seen = menu[68 * 800 + 500];
  uint32_t tip = arrow[(size_t)1 * w + 1];
  ASSERT_EQ(tip >> 24, 0xFFu);
  for (int shift : {0, 8, 16}) EXPECT_NEAR((int)(seen >> shift & 0xFF), (int)(tip >> shift & 0xFF), 3) << shift;

  // A busy moment: the beans' group just taken, its "+3" rising, the beans flying into the
  // hopper, the belt full.
  ExpectGolden(Frame(world.File("busy.png")), 800, 600, "tests/e2e/golden/coffee_factory_busy.png");
}

// The music project answers every event the factory sends, the ones this play did not reach
// too: every bonus sound and the misses a factory with many miss places can count.
TEST(CoffeeFactoryTest, TheMusicProjectAnswersEveryEventOfTheFactory) {
  std::string symbols = ReadHostFile(ToolPath("assets/vexa/Game.VEX.symboltable.xml"));
  ASSERT_FALSE(symbols.empty());
  std::vector<std::string> events = {"coffee_making_game_intro", "clock_tick", "start_bell", "coffee_making_game",
                                     "whistle", "game_over", "coffee_making_game_outro", "launch", "chocolate_counted",
                                     "conveyor_belt_loop", "Stop_conveyor_belt_loop",
                                     "ingredient_failure_factory shutdown"};
  for (int n = 0; n <= 5; ++n) events.push_back("ingredient_match_" + std::to_string(n));
  for (int n = 1; n <= 20; ++n) events.push_back("ingredient_failure_" + std::to_string(n));
  for (const std::string& event : events)
    EXPECT_NE(symbols.find("<Key>" + event + "</Key>"), std::string::npos) << event;
}

}  // namespace
