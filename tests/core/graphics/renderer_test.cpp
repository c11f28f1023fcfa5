// The renderer's state machine, its refusals and log lines, clip stack, viewport-relative fills,
// frame rate, capture texture and overlay, over a recording backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/base/settings.h"
#include "core/base/platform_services.h"
#include "core/graphics/renderer.h"
#include "core/graphics/renderer_service.h"
#include "core/graphics/texture.h"
#include "core/graphics/vertex_array.h"
#include "tests/core/graphics/fake_display.h"

namespace {

class RendererTest : public DrawingTest {};

struct StateCase {
  const char* name;
  std::function<bool(TRenderer*)> run;  // the call under test, after its set-up
  bool result;
  const char* logged;                    // "" when nothing may be logged
  bool in2d, in3d;
};

TEST_F(RendererTest, WrongStateCallsAreLoggedAndRefused) {
  TVertex v[3];
  TVertexArray va = TVertexArray::Create2d(v, 3);
  const StateCase cases[] = {
      {"Begin2d twice", [](TRenderer* r) { r->BeginDraw(0); r->Begin2d(); return r->Begin2d(); }, false,
       "Begin2d called when already in Begin2d state", true, false},
      {"Begin2d in 3d", [](TRenderer* r) { r->BeginDraw(0); r->Begin3d(); return r->Begin2d(); }, false,
       "Begin2d called when already in Begin3d state", false, true},
      {"Begin2d outside a frame", [](TRenderer* r) { return r->Begin2d(); }, false,
       "ERROR: Calling Begin2d outside of a BeginDraw or BeginRenderTarget block!", false, false},
      {"Begin3d in 2d", [](TRenderer* r) { r->BeginDraw(0); r->Begin2d(); return r->Begin3d(); }, false,
       "Begin3d called when already in Begin2d state", true, false},
      {"Begin3d twice", [](TRenderer* r) { r->BeginDraw(0); r->Begin3d(); return r->Begin3d(); }, false,
       "Begin3d called when already in Begin3d state", false, true},
      {"Begin3d outside a frame", [](TRenderer* r) { return r->Begin3d(); }, false,
       "ERROR: Calling Begin3d outside of a BeginDraw or BeginRenderTarget block!", false, false},
      {"End2d not in 2d", [](TRenderer* r) { r->BeginDraw(0); r->End2d(); return true; }, true,
       "End2d called when not in Begin2d state", false, false},
      {"End2d after EndDraw still leaves 2d",
       [](TRenderer* r) { r->BeginDraw(0); r->Begin2d(); r->EndDraw(0); r->End2d(); return true; }, true,
       "ERROR: Calling End2d after EndDraw or EndRenderTarget!", false, false},
      {"End3d not in 3d", [](TRenderer* r) { r->End3d(); return true; }, true, "End3d called when not in Begin3d state",
       false, false},
      {"End3d after EndDraw still leaves 3d",
       [](TRenderer* r) { r->BeginDraw(0); r->Begin3d(); r->EndDraw(0); r->End3d(); return true; }, true,
       "Calling End3d after EndDraw or EndRenderTarget!", false, false},
      {"DrawVertices before Begin2d", [&](TRenderer* r) { r->BeginDraw(0); r->DrawVertices(4, &va); return true; },
       true, "DrawVertices called when not in Begin2d or Begin3d state", false, false},
      {"DrawIndexedVertices before Begin2d",
       [&](TRenderer* r) { r->BeginDraw(0); r->DrawIndexedVertices(4, &va, nullptr, 3); return true; }, true,
       "DrawIndexedVertices called when not in Begin2d or Begin3d state", false, false},
      {"a frame that does not open refuses 2d",
       [this](TRenderer* r) { Backend().beginDrawResult = false; return !r->BeginDraw(0) && !r->Begin2d(); }, true,
       "ERROR: Calling Begin2d outside of a BeginDraw or BeginRenderTarget block!", false, false},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(c.name);
    TRenderer::Destroy();
    size_t logBefore = LogText().size();
    TRenderer* r = R();
    Calls();
    EXPECT_EQ(c.run(r), c.result);
    std::string log = LogText().substr(logBefore);
    if (*c.logged)
      EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    else
      EXPECT_EQ(log, "");
    EXPECT_EQ(r->IsIn2d(), c.in2d);
    EXPECT_EQ(r->IsIn3d(), c.in3d);
  }
}

TEST_F(RendererTest, RefusedDrawsNeverReachTheDevice) {
  TVertex v[3];
  TVertexArray va = TVertexArray::Create2d(v, 3);
  R()->BeginDraw(0);
  R()->DrawVertices(kPrimitiveTriangleList, &va);
  R()->DrawIndexedVertices(kPrimitiveTriangleList, &va, nullptr, 3);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"BeginDraw 0"}));
  R()->Begin2d();
  R()->DrawVertices(kPrimitiveTriangleList, &va);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"Begin2d", "DrawVertices 4 kind 2 count 3"}));
}

