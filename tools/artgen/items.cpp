// Ingredients and products. An ingredient is "items/<name>", 32x32: the factory status panel
// draws an icon at slot/32, so 32 px is the size it counts on, and the factories draw it as it
// is. A product is "items/<code>_big", 128x128: the factories show it at half size and the
// status panel at a quarter. Every item is one clear colour of the palette or a tint of it.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tools/artgen/kit.h"
#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"

using namespace Art;
using namespace Art::Palette;

namespace {

const double kLine = 1.5;  // outline at 32 px

Path Ellipse(double cx, double cy, double rx, double ry, double turn = 0) {
  Path p;
  p.SetTransform(Matrix::Rotate(turn).Then(Matrix::Translate(cx, cy)));
  p.Ellipse(0, 0, rx, ry);
  return p;
}

// A seam across a bean: a thin lens along its long axis.
Path Seam(double cx, double cy, double half, double bow, double turn) {
  Path p;
  p.SetTransform(Matrix::Rotate(turn).Then(Matrix::Translate(cx, cy)));
  p.MoveTo(-half, 0).QuadTo(0, -bow, half, 0).QuadTo(0, -bow * 0.4, -half, 0).Close();
  return p;
}

using Drawer = std::function<void(Canvas&)>;

Canvas Item(const Drawer& draw, int size = 32) {
  Canvas c(size, size);
  draw(c);
  return c;
}

// Ingredients.

void Cocoa(Canvas& c) {
  Path bean = Ellipse(16, 16, 13, 8.5, -0.5);
  Path shine = Ellipse(11, 10, 6, 2.5, -0.5);
  Piece(c, bean, Paint::Linear({6, 6}, Shade(kChocolate, 0.15f), {26, 26}, Shade(kChocolate, -0.2f)), kLine, &shine,
        0.4f);
  c.Fill(Seam(16, 16, 10, 4, -0.5), kCocoa);
}

void Beans(Canvas& c) {
  const double at[2][3] = {{12, 13, -0.9}, {20, 19, -0.3}};
  for (const auto& b : at) {
    Path bean = Ellipse(b[0], b[1], 9, 6.5, b[2]);
    Path shine = Ellipse(b[0] - 3, b[1] - 3, 4, 1.8, b[2]);
    Piece(c, bean, Shade(kCocoa, 0.2f), kLine, &shine, 0.35f);
    Path s;
    s.SetTransform(Matrix::Rotate(b[2]).Then(Matrix::Translate(b[0], b[1])));
    s.MoveTo(-7, 0).CubicTo(-3, -3, 3, 3, 7, 0);
    Path seam = Band(s, 1.4);
    c.Fill(seam, kCaramel);
  }
}

void Sugar(Canvas& c) {
  // A cube seen from a corner: top, left and right faces.
  Path top, left, right;
  top.Polygon({{16, 4}, {28, 10}, {16, 16}, {4, 10}});
  left.Polygon({{4, 10}, {16, 16}, {16, 29}, {4, 23}});
  right.Polygon({{16, 16}, {28, 10}, {28, 23}, {16, 29}});
  c.Fill(top, kMilk);
  c.Fill(left, Shade(kCream, -0.05f));
  c.Fill(right, Shade(kCream, -0.15f));
  Path all;
  all.Polygon({{16, 4}, {28, 10}, {28, 23}, {16, 29}, {4, 23}, {4, 10}});
  for (int k = 0; k < 7; k++) {
    Path grain;
    grain.Circle(7 + (k * 5) % 19, 13 + (k * 7) % 13, 0.8);
    c.Fill(grain, WithAlpha(kCaramel, 0.35f));
  }
  c.Fill(all.Stroke(kLine), kCocoa);
  Path edges;
  edges.Capsule(4, 10, 16, 16, 1).Append(CapsuleShape(16, 16, 28, 10, 1)).Append(CapsuleShape(16, 16, 16, 29, 1));
  c.Fill(edges, WithAlpha(kCocoa, 0.6f));
}

void Milk(Canvas& c) {
  Path bottle;
  bottle.MoveTo(12, 4).LineTo(20, 4).LineTo(20, 9).QuadTo(26, 12, 26, 17).LineTo(26, 27).QuadTo(26, 29, 24, 29);
  bottle.LineTo(8, 29).QuadTo(6, 29, 6, 27).LineTo(6, 17).QuadTo(6, 12, 12, 9).Close();
  Path shine;
  shine.RoundRect(8.5, 15, 3, 11, 1.5);
  Piece(c, bottle, kMilk, kLine, &shine, 0.0f);
  Path label;
  label.Rect(6, 18, 20, 6);
  c.PushClip(bottle);
  c.Fill(label, kSea);
  c.PopClip();
  Path cap;
  cap.RoundRect(11, 2, 10, 5, 1.5);
  Piece(c, cap, kSea, kLine);
  c.Fill(shine, WithAlpha(kSky, 0.8f));
}

void Nuts(Canvas& c) {
  Path nut;
  nut.MoveTo(16, 6).CubicTo(26, 6, 28, 20, 24, 25).QuadTo(16, 31, 8, 25).CubicTo(4, 20, 6, 6, 16, 6).Close();
  Path shine = Ellipse(11, 17, 2.5, 5, 0.3);
  Piece(c, nut, Paint::Linear({8, 8}, Shade(kCaramel, 0.05f), {24, 28}, Shade(kCaramel, -0.2f)), kLine, &shine, 0.4f);
  Path cap;
  cap.MoveTo(6, 12).QuadTo(16, 1, 26, 12).QuadTo(16, 8, 6, 12).Close();
  Path capBody;
  capBody.MoveTo(7, 12).CubicTo(8, 5, 24, 5, 25, 12).QuadTo(16, 15, 7, 12).Close();
  Piece(c, capBody, Shade(kChocolate, 0.1f), kLine);
  Path tip;
  tip.Capsule(16, 6, 17, 2.5, 2);
  c.Fill(tip, kCocoa);
}

void Caramel(Canvas& c) {
  Path piece;
  piece.RoundRect(5, 7, 22, 19, 5);
  Path shine;
  shine.RoundRect(8, 9, 10, 4, 2);
  Piece(c, piece, Paint::Linear({0, 7}, Shade(kGold, -0.05f), {0, 26}, Shade(kCaramel, -0.1f)), kLine, &shine, 0.5f);
  Path swirl;
  swirl.MoveTo(10, 18).QuadTo(13, 14, 16, 18).QuadTo(19, 22, 22, 18);
  Path band = Band(swirl, 1.6);
  c.Fill(band, WithAlpha(kChocolate, 0.7f));
}

void Vanilla(Canvas& c) {
  Path petals;
  for (int k = 0; k < 5; k++)
    petals.Append(Ellipse(16 + 7 * std::sin(k * 2 * M_PI / 5), 16 - 7 * std::cos(k * 2 * M_PI / 5), 6, 4.2,
                          k * 2 * M_PI / 5 + M_PI / 2));
  c.Fill(petals.Stroke(kLine * 2), kCocoa);
  c.Fill(petals, kCream);
  for (int k = 0; k < 5; k++) {
    Path vein = Ellipse(16 + 8 * std::sin(k * 2 * M_PI / 5), 16 - 8 * std::cos(k * 2 * M_PI / 5), 3, 1.2,
                        k * 2 * M_PI / 5 + M_PI / 2);
    c.Fill(vein, kMilk);
  }
  Path heart;
  heart.Circle(16, 16, 3.5);
  Piece(c, heart, kGold, 1.0);
}

void Cherry(Canvas& c) {
  Path stems;
  stems.MoveTo(10, 20).QuadTo(12, 8, 19, 4);
  stems.MoveTo(22, 21).QuadTo(21, 10, 19, 4);
  Path band = Band(stems, 1.8);
  c.Fill(band, kChocolate);
  Path leaf = Ellipse(23, 6, 5, 2.5, 0.4);
  Piece(c, leaf, kMint, 1.0);
  const double berries[2][2] = {{10, 22}, {22, 23}};
  for (const auto& b : berries) {
    Path berry;
    berry.Circle(b[0], b[1], 6.2);
    Path shine = Ellipse(b[0] - 2, b[1] - 2.5, 2.2, 1.4, -0.6);
    Piece(c, berry, kCherry, kLine, &shine, 0.7f);
  }
}

void Mint(Canvas& c) {
  Path leaf;
  leaf.MoveTo(6, 26).CubicTo(4, 12, 16, 4, 27, 5).CubicTo(28, 16, 20, 28, 6, 26).Close();
  Path shine = Ellipse(13, 14, 5, 2, -0.8);
  Piece(c, leaf, Paint::Linear({6, 26}, Shade(kMint, -0.15f), {27, 5}, Shade(kMint, 0.1f)), kLine, &shine, 0.35f);
  Path vein;
  vein.Capsule(7, 25, 24, 8, 1.2);
  for (int k = 0; k < 3; k++) {
    double x = 11 + k * 4.5, y = 20 - k * 4.2;
    vein.Append(CapsuleShape(x, y, x - 2, y - 5, 1.0)).Append(CapsuleShape(x, y, x + 5, y + 1.5, 1.0));
  }
  c.Fill(vein, Shade(kMint, -0.35f));
}

void Honey(Canvas& c) {
  Path drop;
  drop.MoveTo(16, 3).CubicTo(19, 10, 26, 15, 26, 21).CubicTo(26, 27, 21, 30, 16, 30).CubicTo(11, 30, 6, 27, 6, 21);
  drop.CubicTo(6, 15, 13, 10, 16, 3).Close();
  Path shine = Ellipse(12, 20, 2, 4, 0.3);
  Piece(c, drop, Paint::Radial({13, 18}, 14, {{0, Shade(kGold, 0.2f)}, {1, Shade(kGold, -0.15f)}}), kLine, &shine,
        0.6f);
}

void Cream(Canvas& c) {
  Path swirl;
  swirl.MoveTo(5, 26).LineTo(27, 26).QuadTo(28, 20, 23, 19).QuadTo(25, 13, 19, 12).QuadTo(20, 5, 15, 4);
  swirl.QuadTo(15, 9, 11, 11).QuadTo(6, 12, 8, 18).QuadTo(3, 20, 5, 26).Close();
  Path shine = Ellipse(12, 16, 3, 1.5, -0.3);
  Piece(c, swirl, kMilk, kLine, &shine, 0.0f);
  Path folds;
  folds.Capsule(9, 19, 23, 19.5, 1.2).Append(CapsuleShape(11, 12.5, 19, 12.5, 1.1));
  c.Fill(folds, WithAlpha(kCaramel, 0.45f));
}

void Cinnamon(Canvas& c) {
  for (int k = 0; k < 2; k++) {
    double y = 12 + k * 8;
    Path stick;
    stick.SetTransform(Matrix::Rotate(-0.35).Then(Matrix::Translate(16, y)));
    stick.RoundRect(-12, -3.5, 24, 7, 3.5);
    Path shine;
    shine.SetTransform(Matrix::Rotate(-0.35).Then(Matrix::Translate(16, y)));
    shine.Rect(-10, -2.5, 18, 1.6);
    Piece(c, stick, Shade(kCaramel, -0.15f), kLine, &shine, 0.35f);
    Path end = Ellipse(16 + 11.3 * std::cos(-0.35), y + 11.3 * std::sin(-0.35), 2, 3.5, -0.35);
    Piece(c, end, Shade(kCaramel, 0.15f), 1.0);
  }
}

void ChocolatePiece(Canvas& c) {
  Path block;
  block.RoundRect(5, 6, 22, 20, 3);
  Path shine;
  shine.Rect(7, 8, 18, 2.5);
  Piece(c, block, Shade(kChocolate, -0.05f), kLine, &shine, 0.3f);
  Path grooves;
  grooves.Capsule(16, 7, 16, 25, 1.3).Append(CapsuleShape(6, 16, 26, 16, 1.3));
  c.Fill(grooves, kCocoa);
}

// Products, 128x128.

const double kBig = 3.0;  // outline at 128 px

void Shadow(Canvas& c, const Path& shape) { c.Shadow(shape, 3, 4, 4, WithAlpha(kCocoa, 0.35f)); }

void Bar(Canvas& c) {
  Path bar;
  bar.SetTransform(Matrix::Rotate(-0.18).Then(Matrix::Translate(64, 64)));
  bar.RoundRect(-50, -30, 100, 60, 6);
  Shadow(c, bar);
  Piece(c, bar, Shade(kChocolate, -0.05f), kBig);
  c.PushClip(bar);
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 2; j++) {
      Path square;
      square.SetTransform(Matrix::Rotate(-0.18).Then(Matrix::Translate(64, 64)));
      square.RoundRect(-46 + i * 31, -26 + j * 27, 27, 23, 3);
      Path lit;
      lit.SetTransform(Matrix::Rotate(-0.18).Then(Matrix::Translate(64, 64)));
      lit.Rect(-44 + i * 31, -24 + j * 27, 23, 4);
      c.Fill(square, Shade(kChocolate, 0.08f));
      c.Fill(lit, WithAlpha(kMilk, 0.25f));
      c.Fill(square.Stroke(1.5), WithAlpha(kCocoa, 0.7f));
    }
  // The wrapper over the right half, folded back.
  Path wrap;
  wrap.SetTransform(Matrix::Rotate(-0.18).Then(Matrix::Translate(64, 64)));
  wrap.MoveTo(8, -34)
      .LineTo(54, -34)
      .LineTo(54, 34)
      .LineTo(14, 34)
      .LineTo(20, 20)
      .LineTo(10, 8)
      .LineTo(18, -6)
      .LineTo(8, -20)
      .Close();
  c.Fill(wrap, kCherry);
  Path band;
  band.SetTransform(Matrix::Rotate(-0.18).Then(Matrix::Translate(64, 64)));
  band.Rect(32, -34, 10, 68);
  c.Fill(band, kGold);
  c.Fill(wrap.Stroke(kBig * 0.8), kCocoa);
  c.PopClip();
  c.Fill(bar.Stroke(kBig), kCocoa);
}

