// The world map ("image/..."): parchment islands on the sea with lighter coasts, the cloud band
// that drifts over it, the port pins by state, the vehicles of a journey in eight headings, the
// dot of a route, and the ledger's quest badges. The map leaves land at the port spots the
// game's ports use (see PortSpots); pins, labels and clouds are the game's own sprites.
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

const Color kParchment = Hex("#efdcb0");
const Color kLand = Hex("#e3c98f");

// A round island with a wobbly coast: r(a) = R (1 + sum of a few waves), seeded.
Path Island(double cx, double cy, double rx, double ry, unsigned seed) {
  Seeded s(seed);
  double amp[5], phase[5];
  for (int k = 0; k < 5; k++) {
    amp[k] = 0.05 + 0.07 * s.Unit() / (k + 1);
    phase[k] = s.Unit() * 2 * M_PI;
  }
  std::vector<Pt> pts;
  for (int i = 0; i < 240; i++) {
    double a = 2 * M_PI * i / 240, f = 1;
    for (int k = 0; k < 5; k++) f += amp[k] * std::sin((k + 2) * a + phase[k]);
    pts.push_back({cx + rx * f * std::cos(a), cy + ry * f * std::sin(a)});
  }
  Path p;
  p.Polygon(pts);
  return p;
}

struct Spot {
  double x, y;
};
// Where the map has room for a port: the home harbour, the two factory towns, the market and a
// northern cape. A port's mapx and mapy should be one of these.
const Spot kPortSpots[] = {{170, 420}, {420, 300}, {630, 420}, {330, 150}, {620, 170}};

Canvas WorldMap() {
  Canvas c(800, 600);
  Path all;
  all.Rect(0, 0, 800, 600);
  c.Fill(all, Paint::Radial({400, 300}, 560, {{0, Shade(kSea, 0.12f)}, {1, Shade(kSea, -0.18f)}}));
  // Waves.
  Seeded s(21);
  for (int k = 0; k < 70; k++) {
    double x = s.Unit() * 800, y = s.Unit() * 600;
    Path wave;
    wave.MoveTo(x - 8, y).QuadTo(x - 4, y - 3, x, y).QuadTo(x + 4, y - 3, x + 8, y);
    Path band = Band(wave, 1.6);
    c.Fill(band, WithAlpha(kSky, 0.35f));
  }
  Path land;
  land.Append(Island(185, 430, 120, 95, 3));
  land.Append(Island(420, 250, 165, 125, 7));
  land.Append(Island(640, 410, 95, 80, 11));
  land.Append(Island(640, 165, 85, 70, 13));
  land.Append(Island(300, 120, 80, 55, 17));
  land.Append(Island(95, 150, 40, 30, 19));
  land.Append(Island(760, 540, 30, 24, 23));
  // Shallows: a lighter rim round every coast, then the land with its shadow and outline.
  c.Fill(land.Stroke(26), WithAlpha(kSky, 0.35f));
  c.Fill(land.Stroke(12), WithAlpha(kSky, 0.6f));
  c.Shadow(land, 3, 4, 4, WithAlpha(kCocoa, 0.3f));
  // The coast line: a band under the land, so where islands meet no line runs across.
  c.Fill(land.Stroke(5), kCocoa);
  c.Fill(land, Paint::Linear({0, 0}, kParchment, {0, 600}, kLand));
  c.PushClip(land);
  // Hills and woods, kept away from the port spots.
  auto nearPort = [&](double x, double y) {
    for (const Spot& p : kPortSpots)
      if (std::hypot(x - p.x, y - p.y) < 46) return true;
    return false;
  };
  for (int k = 0; k < 160; k++) {
    double x = s.Unit() * 800, y = s.Unit() * 600;
    if (nearPort(x, y)) continue;
    if (k % 3 == 0) {
      Path hill;
      hill.MoveTo(x - 12, y + 4).QuadTo(x, y - 12, x + 12, y + 4).Close();
      c.Fill(hill, Shade(kCaramel, 0.15f));
      c.Fill(hill.Stroke(1.5), WithAlpha(kChocolate, 0.6f));
    } else {
      Path tree;
      tree.Circle(x, y, 4.5);
      c.Fill(tree, Shade(kMint, -0.1f));
      c.Fill(tree.Stroke(1.2), WithAlpha(kCocoa, 0.5f));
    }
  }
  // Roads between the ports that share land.
  Path road;
  road.MoveTo(420, 300).QuadTo(370, 220, 330, 150);
  for (const auto& o : road.Outlines())
    for (size_t i = 0; i + 1 < o.size(); i += 2)
      c.Fill(CapsuleShape(o[i].x, o[i].y, o[i + 1].x, o[i + 1].y, 2.5), WithAlpha(kChocolate, 0.55f));
  c.PopClip();
  // A compass rose out at sea.
  Path rose;
  rose.Star(720, 70, 4, 30, 7);
  Path small;
  small.Star(720, 70, 4, 18, 5, M_PI / 4);
  Piece(c, small, kCream, 1.5);
  Piece(c, rose, kGold, 2.0);
  Path hub;
  hub.Circle(720, 70, 4);
  c.Fill(hub, kCocoa);
  return c;
}

