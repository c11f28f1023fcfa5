// Transitions: their alphas and moves tick by tick, the description table of Transition, and
// the ways they end early: the window gone, the screen closed, the holder's flag, the window
// manager shut down while they still run.
#include "game/shell/world/qrn_transition.h"

#include <gtest/gtest.h>

#include "core/windows/widgets/image.h"
#include "game/shell/qrn_window.h"
#include "tests/game/shell/world/world_fixture.h"

namespace {

class TransitionTest : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    PutImage("image/badge", 40, 20);
    manager->RegisterWindowClass("QRNWindow", &TQRNWindow::Create);
    Make("QRNWindow { name = 'panel', x = 100, y = 50, w = 200, h = 100, color = {1, 1, 1, 1},"
         "  QRNWindow { name = 'inner', w = 10, h = 10 } },"
         "Bitmap { name = 'badge', x = 5, y = 5, image = 'image/badge' }");
    panel = Find<TQRNWindow>("panel");
    Run("ended = 0; function Ended() ended = ended + 1 end");
  }
  // Transition{...} as the scripts call it.
  void Start(const std::string& description) {
    Run("gDescription = " + description);
    lua_State* L = script->GetState();
    lua_pushliteral(L, "gDescription");
    lua_gettable(L, LUA_GLOBALSINDEX);
    TLuaTable table(L);
    transition(&table);
  }
  size_t Running() { return host.GetTaskList().Count() - 1; }  // less the window script
  std::string Place(const char* name) {
    TRect r = Find(name)->GetRect();
    return std::to_string(r.left) + "," + std::to_string(r.top);
  }

  TQRNWindow* panel = nullptr;
};

TEST_F(TransitionTest, AFadeInTicksEvery25MsToItsAlphaAndEndsOnce) {
  Start("{ 'fadein', window = 'panel', time = 100, onend = Ended }");
  EXPECT_EQ(panel->GetAlpha(), 0.0f);
  EXPECT_EQ(Find<TQRNWindow>("inner")->GetAlpha(), 0.0f);
  std::vector<float> alphas;
  for (int i = 0; i < 4; i++) {
    Advance(25);
    alphas.push_back(panel->GetAlpha());
    EXPECT_EQ(Find<TQRNWindow>("inner")->GetAlpha(), alphas.back());
  }
  EXPECT_EQ(alphas, (std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f}));
  EXPECT_EQ(Number("ended"), 1);
  EXPECT_EQ(Running(), 0u);
  Advance(100);
  EXPECT_EQ(Number("ended"), 1);
}