TEST_F(RendererTest, RenderTargetsAreRefusedSilentlyForSimpleTexturesAndOpenFrames) {
  PutSolidPng("cursor.png", 4, 4);
  auto simple = TTexture::GetSimple(TStr("cursor.png"));
  ASSERT_TRUE(simple);
  auto target = TTexture::CreateRenderTarget(8, 8);
  ASSERT_TRUE(target);
  size_t logBefore = LogText().size();

  EXPECT_FALSE(R()->BeginRenderTarget(simple, 0));
  R()->BeginDraw(0);
  EXPECT_FALSE(R()->BeginRenderTarget(target, 0));
  R()->EndDraw(0);
  EXPECT_TRUE(R()->BeginRenderTarget(target, 0));
  EXPECT_TRUE(R()->IsDrawing());
  EXPECT_TRUE(R()->IsInRenderTarget());
  EXPECT_TRUE(R()->Begin2d());
  R()->End2d();
  R()->EndRenderTarget();
  EXPECT_FALSE(R()->IsDrawing());
  EXPECT_EQ(LogText().substr(logBefore), "");

  Backend().renderTargetResult = false;
  EXPECT_FALSE(R()->BeginRenderTarget(target, 0));
  EXPECT_FALSE(R()->IsDrawing());
}

TEST_F(RendererTest, FramesPerSecondEveryFifteenthFrame) {
  for (int i = 0; i < 14; ++i) {
    R()->BeginDraw(0);
    R()->EndDraw(0);
    EXPECT_EQ(R()->GetFramesPerSecond(), 0.0f);
    gNow += 20;
  }
  R()->BeginDraw(0);
  R()->EndDraw(0);
  // The slot-0 stamp is 14 frames (280 ms) old.
  EXPECT_NEAR(R()->GetFramesPerSecond(), 15000.0f / 280.0f, 0.01f);
  // The clock wrapping past 2^32 between frames still gives the true interval.
  gNow = 0xFFFFFFFFu - 100;
  for (int i = 0; i < 15; ++i) {
    R()->BeginDraw(0);
    R()->EndDraw(0);
    gNow += 10;
  }
  EXPECT_NEAR(R()->GetFramesPerSecond(), 15000.0f / 140.0f, 0.01f);
}

TEST_F(RendererTest, ClipStack) {
  EXPECT_EQ(R()->GetClipRect(), TRect());
  R()->PopClipRect();
  EXPECT_EQ(Calls(), std::vector<std::string>{});

  R()->SetClipRect(TRect(1, 2, 3, 4));  // pushes onto an empty stack
  R()->PushClipRect(TRect(5, 6, 7, 8));
  R()->SetClipRect(TRect(9, 9, 10, 10));  // replaces the top
  EXPECT_EQ(R()->GetClipRect(), TRect(9, 9, 10, 10));
  R()->PopClipRect();
  EXPECT_EQ(R()->GetClipRect(), TRect(1, 2, 3, 4));
  R()->PopClipRect();  // one entry: kept, nothing applied
  EXPECT_EQ(R()->GetClipRect(), TRect(1, 2, 3, 4));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"SetClipRect 1,2,3,4", "SetClipRect 5,6,7,8", "SetClipRect 9,9,10,10",
                                               "SetClipRect 1,2,3,4"}));
}

TEST_F(RendererTest, FillRectWithoutTextureIsViewportRelativeAndKeptInside) {
  R()->SetViewport(TRect(100, 100, 140, 200));
  Calls();
  R()->FillRect(TRect(-10, -10, 50, 50), TColor(1, 0, 0, 1));
  PutSolidPng("t.png", 2, 2);
  R()->FillRect(TRect(-10, -10, 50, 50), TColor(1, 0, 0, 1), TTexture::Get(TStr("t.png")));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"FillRect 100,100,140,150", "FillRect -10,-10,50,50 texture"}));
  R()->PushViewport(TRect(0, 0, 10, 10));
  EXPECT_EQ(R()->GetViewport(), TRect(0, 0, 10, 10));
  R()->PopViewport();
  EXPECT_EQ(R()->GetViewport(), TRect(100, 100, 140, 200));
}

