// A small sprite scene drawn through the real display handler on the display stand-in and
// compared with a golden picture (looked at by eye when it was made; ORVELLA_UPDATE_GOLDEN=1
// writes it anew), and the pixel-exact hit test reading what the stand-in drew.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/sprites/sprite.h"
#include "core/graphics/texture.h"
#include "tests/core/graphics/directx/scene_fixture.h"

namespace {

class SpriteScene : public displaytest::SceneTest {
 protected:
  void ExpectGolden(const std::string& name, int width, int height) {
    ExpectFrameGolden("tests/core/graphics/golden/" + name + ".png", width, height);
  }
};

// A 16 x 16 ring: opaque red, its rim fading out, clear in the middle.
std::vector<uint32_t> Ring() {
  std::vector<uint32_t> p;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      float d = std::hypot(x - 7.5f, y - 7.5f);
      int a = d < 4 ? 0 : d < 6 ? 255 : d < 8 ? (int)(255 * (8 - d) / 2) : 0;
      p.push_back((uint32_t)a << 24 | 0xE02020u);
    }
  return p;
}

// 8 x 8 stripes with a white left column and a yellow top row, so flips show.
std::vector<uint32_t> Stripes() {
  std::vector<uint32_t> p;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      p.push_back(x == 0 ? 0xFFFFFFFFu : y == 0 ? 0xFFFFE000u : (x / 2) % 2 ? 0xFF2040C0u : 0xFF20A040u);
  return p;
}

TEST_F(SpriteScene, GoldenFrame) {
  PutPng("ring.png", 16, 16, Ring());
  PutPng("stripes.png", 8, 8, Stripes());
  std::vector<uint32_t> sheet(32 * 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) sheet[(size_t)y * 32 + x] = x < 16 ? 0xFFFF8000u : (x + y) % 4 ? 0xFF8000FFu : 0u;
  PutPng("sheet.png", 32, 16, sheet);
  PutFile("walk.xml",
          "<sequence name=\"walk\"><img name=\"sheet.png\"/><framelist>"
          "<frame x=\"0\" y=\"0\" w=\"16\" h=\"16\" regx=\"0\" regy=\"0\"/>"
          "<frame x=\"16\" y=\"0\" w=\"16\" h=\"16\" regx=\"8\" regy=\"16\" alpha=\"0.75\"/>"
          "</framelist></sequence>");
  auto ring = TTexture::Get(TStr("ring.png"));
  auto stripes = TTexture::Get(TStr("stripes.png"));
  auto walk = TAnimatedTexture::Get(TStr("walk.xml"));
  ASSERT_TRUE(ring && stripes && walk) << Log();
  walk->SetFrame(1);

  auto root = TSprite::Create();
  auto add = [&](std::shared_ptr<TSprite> parent, int layer, std::shared_ptr<TTexture> t, float x, float y) {
    auto s = TSprite::Create(layer, t);
    s->SetPosition(TVec2(x, y));
    parent->AddChild(s);
    return s;
  };
  add(root, 0, ring, 24, 24);
  add(root, -1, stripes, 24, 24)->GetDrawSpec().mMatrix.Scale(3.0f);  // behind the ring
  auto flippedH = add(root, 1, stripes, 64, 24);
  flippedH->GetDrawSpec().mMatrix.Scale(2.0f);
  flippedH->GetDrawSpec().mFlags |= TDrawSpec::kFlipHorizontal;
  auto faded = add(root, 1, stripes, 104, 24);
  faded->GetDrawSpec().mMatrix.Scale(2.0f);
  faded->GetDrawSpec().mFlags |= TDrawSpec::kFlipVertical;
  faded->SetAlpha(0.5f);
  auto turned = add(root, 1, stripes, 24, 76);
  turned->GetDrawSpec().mMatrix.Rotate(0.5f);
  turned->GetDrawSpec().mMatrix.Scale(2.0f);
  auto glow = add(root, 2, ring, 64, 76);
  glow->GetDrawSpec().mBlendMode = kBlendAdditive;
  // Drawn next, with a spec that keeps the current blend mode: the ring's additive one.
  add(root, 2, stripes, 68, 80);
  add(root, 3, walk, 104, 92);    // standing on its registration point
  auto group = add(root, 4, nullptr, 140, 76);
  group->GetDrawSpec().mFlags |= TDrawSpec::kFlipHorizontal;
  group->SetAlpha(0.5f);
  add(group, 0, stripes, 0, 0)->GetDrawSpec().mMatrix.Scale(2.0f);

  TRenderer* r = TRenderer::Get();
  ASSERT_TRUE(r->BeginDraw(1)) << Log();
  ASSERT_TRUE(r->Begin2d());
  r->FillRect(TRect(0, 0, 160, 120), TColor(0.2f, 0.25f, 0.3f, 1));
  root->Draw(TDrawSpec());
  r->End2d();
  r->EndDraw(1);
  ExpectGolden("sprite_scene", 160, 120);
}

TEST_F(SpriteScene, HitTestReadsWhatTheDisplayDrew) {
  // Left column clear, right column opaque.
  PutPng("hit.png", 2, 2, {0x00FFFFFFu, 0xFF102030u, 0x00FFFFFFu, 0xFF102030u});
  auto sprite = TSprite::Create(0, TTexture::Get(TStr("hit.png")));
  sprite->GetDrawSpec().SetOrigin(TVec2(0, 0));
  sprite->SetPosition(TVec2(10, 20));
  EXPECT_FALSE(sprite->HitTest(TVec2(10, 20), 1));
  EXPECT_FALSE(sprite->HitTest(TVec2(10, 21), 1));
  EXPECT_TRUE(sprite->HitTest(TVec2(11, 20), 1));
  EXPECT_TRUE(sprite->HitTest(TVec2(11, 21), 255));
  EXPECT_FALSE(sprite->HitTest(TVec2(12, 20), 1));  // outside the sprite
  // Flipped, the clear column is on the right.
  sprite->GetDrawSpec().mFlags |= TDrawSpec::kFlipHorizontal;
  EXPECT_TRUE(sprite->HitTest(TVec2(10, 20), 1));
  EXPECT_FALSE(sprite->HitTest(TVec2(11, 20), 1));
}

}  // namespace
