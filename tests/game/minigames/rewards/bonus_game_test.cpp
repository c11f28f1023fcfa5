// The bonus crate game as a screen script builds it: the deal of a total and its shuffle, the
// crates' places from their buttons, opening (with and without the reveal flag, in both its
// forms) with its states, sounds, texts, devils and sparkle, the look of an opening over time,
// crates outside 1..21, and the script functions handed back when the window goes.
#include "game/minigames/rewards/bonus_game.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iomanip>
#include <sstream>

#include "core/base/crt_rand.h"
#include "core/base/settings.h"
#include "core/graphics/text/text_layout.h"
#include "core/graphics/texture.h"
#include "core/script/script.h"
#include "game/minigames/rewards/rewards_setup.h"
#include "tests/game/minigames/rewards/rewards_fixture.h"

namespace {

// 21 buttons of 60 x 60 in seven columns, 90 apart, rows 96 apart; `missing' is left out.
std::string CrateScreen(int missing = 0) {
  std::string text = "CratesGame { name = 'crates', x = 100, y = 50, w = 630, h = 300, ";
  for (int k = 1; k <= 21; ++k) {
    if (k == missing) continue;
    int column = (k - 1) % 7, row = (k - 1) / 7;
    text += "Button { name = 'select_" + std::to_string(k) + "', x = " + std::to_string(15 + column * 90) +
            ", y = " + std::to_string(20 + row * 96) + ", w = 60, h = 60 }, ";
  }
  return text + "}";
}

class CratesTest : public RewardsTest {
 protected:
  static TBonusGame* OpenCrates(int missing = 0) {
    return Open<TBonusGame>(CrateScreen(missing), "crates", &TBonusGame::Create);
  }
  static std::vector<uint32_t> Amounts(TBonusGame* g) {
    std::vector<uint32_t> out;
    for (uint32_t k = 1; k <= 21; ++k) out.push_back(g->GetCrate(k).amount);
    return out;
  }
  // The first crate holding money (or none, with `money' false).
  static uint32_t FirstCrate(TBonusGame* g, bool money) {
    for (uint32_t k = 1; k <= 21; ++k)
      if ((g->GetCrate(k).amount > 0) == money) return k;
    return 0;
  }
};

TEST_F(CratesTest, TheDealOfATotal) {
  Play([&](TPlatform*) {
    TBonusGame* g = OpenCrates();
    ASSERT_NE(g, nullptr);
    struct Case {
      double total;
      double sum;
    } cases[] = {
        {1000, 4500},                 // 400 x 4, 300 x 4, 200 x 7, 100 x 3, 0 x 3
        {0, 1800},                    // every share above 0 is at least 100
        {-250, 1800},                 // a negative total counts as none
        {99.9, 1800},                 // the whole part only
        {123456, 632100},             // shares rounded to whole hundreds
        {1e12, 22011706500.0},        // as much as 32 bits hold; the sum does not wrap
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.total);
      Run("gSum = PrepareGame(" + std::to_string(c.total) + ")");
      EXPECT_EQ(Global("gSum"), (std::ostringstream() << std::setprecision(14) << c.sum).str());
      std::vector<uint32_t> amounts = Amounts(g);
      double sum = 0;
      int empty = 0;
      for (uint32_t a : amounts) {
        sum += a;
        empty += a == 0;
        EXPECT_EQ(a % 100, 0u);
      }
      EXPECT_EQ(sum, c.sum);
      EXPECT_EQ(empty, 3);  // the three shares of 0, whatever the total
    }
    Run("PrepareGame(1000)");
    std::vector<uint32_t> sorted = Amounts(g);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<uint32_t>{0, 0, 0, 100, 100, 100, 200, 200, 200, 200, 200, 200, 200, 300, 300, 300,
                                             300, 400, 400, 400, 400}));
  });
}

TEST_F(CratesTest, TheShuffleFollowsTheSeededGeneratorAndKeepsTheAmounts) {
  Play([&](TPlatform*) {
    TBonusGame* g = OpenCrates();
    ASSERT_NE(g, nullptr);
    // The shares in their table's order, shuffled by hand: crate i changes places with crate
    // rand() % 21, for i from the first to the last.
    std::vector<uint32_t> shares = {400, 400, 400, 400, 300, 300, 300, 300, 200, 200, 200,
                                    200, 200, 200, 200, 100, 100, 100, 0,   0,   0};
    for (uint32_t seed : {1u, 2u, 77u}) {
      SCOPED_TRACE(seed);
      std::vector<uint32_t> expected = shares;
      OrvellaSrand(seed);
      for (size_t i = 0; i < expected.size(); ++i) std::swap(expected[i], expected[(size_t)OrvellaRand() % 21]);
      OrvellaSrand(seed);
      Run("PrepareGame(1000)");
      EXPECT_EQ(Amounts(g), expected);
    }
  });
}

