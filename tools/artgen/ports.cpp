// The ports ("ports/..."): a scene picture for each of the three ports (sky, hills, sea, the quay
// and its paths), their buildings (one picture each, centred on the building's point; the game
// draws a scaled copy behind it as the hover glow, so the windows are lit milk), the placeholder
// building, and the figures that walk the paths: eight headings each (frame k faces k x 45
// degrees clockwise from up the screen), with a white mask of their clothes that the scene tints.
// Decorations: a flag that waves, barrels, a lamp post for a row (htile).
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tools/artgen/kit.h"
#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"

using namespace Art;
using namespace Art::Palette;

namespace {

struct Look {
  Color hills, quay, path;
  unsigned seed;
};

// A scene: sky to y 200, hills, the sea to y 360, the quay below with its planks and a path.
Canvas Scene(const Look& look) {
  Canvas c(800, 600);
  Path all;
  all.Rect(0, 0, 800, 600);
  c.Fill(all, Paint::Linear({0, 0}, Shade(kSky, 0.2f), {0, 260}, Mix(kSky, kSea, 0.3f)));
  Path sun;
  sun.Circle(650, 80, 38);
  c.Glow(sun, 16, WithAlpha(kGold, 0.5f));
  c.Fill(sun, Shade(kGold, 0.35f));
  Seeded s(look.seed);
  // Two rows of hills.
  for (int row = 0; row < 2; row++) {
    Path hills;
    hills.MoveTo(-10, 300);
    for (int x = -10; x <= 810; x += 10) {
      double y = 200 + row * 30 - 40 * std::sin(x / (90.0 + row * 40) + look.seed) - 20 * std::sin(x / 37.0 + row);
      hills.LineTo(x, y);
    }
    hills.LineTo(810, 300).Close();
    c.Fill(hills, row ? look.hills : Mix(look.hills, kSky, 0.45f));
    c.Fill(hills.Stroke(2.0), WithAlpha(kCocoa, row ? 0.6f : 0.25f));
  }
  // The sea with glints.
  Path sea;
  sea.Rect(0, 250, 800, 130);
  c.Fill(sea, Paint::Linear({0, 250}, Shade(kSea, 0.15f), {0, 380}, Shade(kSea, -0.1f)));
  for (int k = 0; k < 40; k++) {
    double x = s.Unit() * 800, y = 262 + s.Unit() * 110;
    c.Fill(CapsuleShape(x - 7, y, x + 7, y, 2), WithAlpha(kMilk, 0.35f));
  }
  // The quay: planks, an edge with bollards, a cobbled path down the middle.
  Path quay;
  quay.Rect(0, 372, 800, 228);
  c.Fill(quay, Paint::Linear({0, 372}, look.quay, {0, 600}, Shade(look.quay, -0.25f)));
  for (int y = 380; y < 600; y += 22) c.Fill(CapsuleShape(0, y, 800, y, 1.5), WithAlpha(kCocoa, 0.35f));
  Path edge;
  edge.Rect(0, 364, 800, 14);
  Path edgeShine;
  edgeShine.Rect(0, 366, 800, 3);
  Piece(c, edge, Shade(look.quay, -0.3f), 2.0, &edgeShine, 0.3f);
  for (int k = 0; k < 8; k++) {
    Path bollard;
    bollard.RoundRect(40 + k * 104, 350, 14, 22, 5);
    Piece(c, bollard, kCocoa, 1.5);
  }
  Path path;
  path.MoveTo(0, 520)
      .CubicTo(200, 480, 560, 560, 800, 500)
      .LineTo(800, 560)
      .CubicTo(560, 620, 200, 540, 0, 580)
      .Close();
  c.Fill(path, look.path);
  c.PushClip(path);
  for (int k = 0; k < 90; k++) {
    Path stone;
    stone.Ellipse(s.Unit() * 800, 480 + s.Unit() * 120, 6, 3.5);
    c.Fill(stone.Stroke(1.2), WithAlpha(kCocoa, 0.25f));
  }
  c.PopClip();
  c.Fill(path.Stroke(2.0), WithAlpha(kCocoa, 0.5f));
  return c;
}

// A building: walls, a roof, rows of windows (lit), a door, sometimes a sign or chimney.
struct House {
  int w, h;          // picture size
  Color wall, roof;  // colours
  int floors, bays;  // windows
  bool chimney, awning, dome;
};

Canvas Building(const House& b) {
  Canvas c(b.w, b.h);
  const double roofH = b.h * 0.3, left = 8, right = b.w - 8, base = b.h - 4;
  Path walls;
  walls.Rect(left, roofH, right - left, base - roofH);
  if (b.chimney) {
    Path chimney;
    chimney.Rect(right - 40, 10, 20, roofH);
    Piece(c, chimney, Shade(b.wall, -0.3f), 2.0);
    Path smoke;
    smoke.Circle(right - 30, 6, 6).Circle(right - 22, 2, 5);
    c.Fill(smoke, WithAlpha(kMilk, 0.8f));
  }
  c.Shadow(walls, 4, 4, 4, WithAlpha(kCocoa, 0.35f));
  Path wallShine;
  wallShine.Rect(left + 4, roofH + 4, 6, base - roofH - 8);
  Piece(c, walls, Paint::Linear({0, roofH}, b.wall, {0, base}, Shade(b.wall, -0.15f)), 2.5, &wallShine, 0.35f);
  Path roof;
  if (b.dome)
    roof.MoveTo(left - 4, roofH + 4).QuadTo(b.w / 2.0, -roofH * 0.6, right + 4, roofH + 4).Close();
  else
    roof.Polygon({{left - 6, roofH + 4}, {b.w / 2.0, 8}, {right + 6, roofH + 4}});
  Path roofShine;
  roofShine.Polygon({{left + 6, roofH}, {b.w / 2.0 - 6, 16}, {b.w / 2.0, 16}, {left + 14, roofH}});
  Piece(c, roof, b.roof, 2.5, &roofShine, 0.3f);
  // Windows, lit milk with a warm edge.
  double rowH = (base - roofH - 40) / b.floors;
  for (int f = 0; f < b.floors; f++)
    for (int k = 0; k < b.bays; k++) {
      double x = left + (right - left) * (k + 0.5) / b.bays, y = roofH + 12 + f * rowH;
      if (f == b.floors - 1 && k == b.bays / 2) continue;  // the door's place
      Path win;
      win.RoundRect(x - 9, y, 18, std::min(22.0, rowH - 8), 3);
      c.Fill(win, Paint::Linear({0, y}, kMilk, {0, y + 22}, Shade(kGold, 0.5f)));
      c.Fill(win.Stroke(2.0), kCocoa);
      c.Fill(CapsuleShape(x, y + 1, x, y + std::min(22.0, rowH - 8) - 1, 1.2), WithAlpha(kCocoa, 0.6f));
    }
  Path door;
  double dx = left + (right - left) * (b.bays / 2 + 0.5) / b.bays;
  door.RoundRect(dx - 11, base - 34, 22, 34, 6);
  Piece(c, door, Shade(b.roof, -0.2f), 2.0);
  Path knob;
  knob.Circle(dx + 5, base - 16, 2);
  c.Fill(knob, kGold);
  if (b.awning) {
    Path awning;
    awning.Polygon({{left - 2, base - 46}, {left + 6, base - 58}, {right - 6, base - 58}, {right + 2, base - 46}});
    Piece(c, awning, kCherry, 2.0);
    for (int k = 0; k < 6; k++) {
      double x0 = left + 8 + k * (right - left - 16) / 6.0;
      Path stripe;
      stripe.Polygon({{x0, base - 58}, {x0 + 6, base - 58}, {x0 + 5, base - 46}, {x0 - 1, base - 46}});
      c.Fill(stripe, kMilk);
    }
  }
  return c;
}

Canvas TempBuilding() {
  Canvas c(100, 100);
  Path crate;
  crate.RoundRect(14, 22, 72, 70, 6);
  c.Shadow(crate, 3, 4, 4, WithAlpha(kCocoa, 0.35f));
  Piece(c, crate, kCaramel, 2.5);
  Path planks;
  planks.Capsule(14, 46, 86, 46, 2).Append(CapsuleShape(14, 68, 86, 68, 2)).Append(CapsuleShape(20, 28, 80, 86, 3));
  c.Fill(planks, WithAlpha(kCocoa, 0.5f));
  Path sign;
  sign.RoundRect(34, 6, 32, 26, 6);
  Piece(c, sign, kCream, 2.0);
  Path q;
  q.MoveTo(44, 14).QuadTo(44, 9, 50, 9).QuadTo(57, 9, 57, 14).QuadTo(57, 18, 50, 20).LineTo(50, 23);
  c.Fill(Band(q, 2.8), kCocoa);
  c.Fill(Path().Circle(50, 27, 1.8), kCocoa);
  return c;
}

// A walker, 40x56, seen slightly from above: heading 0 walks away up the screen (back view),
// 180 comes towards the viewer (face), 90 and 270 in profile. The mask holds the clothes.
Canvas Walker(double heading, bool mask) {
  Canvas c(40, 56);
  double sx = std::sin(heading), toward = -std::cos(heading);  // toward > 0: facing the viewer
  Path body;
  body.MoveTo(12, 48).QuadTo(10, 26, 20, 24).QuadTo(30, 26, 28, 48).Close();
  Path legs;
  legs.RoundRect(13, 44, 6, 10, 2).RoundRect(21, 44, 6, 10, 2);
  Path head;
  head.Circle(20, 16, 9);
  Path hat;
  hat.MoveTo(10, 13).QuadTo(20, 0, 30, 13).Close();
  if (mask) {
    c.Fill(body, Hex("#f4f4f4"));
    c.Fill(hat, Hex("#f4f4f4"));
    c.Fill(Path().Rect(12, 40, 16, 3), Hex("#d0d0d0"));
    return c;
  }
  c.Shadow(Path().Ellipse(20, 53, 11, 3), 0, 0, 2, WithAlpha(kCocoa, 0.4f));
  Piece(c, legs, kCocoa, 1.2);
  Piece(c, body, kCream, 2.0);
  Piece(c, head, Hex("#e8b88a"), 2.0);
  Piece(c, hat, kCream, 1.8);
  if (toward > -0.4) {
    // Eyes towards the heading's side.
    for (int k = -1; k <= 1; k += 2) {
      double x = 20 + sx * 4.5 + k * 3 * (0.4 + 0.6 * std::fabs(toward));
      if (std::fabs(sx) > 0.9 && k * sx < 0) continue;  // profile: one eye
      c.Fill(Path().Circle(x, 17, 1.4), kCocoa);
    }
  }
  // A sack carried on the back, seen when walking away or sideways.
  if (toward < 0.6) {
    double bx = 20 - sx * 9;
    Path sack;
    sack.Ellipse(bx, 34, 7, 9);
    Piece(c, sack, kCaramel, 1.5);
  }
  return c;
}

// A gull gliding: from above, turned to its heading.
Canvas Gull(double heading) {
  Canvas c(40, 40);
  Matrix m = Matrix::Rotate(heading).Then(Matrix::Translate(20, 20));
  Path wings;
  wings.SetTransform(m);
  wings.MoveTo(-17, 4).QuadTo(-8, -6, 0, 0).QuadTo(8, -6, 17, 4).QuadTo(8, -1, 0, 4).QuadTo(-8, -1, -17, 4).Close();
  Piece(c, wings, kMilk, 1.6);
  Path head;
  head.SetTransform(m);
  head.Ellipse(0, -3, 2.5, 4);
  Piece(c, head, kMilk, 1.4);
  Path beak;
  beak.SetTransform(m);
  beak.Polygon({{-1, -7}, {1, -7}, {0, -10}});
  c.Fill(beak, kGold);
  return c;
}

// A cart pushed along the quay: from the side, facing right for headings 0-180, left after.
Canvas Cart(double heading) {
  Canvas c(64, 48);
  bool right = std::sin(heading) >= 0;
  double f = right ? 1 : -1;
  Path box;
  box.RoundRect(14, 14, 36, 20, 3);
  Piece(c, box, kCaramel, 2.0);
  Path load;
  load.Circle(24, 13, 6).Circle(34, 11, 7).Circle(43, 13, 5);
  Piece(c, load, kChocolate, 1.5);
  Path handle;
  handle.Capsule(32 - f * 18, 22, 32 - f * 28, 14, 3);
  c.Fill(handle, kCocoa);
  for (int k = 0; k < 2; k++) {
    Path wheel;
    wheel.Circle(22 + k * 20, 38, 7);
    Piece(c, wheel, kCream, 2.0);
    c.Fill(Path().Circle(22 + k * 20, 38, 2), kCocoa);
  }
  return c;
}

Canvas Flag(double wave) {
  Canvas c(48, 80);
  Path pole;
  pole.RoundRect(8, 6, 5, 72, 2);
  Piece(c, pole, kCocoa, 1.2);
  Path top;
  top.Circle(10.5, 6, 4);
  Piece(c, top, kGold, 1.2);
  Path cloth;
  cloth.MoveTo(13, 10).CubicTo(24, 10 - 4 * wave, 34, 10 + 4 * wave, 44, 12 - 2 * wave);
  cloth.LineTo(44, 34 - 2 * wave).CubicTo(34, 32 + 4 * wave, 24, 32 - 4 * wave, 13, 32).Close();
  Piece(c, cloth, kCherry, 1.8);
  Path bean;
  bean.Ellipse(28, 21 + wave, 5, 3.5);
  c.Fill(bean, kCream);
  return c;
}

Canvas Barrels() {
  Canvas c(80, 64);
  for (int k = 0; k < 3; k++) {
    double x = 18 + k * 22 + (k == 2 ? -11 : 0), y = k == 2 ? 24 : 44;
    Path barrel;
    barrel.RoundRect(x - 11, y - 16, 22, 32, 7);
    Piece(c, barrel, Shade(kCaramel, -0.1f), 2.0);
    c.Fill(CapsuleShape(x - 10, y - 7, x + 10, y - 7, 2.5), kCocoa);
    c.Fill(CapsuleShape(x - 10, y + 7, x + 10, y + 7, 2.5), kCocoa);
  }
  return c;
}

Canvas Lamp() {
  Canvas c(28, 96);
  Path post;
  post.RoundRect(11, 20, 6, 72, 2);
  Piece(c, post, kCocoa, 1.2);
  Path lamp;
  lamp.RoundRect(5, 4, 18, 20, 4);
  c.Glow(lamp, 4, WithAlpha(kGold, 0.6f));
  Piece(c, lamp, Shade(kGold, 0.4f), 1.8);
  Path base;
  base.RoundRect(7, 88, 14, 7, 2);
  Piece(c, base, kCocoa, 1.2);
  return c;
}

struct PortSet {
  const char* name;
  Look look;
  struct {
    const char* name;
    House house;
  } buildings[3];
};

const PortSet kPorts[] = {
    {"cocoa_cove",
     {kMint, Hex("#b8875a"), kCream, 3},
     {{"chocolate_works", {210, 190, kChocolate, kCaramel, 2, 3, true, false, false}},
      {"town_hall", {160, 180, kCream, kSea, 2, 3, false, false, true}},
      {"warehouse", {180, 140, kCaramel, kChocolate, 1, 3, false, false, false}}}},
    {"bean_harbour",
     {Mix(kMint, kSea, 0.3f), Hex("#a98060"), Shade(kCream, -0.05f), 5},
     {{"coffee_roastery", {210, 190, Mix(kChocolate, kSlate, 0.3f), kCherry, 2, 3, true, false, false}},
      {"recipe_lab", {150, 160, kMilk, kMint, 2, 2, false, false, true}},
      {"harbour_office", {140, 130, kSky, kChocolate, 1, 2, false, false, false}}}},
    {"sugar_quay",
     {Mix(kMint, kGold, 0.35f), Hex("#c09068"), kMilk, 9},
     {{"market_hall", {230, 170, kCream, kCherry, 1, 5, false, true, false}},
      {"sign_shop", {150, 150, kGold, kChocolate, 1, 2, false, true, false}},
      {"bank", {160, 170, kMilk, kSlate, 2, 3, false, false, true}}}},
};

}  // namespace

