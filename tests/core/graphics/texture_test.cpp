// Texture names, options and cache keys; loading (extension fallback, alpha detection, masks,
// surface sizes and the size limit) on image files made here; the quad builder and Draw.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/base/asset_map.h"
#include "core/base/settings.h"
#include "core/graphics/sprites/animated_texture.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/texture.h"
#include "core/graphics/texture_data.h"
#include "core/graphics/vertex_array.h"
#include "tests/core/graphics/fake_display.h"

namespace {

class TextureTest : public DrawingTest {
 protected:
  static FakeTextureData* Data(const std::shared_ptr<TTexture>& t) { return static_cast<FakeTextureData*>(t->GetData()); }
  // A JPEG of one colour in the assets.
  void PutJpeg(const std::string& relative, int width, int height, unsigned char r, unsigned char g, unsigned char b) {
    std::vector<unsigned char> rgb;
    for (int i = 0; i < width * height; ++i) rgb.insert(rgb.end(), {r, g, b});
    PutAsset(relative, EncodeJpeg(width, height, rgb));
  }
};

TEST(TextureNames, CacheKeys) {
  const struct {
    const char* name;
    bool a, m, s;
    const char* key;
  } cases[] = {
      {"images/logo?alpha", true, true, false, "images/logo?alpha:a:m:tex"},
      {"a\\b.png", false, false, false, "a/b.png:tex"},
      {"a/b.png", false, false, false, "a/b.png:tex"},
      {"ui\\cursor", false, false, true, "ui/cursor:s:tex"},
      {"x", true, false, true, "x:a:s:tex"},
  };
  for (const auto& c : cases)
    EXPECT_STREQ(TTexture::MakeCacheKey(TStr(c.name), c.a, c.m, c.s).c_str(), c.key) << c.name;
  EXPECT_STREQ(TTexture::MakeMaskCacheKey(TStr("a\\img.jpg"), TStr("m.png"), true, false).c_str(), "a\\img.jpg:m.png:m:tex");
  EXPECT_STREQ(TTexture::MakeMaskCacheKey(TStr("i"), TStr("m"), false, true).c_str(), "i:m:s:tex");
}

TEST(TextureNames, OptionWords) {
  const struct {
    const char* options;
    uint8_t before, after;
  } cases[] = {
      {"", kTextureDetectAlpha, kTextureDetectAlpha},
      {"slow", kTextureDetectAlpha, kTextureDetectAlpha | kTextureSlow | kTextureSimple},
      {"simple", 0, kTextureSimple},
      {"alpha", kTextureDetectAlpha, kTextureAlpha},
      {"alphamipmap", kTextureDetectAlpha, kTextureAlpha | kTextureMipmap},  // no separator needed
      {"mipmap,slow", 0, kTextureMipmap | kTextureSlow | kTextureSimple},
      {"ALPHA", kTextureDetectAlpha, kTextureDetectAlpha},  // case counts
  };
  for (const auto& c : cases) EXPECT_EQ(ApplyTextureOptions(TStr(c.options), c.before), c.after) << c.options;
  TStr path, options;
  SplitTextureName(TStr("a/b.png?alpha?slow"), &path, &options);
  EXPECT_STREQ(path.c_str(), "a/b.png");
  EXPECT_STREQ(options.c_str(), "alpha?slow");
}

TEST_F(TextureTest, ExtensionFallbackKeepsOptionsAndPrefersPng) {
  PutSolidPng("both.png", 2, 2, 0x80FF0000u);
  PutJpeg("both.jpg", 2, 2, 0, 0, 255);
  PutJpeg("onlyjpg.jpg", 3, 1, 0, 255, 0);

  auto both = TTexture::Get(TStr("both"));
  ASSERT_TRUE(both);
  EXPECT_STREQ(both->GetFileName().c_str(), "both.png");
  auto jpg = TTexture::Get(TStr("onlyjpg?mipmap"));
  ASSERT_TRUE(jpg);
  EXPECT_STREQ(jpg->GetFileName().c_str(), "onlyjpg.jpg");
  EXPECT_TRUE(jpg->GetData()->HasFlag(kTextureMipmap));
  EXPECT_EQ(jpg->GetWidth(), 3);
  // A name that has an image extension is not completed.
  EXPECT_FALSE(TTexture::Get(TStr("onlyjpg.png")));
  EXPECT_FALSE(TTexture::Get(TStr("nothing")));
}

TEST_F(TextureTest, AlphaFollowsTheRequestOrTheImage) {
  PutSolidPng("rgba.png", 2, 2, 0x80FF0000u);
  PutSolidPng("rgba2.png", 2, 2, 0x80FF0000u);
  PutAsset("rgb.png", "");
  ASSERT_TRUE(WritePng(mTemp.File("assets/rgb.png"), Png(1, 1, PNG_COLOR_TYPE_RGB, 8, {10, 20, 30})));
  PutJpeg("photo.jpg", 1, 1, 200, 100, 50);
  const struct {
    const char* name;
    uint32_t request;
    bool alpha;
  } cases[] = {
      {"rgba.png", 0, true},   {"rgb.png", 0, false},  {"photo.jpg", 0, false},
      {"rgba2.png", TTexture::kRequestNoAlpha, false}, {"rgb.png", TTexture::kRequestAlpha, true},
      {"rgb.png?alpha", TTexture::kRequestNoAlpha, true},
  };
  for (const auto& c : cases) {
    auto t = TTexture::Get(TStr(c.name), c.request);
    ASSERT_TRUE(t) << c.name;
    EXPECT_EQ(t->HasAlpha(), c.alpha) << c.name << " " << c.request;
  }
  auto rgb = TTexture::Get(TStr("rgb.png"));
  EXPECT_EQ(Data(rgb)->Pixel(0, 0), 0xFF0A141Eu);
  auto photo = TTexture::Get(TStr("photo.jpg"));
  uint32_t p = Data(photo)->Pixel(0, 0);
  EXPECT_EQ(p >> 24, 0xFFu);
  EXPECT_NEAR((int)((p >> 16) & 0xFF), 200, 4);
  EXPECT_NEAR((int)((p >> 8) & 0xFF), 100, 4);
  EXPECT_NEAR((int)(p & 0xFF), 50, 4);
}

TEST_F(TextureTest, CacheReusesLiveTexturesPerKey) {
  PutSolidPng("a.png", 2, 2);
  auto first = TTexture::Get(TStr("a.png"));
  EXPECT_EQ(TTexture::Get(TStr("a.png")), first);
  EXPECT_EQ(TTexture::Get(TStr("a.png"), TTexture::kRequestNoAlpha), first);  // ":a" only for alpha
  auto withAlpha = TTexture::Get(TStr("a.png"), TTexture::kRequestAlpha);
  EXPECT_NE(withAlpha, first);
  EXPECT_EQ(mManager->FindAsset(TStr("a.png:a:tex")), withAlpha);
  EXPECT_EQ(mManager->FindAsset(TStr("a.png:tex")), first);
}

TEST_F(TextureTest, FailedLoadsLeaveNothingUnderTheirKey) {
  int before = mManager->GetAssetCount();
  EXPECT_FALSE(TTexture::Get(TStr("missing.png")));
  EXPECT_FALSE(TTexture::GetWithMask(TStr("missing.png"), TStr("m.png")));
  PutAsset("garbage.png", "not an image");
  EXPECT_FALSE(TTexture::GetSimple(TStr("garbage.png")));
  EXPECT_EQ(mManager->GetAssetCount(), before);
}

TEST_F(TextureTest, SizeLimitAndSurfaceRounding) {
  const struct {
    const char* name;
    int width, height;
    bool pow2;
    bool loads;
    int surfaceWidth, surfaceHeight;
  } cases[] = {
      {"w1024.png", 1024, 2, false, true, 1024, 2},
      {"w1025.png", 1025, 1, false, false, 0, 0},
      {"w1025.png?slow", 1025, 1, false, true, 1025, 1},
      {"w1025.png?simple", 1025, 1, true, true, 1025, 1},  // simple surfaces are never rounded
      {"odd.png", 100, 37, true, true, 128, 64},
      {"w1000.png", 1000, 3, true, true, 1024, 4},
      {"h1025.png", 1, 1025, true, false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeTextureData::gPowerOfTwo = c.pow2;
    TStr path, options;
    SplitTextureName(TStr(c.name), &path, &options);
    PutSolidPng(path.c_str(), c.width, c.height);
    auto t = TTexture::Get(TStr(c.name));
    ASSERT_EQ((bool)t, c.loads);
    if (!t) continue;
    // The image keeps its size; the surface behind it may be larger.
    EXPECT_EQ(t->GetWidth(), c.width);
    EXPECT_EQ(t->GetHeight(), c.height);
    int sw, sh;
    t->GetSurfaceSize(&sw, &sh);
    EXPECT_EQ(sw, c.surfaceWidth);
    EXPECT_EQ(sh, c.surfaceHeight);
  }
  auto slow = TTexture::Get(TStr("w1025.png?slow"));
  EXPECT_EQ(slow->GetData()->GetFlags() & (kTextureSlow | kTextureSimple), kTextureSlow | kTextureSimple);
}

TEST_F(TextureTest, MasksGiveTheAlphaChannel) {
  // A grey mask without alpha: its grey level is the alpha; a mask of another size stretches.
  PutPng("img.png", 2, 1, {0xFF102030u, 0xFF405060u});
  ASSERT_TRUE(WritePng(mTemp.File("assets/mask.png"), Png(1, 1, PNG_COLOR_TYPE_GRAY, 8, {0x40})));
  BuildFileMap();
  auto masked = TTexture::GetWithMask(TStr("img.png"), TStr("mask.png"));
  ASSERT_TRUE(masked);
  EXPECT_TRUE(masked->HasAlpha());
  EXPECT_EQ(Data(masked)->Pixel(0, 0), 0x40102030u);
  EXPECT_EQ(Data(masked)->Pixel(1, 0), 0x40405060u);
  EXPECT_EQ(mManager->FindAsset(TStr("img.png:mask.png:tex")), masked);
}

TEST_F(TextureTest, AutomaticJpegMaskFollowsTheSetting) {
  PutJpeg("pic.jpg", 2, 2, 255, 255, 255);
  PutPng("pic.mask.png", 2, 2, {0x00000000u, 0xFFFFFFFFu, 0x7F000000u, 0xFF000000u});
  SetSetting(SettingKey(kSettingAutoMergeMask), TStr("0"));
  auto plain = TTexture::Get(TStr("pic.jpg"));
  ASSERT_TRUE(plain);
  EXPECT_FALSE(plain->HasAlpha());
  plain.reset();

  SetSetting(SettingKey(kSettingAutoMergeMask), TStr("1"));
  for (uint32_t request : {0u, (uint32_t)TTexture::kRequestAlpha}) {
    auto merged = TTexture::Get(TStr("pic.jpg"), request);
    ASSERT_TRUE(merged);
    EXPECT_TRUE(merged->HasAlpha()) << request;
    EXPECT_EQ(Data(merged)->Pixel(0, 0) >> 24, 0x00u);
    EXPECT_EQ(Data(merged)->Pixel(1, 0) >> 24, 0xFFu);
    EXPECT_EQ(Data(merged)->Pixel(0, 1) >> 24, 0x7Fu);
  }
  // Asked for without alpha, the texture stays opaque.
  EXPECT_FALSE(TTexture::Get(TStr("pic.jpg"), TTexture::kRequestNoAlpha)->HasAlpha());
}

TEST_F(TextureTest, RenderTargetKeysGoWithTheirTexture) {
  auto target = TTexture::CreateRenderTarget(4, 4);
  ASSERT_TRUE(target);
  TStr key = TTexture::MakeRenderTargetKey(target.get());
  EXPECT_NE(std::string(key.c_str()).find(":tex:r"), std::string::npos);
  EXPECT_TRUE(target->GetData()->HasFlag(kTextureRenderTarget));
  int count = mManager->GetAssetCount();
  EXPECT_EQ(mManager->FindAsset(key), target);
  target.reset();
  EXPECT_EQ(mManager->GetAssetCount(), count - 1);

  // A named texture leaves its key (now dead) behind.
  PutSolidPng("named.png", 1, 1);
  TTexture::Get(TStr("named.png"));
  EXPECT_EQ(mManager->FindAsset(TStr("named.png:tex")), nullptr);
  EXPECT_EQ(mManager->GetAssetCount(), count);
  EXPECT_FALSE(TTexture::CreateRenderTarget(0, 4));
}

TEST_F(TextureTest, RestoreReloadsEveryLiveTexture) {
  PutSolidPng("r.png", 2, 2, 0xFF00FF00u);
  auto t = TTexture::Get(TStr("r.png"));
  auto target = TTexture::CreateRenderTarget(2, 2);
  mManager->RestoreAll();
  EXPECT_EQ(FakeTextureData::gRestores, 2);
  EXPECT_EQ(Data(t)->Pixel(1, 1), 0xFF00FF00u);
}

TEST(TexturedQuad, ColourChannelsAreClampedNotWrapped) {
  const struct {
    TColor colour;
    float alpha;
    uint32_t diffuse;
  } cases[] = {
      {TColor(1.0f, 0.5f, 0.0f, 1), 1.2f, 0xFFFF7F00u},
      {TColor(1.5f, -0.2f, 2.0f, 1), -1.0f, 0x00FF00FFu},
      {TColor(std::numeric_limits<float>::quiet_NaN(), 0.25f, 1e30f, 1), 0.5f, 0x7F003FFFu},
  };
  for (const auto& c : cases) {
    TVertex v[4];
    TVec2 corners[4] = {TVec2(0, 0), TVec2(1, 0), TVec2(1, 1), TVec2(0, 1)};
    BuildTexturedQuad(v, TVec2(), corners, TVec2(0, 0), TVec2(1, 1), TMat3(), c.alpha, c.colour);
    EXPECT_EQ(v[0].diffuse, c.diffuse);
    EXPECT_EQ(v[3].specular, 0xFF000000u);
  }
}

TEST(TexturedQuad, CornersAreTransformedAndWrittenBack) {
  TVertex v[4];
  TVec2 corners[4] = {TVec2(-1, -1), TVec2(1, -1), TVec2(1, 1), TVec2(-1, 1)};
  TMat3 m;
  m.Scale(2.0f);
  m.SetTranslation(TVec2(10, 20));
  BuildTexturedQuad(v, TVec2(100, 200), corners, TVec2(0.25f, 0.5f), TVec2(0.75f, 1.0f), m, 1.0f, TColor(1, 1, 1, 1));
  const float expect[4][4] = {{108, 218, 0.25f, 0.5f}, {112, 218, 0.75f, 0.5f}, {112, 222, 0.75f, 1.0f},
                              {108, 222, 0.25f, 1.0f}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(v[k].x, expect[k][0]);
    EXPECT_FLOAT_EQ(v[k].y, expect[k][1]);
    EXPECT_FLOAT_EQ(v[k].u, expect[k][2]);
    EXPECT_FLOAT_EQ(v[k].v, expect[k][3]);
    EXPECT_FLOAT_EQ(v[k].z, 0.1f);
    EXPECT_FLOAT_EQ(v[k].w, 0.5f);
  }
  EXPECT_EQ(corners[2], TVec2(12, 22));
}

TEST_F(TextureTest, DrawBuildsTheQuadOfTheSpec) {
  FakeTextureData::gPowerOfTwo = true;
  PutSolidPng("q.png", 6, 4);  // surface 8 x 4
  auto t = TTexture::Get(TStr("q.png"));
  ASSERT_TRUE(t);
  struct Case {
    const char* name;
    TDrawSpec spec;
    float x0, y0, x2, y2;  // corners 0 and 2 of the quad
    float u0, u1;          // u of corners 0 and 1
  };
  TDrawSpec centred(TVec2(50, 60));
  TDrawSpec origin(TVec2(50, 60));
  origin.SetOrigin(TVec2(1, 1));
  TDrawSpec flipped(TVec2(50, 60), 1.0f, 1.0f, TDrawSpec::kFlipHorizontal | TDrawSpec::kFlipVertical);
  TDrawSpec part(TVec2(0, 0));
  part.SetSourceRect(TRect(2, 0, 4, 4));
  part.SetOrigin(TVec2(0, 0));
  TDrawSpec scaled(TVec2(0, 0), 1.0f, 2.0f);
  const Case cases[] = {
      {"centred", centred, 47, 58, 53, 62, 0, 0.75f},
      {"origin", origin, 49, 59, 55, 63, 0, 0.75f},
      {"flipped", flipped, 53, 62, 47, 58, 0, 0.75f},
      {"source rectangle", part, 0, 0, 2, 4, 0.25f, 0.5f},
      {"scaled", scaled, -6, -4, 6, 4, 0, 0.75f},
  };
  R()->BeginDraw(0);
  R()->Begin2d();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Backend().quads.clear();
    t->Draw(c.spec);
    ASSERT_EQ(Backend().quads.size(), 1u);
    const auto& q = Backend().quads[0];
    EXPECT_EQ(q.primitive, (uint32_t)kPrimitiveTriangleFan);
    EXPECT_EQ(q.texture, t->GetData());
    EXPECT_FLOAT_EQ(q.vertices[0].x, c.x0);
    EXPECT_FLOAT_EQ(q.vertices[0].y, c.y0);
    EXPECT_FLOAT_EQ(q.vertices[2].x, c.x2);
    EXPECT_FLOAT_EQ(q.vertices[2].y, c.y2);
    EXPECT_FLOAT_EQ(q.vertices[0].u, c.u0);
    EXPECT_FLOAT_EQ(q.vertices[1].u, c.u1);
    TRect bounds;
    ASSERT_TRUE(t->GetDrawBounds(c.spec, &bounds));
    EXPECT_EQ(bounds, TRect((int)std::min(c.x0, c.x2), (int)std::min(c.y0, c.y2), (int)std::max(c.x0, c.x2),
                            (int)std::max(c.y0, c.y2)));
  }
  // The blend mode goes to the device unless the spec keeps the current one.
  Calls();
  TDrawSpec additive;
  additive.mBlendMode = kBlendAdditive;
  t->Draw(additive);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"SetTexture", "SetBlendMode 2", "DrawVertices 6 kind 2 count 4"}));
  t->DrawSprite(5, 5, 1.0f, 1.0f, 0.0f, 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"SetTexture", "DrawVertices 6 kind 2 count 4"}));
  R()->End2d();
  // Outside 2D nothing is drawn.
  t->Draw(centred);
  t->DrawSprite(5, 5, 1.0f, 1.0f, 0.0f, 0);
  EXPECT_EQ(Calls(), (std::vector<std::string>{"End2d"}));
}

