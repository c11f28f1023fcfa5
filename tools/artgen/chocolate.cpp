// The chocolate factory's machinery ("image/..."): the machine with its stack fingers and the
// hole its tray wheel shows through, the trays for recipes of one to six ingredients with their
// colour rings, the arms that hang the trays and hold the queued ingredients, the recycler and
// the burst of a cleared tray. Places on a tray lie on a circle of radius 50 about its centre,
// place 0 straight up, the others clockwise, as the trays put their ingredients.
#include <cmath>
#include <string>
#include <vector>

#include "tools/artgen/kit.h"
#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"

using namespace Art;
using namespace Art::Palette;

namespace {

Path Bolt(double x, double y, double r) {
  Path p;
  p.Circle(x, y, r);
  return p;
}

// The machine, 220x420, drawn at (695, 301): a cabinet with a round window (a hole) at
// (0, -2) from its centre where the tray wheel turns, a chute, gauges and a chimney.
Canvas Machine() {
  const int w = 220, h = 420;
  const double cx = w / 2.0, cy = h / 2.0 - 2;
  Canvas c(w, h);
  Path cabinet;
  cabinet.RoundRect(22, 40, 176, 370, 18);
  Path chimney;
  chimney.RoundRect(140, 4, 34, 50, 6);
  Piece(c, chimney, Shade(kCocoa, 0.1f), 2.5);
  c.Shadow(cabinet, 4, 5, 5, WithAlpha(kCocoa, 0.45f));
  Path shine;
  shine.RoundRect(30, 48, 14, 350, 7);
  Piece(c, cabinet, Paint::Linear({22, 0}, Shade(kChocolate, 0.12f), {198, 0}, Shade(kChocolate, -0.25f)), 3.0, &shine,
        0.2f);
  // Trim bands.
  for (double y : {70.0, 380.0}) {
    Path trim;
    trim.Rect(22, y, 176, 10);
    c.PushClip(cabinet);
    c.Fill(trim, kCaramel);
    c.PopClip();
    c.Fill(trim.Stroke(2.0), kCocoa);
  }
  // The window round the wheel: a gold bezel, and a hole through the machine.
  Path bezel;
  bezel.Ring(cx, cy, 86, 76);
  Path bezelShine;
  bezelShine.Ring(cx, cy, 84, 81);
  Piece(c, bezel, kGold, 2.5);
  c.PushClip(Path().Rect(0, 0, w, cy - 20));
  c.Fill(bezelShine, WithAlpha(kMilk, 0.5f));
  c.PopClip();
  for (int k = 0; k < 8; k++) {
    double a = k * M_PI / 4;
    Path b = Bolt(cx + 81 * std::cos(a), cy + 81 * std::sin(a), 3);
    Piece(c, b, Shade(kGold, -0.2f), 1.2);
  }
  c.Erase(Path().Circle(cx, cy, 76));
  // Gauges above, a chute below.
  for (int k = 0; k < 2; k++) {
    Path gauge;
    gauge.Circle(74 + k * 72, 104, 14);
    Piece(c, gauge, kCream, 2.0);
    Path needle;
    needle.Capsule(74 + k * 72, 104, 74 + k * 72 + 9 * std::cos(-2.2 + k * 1.4), 104 + 9 * std::sin(-2.2 + k * 1.4), 2);
    c.Fill(needle, kCherry);
  }
  Path chute;
  chute.MoveTo(78, 330).LineTo(142, 330).LineTo(130, 368).LineTo(90, 368).Close();
  Piece(c, chute, Shade(kCaramel, -0.1f), 2.5);
  Path lamp;
  lamp.Circle(110, 350, 6);
  Piece(c, lamp, kMint, 1.5);
  return c;
}

// The stack fingers at the machine's left: an upper claw (anchored at (41, 14)) and a lower
// lifting post (anchored at (41, 119), its foot).
Canvas FingerUpper() {
  Canvas c(82, 28);
  Path arm;
  arm.RoundRect(18, 8, 62, 12, 5);
  Piece(c, arm, Shade(kCaramel, -0.15f), 2.0);
  Path claw;
  claw.MoveTo(20, 4)
      .LineTo(4, 4)
      .QuadTo(1, 14, 4, 24)
      .LineTo(20, 24)
      .LineTo(20, 19)
      .LineTo(9, 19)
      .QuadTo(7, 14, 9, 9)
      .LineTo(20, 9)
      .Close();
  Piece(c, claw, kGold, 2.0);
  Path bolt = Bolt(70, 14, 3.5);
  Piece(c, bolt, kGold, 1.2);
  return c;
}

Canvas FingerLower() {
  Canvas c(82, 125);
  Path post;
  post.RoundRect(33, 14, 16, 100, 4);
  Path shine;
  shine.Rect(36, 16, 3, 96);
  Piece(c, post, Shade(kCaramel, -0.15f), 2.0, &shine, 0.4f);
  Path plate;
  plate.RoundRect(6, 4, 70, 12, 4);
  Piece(c, plate, kGold, 2.0);
  Path foot;
  foot.RoundRect(24, 110, 34, 13, 4);
  Piece(c, foot, kChocolate, 2.0);
  return c;
}

// A tray for n ingredients, 150x150: a round caramel tray with a dimple at each place.
Canvas Tray(int n) {
  Canvas c(150, 150);
  const double cx = 75, cy = 75;
  Path tray;
  tray.Circle(cx, cy, 70);
  c.Shadow(tray, 3, 4, 4, WithAlpha(kCocoa, 0.4f));
  Path shine;
  shine.Ellipse(cx - 28, cy - 36, 26, 10);
  Piece(c, tray, Paint::Radial({cx - 20, cy - 20}, 90, {{0, Shade(kCaramel, 0.15f)}, {1, Shade(kCaramel, -0.2f)}}), 3.0,
        &shine, 0.35f);
  Path inner;
  inner.Circle(cx, cy, 62);
  c.Fill(inner.Stroke(2.0), WithAlpha(kCocoa, 0.4f));
  for (int i = 0; i < n; i++) {
    double a = 2 * M_PI * i / n;
    double x = cx + 50 * std::sin(a), y = cy - 50 * std::cos(a);
    Path dimple;
    dimple.Circle(x, y, 18);
    c.Fill(dimple, Shade(kCaramel, -0.3f));
    c.Fill(dimple.Stroke(2.0), WithAlpha(kCocoa, 0.7f));
    Path lip;
    lip.Ellipse(x + 2, y + 3, 14, 12);
    c.PushClip(dimple);
    c.Fill(lip, WithAlpha(kCocoa, 0.25f));
    c.PopClip();
  }
  Path hub;
  hub.Circle(cx, cy, 12);
  Piece(c, hub, kGold, 2.0);
  return c;
}

// A tray's colour ring: white, tinted with the tray's colour when it shows.
Canvas TrayRing() {
  Canvas c(170, 170);
  Path ring;
  ring.Ring(85, 85, 82, 72);
  c.Fill(ring, Hex("#f0f0f0"));
  Path dashes;
  for (int k = 0; k < 24; k++) {
    double a0 = k * M_PI / 12, a1 = a0 + M_PI / 24;
    dashes.Wedge(85, 85, 81, a0, a1);
  }
  c.PushClip(ring);
  c.Fill(dashes, Hex("#ffffff"));
  c.PopClip();
  c.Fill(ring.Stroke(1.5), WithAlpha(kCocoa, 0.8f));
  return c;
}

// Telescoping rods hanging a tray (arm 1 at the top, widest; arm 4 at the tray, with its hook);
// each hangs from its bottom point.
Canvas TrayArm(int k) {
  const int w = 24 - 3 * k, h = 140;
  Canvas c(w, h);
  Path rod;
  rod.RoundRect(2, 0, w - 4, h - 4, 3);
  Path shine;
  shine.Rect(4, 0, 2.5, h);
  Piece(c, rod, Paint::Linear({2, 0}, Shade(kCaramel, -0.05f), {(double)w - 2, 0}, Shade(kCaramel, -0.35f)), 2.0,
        &shine, 0.45f);
  Path collar;
  collar.RoundRect(1, h - 14, w - 2, 10, 3);
  Piece(c, collar, k == 4 ? kGold : Shade(kChocolate, 0.1f), 1.5);
  return c;
}

// The piston under a queued ingredient: a rod (upper arm), a cylinder (lower arm) and two
// small prongs either side of the ingredient.
Canvas IngredientArmUpper() {
  Canvas c(12, 150);
  Path rod;
  rod.RoundRect(2, 0, 8, 148, 3);
  Path shine;
  shine.Rect(3.5, 0, 2, 150);
  Piece(c, rod, Shade(kCaramel, -0.2f), 1.5, &shine, 0.45f);
  return c;
}

Canvas IngredientArmLower() {
  Canvas c(24, 320);
  Path body;
  body.RoundRect(2, 0, 20, 318, 5);
  Path shine;
  shine.Rect(5, 0, 3, 320);
  Piece(c, body, Paint::Linear({2, 0}, kChocolate, {22, 0}, Shade(kChocolate, -0.35f)), 2.0, &shine, 0.3f);
  Path cap;
  cap.RoundRect(0, 0, 24, 10, 3);
  Piece(c, cap, kGold, 1.5);
  return c;
}

Canvas Prong(bool right) {
  Canvas c(12, 24);
  Path prong;
  if (right)
    prong.MoveTo(2, 22).QuadTo(11, 12, 4, 2).LineTo(7, 2).QuadTo(13, 12, 6, 22).Close();
  else
    prong.MoveTo(10, 22).QuadTo(1, 12, 8, 2).LineTo(5, 2).QuadTo(-1, 12, 6, 22).Close();
  Piece(c, prong, kGold, 1.5);
  return c;
}

// The recycler, 120x120: a grinder on wheels whose rollers turn when it swallows a shot; frame
// 0 is its rest, the last frame too.
Canvas Recycler(double turn, double open) {
  Canvas c(120, 120);
  Path bin;
  bin.RoundRect(18, 40, 84, 66, 12);
  c.Shadow(bin, 3, 4, 4, WithAlpha(kCocoa, 0.4f));
  Path shine;
  shine.RoundRect(24, 44, 10, 56, 5);
  Piece(c, bin, Paint::Linear({0, 40}, kMint, {0, 106}, Shade(kMint, -0.3f)), 2.5, &shine, 0.35f);
  // The mouth with two rollers.
  Path mouth;
  mouth.RoundRect(26, 26 - 6 * open, 68, 22 + 6 * open, 9);
  Piece(c, mouth, kCocoa, 2.0);
  for (int k = 0; k < 2; k++) {
    double x = 46 + k * 28, y = 37 - 2 * open;
    Path roller;
    roller.Circle(x, y, 9);
    Piece(c, roller, kCream, 1.5);
    Path teeth;
    for (int t = 0; t < 4; t++) {
      double a = turn * (k ? -1 : 1) + t * M_PI / 4;
      teeth.Append(
          CapsuleShape(x - 8 * std::cos(a), y - 8 * std::sin(a), x + 8 * std::cos(a), y + 8 * std::sin(a), 1.6));
    }
    c.Fill(teeth, kChocolate);
  }
  // The recycling arrows on its front.
  Path arrows;
  for (int k = 0; k < 3; k++) {
    double a = -M_PI / 2 + k * 2 * M_PI / 3 + turn * 0.5;
    arrows.Append(CapsuleShape(60 + 13 * std::cos(a), 76 + 13 * std::sin(a), 60 + 13 * std::cos(a + 1.4),
                               76 + 13 * std::sin(a + 1.4), 4));
    double tip = a + 1.6;
    arrows.Polygon({{60 + 8 * std::cos(tip), 76 + 8 * std::sin(tip)},
                    {60 + 18 * std::cos(tip), 76 + 18 * std::sin(tip)},
                    {60 + 13 * std::cos(tip + 0.45), 76 + 13 * std::sin(tip + 0.45)}});
  }
  c.Fill(arrows, kMilk);
  for (int k = 0; k < 2; k++) {
    Path wheel;
    wheel.Circle(36 + k * 48, 108, 9);
    Piece(c, wheel, kChocolate, 2.0);
  }
  return c;
}

// The burst of a cleared tray: a ring of stars flying out and fading; the last frame is empty,
// so the idle burst shows nothing.
Canvas Burst(double t) {
  Canvas c(180, 180);
  if (t >= 1) return c;
  double r = 30 + 58 * t;
  float fade = (float)(1 - t * t);
  Path ring;
  ring.Ring(90, 90, r + 4, r - 2);
  c.Fill(ring, WithAlpha(kMilk, 0.6f * fade));
  for (int k = 0; k < 8; k++) {
    double a = k * M_PI / 4 + t * 0.6;
    Path star;
    star.Star(90 + r * std::cos(a), 90 + r * std::sin(a), 5, 10 * (1 - 0.4 * t), 4 * (1 - 0.4 * t), a);
    c.Fill(star.Stroke(2.0), WithAlpha(kCocoa, fade));
    c.Fill(star, WithAlpha(k % 2 ? kGold : kMilk, fade));
  }
  return c;
}

}  // namespace