ART_AREA(ports) {
  for (const PortSet& p : kPorts) {
    std::string folder = std::string("ports/") + p.name + "/";
    out.Png(folder + "background.png", Scene(p.look));
    for (const auto& b : p.buildings) out.Png(folder + b.name + ".png", Building(b.house));
  }
  out.Png("ports/temp_building.png", TempBuilding());
  out.Animation("ports/animations/walker", Headings([](double h) { return Walker(h, false); }));
  out.Animation("ports/animations/walker_mask", Headings([](double h) { return Walker(h, true); }));
  out.Animation("ports/animations/cart", Headings(Cart));
  out.Animation("ports/animations/gull", Headings(Gull));
  std::vector<Frame> flag;
  for (int k = 0; k < 4; k++) flag.push_back({Flag(std::sin(k * M_PI / 2)), 24, 40});
  out.Animation("ports/animations/flag", flag,
                "function DoAnim()\n    delay(180);\n    while true do frames{1,2,3,4} end\nend\n");
  out.Png("ports/barrels.png", Barrels());
  out.Png("ports/lamp.png", Lamp());
}

ART_PREVIEW(ports) {
  Scratch parts("ports", {"ports"});
  auto load = [&](const std::string& key) { return parts.Load(key); };
  Canvas s = load("ports/cocoa_cove/background");
  Put(s, load("ports/cocoa_cove/chocolate_works"), 170, 300);
  Put(s, load("ports/cocoa_cove/town_hall"), 420, 290);
  Put(s, load("ports/cocoa_cove/warehouse"), 640, 320);
  for (int k = 0; k < 5; k++) Put(s, load("ports/lamp"), 80 + k * 160, 430);
  Put(s, load("ports/barrels"), 560, 420);
  Canvas flag = load("ports/animations/flag");
  s.Draw(flag, 300, 170);
  Canvas walkers = load("ports/animations/walker"), masks = load("ports/animations/walker_mask");
  s.Draw(walkers, 10, 500);
  s.Draw(Tinted(masks, kSea), 10, 500);
  s.Draw(load("ports/animations/cart"), 380, 520);
  s.Draw(load("ports/animations/gull"), 300, 40);
  Put(s, load("ports/temp_building"), 740, 200);
  out.Png("preview_ports.png", s);
}
