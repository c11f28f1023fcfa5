// The tinted picture window: where its picture's centre lies (offsets, the centre, the scale),
// its tint (alpha included) and mirroring from the creation keys and the script functions, its
// base size, a frame asked for by every change, and script calls that name no such window or
// give no number.
#include "game/shell/editors/bitmap_tint.h"

#include "core/graphics/texture.h"
#include "tests/game/shell/editors/editor_fixture.h"

namespace {

std::string Rgba(const TColor& c) {
  char text[64];
  snprintf(text, sizeof text, "%.3f %.3f %.3f %.3f", c.r, c.g, c.b, c.a);
  return text;
}

class BitmapTintTest : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    PutImage("image/cup", 40, 20);
    PutImage("image/big", 100, 80);
  }
  // What the window drew in a frame of its own: the picture's centre on the screen, its scale,
  // colour and flags.
  const Host::Picture* Drawn() {
    Frame();
    for (const Host::Picture& p : host.pictures)
      if (p.texture == TTexture::Get("image/cup") || p.texture == TTexture::Get("image/big")) return &p;
    return nullptr;
  }
};

TEST_F(BitmapTintTest, ThePicturesCentreLiesOnTheOffsetOrTheWindowsCentre) {
  struct Case {
    const char* keys;
    TVec2 centre;  // on the screen (the window's corner is at 40 + 10, 30 + 20)
    float scale;
    int32_t width, height;
  };
  const Case cases[] = {
      {"", TVec2(70, 60), 1, 40, 20},
      {"dx = 0, dy = 0,", TVec2(50, 50), 1, 40, 20},
      {"dx = 10, scale = 2,", TVec2(70, 70), 2, 80, 40},
      {"dy = -5, scale = 0.5,", TVec2(60, 47.5f), 0.5f, 20, 10},
      {"w = 200, h = 100,", TVec2(150, 100), 1, 200, 100},
      {"w = 200,", TVec2(70, 60), 1, 40, 20},
  };
  for (const Case& c : cases) {
    Make(std::string("BitmapTint { name = 'tint', x = 10, y = 20, image = 'image/cup', ") + c.keys + "}");
    TBitmapTint* w = Find<TBitmapTint>("tint");
    ASSERT_NE(w, nullptr) << c.keys;
    EXPECT_EQ(w->GetBaseWidth(), c.width) << c.keys;
    EXPECT_EQ(w->GetBaseHeight(), c.height) << c.keys;
    const Host::Picture* drawn = Drawn();
    ASSERT_NE(drawn, nullptr) << c.keys;
    EXPECT_EQ(drawn->spec.GetPosition(), c.centre) << c.keys;
    EXPECT_FLOAT_EQ(drawn->spec.mMatrix.m[0][0], c.scale) << c.keys;
    EXPECT_EQ(drawn->spec.mFlags & TDrawSpec::kOrigin, 0u) << c.keys;
    EXPECT_EQ(Rgba(drawn->spec.mColor), Rgba(TColor(1, 1, 1, 1))) << c.keys;
    manager->GetTopModal()->DeleteChildren();
    manager->DeleteClosedWindows();
  }
}

