// The seed of the generator the crates and the fireworks draw from ("rand()" in the original
// sense): the setting "randseed" when given (tests, replays), else the wall clock.
#pragma once

#include <cstdint>

uint32_t RewardSeed();
// Seeds that generator once, at the game's start.
void SeedRewardDeals();
