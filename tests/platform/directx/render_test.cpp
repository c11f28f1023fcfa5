// Conformance renders of the display stand-in's rasteriser: small scenes compared pixel for
// pixel with committed 64x64 golden images, plus exact checks of the fill rule and the blend maths.
#include <cmath>
#include <random>

#include "tests/platform/directx/dx_fixture.h"

#include "platform/directx/pixel_format.h"

using namespace dxtest;

namespace {

std::vector<uint32_t> Checker(int w, int h, int cell, uint32_t a, uint32_t b) {
  std::vector<uint32_t> px((size_t)w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[(size_t)y * w + x] = ((x / cell + y / cell) & 1) ? b : a;
  return px;
}

class RenderTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    MakeDevice();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
  }
  void TearDown() override {
    if (device) device->EndScene();
    DisplayTest::TearDown();
  }
  void Additive() {
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
  }
};

TEST_F(RenderTest, AdjacentTrianglesCoverEveryPixelOnce) {
  // Additive drawing shows a double-covered pixel as 0x80 and a gap as 0.
  Additive();
  const DWORD c = 0xFF404040u;
  const float cx = 31.3f, cy = 30.7f;
  const int n = 13;
  std::vector<TLVertex> fan{V(cx, cy, c)};
  for (int i = 0; i <= n; ++i) {
    double a = 2 * M_PI * i / n;
    fan.push_back(V(cx + 60 * (float)std::cos(a), cy + 60 * (float)std::sin(a), c));
  }
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_TLVERTEX, fan.data(), (DWORD)fan.size(), 0), D3D_OK);
  for (uint32_t p : Pixels()) ASSERT_EQ(p & 0xFFFFFF, 0x404040u);
}

TEST_F(RenderTest, FillRuleTakesTopAndLeftEdges) {
  // A quad on whole pixel edges covers exactly the pixel centres inside [x0, x1) x [y0, y1).
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1, 0);
  Quad(2.5f, 3.5f, 6.5f, 5.5f, 0xFFFFFFFFu);
  auto px = Pixels();
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool in = x >= 3 && x < 7 && y >= 4 && y < 6;
      EXPECT_EQ(px[(size_t)y * 64 + x] != 0, in) << x << "," << y;
    }
  // Sub-pixel vertices and a mix of thin slivers: the golden image holds the exact coverage.
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1, 0);
  Additive();
  TLVertex tris[] = {V(10.2f, 10.7f, 0xFF606000u), V(50.9f, 14.1f, 0xFF606000u), V(20.5f, 55.5f, 0xFF606000u),
                     V(50.9f, 14.1f, 0xFF006060u), V(20.5f, 55.5f, 0xFF006060u), V(60.0f, 60.0f, 0xFF006060u),
                     V(1.0f, 40.0f, 0xFF600060u), V(63.0f, 41.0f, 0xFF600060u), V(1.0f, 41.5f, 0xFF600060u)};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tris, 9, 0), D3D_OK);
  ExpectGolden("fill_rule");
}

TEST_F(RenderTest, LinesAndPoints) {
  std::vector<TLVertex> lines;
  for (int i = 0; i < 16; ++i) {
    double a = 2 * M_PI * i / 16;
    DWORD c = 0xFF000000u | (DWORD)(i * 16) << 16 | (DWORD)(255 - i * 16);
    lines.push_back(V(32, 32, c));
    lines.push_back(V(32 + 30 * (float)std::cos(a), 32 + 30 * (float)std::sin(a), 0xFFFFFFFFu));
  }
  ASSERT_EQ(device->DrawPrimitive(D3DPT_LINELIST, D3DFVF_TLVERTEX, lines.data(), (DWORD)lines.size(), 0), D3D_OK);
  TLVertex strip[] = {V(2, 2, 0xFF00FF00u), V(61, 2, 0xFF00FF00u), V(61, 61, 0xFF00FF00u), V(2, 61, 0xFF00FF00u), V(2, 2, 0xFF00FF00u)};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_LINESTRIP, D3DFVF_TLVERTEX, strip, 5, 0), D3D_OK);
  TLVertex pts[] = {V(5, 58, 0xFFFF0000u), V(7.4f, 58.6f, 0xFFFF0000u), V(-3, 5, 0xFFFF0000u), V(70, 70, 0xFFFF0000u)};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_POINTLIST, D3DFVF_TLVERTEX, pts, 4, 0), D3D_OK);
  ExpectGolden("lines");
}

