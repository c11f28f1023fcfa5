// Rewards: the particles of the sparkles, fireworks and payouts ("glitz/..." beside their
// scripts: the particle system looks a texture up as named, then in the script's folder), the
// devil of an empty crate, the slot machine's cabinet, the reward screens' backdrop, and the
// sign editor's backgrounds and logos ("logo/...").
#include <cmath>
#include <string>
#include <vector>

#include "tools/artgen/kit.h"
#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"

using namespace Art;
using namespace Art::Palette;

namespace {

// A soft dot: a bright core fading out; light, so the particle's colour tints it.
Canvas SoftDot(int size, Color core) {
  Canvas c(size, size);
  Path all;
  all.Rect(0, 0, size, size);
  double r = size / 2.0;
  c.Fill(all, Paint::Radial({r, r}, r, {{0, core}, {0.35f, WithAlpha(core, 0.8f)}, {1, WithAlpha(core, 0.0f)}}));
  return c;
}

Canvas Spark(int size, Color core, Color rim) {
  Canvas c(size, size);
  double r = size / 2.0;
  Path glow;
  glow.Circle(r, r, r * 0.9);
  c.FillMask(Blur(Rasterise(glow, size, size), size / 6), WithAlpha(rim, 0.6f));
  Path star;
  star.Star(r, r, 4, r * 0.95, r * 0.22);
  c.Fill(star, rim);
  Path inner;
  inner.Star(r, r, 4, r * 0.6, r * 0.14, M_PI / 4);
  c.Fill(inner, core);
  Path hot;
  hot.Circle(r, r, r * 0.18);
  c.Fill(hot, core);
  return c;
}

Canvas Coin(int size) {
  Canvas c(size, size);
  double r = size / 2.0;
  Path coin;
  coin.Circle(r, r, r - 1.5);
  Path shine;
  shine.Ellipse(r - r * 0.3, r - r * 0.35, r * 0.35, r * 0.18);
  Piece(c, coin, Paint::Radial({r * 0.8, r * 0.8}, r * 1.2, {{0, Shade(kGold, 0.3f)}, {1, Shade(kGold, -0.15f)}}), 1.5,
        &shine, 0.6f);
  Path inner;
  inner.Circle(r, r, r * 0.62);
  c.Fill(inner.Stroke(1.2), WithAlpha(kCocoa, 0.6f));
  Path bean;
  bean.Ellipse(r, r, r * 0.32, r * 0.22);
  c.Fill(bean, Shade(kGold, -0.3f));
  return c;
}

// The devil of an empty crate: a little chocolate imp with horns, grinning.
Canvas Devil() {
  Canvas c(72, 72);
  for (int side = 0; side < 2; side++) {
    double s = side ? 1 : -1;
    Path horn;
    horn.MoveTo(36 + s * 10, 22)
        .QuadTo(36 + s * 24, 16, 36 + s * 22, 4)
        .QuadTo(36 + s * 16, 14, 36 + s * 4, 16)
        .Close();
    Piece(c, horn, kCherry, 2.0);
  }
  Path head;
  head.Ellipse(36, 38, 24, 22);
  c.Shadow(head, 2, 3, 3, WithAlpha(kCocoa, 0.4f));
  Path shine;
  shine.Ellipse(27, 28, 9, 5);
  Piece(c, head, Paint::Radial({30, 30}, 30, {{0, Shade(kChocolate, 0.15f)}, {1, Shade(kChocolate, -0.2f)}}), 2.5,
        &shine, 0.35f);
  for (int side = 0; side < 2; side++) {
    double x = 36 + (side ? 9 : -9);
    Path eye;
    eye.Ellipse(x, 34, 5, 6);
    Piece(c, eye, kMilk, 1.5);
    c.Fill(Path().Circle(x + (side ? -1.5 : 1.5), 35, 2.4), kCocoa);
    Path brow;
    brow.Capsule(x - 6 * (side ? -1 : 1), 25, x + 5 * (side ? -1 : 1), 29, 2.5);
    c.Fill(brow, kCocoa);
  }
  Path grin;
  grin.MoveTo(24, 46).QuadTo(36, 58, 48, 46).QuadTo(36, 52, 24, 46).Close();
  Piece(c, grin, kCocoa, 1.0);
  Path fang;
  fang.Polygon({{31, 49}, {34, 49.5}, {32.5, 53}});
  c.Fill(fang, kMilk);
  return c;
}

// The slot machine: a cabinet with four light windows, one for each wheel, drawn behind the
// slot machine window. Its windows are centred at x = 250, 350, 450, 550 and y = 290 of an
// 800x600 screen when the picture is centred at (400, 300); wheel<n> = { x = 150 + 100 n,
// y = 290 } puts the wheels in them.
Canvas SlotCabinet() {
  Canvas c(560, 420);
  Path cabinet;
  cabinet.RoundRect(20, 30, 520, 370, 26);
  c.Shadow(cabinet, 5, 6, 6, WithAlpha(kCocoa, 0.45f));
  Path shine;
  shine.RoundRect(32, 40, 496, 24, 12);
  Piece(c, cabinet, Paint::Linear({0, 30}, Shade(kCherry, 0.1f), {0, 400}, Shade(kCherry, -0.25f)), 3.0, &shine, 0.3f);
  Path crown;
  crown.RoundRect(130, 4, 300, 52, 20);
  Piece(c, crown, kGold, 3.0);
  for (int k = 0; k < 9; k++) {
    Path bulb;
    bulb.Circle(150 + k * 32.5, 30, 6);
    c.Glow(bulb, 3, WithAlpha(kGold, 0.7f));
    Piece(c, bulb, k % 2 ? kMilk : Shade(kGold, 0.4f), 1.5);
  }
  // The windows (the wheels roll behind their frames' centres) and a pay line.
  for (int k = 0; k < 4; k++) {
    double cx = 130 + k * 100, cy = 170;
    Path frame;
    frame.RoundRect(cx - 42, cy - 70, 84, 140, 12);
    Piece(c, frame, kGold, 2.5);
    Path glass;
    glass.RoundRect(cx - 34, cy - 62, 68, 124, 8);
    c.Fill(glass, kMilk);
    c.Fill(glass, Paint::Linear({0, cy - 62}, WithAlpha(kCocoa, 0.35f), {0, cy - 20}, WithAlpha(kCocoa, 0.0f)));
    c.Fill(glass, Paint::Linear({0, cy + 20}, WithAlpha(kCocoa, 0.0f), {0, cy + 62}, WithAlpha(kCocoa, 0.35f)));
    c.Fill(glass.Stroke(2.0), kCocoa);
  }
  Path line;
  line.Rect(80, 168, 400, 4);
  c.Fill(line, WithAlpha(kCherry, 0.5f));
  // The lever on the right.
  Path rod;
  rod.Capsule(530, 200, 548, 90, 8);
  Piece(c, rod, Shade(kCaramel, -0.1f), 2.0);
  Path knob;
  knob.Circle(548, 86, 14);
  Path knobShine;
  knobShine.Circle(544, 81, 4);
  Piece(c, knob, kCherry, 2.0, &knobShine, 0.7f);
  // A tray for the coins.
  Path tray;
  tray.RoundRect(150, 320, 260, 50, 14);
  Piece(c, tray, Shade(kCocoa, 0.15f), 2.5);
  return c;
}

// Behind every reward screen: rays of gold on chocolate.
Canvas RewardsBackdrop() {
  Canvas c(800, 600);
  Path all;
  all.Rect(0, 0, 800, 600);
  c.Fill(all, Paint::Radial({400, 300}, 560, {{0, Shade(kChocolate, 0.2f)}, {1, Shade(kCocoa, 0.05f)}}));
  for (int k = 0; k < 20; k++) {
    Path ray;
    ray.Wedge(400, 300, 900, k * M_PI / 10, k * M_PI / 10 + M_PI / 20);
    c.Fill(ray, WithAlpha(kGold, 0.12f));
  }
  unsigned s = 41;
  for (int k = 0; k < 50; k++) {
    s = s * 1664525u + 1013904223u;
    double x = (s >> 8) % 800, y = (s >> 16) % 600;
    Path star;
    star.Star(x, y, 4, 5 + (s >> 4) % 6, 1.5);
    c.Fill(star, WithAlpha(k % 3 ? kGold : kMilk, 0.6f));
  }
  return c;
}

// Sign editor: boards (the sign's own picture) and logos to place on them.
Canvas Board(int style) {
  Canvas c(320, 140);
  Path board;
  board.RoundRect(8, 8, 304, 124, style == 1 ? 8 : 20);
  c.Shadow(board, 4, 5, 5, WithAlpha(kCocoa, 0.4f));
  if (style == 0) {
    Piece(c, board, Paint::Linear({0, 8}, Shade(kCaramel, 0.1f), {0, 132}, Shade(kCaramel, -0.15f)), 3.0);
    c.PushClip(board);
    for (int k = 0; k < 5; k++)
      c.Fill(CapsuleShape(8, 30 + k * 24, 312, 32 + k * 24, 1.5), WithAlpha(kChocolate, 0.3f));
    c.PopClip();
  } else if (style == 1) {
    Piece(c, board, kChocolate, 3.0);
    Path frame;
    frame.RoundRect(16, 16, 288, 108, 4);
    c.Fill(frame.Stroke(4), kGold);
  } else {
    Piece(c, board, kCream, 3.0);
    Path frame;
    frame.RoundRect(18, 18, 284, 104, 14);
    c.Fill(frame.Stroke(3), kSea);
  }
  return c;
}

Canvas Logo(int kind) {
  Canvas c(96, 96);
  if (kind == 0) {
    Path bean;
    bean.SetTransform(Matrix::Rotate(-0.5).Then(Matrix::Translate(48, 48)));
    bean.Ellipse(0, 0, 38, 26);
    Path shine;
    shine.Ellipse(34, 34, 14, 6);
    Piece(c, bean, kChocolate, 3.0, &shine, 0.4f);
    Path seam;
    seam.SetTransform(Matrix::Rotate(-0.5).Then(Matrix::Translate(48, 48)));
    seam.MoveTo(-30, 0).QuadTo(0, -10, 30, 0).QuadTo(0, -4, -30, 0).Close();
    c.Fill(seam, kCocoa);
  } else if (kind == 1) {
    Path cup;
    cup.MoveTo(18, 40).LineTo(70, 40).QuadTo(70, 80, 44, 82).QuadTo(18, 80, 18, 40).Close();
    Path handle;
    handle.Ring(72, 56, 12, 6);
    Piece(c, handle, kMilk, 2.5);
    Piece(c, cup, kMilk, 3.0);
    Path coffee;
    coffee.Ellipse(44, 41, 25, 5);
    c.Fill(coffee, kChocolate);
    for (int k = 0; k < 3; k++) {
      Path steam;
      steam.MoveTo(32 + k * 12, 32).QuadTo(28 + k * 12, 24, 32 + k * 12, 18).QuadTo(36 + k * 12, 12, 32 + k * 12, 6);
      Path band = Band(steam, 3);
      c.Fill(band, WithAlpha(kCocoa, 0.5f));
    }
  } else {
    Path star;
    star.Star(48, 50, 5, 42, 18);
    Path shine;
    shine.Circle(40, 38, 8);
    Piece(c, star, kGold, 3.0, &shine, 0.5f);
  }
  return c;
}

}  // namespace

