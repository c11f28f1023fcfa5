// The character window: moods chosen from happiness, the cross-fade between expressions, the
// portrait's sources, SetMood over every open portrait of a name, the fader's path.
#include "game/shell/world/character.h"

#include <gtest/gtest.h>

#include <cmath>

#include "game/shell/window_fader.h"
#include "tests/game/shell/world/world_fixture.h"

namespace {

TEST(CharacterMoodTest, HappinessChoosesAnExpressionThatExists) {
  struct Case {
    int32_t frames;
    double happiness;
    int32_t frame;
  } cases[] = {
      // Three frames: 0 neutral, 1 sad, 2 happy, by thirds.
      {3, 50, 0}, {3, 20, 1}, {3, 80, 2}, {3, 100, 2}, {3, 0, 1}, {3, 33.3, 1}, {3, 33.34, 0}, {3, 66.67, 2},
      // Out of range: the nearest end of the scale (a very unhappy face was shown happy).
      {3, -50, 1}, {3, 250, 2}, {3, NAN, 1},
      // n + 1 frames: 1 + n x happiness / 100, frame 0 never.
      {5, 100, 4}, {5, 0, 1}, {5, 60, 3}, {5, 99.9, 4}, {2, 0, 1}, {2, 100, 1},
      // Below 0 the formula gave frame -1.
      {5, -50, 1}, {5, -1e9, 1}, {5, 1e9, 4},
      // One frame or none: no moods.
      {1, 50, -1}, {0, 50, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Character::MoodFrame(c.frames, c.happiness), c.frame) << c.frames << " frames, happiness " << c.happiness;
}

class CharacterTest : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    PutAnimation("characters/ada", 3, 40);
    PutAnimation("characters/bo", 5, 20);
    PutImage("characters/still", 30, 50);
    PutImage("characters/temp_char", 24, 24);
  }
  Character* Open(const char* window, const char* name, const std::string& keys = "") {
    Make(std::string("CharWindow { name = '") + name + "', x = 10, y = 20" + (keys.empty() ? "" : ", ") + keys + " }");
    Character* found = Find<Character>(name);
    if (found) found->SetWindowName(window);
    return found;
  }
  // The frames and alphas the last frame drew, as "frame@alpha".
  std::vector<std::string> Layers() {
    Frame();
    std::vector<std::string> out;
    for (const auto& p : host.pictures) out.push_back(std::to_string(p.frame) + "@" + std::to_string(p.spec.mAlpha).substr(0, 4));
    return out;
  }
};

TEST_F(CharacterTest, APortraitOpensOnItsMoodAndCrossFadesToANewOneIn200Ms) {
  Character* ada = Open("ada1", "ada", "happiness = 50");
  ASSERT_NE(ada, nullptr);
  EXPECT_EQ(ada->GetShownFrame(), 0);
  EXPECT_EQ(ada->GetMoodFrame(), 0);
  EXPECT_EQ(Layers(), (std::vector<std::string>{"0@1.00", "0@1.00"}));

  mood("ada", 90);
  EXPECT_EQ(ada->GetMoodFrame(), 2);
  EXPECT_EQ(ada->GetShownFrame(), 0);
  std::vector<uint32_t> counters;
  for (int i = 0; i < 4; i++) {
    Advance(50);
    counters.push_back(ada->GetFadeCounter());
    if (i == 1) {
      EXPECT_EQ(Layers(), (std::vector<std::string>{"0@1.00", "0@1.00", "2@0.50"}));
    }
  }
  EXPECT_EQ(counters, (std::vector<uint32_t>{50, 100, 150, 200}));
  EXPECT_EQ(ada->GetShownFrame(), 2);
  EXPECT_EQ(Layers(), (std::vector<std::string>{"0@1.00", "2@1.00"}));

  // The same mood again starts nothing.
  mood("ada", 95);
  EXPECT_EQ(ada->GetFadeCounter(), 200u);
  EXPECT_EQ(Layers(), (std::vector<std::string>{"0@1.00", "2@1.00"}));
}