TEST_F(RenderTest, BlendModes) {
  // Background: a grey ramp; over it one quad per blend factor pair the display uses.
  for (int i = 0; i < 8; ++i) {
    DWORD g = (DWORD)(i * 36);
    Quad(0, (float)i * 8, 64, (float)i * 8 + 8, 0xFF000000u | g << 16 | g << 8 | g);
  }
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  struct Mode {
    DWORD src, dst;
  } modes[] = {{D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, {D3DBLEND_SRCALPHA, D3DBLEND_ONE},
               {D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR},     {D3DBLEND_ZERO, D3DBLEND_SRCCOLOR},
               {D3DBLEND_ONE, D3DBLEND_ONE},              {D3DBLEND_DESTCOLOR, D3DBLEND_ZERO},
               {D3DBLEND_INVDESTCOLOR, D3DBLEND_ZERO},    {D3DBLEND_SRCALPHASAT, D3DBLEND_INVDESTALPHA}};
  for (int i = 0; i < 8; ++i) {
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, modes[i].src);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, modes[i].dst);
    Quad((float)i * 8, 0, (float)i * 8 + 8, 64, 0x80C06020u);
  }
  // Normal blending at alpha 0x80 is the rounded arithmetic on every channel, alpha included.
  auto mix = [](uint32_t s, uint32_t d) { return (uint32_t)std::lround((s * 128.0 + d * 127.0) / 255.0); };
  auto px = Pixels();
  EXPECT_EQ(px[0], mix(0x80, 0xFF) << 24 | mix(0xC0, 0) << 16 | mix(0x60, 0) << 8 | mix(0x20, 0));
  EXPECT_EQ(px[63 * 64 + 3], mix(0x80, 0xFF) << 24 | mix(0xC0, 252) << 16 | mix(0x60, 252) << 8 | mix(0x20, 252));
  ExpectGolden("blend_modes");
}

TEST_F(RenderTest, AlphaTest) {
  std::vector<uint32_t> ramp(16 * 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ramp[(size_t)y * 16 + x] = (DWORD)(x * 17) << 24 | 0x00FF8000u;
  auto* t = Texture(16, 16, ramp);
  device->SetTexture(0, t);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRENDERSTATE_ALPHAREF, 0x80);
  device->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  Quad(0, 0, 64, 32, 0xFFFFFFFFu);
  device->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_LESS);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  Quad(0, 32, 64, 64, 0xFFFFFFFFu);
  ExpectGolden("alpha_test");
}

TEST_F(RenderTest, DepthTest) {
  device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
  device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
  device->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL);
  Quad(4, 4, 44, 44, 0xFFFF0000u, 0, 0, 1, 1, 0.5f);
  Quad(20, 20, 60, 60, 0xFF00FF00u, 0, 0, 1, 1, 0.7f);  // behind: only outside the red square
  // A sloped triangle through both: z varies across it.
  TLVertex tri[] = {TLVertex{0, 63, 0.0f, 1, 0xFF0000FFu, 0, 0, 0}, TLVertex{63, 63, 1.0f, 1, 0xFF0000FFu, 0, 0, 0},
                    TLVertex{32, 0, 0.6f, 1, 0xFF0000FFu, 0, 0, 0}};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0), D3D_OK);
  device->SetRenderState(D3DRENDERSTATE_ZFUNC, D3DCMP_GREATER);
  device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
  Quad(0, 28, 64, 36, 0xFFFFFF00u, 0, 0, 1, 1, 0.55f);
  ExpectGolden("depth_test");
}

TEST_F(RenderTest, FilteringMipsAndAddressing) {
  auto checker = Checker(8, 8, 1, 0xFFFF0000u, 0xFF0000FFu);
  auto* small = Texture(8, 8, checker);
  device->SetTexture(0, small);
  device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
  Quad(0, 0, 32, 32, 0xFFFFFFFFu);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  Quad(32, 0, 64, 32, 0xFFFFFFFFu);
  // Minified 64x64 checker with its mip chain: point mip and linear mip.
  auto big = Checker(64, 64, 2, 0xFFFFFFFFu, 0xFF000000u);
  for (int y = 0; y < 64; ++y) big[(size_t)y * 64 + 10] = 0xFF00FF00u;
  auto* mipped = Texture(64, 64, big, true);
  device->SetTexture(0, mipped);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_POINT);
  Quad(0, 32, 16, 48, 0xFFFFFFFFu);
  device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
  Quad(16, 32, 28, 44, 0xFFFFFFFFu);
  // Addressing: the small checker repeated beyond 0..1 by wrap, mirror and clamp.
  device->SetTexture(0, small);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
  DWORD modes[] = {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP};
  for (int i = 0; i < 3; ++i) {
    device->SetTextureStageState(0, D3DTSS_ADDRESS, modes[i]);
    Quad(28.0f + i * 12, 32, 28.0f + i * 12 + 12, 64, 0xFFFFFFFFu, -0.6f, -1.2f, 1.7f, 2.5f);
  }
  ExpectGolden("filtering");
}

