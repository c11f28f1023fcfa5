// FlyingIngredient: progress from the summed steps with and without a duration, and where the
// sprite stands.
#include "game/minigames/flying_ingredient.h"

#include <gtest/gtest.h>

#include "core/graphics/sprites/sprite.h"

namespace {

TEST(FlyingIngredient, ProgressFromSteps) {
  struct Case {
    float duration;
    std::vector<float> progress;  // after each step of 0.25
  } cases[] = {
      {0, {0.25f, 0.5f, 0.75f, 1.0f, 1.0f}},
      {500, {0.5f, 1.0f, 1.0f}},
      {1000, {0.25f, 0.5f, 0.75f, 1.0f, 1.0f}},
      {2000, {0.125f, 0.25f, 0.375f, 0.5f, 0.5f, 0.5f}},  // past 1000 units it never arrives
  };
  for (const Case& k : cases) {
    auto sprite = TSprite::Create();
    FlyingIngredient flight(sprite);
    flight.start = TVec2(100, 200);
    flight.offset = TVec2(40, -80);
    flight.duration = k.duration;
    for (size_t i = 0; i < k.progress.size(); ++i) {
      float p = flight.Advance(0.25f);
      EXPECT_EQ(p, k.progress[i]) << "duration " << k.duration << ", step " << i;
      EXPECT_EQ(sprite->GetPosition(), TVec2(100, 200) + TVec2(40, -80) * p);
    }
    EXPECT_LE(flight.elapsed, 1.0f);
  }
}

TEST(FlyingIngredient, StartsWhereTheSpriteStands) {
  auto sprite = TSprite::Create();
  sprite->SetPosition(TVec2(7, 9));
  sprite->GetDrawSpec().mMatrix.m[2][2] = 3.0f;
  FlyingIngredient flight(sprite);
  EXPECT_EQ(flight.start, TVec2(7, 9));
  flight.SetTarget(17, 4);
  EXPECT_EQ(flight.offset, TVec2(10, -5));
  EXPECT_EQ(sprite->GetPosition(), TVec2(7, 9));  // nothing moves before the first step

  flight.start = TVec2(50, 50);
  EXPECT_EQ(flight.Advance(0), 0.0f);
  EXPECT_EQ(sprite->GetPosition(), TVec2(50, 50));
  EXPECT_EQ(sprite->GetDrawSpec().mMatrix.m[2][2], 1.0f);
}

}  // namespace