TEST_F(CharacterTest, SetMoodReachesEveryOpenPortraitOfTheNameAndNoOther) {
  Character* first = Open("one", "ada");
  Character* second = Open("two", "ada");
  Character* other = Open("three", "bo", "happiness = 10");
  ASSERT_TRUE(first && second && other);
  EXPECT_EQ(other->GetMoodFrame(), 1);
  mood("ada", 10);
  mood("Ada", 90);  // names match exactly
  mood("nobody", 90);
  EXPECT_EQ(first->GetMoodFrame(), 1);
  EXPECT_EQ(second->GetMoodFrame(), 1);
  EXPECT_EQ(other->GetMoodFrame(), 1);
  mood("bo", 100);
  EXPECT_EQ(other->GetMoodFrame(), 4);
}

TEST_F(CharacterTest, PortraitSourcesSizesAndTheScreenPosition) {
  Character* still = Open("still", "still", "scale = 0.5");
  Character* missing = Open("missing", "nobody");
  Character* ada = Open("ada", "ada", "w = 100, h = 10");
  ASSERT_TRUE(still && missing && ada);
  // A still picture: scaled and rounded; moods change nothing.
  EXPECT_EQ(still->GetWidth(), 15);
  EXPECT_EQ(still->GetHeight(), 25);
  mood("still", 0);
  EXPECT_EQ(still->GetMoodFrame(), still->GetShownFrame());
  EXPECT_EQ(still->GetFadeCounter(), 200u);
  EXPECT_EQ(missing->GetPortrait(), TTexture::Get("characters/temp_char", 0));
  // Never smaller than the script made it.
  EXPECT_EQ(ada->GetWidth(), 100);
  EXPECT_EQ(ada->GetHeight(), 40);

  // Drawn centred on the picture's box, from the window's place on the screen.
  Frame();
  ASSERT_EQ(host.pictures.size(), 1u + 1u + 2u);
  TVec2 at = host.pictures[0].spec.GetPosition();
  EXPECT_EQ(at.x, kModalX + 10 + 15 / 2.0f);
  EXPECT_EQ(at.y, kModalY + 20 + 25 / 2.0f);
  EXPECT_EQ(host.pictures[0].spec.mMatrix.m[0][0], 0.5f);
  TVec2 ada_at = host.pictures[2].spec.GetPosition();
  EXPECT_EQ(ada_at.x, kModalX + 10 + 20.0f);
  EXPECT_EQ(ada_at.y, kModalY + 20 + 20.0f);
}

TEST_F(CharacterTest, TheFaderGivesAPortraitItsAlphaNotTheWindowBase) {
  Make("Window { name = 'holder', w = 50, h = 50, CharWindow { name = 'ada' } }");
  Character* ada = Find<Character>("ada");
  ASSERT_NE(ada, nullptr);
  SetTreeAlpha(Find("holder"), 0.25f);
  EXPECT_EQ(ada->GetPortraitAlpha(), 0.25f);
  EXPECT_EQ(ada->GetAlpha(), 0.0f);  // the window base's fill keeps its own
  for (const std::string& layer : Layers()) EXPECT_EQ(layer.substr(layer.find('@')), "@0.25");
}

TEST_F(CharacterTest, AScreenClosedDuringACrossFadeLeavesNothingBehind) {
  auto* dialog = new TModalWindow();
  manager->PushModal(dialog);
  Make("CharWindow { name = 'ada', happiness = 0 }");
  mood("ada", 100);
  Advance(50);
  ASSERT_NE(Find<Character>("ada"), nullptr);
  EXPECT_EQ(Find<Character>("ada")->GetFadeCounter(), 50u);
  manager->PopModal();
  for (int i = 0; i < 6; i++) Advance(50);
  mood("ada", 0);  // no portrait left to reach
  Make("CharWindow { name = 'ada', happiness = 0 }");
  EXPECT_EQ(Find<Character>("ada")->GetMoodFrame(), 1);
}

}  // namespace
