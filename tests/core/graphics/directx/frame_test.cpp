// Frame drawing: scenes, the 2D and 3D state sets and the blend-mode table (normal and inside an
// alpha-mask target), viewports, the 2D projection, vertex drawing and rectangle fills, read back
// from the stand-in device's states and pixels.
#include <cmath>

#include "core/graphics/vertex_array.h"
#include "tests/core/graphics/directx/display_fixture.h"

using namespace displaytest;
namespace TD = TestControl::Display;

namespace {

class FrameTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    MakeDisplay();
    Open(false);
    ASSERT_TRUE(display->IsDisplayReady());
    device = display->GetDevice();
  }
  DWORD State(D3DRENDERSTATETYPE s) {
    DWORD v = 0;
    EXPECT_EQ(device->GetRenderState(s, &v), D3D_OK);
    return v;
  }
  DWORD Stage(D3DTEXTURESTAGESTATETYPE s) {
    DWORD v = 0;
    EXPECT_EQ(device->GetTextureStageState(0, s, &v), D3D_OK);
    return v;
  }
  uint32_t BackPixel(int x, int y) {
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    EXPECT_TRUE(TD::ReadSurface(display->GetRenderSurface(), px, w, h));
    return px.empty() ? 0 : px[(size_t)y * w + x];
  }
  LPDIRECT3DDEVICE7 device = nullptr;
};

TEST_F(FrameTest, Begin2dAndBegin3dStateSets) {
  ASSERT_TRUE(display->BeginDraw(1));
  display->Begin3d();
  EXPECT_EQ(State(D3DRENDERSTATE_SPECULARENABLE), (DWORD)TRUE);
  EXPECT_EQ(State(D3DRENDERSTATE_CLIPPING), (DWORD)TRUE);
  EXPECT_EQ(State(D3DRENDERSTATE_ZENABLE), (DWORD)D3DZB_TRUE);
  EXPECT_EQ(State(D3DRENDERSTATE_ZWRITEENABLE), (DWORD)TRUE);
  EXPECT_EQ(State(D3DRENDERSTATE_CULLMODE), (DWORD)D3DCULL_CCW);
  EXPECT_EQ(Stage(D3DTSS_ADDRESSU), (DWORD)D3DTADDRESS_WRAP);
  EXPECT_EQ(Stage(D3DTSS_ADDRESSV), (DWORD)D3DTADDRESS_WRAP);

  display->Begin2d();
  const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {
      {D3DRENDERSTATE_SPECULARENABLE, FALSE}, {D3DRENDERSTATE_CLIPPING, FALSE},
      {D3DRENDERSTATE_ZENABLE, D3DZB_FALSE},  {D3DRENDERSTATE_ZWRITEENABLE, FALSE},
      {D3DRENDERSTATE_CULLMODE, D3DCULL_NONE}, {D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA},
      {D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA}, {D3DRENDERSTATE_ALPHABLENDENABLE, TRUE},
      // Default device state of the set-up.
      {D3DRENDERSTATE_AMBIENT, 0xFFFFFFFFu}, {D3DRENDERSTATE_ALPHATESTENABLE, TRUE},
      {D3DRENDERSTATE_ALPHAREF, 1}, {D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATEREQUAL},
      {D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRENDERSTATE_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL},
  };
  for (auto& s : states) EXPECT_EQ(State(s.first), s.second) << s.first;
  const std::pair<D3DTEXTURESTAGESTATETYPE, DWORD> stages[] = {
      {D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP}, {D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP},
      {D3DTSS_MINFILTER, D3DTFN_LINEAR},     {D3DTSS_MAGFILTER, D3DTFG_LINEAR},
      {D3DTSS_MIPFILTER, D3DTFP_LINEAR},     {D3DTSS_COLORARG1, D3DTA_TEXTURE},
      {D3DTSS_COLOROP, D3DTOP_MODULATE},     {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
      {D3DTSS_ALPHAOP, D3DTOP_MODULATE},
  };
  for (auto& s : stages) EXPECT_EQ(Stage(s.first), s.second) << s.first;
  display->End2d();
  display->EndDraw(1);
}

// The blend table, per mode: render states and the stage-0 set-up that follows.
struct BlendCase {
  int mode;
  bool newSubtractive;
  bool blending;
  DWORD source, destination;  // when blending
  DWORD alphaArg, alphaOp;
};

TEST_F(FrameTest, BlendModesOnTheScreen) {
  const BlendCase cases[] = {
      {0, false, true, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DTA_TEXTURE, D3DTOP_MODULATE},
      {1, false, false, 0, 0, D3DTA_TFACTOR, D3DTOP_SELECTARG1},
      {2, false, true, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DTA_TEXTURE, D3DTOP_MODULATE},
      {3, false, true, D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, D3DTA_TEXTURE, D3DTOP_MODULATE},
      {3, true, true, D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, D3DTA_TFACTOR, D3DTOP_SELECTARG1},
      {4, false, true, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DTA_TEXTURE, D3DTOP_MODULATE},
  };
  for (const BlendCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " new_subtractive " << c.newSubtractive);
    display->SetOption("new_subtractive", c.newSubtractive ? "1" : "0");
    display->SetBlendMode(c.mode);
    EXPECT_EQ(display->GetBlendMode(), c.mode);
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHABLENDENABLE), (DWORD)c.blending);
    if (c.blending) {
      EXPECT_EQ(State(D3DRENDERSTATE_SRCBLEND), c.source);
      EXPECT_EQ(State(D3DRENDERSTATE_DESTBLEND), c.destination);
    }
    EXPECT_EQ(State(D3DRENDERSTATE_TEXTUREFACTOR), 0xFFFFFFFFu);
    EXPECT_EQ(Stage(D3DTSS_COLORARG1), (DWORD)D3DTA_TEXTURE);
    EXPECT_EQ(Stage(D3DTSS_COLOROP), (DWORD)D3DTOP_MODULATE);
    EXPECT_EQ(Stage(D3DTSS_ALPHAARG1), c.alphaArg);
    EXPECT_EQ(Stage(D3DTSS_ALPHAOP), c.alphaOp);
  }
  display->SetBlendMode(2);
  display->SetBlendMode(7);  // not a mode: nothing changes
  EXPECT_EQ(display->GetBlendMode(), 2);
  EXPECT_EQ(State(D3DRENDERSTATE_DESTBLEND), (DWORD)D3DBLEND_ONE);
}