TEST_F(TextureTest, SimpleTexturesAreNeverDrawn) {
  PutSolidPng("c.png", 2, 2);
  auto simple = TTexture::GetSimple(TStr("c.png"));
  ASSERT_TRUE(simple);
  EXPECT_TRUE(simple->IsSimple());
  R()->BeginDraw(0);
  R()->Begin2d();
  Calls();
  simple->Draw(TDrawSpec());
  EXPECT_TRUE(Calls().empty());
  TRect bounds;
  EXPECT_FALSE(simple->GetDrawBounds(TDrawSpec(), &bounds));
}

TEST_F(TextureTest, CopyPixelsIsRefusedDuringAFrameAndClampsItsSource) {
  PutPng("src.png", 2, 2, {0xFF000001u, 0xFF000002u, 0xFF000003u, 0xFF000004u});
  auto src = TTexture::Get(TStr("src.png"));
  auto dst = TTexture::CreateRenderTarget(4, 4);
  R()->BeginDraw(0);
  src->CopyPixels(0, 0, nullptr, dst);
  EXPECT_EQ(Data(dst)->Pixel(0, 0), 0u);
  R()->EndDraw(0);
  TRect wide(-5, 1, 9, 9);
  src->CopyPixels(1, 1, &wide, dst);
  EXPECT_EQ(Data(dst)->Pixel(1, 1), 0xFF000003u);
  EXPECT_EQ(Data(dst)->Pixel(2, 1), 0xFF000004u);
  EXPECT_EQ(Data(dst)->Pixel(1, 2), 0u);
}