void Truffle(Canvas& c) {
  Path cup;
  cup.MoveTo(26, 74).LineTo(102, 74).LineTo(92, 112).LineTo(36, 112).Close();
  Shadow(c, cup);
  Piece(c, cup, Shade(kCherry, 0.05f), kBig);
  for (int k = 1; k < 8; k++) {
    double x = 30 + k * 9.5;
    Path pleat;
    pleat.Capsule(x, 77, 36 + (x - 30) * 0.79, 109, 2);
    c.Fill(pleat, WithAlpha(kCocoa, 0.35f));
  }
  Path ball;
  ball.Circle(64, 60, 36);
  Path shine = Ellipse(50, 44, 13, 7, -0.6);
  Piece(c, ball, Paint::Radial({54, 50}, 46, {{0, Shade(kChocolate, 0.12f)}, {1, Shade(kChocolate, -0.28f)}}), kBig,
        &shine, 0.3f);
  c.PushClip(ball);
  unsigned s = 5;
  for (int k = 0; k < 40; k++) {
    s = s * 1664525u + 1013904223u;
    double a = (s >> 8) % 1000 / 1000.0 * 2 * M_PI, r = (s >> 4) % 1000 / 1000.0 * 34;
    Path dust;
    dust.Circle(64 + r * std::cos(a), 60 + r * std::sin(a), 1.3);
    c.Fill(dust, WithAlpha(kCocoa, 0.5f));
  }
  c.PopClip();
}