// The cloud band: as wide as the window (three copies follow one another across it), each cloud
// drawn again one width to each side so the ends join.
Canvas Clouds() {
  const int w = 800, h = 160;
  Canvas c(w, h);
  Seeded s(31);
  Path puffs;
  for (int k = 0; k < 7; k++) {
    double x = k * 115 + s.Unit() * 40, y = 50 + s.Unit() * 60;
    for (int j = 0; j < 5; j++) {
      double px = x + (j - 2) * 18 + s.Unit() * 8, py = y - (j % 2 ? 10 : 0) - s.Unit() * 8, r = 18 + s.Unit() * 14;
      for (int copy = -1; copy <= 1; copy++) puffs.Circle(px + copy * w, py, r);
    }
  }
  Mask m = Blur(Rasterise(puffs, w, h), 6);
  c.FillMask(m, WithAlpha(kMilk, 0.75f));
  return c;
}

// Pins, 34x34 round badges.
Canvas Badge(Color fill, const std::function<void(Canvas&)>& emblem, double glow = 0) {
  Canvas c(40, 40);
  Path disc;
  disc.Circle(20, 20, 13);
  if (glow > 0) c.Glow(disc, 4, WithAlpha(kGold, (float)glow));
  c.Shadow(disc, 1.5, 2, 2, WithAlpha(kCocoa, 0.45f));
  Path shine;
  shine.Ellipse(16, 14, 7, 3.5);
  Piece(c, disc, fill, 2.0, &shine, 0.45f);
  emblem(c);
  return c;
}

void House(Canvas& c) {
  Path house;
  house.Polygon({{12.5, 20}, {20, 12.5}, {27.5, 20}, {26, 20}, {26, 27}, {14, 27}, {14, 20}});
  Piece(c, house, kMilk, 1.4);
  Path door;
  door.Rect(18.5, 22.5, 3, 4.5);
  c.Fill(door, kCocoa);
}

void Factory(Canvas& c, double smoke, bool light) {
  Path works;
  works.Polygon({{12, 27}, {12, 19}, {16, 22}, {16, 19}, {20, 22}, {20, 19}, {24, 22}, {24, 14}, {27, 14}, {27, 27}});
  Piece(c, works, kMilk, 1.4);
  if (smoke > 0) {
    Path puff;
    puff.Circle(26 + smoke * 3, 10 - smoke * 4, 2.5 + smoke * 1.5);
    c.Fill(puff, WithAlpha(kMilk, 0.9f - 0.4f * (float)smoke));
    c.Fill(puff.Stroke(1.0), WithAlpha(kCocoa, 0.5f));
  }
  if (light) {
    Path lamp;
    lamp.Circle(16, 24, 2.2);
    c.Fill(lamp, kCherry);
  }
}

