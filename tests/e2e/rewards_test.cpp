// The reward games as a player reaches them from the menu and plays them with the mouse, on the
// manual clock with the crates' deal seeded (options=randseed=7): three crates picked and the
// rest shown, the money collected; the fireworks running, held still and going on; a spin of the
// slot machine hurried with Stop, its payout and the winnings; then back to the menu. Checked on
// the frames (goldens of the rewards screen, the opened crates and the paid-out machine), the
// sound events in order and the money in the final save.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "core/base/crt_rand.h"
#include "tests/e2e/game_run.h"
#include "tests/support/golden.h"

namespace {

int Count(const std::vector<std::string>& events, const std::string& name) {
  return (int)std::count(events.begin(), events.end(), name);
}

// What crates 1, 11 and 16 hold in the deal of 1000 after OrvellaSrand(seed): the shares in their
// table's order, crate i changed with crate rand() % 21 for each i in turn.
std::vector<uint32_t> Picked(uint32_t seed) {
  std::vector<uint32_t> shares = {400, 400, 400, 400, 300, 300, 300, 300, 200, 200, 200,
                                  200, 200, 200, 200, 100, 100, 100, 0,   0,   0};
  OrvellaSrand(seed);
  for (size_t i = 0; i < shares.size(); ++i) std::swap(shares[i], shares[(size_t)OrvellaRand() % 21]);
  return {shares[0], shares[10], shares[15]};
}

TEST(RewardsTest, APlayerPlaysTheRewardGamesFromTheMenu) {
  GameWorld world;
  Steps s;
  auto shot = [&](const char* name) { return world.File(std::string(name) + ".png"); };
  s.Add("move 799 599").Wait(10).Type("Ada").Key(13);
  s.Click(662, 292).Wait(20).Capture(shot("rewards"));
  // The crates: three picks (crates 1, 11 and 16), then the rest shown; the money collected.
  s.Click(400, 250).Wait(20).Capture(shot("crates_closed"));
  s.Click(130, 200).Click(400, 296).Click(220, 392).Wait(150).Capture(shot("crates"));
  s.Click(290, 552).Wait(20).Capture(shot("rewards_after_crates"));
  // The fireworks, held and let go on.
  s.Click(400, 310).Wait(100).Capture(shot("fireworks_running"));
  s.Click(330, 546).Wait(5).Capture(shot("fireworks_held"));
  s.Wait(60).Capture(shot("fireworks_still_held"));
  s.Click(330, 546).Wait(25).Capture(shot("fireworks_again"));
  s.Click(470, 546).Wait(20);
  // The slot machine: a spin, Stop pressed for each wheel, the payout to its end.
  s.Click(400, 370).Wait(20).Capture(shot("slots_ready"));
  s.Click(240, 550).Wait(10).Capture(shot("slots_rolling"));
  for (int i = 0; i < 4; ++i) s.Click(420, 550).Wait(30);
  s.Wait(600).Capture(shot("slots_paid"));
  s.Click(600, 550).Wait(20).Click(400, 440).Wait(20).Capture(shot("menu"));
  s.Add("quit");
  HarnessRun run = world.Run(s.text, "'options=verbosedebug=1&randseed=7'");
  ASSERT_EQ(run.result.status, 0) << run.result.out << run.report;
  std::string log = world.Log();
  EXPECT_NE(log.find("Reward games: deals seeded with 7"), std::string::npos);

  // Every screen came up and went as the player asked.
  std::vector<uint32_t> rewards = Frame(shot("rewards"));
  ExpectGolden(rewards, 800, 600, "tests/e2e/golden/rewards.png");
  ExpectGolden(Frame(shot("crates")), 800, 600, "tests/e2e/golden/rewards_crates.png");
  EXPECT_TRUE(Differs(Frame(shot("crates_closed")), Frame(shot("crates")), 85, 150, 715, 450));
  // Back on the rewards screen only the money has changed.
  std::vector<uint32_t> after = Frame(shot("rewards_after_crates"));
  EXPECT_TRUE(Differs(rewards, after, 240, 180, 560, 215));
  EXPECT_FALSE(Differs(rewards, after, 0, 215, 800, 600));
  // Held fireworks stand still; let go, they move on.
  EXPECT_TRUE(Differs(Frame(shot("fireworks_running")), Frame(shot("fireworks_held")), 225, 20, 800, 440));
  EXPECT_FALSE(Differs(Frame(shot("fireworks_held")), Frame(shot("fireworks_still_held")), 225, 20, 800, 440));
  EXPECT_TRUE(Differs(Frame(shot("fireworks_still_held")), Frame(shot("fireworks_again")), 225, 20, 800, 440));
  // The wheels rolled and stood on the turn's result; the coins have all fallen away.
  EXPECT_TRUE(Differs(Frame(shot("slots_ready")), Frame(shot("slots_rolling")), 200, 190, 600, 330));
  ExpectGolden(Frame(shot("slots_paid")), 800, 600, "tests/e2e/golden/rewards_slots.png");
  ExpectGolden(Frame(shot("menu")), 800, 600, "tests/e2e/golden/game_menu.png", false);

  std::vector<std::string> events = SoundEvents(log);
  EXPECT_EQ(Count(events, "rewards_music"), 1);
  EXPECT_EQ(Count(events, "crate_click"), 21);  // three picks, eighteen shown
  std::vector<uint32_t> picked = Picked(7);
  int emptyPicks = (int)std::count(picked.begin(), picked.end(), 0u);
  EXPECT_EQ(Count(events, "crate_with_money"), 3 - emptyPicks);
  EXPECT_EQ(Count(events, "crate_no_money"), emptyPicks + (3 - emptyPicks));  // and the empty ones shown
  EXPECT_EQ(Count(events, "machine_spin"), 1);
  EXPECT_EQ(Count(events, "spin_stop"), 4);
  auto stop = std::find(events.begin(), events.end(), "Stop_machine_spin");
  ASSERT_NE(stop, events.end());
  EXPECT_EQ(*(stop - 1), "spin_stop");
  EXPECT_EQ(events.back(), "menu_music");
  bool won = Count(events, "win_money") == 1;
  EXPECT_EQ(*(events.end() - 2), "Stop_win_money");
  // The music project answers every one of them.
  std::string symbols = ReadHostFile(ToolPath("assets/vexa/Game.VEX.symboltable.xml"));
  ASSERT_FALSE(symbols.empty());
  for (const std::string& event : events)
    EXPECT_NE(symbols.find("<Key>" + event + "</Key>"), std::string::npos) << event;

  // The money: the crates' find, less the stake, and the winnings (stakes of 20 for a pair, two
  // pairs, three and four alike: 1, 2, 4 or 10), saved at the end.
  std::string save = ReadHostFile(world.GameFolder() + "/ada.quill3");
  size_t at = save.find("money=n:");
  ASSERT_NE(at, std::string::npos) << save;
  int money = std::stoi(save.substr(at + 8));
  int winnings = money - (500 + (int)(picked[0] + picked[1] + picked[2]) - 20);
  EXPECT_TRUE(winnings == 0 || winnings == 20 || winnings == 40 || winnings == 80 || winnings == 200) << money;
  EXPECT_EQ(winnings > 0, won);
}

}  // namespace
