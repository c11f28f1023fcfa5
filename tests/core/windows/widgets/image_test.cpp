// Images from script tables: size from the picture and its scale, turned and mirrored drawing,
// the opaque flag, masks, and the script functions that change and test the picture.
#include "core/windows/widgets/image.h"

#include <cmath>

#include "tests/core/windows/widgets/widget_test_support.h"

namespace {

using widget_test::WidgetTest;

class ImageTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    PutSolidPng("wide.png", 100, 50);
    PushDialog();
  }
  TImage* Image(const char* name) { return Find<TImage>(name); }
  // Where the last drawn picture's corner (x, y) of the texture lands on the screen.
  TVec2 Corner(float x, float y) { return TVec2(x, y) * host.drawnTextures.back().spec.mMatrix; }
};

TEST_F(ImageTest, SizeFollowsPictureScaleAndTurn) {
  struct Case {
    const char* keys;
    TRect rect;
  } cases[] = {
      {"image = 'wide.png'", TRect(0, 0, 100, 50)},
      {"image = 'wide.png', scale = 1.5", TRect(0, 0, 150, 75)},
      {"image = 'wide.png', scale = 1.5, rotate = true", TRect(0, 0, 75, 150)},
      // The picture's size is a size already given: only the position comes from the keys.
      {"image = 'wide.png', x = 10, y = 20, w = 30, h = 40", TRect(10, 20, 110, 70)},
      {"image = '', w = 30, h = 40", TRect(0, 0, 30, 40)},
      {"image = 'missing.png', w = 30, h = 40", TRect(0, 0, 30, 40)},
      {"mask = 'wide.png', w = 5, h = 6", TRect(0, 0, 5, 6)},  // a mask alone loads nothing
      // A scale that is no number or absurdly large still gives a size a rectangle can hold.
      {"image = 'wide.png', scale = 0/0", TRect(0, 0, 0, 0)},
      {"image = 'wide.png', x = 10, y = 20, scale = 1e30", TRect(10, 20, 10 + (1 << 20), 20 + (1 << 20))},
      {"image = 'wide.png', x = 10, y = 20, scale = 1/0", TRect(10, 20, 10 + (1 << 20), 20 + (1 << 20))},
  };
  for (const Case& c : cases) {
    Make(std::string("Bitmap { name = 'i', ") + c.keys + " }");
    TImage* image = Image("i");
    ASSERT_NE(image, nullptr) << c.keys;
    EXPECT_EQ(image->GetRect(), c.rect) << c.keys;
    Run("DestroyWindow('i')");
    Idle();
  }
}

TEST_F(ImageTest, ImageAndMaskMakeOnePicture) {
  PutPng("mask.png", 2, 1, {0x00000000u, 0xFFFFFFFFu});
  PutPng("pic.png", 2, 1, {0xFF102030u, 0xFF405060u});
  Make("Bitmap { name = 'm', image = 'pic.png', mask = 'mask.png' }");
  TImage* image = Image("m");
  ASSERT_TRUE(image->HasTexture());
  EXPECT_TRUE(image->GetTexture()->HasAlpha());
  uint32_t* pixels = nullptr;
  int pitch = 0;
  ASSERT_TRUE(image->GetTexture()->Lock(pixels, pitch));
  EXPECT_EQ(pixels[0] >> 24, 0u);
  EXPECT_EQ(pixels[1] >> 24, 0xFFu);
  image->GetTexture()->Unlock();
  Run("gLoaded = ImageLoaded('m') gNot = ImageLoaded('nothing')");
  EXPECT_EQ(GlobalString("gLoaded"), "true");
  EXPECT_EQ(GlobalString("gNot"), "false");
}