TEST_F(FrameTest, BlendModesInsideAnAlphaMaskTarget) {
  struct MaskCase {
    int mode;
    bool newSubtractive, newRenderBlend, textured;
    DWORD source, destination, colourArg;
  };
  const MaskCase cases[] = {
      {0, false, false, false, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE},
      {0, false, false, true, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE},
      {2, false, false, false, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE},
      {3, false, false, false, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE},
      {3, true, false, false, D3DBLEND_ONE, D3DBLEND_ONE, D3DTA_TFACTOR},
      {4, false, false, false, D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE},
      {0, false, true, true, D3DBLEND_SRCALPHA, D3DBLEND_ONE, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE},
  };
  TRenderer* renderer = TRenderer::Get();
  auto mask = TTexture::CreateRenderTarget(32, 32);
  auto image = TTexture::CreateRenderTarget(8, 8);
  ASSERT_TRUE(mask && image);
  ASSERT_TRUE(renderer->BeginRenderTarget(mask, 4));
  for (const MaskCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " sub " << c.newSubtractive << " blend "
                                      << c.newRenderBlend << " textured " << c.textured);
    display->SetOption("new_subtractive", c.newSubtractive ? "1" : "0");
    display->SetOption("new_render_blend", c.newRenderBlend ? "1" : "0");
    display->SetTexture(c.textured ? image : nullptr);
    display->SetBlendMode(c.mode);
    EXPECT_EQ(State(D3DRENDERSTATE_SRCBLEND), c.source);
    EXPECT_EQ(State(D3DRENDERSTATE_DESTBLEND), c.destination);
    EXPECT_EQ(Stage(D3DTSS_COLORARG1), c.colourArg);
    // Full opacity: the mask collects in the colour channels.
    EXPECT_EQ(Stage(D3DTSS_ALPHAARG1), (DWORD)D3DTA_TFACTOR);
    EXPECT_EQ(Stage(D3DTSS_ALPHAOP), (DWORD)D3DTOP_SELECTARG1);
    if (c.newRenderBlend && c.textured) {
      EXPECT_EQ(Stage(D3DTSS_COLORARG2), (DWORD)(D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE));
      EXPECT_EQ(Stage(D3DTSS_COLOROP), (DWORD)D3DTOP_MODULATE);
    } else {
      EXPECT_EQ(Stage(D3DTSS_COLOROP), (DWORD)D3DTOP_SELECTARG1);
    }
  }
  display->SetTexture(nullptr);
  renderer->EndRenderTarget();
  // Out of the target, the screen variants again.
  display->SetBlendMode(0);
  EXPECT_EQ(State(D3DRENDERSTATE_DESTBLEND), (DWORD)D3DBLEND_INVSRCALPHA);
}