void Awning(Canvas& c) {
  Path shop;
  shop.Rect(13, 20, 14, 7);
  Piece(c, shop, kMilk, 1.4);
  Path awning;
  awning.Polygon({{11, 20}, {13, 14}, {27, 14}, {29, 20}});
  Piece(c, awning, kCherry, 1.4);
  for (int k = 0; k < 3; k++) {
    Path stripe;
    stripe.Polygon({{14.5 + k * 4.5, 14}, {16.5 + k * 4.5, 14}, {16 + k * 4.5, 20}, {13.5 + k * 4.5, 20}});
    c.Fill(stripe, kMilk);
  }
}

void Star(Canvas& c) {
  Path star;
  star.Star(20, 20, 5, 8, 3.5);
  Piece(c, star, kMilk, 1.4);
}

void Padlock(Canvas& c) {
  Path shackle;
  shackle.Ring(20, 18, 5, 3);
  Path cut;
  cut.Rect(10, 18, 20, 10);
  Canvas loop(40, 40);
  loop.Fill(shackle, kCocoa);
  loop.Erase(cut);
  c.Draw(loop, 0, 0);
  Path body;
  body.RoundRect(14, 18, 12, 9, 2);
  Piece(c, body, kCream, 1.4);
}

Canvas Current() {
  Canvas c(56, 56);
  Path ring;
  ring.Ring(28, 28, 24, 19);
  c.Glow(ring, 4, WithAlpha(kGold, 0.8f));
  c.Fill(ring, kGold);
  c.Fill(ring.Stroke(1.5), kCocoa);
  return c;
}

// Vehicles seen from above, nose up at heading 0; frame k is turned by k x 45 degrees.
Canvas Airship(double turn) {
  Canvas c(64, 64);
  Matrix m = Matrix::Rotate(turn).Then(Matrix::Translate(32, 32));
  Path fins;
  fins.SetTransform(m);
  fins.Polygon({{-11, 16}, {0, 10}, {11, 16}, {11, 24}, {0, 20}, {-11, 24}});
  Piece(c, fins, kCherry, 1.8);
  Path body;
  body.SetTransform(m);
  body.Ellipse(0, 0, 11, 24);
  c.Shadow(body, 4, 6, 3, WithAlpha(kCocoa, 0.3f));
  Path shine;
  shine.SetTransform(m);
  shine.Ellipse(-4, -6, 3, 12);
  Piece(c, body, kCream, 2.0, &shine, 0.6f);
  Path stripe;
  stripe.SetTransform(m);
  stripe.Rect(-12, -4, 24, 6);
  c.PushClip(body);
  c.Fill(stripe, kCaramel);
  c.PopClip();
  Path nose;
  nose.SetTransform(m);
  nose.Circle(0, -21, 3);
  c.Fill(nose, kGold);
  return c;
}

Canvas Boat(double turn) {
  Canvas c(64, 64);
  Matrix m = Matrix::Rotate(turn).Then(Matrix::Translate(32, 32));
  Path hull;
  hull.SetTransform(m);
  hull.MoveTo(0, -22).QuadTo(11, -8, 9, 18).LineTo(-9, 18).QuadTo(-11, -8, 0, -22).Close();
  Path wake;
  wake.SetTransform(m);
  wake.MoveTo(-8, 19).LineTo(-12, 28).MoveTo(8, 19).LineTo(12, 28);
  Path band = Band(wake, 2);
  c.Fill(band, WithAlpha(kMilk, 0.7f));
  Piece(c, hull, kCaramel, 2.0);
  Path sail;
  sail.SetTransform(m);
  sail.MoveTo(-8, 2).QuadTo(0, -6, 8, 2).QuadTo(0, -1, -8, 2).Close();
  Piece(c, sail, kMilk, 1.5);
  return c;
}

