// The curve editor: points added, picked, dragged and ignored by mouse and keys (and the presses
// it declines, which reach the window that hosts it), the zoom and depth sliders, the time and
// layer fields, the figure's frame and turn along the curve, the port scene, the clipboard line,
// and its script functions while it lives.
#include "game/shell/editors/curve_editor.h"

#include <climits>
#include <cmath>
#include <memory>

#include "core/graphics/sprites/animated_sprite.h"
#include "game/shell/editors/curve.h"
#include "game/shell/editors/path_sprite.h"
#include "tests/game/shell/editors/editor_fixture.h"
#include "tests/game/shell/world/port_fixture.h"

namespace {

// A window that records the presses that reach it, as a port hosting the editor would.
class PressRecorder : public TWindow {
 public:
  static TWindow* Create() { return new PressRecorder; }
  bool OnMouseDown(TPoint point) override {
    presses++;
    return true;
  }
  int presses = 0;
};

class CurveEditorTest : public EditorFixture {
 protected:
  // An editor of 800 x 600 in the top modal window (its origin 40, 30 on the screen) inside a
  // press recorder, with its sliders inside it and its fields beside it.
  TCurveEditor* Open(const std::string& keys = "") {
    manager->RegisterWindowClass("PressRecorder", &PressRecorder::Create);
    Make("PressRecorder { name = 'host', x = 0, y = 0, w = 800, h = 600,"
         "  CurveEditor { name = 'curve_editor', x = 0, y = 0, w = 800, h = 600, " + keys +
         "    Slider { name = 'scaleslider', x = 10, y = 560, w = 200, h = 20 },"
         "    Slider { name = 'farslider', x = 220, y = 560, w = 200, h = 20 },"
         "    Slider { name = 'nearslider', x = 430, y = 560, w = 200, h = 20 } },"
         "  TextEdit { name = 'time', x = 640, y = 10, w = 100, h = 20 },"
         "  TextEdit { name = 'layer', x = 640, y = 40, w = 100, h = 20 } }");
    TWindow* found = Find("curve_editor");
    return found && found->IsKindOf(&TCurveEditor::Create) ? static_cast<TCurveEditor*>(found) : nullptr;
  }
  static TPoint At(int x, int y) { return TPoint(x, y); }
  static std::shared_ptr<TCurve> Line(std::initializer_list<TVec2> points) {
    auto curve = CreateEmptyCurve();
    for (const TVec2& p : points) curve->AddPoint(p);
    return curve;
  }
};

TEST_F(CurveEditorTest, TheMouseAddsPicksDragsAndIgnoresPointsAndDeclinesWhatItDoesNotUse) {
  TCurveEditor* editor = Open();
  ASSERT_NE(editor, nullptr);
  // Zoom 0.5 centres the half-size scene: window = scene * 0.5 + (200, 150).
  EXPECT_FLOAT_EQ(editor->GetZoom(), 0.5f);
  EXPECT_EQ(editor->GetOffset(), TVec2(200, 150));
  struct Step {
    char key;      // held: 'A' adds, 'D' ignores, ' ' none
    char action;   // 'd' down, 'm' move, 'u' up
    int x, y;      // window point
    bool handled;
    int selected;  // afterwards
    const char* points;
  };
  const Step steps[] = {
      {'A', 'd', 300, 250, true, 0, "{200,200},"},
      {'A', 'm', 310, 260, true, 0, "{220,220},"},
      {'A', 'u', 310, 260, true, -1, "{220,220},"},
      {'A', 'd', 310, 260, true, 1, "{220,220},{220,220},"},  // added on top: the new one is held
      {'A', 'u', 310, 260, true, -1, "{220,220},{220,220},"},
      {' ', 'd', 311, 261, true, 0, "{220,220},{220,220},"},  // within 5 units: the lowest index
      {' ', 'm', 400, 300, true, 0, "{400,300},{220,220},"},
      {' ', 'u', 400, 300, true, -1, "{400,300},{220,220},"},
      {' ', 'd', 404, 300, true, 0, "{400,300},{220,220},"},  // 8 units off, but on its handle
      {' ', 'u', 404, 300, true, -1, "{400,300},{220,220},"},
      {' ', 'd', 600, 500, false, -1, "{400,300},{220,220},"},  // nothing there
      {' ', 'm', 610, 500, false, -1, "{400,300},{220,220},"},
      {' ', 'u', 610, 500, false, -1, "{400,300},{220,220},"},
      {'D', 'd', 400, 300, false, -1, "{400,300},{220,220},"},  // ignored, even on a point
      {'D', 'm', 420, 300, false, -1, "{400,300},{220,220},"},
  };
  for (const Step& s : steps) {
    if (s.key == 'A') editor->OnKeyDown(TCurveEditor::kKeyAdd, 0);
    if (s.key == 'D') editor->OnKeyDown(TCurveEditor::kKeyIgnore, 0);
    bool handled = s.action == 'd' ? editor->OnMouseDown(At(s.x, s.y))
                   : s.action == 'm' ? editor->OnMouseMove(At(s.x, s.y))
                                     : editor->OnMouseUp(At(s.x, s.y));
    EXPECT_EQ(handled, s.handled) << s.key << s.action << " " << s.x << "," << s.y;
    EXPECT_EQ(editor->GetSelected(), s.selected) << s.key << s.action << " " << s.x << "," << s.y;
    EXPECT_STREQ(editor->GetCurve()->ToString().c_str(), s.points) << s.key << s.action << " " << s.x << "," << s.y;
    editor->OnKeyUp(TCurveEditor::kKeyAdd);
    editor->OnKeyUp(TCurveEditor::kKeyIgnore);
  }

  // Through the window manager: the editor has the keys; a press it declines reaches its host.
  PressRecorder* host = Find<PressRecorder>("host");
  Key(kEventKeyDown, 'A');
  EXPECT_EQ(editor->GetMode(), TCurveEditor::kAdding);
  Press(kModalX + 100, kModalY + 100);
  Release(kModalX + 100, kModalY + 100);
  Key(kEventKeyUp, 'A');
  EXPECT_EQ(editor->GetMode(), TCurveEditor::kNormal);
  EXPECT_EQ(editor->GetCurve()->GetPointCount(), 3u);
  EXPECT_EQ(host->presses, 0);
  Press(kModalX + 700, kModalY + 100);
  Release(kModalX + 700, kModalY + 100);
  EXPECT_EQ(host->presses, 1);
  Key(kEventKeyDown, 'D');
  Press(kModalX + 100, kModalY + 100);
  Release(kModalX + 100, kModalY + 100);
  EXPECT_EQ(host->presses, 2);
  Key(kEventKeyUp, 'A');  // only D's own release ends ignoring
  EXPECT_EQ(editor->GetMode(), TCurveEditor::kIgnoring);
  Key(kEventKeyUp, 'D');
  EXPECT_EQ(editor->GetMode(), TCurveEditor::kNormal);
}

// A curve handed over (a port's path sprite) is edited where it lies, so its figure follows.
TEST_F(CurveEditorTest, AHandedOverCurveIsEditedInPlace) {
  TCurveEditor* editor = Open();
  ASSERT_NE(editor, nullptr);
  editor->OnKeyDown(TCurveEditor::kKeyAdd, 0);
  editor->OnMouseDown(At(300, 250));  // held
  auto path = Line({{0, 0}, {100, 0}, {200, 0}, {300, 0}});
  editor->SetCurve(path);
  editor->OnKeyUp(TCurveEditor::kKeyAdd);
  EXPECT_EQ(editor->GetSelected(), -1);
  EXPECT_FALSE(editor->OnMouseMove(At(10, 10)));
  EXPECT_TRUE(editor->OnMouseDown(At(250, 150)));  // (100, 0)
  editor->OnMouseMove(At(250, 200));
  editor->OnMouseUp(At(250, 200));
  EXPECT_STREQ(path->ToString().c_str(), "{0,0},{100,100},{200,0},{300,0},");
  editor->SetCurve(nullptr);
  EXPECT_EQ(editor->GetCurve()->GetPointCount(), 0u);
}

TEST_F(CurveEditorTest, TheSlidersSetTheZoomAndTheDepthScalesAndAZoomOfNothingStaysUsable) {
  TCurveEditor* editor = Open("background = 'image/scene',");
  ASSERT_NE(editor, nullptr);
  EXPECT_NEAR(Find<TSlider>("farslider")->GetValue(), 0.198f, 0.001f);
  EXPECT_NEAR(Find<TSlider>("nearslider")->GetValue(), 0.198f, 0.001f);
  EXPECT_FLOAT_EQ(Find<TSlider>("scaleslider")->GetValue(), 0.5f);
  struct Case {
    const char* slider;
    float value;
    float zoom, far, near;
  };
  const Case cases[] = {
      {"farslider", 0, 0.5f, 0.01f, 1.0f},   {"farslider", 1, 0.5f, 5.0f, 1.0f},
      {"nearslider", 0.5f, 0.5f, 5.0f, 2.505f}, {"scaleslider", 1, 1.0f, 5.0f, 2.505f},
      {"scaleslider", 0.25f, 0.25f, 5.0f, 2.505f}, {"scaleslider", 0, TCurveEditor::kMinZoom, 5.0f, 2.505f},
  };
  for (const Case& c : cases) {
    Slide(c.slider, c.value);
    EXPECT_FLOAT_EQ(editor->GetZoom(), c.zoom) << c.slider << " " << c.value;
    EXPECT_FLOAT_EQ(editor->GetFarScale(), c.far) << c.slider << " " << c.value;
    EXPECT_FLOAT_EQ(editor->GetNearScale(), c.near) << c.slider << " " << c.value;
    const TMat3& m = editor->GetScene()->GetDrawSpec().mMatrix;
    EXPECT_FLOAT_EQ(m.m[0][0], editor->GetZoom());
    EXPECT_EQ(m.GetTranslation(), editor->GetOffset());
  }
  // At the smallest zoom a press still has a place in the scene, and the curve goes on.
  editor->OnKeyDown(TCurveEditor::kKeyAdd, 0);
  for (int x : {396, 400, 404, 408}) editor->OnMouseDown(At(x, 300));
  TVec2 p = editor->ScenePoint(At(404, 300));
  EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
  EXPECT_EQ(editor->GetCurve()->GetPointCount(), 4u);
  EXPECT_GT(editor->GetCurve()->GetLength(), 0.0f);
  for (double zoom : {0.0, -3.0, (double)NAN, (double)INFINITY}) {
    Run("SetAnimScale(" + std::string(std::isnan(zoom) ? "0/0" : std::isinf(zoom) ? "1/0" : std::to_string(zoom)) + ")");
    EXPECT_TRUE(editor->GetZoom() >= TCurveEditor::kMinZoom && editor->GetZoom() <= TCurveEditor::kMaxZoom) << zoom;
  }
}

TEST_F(CurveEditorTest, TheFieldsSetTheRunTimeAndTheFiguresLayer) {
  TCurveEditor* editor = Open();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->GetTime(), 5000u);
  struct Case {
    const char* text;
    uint32_t time;
    int32_t layer;
  };
  const Case cases[] = {
      {"2500", 2500, 2500}, {"0", 1, 0}, {"-40", 1, -40}, {"abc", 1, 0}, {"12ms", 12, 12}, {"99999999999", UINT32_MAX, INT32_MAX},
  };
  for (const Case& c : cases) {
    Type("time", c.text);
    Type("layer", c.text);
    Run("UpdateAnimTime() UpdateAnimLayer()");
    EXPECT_EQ(editor->GetTime(), c.time) << c.text;
    EXPECT_EQ(editor->GetPreview()->GetLayer(), c.layer) << c.text;
  }
}

