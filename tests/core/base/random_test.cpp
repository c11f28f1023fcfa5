// Tests of MT19937 (reference outputs), RandomInRange, the C library generator and seeding.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "core/base/crt_rand.h"
#include "core/base/mersenne_twister.h"
#include "core/base/random.h"

TEST(MersenneTwisterTest, ReferenceOutputs) {
  TMersenneTwister mt;
  mt.init_genrand(5489);
  EXPECT_EQ(mt.genrand_int32(), 3499211612u);

  const uint32_t key[4] = {0x123, 0x234, 0x345, 0x456};
  mt.init_by_array(key, 4);
  const uint32_t expect[] = {1067595299u, 955945823u,  477289528u,  4107218783u, 4228976476u,
                             3344332714u, 3355579695u, 227628506u,  810200273u,  2591290167u};
  for (uint32_t e : expect) EXPECT_EQ(mt.genrand_int32(), e);

  // Single-word seeding agrees with the standard library's MT19937 over several refills.
  for (uint32_t seed : {0u, 1u, 5489u, 0xFFFFFFFFu}) {
    mt.init_genrand(seed);
    std::mt19937 ref(seed);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(mt.genrand_int32(), ref()) << seed << " at " << i;
  }
}

TEST(MersenneTwisterTest, UnseededGeneratorsAgreeAndRes53IsInRange) {
  TMersenneTwister a, b;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(a.genrand_int32(), b.genrand_int32());
  TMersenneTwister c;
  const uint32_t fixed[4] = {0xd4c4cf4bu, 0x3e2019a7u, 0xe6489797u, 0x5746fcb5u};
  c.init_by_array(fixed, 4);
  TMersenneTwister d;
  EXPECT_EQ(c.genrand_int32(), d.genrand_int32());

  TMersenneTwister r;
  r.init_genrand(7);
  TMersenneTwister twin;
  twin.init_genrand(7);
  for (int i = 0; i < 1000; ++i) {
    double u = r.genrand_res53();
    ASSERT_GE(u, 0.0);
    ASSERT_LT(u, 1.0);
    uint32_t hi = twin.genrand_int32() >> 5, lo = twin.genrand_int32() >> 6;
    ASSERT_EQ(u, (hi * 67108864.0 + lo) / 9007199254740992.0);
  }
}

TEST(RandomInRangeTest, BoundsAndFormula) {
  SeedRandom(1234);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(RandomInRange(5, 5), 5);
  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) {
    int v = RandomInRange(0, 9);
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 9);
    seen.insert(v);
  }
  EXPECT_EQ(seen.size(), 10u);
  for (int i = 0; i < 200; ++i) {
    int v = RandomInRange(INT32_MIN, INT32_MAX);  // a span that overflows an int
    (void)v;
  }
  SeedRandom(99);
  TMersenneTwister twin;
  twin.init_genrand(99);
  for (int i = 0; i < 100; ++i) {
    int expect = -3 + (int)std::floor(twin.genrand_res53() * 11.0);
    ASSERT_EQ(RandomInRange(-3, 7), expect);
  }
}

TEST(CrtRandTest, OriginalSequenceAndRange) {
  OrvellaSrand(1);
  const int expect[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
  for (int e : expect) EXPECT_EQ(OrvellaRand(), e);
  OrvellaSrand(12345);
  int a = OrvellaRand();
  OrvellaSrand(12345);
  EXPECT_EQ(OrvellaRand(), a);
  int top = 0;
  for (int i = 0; i < 100000; ++i) {
    int v = OrvellaRand();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, kOrvellaRandMax);
    if (v > top) top = v;
  }
  EXPECT_EQ(top, kOrvellaRandMax);
}

TEST(CrtRandTest, SeedingArithmeticWrapsUnsigned) {
  EXPECT_EQ(StartupCrtSeed(0), 0u);
  EXPECT_EQ(StartupCrtSeed(1000), 8627000u % 104729u);
  EXPECT_EQ(StartupCrtSeed(0xFFFFFFFFu), (uint32_t)(0xFFFFFFFFull * 8627ull) % 104729u);

  // Large draws multiply past 2^31: the word is the product taken modulo 2^32.
  OrvellaSrand(777);
  uint64_t r[12];
  for (auto& v : r) v = (uint64_t)OrvellaRand();
  OrvellaSrand(777);
  for (int i = 0; i < 4; ++i) {
    uint32_t expect = (uint32_t)((r[3 * i] * r[3 * i + 1] * 8u + (r[3 * i + 2] >> 3)) & 0xFFFFFFFFu);
    EXPECT_EQ(CrtSeedWord(), expect);
  }
  OrvellaSrand(777);
  TMersenneTwister seeded;
  SeedFromCrtRand(seeded);
  uint32_t words[4];
  for (int i = 0; i < 4; ++i)
    words[i] = (uint32_t)((r[3 * i] * r[3 * i + 1] * 8u + (r[3 * i + 2] >> 3)) & 0xFFFFFFFFu);
  TMersenneTwister manual;
  manual.init_by_array(words, 4);
  EXPECT_EQ(seeded.genrand_int32(), manual.genrand_int32());
}