void Praline(Canvas& c) {
  Path shell;
  shell.MoveTo(18, 92).CubicTo(18, 40, 110, 40, 110, 92).QuadTo(64, 108, 18, 92).Close();
  Shadow(c, shell);
  Path shine = Ellipse(44, 60, 16, 6, -0.4);
  Piece(c, shell, Paint::Linear({0, 40}, Shade(kCaramel, -0.05f), {0, 100}, Shade(kChocolate, 0.2f)), kBig, &shine,
        0.35f);
  for (int k = 0; k < 5; k++) {
    Path rib;
    rib.MoveTo(30 + k * 17, 95 - (k == 2 ? 2 : 0)).QuadTo(40 + k * 12, 62, 64, 50);
    c.Fill(Band(rib, 2.2), WithAlpha(kCocoa, 0.45f));
  }
  Path nut;
  nut.MoveTo(64, 28).CubicTo(80, 28, 82, 50, 76, 56).QuadTo(64, 64, 52, 56).CubicTo(46, 50, 48, 28, 64, 28).Close();
  Path nutShine = Ellipse(58, 42, 3, 7, 0.2);
  Piece(c, nut, Shade(kCaramel, 0.1f), kBig * 0.8, &nutShine, 0.5f);
}

void Bonbon(Canvas& c) {
  for (int side = 0; side < 2; side++) {
    double s = side ? 1 : -1;
    Path twist;
    twist.MoveTo(64 + s * 30, 64).LineTo(64 + s * 58, 40).QuadTo(64 + s * 52, 64, 64 + s * 58, 88).Close();
    Piece(c, twist, Shade(kGold, 0.05f), kBig);
    Path fold;
    fold.MoveTo(64 + s * 36, 62).LineTo(64 + s * 54, 50);
    fold.MoveTo(64 + s * 36, 66).LineTo(64 + s * 54, 80);
    c.Fill(Band(fold, 2), WithAlpha(kCocoa, 0.4f));
  }
  Path body = Ellipse(64, 64, 34, 26);
  Shadow(c, body);
  Path shine = Ellipse(52, 52, 14, 6, -0.3);
  Piece(c, body, Paint::Linear({0, 38}, Shade(kSea, 0.15f), {0, 90}, Shade(kSea, -0.15f)), kBig, &shine, 0.45f);
  for (int k = 0; k < 3; k++) {
    Path stripe;
    stripe.MoveTo(44 + k * 16, 42).QuadTo(38 + k * 16, 64, 46 + k * 16, 88);
    c.PushClip(body);
    c.Fill(Band(stripe, 5), WithAlpha(kMilk, 0.6f));
    c.PopClip();
  }
}

