// The moving parts drawn together through the real display handler on the display stand-in: a
// tray on its path with its arms and two ingredients of one colour, a heading figure on a path,
// and a layered product; compared with a golden picture (looked at by eye when it was made;
// ORVELLA_UPDATE_GOLDEN=1 writes it anew). The pictures are small flat shapes in the game's
// palette, painted here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "core/graphics/sprites/animated_texture.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/ingredient.h"
#include "game/minigames/item_sprite.h"
#include "game/shell/editors/curve.h"
#include "game/shell/editors/path_sprite.h"
#include "tests/core/graphics/directx/scene_fixture.h"

namespace {

// Palette.
constexpr uint32_t kCocoa = 0x3B2314, kChocolate = 0x6B3E26, kCaramel = 0xC98A4B, kCream = 0xF5E6C8,
                   kMilk = 0xFFFAF0, kGold = 0xE0B43A, kWhite = 0xFFFFFF;

// An ARGB picture painted with antialiased shapes, each laid over what is there.
struct Picture {
  Picture(int w, int h) : width(w), height(h), pixels((size_t)w * h, 0) {}

  void Over(int x, int y, uint32_t rgb, float coverage) {
    if (coverage <= 0 || x < 0 || y < 0 || x >= width || y >= height) return;
    coverage = std::min(coverage, 1.0f);
    uint32_t& d = pixels[(size_t)y * width + x];
    float da = (d >> 24) / 255.0f, a = coverage + da * (1 - coverage);
    auto mix = [&](int shift) {
      float s = (rgb >> shift & 0xFF), t = (d >> shift & 0xFF);
      return (uint32_t)std::lround((s * coverage + t * da * (1 - coverage)) / a) << shift;
    };
    d = (uint32_t)std::lround(a * 255) << 24 | mix(16) | mix(8) | mix(0);
  }
  // Coverage from a signed distance (negative inside).
  void Shape(uint32_t rgb, const std::function<float(float, float)>& distance) {
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) Over(x, y, rgb, 0.5f - distance(x + 0.5f, y + 0.5f));
  }
  void Disc(float cx, float cy, float r, uint32_t rgb) {
    Shape(rgb, [=](float x, float y) { return std::hypot(x - cx, y - cy) - r; });
  }
  void Ring(float cx, float cy, float r, float w, uint32_t rgb) {
    Shape(rgb, [=](float x, float y) { return std::fabs(std::hypot(x - cx, y - cy) - r) - w / 2; });
  }
  void Box(float l, float t, float r, float b, float round, uint32_t rgb) {
    Shape(rgb, [=](float x, float y) {
      float dx = std::max({l + round - x, x - (r - round), 0.0f}), dy = std::max({t + round - y, y - (b - round), 0.0f});
      return std::hypot(dx, dy) - round;
    });
  }

  int width, height;
  std::vector<uint32_t> pixels;
};

class MovingPartsScene : public displaytest::SceneTest {
 protected:
  void Put(const std::string& name, const Picture& p) { PutPng(name, p.width, p.height, p.pixels); }

  void PaintPictures() {
    Picture tray(100, 100);  // places on a radius of 50 sit on its rim
    tray.Disc(50, 50, 46, kCocoa);
    tray.Disc(50, 50, 44, kCaramel);
    tray.Disc(50, 50, 30, kChocolate);
    tray.Ring(50, 50, 38, 1, kMilk);
    Put("image/tray3.png", tray);
    Picture trayRing(100, 100);
    trayRing.Ring(50, 50, 44.5f, 3, kWhite);
    Put("image/tray3_ring.png", trayRing);
    Picture arm(6, 30);
    arm.Box(0, 0, 6, 30, 2, kCocoa);
    arm.Box(1, 1, 5, 29, 1.5f, kChocolate);
    for (int k = 1; k <= 4; ++k) Put("image/tray_arm_" + std::to_string(k) + ".png", arm);

    Picture ring(36, 36);
    ring.Ring(18, 18, 16, 3, kWhite);
    Put("image/item_ring.png", ring);
    Picture cocoa(28, 28);
    cocoa.Shape(kCocoa, [](float x, float y) { return std::hypot((x - 14) / 12, (y - 14) / 9) * 9 - 9; });
    cocoa.Shape(kChocolate, [](float x, float y) { return std::hypot((x - 14) / 10.5f, (y - 14) / 7.5f) * 7.5f - 7.5f; });
    cocoa.Box(13, 8, 15, 20, 1, kCocoa);
    cocoa.Disc(10, 11, 2, kMilk);
    Put("items/cocoa.png", cocoa);
    Picture sugar(28, 28);
    sugar.Box(4, 4, 24, 24, 3, kCocoa);
    sugar.Box(6, 6, 22, 22, 2, kCream);
    sugar.Box(8, 8, 13, 11, 1, kMilk);
    Put("items/sugar.png", sugar);

    Picture dot(6, 6);
    dot.Disc(3, 3, 2, kCream);
    Put("image/dot.png", dot);

    // Eight headings of a little cart: a caramel body whose cocoa nose points the way.
    const int side = 28, frames = 8;
    Picture sheet(side * frames, side);
    for (int i = 0; i < frames; ++i) {
      float a = (float)(i * 2 * M_PI / frames), ox = i * side + side / 2.0f, oy = side / 2.0f;
      float dx = std::sin(a), dy = -std::cos(a);
      sheet.Disc(ox, oy, 10, kCocoa);
      sheet.Disc(ox, oy, 8.5f, kGold);
      sheet.Disc(ox + dx * 7, oy + dy * 7, 4.5f, kCocoa);
      sheet.Disc(ox - dy * 3 - dx * 2, oy + dx * 3 - dy * 2, 2, kMilk);
    }
    Put("image/cart.png", sheet);
    std::string xml = "<sequence name=\"cart\"><img name=\"cart.png\"/><framelist>";
    for (int i = 0; i < frames; ++i)
      xml += "<frame x=\"" + std::to_string(i * side) + "\" y=\"0\" w=\"28\" h=\"28\"/>";
    PutFile("image/cart.xml", xml + "</framelist></sequence>");

    Picture bar(64, 40);
    bar.Box(2, 2, 62, 38, 5, kCocoa);
    bar.Box(4, 4, 60, 36, 4, kWhite);
    for (int c = 0; c < 3; ++c) bar.Box(8 + c * 17.0f, 8, 22 + c * 17.0f, 32, 2, 0xE0E0E0);
    Put("custom/bar.png", bar);
    Picture drizzle(64, 40);
    drizzle.Shape(kWhite, [](float x, float y) { return std::fabs(y - 20 - 6 * std::sin(x / 6)) - 2; });
    Put("custom/drizzle.png", drizzle);
    Picture shine(64, 40);
    shine.Box(8, 7, 30, 10, 1.5f, kMilk);
    Put("custom/bar_highlight.png", shine);
  }

};

