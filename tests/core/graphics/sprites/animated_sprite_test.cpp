// Animated sprites on the manual clock: frame sequences and delays, fades, waits and wakes,
// pause and play queries through the sprite tree, chaining to another animation, sprites
// sharing one animation, the registration point under mirroring, and scripts that stop or
// destroy their own sprite from inside their coroutine.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/base/clock.h"
#include "core/base/mersenne_twister.h"
#include "core/base/random.h"
#include "core/base/task_list.h"
#include "core/graphics/sprites/animated_sprite.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/script/lua.h"
#include "core/script/script.h"
#include "tests/core/graphics/fake_display.h"

namespace {

class AnimatedSpriteTest : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    mOldPath = GetScriptPath();
    PutSolidPng("anims/sheet.png", 64, 16);
  }
  void TearDown() override {
    TAnimatedSprite::GetTaskList()->KillAllTasks();
    SetScriptPath(mOldPath);
    DrawingTest::TearDown();
  }

  // An animation of three 16 x 16 frames (registration points (2, 3), (10, 4), (15, 0)) whose
  // script is the given text.
  std::shared_ptr<TAnimatedTexture> Animation(const std::string& name, const std::string& script) {
    PutAsset("anims/" + name + ".xml",
             "<sequence><img name=\"sheet.png\"/><framelist>"
             "<frame x=\"0\" y=\"0\" w=\"16\" h=\"16\" regx=\"2\" regy=\"3\"/>"
             "<frame x=\"16\" y=\"0\" w=\"16\" h=\"16\" regx=\"10\" regy=\"4\"/>"
             "<frame x=\"32\" y=\"0\" w=\"16\" h=\"16\" regx=\"15\" regy=\"0\"/>"
             "</framelist><script>" + script + "</script></sequence>");
    auto a = TAnimatedTexture::Get(TStr(("anims/" + name).c_str()));
    EXPECT_TRUE(a) << LogText();
    return a;
  }
  std::shared_ptr<TAnimatedSprite> Sprite(const std::string& script) {
    auto s = TAnimatedSprite::Create();
    s->SetTexture(Animation("a" + std::to_string(mCount++), script));
    return s;
  }
  // Moves the clock on and runs one pass of the task list.
  void Tick(uint32_t ms) {
    gNow += ms;
    TAnimatedSprite::GetTaskList()->RunTasks(0);
  }
  static double Global(TAnimatedSprite& s, const char* name) {
    return s.GetState().mainScript->GetGlobalNumber(TStr(name));
  }

  TStr mOldPath;
  int mCount = 0;
};

TEST_F(AnimatedSpriteTest, NothingPlaysWithoutAScriptOrAnAnimation) {
  auto s = TAnimatedSprite::Create();
  s->Play(TStr("DoAnim"));
  EXPECT_EQ(s->GetState().mainScript, nullptr);
  EXPECT_EQ(TAnimatedSprite::GetTaskList()->Count(), 0u);
  EXPECT_EQ(s->GetFrameCount(), 1);
  EXPECT_FALSE(s->IsPlaying(TSprite::kAllDepths));

  auto idle = Sprite("function DoAnim() SetCurrentFrame(2) end");
  idle->Play(TStr());
  EXPECT_NE(idle->GetState().playThread, nullptr);
  EXPECT_EQ(idle->GetCurrentFrame(), 0);
  EXPECT_FALSE(idle->IsPlaying(0));
}

TEST_F(AnimatedSpriteTest, FramesFollowTheirTableAndTheDelayOnTheClock) {
  auto s = Sprite("function DoAnim() delay(100) frames{3, 1, 2} end");
  s->Play(TStr("DoAnim"));
  const struct {
    uint32_t ms;
    int32_t frame;
    bool playing;
  } steps[] = {{0, 2, true}, {99, 2, true}, {1, 0, true}, {60, 0, true}, {40, 1, true}, {100, 1, false}};
  for (const auto& step : steps) {
    Tick(step.ms);
    EXPECT_EQ(s->GetCurrentFrame(), step.frame) << "at " << gNow;
    EXPECT_EQ(s->IsPlaying(0), step.playing) << "at " << gNow;
  }
  EXPECT_EQ(s->GetAnimation()->GetFrame(), 1);
}