void Heart(Canvas& c) {
  Path heart;
  heart.MoveTo(64, 108).CubicTo(20, 80, 14, 50, 28, 36).CubicTo(42, 22, 58, 28, 64, 42);
  heart.CubicTo(70, 28, 86, 22, 100, 36).CubicTo(114, 50, 108, 80, 64, 108).Close();
  Shadow(c, heart);
  Path shine = Ellipse(40, 48, 12, 6, -0.7);
  Piece(c, heart, Paint::Linear({0, 30}, Shade(kCherry, 0.1f), {0, 108}, Shade(kCherry, -0.2f)), kBig, &shine, 0.45f);
  Path bow;
  bow.Ellipse(54, 40, 9, 6).Ellipse(74, 40, 9, 6);
  Piece(c, bow, kGold, 2.0);
  Path knot;
  knot.Circle(64, 40, 4.5);
  Piece(c, knot, Shade(kGold, -0.1f), 2.0);
}

// Drinks share a cup: a body, a handle and a saucer, with its contents on top.
void Cup(Canvas& c, double top, double bottom, double halfTop, double halfBottom, Color body, Color drink, bool saucer,
         bool foam) {
  if (saucer) {
    Path plate = Ellipse(64, bottom + 4, 52, 11);
    Shadow(c, plate);
    Piece(c, plate, kMilk, kBig);
  }
  Path handle;
  handle.Ring(64 + halfTop * 0.85 + 8, (top + bottom) / 2, 15, 8);
  Piece(c, handle, body, kBig);
  Path cup;
  cup.MoveTo(64 - halfTop, top)
      .LineTo(64 + halfTop, top)
      .CubicTo(64 + halfTop, bottom - 8, 64 + halfBottom + 6, bottom, 64 + halfBottom, bottom);
  cup.LineTo(64 - halfBottom, bottom)
      .CubicTo(64 - halfBottom - 6, bottom, 64 - halfTop, bottom - 8, 64 - halfTop, top)
      .Close();
  if (!saucer) Shadow(c, cup);
  Path shine;
  shine.RoundRect(64 - halfTop + 6, top + 8, 6, (bottom - top) * 0.6, 3);
  Piece(c, cup, body, kBig, &shine, 0.5f);
  Path surface = Ellipse(64, top, halfTop, 7);
  Piece(c, surface, drink, kBig * 0.8);
  if (foam) {
    Path froth = Ellipse(64, top - 1, halfTop * 0.7, 4.5);
    c.Fill(froth, Mix(kCream, kMilk, 0.5f));
    Path heart;
    heart.SetTransform(Matrix::Scale(1, 0.45).Then(Matrix::Translate(64, top - 1)));
    heart.MoveTo(0, 7).CubicTo(-9, 1, -8, -7, 0, -3).CubicTo(8, -7, 9, 1, 0, 7).Close();
    c.Fill(heart, Shade(kCaramel, -0.1f));
  }
}

