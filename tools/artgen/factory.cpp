// What both factories share ("image/..."): the gun and its base, the product box, the clock,
// the coloured rings of the ingredients, the status panel's small clock and idle sign, and the
// chocolate factory screen's backdrop (the coffee one carries its belt, in coffee.cpp). Sprites are drawn centred on
// their position, so every picture here is centred on its point; animation frames are registered at their centre
// likewise.
#include <cmath>
#include <string>
#include <vector>

#include "tools/artgen/kit.h"
#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"

using namespace Art;
using namespace Art::Palette;

namespace {

// The gun: a piping nozzle on a swivel pointing up. Firing squeezes it, then it springs back.
Canvas Gun(double squeeze, double puff) {
  Canvas c(64, 96);
  double s = 1 - squeeze, top = 10 + 14 * squeeze;
  Path nozzle;
  nozzle.MoveTo(32 - 8 * s, top).LineTo(32 + 8 * s, top).LineTo(32 + 20, 70).LineTo(32 - 20, 70).Close();
  Path shine;
  shine.Polygon({{26, top + 6}, {29, top + 6}, {23, 66}, {18, 66}});
  Piece(c, nozzle, Paint::Linear({12, 0}, Shade(kCaramel, 0.15f), {52, 0}, Shade(kCaramel, -0.2f)), 2.5, &shine, 0.5f);
  Path tip;
  tip.RoundRect(32 - 10 * s, top - 6, 20 * s, 8, 3);
  Piece(c, tip, kGold, 2.0);
  for (int k = 1; k < 4; k++) {
    double y = top + (70 - top) * k / 4.0, half = 8 * s + (12 + 12 * squeeze) * k / 4.0;
    Path ridge;
    ridge.Capsule(32 - half + 3, y, 32 + half - 3, y, 2);
    c.Fill(ridge, WithAlpha(kCocoa, 0.35f));
  }
  Path collar;
  collar.RoundRect(8, 66, 48, 14, 5);
  Piece(c, collar, kChocolate, 2.5);
  if (puff > 0) {
    Path cloud;
    cloud.Circle(32, top - 12, 7 * puff).Circle(24, top - 6, 5 * puff).Circle(40, top - 6, 5 * puff);
    c.Fill(cloud, WithAlpha(kMilk, 0.9f));
    c.Fill(cloud.Stroke(1.5), WithAlpha(kCocoa, 0.5f));
  }
  return c;
}

Canvas GunBase() {
  Canvas c(96, 64);
  Path base;
  base.MoveTo(8, 58).LineTo(20, 24).QuadTo(48, 12, 76, 24).LineTo(88, 58).Close();
  c.Shadow(base, 3, 4, 4, WithAlpha(kCocoa, 0.4f));
  Path shine;
  shine.Polygon({{22, 30}, {40, 22}, {44, 26}, {24, 36}});
  Piece(c, base, Paint::Linear({0, 14}, Shade(kChocolate, 0.1f), {0, 58}, Shade(kChocolate, -0.2f)), 2.5, &shine, 0.3f);
  for (int k = 0; k < 3; k++) {
    Path bolt;
    bolt.Circle(26 + k * 22, 48, 3.5);
    Piece(c, bolt, kGold, 1.5);
  }
  return c;
}

// The product box: its back and inside, its front wall (drawn over the product) and, for the
// crates, shut with its ribbon. 128x112, centre (64, 56); the product sits 9 px below it.
const double kBoxL = 14, kBoxR = 114, kBoxTop = 42, kBoxFront = 66, kBoxBottom = 104;

Canvas BoxOpen() {
  Canvas c(128, 112);
  // Flaps folded back, then the inside.
  for (int side = 0; side < 2; side++) {
    double x0 = side ? kBoxR : kBoxL, dir = side ? 1 : -1;
    Path flap;
    flap.Polygon({{x0, kBoxTop}, {x0 + dir * 12, kBoxTop - 26}, {64 + dir * 8, kBoxTop - 30}, {64, kBoxTop}});
    Piece(c, flap, Shade(kCaramel, 0.1f), 2.0);
  }
  Path inside;
  inside.Polygon({{kBoxL, kBoxTop}, {kBoxR, kBoxTop}, {kBoxR, kBoxBottom}, {kBoxL, kBoxBottom}});
  c.Fill(inside, Paint::Linear({0, kBoxTop}, Shade(kChocolate, -0.2f), {0, kBoxFront}, Shade(kChocolate, 0.05f)));
  c.Fill(inside.Stroke(2.5), kCocoa);
  return c;
}

Canvas BoxMask() {
  Canvas c(128, 112);
  Path front;
  front.Polygon({{kBoxL - 2, kBoxFront}, {kBoxR + 2, kBoxFront}, {kBoxR, kBoxBottom}, {kBoxL, kBoxBottom}});
  c.Shadow(front, 3, 4, 4, WithAlpha(kCocoa, 0.35f));
  Path shine;
  shine.Rect(kBoxL, kBoxFront + 3, kBoxR - kBoxL, 5);
  Piece(c, front, Paint::Linear({0, kBoxFront}, kCaramel, {0, kBoxBottom}, Shade(kCaramel, -0.2f)), 2.5, &shine, 0.35f);
  Path ribbon;
  ribbon.Rect(58, kBoxFront, 12, kBoxBottom - kBoxFront);
  Piece(c, ribbon, kGold, 2.0);
  return c;
}

Canvas BoxClosed() {
  Canvas c(128, 112);
  Path body;
  body.Rect(kBoxL, kBoxTop + 8, kBoxR - kBoxL, kBoxBottom - kBoxTop - 8);
  c.Shadow(body, 3, 4, 4, WithAlpha(kCocoa, 0.35f));
  Piece(c, body, Paint::Linear({0, kBoxTop}, kCaramel, {0, kBoxBottom}, Shade(kCaramel, -0.2f)), 2.5);
  Path lid;
  lid.RoundRect(kBoxL - 5, kBoxTop - 4, kBoxR - kBoxL + 10, 18, 4);
  Path shine;
  shine.Rect(kBoxL, kBoxTop - 2, kBoxR - kBoxL, 4);
  Piece(c, lid, Shade(kCaramel, 0.12f), 2.5, &shine, 0.4f);
  Path ribbon;
  ribbon.Rect(58, kBoxTop - 4, 12, kBoxBottom - kBoxTop + 4);
  Piece(c, ribbon, kGold, 2.0);
  Path bow;
  bow.Ellipse(52, kBoxTop - 10, 11, 7).Ellipse(76, kBoxTop - 10, 11, 7);
  Piece(c, bow, kGold, 2.0);
  Path knot;
  knot.Circle(64, kBoxTop - 8, 5);
  Piece(c, knot, Shade(kGold, -0.15f), 2.0);
  return c;
}

// The clock: a face with its minutes and the last stretch marked, and a hand that turns about
// the picture's centre (pointing up at rest).
Canvas TimerFace(int size) {
  Canvas c(size, size);
  double cx = size / 2.0, r = size / 2.0 - 3, line = size > 48 ? 2.5 : 2.0;
  Path rim;
  rim.Circle(cx, cx, r);
  c.Shadow(rim, 2, 3, 3, WithAlpha(kCocoa, 0.4f));
  Piece(c, rim, kChocolate, line);
  Path face;
  face.Circle(cx, cx, r - size / 10.0);
  Path shine;
  shine.Ellipse(cx - r * 0.3, cx - r * 0.4, r * 0.4, r * 0.2);
  Piece(c, face, kCream, line * 0.7, &shine, 0.6f);
  Path warn;
  warn.Wedge(cx, cx, r - size / 10.0 - 1, -M_PI / 2 - M_PI / 3, -M_PI / 2);
  c.Fill(warn, WithAlpha(kCherry, 0.3f));
  for (int k = 0; k < 12; k++) {
    double a = k * M_PI / 6, r0 = r - size / 10.0 - (k % 3 ? size / 14.0 : size / 8.0), r1 = r - size / 10.0 - 1.5;
    Path tick;
    tick.Capsule(cx + r0 * std::sin(a), cx - r0 * std::cos(a), cx + r1 * std::sin(a), cx - r1 * std::cos(a),
                 k % 3 ? line * 0.5 : line * 0.9);
    c.Fill(tick, kCocoa);
  }
  return c;
}

Canvas TimerHand(int size) {
  Canvas c(size, size);
  double cx = size / 2.0, len = size / 2.0 - size / 10.0 - 5;
  Path hand;
  hand.MoveTo(cx - size / 32.0 - 1, cx).LineTo(cx, cx - len).LineTo(cx + size / 32.0 + 1, cx).Close();
  c.Fill(hand.Stroke(1.2), kCocoa);
  c.Fill(hand, kCherry);
  Path hub;
  hub.Circle(cx, cx, size / 16.0 + 1);
  Piece(c, hub, kGold, 1.2);
  return c;
}

// The rings under an ingredient: white (the game tints it with the ingredient's colour) and the
// rainbow one of a colourless ingredient.
Canvas Ring(bool rainbow) {
  Canvas c(44, 44);
  Path ring;
  ring.Ring(22, 22, 20, 15.5);
  if (!rainbow) {
    Path shine;
    shine.Ring(22, 22, 19, 17);
    c.Fill(ring, Hex("#e8e8e8"));
    c.PushClip(Path().Rect(0, 0, 44, 22));
    c.Fill(shine, WithAlpha(Hex("#ffffff"), 0.9f));
    c.PopClip();
  } else {
    const Color colours[] = {Hex("#eb0e0e"), Hex("#ff8c1a"), Hex("#ffd117"), kMint, Hex("#2d38c5"), Hex("#8a3fbf")};
    for (int k = 0; k < 6; k++) {
      Path slice;
      slice.Wedge(22, 22, 23, -M_PI / 2 + k * M_PI / 3, -M_PI / 2 + (k + 1) * M_PI / 3);
      c.PushClip(ring);
      c.Fill(slice, colours[k]);
      c.PopClip();
    }
  }
  c.Fill(ring.Stroke(1.5), kCocoa);
  return c;
}

// Shown in the status panel over a factory that stands still: a caramel sign with a pause mark.
Canvas IdleHelp() {
  Canvas c(56, 40);
  Path sign;
  sign.RoundRect(3, 3, 50, 32, 8);
  Path shine;
  shine.RoundRect(7, 6, 40, 8, 4);
  Piece(c, sign, kCaramel, 2.0, &shine, 0.4f);
  Path bars;
  bars.RoundRect(20, 11, 6, 17, 2).RoundRect(30, 11, 6, 17, 2);
  c.Fill(bars, kCocoa);
  return c;
}

// A factory floor: a dark wall with rivets and pipes, tiles below, a warm light above.
Canvas Backdrop(Color wall, Color accent) {
  Canvas c(800, 600);
  Path all;
  all.Rect(0, 0, 800, 600);
  c.Fill(all, Paint::Linear({0, 0}, Shade(wall, -0.25f), {0, 600}, Shade(wall, -0.5f)));
  // Wall panels with rivets.
  for (int k = 0; k < 5; k++) {
    Path panel;
    panel.RoundRect(12 + k * 160, 14, 136, 400, 10);
    c.Fill(panel, WithAlpha(Shade(wall, 0.08f), 0.55f));
    c.Fill(panel.Stroke(2.0), WithAlpha(kCocoa, 0.6f));
    for (int r = 0; r < 4; r++) {
      Path rivet;
      rivet.Circle(24 + k * 160 + (r % 2) * 112, 26 + (r / 2) * 376, 3);
      c.Fill(rivet, WithAlpha(accent, 0.7f));
    }
  }
  // Pipes along the top.
  for (int k = 0; k < 2; k++) {
    Path pipe;
    pipe.Rect(-4, 40 + k * 22, 808, 12);
    Path shine;
    shine.Rect(0, 42 + k * 22, 800, 3);
    Piece(c, pipe, Shade(accent, -0.25f), 2.0, &shine, 0.35f);
    for (int j = 0; j < 6; j++) {
      Path joint;
      joint.RoundRect(60 + j * 140 + k * 40, 37 + k * 22, 14, 18, 3);
      Piece(c, joint, Shade(accent, -0.1f), 1.5);
    }
  }
  // The floor: tiles in perspective-free rows.
  Path floor;
  floor.Rect(0, 430, 800, 170);
  c.Fill(floor, Paint::Linear({0, 430}, Shade(kCaramel, -0.45f), {0, 600}, Shade(kCaramel, -0.6f)));
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 11; x++) {
      Path tile;
      tile.Rect(x * 80 - (y % 2) * 40 + 2, 432 + y * 44, 76, 40);
      c.Fill(tile, WithAlpha(kCaramel, 0.08f + 0.03f * ((x + y) % 3)));
    }
  Path edge;
  edge.Rect(0, 426, 800, 6);
  c.Fill(edge, Shade(kCocoa, 0.05f));
  // A warm light from above.
  c.Fill(all, Paint::Radial({400, 0}, 620, {{0, WithAlpha(kGold, 0.16f)}, {1, WithAlpha(kGold, 0.0f)}}));
  return c;
}

}  // namespace

ART_AREA(factory) {
  out.Animation("image/gun", Centred({Gun(0, 0), Gun(0.6, 0.6), Gun(0.25, 1.0), Gun(0, 0)}));
  out.Png("image/gun_base.png", GunBase());
  out.Png("image/box_open.png", BoxOpen());
  out.Png("image/box_open_mask.png", BoxMask());
  out.Png("image/box_closed.png", BoxClosed());
  out.Png("image/timer_face.png", TimerFace(72));
  out.Png("image/timer_hand.png", TimerHand(72));
  out.Png("image/timer_face_small.png", TimerFace(40));
  out.Png("image/timer_hand_small.png", TimerHand(40));
  out.Png("image/item_ring.png", Ring(false));
  out.Png("image/item_ring_rainbow.png", Ring(true));
  out.Png("image/factory_idle_help.png", IdleHelp());
  out.Png("image/backdrop_chocolate.png", Backdrop(kChocolate, kCaramel));
}