// The figure shows the frame of its heading and turns the rest of the way; it grows from the
// far line to the near one; on an empty curve it waits, hidden.
TEST_F(CurveEditorTest, TheFigureFollowsTheCurveWithItsHeadingsFrameAndDepth) {
  PutAnimation("ports/animations/walker", 8);
  TCurveEditor* editor = Open();
  ASSERT_NE(editor, nullptr);
  for (int i = 0; i < 5; i++) EXPECT_TRUE(editor->OnAnimate());
  EXPECT_FALSE(editor->GetPreview()->IsVisible());
  Run("SetAnimSprite('walker')");
  ASSERT_EQ(editor->GetPreview()->GetFrameCount(), 8);
  Type("time", "40");
  Run("UpdateAnimTime()");
  const float rad = (float)M_PI / 180.0f;
  struct Case {
    float heading;  // of the straight curve through (400, 300)
    int frame;
    float turn;     // degrees left after the frame
  };
  const Case cases[] = {{90, 2, 0}, {100, 2, 10}, {0, 0, 0}, {200, 4, 20}, {350, 0, 350}};
  for (const Case& c : cases) {
    TVec2 d(std::sin(c.heading * rad), -std::cos(c.heading * rad));
    editor->SetCurve(Line({{400 - 30 * d.x, 300 - 30 * d.y}, {400 - 10 * d.x, 300 - 10 * d.y},
                           {400 + 10 * d.x, 300 + 10 * d.y}, {400 + 30 * d.x, 300 + 30 * d.y}}));
    // A run of 40 ms: every other tick lands half-way, in the middle of the curve.
    editor->OnAnimate();
    if ((editor->GetPreview()->GetDrawSpec().GetPosition() - TVec2(400, 300)).LengthSquared() > 0.25f) editor->OnAnimate();
    EXPECT_TRUE(editor->GetPreview()->IsVisible());
    EXPECT_EQ(editor->GetPreview()->GetCurrentFrame(), c.frame) << c.heading;
    const TMat3& m = editor->GetPreview()->GetDrawSpec().mMatrix;
    TMat3 expected = TMat3::MakeRotation(c.turn * rad);
    EXPECT_NEAR(m.m[0][0], expected.m[0][0], 1e-3) << c.heading;
    EXPECT_NEAR(m.m[0][1], expected.m[0][1], 1e-3) << c.heading;
    EXPECT_NEAR(m.GetTranslation().x, 400, 0.5) << c.heading;
    EXPECT_NEAR(m.GetTranslation().y, 300, 0.5) << c.heading;
  }
  // Depth: scale 1 at the far line (y 0), 3 at the near line (y 600), 2 half-way.
  Slide("nearslider", (3.0f - 0.01f) / 4.99f);
  editor->SetCurve(Line({{400, 300}, {401, 300}, {402, 300}, {403, 300}}));
  editor->OnAnimate();
  const TMat3& m = editor->GetPreview()->GetDrawSpec().mMatrix;
  EXPECT_NEAR(std::hypot(m.m[0][0], m.m[0][1]), 2.0f, 1e-3);
}