TEST_F(RendererTest, StateForwardingAndItsLimits) {
  PutSolidPng("cursor.png", 2, 2);
  R()->SetTexture(TTexture::GetSimple(TStr("cursor.png")));  // simple textures are plain surfaces
  EXPECT_EQ(R()->GetTexture(), nullptr);
  R()->SetBlendMode(5);
  R()->SetBlendMode(-1);
  R()->SetBlendMode(4);
  R()->SetOption(TStr("fps"), TStr("0"));
  EXPECT_FALSE(R()->IsFpsShown());
  R()->SetOption(TStr("antialias"), TStr("1"));
  EXPECT_EQ(Calls(), (std::vector<std::string>{"SetTexture none", "SetBlendMode 4", "SetOption fps=0",
                                               "SetOption antialias=1"}));
  Backend().sixteenBit = "1";
  EXPECT_EQ(R()->GetOption(TStr("16bitmode")), TStr("1"));
}

TEST_F(RendererTest, CaptureTextureMustMatchTheRootWindow) {
  auto small = TTexture::CreateRenderTarget(400, 300);
  auto exact = TTexture::CreateRenderTarget(800, 600);
  R()->SetCaptureTexture(small);
  EXPECT_EQ(R()->GetCaptureTexture(), nullptr);
  R()->SetCaptureTexture(exact);
  EXPECT_EQ(R()->GetCaptureTexture(), exact);
  R()->SetCaptureTexture(small);  // ignored: the earlier one stays
  EXPECT_EQ(R()->GetCaptureTexture(), exact);
  R()->SetCaptureTexture(nullptr);
  EXPECT_EQ(R()->GetCaptureTexture(), nullptr);

  TRenderer::SetRootSizeQuery([](int* w, int* h) { *w = 400; *h = 300; return true; });
  R()->SetCaptureTexture(small);
  EXPECT_EQ(R()->GetCaptureTexture(), small);
  TRenderer::SetRootSizeQuery(nullptr);
}

TEST_F(RendererTest, DebugOverlay) {
  EXPECT_FALSE(R()->ToggleDebugInfo());  // now on
  SetSetting(TStr("texture_ram_allocated"), TStr("2048"));
  SetSetting(TStr("max_texture_ram_allocated"), TStr("-1536"));
  SetSetting(TStr("current_sprite_count"), TStr("7"));
  R()->BeginDraw(0);
  Calls();
  R()->EndDraw(3);
  std::vector<std::string> calls = Calls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 2),
            (std::vector<std::string>{"Begin2d", "FillRect 0,0,300,64"}));
  EXPECT_EQ(std::vector<std::string>(calls.end() - 2, calls.end()), (std::vector<std::string>{"End2d", "EndDraw 3"}));
  // The text itself reaches the device between the two.
  EXPECT_NE(std::find_if(calls.begin(), calls.end(), [](const std::string& c) { return c.rfind("DrawVertices", 0) == 0; }),
            calls.end());
  EXPECT_STREQ(R()->GetOverlayText().c_str(),
               "Orvella Version 4.0.17.2<br>0.000000 FPS<tab pos='150'>Sprites: 7<br>Mem: 0kB<tab pos='150'>TexMem: "
               "2kB<br>MaxMem: 0kB<tab pos='150'>MaxTexMem: -1kB<br>");
  EXPECT_TRUE(R()->ToggleDebugInfo());  // now off
  R()->BeginDraw(0);
  Calls();
  R()->EndDraw(0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"EndDraw 0"}));
}

TEST_F(RendererTest, DestroyMakesAFreshRendererOnTheNextGet) {
  R()->SetClipRect(TRect(1, 1, 2, 2));
  R()->ToggleDebugInfo();
  TRenderer::Destroy();
  EXPECT_EQ(R()->GetClipRect(), TRect());
  EXPECT_FALSE(R()->IsDebugInfoOn());
}

}  // namespace

namespace {

TEST_F(RendererTest, ThePlatformSeamDrivesTheRenderer) {
  InstallRendererService();
  std::unique_ptr<TPlatformRenderer> service(MakeRenderer());
  SetRendererFactory(nullptr);
  Calls();
  service->ClearRect(0, 0, 800, 600);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"FillRect 0,0,800,600"}));
  service->ToggleDebugOverlay();
  EXPECT_TRUE(R()->IsDebugInfoOn());
  int l, t, r, b;
  service->GetViewport(l, t, r, b);
  EXPECT_EQ(TRect(l, t, r, b), TRect(0, 0, 800, 600));
  // The platform deletes its renderer at shut-down, and the renderer goes with it.
  service.reset();
  EXPECT_FALSE(R()->IsDebugInfoOn());
}

}  // namespace