TEST_F(RenderTest, TextureStageCombinations) {
  auto checker = Checker(8, 8, 2, 0xC0FFFFFFu, 0x40808080u);
  auto* t = Texture(8, 8, checker);
  device->SetTexture(0, t);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_POINT);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetRenderState(D3DRENDERSTATE_TEXTUREFACTOR, 0xFF30A0F0u);
  Quad(0, 0, 64, 64, 0xFF203040u);  // background through the default stage: texture x diffuse colour, texture alpha
  struct Setup {
    DWORD cop, c1, c2, aop, a1, a2;
  } setups[] = {
      {D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_CURRENT},
      {D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_CURRENT},
      {D3DTOP_SELECTARG1, D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_TFACTOR, 0},
      {D3DTOP_MODULATE, D3DTA_DIFFUSE | D3DTA_ALPHAREPLICATE, D3DTA_TEXTURE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE},
      {D3DTOP_SELECTARG1, D3DTA_TFACTOR, D3DTA_CURRENT, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, D3DTA_CURRENT},
      {D3DTOP_ADD, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_SELECTARG2, D3DTA_TEXTURE, D3DTA_DIFFUSE},
      {D3DTOP_SUBTRACT, D3DTA_TEXTURE, D3DTA_DIFFUSE | D3DTA_COMPLEMENT, D3DTOP_SELECTARG1, D3DTA_TEXTURE, 0},
      {D3DTOP_MODULATE2X, D3DTA_TEXTURE, D3DTA_DIFFUSE, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE},
  };
  for (int i = 0; i < 8; ++i) {
    const Setup& s = setups[i];
    device->SetTextureStageState(0, D3DTSS_COLOROP, s.cop);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, s.c1);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, s.c2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, s.aop);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, s.a1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, s.a2);
    // Gouraud diffuse across each strip.
    float y0 = (float)i * 8, y1 = y0 + 8;
    TLVertex q[4] = {V(0, y0, 0x80FF0000u, 0, 0), V(64, y0, 0xFF00FF00u, 1, 0), V(0, y1, 0x400000FFu, 0, 1),
                     V(64, y1, 0xFFFFFFFFu, 1, 1)};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, q, 4, 0), D3D_OK);
  }
  // A stage without a texture reads as opaque white.
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  Quad(60, 60, 64, 64, 0xFF000000u);
  EXPECT_EQ(Pixels()[63 * 64 + 63], 0xFFFFFFFFu);
  ExpectGolden("texture_stages");
}

TEST_F(RenderTest, LitGeometryWithoutLights) {
  // Mesh vertices through world, view and an orthographic projection, lit with no lights:
  // ambient state x material ambient + emissive, alpha from the material diffuse.
  D3DXMATRIX proj, ident;
  D3DXMatrixOrthoOffCenterLH(&proj, 0.5f, 64.5f, 64.5f, 0.5f, 0.0f, 1.0f);
  D3DXMatrixIdentity(&ident);
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
  device->SetTransform(D3DTRANSFORMSTATE_WORLD, &ident);
  device->SetTransform(D3DTRANSFORMSTATE_VIEW, &ident);
  device->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
  device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0xFF808080u);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  D3DMATERIAL7 m{};
  m.diffuse = {1, 1, 1, 1};
  m.ambient = {1.0f, 0.5f, 0.0f, 1};
  m.emissive = {0.0f, 0.0f, 0.25f, 1};
  device->SetMaterial(&m);
  MeshVertex strip[] = {{4, 4, 0.5f, 0, 0, 1, 0, 0}, {40, 4, 0.5f, 0, 0, 1, 1, 0}, {4, 40, 0.5f, 0, 0, 1, 0, 1},
                        {40, 40, 0.5f, 0, 0, 1, 1, 1}};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_VERTEX, strip, 4, 0), D3D_OK);
  m.diffuse.a = 0.5f;
  m.ambient = {0, 1, 1, 1};
  m.emissive = {0, 0, 0, 1};
  device->SetMaterial(&m);
  MeshVertex tri[] = {{24, 24, 0.5f, 0, 0, 1, 0, 0}, {62, 30, 0.5f, 0, 0, 1, 0, 0}, {30, 62, 0.5f, 0, 0, 1, 0, 0}};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, tri, 3, 0), D3D_OK);
  auto px = Pixels();
  EXPECT_EQ(px[10 * 64 + 10], 0xFF804040u);  // r 0.5*1, g 0.5*0.5, b 0.25
  ExpectGolden("lit");
}

