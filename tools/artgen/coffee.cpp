// The coffee factory ("image/..."): the hoppers (machine_2 for three ingredients, machine_5 for
// four or five) with their stock meters and needles, the belt's seams, hoods and cell target,
// and the screen's backdrop with the belt drawn in. The belt is laid out for the grid the
// coffee screen uses: 8 columns of 50x50 cells at gridx 30, gridy 60 (the wide seam; the narrow
// one is for 6 columns), hoods at (230, 58) and (230, 536).
#include <cmath>
#include <string>
#include <vector>

#include "tools/artgen/kit.h"
#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"

using namespace Art;
using namespace Art::Palette;

namespace {

const double kGridX = 30, kGridY = 60, kCell = 50;
const int kColumns = 8;

// The meter beside each ingredient: a window for its icon at (-1.5, -1) from the centre and a
// glass tube at x = 25.5 in which the needle rises from y 24 (empty) to -24 (full).
Canvas Meter() {
  Canvas c(84, 64);
  const double cx = 42, cy = 32;
  Path panel;
  panel.RoundRect(2, 2, 80, 60, 9);
  Path shine;
  shine.RoundRect(6, 5, 72, 10, 5);
  Piece(c, panel, Shade(kCream, -0.05f), 2.0, &shine, 0.5f);
  Path well;
  well.Circle(cx - 1.5, cy - 1, 20);
  c.Fill(well, Shade(kCream, -0.22f));
  c.Fill(well.Stroke(2.0), kCocoa);
  Path tube;
  tube.RoundRect(cx + 25.5 - 5, cy - 28, 10, 56, 5);
  c.Fill(tube, Paint::Linear({0, cy - 28}, kMint, {0, cy + 28}, kCherry));
  c.Fill(tube, WithAlpha(kMilk, 0.4f));
  c.Fill(tube.Stroke(1.8), kCocoa);
  return c;
}

Canvas Needle() {
  Canvas c(22, 12);
  Path arrow;
  arrow.Polygon({{2, 6}, {9, 1.5}, {20, 1.5}, {20, 10.5}, {9, 10.5}});
  Piece(c, arrow, kGold, 1.5);
  return c;
}

// A hopper: a funnel on a cabinet whose front carries the meters.
Canvas Hopper(int w, int h, double bodyTop) {
  Canvas c(w, h);
  const double cx = w / 2.0;
  Path funnel;
  funnel.MoveTo(cx - w * 0.42, 6)
      .LineTo(cx + w * 0.42, 6)
      .LineTo(cx + w * 0.18, bodyTop + 4)
      .LineTo(cx - w * 0.18, bodyTop + 4)
      .Close();
  Path funnelShine;
  funnelShine.Polygon({{cx - w * 0.36, 10}, {cx - w * 0.26, 10}, {cx - w * 0.14, bodyTop}, {cx - w * 0.17, bodyTop}});
  Piece(c, funnel, Paint::Linear({0, 6}, Shade(kSea, 0.1f), {0, bodyTop}, Shade(kSea, -0.2f)), 2.5, &funnelShine,
        0.45f);
  Path lip;
  lip.RoundRect(cx - w * 0.45, 2, w * 0.9, 10, 4);
  Piece(c, lip, kGold, 2.0);
  Path body;
  body.RoundRect(6, bodyTop, w - 12, h - bodyTop - 6, 14);
  c.Shadow(body, 4, 5, 5, WithAlpha(kCocoa, 0.45f));
  Path shine;
  shine.RoundRect(12, bodyTop + 6, 10, h - bodyTop - 24, 5);
  Piece(c, body, Paint::Linear({6, 0}, Shade(kChocolate, 0.1f), {(double)w - 6, 0}, Shade(kChocolate, -0.25f)), 3.0,
        &shine, 0.2f);
  Path base;
  base.Rect(6, h - 30, w - 12, 10);
  c.PushClip(body);
  c.Fill(base, kCaramel);
  c.PopClip();
  return c;
}

Canvas Seam(int width) {
  Canvas c(width, 10);
  Path seam;
  seam.Rect(0, 3, width, 4);
  c.Fill(seam, WithAlpha(kCocoa, 0.7f));
  Path lit;
  lit.Rect(0, 7, width, 1.5);
  c.Fill(lit, WithAlpha(kMilk, 0.25f));
  for (int x = 10; x < width; x += 25) {
    Path rivet;
    rivet.Circle(x, 5, 2);
    c.Fill(rivet, WithAlpha(kCaramel, 0.8f));
  }
  return c;
}

// A hood where the belt comes out of the machine (upper) and goes back in (lower).
Canvas Hood(bool upper) {
  const int w = 440, h = 72;
  Canvas c(w, h);
  Path hood;
  if (upper)
    hood.MoveTo(4, 6).LineTo(w - 4, 6).LineTo(w - 4, 50).QuadTo(w / 2.0, 66, 4, 50).Close();
  else
    hood.MoveTo(4, 22).QuadTo(w / 2.0, 6, w - 4, 22).LineTo(w - 4, 66).LineTo(4, 66).Close();
  Path shine;
  shine.Rect(10, upper ? 10 : 22, w - 20, 5);
  c.Shadow(hood, 0, upper ? 5 : -3, 5, WithAlpha(kCocoa, 0.5f));
  Piece(c, hood, Paint::Linear({0, 0}, Shade(kChocolate, 0.1f), {0, (double)h}, Shade(kChocolate, -0.2f)), 3.0, &shine,
        0.25f);
  for (int k = 0; k < 6; k++) {
    Path bolt;
    bolt.Circle(30 + k * 76, upper ? 28 : 44, 4);
    Piece(c, bolt, kGold, 1.2);
  }
  return c;
}

Canvas Target() {
  Canvas c(50, 50);
  Path box;
  box.RoundRect(3, 3, 44, 44, 8);
  c.Glow(box.Stroke(3), 3, WithAlpha(kGold, 0.8f));
  c.Fill(box.Stroke(4), kCocoa);
  c.Fill(box.Stroke(2.2), kGold);
  return c;
}

// The screen: the factory wall with the belt running down its left side.
Canvas Backdrop() {
  Canvas c(800, 600);
  Path all;
  all.Rect(0, 0, 800, 600);
  const Color wall = Mix(kChocolate, kSlate, 0.45f);
  c.Fill(all, Paint::Linear({0, 0}, Shade(wall, -0.2f), {0, 600}, Shade(wall, -0.5f)));
  for (int k = 0; k < 3; k++) {
    Path panel;
    panel.RoundRect(470 + k * 110, 120 + (k % 2) * 30, 96, 300, 10);
    c.Fill(panel, WithAlpha(Shade(wall, 0.1f), 0.5f));
    c.Fill(panel.Stroke(2.0), WithAlpha(kCocoa, 0.6f));
  }
  // The belt: side rails and the rubber between them.
  const double x0 = kGridX, x1 = kGridX + kColumns * kCell;
  Path belt;
  belt.Rect(x0, 0, x1 - x0, 600);
  c.Fill(belt, Paint::Linear({x0, 0}, Shade(kSlate, 0.12f), {x1, 0}, Shade(kSlate, -0.05f)));
  for (int col = 1; col < kColumns; col++) {
    Path lane;
    lane.Rect(x0 + col * kCell - 0.5, 0, 1, 600);
    c.Fill(lane, WithAlpha(kMilk, 0.06f));
  }
  for (int side = 0; side < 2; side++) {
    Path rail;
    rail.Rect(side ? x1 : x0 - 14, -4, 14, 608);
    Path shine;
    shine.Rect(side ? x1 + 3 : x0 - 11, 0, 3, 600);
    Piece(c, rail, Shade(kCaramel, -0.2f), 2.0, &shine, 0.45f);
    for (int y = 20; y < 600; y += 60) {
      Path bolt;
      bolt.Circle(side ? x1 + 7 : x0 - 7, y, 3);
      c.Fill(bolt, kGold);
    }
  }
  c.Fill(all, Paint::Radial({600, 0}, 640, {{0, WithAlpha(kSky, 0.12f)}, {1, WithAlpha(kSky, 0.0f)}}));
  return c;
}

}  // namespace

