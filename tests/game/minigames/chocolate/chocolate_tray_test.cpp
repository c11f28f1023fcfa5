// ChocolateTray: its pictures and places, accepting ingredients, colours and their sounds,
// colour matches, delivery at the end point, the full house, arms, and the task's period.
#include "game/minigames/chocolate/chocolate_tray.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/texture.h"
#include "game/minigames/chocolate/flying_ring.h"
#include "game/shell/editors/curve.h"
#include "tests/game/minigames/factory_fixture.h"

namespace {

class TrayTest : public FactoryFixture {
 protected:
  void SetUp() override {
    FactoryFixture::SetUp();
    PutImage("image/tray3", 100, 100);
    PutImage("image/tray3_ring", 100, 100);
    PutAnimation("image/powerup", 3);
  }
  // A straight tray path of 1000 units.
  std::shared_ptr<TCurve> Path() {
    return CreateCurve(TVec2(0, 300), TVec2(1000.0f / 3, 300), TVec2(2000.0f / 3, 300), TVec2(1000, 300));
  }
  std::shared_ptr<ChocolateTray> Tray(float offset = 0, float end = 0) {
    auto tray = ChocolateTray::Create(&recipe, Path(), offset, end);
    scene->AddChild(tray);
    return tray;
  }
  std::shared_ptr<Ingredient> Piece(const char* name, uint8_t colour) {
    auto piece = Ingredient::Create(TStr(name));
    if (colour != 255) piece->SetColour(colour);
    scene->AddChild(piece);
    return piece;
  }