ART_AREA(rewards) {
  out.Png("glitz/money.png", Spark(32, Hex("#ffffff"), Hex("#e0f0e0")));
  out.Png("glitz/dollars_big.png", Coin(32));
  out.Png("glitz/firework_blue.png", SoftDot(32, Mix(kSea, kMilk, 0.5f)));
  out.Png("glitz/firework_red.png", SoftDot(32, Mix(kCherry, kMilk, 0.45f)));
  out.Png("glitz/firework_yellow.png", SoftDot(32, Mix(kGold, kMilk, 0.45f)));
  out.Png("glitz/firework_green.png", SoftDot(32, Mix(kMint, kMilk, 0.45f)));
  out.Png("glitz/spark.png", Spark(16, kMilk, Mix(kGold, kMilk, 0.5f)));
  out.Png("glitz/star.png", Spark(32, kMilk, kGold));
  out.Png("glitz/dot.png", SoftDot(16, kMilk));
  out.Png("image/whammy_devil.png", Devil());
  out.Png("image/slot_machine.png", SlotCabinet());
  out.Png("image/backdrop_rewards.png", RewardsBackdrop());
  for (int k = 0; k < 3; k++) {
    out.Png("logo/bg" + std::to_string(k + 1) + ".png", Board(k));
    out.Png("logo/logo" + std::to_string(k + 1) + ".png", Logo(k));
  }
}