TEST_F(TransitionTest, EachKindPlacesOrFadesItsWindowByItsProgress) {
  struct Case {
    const char* description;
    uint32_t at;         // ms after the start
    const char* window;
    const char* place;   // left,top in the parent
    float alpha;         // the panel's, when it fades
  } cases[] = {
      {"{ 'swipe', window = 'panel', startx = 0, starty = 0, endx = 100, endy = 50, time = 100 }", 50, "panel", "50,25", 1},
      {"{ 'swipe', window = 'panel', endx = 300, time = 200 }", 50, "panel", "150,50", 1},  // from where it is
      {"{ 'swipe', window = 'panel', startx = -2000000000, endx = 2000000000, time = 100 }", 50, "panel", "0,50", 1},
      {"{ 'path', window = 'panel', path = {{0,0},{0,0},{100,0},{100,0}}, time = 100 }", 50, "panel", "50,0", 1},
      {"{ 'path', window = 'panel', path = {{0,0},{0,0},{100,0},{100,0}}, time = 100 }", 100, "panel", "100,0", 1},
      {"{ 'path', window = 'panel', time = 100 }", 50, "panel", "0,0", 1},  // no path: the corner
      {"{ 'fadeout', window = 'panel', alpha = 0.8, time = 100 }", 25, "panel", "100,50", 0.6f},
      {"{ 'fadein', window = 'panel', alpha = 0.5, time = 0 }", 25, "panel", "100,50", 0.5f},
      {"{ 'center', window = 'panel' }", 25, "panel", "300,50", 1},
      {"{ 'center_fadein', window = 'panel', time = 100 }", 50, "panel", "300,50", 0.5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    panel->SetPosition(100, 50);
    panel->SetAlpha(1.0f, true);
    Start(c.description);
    Advance(c.at);
    EXPECT_EQ(Place(c.window), c.place);
    EXPECT_FLOAT_EQ(panel->GetAlpha(), c.alpha);
    Advance(1000);
    EXPECT_EQ(Running(), 0u);
  }
}

TEST_F(TransitionTest, ZoomGrowsAPictureAndOnlyShowsAnyOtherWindow) {
  Find("badge")->SetFlags(0);
  Start("{ 'zoomin', window = 'badge', time = 100 }");
  EXPECT_FALSE(Find("badge")->GetFlags() & kWindowEnabled);  // visible from the first tick on
  Advance(25);
  EXPECT_TRUE(Find("badge")->GetFlags() & kWindowEnabled);
  EXPECT_EQ(Find("badge")->GetWidth(), 10);
  EXPECT_EQ(Find("badge")->GetHeight(), 5);
  Advance(75);
  EXPECT_EQ(Find("badge")->GetWidth(), 40);

  panel->SetFlags(0);
  Start("{ 'zoomin', window = 'panel', time = 100, onend = Ended }");
  Advance(25);
  EXPECT_TRUE(panel->GetFlags() & kWindowEnabled);
  EXPECT_EQ(panel->GetWidth(), 200);
  Advance(75);
  EXPECT_EQ(Number("ended"), 1);
}

TEST_F(TransitionTest, CentringAWindowWiderThanTheScreenOverhangsBothSides) {
  panel->SetSize(1000, 100);
  Start("{ 'center_fadein', window = 'panel', onend = Ended }");
  EXPECT_EQ(Place("panel"), "-100,50");
  EXPECT_FALSE(panel->GetFlags() & kWindowEnabled);
  Advance(100);
  EXPECT_TRUE(panel->GetFlags() & kWindowEnabled);
  EXPECT_EQ(Number("ended"), 1);
}

TEST_F(TransitionTest, ADescriptionThatMatchesNothingStartsAndCallsNothing) {
  for (const char* description : {"{ 'fadein', window = 'nobody', onend = Ended }",
                                  "{ 'spin', window = 'panel', onend = Ended }", "{ window = 'panel', onend = Ended }",
                                  "{ 'center', window = 'panel', onend = Ended }"}) {
    Start(description);
    EXPECT_EQ(Running(), 0u) << description;
  }
  transition(nullptr);
  Advance(200);
  EXPECT_EQ(Number("ended"), 0);
}

TEST_F(TransitionTest, AClearedFlagEndsItAtTheNextTickWithoutItsEndFunction) {
  Run("gEnd = Ended");
  lua_pushliteral(script->GetState(), "gEnd");
  lua_gettable(script->GetState(), LUA_GLOBALSINDEX);
  auto* fade = new FadeInTransition(panel, 1.0f, 100, new TLuaFunction(script->GetState()));
  std::shared_ptr<bool> running = QRNTransition::Start(fade);
  Advance(25);
  EXPECT_EQ(panel->GetAlpha(), 0.25f);
  *running = false;
  Advance(25);
  EXPECT_EQ(panel->GetAlpha(), 0.25f);
  EXPECT_EQ(Running(), 0u);
  EXPECT_EQ(Number("ended"), 0);
}

TEST_F(TransitionTest, AWindowDestroyedDuringItsTransitionEndsItWithoutBeingTouched) {
  Start("{ 'swipe', window = 'panel', endx = 0, time = 100, onend = Ended }");
  Advance(25);
  modal->RemoveChild(panel);
  delete panel;  // by any other hand than the transition's
  Advance(25);
  EXPECT_EQ(Number("ended"), 1);
  EXPECT_EQ(Running(), 0u);
}

TEST_F(TransitionTest, AScreenClosedDuringItsTransitionEndsItAtOnce) {
  auto* dialog = new TModalWindow();
  manager->PushModal(dialog);
  Make("QRNWindow { name = 'card', w = 50, h = 50 }");
  Start("{ 'fadeout', window = 'card', time = 100, onend = Ended }");
  Advance(25);
  manager->PopModal();
  Send(kEventOther + 100);  // any event works off the queue with the closed screen's message
  EXPECT_EQ(Number("ended"), 1);
  Advance(100);
  EXPECT_EQ(Number("ended"), 1);
  EXPECT_EQ(Running(), 0u);
}

TEST_F(TransitionTest, TransitionsStillRunningWhenTheGameEndsAreFreedOnce) {
  Start("{ 'fadein', window = 'panel', time = 1000, onend = Ended }");
  Start("{ 'swipe', window = 'badge', endx = 0, time = 1000, onend = Ended }");
  Advance(25);
  EXPECT_EQ(Running(), 2u);
  delete manager;  // its listeners go with it; the task list still holds the transitions
  manager = nullptr;
  host.GetTaskList().RunTasks(0);
  host.GetTaskList().KillAllTasks();
}

}  // namespace