TEST_F(MovingPartsScene, GoldenFrame) {
  PaintPictures();
  auto root = TSprite::Create();

  // The tray path, shown by dots, and a tray on it with its arms and two red pieces.
  auto trayPath = CreateCurve(TVec2(16, 170), TVec2(90, 96), TVec2(230, 96), TVec2(304, 170));
  for (int i = 0; i <= 20; ++i) {
    auto dot = TSprite::Create(-200, TTexture::Get(TStr("image/dot.png")));
    dot->SetPosition(trayPath->GetPoint(i / 20.0f));
    root->AddChild(dot);
  }
  std::vector<TStr> recipe{TStr("cocoa"), TStr("sugar"), TStr("cocoa")};
  auto tray = ChocolateTray::Create(&recipe, trayPath, 0.0f, 0.0f);
  root->AddChild(tray);
  tray->CreateArms(root);
  tray->SetPathPosition(0.42f);
  auto red = Ingredient::Create(TStr("cocoa"));
  red->SetColour(kColourRed);
  auto plain = Ingredient::Create(TStr("sugar"));
  ASSERT_TRUE(tray->AddIngredient(red));
  ASSERT_TRUE(tray->AddIngredient(plain));  // takes the tray's red
  ASSERT_EQ(tray->GetColour(), kColourRed);

  // A cart running its own loop, turned to its heading.
  auto cartPath = CreateCurve(TVec2(30, 40), TVec2(80, 0), TVec2(120, 80), TVec2(170, 40));
  auto cart = CreatePathSprite(8);
  cart->SetTexture(TAnimatedTexture::Get(TStr("image/cart.xml")));
  cart->SetPath(cartPath, 1000, TPathSprite::kLoop);
  root->AddChild(cart);
  for (int i = 0; i < 7; ++i) cart->Update(50);
  ASSERT_EQ(cart->GetFrameCount(), 8);

  // A product of three layers: the bar in chocolate, a gold drizzle, the bar's highlight.
  std::vector<TStr> names{TStr("custom/bar"), TStr("custom/drizzle")};
  std::vector<TColor> tints{TColor(0x6B / 255.0f, 0x3E / 255.0f, 0x26 / 255.0f, 1),
                            TColor(0xE0 / 255.0f, 0xB4 / 255.0f, 0x3A / 255.0f, 1)};
  auto product = TSprite::Create(9);
  product->SetPosition(TVec2(262, 36));
  CreateItemSprite(product, names, tints, 1.0f);
  root->AddChild(product);
  ASSERT_EQ(product->GetChildren().size(), 3u);

  TRenderer* r = TRenderer::Get();
  ASSERT_TRUE(r->BeginDraw(1)) << Log();
  ASSERT_TRUE(r->Begin2d());
  r->FillRect(TRect(0, 0, 320, 200), TColor(0x2E / 255.0f, 0x34 / 255.0f, 0x40 / 255.0f, 1));
  root->Draw(TDrawSpec());
  r->End2d();
  r->EndDraw(1);

  ExpectFrameGolden("tests/game/minigames/chocolate/golden/moving_parts.png", 320, 200);
}

}  // namespace
