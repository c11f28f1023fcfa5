// The game's window base inside the real platform: the keys its script gives it, what it draws
// (recorded by a host put in for the drawing: fills, blended quads, the frame's pieces and the
// clips they are drawn in) and what it does with the mouse.
#include "game/shell/qrn_window.h"

#include "core/base/memory_file.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/vertex_array.h"
#include "core/windows/window_host.h"
#include "tests/game/shell/shell_fixture.h"

namespace {

// Records what a window draws as lines: "fill L,T,R,B", "blend A" (the quad's alpha byte),
// "piece F@X,Y" (frame F of an animated texture at X,Y), "clip L,T,R,B" and "unclip".
class DrawLog : public TWindowHost {
 public:
  void FillRect(const TRect& r, const TColor&) override { Add("fill " + Rect(r)); }
  void DrawTriangles(const std::shared_ptr<TTexture>&, TVertex* v, uint32_t count) override {
    Add("blend " + std::to_string(count) + "x" + std::to_string(v[0].diffuse >> 24));
  }
  void DrawTexture(const std::shared_ptr<TTexture>& texture, const TDrawSpec& spec) override {
    auto* animated = static_cast<TAnimatedTexture*>(texture.get());
    TVec2 at = spec.GetPosition();
    Add("piece " + std::to_string(animated->GetFrame()) + "@" + std::to_string((int)at.x) + "," +
        std::to_string((int)at.y));
  }
  void PushClipRect(const TRect& r) override { Add("clip " + Rect(r)); }
  void PopClipRect() override { Add("unclip"); }
  std::vector<std::string> lines;

 private:
  void Add(const std::string& line) { lines.push_back(line); }
  static std::string Rect(const TRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
  }
};

class QRNWindowTest : public ShellFixture {
 protected:
  // A window built by a script from its keys, on the 800 x 600 screen (found by its name).
  static TQRNWindow* Make(const std::string& keys, const std::string& children = "") {
    TWindowManager::Get()->RegisterWindowClass("QRNWindow", &TQRNWindow::Create);
    Run("PushModal('testdialog') MakeDialog { QRNWindow { name = 'w', " + keys + ", " + children + " } }");
    TWindow* w = TWindowManager::Get()->GetTopModal()->FindChild("w");
    return w && w->IsKindOf(&TQRNWindow::Create) ? static_cast<TQRNWindow*>(w) : nullptr;
  }
  static std::vector<std::string> Drawn(TQRNWindow* w) {
    TWindowManager* manager = TWindowManager::Get();
    TWindowHost* real = &manager->GetHost();
    DrawLog log;
    manager->SetHost(&log);
    w->Draw();
    manager->SetHost(real);
    return log.lines;
  }
  static void Pop() { Run("DoPopModal('testdialog')"); }
};

TEST_F(QRNWindowTest, ItsKeysSetColourFillFrameAndTheAlphaOfItsChildren) {
  struct Case {
    const char* keys;
    float alpha;        // its own
    float childAlpha;   // its child game window's, 0.25 of its own
    bool fill, frame, swallow;
  };
  const Case cases[] = {
      // No colour anywhere: alpha 0, and the children fade to it too.
      {"x = 0", 0.0f, 0.0f, true, false, false},
      {"color = { 1, 0, 0, 0.5 }", 0.5f, 0.5f, true, false, false},
      // Out of range: kept as the colour, but the children are not faded.
      {"color = { 1, 0, 0, 1.5 }", 1.5f, 0.25f, true, false, false},
      {"fill = false, color = { 1, 1, 1, 1 }", 1.0f, 1.0f, false, false, false},
      {"frame = 'ui/kit/panel'", 0.0f, 0.0f, true, true, false},
      {"frame = 'ui/kit/panel.xml'", 0.0f, 0.0f, true, true, false},
      {"frame = 'ui/kit/nothing'", 0.0f, 0.0f, true, false, false},
      {"swallowmouse = true", 0.0f, 0.0f, true, false, true},
  };
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    for (const Case& c : cases) {
      TQRNWindow* w = Make(c.keys, "QRNWindow { name = 'child', color = { 0, 0, 0, 0.25 } }");
      ASSERT_NE(w, nullptr) << c.keys;
      auto* child = static_cast<TQRNWindow*>(w->FindChild("child"));
      EXPECT_FLOAT_EQ(w->GetAlpha(), c.alpha) << c.keys;
      EXPECT_FLOAT_EQ(child->GetAlpha(), c.childAlpha) << c.keys;
      EXPECT_EQ(w->GetFill(), c.fill) << c.keys;
      EXPECT_EQ(w->GetFrame() != nullptr, c.frame) << c.keys;
      EXPECT_EQ(w->GetSwallowMouse(), c.swallow) << c.keys;
      Pop();
    }
  });
}

TEST_F(QRNWindowTest, OnlyAnOpaqueColourFillsPlainlyAndNoAlphaDrawsNothing) {
  struct Case {
    const char* keys;
    std::vector<std::string> drawn;
  };
  const Case cases[] = {
      {"x = 10, y = 20, w = 100, h = 50, color = { 1, 1, 1, 1 }", {"fill 10,20,110,70"}},
      {"x = 10, y = 20, w = 100, h = 50, color = { 1, 1, 1, 0.5 }", {"blend 6x127"}},
      {"x = 10, y = 20, w = 100, h = 50, color = { 1, 1, 1, 1.5 }", {"blend 6x255"}},
      {"x = 10, y = 20, w = 100, h = 50, color = { 1, 1, 1, 0 }", {}},
      {"x = 10, y = 20, w = 100, h = 50, color = { 1, 1, 1, 0.5 }, fill = false", {}},
  };
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    for (const Case& c : cases) {
      TQRNWindow* w = Make(c.keys);
      ASSERT_NE(w, nullptr) << c.keys;
      EXPECT_EQ(Drawn(w), c.drawn) << c.keys;
      Pop();
    }
  });
}