TEST_F(CurveEditorTest, TheCopyKeyPutsTheSceneLineInItsExactForm) {
  TCurveEditor* editor = Open();
  ASSERT_NE(editor, nullptr);
  editor->SetCurve(Line({{0, 0}, {10, 0}, {20, 0}, {30, 0}}));
  EXPECT_STREQ(editor->GetScriptLine().c_str(),
               "CreateSprite(, { image='', time=5000, motion='loop', layer=0, scaleFar=1.000, scaleNear=1.000, "
               "path={{0,0},{10,0},{20,0},{30,0},}, })");
  Run("SetAnimSprite('cart')");
  Type("time", "7250");
  Type("layer", "-2");
  Run("UpdateAnimTime() UpdateAnimLayer()");
  Slide("farslider", 0);
  Slide("nearslider", 1);
  editor->SetCurve(Line({{-5.7f, 3.2f}, {1e12f, -1e12f}}));
  EXPECT_STREQ(editor->GetScriptLine().c_str(),
               "CreateSprite(, { image='ports/animations/cart', time=7250, motion='loop', layer=-2, scaleFar=0.010, "
               "scaleNear=5.000, path={{-5,3},{2147483647,-2147483648},}, })");
  EXPECT_FALSE(editor->OnKeyDown(TCurveEditor::kKeyCopy, 0));
}