TEST_F(TextureTest, AssetMapFindsTexturesAndAnimations) {
  PutSolidPng("button.png", 2, 2);
  PutAsset("button.xml",
           "<sequence name=\"b\"><img name=\"button.png\"/><framelist><frame x=\"0\" y=\"0\" w=\"1\" h=\"1\"/></framelist>"
           "</sequence>");
  PutSolidPng("ui/icons/star.png", 2, 2);
  TAssetMap map;
  map.AddAsset(TStr("button"), nullptr, false);
  map.AddAsset(TStr("ui\\icons\\star"), nullptr, false);
  map.AddAsset(TStr("button.png?alpha"), nullptr, false);
  ASSERT_TRUE(map.HasAsset(TStr("button"))) << LogText();
  EXPECT_TRUE(map.GetAsset(TStr("button"))->IsKindOf(TAnimatedTexture::ClassId()));
  auto star = map.GetTexture(TStr("ui/icons/star"));
  ASSERT_TRUE(star);
  EXPECT_STREQ(star->GetFileName().c_str(), "ui/icons/star.png");
  auto alpha = map.GetTexture(TStr("button.png?alpha"));
  ASSERT_TRUE(alpha);
  EXPECT_EQ(mManager->FindAsset(TStr("button.png?alpha:tex")), alpha);
  TAssetMap other;
  other.AddAsset(TStr("button.png?alpha"), nullptr, false);
  EXPECT_EQ(other.GetTexture(TStr("button.png?alpha")), alpha);
}

}  // namespace