void Espresso(Canvas& c) { Cup(c, 62, 100, 30, 20, kMilk, Shade(kCocoa, 0.1f), true, false); }
void Cappuccino(Canvas& c) { Cup(c, 52, 100, 38, 26, kSea, kCream, true, true); }

void Mocha(Canvas& c) {
  Cup(c, 58, 112, 34, 28, kCherry, Shade(kChocolate, 0.1f), false, false);
  Path cream;
  cream.MoveTo(32, 58).QuadTo(30, 44, 44, 42).QuadTo(46, 28, 62, 30).QuadTo(66, 16, 76, 24).QuadTo(90, 28, 86, 42);
  cream.QuadTo(100, 46, 96, 58).Close();
  Path shine = Ellipse(52, 40, 8, 3, -0.2);
  Piece(c, cream, kMilk, kBig, &shine, 0.0f);
  Path drizzle;
  drizzle.MoveTo(40, 50).QuadTo(52, 40, 62, 48).QuadTo(72, 56, 86, 46);
  c.Fill(Band(drizzle, 3), kChocolate);
}

void Latte(Canvas& c) {
  Path glass;
  glass.MoveTo(38, 18).LineTo(90, 18).LineTo(84, 114).LineTo(44, 114).Close();
  Shadow(c, glass);
  c.PushClip(glass);
  Path coffee, milk, foam;
  coffee.Rect(0, 76, 128, 40);
  milk.Rect(0, 44, 128, 33);
  foam.Rect(0, 26, 128, 19);
  c.Fill(coffee, Shade(kChocolate, 0.1f));
  c.Fill(milk, Mix(kCaramel, kCream, 0.55f));
  c.Fill(foam, kMilk);
  Path shine;
  shine.Rect(44, 20, 6, 92);
  c.Fill(shine, WithAlpha(kMilk, 0.45f));
  c.PopClip();
  c.Fill(glass.Stroke(kBig), kCocoa);
  Path straw;
  straw.Capsule(72, 34, 96, 6, 7);
  Piece(c, straw, kMint, 2.5);
}