TEST_F(CratesTest, CratesLieWhereTheirButtonsAreWidenedEitherSide) {
  Play([&](TPlatform*) {
    TBonusGame* g = OpenCrates(9);
    ASSERT_NE(g, nullptr);
    const TBonusGame::Crate& first = g->GetCrate(1);
    EXPECT_EQ(first.area.left, -5);  // 15 - 20
    EXPECT_EQ(first.area.right, 95);
    EXPECT_EQ(first.area.top, 20);
    EXPECT_EQ(first.area.bottom, 80);
    EXPECT_EQ(first.centreX, 45.0f);
    EXPECT_EQ(first.centreY, 50.0f);
    EXPECT_EQ(g->GetCrate(21).centreX, 6 * 90 + 45.0f);
    EXPECT_EQ(g->GetCrate(21).centreY, 2 * 96 + 50.0f);
    // Without its button a crate has no place, yet it is dealt and opens.
    const TBonusGame::Crate& lost = g->GetCrate(9);
    EXPECT_EQ(lost.area.Width(), 0);
    EXPECT_EQ(lost.centreX, 0.0f);
    Run("PrepareGame(1000)");
    Run("gLost = SelectPrize(9)");
    EXPECT_EQ(Global("gLost"), std::to_string(lost.amount));
    EXPECT_EQ(lost.state, TBonusGame::kOpened);
  });
}

TEST_F(CratesTest, OpeningACrateWithAndWithoutTheRevealFlag) {
  struct Case {
    const char* name;
    bool money;
    const char* flag;  // the second argument as the script writes it
    uint32_t state;
    std::vector<std::string> sounds;
    bool sparkle;
    int fontSize;  // of the money text (0: a devil instead)
  } cases[] = {
      {"money", true, "", TBonusGame::kOpened, {"crate_click", "crate_with_money"}, true, 16},
      {"money, false", true, ", false", TBonusGame::kOpened, {"crate_click", "crate_with_money"}, true, 16},
      {"money, 0", true, ", 0", TBonusGame::kOpened, {"crate_click", "crate_with_money"}, true, 16},
      {"money, true", true, ", true", TBonusGame::kOpened, {"crate_click"}, false, 14},
      {"money, 1", true, ", 1", TBonusGame::kOpened, {"crate_click"}, false, 14},
      {"empty", false, "", TBonusGame::kOpened, {"crate_click", "crate_no_money"}, false, 0},
      {"empty, true", false, ", true", TBonusGame::kRevealedEmpty, {"crate_click", "crate_no_money"}, false, 0},
      {"empty, 2", false, ", 2", TBonusGame::kRevealedEmpty, {"crate_click", "crate_no_money"}, false, 0},
  };
  Play([&](TPlatform*) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      TBonusGame* g = OpenCrates();
      ASSERT_NE(g, nullptr);
      Run("PrepareGame(1000)");
      uint32_t k = FirstCrate(g, c.money);
      ASSERT_NE(k, 0u);
      const TBonusGame::Crate& crate = g->GetCrate(k);
      TakeEvents();
      Run("gGot = SelectPrize(" + std::to_string(k) + c.flag + ")");
      EXPECT_EQ(Global("gGot"), std::to_string(crate.amount));
      EXPECT_EQ(crate.state, c.state);
      EXPECT_EQ(TakeEvents(), c.sounds);
      TScript* sparkle = g->GetSparkle().GetScript();
      if (c.sparkle) {
        EXPECT_EQ(g->GetSparkleX(), (int32_t)crate.centreX);
        EXPECT_EQ(g->GetSparkleY(), (int32_t)crate.centreY);
        EXPECT_EQ(sparkle->GetGlobalNumber("gSparkleTime"), 2.0);
        EXPECT_FLOAT_EQ(g->GetSparkleStart().GetColor().g, 143 / 255.0f);
        EXPECT_EQ(g->GetSparkleStart().GetColor().a, 1.0f);
        EXPECT_EQ(g->GetSparkleEnd().GetColor().a, 0.2f);
      } else {
        EXPECT_EQ(g->GetSparkleX(), 0);
        EXPECT_EQ(sparkle->GetGlobalNumber("gSparkleTime"), 0.0);
      }
      if (c.fontSize) {
        ASSERT_TRUE(crate.text);
        EXPECT_EQ(crate.text->GetText(), TStr::Format("$%u", crate.amount));
        EXPECT_EQ(crate.text->GetFontSize(), c.fontSize);
        EXPECT_EQ(crate.text->GetFontName(), TStr("fonts/fertigo.mvec"));
        EXPECT_FALSE(crate.content);
      } else {
        EXPECT_FALSE(crate.text);
        EXPECT_EQ(crate.content, TTexture::Get(TStr("image/whammy_devil")));
      }
      // Opened once: asked again, it answers the same and plays nothing.
      Run("gAgain = SelectPrize(" + std::to_string(k) + ")");
      EXPECT_EQ(Global("gAgain"), std::to_string(crate.amount));
      EXPECT_EQ(crate.state, c.state);
      EXPECT_TRUE(TakeEvents().empty());
      CloseScreen();
    }
  });
}