TEST_F(FrameTest, BeginDrawSkipsAFrameWhoseFlipIsStillDrawing) {
  TD::SetStillDrawing(1);
  EXPECT_FALSE(display->BeginDraw(1));
  EXPECT_FALSE(display->IsInScene());
  EXPECT_EQ(display->GetWorkingCount(), 0u);
  EXPECT_TRUE(display->BeginDraw(1));
  EXPECT_EQ(display->GetWorkingCount(), 1u);
  int presents = TD::GetPresentCount();
  display->EndDraw(1);
  display->EndDraw(1);  // nothing open: nothing happens
  EXPECT_EQ(TD::GetPresentCount(), presents + 1);
}

TEST_F(FrameTest, NoPresentWhileAMoviePlays) {
  host.moviePlaying = true;
  int presents = TD::GetPresentCount();
  ASSERT_TRUE(display->BeginDraw(1));
  display->EndDraw(1);
  EXPECT_EQ(TD::GetPresentCount(), presents);
}

TEST_F(FrameTest, ViewportsAreClampedAndAnImpossibleOneIsRefused) {
  struct Case {
    TRect asked;
    D3DVIEWPORT7 applied;
  };
  const Case cases[] = {
      {TRect(10, 20, 110, 220), {10, 20, 100, 200, 0, 1}},
      {TRect(-10, -10, 50, 50), {0, 0, 50, 50, 0, 1}},
      {TRect(100, 100, 50, 300), {100, 100, 0, 200, 0, 1}},  // right < left: empty width
      {TRect(700, 500, 900, 900), {700, 500, 100, 100, 0, 1}},
      {TRect(900, 700, 950, 750), {799, 599, 1, 1, 0, 1}},  // past the display: its last pixel
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.asked.left << "," << c.asked.top);
    display->SetViewport(c.asked.left, c.asked.top, c.asked.right, c.asked.bottom);
    D3DVIEWPORT7 vp{};
    device->GetViewport(&vp);
    EXPECT_EQ(vp.dwX, c.applied.dwX);
    EXPECT_EQ(vp.dwY, c.applied.dwY);
    EXPECT_EQ(vp.dwWidth, c.applied.dwWidth);
    EXPECT_EQ(vp.dwHeight, c.applied.dwHeight);
  }
  // The display's clip rectangle bounds what is applied.
  display->SetClipRect(TRect(0, 0, 40, 30));
  display->SetViewport(10, 10, 100, 100);
  D3DVIEWPORT7 vp{};
  device->GetViewport(&vp);
  EXPECT_EQ(vp.dwWidth, 30u);
  EXPECT_EQ(vp.dwHeight, 20u);
  int l, t, r, b;
  display->GetViewport(&l, &t, &r, &b);
  EXPECT_EQ(TRect(l, t, r, b), TRect(10, 10, 100, 100));
}

TEST_F(FrameTest, ABadViewportKeepsTheOldOne) {
  display->SetViewport(10, 10, 100, 100);
  // A scale that takes the viewport past the back buffer makes the device refuse it.
  host.scaling = true;
  host.scale = 4.0f;
  display->SetViewport(20, 20, 700, 500);
  host.scaling = false;
  EXPECT_TRUE(Logged("Bad viewport: 20, 20, 700, 500"));
  int l, t, r, b;
  display->GetViewport(&l, &t, &r, &b);
  EXPECT_EQ(TRect(l, t, r, b), TRect(10, 10, 100, 100));
}

TEST_F(FrameTest, ViewportStackPushAndPop) {
  display->SetViewport(0, 0, 800, 600);
  display->PushViewport(10, 10, 20, 20);
  display->PushViewport(30, 30, 40, 40);
  display->PopViewport();
  int l, t, r, b;
  display->GetViewport(&l, &t, &r, &b);
  EXPECT_EQ(TRect(l, t, r, b), TRect(10, 10, 20, 20));
  display->PopViewport();
  display->PopViewport();  // an empty stack: logged, nothing else
  display->GetViewport(&l, &t, &r, &b);
  EXPECT_EQ(TRect(l, t, r, b), TRect(0, 0, 800, 600));
}

