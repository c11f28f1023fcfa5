// The ledger: an open account book the ledger window's script lays its texts and factory panels
// on. Leather covers with gold corners, two ruled cream pages with a shaded gutter, a ribbon.
#include <cmath>

#include "tools/artgen/kit.h"
#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"

using namespace Art;
using namespace Art::Palette;

namespace {

const int kBookW = 640, kBookH = 440;
// The cover, inside the picture's margin for the shadow.
const double kCoverW = 632, kCoverH = 432;
// Each page, from the cover's edge.
const double kPageTop = 14, kPageH = 404, kPageW = 296, kGutter = 316;

Path PageShape(double x) {
  Path page;
  page.RoundRect(x, kPageTop, kPageW, kPageH, 6);
  return page;
}

// A page with the edges of the pages beneath it, its rules and its header lines.
void Page(Canvas& c, double x, bool left) {
  // The pages below show as thin edges on the outer side.
  for (int k = 3; k >= 1; k--) {
    Path under;
    under.RoundRect(x + (left ? -2.0 * k : 2.0 * k), kPageTop + k, kPageW, kPageH, 6);
    c.Fill(under, Shade(kCream, -0.06f * k));
    c.Fill(under.Stroke(1.0), WithAlpha(kCocoa, 0.35f));
  }
  Path page = PageShape(x);
  // Lighter at the top, and towards the outer edge, away from the gutter.
  c.Fill(page, Paint::Linear({0, kPageTop}, Shade(kCream, 0.35f), {0, kPageTop + kPageH}, kCream));
  c.PushClip(page);
  for (double y = 84; y < kPageTop + kPageH - 10; y += 26)
    c.Fill(CapsuleShape(x + 14, y, x + kPageW - 14, y, 1.0), WithAlpha(kSea, 0.22f));
  c.Fill(CapsuleShape(x + 14, 58, x + kPageW - 14, 58, 1.4), WithAlpha(kCocoa, 0.45f));
  c.Fill(CapsuleShape(x + 14, 62, x + kPageW - 14, 62, 1.0), WithAlpha(kCocoa, 0.35f));
  double margin = left ? x + 40 : x + kPageW - 40;
  c.Fill(CapsuleShape(margin, 66, margin, kPageTop + kPageH - 8, 1.0), WithAlpha(kCherry, 0.35f));
  // The gutter's shade where the page curves into the spine.
  Path fold;
  fold.Rect(left ? x + kPageW - 36 : x, kPageTop, 36, kPageH);
  Pt dark = {left ? x + kPageW : x, 0}, light = {left ? x + kPageW - 36 : x + 36, 0};
  c.Fill(fold, Paint::Linear(dark, WithAlpha(kCocoa, 0.28f), light, WithAlpha(kCocoa, 0.0f)));
  c.PopClip();
  c.Fill(page.Stroke(1.5), WithAlpha(kCocoa, 0.8f));
}

Canvas Book() {
  Canvas c(kBookW, kBookH);
  Path cover;
  cover.RoundRect(0, 0, kCoverW, kCoverH, 14);
  c.Shadow(cover, 4, 4, 4, WithAlpha(kCocoa, 0.4f));
  Path coverShine;
  coverShine.Ellipse(140, 10, 180, 18);
  Piece(c, cover, Paint::Linear({0, 0}, Shade(kChocolate, 0.12f), {0, kCoverH}, Shade(kChocolate, -0.18f)), 2.0,
        &coverShine, 0.18f);
  // Stitching round the cover's edge.
  Path stitch;
  stitch.RoundRect(6, 6, kCoverW - 12, kCoverH - 12, 10);
  for (const auto& outline : stitch.Outlines())
    for (size_t i = 0; i + 1 < outline.size(); i += 2)
      c.Fill(CapsuleShape(outline[i].x, outline[i].y, outline[i + 1].x, outline[i + 1].y, 1.2), WithAlpha(kCaramel, 0.7f));
  // Gold corners.
  const double corner = 30;
  for (int sx = 0; sx < 2; sx++)
    for (int sy = 0; sy < 2; sy++) {
      double x = sx ? kCoverW : 0, y = sy ? kCoverH : 0, dx = sx ? -corner : corner, dy = sy ? -corner : corner;
      Path piece;
      piece.MoveTo(x, y).LineTo(x + dx, y).LineTo(x, y + dy).Close();
      c.PushClip(cover);
      Path shine;
      shine.Circle(x + dx * 0.3, y + dy * 0.3, 6);
      Piece(c, piece, kGold, 1.5, &shine, 0.5f);
      c.PopClip();
    }
  Page(c, kGutter - kPageW - 4, true);
  Page(c, kGutter + 4, false);
  // The spine between the pages.
  Path spine;
  spine.Rect(kGutter - 4, kPageTop - 2, 8, kPageH + 4);
  c.Fill(spine, Paint::Linear({kGutter - 4, 0}, Shade(kChocolate, -0.3f), {kGutter + 4, 0}, Shade(kChocolate, -0.05f)));
  // A ribbon between the pages, its tail out below the book.
  const double top = kPageTop + kPageH - 8;
  Path ribbon;
  ribbon.MoveTo(548, top).LineTo(566, top).LineTo(566, kBookH - 2).LineTo(557, kBookH - 10).LineTo(548, kBookH - 2).Close();
  Path ribbonShine;
  ribbonShine.Rect(550, top, 4, kBookH);
  Piece(c, ribbon, kCherry, 1.5, &ribbonShine, 0.35f);
  return c;
}

}  // namespace

ART_AREA(ledger) { out.Png("image/ledger_book.png", Book()); }

ART_PREVIEW(ledger) {
  Scratch parts("ledger", {"ledger"});
  Canvas s(800, 600);
  Path all;
  all.Rect(0, 0, 800, 600);
  s.Fill(all, Mix(kSlate, kSea, 0.3f));
  Put(s, parts.Load("image/ledger_book"), 400, 300);
  out.Png("preview_ledger.png", s);
}
