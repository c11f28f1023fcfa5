// The reward windows drawn as the player sees them, with the game's pictures and particle
// scripts, every generator seeded: crates opening with their sparkle, the fireworks in full
// show, and the slot machine in the middle of a payout; each against a golden picture (looked at
// by eye when it was made; ORVELLA_UPDATE_GOLDEN=1 writes it anew).
#include <gtest/gtest.h>

#include "core/base/mersenne_twister.h"
#include "core/graphics/particles/particle_function.h"
#include "tests/game/minigames/rewards/rewards_fixture.h"
#include "tests/support/golden.h"

namespace {

class RewardsSceneTest : public RewardsTest {
 protected:
  // The particles' generator exists while some effect lives: seeded once the screen is built.
  static void SeedParticles() { GetParticleRandom().init_genrand(11); }
  static void ExpectScreen(const std::string& name) {
    ExpectGolden(Presented(), 800, 600, "tests/game/minigames/rewards/golden/" + name);
  }
};

TEST_F(RewardsSceneTest, CratesOpening) {
  Play([&](TPlatform*) {
    std::string crates = "CratesGame { name = 'crates', x = 85, y = 150, w = 630, h = 300, ";
    for (int k = 1; k <= 21; ++k)
      crates += "Button { name = 'select_" + std::to_string(k) + "', x = " + std::to_string(15 + (k - 1) % 7 * 90) +
                ", y = " + std::to_string(20 + (k - 1) / 7 * 96) + ", w = 60, h = 60 }, ";
    TBonusGame* g = Open<TBonusGame>("Bitmap { name = 'backdrop', x = 0, y = 0, image = 'image/backdrop_rewards.png' }, "
                                     "QRNWindow { name = 'panel', x = 69, y = 132, w = 662, h = 336, "
                                     "  frame = 'ui/kit/panel', color = { 0.96, 0.9, 0.78, 1 } }, " +
                                         crates + "}",
                                     "crates", &TBonusGame::Create);
    ASSERT_NE(g, nullptr);
    SeedParticles();
    OrvellaSrand(3);
    Run("PrepareGame(1000)");
    // An empty crate a second open, pulsing; two opened 400 ms ago (the money at its largest, the
    // sparkle rising), the rest shown as the game shows them after the picks.
    uint32_t empty = 1;
    while (g->GetCrate(empty).amount > 0) ++empty;
    Run("SelectPrize(" + std::to_string(empty) + ")");
    for (int i = 0; i < 20; ++i) Advance(50);
    Run("SelectPrize(10) SelectPrize(19)");
    for (int i = 0; i < 8; ++i) Advance(50);
    Run("for k = 15, 21 do if k ~= 19 then SelectPrize(k, true) end end");
    for (int i = 0; i < 2; ++i) Advance(50);
    ExpectScreen("crates_opening.png");
  });
}

TEST_F(RewardsSceneTest, FireworksShow) {
  Play([&](TPlatform*) {
    OrvellaSrand(9);
    TFireworksWindow* show = Open<TFireworksWindow>(
        "Bitmap { name = 'backdrop', x = 0, y = 0, image = 'image/backdrop_rewards.png' }, "
        "Rectangle { name = 'night', x = 0, y = 0, w = 800, h = 600, color = { 0.18, 0.2, 0.25, 0.6 } }, "
        "FireworksWindow { name = 'show', x = 225, y = 20, w = 575, h = 420 }",
        "show", &TFireworksWindow::Create);
    ASSERT_NE(show, nullptr);
    Run("StartFireworks()");
    SeedParticles();
    for (int i = 0; i < 40; ++i) Advance(40);
    ExpectScreen("fireworks_show.png");
  });
}

TEST_F(RewardsSceneTest, SlotMachinePayingOut) {
  Play([&](TPlatform*) {
    SeedRandom(4);
    SlotMachine* m = Open<SlotMachine>(
        "Bitmap { name = 'backdrop', x = 0, y = 0, image = 'image/backdrop_rewards.png' }, "
        "Bitmap { name = 'cabinet', x = 120, y = 90, image = 'image/slot_machine.png' }, "
        "SlotMachine { name = 'slots', x = 0, y = 0, w = 800, h = 600, "
        "  options = { 'slot_cherry', 'slot_bell', 'slot_star', 'slot_bean', 'slot_heart', 'slot_seven' }, "
        "  wheel1 = { x = 250, y = 260 }, wheel2 = { x = 350, y = 260 }, wheel3 = { x = 450, y = 260 }, "
        "  wheel4 = { x = 550, y = 260 }, "
        "  Bitmap { name = 'glass', x = 120, y = 90, image = 'image/slot_glass.png' } }",
        "slots", &SlotMachine::GetFactory);
    ASSERT_NE(m, nullptr);
    SeedParticles();
    Run("StartSlots(6, 6, 6, 6, 10)");
    for (int i = 0; i < 400 && !m->IsAllStopped(); ++i) Advance(50);
    ASSERT_TRUE(m->IsAllStopped());
    for (int i = 0; i < 30; ++i) Advance(50);
    ASSERT_FALSE(m->IsPayoutDone());
    EXPECT_GT(m->GetSparkle().GetCollection().GetLiveCount(), 50);
    ExpectScreen("slot_payout.png");
  });
}

}  // namespace