  std::vector<TStr> recipe{TStr("cocoa"), TStr("sugar"), TStr("milk")};
  std::shared_ptr<TSprite> scene = TSprite::Create();
};

TEST_F(TrayTest, PicturesAndPlaces) {
  auto tray = Tray();
  EXPECT_EQ(tray->GetLayer(), 5);
  EXPECT_EQ(tray->GetTexture(), TTexture::Get(TStr("image/tray3")));
  EXPECT_EQ(tray->GetRing()->GetTexture(), TTexture::Get(TStr("image/tray3_ring")));
  EXPECT_FALSE(tray->GetRing()->IsVisible());
  EXPECT_EQ(tray->GetPowerUp()->GetCurrentFrame(), 2);  // shown at its last frame
  EXPECT_EQ(tray->GetPlaces().size(), 3u);
  EXPECT_FLOAT_EQ(tray->GetCatchRadius(), 75.0f);

  const float r = 50 * std::sqrt(3.0f) / 2;
  TVec2 want[] = {{0, -50}, {r, 25}, {-r, 25}};  // 0, 120 and 240 degrees clockwise from up
  tray->SetPosition(TVec2(200, 200));
  std::vector<TVec2> points;
  tray->GetSlotPoints(points);
  ASSERT_EQ(points.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(points[i].x, 200 + want[i].x, 1e-4f) << i;
    EXPECT_NEAR(points[i].y, 200 + want[i].y, 1e-4f) << i;
  }
}

TEST_F(TrayTest, AcceptingPlaces) {
  recipe = {TStr("cocoa"), TStr("milk"), TStr("cocoa")};
  auto tray = Tray();
  auto a = Piece("cocoa", 255), b = Piece("cocoa", 255), c = Piece("cocoa", 255);
  EXPECT_FALSE(tray->Accepts(Piece("nuts", 255)));
  EXPECT_FALSE(tray->AddIngredient(Piece("nuts", 255)));
  EXPECT_TRUE(tray->Accepts(a));
  EXPECT_TRUE(tray->AddIngredient(a));
  EXPECT_TRUE(tray->AddIngredient(b));  // the name twice in the recipe: two places
  EXPECT_EQ(tray->GetPlaces()[0], a);
  EXPECT_EQ(tray->GetPlaces()[2], b);
  EXPECT_EQ(a->GetParent(), tray.get());
  TVec2 third = ChocolateTray::PlaceOffset(2, 3);
  EXPECT_EQ(b->GetPosition(), third);
  EXPECT_FALSE(tray->Accepts(c));
  EXPECT_FALSE(tray->AddIngredient(c));
  EXPECT_EQ(c->GetParent(), scene.get());
  EXPECT_EQ(tray->GetFilled(), 2u);
}

TEST_F(TrayTest, ColoursAndTheirSounds) {
  struct Case {
    std::vector<int> colours;  // of the ingredients, in order (255: never coloured)
    std::vector<int> trayAfter;
    std::vector<int> lastPieceColour;
    std::vector<std::string> sounds;
  } cases[] = {
      {{0, 1}, {0, 1}, {0, 1}, {"ingredient_color_match_1", "ingredient_color_match_2"}},
      {{1, 0}, {1, 1}, {1, 1}, {"ingredient_color_match_1", "ingredient_color_match_2"}},
      {{2, 3}, {2, 4}, {2, 4}, {"ingredient_color_match_1", "ingredient_success_2"}},
      {{255, 255}, {0, 0}, {255, 255}, {"ingredient_color_match_1", "ingredient_color_match_2"}},
  };
  for (const Case& k : cases) {
    auto tray = Tray();
    std::vector<std::shared_ptr<Ingredient>> pieces;
    for (size_t i = 0; i < k.colours.size(); ++i) {
      pieces.push_back(Piece(i == 0 ? "cocoa" : "sugar", (uint8_t)k.colours[i]));
      ASSERT_TRUE(tray->AddIngredient(pieces.back()));
      EXPECT_EQ(tray->GetColour(), k.trayAfter[i]) << "piece " << i;
      if (k.lastPieceColour[i] != 255) {
        EXPECT_EQ(pieces.back()->GetColour(), k.lastPieceColour[i]) << "piece " << i;
      }
    }
    for (const auto& p : pieces) EXPECT_TRUE(tray->GetColour() == 0 || p->GetColour() == tray->GetColour());
    EXPECT_EQ(tray->GetRing()->IsVisible(), tray->GetColour() != 0);
    EXPECT_EQ(TakeSounds(), k.sounds);
  }
  // Mixed stays mixed until the tray is emptied.
  auto tray = Tray();
  tray->AddIngredient(Piece("cocoa", 1));
  tray->AddIngredient(Piece("sugar", 2));
  EXPECT_EQ(tray->GetColour(), kColourMixed);
  tray->AddIngredient(Piece("milk", 3));
  EXPECT_EQ(tray->GetColour(), kColourMixed);  // complete without a match: it waits for delivery
  EXPECT_EQ(tray->GetFilled(), 3u);
  EXPECT_EQ(TakeSounds().back(), "ingredient_complete");
}

TEST_F(TrayTest, ColourMatchLaunchesAndEmpties) {
  auto tray = Tray();
  tray->SetPosition(TVec2(300, 300));
  FlyingRingTask rings(500);
  onMessage = [&](TMessage* m) {
    if (m->IsKindOf(FlyingRingStartMessage::ClassId())) {
      auto* start = static_cast<FlyingRingStartMessage*>(m);
      EXPECT_EQ(start->GetTray(), tray);
      EXPECT_EQ(start->GetColour(), kColourBlue);
      EXPECT_EQ(tray->GetColour(), kColourBlue);  // handled before the tray is emptied
      start->Launch(&rings, TVec2(689, 555));
    }
  };
  auto a = Piece("cocoa", 2), b = Piece("sugar", 0), c = Piece("milk", 2);
  tray->AddIngredient(a);
  tray->AddIngredient(b);
  tray->AddIngredient(c);
  EXPECT_EQ(TakeOffered(), (std::vector<int32_t>{kFactoryTrayCompleted, kFactoryRingStart, kFactoryTrayBonus}));
  EXPECT_EQ(TakeSounds(), (std::vector<std::string>{"ingredient_color_match_1", "ingredient_color_match_2",
                                                    "ingredient_complete_colormatch"}));
  EXPECT_EQ(rings.GetRings().size(), 3u);
  EXPECT_EQ(tray->GetFilled(), 0u);
  EXPECT_EQ(tray->GetColour(), 0);
  EXPECT_EQ(a->GetParent(), nullptr);
  EXPECT_TRUE(tray->GetPlaces()[0] == nullptr);
  EXPECT_TRUE(tray->GetPowerUp()->IsPlaying(0));
}

TEST_F(TrayTest, ColourMatchWithoutAFactoryWindowStillEmpties) {
  CloseFactory();
  auto tray = Tray();
  for (const char* name : {"cocoa", "sugar", "milk"}) tray->AddIngredient(Piece(name, 3));
  EXPECT_EQ(tray->GetFilled(), 0u);
}

TEST_F(TrayTest, DeliveryAtTheEndPoint) {
  struct Case {
    float end;
    std::vector<float> phases;  // the tray moves through these
    bool delivered;
  } cases[] = {
      {0.0f, {0.9f, 0.95f, 0.02f}, true},  // wraps past 0
      {0.0f, {0.9f, 0.95f, 0.98f}, false},
      {0.5f, {0.4f, 0.5f}, true},
      {0.5f, {0.6f, 0.6f}, false},  // moving to the same place never counts
      {0.5f, {0.7f, 0.2f}, false},  // wraps without reaching 0.5
      {0.8f, {0.7f, 0.2f}, true},
  };
  for (const Case& k : cases) {
    auto tray = Tray(0, k.end);
    tray->SetPathPosition(k.phases[0]);
    for (const char* name : {"cocoa", "sugar", "milk"}) tray->AddIngredient(Piece(name, 255));
    ASSERT_TRUE(tray->IsComplete());
    TakeOffered();
    for (size_t i = 1; i < k.phases.size(); ++i) tray->SetPathPosition(k.phases[i]);
    EXPECT_EQ(!tray->IsComplete(), k.delivered) << "end " << k.end << " to " << k.phases.back();
    EXPECT_EQ(TakeOffered(), k.delivered ? std::vector<int32_t>{kFactoryTrayDelivered} : std::vector<int32_t>{});
    EXPECT_NEAR(tray->GetPosition().x, 1000 * k.phases.back(), 1e-2f);
  }
}

TEST_F(TrayTest, TraysAFifthApartRoundTheCircuit) {
  ChocolateTrayTask task(30000);
  std::vector<std::shared_ptr<ChocolateTray>> trays;
  for (int i = 0; i < 5; ++i) {
    trays.push_back(Tray(i / 5.0f));
    trays.back()->SetPathPosition(0);
    task.Add(trays.back());
  }
  task.Start(0);
  for (int step = 0; step < 600; ++step) task.Advance(10);  // 6 s: a fifth of the circuit
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(trays[i]->GetPosition().x, 1000 * std::fmod(0.2f * (i + 1), 1.0f), 0.05f) << i;
  for (int step = 0; step < 2400; ++step) task.Advance(10);
  for (int i = 0; i < 5; ++i) EXPECT_NEAR(trays[i]->GetPosition().x, 1000 * (i / 5.0f), 0.05f) << i;
}

TEST_F(TrayTest, FullHouse) {
  ChocolateTrayTask task(30000);
  std::vector<std::shared_ptr<ChocolateTray>> trays;
  for (int i = 0; i < 3; ++i) {
    trays.push_back(Tray(0.3f * i, 0.99f));
    task.Add(trays.back());
  }
  task.Start(0);
  task.Advance(10);
  for (auto& tray : trays) {
    tray->AddIngredient(Piece("cocoa", 1));
    tray->AddIngredient(Piece("sugar", 2));
    tray->AddIngredient(Piece("milk", 0));
  }
  EXPECT_TRUE(task.HasCompleteTray());
  TakeSounds();
  TakeOffered();
  task.Advance(10);
  EXPECT_FALSE(task.HasCompleteTray());
  EXPECT_EQ(TakeSounds(), std::vector<std::string>{"ingredient_complete_full_bonus"});
  EXPECT_EQ(TakeOffered(), (std::vector<int32_t>{kFactoryTrayBonus, kFactoryTrayBonus, kFactoryTrayBonus}));
  for (auto& tray : trays) EXPECT_TRUE(tray->GetPowerUp()->IsPlaying(0));
}

TEST_F(TrayTest, ResetEmptiesAndKeepsThePlaces) {
  ChocolateTrayTask task(30000);
  auto tray = Tray(0, 0.99f);
  task.Add(tray);
  task.Start(0);
  for (int i = 0; i < 100; ++i) task.Advance(10);
  tray->AddIngredient(Piece("cocoa", 1));
  TVec2 at = tray->GetPosition();
  tray->GetDrawSpec().mMatrix.Scale(1.2f);
  task.Reset(2.0f);
  EXPECT_EQ(tray->GetFilled(), 0u);
  EXPECT_FALSE(tray->GetPowerUp()->IsPlaying(0));
  EXPECT_EQ(tray->GetDrawSpec().mMatrix.m[0][0], 1.0f);
  EXPECT_EQ(tray->GetPosition(), at);
  EXPECT_EQ(task.GetRate(), 2.0f);
  EXPECT_FALSE(task.IsStopped());
  task.Advance(10);
  EXPECT_NEAR(tray->GetPosition().x, 1000 * 1020 / 30000.0f, 0.05f);  // the value was kept
}

TEST_F(TrayTest, Arms) {
  PutImage("image/tray_arm_4", 10, 40);
  PutImage("image/tray_arm_2", 6, 30);
  auto tray = Tray();
  tray->CreateArms(scene);
  tray->SetPosition(TVec2(400, 250));
  tray->SetPathPosition(0.25f);
  for (int k = 0; k < 4; ++k) {
    auto arm = tray->GetArm(k);
    EXPECT_EQ(arm->GetParent(), scene.get());
    EXPECT_EQ(arm->GetLayer(), -100);
    EXPECT_EQ(arm->GetPosition(), TVec2(250, (300 - 50) * 0.25f * (4 - k))) << k;
  }
  EXPECT_EQ(tray->GetArm(0)->GetDrawSpec().mOrigin, TVec2(5, 38));
  EXPECT_EQ(tray->GetArm(2)->GetDrawSpec().mOrigin, TVec2(3, 28));
  EXPECT_EQ(tray->GetArm(1)->GetDrawSpec().mOrigin, TVec2(0, -2));  // no picture: 0 x 0
}

// With no recipe a tray has no places; it must never count as complete (a full house every step).
TEST_F(TrayTest, TrayWithoutPlaces) {
  recipe.clear();
  ChocolateTrayTask task(30000);
  auto tray = Tray();
  task.Add(tray);
  task.Start(0);
  for (int i = 0; i < 10; ++i) task.Advance(10);
  EXPECT_FALSE(tray->IsComplete());
  EXPECT_TRUE(TakeSounds().empty());
  EXPECT_TRUE(TakeOffered().empty());
}

// Missing paths: the tray stays where it is.
TEST_F(TrayTest, TrayWithoutPath) {
  auto tray = ChocolateTray::Create(&recipe, nullptr, 0.5f, 0);
  tray->SetPosition(TVec2(12, 34));
  tray->SetPathPosition(0.1f);
  EXPECT_EQ(tray->GetPosition(), TVec2(12, 34));
}

TEST_F(TrayTest, PeriodAtOrUnderOneStep) {
  ChocolateTrayTask task(5);
  EXPECT_EQ(task.GetPeriod(), ChocolateTrayTask::kDefaultPeriod);
  auto tray = Tray();
  task.Add(tray);
  task.Start(0);
  task.Advance(10);
  EXPECT_GT(tray->GetPosition().x, 0.0f);
}

}  // namespace