ART_AREA(coffee) {
  out.Png("image/machine_2.png", Hopper(150, 320, 92));
  out.Png("image/machine_5.png", Hopper(210, 300, 82));
  out.Png("image/machine_meter.png", Meter());
  out.Png("image/machine_needle.png", Needle());
  out.Png("image/conveyor_belt_wide_seam.png", Seam(kColumns * (int)kCell));
  out.Png("image/conveyor_belt_narrow_seam.png", Seam(6 * (int)kCell));
  out.Png("image/conveyor_base_mask_upper.png", Hood(true));
  out.Png("image/conveyor_base_mask_lower.png", Hood(false));
  out.Png("image/conveyor_belt_gridtarget.png", Target());
  out.Png("image/backdrop_coffee.png", Backdrop());
}

ART_PREVIEW(coffee) {
  Scratch parts("coffee", {"factory", "coffee", "items"});
  auto load = [&](const std::string& key) { return parts.Load(key); };
  Canvas s = load("image/backdrop_coffee");
  const char* names[] = {"beans", "milk", "cream", "sugar"};
  for (int r = 0; r < 9; r++)
    for (int col = 0; col < kColumns; col++)
      if ((r * 7 + col * 3) % 5 < 2)
        Put(s, load(std::string("items/") + names[(r + col) % 4]), kGridX + col * kCell + 25,
            kGridY + 20 + r * kCell + 25);
  Put(s, load("image/conveyor_belt_wide_seam"), kGridX + 200, kGridY + 20);
  Put(s, load("image/conveyor_belt_wide_seam"), kGridX + 200, kGridY + 20 + 4 * kCell);
  Put(s, load("image/conveyor_belt_gridtarget"), kGridX + 3 * kCell + 25, kGridY + 20 + 5 * kCell + 25);
  Put(s, load("image/conveyor_base_mask_upper"), 230, 58);
  Put(s, load("image/conveyor_base_mask_lower"), 230, 536);
  Put(s, load("image/machine_5"), 695, 301);
  const double meters[4][2] = {{-56.5, -32}, {49.5, -32}, {-56.5, 49}, {49.5, 49}};
  for (int k = 0; k < 4; k++) {
    double x = 695 + meters[k][0], y = 301 + meters[k][1];
    Put(s, load("image/machine_meter"), x, y);
    Put(s, load(std::string("items/") + names[k]), x - 1.5, y - 1);
    Put(s, load("image/machine_needle"), x + 25.5, y + 24 - k * 14);
  }
  Put(s, load("image/gun_base"), 520, 550);
  Put(s, load("image/gun"), 520, 510);
  Put(s, load("image/box_open"), 640, 520);
  Put(s, load("image/box_open_mask"), 640, 520);
  out.Png("preview_coffee.png", s);
}