TEST_F(BitmapTintTest, TheScriptFunctionsChangeTheNamedWindowOnly) {
  Make("BitmapTint { name = 'tint', x = 10, y = 20, image = 'image/cup', tint = { 0.2, 0.4 }, hflip = true },"
       "Bitmap { name = 'plain', x = 0, y = 0, image = 'image/cup' }");
  TBitmapTint* w = Find<TBitmapTint>("tint");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(Rgba(w->GetTint()), Rgba(TColor(0.2f, 0.4f, 1, 1)));
  const Host::Picture* drawn = Drawn();
  ASSERT_NE(drawn, nullptr);
  EXPECT_EQ(Rgba(drawn->spec.mColor), Rgba(TColor(0.2f, 0.4f, 1, 1)));
  EXPECT_EQ(drawn->spec.mFlags & TDrawSpec::kFlipHorizontal, (uint32_t)TDrawSpec::kFlipHorizontal);

  struct Case {
    const char* call;
    TColor tint;
    TVec2 centre;
    bool flip;
  };
  const Case cases[] = {
      {"BTSetTint('tint', { 0.1, 0.2, 0.3 })", TColor(0.1f, 0.2f, 0.3f, 1), TVec2(70, 60), true},
      {"BTSetTint('tint', { 0.5 })", TColor(0.5f, 1, 1, 1), TVec2(70, 60), true},
      {"BTSetTint('tint', 'red')", TColor(0.5f, 1, 1, 1), TVec2(70, 60), true},
      {"BTSetOffset('tint', 4, 6)", TColor(0.5f, 1, 1, 1), TVec2(54, 56), true},
      {"BTSetOffset('tint', -9999, 6)", TColor(0.5f, 1, 1, 1), TVec2(70, 56), true},
      {"BTSetFlip('tint', false)", TColor(0.5f, 1, 1, 1), TVec2(70, 56), false},
      // An offset that is no number keeps the one before.
      {"BTSetOffset('tint', 0/0, 1) BTSetOffset('tint', 1, 1/0) BTSetOffset('tint', 1e300, 1)", TColor(0.5f, 1, 1, 1),
       TVec2(70, 56), false},
      // The tint's alpha makes the picture see-through.
      {"BTSetTint('tint', { 0.5, 1, 1, 0.4 })", TColor(0.5f, 1, 1, 0.4f), TVec2(70, 56), false},
      // Windows that are not tinted pictures, or not there, are left alone.
      {"BTSetTint('plain', { 0, 0, 0 }) BTSetFlip('nothing', true) BTSetOffset('plain', 1, 1)", TColor(0.5f, 1, 1, 0.4f),
       TVec2(70, 56), false},
  };
  for (const Case& c : cases) {
    Run(c.call);
    drawn = Drawn();
    ASSERT_NE(drawn, nullptr) << c.call;
    EXPECT_EQ(Rgba(drawn->spec.mColor), Rgba(c.tint)) << c.call;
    EXPECT_FLOAT_EQ(drawn->spec.mAlpha, c.tint.a) << c.call;
    EXPECT_EQ(drawn->spec.GetPosition(), c.centre) << c.call;
    EXPECT_EQ((drawn->spec.mFlags & TDrawSpec::kFlipHorizontal) != 0, c.flip) << c.call;
  }

  // A larger picture keeps the window at its base size and may overhang it.
  Run("BTSetBitmap('tint', 'image/big', 1.5) BTSetBitmap('plain', 'image/big', 1)");
  EXPECT_EQ(w->GetTexture(), TTexture::Get("image/big"));
  EXPECT_EQ(w->GetWidth(), 40);
  EXPECT_EQ(w->GetHeight(), 20);
  EXPECT_EQ(Find<TImage>("plain")->GetTexture(), TTexture::Get("image/cup"));
  drawn = Drawn();
  ASSERT_NE(drawn, nullptr);
  EXPECT_FLOAT_EQ(drawn->spec.mMatrix.m[0][0], 1.5f);
  // A scale that is no number shows the picture at its own size.
  Run("BTSetBitmap('tint', 'image/cup', 1e300)");
  EXPECT_FLOAT_EQ(w->GetScale(), 1.0f);
  Run("BTSetBitmap('tint', 'image/cup', 0/0)");
  EXPECT_EQ(w->GetWidth(), 40);
  drawn = Drawn();
  ASSERT_NE(drawn, nullptr);
  EXPECT_EQ(drawn->texture, TTexture::Get("image/cup"));
  EXPECT_FLOAT_EQ(drawn->spec.mMatrix.m[0][0], 1.0f);
  Run("BTSetBitmap('tint', 'image/big', 1.5)");
  // A picture that does not load leaves the window without one.
  Run("BTSetBitmap('tint', 'image/none', 1)");
  EXPECT_EQ(w->GetTexture(), nullptr);
  Frame();
  for (const Host::Picture& p : host.pictures) EXPECT_NE(p.texture, TTexture::Get("image/big"));
}

// A still screen draws no frame until something asks for one; each change must ask.
TEST_F(BitmapTintTest, EveryChangeShowsOnAStillScreen) {
  Make("BitmapTint { name = 'tint', x = 10, y = 20, image = 'image/cup' }");
  struct Case {
    const char* call;
    bool redraw;
  };
  const Case cases[] = {
      {"BTSetTint('tint', { 0.1, 0.2, 0.3 })", true},
      {"BTSetOffset('tint', 4, 6)", true},
      {"BTSetFlip('tint', true)", true},
      {"BTSetBitmap('tint', 'image/big', 1)", true},
      {"BTSetFlip('nothing', true) BTSetTint('tint', 'red')", false},
  };
  for (const Case& c : cases) {
    Frame();
    ASSERT_FALSE(manager->NeedsRedraw()) << c.call;
    Run(c.call);
    EXPECT_EQ(manager->NeedsRedraw(), c.redraw) << c.call;
  }
}

}  // namespace