TEST_F(QRNWindowTest, TheFrameTilesItsEdgesInTheirClipsThenPutsTheCornersOnTop) {
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    // 100 x 70: the 64-pixel edges take two pieces each way, the last one held by the clip.
    TQRNWindow* w = Make("x = 10, y = 20, w = 100, h = 70, fill = false, frame = 'ui/kit/panel_ornament'");
    ASSERT_NE(w, nullptr);
    std::vector<std::string> expected = {
        "clip 10,0,110,600",  "piece 6@10,20",  "piece 6@74,20",   "unclip",
        "clip 10,0,110,600",  "piece 7@10,90",  "piece 7@74,90",   "unclip",
        "clip 0,20,800,90",   "piece 4@10,20",  "piece 4@10,84",   "unclip",
        "clip 0,20,800,90",   "piece 5@110,20", "piece 5@110,84",  "unclip",
        "clip 0,0,800,600",   "piece 0@10,20",  "piece 1@110,20",  "piece 2@10,90",
        "piece 3@110,90",     "piece 8@60,20",  "unclip",
    };
    EXPECT_EQ(Drawn(w), expected);
    Pop();
    // Off the left of the screen, the clips start at the screen's edge.
    w = Make("x = 0, y = 20, w = 60, h = 40, fill = false, frame = 'ui/kit/panel'");
    ASSERT_NE(w, nullptr);
    w->SetPosition(-30, 20);
    std::vector<std::string> drawn = Drawn(w);
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn[0], "clip 0,0,30,600");
    Pop();
  });
}

TEST_F(QRNWindowTest, AFramePieceOfNoSizeIsLeftOut) {
  // Edges of no width and no height: tiling them would never step on.
  static const char kFrame[] =
      "<sequence><img name=\"panel.png\" w=\"197\" h=\"66\"/><framelist>"
      "<frame x=\"1\" y=\"1\" w=\"8\" h=\"8\" regx=\"8\" regy=\"8\"/>"
      "<frame x=\"1\" y=\"1\" w=\"8\" h=\"8\"/><frame x=\"1\" y=\"1\" w=\"8\" h=\"8\"/>"
      "<frame x=\"1\" y=\"1\" w=\"8\" h=\"8\"/><frame x=\"1\" y=\"1\" w=\"8\" h=\"0\"/>"
      "<frame x=\"1\" y=\"1\" w=\"8\" h=\"0\"/><frame x=\"1\" y=\"1\" w=\"0\" h=\"8\"/>"
      "<frame x=\"1\" y=\"1\" w=\"0\" h=\"8\"/></framelist></sequence>";
  RegisterMemoryFile("ui/kit/flat.xml", kFrame, sizeof kFrame - 1);
  RunPlatform("", [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    TQRNWindow* w = Make("x = 10, y = 20, w = 100, h = 70, fill = false, frame = 'ui/kit/flat'");
    ASSERT_NE(w, nullptr);
    ASSERT_NE(w->GetFrame(), nullptr);
    EXPECT_EQ(Drawn(w), (std::vector<std::string>{"clip 0,0,800,600", "piece 0@10,20", "piece 1@110,20",
                                                   "piece 2@10,90", "piece 3@110,90", "unclip"}));
    Pop();
  });
  RegisterMemoryFile("ui/kit/flat.xml", nullptr, 0);
}

class RightButtons : public TQRNWindow {
 public:
  bool OnRightMouseDown(TPoint) override {
    log += "down ";
    return true;
  }
  bool OnRightMouseUp(TPoint) override {
    log += "up ";
    return true;
  }
  void Swallow() { mSwallowMouse = true; }  // as the key sets it
  std::string log;
};

TEST(QRNWindowMouseTest, ASwallowingWindowTakesEveryMouseEventAndNoRightButtonReachesItsSlots) {
  struct Case {
    bool swallow;
    uint32_t button;
    bool taken;
    const char* slots;
  };
  const Case cases[] = {
      {false, kButtonRightDown, true, "down "}, {false, kButtonRightUp, true, "up "},
      {false, kButtonMiddleDown, false, ""},    {false, kButtonWheelUp, false, ""},
      {true, kButtonRightDown, true, ""},       {true, kButtonRightUp, true, ""},
      {true, kButtonMiddleDown, true, ""},
  };
  for (const Case& c : cases) {
    RightButtons w;
    if (c.swallow) w.Swallow();
    EXPECT_EQ(w.OnOtherMouseEvent(TPoint(1, 1), c.button), c.taken) << c.swallow << " " << c.button;
    EXPECT_EQ(w.log, c.slots) << c.swallow << " " << c.button;
    EXPECT_EQ(w.OnMouseDown(TPoint(1, 1)), c.swallow);
    EXPECT_EQ(w.OnMouseUp(TPoint(1, 1)), c.swallow);
    EXPECT_EQ(w.OnMouseMove(TPoint(1, 1)), c.swallow);
  }
}

}  // namespace