TEST_F(CurveEditorTest, ThePortsBuildingsAndStillSpritesJoinTheScene) {
  PutImage("ports/cove/hall", 20, 20);
  PutImage("image/barrel", 8, 8);
  PutImage("image/lamp", 8, 8);
  TCurveEditor* editor = Open(
      "port = { name = 'cove',"
      "  buildings = { { name = 'hall', x = 100, y = 50, layer = 3.7, scale = 2 }, { name = 'hall' } },"
      "  sprites = { { image = 'image/barrel', x = 5, y = 6, layer = 4 },"
      "              { images = { 'image/lamp', 'image/barrel' }, image = 'image/barrel', behind = { layer = 3 } },"
      "              { image = 'image/lamp', behind = { layer = 0 }, layer = 7 },"
      "              { image = 'image/lamp', path = { { 0, 0 }, { 1, 1 } } } } },");
  ASSERT_NE(editor, nullptr);
  // The figure (layer 0) and then the buildings and still sprites, by layer.
  std::vector<std::string> scene;
  for (const auto& child : editor->GetScene()->GetChildren()) {
    TVec2 at = child->GetDrawSpec().GetPosition();
    scene.push_back(std::to_string(child->GetLayer()) + (child->GetTexture() ? " picture " : " none ") +
                    std::to_string((int)at.x) + "," + std::to_string((int)at.y) + " x" +
                    std::to_string(child->GetDrawSpec().mMatrix.m[0][0]).substr(0, 3));
  }
  EXPECT_EQ(scene, (std::vector<std::string>{"0 none 0,0 x1.0", "0 picture 0,0 x1.0", "0 picture 0,0 x1.0",
                                             "2 picture 0,0 x1.0", "3 picture 100,50 x2.0", "4 picture 5,6 x1.0"}));
}

