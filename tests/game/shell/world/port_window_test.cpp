// A port's screen: the opening fade of the scene and the buildings' names, the hovered
// building's glow, clicks (a press and release on one building, the topmost where they overlap,
// names from data kept out of the script text), the music's turns, holding the scene in the
// background or by the scripts, and the curve editor's hand-over of a walker's path.
#include "game/shell/world/port_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/random.h"
#include "core/graphics/sprites/sprite.h"
#include "core/windows/text.h"
#include "game/shell/editors/curve.h"
#include "game/shell/editors/path_sprite.h"
#include "game/shell/sound_bridge.h"
#include "tests/game/shell/world/port_fixture.h"

namespace {

std::vector<std::string> gEngineEvents;
void RecordEvent(const char* name, ...) { gEngineEvents.push_back(name); }

class PortWindowTest : public PortFixture {
 protected:
  void SetUp() override {
    PortFixture::SetUp();
    gEngineEvents.clear();
    SetSoundEngineCalls({nullptr, &RecordEvent, nullptr});
    // Two buildings side by side and a third over the first one's right half, higher up.
    Run("gScene = { name = 'test', buildings = {"
        "  { name = 'mill', x = 200, y = 300, layer = 3 },"
        "  { name = 'shop', x = 500, y = 300, layer = 3 },"
        "  { name = 'tower', x = 250, y = 300, layer = 5 } } }"
        "gClicks = '' "
        "mill = {} function mill:OnClick() gClicks = gClicks .. 'mill;' end "
        "shop = {} function shop:OnClick() gClicks = gClicks .. 'shop;' end "
        "tower = {} function tower:OnClick() gClicks = gClicks .. 'tower;' end");
    port = Open("Text { name = 'mill', w = 120, h = 20 }, Text { name = 'shop', w = 120, h = 20 }");
  }
  void TearDown() override {
    SetSoundEngineCalls({});
    PortFixture::TearDown();
  }
  float Tint() { return port->GetBackground()->GetDrawSpec().mColor.r; }
  float LabelAlpha(const char* name) { return Find<TText>(name)->GetAlpha(); }
  bool LabelShown(const char* name) { return (Find<TText>(name)->GetFlags() & kWindowEnabled) != 0; }
  PortWindow* port = nullptr;
};

TEST_F(PortWindowTest, TheSceneBrightensFromDarkWhileTheNamesShowForASecondAndFade) {
  EXPECT_FLOAT_EQ(Tint(), 0.25f);
  struct Step {
    uint32_t at;  // ms after opening
    float tint, labels;
  } steps[] = {{500, 0.4375f, 1.0f}, {1000, 0.625f, 1.0f}, {1500, 0.8125f, 0.5f}, {2000, 1.0f, 0.0f}, {3000, 1.0f, 0.0f}};
  uint32_t at = 0;
  for (const Step& s : steps) {
    Ticks((s.at - at) / 50);
    at = s.at;
    EXPECT_FLOAT_EQ(Tint(), s.tint) << s.at;
    EXPECT_FLOAT_EQ(LabelAlpha("mill"), s.labels) << s.at;
    EXPECT_FLOAT_EQ(LabelAlpha("shop"), s.labels) << s.at;
  }
}

TEST_F(PortWindowTest, TheHoveredBuildingKeepsItsNameAndPulsesItsGlow) {
  Move(150, 300);  // the mill alone
  ASSERT_EQ(port->GetHovered(), 0u);
  const PortWindow::Building& mill = port->GetBuildings()[0];
  EXPECT_TRUE(mill.highlight->IsVisible());
  Ticks(30);  // 1500 ms: the other names are half gone, the hovered one is not
  EXPECT_FLOAT_EQ(LabelAlpha("mill"), 1.0f);
  EXPECT_FLOAT_EQ(LabelAlpha("shop"), 0.5f);
  // 100 x 80 picture: the glow grows by at most 50 units in height, here 20 %.
  ASSERT_FLOAT_EQ(mill.pulse, 0.2f);
  struct Phase {
    uint32_t phase;
    float scale, alpha;
  } phases[] = {{0, 1.0f, 0.8f}, {600, 1.08f, 0.8f}, {750, 1.1f, 0.75f}, {1500, 1.2f, 0.5f}, {2250, 1.1f, 0.75f},
                {2950, 1.0067f, 0.8f}};
  Move(400, 500);
  Move(150, 300);  // hovered anew: the cycle starts again
  uint32_t phase = 0;
  for (const Phase& p : phases) {
    Ticks((p.phase - phase) / 50);
    phase = p.phase;
    if (p.phase == 0) continue;
    const TDrawSpec& spec = mill.highlight->GetDrawSpec();
    EXPECT_NEAR(spec.mMatrix.m[0][0], p.scale, 1e-3f) << p.phase;
    EXPECT_NEAR(spec.mAlpha, p.alpha, 1e-3f) << p.phase;
  }
  // Away from every building: the glow and the name go.
  Move(400, 500);
  EXPECT_EQ(port->GetHovered(), PortWindow::kNone);
  EXPECT_FALSE(mill.highlight->IsVisible());
  EXPECT_FALSE(LabelShown("mill"));
}

TEST_F(PortWindowTest, AClickRunsTheBuildingsHandlerOnlyWhenPressedAndReleasedOnIt) {
  struct Case {
    int downX, upX;
    const char* clicks;
  } cases[] = {
      {150, 150, "mill;"},
      {150, 520, ""},        // pressed on one, released on another
      {150, 400, ""},        // released on nothing
      {400, 150, ""},        // pressed on nothing
      {230, 230, "tower;"},  // where two overlap, the higher layer
      {520, 520, "shop;"},
  };
  for (const Case& c : cases) {
    Run("gClicks = ''");
    Move(c.downX, 300);
    Press(c.downX, 300);
    Move(c.upX, 300);
    Release(c.upX, 300);
    Run("gClickCount = string.len(gClicks) gCurrentIsNil = gCurrentBuilding == nil and 1 or 0");
    lua_State* L = script->GetState();
    lua_pushstring(L, "gClicks");
    lua_gettable(L, LUA_GLOBALSINDEX);
    EXPECT_STREQ(lua_tostring(L, -1), c.clicks) << c.downX << " to " << c.upX;
    lua_pop(L, 1);
  }
  EXPECT_EQ(port->FindBuildingAt(TPoint(270, 300)), 2u);
}

TEST_F(PortWindowTest, BuildingNamesFromDataNeverBecomeScriptCode) {
  PutImage("ports/evil/a", 100, 80);
  Run("gHacked = 0 gScene = { name = 'evil', buildings = { { name = 'a:OnClick() gHacked = 1 --', x = 200, y = 300 } } }");
  modal->RemoveChild(port);
  delete port;
  port = Open("");
  Press(200, 300);
  Release(200, 300);
  EXPECT_EQ(Number("gHacked"), 0);
}

TEST_F(PortWindowTest, TheFirstMusicChangeStopsTheEntryTuneAndThenSilenceAndTunesTakeTurns) {
  SeedRandom(7);
  Ticks(25000 / 50 - 1);
  EXPECT_TRUE(gEngineEvents.empty());
  Ticks(1);
  ASSERT_EQ(gEngineEvents.size(), 1u);
  EXPECT_EQ(gEngineEvents[0], "Stop_Music");
  uint32_t silence = port->GetMusicDue() - (1000 + 25000);
  EXPECT_GE(silence, 10000u);
  EXPECT_LE(silence, 15000u);
  Ticks((silence + 49) / 50);
  ASSERT_EQ(gEngineEvents.size(), 2u);
  EXPECT_TRUE(gEngineEvents[1] == "port_music1" || gEngineEvents[1] == "port_music2" || gEngineEvents[1] == "port_music3")
      << gEngineEvents[1];
  EXPECT_TRUE(port->IsMusicPlaying());
}

TEST_F(PortWindowTest, TheSceneHoldsInTheBackgroundAndWhileTheScriptsPauseIt) {
  Ticks(10);
  float tint = Tint();
  host.active = false;
  NotifyPortActivation();
  Ticks(10);
  EXPECT_EQ(Tint(), tint);
  host.active = true;
  NotifyPortActivation();
  Ticks(1);
  EXPECT_GT(Tint(), tint);

  tint = Tint();
  Run("PausePortAnimations(true)");
  EXPECT_TRUE(port->IsAnimPaused());
  host.active = false;
  NotifyPortActivation();
  host.active = true;
  NotifyPortActivation();
  Ticks(10);
  EXPECT_EQ(Tint(), tint);  // a paused scene stays paused in the foreground
  Run("PausePortAnimations(false)");
  Ticks(1);
  EXPECT_GT(Tint(), tint);
}

TEST_F(PortWindowTest, ThePortsTaskAndFunctionGoWithIt) {
  size_t tasks = host.GetTaskList().Count();
  modal->RemoveChild(port);
  delete port;
  port = nullptr;
  EXPECT_EQ(host.GetTaskList().Count(), tasks - 1);
  EXPECT_EQ(PortWindow::Get(), nullptr);
  Run("gBound = PausePortAnimations and 1 or 0");
  EXPECT_EQ(Number("gBound"), 0);
  Ticks(5);
  NotifyPortActivation();
}

// An authoring editor as the port meets it: it takes the presses it uses and is handed paths.
class FakeEditor : public TWindow {
 public:
  static TWindow* Create() { return new FakeEditor; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &FakeEditor::Create || TWindow::IsKindOf(classId);
  }
  bool OnMouseDown(TPoint point) override {
    presses++;
    return takes;
  }
  static void SetCurve(TWindow* editor, std::shared_ptr<TCurve> curve) { static_cast<FakeEditor*>(editor)->curve = curve; }
  int presses = 0;
  bool takes = false;
  std::shared_ptr<TCurve> curve;
};

TEST_F(PortWindowTest, AnEditorInThePortTakesPressesFirstAndIsHandedTheClickedWalkersPath) {
  PortWindow::SetCurveEditing({&FakeEditor::Create, &FakeEditor::SetCurve});
  manager->RegisterWindowClass("FakeEditor", &FakeEditor::Create);
  Run("gScene.sprites = { { image = 'ports/animations/walker.xml', path = { {100, 450}, {100, 450}, {700, 450}, {700, 450} },"
      "  time = 10000, random = false, motion = 'oneway' } }");
  modal->RemoveChild(port);
  delete port;
  port = Open("FakeEditor { name = 'curve_editor', x = 0, y = 0, w = 10, h = 10 }");
  auto* editor = Find<FakeEditor>("curve_editor");
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(port->GetPathSprites().size(), 1u);
  Ticks(1);  // the walker steps out: 3 units in 50 ms

  Press(103, 450);  // on the walker
  Release(100, 450);
  EXPECT_EQ(editor->presses, 1);
  EXPECT_EQ(editor->curve, port->GetPathSprites()[0]->GetCurve());
  // No building is pressed while the editor shows.
  editor->curve.reset();
  Press(150, 300);
  Release(150, 300);
  EXPECT_EQ(editor->curve, nullptr);
  Run("gClickCount = string.len(gClicks)");
  EXPECT_EQ(Number("gClickCount"), 0);
  // A press the editor takes goes no further.
  editor->takes = true;
  Press(100, 450);
  EXPECT_EQ(editor->curve, nullptr);
  EXPECT_EQ(editor->presses, 3);
  // A hidden editor is not asked.
  editor->SetFlags(editor->GetFlags() & ~kWindowEnabled);
  Press(150, 300);
  Release(150, 300);
  EXPECT_EQ(editor->presses, 3);
  Run("gClickCount = string.len(gClicks)");
  EXPECT_EQ(Number("gClickCount"), 5);
  PortWindow::SetCurveEditing({});
}

}  // namespace