TEST_F(RenderTest, RectanglesAndFusedBlendingMatchTheGeneralPath) {
  // Quads drawn in one call take the rectangle path; the same triangles drawn one call each do not.
  // Transparent texels meet an alpha test that drops alpha 0 only.
  auto* t = Texture(16, 16, Checker(16, 16, 3, 0x00FF8000u, 0x800080FFu));
  device->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
  device->SetRenderState(D3DRENDERSTATE_ALPHAREF, 1);
  device->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  device->SetTexture(0, t);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_WRAP);
  device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
  device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
  device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
  struct R {
    float x0, y0, x1, y1, u0, v0, u1, v1;
  } rects[] = {{1.3f, 2.7f, 40.1f, 30.2f, 0, 0, 1, 1}, {20.5f, 10.5f, 60.5f, 50.5f, -0.3f, 0.1f, 2.2f, 1.7f},
               {-5, 40, 70, 63.9f, 0.5f, 0, 0.7f, 3}, {10.25f, 5.75f, 12.75f, 60.0f, 1, 1, 0, 0}};
  auto draw = [&](bool oneCall) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF203040u, 1, 0);
    for (auto& r : rects) {
      TLVertex a = V(r.x0, r.y0, 0xC0FFFFFFu, r.u0, r.v0), b = V(r.x1, r.y0, 0xC0FFFFFFu, r.u1, r.v0),
               c = V(r.x0, r.y1, 0xC0FFFFFFu, r.u0, r.v1), d = V(r.x1, r.y1, 0xC0FFFFFFu, r.u1, r.v1);
      TLVertex list[6] = {a, b, c, c, b, d};
      if (oneCall) {
        device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, list, 6, 0);
      } else {
        device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, list, 3, 0);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, list + 3, 3, 0);
      }
    }
    return Pixels();
  };
  auto asRects = draw(true);
  auto asTriangles = draw(false);
  // With (black) specular on, the pixels take the separate-pass path instead of the fused one.
  device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, TRUE);
  auto separate = draw(true);
  int differ = 0, differSeparate = 0;
  for (size_t i = 0; i < asRects.size(); ++i) {
    differ += asRects[i] != asTriangles[i];
    differSeparate += asRects[i] != separate[i];
  }
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(differSeparate, 0);
}