TEST_F(CurveEditorTest, ItsScriptFunctionsGoWithIt) {
  Run("function SetAnimScale() return 'mine' end");
  TCurveEditor* editor = Open();
  ASSERT_NE(editor, nullptr);
  for (const char* name : {"SetAnimScale", "UpdateAnimTime", "UpdateAnimLayer", "SetAnimSprite"})
    EXPECT_EQ(Global(name), "function") << name;
  Run("PopModal('screen')");
  manager->DeleteClosedWindows();
  Run("gMine = SetAnimScale()");
  EXPECT_EQ(Global("gMine"), "mine");
  for (const char* name : {"UpdateAnimTime", "UpdateAnimLayer", "SetAnimSprite"}) EXPECT_EQ(Global(name), "nil") << name;
}

// A port hosting the editor, as the game's set-up wires them: presses on the editor's points stay
// with it; a press on a walker that hits none of them hands the walker's path over, and the
// editor then edits that path in place (the walker follows) and copies it.
class PortEditorTest : public PortFixture {
 protected:
  void SetUp() override {
    PortFixture::SetUp();
    TGameSetup setup;
    ProvideEditors(setup);
    manager->RegisterWindowClass("CurveEditor", setup.GetWindowClass("CurveEditor"));
  }
  void Key(int32_t type, int32_t code) {
    TPlatformEvent e;
    e.type = type;
    e.param = code;
    manager->HandleEvent(e);
  }
};

TEST_F(PortEditorTest, APortHandsTheClickedWalkersPathToItsEditor) {
  Run("gScene.sprites = { { image = 'ports/animations/walker.xml', path = { {100, 450}, {100, 450}, {700, 450}, {700, 450} },"
      "  time = 10000, random = false, motion = 'loop' } }");
  PortWindow* port = Open("CurveEditor { name = 'curve_editor', x = 0, y = 0, w = 800, h = 600 }");
  ASSERT_NE(port, nullptr);
  auto* editor = Find<TCurveEditor>("curve_editor");
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(port->GetPathSprites().size(), 1u);
  Ticks(1);  // the walker steps out: 3 units in 50 ms
  std::shared_ptr<TCurve> walkerPath = port->GetPathSprites()[0]->GetCurve();
  EXPECT_NE(editor->GetCurve(), walkerPath);

  Press(103, 450);  // on the walker, on none of the editor's points
  Release(103, 450);
  EXPECT_EQ(editor->GetCurve(), walkerPath);
  EXPECT_EQ(editor->GetSelected(), -1);
  Press(550, 375);  // the third point, (700, 450), on the half-size scene centred in the port
  Move(550, 325);
  Release(550, 325);
  EXPECT_STREQ(walkerPath->ToString().c_str(), "{100,450},{100,450},{700,350},{700,450},");
  EXPECT_STREQ(editor->GetScriptLine().c_str(),
               "CreateSprite(, { image='', time=5000, motion='loop', layer=0, scaleFar=1.000, scaleNear=1.000, "
               "path={{100,450},{100,450},{700,350},{700,450},}, })");
  // A press on one of the editor's points stays with it; while D is held it goes on to the port.
  auto other = CreateEmptyCurve();
  other->AddPoint(TVec2(-194, 600));  // under the walker
  editor->SetCurve(other);
  Press(103, 450);
  Release(103, 450);
  EXPECT_EQ(editor->GetCurve(), other);
  Key(kEventKeyDown, 'D');
  Press(103, 450);
  Release(103, 450);
  Key(kEventKeyUp, 'D');
  EXPECT_EQ(editor->GetCurve(), walkerPath);
}

}  // namespace
