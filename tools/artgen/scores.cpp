// The high-score screen's and the editors' small pieces: round arrow buttons (categories,
// scrolling) in the kit's three states, and the pennant that marks a player with an account.
#include <cmath>
#include <string>

#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"

using namespace Art;
using namespace Art::Palette;

namespace {

const int kArrow = 32;

// A round caramel button with a cocoa arrow pointing at `turn' (0 right, clockwise, radians);
// down sits one pixel lower on a thinner lip, like the kit's buttons.
Canvas ArrowButton(double turn, Color base, bool down) {
  Canvas c(kArrow, kArrow);
  const double cx = 16, cy = down ? 16 : 15, r = 13;
  Path lip;
  lip.Circle(cx, cy + (down ? 1 : 2), r);
  c.Fill(lip, Shade(base, -0.45f));
  Path knob;
  knob.Circle(cx, cy, r);
  Path shine;
  shine.Ellipse(cx - 3, cy - 6, 8, 4.5);
  Piece(c, knob, Paint::Linear({0, cy - r}, Shade(base, 0.14f), {0, cy + r}, Shade(base, -0.06f)), 2.0, &shine, 0.4f);
  Path arrow;
  arrow.SetTransform(Matrix::Rotate(turn).Then(Matrix::Translate(cx + 0.5, cy)));
  arrow.Polygon({{7, 0}, {-4, -6.5}, {-1.5, 0}, {-4, 6.5}});
  c.Fill(arrow, kCocoa);
  return c;
}

// A small gold pennant on a cocoa pole.
Canvas Pennant() {
  Canvas c(20, 20);
  Path pole;
  pole.Capsule(5, 2.5, 5, 18, 2.2);
  c.Fill(pole, kCocoa);
  Path flag;
  flag.MoveTo(6, 3).LineTo(18, 7).LineTo(6, 11.5).Close();
  Path shine;
  shine.Ellipse(9, 5.5, 4, 1.8);
  Piece(c, flag, kGold, 1.4, &shine, 0.5f);
  return c;
}

}  // namespace

ART_AREA(scores) {
  const struct {
    const char* name;
    double turn;
  } arrows[] = {{"right", 0}, {"down", M_PI / 2}, {"left", M_PI}, {"up", -M_PI / 2}};
  for (const auto& a : arrows) {
    std::string key = std::string("ui/kit/arrow_") + a.name + "_";
    out.Png(key + "up.png", ArrowButton(a.turn, kCaramel, false));
    out.Png(key + "over.png", ArrowButton(a.turn, Shade(kCaramel, 0.12f), false));
    out.Png(key + "down.png", ArrowButton(a.turn, Shade(kCaramel, -0.12f), true));
  }
  out.Png("ui/kit/pennant.png", Pennant());
}
