// The recipe designer's layers: "custom/<type>_<name>_layer<n>.png", 128x128, for the product
// types "chocolate" and "beverage". The game tints each layer with the colour the player picks,
// so the layers are drawn in light greys (their shading survives the tint) with dark outlines;
// a base shape's "_highlight" companion is drawn untinted over it. Layer 1 is the base shape;
// layers 2 to 4 are decorations that lie on it. Every beverage cup shares one rim (an ellipse
// 76 px wide at y = 50), so any drink of layer 3 fits any cup of layer 1.
#include <cmath>
#include <string>

#include "tools/artgen/kit.h"
#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"

using namespace Art;
using namespace Art::Palette;

namespace {

const Color kLight = Hex("#f4f4f4");
const Color kMid = Hex("#c8c8c8");
const Color kEdge = Hex("#303030");
const double kLine = 3.0;

Paint Grey(double top, double bottom) { return Paint::Linear({0, top}, kLight, {0, bottom}, kMid); }

Path Lens(double cx, double cy, double rx, double ry, double turn) {
  Path p;
  p.SetTransform(Matrix::Rotate(turn).Then(Matrix::Translate(cx, cy)));
  p.Ellipse(0, 0, rx, ry);
  return p;
}

struct Shape {
  const char* name;
  Path outline;
  Path highlight;
};

// Chocolate base shapes, centred, about 96 px.
Shape Round() {
  Path p, h;
  p.Circle(64, 64, 44);
  h = Lens(48, 46, 16, 8, -0.7);
  return {"round", p, h};
}
Shape Square() {
  Path p, h;
  p.RoundRect(22, 22, 84, 84, 12);
  h.RoundRect(30, 28, 44, 10, 5);
  return {"square", p, h};
}
Shape HeartShape() {
  Path p;
  p.MoveTo(64, 108).CubicTo(22, 82, 14, 52, 28, 36).CubicTo(42, 22, 58, 28, 64, 42);
  p.CubicTo(70, 28, 86, 22, 100, 36).CubicTo(114, 52, 106, 82, 64, 108).Close();
  return {"heart", p, Lens(40, 46, 11, 6, -0.7)};
}
Shape Shell() {
  Path p;
  p.MoveTo(20, 96).CubicTo(16, 40, 112, 40, 108, 96).QuadTo(64, 110, 20, 96).Close();
  return {"shell", p, Lens(44, 60, 16, 6, -0.4)};
}
Shape Bar() {
  Path p, h;
  p.RoundRect(14, 34, 100, 60, 8);
  h.RoundRect(20, 38, 60, 7, 3.5);
  return {"bar", p, h};
}

void Base(Sink& out, const std::string& type, const Shape& s, double top, double bottom) {
  Canvas c(128, 128);
  c.Fill(s.outline, Grey(top, bottom));
  c.Fill(s.outline.Stroke(kLine), kEdge);
  out.Png("custom/" + type + "_" + s.name + "_layer1.png", c);
  Canvas h(128, 128);
  h.Fill(s.highlight, WithAlpha(kMilk, 0.55f));
  out.Png("custom/" + type + "_" + s.name + "_layer1_highlight.png", h);
}

// A decoration: light strokes with a thin dark edge.
Canvas Marks(const Path& marks, double edge = 1.2) {
  Canvas c(128, 128);
  c.Fill(marks.Stroke(edge * 2), kEdge);
  c.Fill(marks, kLight);
  return c;
}

void Chocolate(Sink& out) {
  const std::string t = "chocolate";
  Base(out, t, Round(), 20, 108);
  Base(out, t, Square(), 22, 106);
  Base(out, t, HeartShape(), 26, 108);
  Base(out, t, Shell(), 44, 104);
  Base(out, t, Bar(), 34, 94);

  // Layer 2: icing across the middle.
  Path drizzle;
  drizzle.MoveTo(30, 50);
  for (int k = 0; k < 6; k++) drizzle.LineTo(38 + k * 11, k % 2 ? 50 : 80);
  out.Png("custom/chocolate_drizzle_layer2.png", Marks(Band(drizzle, 5)));
  Path swirl;
  for (int k = 0; k <= 60; k++) {
    double a = k * 0.3, r = 4 + k * 0.55;
    if (k == 0)
      swirl.MoveTo(64 + r * std::cos(a), 64 + r * std::sin(a));
    else
      swirl.LineTo(64 + r * std::cos(a), 64 + r * std::sin(a));
  }
  out.Png("custom/chocolate_swirl_layer2.png", Marks(Band(swirl, 4.5)));
  Path stripes;
  for (int k = 0; k < 4; k++) stripes.Append(CapsuleShape(36 + k * 18, 40, 30 + k * 18, 88, 6));
  out.Png("custom/chocolate_stripes_layer2.png", Marks(stripes));

  // Layer 3: small things scattered over the shape.
  Path sprinkles, dots, stars;
  unsigned s = 9;
  for (int k = 0; k < 22; k++) {
    s = s * 1664525u + 1013904223u;
    double x = 40 + (s >> 8) % 46, y = 56 + (s >> 16) % 34, a = (s >> 4) % 628 / 100.0;
    sprinkles.Append(CapsuleShape(x, y, x + 6 * std::cos(a), y + 6 * std::sin(a), 3));
  }
  for (int k = 0; k < 9; k++) dots.Circle(46 + (k % 3) * 18, 60 + (k / 3) * 14, 4.5);
  for (int k = 0; k < 5; k++) stars.Star(40 + (k % 3) * 24 + (k / 3) * 12, 60 + (k / 3) * 22, 5, 8, 3.5);
  out.Png("custom/chocolate_sprinkles_layer3.png", Marks(sprinkles, 0.8));
  out.Png("custom/chocolate_dots_layer3.png", Marks(dots));
  out.Png("custom/chocolate_stars_layer3.png", Marks(stars));

  // Layer 4: one thing on top.
  Canvas nut(128, 128);
  Path kernel;
  kernel.MoveTo(64, 38).CubicTo(80, 38, 82, 60, 76, 66).QuadTo(64, 74, 52, 66).CubicTo(46, 60, 48, 38, 64, 38).Close();
  nut.Fill(kernel, Grey(38, 72));
  nut.Fill(Lens(58, 52, 3, 7, 0.2), WithAlpha(kLight, 0.9f));
  nut.Fill(kernel.Stroke(kLine), kEdge);
  out.Png("custom/chocolate_nut_layer4.png", nut);
  Canvas cherry(128, 128);
  Path stem;
  stem.MoveTo(64, 52).QuadTo(66, 36, 78, 28);
  cherry.Fill(Band(stem, 3.5), kEdge);
  Path berry;
  berry.Circle(64, 60, 13);
  cherry.Fill(berry, Grey(47, 73));
  cherry.Fill(Lens(59, 55, 4, 2.5, -0.6), kLight);
  cherry.Fill(berry.Stroke(kLine), kEdge);
  out.Png("custom/chocolate_cherry_layer4.png", cherry);
  Canvas leaf(128, 128);
  Path blade;
  blade.MoveTo(44, 72).CubicTo(44, 50, 64, 40, 86, 42).CubicTo(86, 60, 70, 76, 44, 72).Close();
  leaf.Fill(blade, Grey(42, 76));
  leaf.Fill(Band(Path().MoveTo(46, 71).LineTo(82, 45), 2), kMid);
  leaf.Fill(blade.Stroke(kLine), kEdge);
  out.Png("custom/chocolate_leaf_layer4.png", leaf);
}

// Beverage cups: one rim for all.
const double kRimY = 50, kRimHalf = 38;

void CupBase(Sink& out, const char* name, const Path& body, const Path& extra, const Path& highlight) {
  Canvas c(128, 128);
  c.Fill(extra, Grey(40, 110));
  c.Fill(extra.Stroke(kLine), kEdge);
  c.Fill(body, Grey(kRimY, 112));
  c.Fill(body.Stroke(kLine), kEdge);
  Path rim;
  rim.Ellipse(64, kRimY, kRimHalf, 8);
  c.Fill(rim, kMid);
  c.Fill(rim.Stroke(kLine), kEdge);
  out.Png(std::string("custom/beverage_") + name + "_layer1.png", c);
  Canvas h(128, 128);
  h.Fill(highlight, WithAlpha(kMilk, 0.55f));
  out.Png(std::string("custom/beverage_") + name + "_layer1_highlight.png", h);
}

void Beverage(Sink& out) {
  {
    Path body, handle, shine;
    body.MoveTo(26, kRimY).LineTo(102, kRimY).LineTo(100, 106).QuadTo(100, 114, 92, 114).LineTo(36, 114);
    body.QuadTo(28, 114, 28, 106).Close();
    handle.Ring(106, 80, 17, 9);
    shine.RoundRect(34, 60, 7, 44, 3.5);
    CupBase(out, "mug", body, handle, shine);
  }
  {
    Path body, extra, shine;
    body.MoveTo(26, kRimY)
        .LineTo(102, kRimY)
        .CubicTo(102, 92, 84, 104, 64, 104)
        .CubicTo(44, 104, 26, 92, 26, kRimY)
        .Close();
    extra.Ellipse(64, 108, 54, 11).Append(Path().Ring(104, 68, 13, 7));
    shine.RoundRect(34, 58, 7, 26, 3.5);
    CupBase(out, "teacup", body, extra, shine);
  }
  {
    Path body, extra, shine;
    body.MoveTo(26, kRimY).LineTo(102, kRimY).LineTo(92, 116).LineTo(36, 116).Close();
    shine.Polygon({{34, 58}, {40, 58}, {44, 110}, {39, 110}});
    CupBase(out, "glass", body, extra, shine);
  }

  // Layer 2: a print on the cup's body.
  Path band;
  band.Rect(34, 72, 60, 10);
  out.Png("custom/beverage_band_layer2.png", Marks(band));
  Path dots;
  for (int k = 0; k < 7; k++) dots.Circle(40 + (k % 4) * 16 + (k / 4) * 8, 70 + (k / 4) * 16, 4);
  out.Png("custom/beverage_dots_layer2.png", Marks(dots));
  Path heart;
  heart.MoveTo(64, 96).CubicTo(48, 86, 46, 74, 54, 70).CubicTo(59, 67, 63, 70, 64, 74).CubicTo(65, 70, 69, 67, 74, 70);
  heart.CubicTo(82, 74, 80, 86, 64, 96).Close();
  out.Png("custom/beverage_heart_layer2.png", Marks(heart));

  // Layer 3: what is in the cup, seen at its rim.
  auto drink = [&](const char* name, bool foam, bool bubbles) {
    Canvas c(128, 128);
    Path surface;
    surface.Ellipse(64, kRimY + 1, kRimHalf - 4, 6);
    c.Fill(surface, foam ? kLight : kMid);
    if (foam) {
      Path froth;
      froth.Ellipse(64, kRimY - 2, kRimHalf - 8, 6);
      c.Fill(froth, kLight);
      c.Fill(froth.Stroke(1.2), kMid);
    }
    if (bubbles) {
      Path b;
      for (int k = 0; k < 6; k++) b.Circle(44 + k * 8, kRimY + (k % 2 ? 2 : -1), 2);
      c.Fill(b, kLight);
    }
    c.Fill(surface.Stroke(1.5), kEdge);
    out.Png(std::string("custom/beverage_") + name + "_layer3.png", c);
  };
  drink("coffee", false, false);
  drink("foam", true, false);
  drink("fizz", false, true);

  // Layer 4: on top of the drink.
  Canvas cream(128, 128);
  Path mound;
  mound.MoveTo(30, kRimY + 2)
      .QuadTo(28, 38, 42, 36)
      .QuadTo(44, 22, 60, 24)
      .QuadTo(64, 10, 74, 18)
      .QuadTo(88, 22, 84, 36);
  mound.QuadTo(98, 40, 98, kRimY + 2).Close();
  cream.Fill(mound, Grey(12, 52));
  cream.Fill(Band(Path().MoveTo(38, 44).QuadTo(60, 38, 88, 44), 2), kMid);
  cream.Fill(mound.Stroke(kLine), kEdge);
  out.Png("custom/beverage_cream_layer4.png", cream);
  Canvas straw(128, 128);
  Path tube;
  tube.Capsule(72, kRimY + 4, 94, 6, 8);
  straw.Fill(tube, Grey(6, 56));
  straw.Fill(tube.Stroke(kLine), kEdge);
  out.Png("custom/beverage_straw_layer4.png", straw);
  Canvas stick(128, 128);
  Path roll;
  roll.SetTransform(Matrix::Rotate(-1.0).Then(Matrix::Translate(82, 34)));
  roll.RoundRect(-24, -5, 48, 10, 5);
  stick.Fill(roll, Grey(10, 60));
  stick.Fill(roll.Stroke(kLine), kEdge);
  out.Png("custom/beverage_cinnamon_layer4.png", stick);
}

}  // namespace