TEST_F(ImageTest, DrawingPlacesTurnsAndMirrorsThePicture) {
  Make("Window { x = 30, y = 40, w = 300, h = 200,"
       "  Bitmap { name = 'plain', x = 5, y = 6, image = 'wide.png', scale = 2, alpha = true, hflip = true },"
       "  Bitmap { name = 'turned', x = 5, y = 6, image = 'wide.png', scale = 1.5, rotate = true, vflip = true } }");
  host.drawnTextures.clear();
  Image("turned")->Draw();
  ASSERT_EQ(host.drawnTextures.size(), 1u);
  const TDrawSpec& turned = host.drawnTextures.back().spec;
  EXPECT_EQ(turned.mFlags, (uint32_t)(TDrawSpec::kFlipVertical | TDrawSpec::kOrigin));
  // The turned picture fills its window, screen (35, 46) to (110, 196): the top edge goes left.
  TVec2 topLeft = Corner(0, 0), topRight = Corner(100, 0), bottomLeft = Corner(0, 50);
  EXPECT_NEAR(topLeft.x, 35, 1e-3);
  EXPECT_NEAR(topLeft.y, 196, 1e-3);
  EXPECT_NEAR(topRight.x, 35, 1e-3);
  EXPECT_NEAR(topRight.y, 46, 1e-3);
  EXPECT_NEAR(bottomLeft.x, 110, 1e-3);
  EXPECT_NEAR(bottomLeft.y, 196, 1e-3);

  Image("plain")->SetAlpha(0.5f);
  host.drawnTextures.clear();
  Image("plain")->Draw();
  const TDrawSpec& plain = host.drawnTextures.back().spec;
  EXPECT_EQ(plain.mFlags, (uint32_t)(TDrawSpec::kFlipHorizontal | TDrawSpec::kOrigin));
  EXPECT_FLOAT_EQ(plain.mAlpha, 0.5f);
  TVec2 far = Corner(100, 50);
  EXPECT_NEAR(far.x, 235, 1e-3);
  EXPECT_NEAR(far.y, 146, 1e-3);
  // Nothing is drawn without a picture.
  Make("Bitmap { name = 'empty', w = 10, h = 10 }");
  host.drawnTextures.clear();
  Image("empty")->Draw();
  EXPECT_TRUE(host.drawnTextures.empty());
}

TEST_F(ImageTest, FullAlphaOnAnOpaquePictureCoversTheDialog) {
  PutPng("cover.png", 400, 300, std::vector<uint32_t>(400 * 300, 0xFF808080u), true);
  PutPng("clear.png", 1, 1, {0x80FFFFFFu});
  Make("Bitmap { name = 'cover', image = 'cover.png' }, Bitmap { name = 'see', image = 'clear.png', x = 1 }");
  TModalWindow* dialog = static_cast<TModalWindow*>(manager->GetTopModal());
  TImage* cover = Image("cover");
  EXPECT_FALSE(cover->GetFlags() & kWindowOpaque);
  cover->SetAlpha(1.0f);
  EXPECT_TRUE(cover->GetFlags() & kWindowOpaque);
  EXPECT_TRUE(dialog->IsCoveredBy(cover));
  cover->SetAlpha(0.999f);
  EXPECT_FALSE(cover->GetFlags() & kWindowOpaque);
  EXPECT_FALSE(dialog->IsCoveredBy(cover));
  TImage* see = Image("see");
  see->SetAlpha(1.0f);  // the picture has alpha: never opaque
  EXPECT_FALSE(see->GetFlags() & kWindowOpaque);
}

TEST_F(ImageTest, SetBitmapChangesThePictureAndItsSize) {
  PutSolidPng("small.png", 8, 4);
  Make("Bitmap { name = 'b', image = 'wide.png' }");
  Run("SetBitmap('b', 'small.png', 3)");
  // _SetBitmap loads through the window host, which in these tests loads nothing: the size stays.
  EXPECT_EQ(Image("b")->GetRect(), TRect(0, 0, 100, 50));
  Image("b")->SetTexture(TTexture::Get("small.png"), 3);
  EXPECT_EQ(Image("b")->GetRect(), TRect(0, 0, 24, 12));
  Image("b")->SetRotate(true);
  EXPECT_EQ(Image("b")->GetRect(), TRect(0, 0, 12, 24));
}

}  // namespace