TEST_F(FrameTest, QuadsLandOnWholePixelsWithTheTexelOffset) {
  ASSERT_TRUE(display->BeginDraw(1));
  display->Begin2d();
  TVertex quad[4];
  float corners[4][2] = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
  for (int i = 0; i < 4; ++i) {
    quad[i].x = corners[i][0];
    quad[i].y = corners[i][1];
    quad[i].z = 0.1f;
    quad[i].diffuse = 0xFFFF0000u;
  }
  TVertexArray array = TVertexArray::Create2d(quad, 4);
  display->SetTexture(nullptr);
  display->DrawVertices(6, &array);
  display->End2d();
  display->EndDraw(0);
  EXPECT_EQ(BackPixel(10, 10) & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(BackPixel(19, 19) & 0xFFFFFF, 0xFF0000u);
  EXPECT_NE(BackPixel(20, 20) & 0xFFFFFF, 0xFF0000u);
  EXPECT_NE(BackPixel(9, 9) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(FrameTest, RunningOutOfVideoMemorySwitchesTheNextSetUpToSixteenBitFullScreen) {
  // Every texture memory is full: the render target ends as a plain texture, which fails too.
  TD::FailSurfaceCreation(DDERR_OUTOFVIDEOMEMORY, -1, DDSCAPS_TEXTURE);
  EXPECT_FALSE(TTexture::CreateRenderTarget(64, 64));
  EXPECT_TRUE(Logged("OutOfVideoMemory triggered!"));
  EXPECT_TRUE(display->IsLowMemoryVideo());
  EXPECT_TRUE(display->IsBroken());
  // Drawing is refused while broken.
  EXPECT_FALSE(display->BeginDraw(1));
  TestControl::Display::Reset();
  TD::SetProfile(Desktop());
  display->SetDisplay(800, 600, false, true, false, false);
  auto boxes = TestControl::MessageBoxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().caption, "Reconfiguring");
  EXPECT_TRUE(display->IsFullScreen());
  EXPECT_EQ(display->GetDisplayDepth(), 16u);
  EXPECT_TRUE(Logged("SetDisplay Forcing Fullscreen (MEMORY)"));
}

// A fill outside a scene goes through DirectDraw, inside one as a quad: both give the same
// pixels, and channels outside 0..1 (NaN too) count as the nearest end of the range.
TEST_F(FrameTest, FillRectOnSixteenAndThirtyTwoBits) {
  const float nan = std::nanf("");
  struct Case {
    TColor colour;
    uint32_t at32, at16;
  } cases[] = {
      // Each channel is (value x mask) truncated and masked.
      {TColor(1, 0.5f, 0, 1), 0xFF7F00u, 0xF800u | ((uint32_t)(0.5 * 0x7E0) & 0x7E0u)},
      {TColor(1.5f, -0.5f, nan, 2), 0xFF0000u, 0xF800u},
      {TColor(nan, 7, -1e30f, nan), 0x00FF00u, 0x07E0u},
  };
  for (int bits : {32, 16}) {
    SCOPED_TRACE(bits);
    MakeDisplay(Desktop(1280, 1024, -1, bits));
    Open(false);
    ASSERT_TRUE(display->IsDisplayReady());
    display->SetClipRect(TRect(0, 0, 800, 600));
    auto pixel = [&](int x) {
      DDSURFACEDESC2 locked{};
      locked.dwSize = sizeof(locked);
      EXPECT_EQ(display->GetRenderSurface()->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
      uint32_t raw = bits == 32 ? ((uint32_t*)locked.lpSurface)[x] : ((uint16_t*)locked.lpSurface)[x];
      display->GetRenderSurface()->Unlock(nullptr);
      return bits == 32 ? raw & 0xFFFFFFu : raw;
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << c.colour.r << " " << c.colour.g << " " << c.colour.b << " " << c.colour.a);
      TColor black(0, 0, 0, 1);
      display->FillRect(0, 0, 800, 600, &black, nullptr);
      display->FillRect(-5, -5, 10, 10, &c.colour, nullptr);
      EXPECT_EQ(pixel(0), bits == 32 ? c.at32 : c.at16);
      EXPECT_EQ(pixel(10), 0u);
      ASSERT_TRUE(display->BeginDraw(0));
      display->FillRect(20, 0, 30, 10, &c.colour, nullptr);
      display->EndDraw(0);
      EXPECT_EQ(pixel(20), bits == 32 ? c.at32 : c.at16);
    }
  }
}

}  // namespace