TEST_F(AnimatedSpriteTest, AFadeStepsTheAlphaWithEachFrame) {
  auto s = Sprite("function DoAnim() fadeout(4) frames{1, 1, 1, 1, 1, 1} end");
  s->Play(TStr("DoAnim"));
  std::vector<float> alphas = {s->GetAlpha()};
  for (int i = 0; i < 5; ++i) {
    Tick(16);
    alphas.push_back(s->GetAlpha());
  }
  EXPECT_EQ(alphas, (std::vector<float>{0.75f, 0.5f, 0.25f, 0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(Global(*s, "alphadelta"), 0.0);
  EXPECT_EQ(Global(*s, "alphacount"), 0.0);
}

TEST_F(AnimatedSpriteTest, AWaitWithoutTimeSleepsUntilWoken) {
  auto s = Sprite("function DoAnim() SetCurrentFrame(1) pause() halt() WaitLuaNextFrame() SetCurrentFrame(2) end");
  s->Play(TStr("DoAnim"));
  Tick(0);  // pause() with no value is a wait of 0 ms
  Tick(1000);
  EXPECT_EQ(s->GetCurrentFrame(), 1);
  EXPECT_TRUE(s->IsPlaying(0));  // suspended, though nothing will wake it by itself
  s->Pause(false, 0);
  Tick(0);
  EXPECT_EQ(s->GetCurrentFrame(), 1);
  Tick(1);
  EXPECT_EQ(s->GetCurrentFrame(), 2);
  EXPECT_FALSE(s->IsPlaying(0));
}

TEST_F(AnimatedSpriteTest, PauseAndPlayQueriesReachChildrenToTheirDepth) {
  const char* forever = "function DoAnim() while true do showFrame() end end";
  auto root = Sprite(forever);
  auto child = Sprite(forever);
  auto grandchild = Sprite(forever);
  root->AddChild(child);
  child->AddChild(grandchild);
  grandchild->Play(TStr("DoAnim"));
  EXPECT_FALSE(root->IsPlaying(0));
  EXPECT_FALSE(root->IsPlaying(1));
  EXPECT_TRUE(root->IsPlaying(2));
  EXPECT_TRUE(root->IsPlaying(TSprite::kAllDepths));
  // Without a play thread of its own the root does not stop its children.
  root->Pause(true, TSprite::kAllDepths);
  EXPECT_NE(grandchild->GetState().playThread->GetDueTime(), TAnimTask::kNoTimer);
  root->Play(TStr("DoAnim"));
  child->Play(TStr("DoAnim"));
  root->Pause(true, 1);
  EXPECT_EQ(root->GetState().playThread->GetDueTime(), TAnimTask::kNoTimer);
  EXPECT_EQ(child->GetState().playThread->GetDueTime(), TAnimTask::kNoTimer);
  EXPECT_NE(grandchild->GetState().playThread->GetDueTime(), TAnimTask::kNoTimer);
  // From a script: stop() reaches every level.
  root->GetState().mainScript->DoLuaString(TStr("stop()"));
  EXPECT_EQ(grandchild->GetState().playThread->GetDueTime(), TAnimTask::kNoTimer);
}

TEST_F(AnimatedSpriteTest, SpritesSharingAnAnimationEachDrawTheirOwnFrame) {
  auto animation = Animation("shared", "function DoAnim() end");
  auto a = TAnimatedSprite::Create();
  auto b = TAnimatedSprite::Create();
  a->SetTexture(animation);
  b->SetTexture(animation);
  a->SetCurrentFrame(1);
  b->SetCurrentFrame(2);
  R()->BeginDraw(0);
  R()->Begin2d();
  a->Draw(TDrawSpec());
  b->Draw(TDrawSpec());
  R()->End2d();
  R()->EndDraw(0);
  ASSERT_EQ(Backend().quads.size(), 2u);
  EXPECT_FLOAT_EQ(Backend().quads[0].vertices[0].u, 16.0f / 64.0f);
  EXPECT_FLOAT_EQ(Backend().quads[1].vertices[0].u, 32.0f / 64.0f);

  // Frames the animation lacks move the sprite's frame only; below -1 nothing moves.
  a->SetCurrentFrame(5);
  EXPECT_EQ(a->GetCurrentFrame(), 5);
  EXPECT_EQ(animation->GetFrame(), 2);  // b's, from its draw
  a->SetCurrentFrame(-2);
  EXPECT_EQ(a->GetCurrentFrame(), 5);
  // Another texture drops the animation.
  a->SetTexture(TTexture::Get(TStr("anims/sheet")));
  EXPECT_EQ(a->GetAnimation(), nullptr);
}

TEST_F(AnimatedSpriteTest, TheRegistrationPointMirrorsAboutTheFrame) {
  PutSolidPng("wide.png", 128, 16);
  PutAsset("wide.xml",
           "<sequence><img name=\"wide.png\"/><framelist>"
           "<frame x=\"0\" y=\"0\" w=\"64\" h=\"16\" regx=\"10\" regy=\"4\"/>"
           "<frame x=\"64\" y=\"0\" w=\"64\" h=\"16\" regx=\"100\" regy=\"20\"/>"
           "</framelist></sequence>");
  auto s = TAnimatedSprite::Create();
  s->SetTexture(TAnimatedTexture::Get(TStr("wide")));
  const struct {
    int32_t frame;
    uint32_t flips;
    float x, y;
  } cases[] = {
      {0, 0, 10, 4}, {0, TDrawSpec::kFlipHorizontal, 54, 4}, {0, TDrawSpec::kFlipVertical, 10, 12},
      // Past the frame's far edge: negative, not wrapped round.
      {1, TDrawSpec::kFlipHorizontal | TDrawSpec::kFlipVertical, -36, -4},
  };
  for (const auto& c : cases) {
    s->SetCurrentFrame(c.frame);
    s->GetDrawSpec().mFlags = c.flips;
    s->GetRect(TDrawSpec());
    EXPECT_EQ(s->GetRegistrationPoint().x, c.x) << c.frame << " " << c.flips;
    EXPECT_EQ(s->GetRegistrationPoint().y, c.y) << c.frame << " " << c.flips;
  }
}

TEST_F(AnimatedSpriteTest, RandomCoversItsRangeAndAnEmptyRangeGivesItsLowEnd) {
  SeedRandom(3);
  std::vector<int> seen(10, 0);
  for (int i = 0; i < 400; ++i) {
    int32_t r = AnimationRandom(3, 7);
    ASSERT_TRUE(r >= 3 && r <= 6) << r;
    ++seen[(size_t)r];
  }
  for (int r = 3; r <= 6; ++r) EXPECT_GT(seen[(size_t)r], 0) << r;
  EXPECT_EQ(AnimationRandom(5, 5), 5);
  EXPECT_EQ(AnimationRandom(7, 3), 7);
  EXPECT_EQ(AnimationRandom(-2147483647 - 1, 2147483647) != 2147483647, true);
  auto s = Sprite("function DoAnim() r = random(4, 4) end");
  s->Play(TStr("DoAnim"));
  EXPECT_EQ(Global(*s, "r"), 4.0);
}

TEST_F(AnimatedSpriteTest, RunChainsToAnotherAnimationsFunction) {
  Animation("other", "function DoAnim() SetCurrentFrame(2) end function Spin() SetCurrentFrame(1) showFrame() SetCurrentFrame(0) end");
  auto s = Sprite("function DoAnim() run{'anims/other', anim = 'Spin'} end");
  s->Play(TStr("DoAnim"));
  EXPECT_EQ(s->GetCurrentFrame(), 1);
  EXPECT_STREQ(s->GetAnimation()->GetFileName().c_str(), "anims/sheet.png");
  Tick(16);
  EXPECT_EQ(s->GetCurrentFrame(), 0);
  // A name that does not load leaves no animation, and run does nothing more.
  s->GetState().mainScript->DoLuaString(TStr("ok = Load('anims/none', '', '') and 1 or 0 run{'anims/none'}"));
  EXPECT_EQ(Global(*s, "ok"), 0.0);
  EXPECT_EQ(s->GetAnimation(), nullptr);
}

TEST_F(AnimatedSpriteTest, ScriptsRunOnTheSpritesClock) {
  TClock clock;
  auto s = Sprite("function DoAnim() pause(50) SetCurrentFrame(1) end");
  s->SetClock(&clock);
  clock.Start();
  s->Play(TStr("DoAnim"));
  clock.Pause();
  Tick(500);
  EXPECT_EQ(s->GetCurrentFrame(), 0);
  clock.Start();
  Tick(49);
  EXPECT_EQ(s->GetCurrentFrame(), 0);
  Tick(1);
  EXPECT_EQ(s->GetCurrentFrame(), 1);
}

TEST_F(AnimatedSpriteTest, TheAnimationTextRunsWithTheAnimationsFolderOnThePath) {
  auto s = Sprite("loaded = 1 showFrame() after = 1");
  s->InitScript();
  EXPECT_STREQ(GetScriptPath().c_str(), "?;?.lua;scripts/?;scripts/?.lua;anims/?;anims/?.lua");
  // A wait outside a coroutine does not yield: the text runs to its end.
  EXPECT_EQ(Global(*s, "after"), 1.0);
  TScript* first = s->GetState().mainScript;
  s->InitScript();
  EXPECT_NE(s->GetState().mainScript, first);
  EXPECT_EQ(s->GetState().retiredScript, first);
}

TEST_F(AnimatedSpriteTest, DyingInsideTheCoroutineNeverDeletesTheRunningScript) {
  auto s = Sprite("function DoAnim() showFrame() die() die() SetAlpha(0.5) showFrame() SetAlpha(0.25) end");
  s->Play(TStr("DoAnim"));
  Tick(16);
  EXPECT_EQ(s->GetState().mainScript, nullptr);
  EXPECT_EQ(s->GetState().playThread, nullptr);
  EXPECT_FLOAT_EQ(s->GetAlpha(), 0.5f);  // the rest of the run went on, and rests in its wait
  EXPECT_GT(TAnimatedSprite::GetBuriedScriptCount(), 0u);
  for (int i = 0; i < 3; ++i) Tick(16);
  EXPECT_EQ(TAnimatedSprite::GetBuriedScriptCount(), 0u);
  EXPECT_FLOAT_EQ(s->GetAlpha(), 0.5f);
  // A later play builds a new state.
  s->Play(TStr("DoAnim"));
  EXPECT_NE(s->GetState().mainScript, nullptr);
}

TEST_F(AnimatedSpriteTest, ASpriteRemovedByItsOwnScriptIsDestroyedSafely) {
  auto parent = TSprite::Create();
  int before = TSprite::GetLiveCount();
  {
    auto s = Sprite("function DoAnim() showFrame() RemoveSprite() SetAlpha(0.5) showFrame() SetCurrentFrame(2) end");
    parent->AddChild(s);
    s->Play(TStr("DoAnim"));
  }
  EXPECT_EQ(TSprite::GetLiveCount(), before + 1);
  Tick(16);
  EXPECT_TRUE(parent->GetChildren().empty());
  EXPECT_EQ(TSprite::GetLiveCount(), before);
  for (int i = 0; i < 3; ++i) Tick(16);
  EXPECT_EQ(TAnimatedSprite::GetBuriedScriptCount(), 0u);
  EXPECT_EQ(TAnimatedSprite::GetTaskList()->Count(), 0u);
}

TEST_F(AnimatedSpriteTest, PlayLogsAFunctionThatFails) {
  auto s = Sprite("function DoAnim() error('broken frame') end");
  s->Play(TStr("DoAnim"));
  s->Play(TStr("Missing"));
  std::string log = LogText();
  EXPECT_NE(log.find("TAnimatedSprite::Play: lua_resume error: "), std::string::npos) << log;
  EXPECT_NE(log.find("broken frame"), std::string::npos) << log;
  EXPECT_FALSE(s->IsPlaying(0));
}

}  // namespace
