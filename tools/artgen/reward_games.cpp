// Reward games: the slot machine's symbols ("items/slot_<name>_big": the wheels show
// "items/<option>_big" at 0.425 with cells 60 px apart, so a symbol is drawn to fill 60 px) and
// the glass laid over the wheels ("image/slot_glass": the reels' frames again, so a symbol
// sliding past a window's edge goes under its frame, and each window's shaded top and bottom).
#include <cmath>
#include <string>

#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"
#include "tools/artgen/text.h"

using namespace Art;
using namespace Art::Palette;

namespace {

constexpr int kSymbol = 60;

Canvas Cherry() {
  Canvas c(kSymbol, kSymbol);
  Path stems;
  stems.Append(CapsuleShape(20, 40, 33, 12, 3)).Append(CapsuleShape(41, 42, 33, 12, 3));
  Piece(c, stems, Shade(kCaramel, -0.2f), 1.5);
  Path leaf;
  leaf.SetTransform(Matrix::Rotate(-0.5).Then(Matrix::Translate(42, 12)));
  leaf.Ellipse(0, 0, 10, 5);
  Piece(c, leaf, kMint, 1.5);
  for (int k = 0; k < 2; k++) {
    double x = k ? 41 : 19, y = k ? 42 : 40;
    Path cherry;
    cherry.Circle(x, y, 12);
    Path shine;
    shine.Ellipse(x - 4, y - 5, 4, 3);
    Piece(c, cherry, kCherry, 2.0, &shine, 0.7f);
  }
  return c;
}

Canvas Bell() {
  Canvas c(kSymbol, kSymbol);
  Path clapper;
  clapper.Circle(30, 48, 6);
  Piece(c, clapper, Shade(kGold, -0.3f), 1.5);
  Path bell;
  bell.MoveTo(30, 6).CubicTo(44, 6, 44, 22, 45, 32).CubicTo(46, 40, 52, 42, 52, 46).LineTo(8, 46);
  bell.CubicTo(8, 42, 14, 40, 15, 32).CubicTo(16, 22, 16, 6, 30, 6).Close();
  Path shine;
  shine.Ellipse(22, 20, 4, 9);
  Piece(c, bell, kGold, 2.0, &shine, 0.6f);
  Path knob;
  knob.Circle(30, 6, 4);
  Piece(c, knob, kGold, 1.5);
  return c;
}

Canvas Star() {
  Canvas c(kSymbol, kSymbol);
  Path star;
  star.Star(30, 32, 5, 27, 12);
  Path shine;
  shine.Circle(24, 24, 6);
  Piece(c, star, Shade(kGold, 0.1f), 2.0, &shine, 0.6f);
  return c;
}

Canvas Bean() {
  Canvas c(kSymbol, kSymbol);
  Matrix turn = Matrix::Rotate(-0.6).Then(Matrix::Translate(30, 30));
  Path bean;
  bean.SetTransform(turn);
  bean.Ellipse(0, 0, 26, 17);
  Path shine;
  shine.Ellipse(22, 20, 8, 4);
  Piece(c, bean, kChocolate, 2.0, &shine, 0.45f);
  Path seam;
  seam.SetTransform(turn);
  seam.MoveTo(-21, 0).QuadTo(0, -7, 21, 0).QuadTo(0, -3, -21, 0).Close();
  c.Fill(seam, kCocoa);
  return c;
}

Canvas Heart() {
  Canvas c(kSymbol, kSymbol);
  Path heart;
  heart.MoveTo(30, 52).CubicTo(18, 42, 5, 34, 5, 21).CubicTo(5, 12, 12, 7, 19, 7).CubicTo(24, 7, 28, 10, 30, 15);
  heart.CubicTo(32, 10, 36, 7, 41, 7).CubicTo(48, 7, 55, 12, 55, 21).CubicTo(55, 34, 42, 42, 30, 52).Close();
  Path shine;
  shine.Ellipse(17, 18, 6, 4);
  Piece(c, heart, Shade(kCherry, 0.1f), 2.0, &shine, 0.6f);
  return c;
}

Canvas Seven(const Face* face) {
  Canvas c(kSymbol, kSymbol);
  Path seven;
  if (face) {
    seven = CentredText(*face, "7", 30, 31, 56);
  } else {
    seven.Polygon({{10, 8}, {50, 8}, {50, 16}, {30, 54}, {19, 54}, {38, 17}, {10, 17}});
  }
  c.Fill(seven.Stroke(5), kCocoa);
  Piece(c, seven, Paint::Linear({0, 8}, Shade(kCherry, 0.25f), {0, 54}, Shade(kCherry, -0.15f)), 0);
  return c;
}

// Over the cabinet of rewards.cpp (the same windows: centres (130 + 100 k, 170), frames 84 x 140,
// glass 68 x 124).
Canvas SlotGlass() {
  Canvas c(560, 420);
  for (int k = 0; k < 4; k++) {
    double cx = 130 + k * 100, cy = 170;
    Path frame;
    frame.RoundRect(cx - 42, cy - 70, 84, 140, 12);
    Path glass;
    glass.RoundRect(cx - 34, cy - 62, 68, 124, 8);
    Piece(c, frame, kGold, 2.5);
    c.Erase(glass);
    c.Fill(glass, Paint::Linear({0, cy - 62}, WithAlpha(kCocoa, 0.8f), {0, cy - 30}, WithAlpha(kCocoa, 0.0f)));
    c.Fill(glass, Paint::Linear({0, cy + 30}, WithAlpha(kCocoa, 0.0f), {0, cy + 62}, WithAlpha(kCocoa, 0.8f)));
    Path gleam;
    gleam.RoundRect(cx - 30, cy - 58, 8, 116, 4);
    c.Fill(gleam, WithAlpha(kMilk, 0.18f));
    c.Fill(glass.Stroke(2.0), kCocoa);
    // The pay line's pointers either side of the window.
    Path left, right;
    left.Polygon({{cx - 42, cy - 6}, {cx - 32, cy}, {cx - 42, cy + 6}});
    right.Polygon({{cx + 42, cy - 6}, {cx + 32, cy}, {cx + 42, cy + 6}});
    Piece(c, left, kCherry, 1.2);
    Piece(c, right, kCherry, 1.2);
  }
  return c;
}

}  // namespace

ART_AREA(reward_games) {
  auto face = Face::Load("DejaVuSerif-Bold.ttf");
  out.Png("items/slot_cherry_big.png", Cherry());
  out.Png("items/slot_bell_big.png", Bell());
  out.Png("items/slot_star_big.png", Star());
  out.Png("items/slot_bean_big.png", Bean());
  out.Png("items/slot_heart_big.png", Heart());
  out.Png("items/slot_seven_big.png", Seven(face.get()));
  out.Png("image/slot_glass.png", SlotGlass());
}
