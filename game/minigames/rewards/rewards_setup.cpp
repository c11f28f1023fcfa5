// How the game's set-up learns of the reward games, and the seed of their deals.
#include <chrono>

#include "core/base/crt_rand.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "game/minigames/rewards/bonus_game.h"
#include "game/minigames/rewards/fireworks_window.h"
#include "game/minigames/rewards/rewards_setup.h"
#include "game/minigames/rewards/slot_machine.h"
#include "game/shell/game_setup.h"

uint32_t RewardSeed() {
  TStr fixed = GetSetting(TStr("randseed"));
  if (!fixed.IsEmpty()) return (uint32_t)fixed.ToInt();
  // The platform's clock counts from the program's start, so it would give every run the same
  // seed: the wall clock differs from run to run.
  auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
                .count();
  return (uint32_t)((uint64_t)us ^ ((uint64_t)us >> 32));
}

void SeedRewardDeals() {
  uint32_t seed = RewardSeed();
  OrvellaSrand(seed);
  LogPrintf("Reward games: deals seeded with %u", seed);
}

void ProvideRewards(TGameSetup& setup) {
  setup.SetWindowClass("CratesGame", &TBonusGame::Create);
  setup.SetWindowClass("FireworksWindow", &TFireworksWindow::Create);
  setup.SetWindowClass("SlotMachine", &SlotMachine::GetFactory);
  setup.start.push_back(&SeedRewardDeals);
}