ART_AREA(chocolate) {
  out.Png("image/chocolate_machine.png", Machine());
  out.Png("image/machine_stack_finger_upper.png", FingerUpper());
  out.Png("image/machine_stack_finger_lower.png", FingerLower());
  for (int n = 1; n <= 6; n++) {
    out.Png("image/tray" + std::to_string(n) + ".png", Tray(n));
    out.Png("image/tray" + std::to_string(n) + "_ring.png", TrayRing());
  }
  for (int k = 1; k <= 4; k++) out.Png("image/tray_arm_" + std::to_string(k) + ".png", TrayArm(k));
  out.Png("image/ingredient_arm_1.png", IngredientArmLower());
  out.Png("image/ingredient_arm_2.png", IngredientArmUpper());
  out.Png("image/ingredient_finger_1.png", Prong(false));
  out.Png("image/ingredient_finger_2.png", Prong(true));
  out.Animation("image/recycler", Centred({Recycler(0, 0), Recycler(0.4, 1), Recycler(0.8, 0.6), Recycler(1.2, 1),
                                           Recycler(1.6, 0.3), Recycler(0, 0)}));
  std::vector<Canvas> burst;
  for (int k = 0; k <= 6; k++) burst.push_back(Burst(k / 6.0));
  out.Animation("image/powerup", Centred(burst));
}