ART_PREVIEW(rewards) {
  Scratch parts("rewards", {"rewards", "items", "factory"});
  auto load = [&](const std::string& key) { return parts.Load(key); };
  Canvas s = load("image/backdrop_rewards");
  Put(s, load("image/slot_machine"), 400, 300);
  const char* symbols[] = {"bar", "truffle", "heart", "bonbon"};
  for (int k = 0; k < 4; k++) {
    Canvas big = load(std::string("items/") + symbols[k] + "_big");
    // At the wheel's scale of 0.425, roughly: every other pixel of the 128 px picture.
    Canvas small(55, 55);
    for (int y = 0; y < 55; y++)
      for (int x = 0; x < 55; x++)
        small.Set(x, y, big.PixelAt(std::min(127, (int)(x / 0.425)), std::min(127, (int)(y / 0.425))));
    Put(s, small, 250 + k * 100, 290);
  }
  const char* parts2[] = {
      "glitz/money",          "glitz/dollars_big", "glitz/firework_blue", "glitz/firework_red", "glitz/firework_yellow",
      "glitz/firework_green", "glitz/spark",       "glitz/star",          "glitz/dot"};
  for (int k = 0; k < 9; k++) Put(s, load(parts2[k]), 60 + k * 40, 560);
  Put(s, load("image/whammy_devil"), 700, 80);
  Put(s, load("image/box_closed"), 100, 90);
  out.Png("preview_rewards.png", s);
  Canvas signs(800, 600);
  Path all;
  all.Rect(0, 0, 800, 600);
  signs.Fill(all, kCream);
  for (int k = 0; k < 3; k++) {
    Put(signs, load("logo/bg" + std::to_string(k + 1)), 200, 100 + k * 170);
    Put(signs, load("logo/logo" + std::to_string(k + 1)), 120, 100 + k * 170);
    Put(signs, load("logo/logo" + std::to_string(k + 1)), 560, 100 + k * 170);
  }
  out.Png("preview_signs.png", signs);
}