struct Entry {
  const char* name;
  void (*draw)(Canvas&);
};

const Entry kIngredients[] = {{"cocoa", Cocoa},
                              {"sugar", Sugar},
                              {"milk", Milk},
                              {"nuts", Nuts},
                              {"caramel", Caramel},
                              {"vanilla", Vanilla},
                              {"cherry", Cherry},
                              {"mint", Mint},
                              {"honey", Honey},
                              {"beans", Beans},
                              {"cream", Cream},
                              {"cinnamon", Cinnamon},
                              {"chocolate", ChocolatePiece}};
const Entry kProducts[] = {{"bar", Bar},     {"truffle", Truffle},   {"praline", Praline},       {"bonbon", Bonbon},
                           {"heart", Heart}, {"espresso", Espresso}, {"cappuccino", Cappuccino}, {"mocha", Mocha},
                           {"latte", Latte}};

}  // namespace

ART_AREA(items) {
  for (const Entry& e : kIngredients) out.Png(std::string("items/") + e.name + ".png", Item(e.draw));
  for (const Entry& e : kProducts) out.Png(std::string("items/") + e.name + "_big.png", Item(e.draw, 128));
}

ART_PREVIEW(items) {
  Canvas sheet(800, 600);
  Path all;
  all.Rect(0, 0, 800, 600);
  sheet.Fill(all, Mix(kCream, kCaramel, 0.25f));
  int x = 16;
  for (const Entry& e : kIngredients) {
    Canvas one = Item(e.draw);
    // Each at 1x and 3x, pixel for pixel.
    sheet.Draw(one, x, 16);
    for (int py = 0; py < 32; py++)
      for (int px = 0; px < 32; px++) {
        Path p;
        p.Rect(x + px * 2, 60 + py * 2, 2, 2);
        Color col = one.PixelAt(px, py);
        if (col.a > 0) sheet.Fill(p, col);
      }
    x += 60;
  }
  x = 16;
  int y = 150;
  for (const Entry& e : kProducts) {
    sheet.Draw(Item(e.draw, 128), x, y);
    x += 150;
    if (x > 700) x = 16, y += 150;
  }
  out.Png("preview_items.png", sheet);
}