// Bilinear rectangles take a quicker path built for several vector widths: each must draw what
// the general path draws, at any scale, placement, addressing, colour, blend and alpha test,
// including the states and levels it leaves to the general path.
class RectanglePathsTest : public DisplayTest {
 protected:
  std::vector<uint32_t> Draw(TestControl::Display::RasterizerPaths paths, uint32_t seed) {
    TestControl::Display::SetRasterizerPaths(paths);
    std::mt19937 rng(seed);
    auto unit = [&] { return std::uniform_real_distribution<float>(0, 1)(rng); };
    auto pick = [&](int n) { return (int)(rng() % (uint32_t)n); };
    device->BeginScene();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF405060u, 1, 0);
    for (int n = 0; n < 60; ++n) {
      device->SetTexture(0, textures[(size_t)pick((int)textures.size())]);
      const DWORD modes[] = {D3DTADDRESS_WRAP, D3DTADDRESS_MIRROR, D3DTADDRESS_CLAMP};
      device->SetTextureStageState(0, D3DTSS_ADDRESSU, modes[pick(3)]);
      device->SetTextureStageState(0, D3DTSS_ADDRESSV, modes[pick(3)]);
      device->SetTextureStageState(0, D3DTSS_MAGFILTER, pick(8) ? D3DTFG_LINEAR : D3DTFG_POINT);
      device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
      device->SetTextureStageState(0, D3DTSS_MIPFILTER, pick(3) ? D3DTFP_POINT : D3DTFP_LINEAR);
      // Texture times colour, the texture alone, and now and then a combine left to the general path.
      const DWORD ops[][2] = {{D3DTOP_MODULATE, D3DTOP_MODULATE}, {D3DTOP_SELECTARG1, D3DTOP_SELECTARG1},
                              {D3DTOP_MODULATE, D3DTOP_SELECTARG1}};
      int op = pick(8) < 5 ? 0 : pick(8) < 6 ? 1 : 2;
      device->SetTextureStageState(0, D3DTSS_COLOROP, ops[op][0]);
      device->SetTextureStageState(0, D3DTSS_ALPHAOP, ops[op][1]);
      bool blend = pick(3) != 0;
      device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, blend);
      device->SetRenderState(D3DRENDERSTATE_SRCBLEND, pick(6) ? D3DBLEND_SRCALPHA : D3DBLEND_ONE);
      device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
      device->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, pick(2));
      const DWORD tests[] = {D3DCMP_GREATEREQUAL, D3DCMP_GREATER, D3DCMP_ALWAYS, D3DCMP_LESS};
      device->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, tests[pick(4)]);
      device->SetRenderState(D3DRENDERSTATE_ALPHAREF, pick(2) ? (DWORD)pick(3) : (DWORD)pick(256));
      bool depth = pick(10) == 0;
      device->SetRenderState(D3DRENDERSTATE_ZENABLE, depth);
      device->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, depth);
      const DWORD colours[] = {0xFFFFFFFFu, 0xE0FFFFFFu, 0x80FF8040u, 0xFF000000u, (DWORD)rng()};
      DWORD c = colours[pick(5)];
      // Scaled 0.1 to 3 times a 16-texel unit, sub-pixel corners, partly off the target.
      float w = 16 * (0.1f + 2.9f * unit()), h = pick(3) ? w : 16 * (0.1f + 2.9f * unit());
      float x = unit() * 80 - 16, y = unit() * 80 - 16;
      float u0 = pick(2) ? 0 : unit() * 2 - 1, v0 = pick(2) ? 0 : unit() * 2 - 1;
      float u1 = pick(2) ? 1 : u0 + unit() * 4 - 2, v1 = pick(2) ? 1 : v0 + unit() * 4 - 2;
      if (pick(4) == 0) x = std::floor(x) - 0.5f, y = std::floor(y) - 0.5f, u1 = u0 + w / 16, v1 = v0 + h / 16;
      Quad(x, y, x + w, y + h, c, u0, v0, u1, v1);
    }
    device->EndScene();
    return Pixels();
  }

  void ExpectPathsAgree(int seeds) {
    std::mt19937 rng(5);
    auto random = [&](int w, int h) {
      std::vector<uint32_t> px((size_t)w * h);
      for (auto& p : px) p = rng() | (rng() % 4 == 0 ? 0xFF000000u : 0u);
      return px;
    };
    Texture(16, 16, random(16, 16));
    Texture(64, 64, random(64, 64), true);
    Texture(8, 32, random(8, 32));
    Texture(1, 1, random(1, 1));
    using P = TestControl::Display::RasterizerPaths;
    for (uint32_t seed = 1; seed <= (uint32_t)seeds; ++seed) {
      auto general = Draw(P::kGeneral, seed);
      for (P paths : {P::kWidest, P::kVector256, P::kVector128}) {
        auto quick = Draw(paths, seed);
        int differ = 0;
        for (size_t i = 0; i < quick.size(); ++i) differ += quick[i] != general[i];
        EXPECT_EQ(differ, 0) << "seed " << seed << " paths " << (int)paths;
      }
    }
  }
};

TEST_F(RectanglePathsTest, AgreeOnArgbTargets) {
  MakeDevice();
  ExpectPathsAgree(40);
}

TEST_F(RectanglePathsTest, AgreeOnXrgbTargets) {
  DDPIXELFORMAT pf{};
  pf.dwSize = sizeof(pf);
  pf.dwFlags = DDPF_RGB;
  pf.dwRGBBitCount = 32;
  pf.dwRBitMask = 0xFF0000;
  pf.dwGBitMask = 0xFF00;
  pf.dwBBitMask = 0xFF;
  MakeDevice(64, 64, pf);
  ExpectPathsAgree(15);
}