ART_AREA(custom) {
  Chocolate(out);
  Beverage(out);
}

// Designs as the recipe designer shows them: layers stacked, each in a colour of its own.
ART_PREVIEW(custom) {
  Scratch parts("custom", {"custom"});
  auto load = [&](const std::string& key) { return parts.Load("custom/" + key); };
  struct Design {
    const char* layers[4];
    Color tints[4];
  };
  const Design designs[] = {
      {{"chocolate_round_layer1", "chocolate_drizzle_layer2", "chocolate_sprinkles_layer3", "chocolate_cherry_layer4"},
       {kChocolate, kCream, kGold, kCherry}},
      {{"chocolate_heart_layer1", "chocolate_swirl_layer2", "", "chocolate_nut_layer4"},
       {kCherry, kMilk, kMilk, kCaramel}},
      {{"chocolate_bar_layer1", "chocolate_stripes_layer2", "chocolate_stars_layer3", ""},
       {kCaramel, kChocolate, kGold, kMilk}},
      {{"chocolate_shell_layer1", "", "chocolate_dots_layer3", "chocolate_leaf_layer4"},
       {kCream, kMilk, kCherry, kMint}},
      {{"beverage_mug_layer1", "beverage_band_layer2", "beverage_coffee_layer3", "beverage_cream_layer4"},
       {kSea, kMilk, kChocolate, kMilk}},
      {{"beverage_teacup_layer1", "beverage_dots_layer2", "beverage_foam_layer3", "beverage_cinnamon_layer4"},
       {kMilk, kCherry, kCream, kCaramel}},
      {{"beverage_glass_layer1", "beverage_heart_layer2", "beverage_fizz_layer3", "beverage_straw_layer4"},
       {kSky, kCherry, kMint, kGold}},
      {{"chocolate_square_layer1", "chocolate_drizzle_layer2", "chocolate_dots_layer3", "chocolate_cherry_layer4"},
       {kMint, kMilk, kChocolate, kCherry}},
  };
  Canvas sheet(800, 600);
  Path all;
  all.Rect(0, 0, 800, 600);
  sheet.Fill(all, Mix(kCream, kCaramel, 0.25f));
  int x = 24, y = 24;
  for (const Design& d : designs) {
    for (int k = 0; k < 4; k++) {
      if (!*d.layers[k]) continue;
      sheet.Draw(Tinted(load(d.layers[k]), d.tints[k]), x, y);
      if (k == 0) sheet.Draw(load(std::string(d.layers[k]) + "_highlight"), x, y);
    }
    x += 190;
    if (x > 650) x = 24, y += 180;
  }
  out.Png("preview_custom.png", sheet);
}