TEST_F(CratesTest, CratesOutsideOneToTwentyOneOpenNothing) {
  Play([&](TPlatform*) {
    TBonusGame* g = OpenCrates();
    ASSERT_NE(g, nullptr);
    Run("PrepareGame(1000)");
    TakeEvents();
    for (const char* k : {"0", "22", "-1", "1e10", "0/0", "'first'", "nil", "0.5"}) {
      SCOPED_TRACE(k);
      Run(std::string("gGot = SelectPrize(") + k + ")");
      EXPECT_EQ(Global("gGot"), "0");
    }
    std::string log = LogText();
    size_t refused = 0;
    for (size_t at = log.find("SelectPrize: "); at != std::string::npos; at = log.find("SelectPrize: ", at + 1)) ++refused;
    EXPECT_EQ(refused, 8u);
    EXPECT_NE(LogText().find("SelectPrize: there is no crate 22 (crates are 1 to 21)"), std::string::npos);
    EXPECT_NE(LogText().find("SelectPrize: no crate named"), std::string::npos);
    EXPECT_TRUE(TakeEvents().empty());
    for (uint32_t k = 1; k <= 21; ++k) EXPECT_EQ(g->GetCrate(k).state, TBonusGame::kClosed) << k;
    // A fraction is cut to its whole part, as the script's integers are.
    Run("gGot = SelectPrize(21.9)");
    EXPECT_EQ(g->GetCrate(21).state, TBonusGame::kOpened);
  });
}

TEST_F(CratesTest, AnOpeningsLookOverTime) {
  struct Case {
    uint32_t state, ms;
    float boxAlpha, boxScale, textScale, devilScale;
  } cases[] = {
      {TBonusGame::kOpened, 0, 1.0f, 0.4f, 1.0f, 0.5f},
      {TBonusGame::kOpened, 250, 0.6875f, 0.4625f, 1.3125f, 0.75f},
      {TBonusGame::kOpened, 400, 0.5f, 0.5f, 1.5f, 0.9f},   // the money text at its largest
      {TBonusGame::kOpened, 500, 0.375f, 0.525f, 1.375f, 1.0f},
      {TBonusGame::kOpened, 800, 0.0f, 0.6f, 1.0f, 0.7f},   // the box gone
      {TBonusGame::kOpened, 1250, -0.5625f, 0.7125f, 1.0f, 0.75f},
      {TBonusGame::kRevealedEmpty, 400, 0.5f, 0.5f, 1.5f, 0.25f},  // a small devil, no pulse
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ms);
    TBonusGame::Look look = TBonusGame::LookAt(c.state, c.ms);
    EXPECT_FLOAT_EQ(look.boxAlpha, c.boxAlpha);
    EXPECT_FLOAT_EQ(look.boxScale, c.boxScale);
    EXPECT_FLOAT_EQ(look.textScale, c.textScale);
    EXPECT_FLOAT_EQ(look.contentScale, c.devilScale);
  }
  // The window counts the open time 50 ms a tick, only for opened crates.
  Play([&](TPlatform*) {
    TBonusGame* g = OpenCrates();
    ASSERT_NE(g, nullptr);
    Run("PrepareGame(1000)");
    uint32_t money = FirstCrate(g, true), empty = FirstCrate(g, false);
    Run("SelectPrize(" + std::to_string(money) + ") SelectPrize(" + std::to_string(empty) + ", true)");
    for (int i = 0; i < 8; ++i) g->OnAnimate();
    EXPECT_EQ(g->GetCrate(money).openTime, 400u);
    EXPECT_EQ(g->GetCrate(empty).openTime, 0u);
    EXPECT_EQ(g->GetCrate(money == 1 ? 2 : 1).openTime, 0u);
    for (int i = 0; i < 8; ++i) g->OnAnimate();
    EXPECT_EQ(g->GetCrate(money).openTime, 800u);
  });
}

TEST_F(CratesTest, TheDealsAreSeededFromTheSettingOrElseTheWallClock) {
  Play([&](TPlatform*) {
    SetSetting(TStr("randseed"), TStr("42"));
    SeedRewardDeals();
    int dealt = OrvellaRand();
    OrvellaSrand(42);
    EXPECT_EQ(dealt, OrvellaRand());
    EXPECT_NE(LogText().find("Reward games: deals seeded with 42"), std::string::npos);
    // Without it the seed is the wall clock's microseconds, folded to 32 bits: another every run.
    SetSetting(TStr("randseed"), TStr());
    auto now = [] {
      return (uint64_t)std::chrono::duration_cast<std::chrono::microseconds>(
                 std::chrono::system_clock::now().time_since_epoch())
          .count();
    };
    uint64_t before = now();
    uint32_t seed = RewardSeed();
    uint64_t after = now();
    bool fromTheClock = false;
    for (uint64_t us = before; us <= after && !fromTheClock; ++us) fromTheClock = seed == (uint32_t)(us ^ (us >> 32));
    EXPECT_TRUE(fromTheClock) << seed;
  });
}

}  // namespace