TEST_F(RenderTest, PerspectiveMeshClippedAtTheNearPlane) {
  // A textured floor running from behind the eye into the distance, with depth testing, and a
  // cube-like strip in front: perspective-correct texture, near-plane clipping, z-buffer.
  auto* t = Texture(32, 32, Checker(32, 32, 4, 0xFFE0E0E0u, 0xFF306090u), true);
  D3DXMATRIX proj, view, world;
  D3DXMatrixPerspectiveFovLH(&proj, 0.7853982f, 1.0f, 0.1f, 1000.0f);
  D3DXMatrixTranslation(&view, 0, -1, 0);
  D3DXMatrixIdentity(&world);
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
  device->SetTransform(D3DTRANSFORMSTATE_VIEW, &view);
  device->SetTransform(D3DTRANSFORMSTATE_WORLD, &world);
  device->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
  device->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
  device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0xFFFFFFFFu);
  D3DMATERIAL7 m{};
  m.diffuse = {1, 1, 1, 1};
  m.ambient = {1, 1, 1, 1};
  device->SetMaterial(&m);
  device->SetTexture(0, t);
  device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_WRAP);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_POINT);
  MeshVertex floor[4] = {{-4, 0, -2, 0, 1, 0, 0, 0}, {4, 0, -2, 0, 1, 0, 8, 0}, {-4, 0, 30, 0, 1, 0, 0, 32},
                         {4, 0, 30, 0, 1, 0, 8, 32}};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_VERTEX, floor, 4, 0), D3D_OK);
  m.ambient = {1.0f, 0.4f, 0.2f, 1};
  device->SetMaterial(&m);
  device->SetTexture(0, nullptr);
  WORD idx[6] = {0, 1, 2, 2, 1, 3};
  MeshVertex box[4] = {{-0.5f, -0.2f, 3, 0, 0, -1, 0, 0}, {0.6f, -0.2f, 4, 0, 0, -1, 0, 0},
                       {-0.5f, 1.5f, 3, 0, 0, -1, 0, 0}, {0.6f, 1.5f, 4, 0, 0, -1, 0, 0}};
  ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, box, 4, idx, 6, 0), D3D_OK);
  ExpectGolden("perspective");
}

TEST_F(RenderTest, SixteenBitTargets) {
  // The low-memory display draws into 565; alpha render targets may be 4444.
  for (auto pf : {dx::Rgb565Format(), dx::Argb4444Format()}) {
    device->EndScene();
    device->Release();
    target->DeleteAttachedSurface(0, zbuffer);
    zbuffer->Release();
    target->Release();
    device = nullptr;
    zbuffer = target = nullptr;
    MakeDevice(64, 64, pf);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    auto* t = Texture(16, 16, Checker(16, 16, 2, 0xFFFF8000u, 0x400080FFu));
    device->SetTexture(0, t);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    Quad(0, 0, 64, 64, 0xFFFFFFFFu);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    TLVertex tri[3] = {V(10, 5, 0xC0FF0000u, 0, 0), V(60, 30, 0x8000FF00u, 1, 0), V(5, 60, 0xFF0000FFu, 0, 1)};
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0), D3D_OK);
    ExpectGolden(pf.dwRGBAlphaBitMask ? "target_4444" : "target_565");
  }
}

TEST_F(RenderTest, SameFrameIsIdenticalRunToRun) {
  auto draw = [&]() {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF102030u, 1, 0);
    auto* t = textures.empty() ? Texture(16, 16, Checker(16, 16, 3, 0xFFFF8000u, 0x800080FFu), true) : textures[0];
    device->SetTexture(0, t);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    for (int i = 0; i < 20; ++i) {
      float a = i * 0.37f;
      TLVertex tri[] = {V(32 + 30 * std::cos(a), 32 + 30 * std::sin(a), 0xC0FFFFFFu, 0, 0),
                        V(32 + 20 * std::cos(a + 2), 32 + 25 * std::sin(a + 2), 0xFF80FF80u, 3.3f, 0.2f),
                        V(32 + 10 * std::cos(a + 4), 32 + 28 * std::sin(a + 4), 0x80FF8080u, 0.7f, 2.1f)};
      device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0);
    }
    return Pixels();
  };
  auto first = draw();
  auto second = draw();
  EXPECT_EQ(first, second);
}

}  // namespace
