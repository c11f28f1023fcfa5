// TPathSprite: the three motions, depth scale and speed (also with equal far and near lines),
// and the heading frames.
#include "game/shell/editors/path_sprite.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/graphics/sprites/animated_texture.h"
#include "game/shell/editors/curve.h"
#include "tests/game/sprite_assets.h"

namespace {

// A straight path from a to b, evenly spaced, so a fraction f is the point a + (b - a) f.
std::shared_ptr<TCurve> Line(TVec2 a, TVec2 b) {
  return CreateCurve(a, a + (b - a) * (1.0f / 3), a + (b - a) * (2.0f / 3), b);
}

void ExpectAt(const TPathSprite& s, TVec2 want, const std::string& what) {
  TVec2 p = s.GetPosition();
  EXPECT_NEAR(p.x, want.x, 1e-3f) << what;
  EXPECT_NEAR(p.y, want.y, 1e-3f) << what;
}

class PathSprite : public GameSpriteTest {};

TEST_F(PathSprite, LoopRunsTheFractionsAndStartsAgain) {
  auto s = CreatePathSprite(0);
  s->SetPath(Line(TVec2(0, 0), TVec2(100, 0)), 1000, TPathSprite::kLoop);
  for (int round = 0; round < 2; ++round)
    for (int k = 1; k <= 20; ++k) {
      s->Update(50);
      float f = k == 20 ? 0.0f : k * 0.05f;
      ExpectAt(*s, TVec2(100 * f, 0), "round " + std::to_string(round) + ", update " + std::to_string(k));
    }
}

TEST_F(PathSprite, Motions) {
  struct Case {
    uint32_t motion;
    uint32_t elapsed;
    float fraction;
    bool inParent;
  } cases[] = {
      {TPathSprite::kBounce, 500, 0.5f, true},  {TPathSprite::kBounce, 1500, 0.5f, true},
      {TPathSprite::kBounce, 1750, 0.25f, true}, {TPathSprite::kBounce, 2000, 0.0f, true},
      {TPathSprite::kOneWay, 950, 0.95f, true},  {TPathSprite::kOneWay, 1000, 1.0f, false},
      {TPathSprite::kOneWay, 3000, 1.0f, false}, {TPathSprite::kOneWayStay, 1000, 1.0f, true},
      {TPathSprite::kOneWayStay, 5000, 1.0f, true},
  };
  for (const Case& k : cases) {
    auto scene = TSprite::Create();
    auto s = CreatePathSprite(0);
    scene->AddChild(s);
    s->SetPath(Line(TVec2(0, 0), TVec2(100, 0)), 1000, k.motion);
    for (uint32_t t = 0; t < k.elapsed; t += 50) s->Update(50);
    std::string what = "motion " + std::to_string(k.motion) + " after " + std::to_string(k.elapsed);
    ExpectAt(*s, TVec2(100 * k.fraction, 0), what);
    EXPECT_EQ(s->GetParent() != nullptr, k.inParent) << what;
  }
}

TEST_F(PathSprite, DepthScaleAndSpeed) {
  auto s = CreatePathSprite(0);
  s->SetPosition(TVec2(0, 300));
  s->SetDepthScale(100, 500, 0.5f, 1.0f);
  EXPECT_FLOAT_EQ(s->GetScale(), 0.75f);

  // On the far line at half speed: 25 ms of path time per 50 ms update; the scale follows the
  // new point and goes into the transform.
  auto fast = CreatePathSprite(0);
  fast->SetPath(Line(TVec2(0, 100), TVec2(0, 500)), 1000, TPathSprite::kLoop);
  fast->SetPosition(TVec2(0, 100));
  fast->SetDepthScale(100, 500, 0.5f, 1.0f);
  fast->SetDepthSpeed(0.5f, 1.5f);
  fast->Update(50);
  EXPECT_FLOAT_EQ(fast->GetElapsed(), 25.0f);
  ExpectAt(*fast, TVec2(0, 110), "after 25 ms");
  EXPECT_FLOAT_EQ(fast->GetScale(), 0.5f + 0.5f * 10 / 400);
  EXPECT_FLOAT_EQ(fast->GetDrawSpec().mMatrix.m[0][0], fast->GetScale());
  EXPECT_FLOAT_EQ(fast->GetDrawSpec().mMatrix.m[1][1], fast->GetScale());
}

// Equal far and near lines would divide by zero: they count as the far line.
TEST_F(PathSprite, EqualFarAndNearLines) {
  auto s = CreatePathSprite(0);
  s->SetPath(Line(TVec2(0, 200), TVec2(100, 300)), 1000, TPathSprite::kLoop);
  s->SetPosition(TVec2(0, 250));
  s->SetDepthScale(200, 200, 0.5f, 1.0f);
  EXPECT_FLOAT_EQ(s->GetScale(), 0.5f);
  s->SetDepthSpeed(2.0f, 1.0f);
  s->Update(50);
  EXPECT_FLOAT_EQ(s->GetElapsed(), 100.0f);
  EXPECT_FLOAT_EQ(s->GetScale(), 0.5f);
  ExpectAt(*s, TVec2(10, 210), "after 100 ms");
}

TEST_F(PathSprite, HeadingFrames) {
  PutAnimation("image/boat", 8);
  PutAnimation("image/boat_mask", 8);
  PutAnimation("image/still", 1);
  const float d = (float)(350.0 * M_PI / 180.0);
  struct Case {
    TVec2 direction;
    int frame;
  } cases[] = {
      {{1, 0}, 2}, {{-1, 0}, 6}, {{0, -1}, 0}, {{0, 1}, 4}, {{std::sin(d), -std::cos(d)}, 0}, {{1, 1}, 3},
  };
  for (const Case& k : cases) {
    auto s = CreatePathSprite(0);
    s->SetTexture(TAnimatedTexture::Get(TStr("image/boat.xml")));
    auto mask = TAnimatedSprite::Create(0);
    mask->SetTexture(TAnimatedTexture::Get(TStr("image/boat_mask.xml")));
    s->SetCompanion(mask);
    ASSERT_EQ(s->GetFrameCount(), 8) << LogText();
    s->SetPath(Line(TVec2(400, 300), TVec2(400, 300) + k.direction * 100), 1000, TPathSprite::kLoop);
    s->Update(100);
    EXPECT_EQ(s->GetCurrentFrame(), k.frame) << k.direction.x << ", " << k.direction.y;
    EXPECT_EQ(mask->GetCurrentFrame(), k.frame);
  }
  // At the start of the path there is no direction: the heading is 90.
  auto s = CreatePathSprite(0);
  s->SetTexture(TAnimatedTexture::Get(TStr("image/boat.xml")));
  s->SetPath(Line(TVec2(0, 0), TVec2(0, 100)), 100, TPathSprite::kLoop);
  s->Update(100);
  EXPECT_EQ(s->GetCurrentFrame(), 2);

  auto still = CreatePathSprite(0);
  still->SetTexture(TAnimatedTexture::Get(TStr("image/still.xml")));
  still->SetCurrentFrame(0);
  still->SetPath(Line(TVec2(0, 0), TVec2(-100, 0)), 1000, TPathSprite::kLoop);
  still->Update(100);
  EXPECT_EQ(still->GetCurrentFrame(), 0);
}

TEST_F(PathSprite, ClassIdentity) {
  auto s = CreatePathSprite(3);
  EXPECT_STREQ(s->GetClassName(), "TPathSprite");
  EXPECT_TRUE(s->IsKindOf(TPathSprite::ClassId()));
  EXPECT_TRUE(s->IsKindOf(TAnimatedSprite::ClassId()));
  EXPECT_TRUE(s->IsKindOf(TSprite::ClassId()));
  EXPECT_EQ(s->GetLayer(), 3);
  EXPECT_EQ(s->GetCurve(), nullptr);
}

}  // namespace