// The ledger's quest badge: a gold rosette when the quest's needs are met, a plain one while
// they are not.
Canvas QuestBadge(bool complete) {
  Canvas c(36, 36);
  Path rosette;
  rosette.Star(18, 18, 10, 16, 12.5);
  Path disc;
  disc.Circle(18, 18, 10);
  Color base = complete ? kGold : Saturate(Shade(kCaramel, 0.2f), 0.3f);
  Piece(c, rosette, Shade(base, -0.1f), 1.8);
  Path shine;
  shine.Ellipse(15, 14, 5, 2.5);
  Piece(c, disc, base, 1.5, &shine, 0.5f);
  if (complete) {
    Path tick;
    tick.Capsule(13, 18.5, 16.5, 22, 3).Append(CapsuleShape(16.5, 22, 23, 14, 3));
    c.Fill(tick, kCocoa);
  } else {
    Path dots;
    for (int k = 0; k < 3; k++) dots.Circle(13 + k * 5, 18, 1.6);
    c.Fill(dots, kCocoa);
  }
  return c;
}

const char* const kLoop = "function DoAnim()\n    delay(%d);\n    while true do frames{%s} end\nend\n";

std::string LoopScript(int delay, const std::string& frames) {
  char text[160];
  std::snprintf(text, sizeof text, kLoop, delay, frames.c_str());
  return text;
}

}  // namespace

ART_AREA(world) {
  out.Png("image/worldmap.png", WorldMap());
  out.Png("image/worldmap_clouds.png", Clouds());
  out.Png("image/port_visited.png", Badge(kCaramel, House));
  out.Png("image/icon_shop.png", Badge(kMint, Awning));
  out.Png("image/port_current.png", Current());
  out.Animation("image/port_new", Centred({Badge(kGold, Star, 0.2), Badge(kGold, Star, 0.55), Badge(kGold, Star, 0.9)}),
                LoopScript(160, "1,2,3,2"));
  out.Animation("image/factory",
                Centred({Badge(kChocolate, [](Canvas& c) { Factory(c, 0.0, false); }),
                         Badge(kChocolate, [](Canvas& c) { Factory(c, 0.5, false); }),
                         Badge(kChocolate, [](Canvas& c) { Factory(c, 1.0, false); })}),
                LoopScript(220, "1,2,3"));
  out.Animation("image/factory_idle",
                Centred({Badge(Saturate(kChocolate, 0.4f), [](Canvas& c) { Factory(c, 0, true); }),
                         Badge(Saturate(kChocolate, 0.4f), [](Canvas& c) { Factory(c, 0, false); })}),
                LoopScript(500, "1,2"));
  out.Animation("image/port_locked", Centred({Badge(Saturate(kCream, 0.2f), Padlock)}));
  out.Animation("image/travel_air", Headings(Airship));
  out.Animation("image/travel_sea", Headings(Boat));
  Canvas dot(4, 4);
  Path d;
  d.Circle(2, 2, 2);
  dot.Fill(d, kCocoa);
  out.Png("image/traveldot.png", dot);
  out.Png("image/badge_button_indicator_complete.png", QuestBadge(true));
  out.Png("image/badge_button_indicator_incomplete.png", QuestBadge(false));
}

ART_PREVIEW(world) {
  Scratch parts("world", {"world"});
  auto load = [&](const std::string& key) { return parts.Load(key); };
  Canvas s = load("image/worldmap");
  const char* pins[] = {"image/port_visited", "image/factory", "image/factory_idle", "image/icon_shop",
                        "image/port_new"};
  Put(s, load("image/port_current"), kPortSpots[0].x, kPortSpots[0].y);
  for (int k = 0; k < 5; k++) {
    Canvas pin = load(pins[k]);
    // Animation sheets: the first frame only.
    Canvas first(40, 40);
    first.Draw(pin, pin.Width() > 40 ? -1 : 0, pin.Width() > 40 ? -1 : 0);
    Put(s, first, kPortSpots[k].x, kPortSpots[k].y);
  }
  for (int k = 0; k < 12; k++) Put(s, load("image/traveldot"), 180 + k * 20, 410 - k * 9);
  Canvas ships = load("image/travel_air");
  s.Draw(ships, 20, 520);
  Canvas clouds = load("image/worldmap_clouds");
  s.Draw(clouds, -300, 240);
  s.Draw(clouds, 500, 240);
  Put(s, load("image/badge_button_indicator_complete"), 760, 560);
  Put(s, load("image/badge_button_indicator_incomplete"), 720, 560);
  out.Png("preview_world.png", s);
}