// The factory as a player sees it: backdrop, machine, trays hanging on their arms, the box, the
// gun on its base, the clock, a few ingredients with rings.
ART_PREVIEW(chocolate) {
  Scratch parts("chocolate", {"factory", "chocolate", "items"});
  auto load = [&](const std::string& key) { return parts.Load(key); };
  Canvas s = load("image/backdrop_chocolate");
  // Trays on their arms.
  for (int k = 0; k < 3; k++) {
    double x = 130 + k * 170, y = 190 + (k % 2) * 40;
    for (int a = 0; a < 4; a++) {
      Canvas arm = load("image/tray_arm_" + std::to_string(4 - a));
      double bottom = (y - 50) * 0.25 * (4 - a);
      s.Draw(arm, (int)(x - arm.Width() / 2.0), (int)(bottom - arm.Height() + 2));
    }
    Put(s, load("image/tray3"), x, y);
    if (k == 1) Put(s, Tinted(load("image/tray3_ring"), Hex("#eb0e0e")), x, y);
    const char* names[] = {"cocoa", "sugar", "milk"};
    for (int i = 0; i < 3; i++)
      if (i <= k) {
        double a = 2 * M_PI * i / 3;
        Put(s, Tinted(load("image/item_ring"), k == 1 ? Hex("#eb0e0e") : Hex("#2d38c5")), x + 50 * std::sin(a),
            y - 50 * std::cos(a));
        Put(s, load(std::string("items/") + names[i]), x + 50 * std::sin(a), y - 50 * std::cos(a));
      }
  }
  // The machine with its wheel behind the window.
  Put(s, load("image/machine_stack_finger_upper"), 695 - 74 - 41 + 41, 301 - 51);
  Put(s, load("image/tray3"), 695, 299);
  Put(s, load("image/chocolate_machine"), 695, 301);
  // The conveyor with pistons, the gun, the box and the clock.
  for (int k = 0; k < 4; k++) {
    double x = 120 + k * 60, y = 470;
    Canvas lower = load("image/ingredient_arm_1"), upper = load("image/ingredient_arm_2");
    s.Draw(lower, (int)(x - lower.Width() / 2.0), (int)((600 - y) * 0.5 + 16 + y));
    s.Draw(upper, (int)(x - upper.Width() / 2.0), (int)(y + 16));
    Put(s, load("image/item_ring_rainbow"), x, y);
    Put(s, load(k % 2 ? "items/nuts" : "items/cocoa"), x, y);
    Put(s, load("image/ingredient_finger_1"), x - 14, y);
    Put(s, load("image/ingredient_finger_2"), x + 14, y);
  }
  Put(s, load("image/gun_base"), 400, 540);
  Put(s, load("image/gun"), 400, 500);
  Put(s, load("image/box_open"), 560, 500);
  Put(s, load("items/truffle_big"), 560, 509);
  Put(s, load("image/box_open_mask"), 560, 500);
  Put(s, load("image/timer_face"), 720, 60);
  Put(s, load("image/timer_hand"), 720, 60);
  Put(s, load("image/recycler"), 300, 380);
  out.Png("preview_chocolate.png", s);
}
