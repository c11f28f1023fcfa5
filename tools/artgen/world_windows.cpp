// The characters: Mara the chocolatier's portrait in three moods (each frame a whole portrait,
// as the character window draws frame 0 beneath the mood) and the stand-in portrait.
#include <cmath>
#include <string>
#include <vector>

#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"
#include "tools/artgen/text.h"

using namespace Art;
using namespace Art::Palette;

namespace {

const int kPortraitW = 160, kPortraitH = 200;
const Color kSkin = Hex("#e9bc8f");
const Color kHair = Hex("#5a321c");

enum Mood { kNeutral, kSad, kHappy };

// An open line drawn as a chain of round-ended strokes.
Path Line(const Path& curve, double width) {
  Path line;
  for (const auto& o : curve.Outlines())
    for (size_t i = 0; i + 1 < o.size(); i++) line.Append(CapsuleShape(o[i].x, o[i].y, o[i + 1].x, o[i + 1].y, width));
  return line;
}

// Head and shoulders in a chef's jacket and hat; the mood sets brows, eyes and mouth.
Canvas Portrait(Mood mood) {
  Canvas c(kPortraitW, kPortraitH);
  const double cx = 80;

  // Shoulders: the jacket, with its double row of gold buttons.
  Path jacket;
  jacket.MoveTo(8, 200).CubicTo(8, 168, 26, 150, 58, 144).LineTo(102, 144).CubicTo(134, 150, 152, 168, 152, 200).Close();
  Path jacketShine;
  jacketShine.Ellipse(50, 160, 30, 10);
  Piece(c, jacket, Paint::Linear({0, 144}, kMilk, {0, 200}, Shade(kCream, -0.08f)), 2.0, &jacketShine, 0.5f);
  Path flap;
  flap.MoveTo(62, 146).LineTo(98, 146).LineTo(110, 200).LineTo(58, 200).Close();
  c.Fill(flap.Stroke(1.5), WithAlpha(kCocoa, 0.6f));
  for (int row = 0; row < 2; row++)
    for (int side = 0; side < 2; side++) {
      Path button;
      button.Circle(side ? 100 : 68, 164 + row * 18, 3.5);
      Piece(c, button, kGold, 1.2);
    }
  // The neck and its shadow under the chin.
  Path neck;
  neck.RoundRect(66, 124, 28, 26, 6);
  Piece(c, neck, Shade(kSkin, -0.08f), 2.0);
  Path collar;
  collar.MoveTo(56, 146).QuadTo(cx, 160, 104, 146).LineTo(102, 140).QuadTo(cx, 152, 58, 140).Close();
  Piece(c, collar, kCherry, 1.5);

  // Hair behind the head.
  Path back;
  back.Ellipse(cx, 92, 46, 50);
  Piece(c, back, kHair, 2.0);
  // The face.
  Path head;
  head.Ellipse(cx, 96, 37, 42);
  Path cheekLight;
  cheekLight.Ellipse(66, 80, 16, 10);
  Piece(c, head, Paint::Radial({72, 86}, 50, {{0.0f, Shade(kSkin, 0.12f)}, {1.0f, Shade(kSkin, -0.06f)}}), 2.0, &cheekLight,
        0.3f);
  // A fringe swept across the brow.
  Path fringe;
  fringe.MoveTo(43, 84).CubicTo(46, 56, 96, 44, 118, 80).CubicTo(104, 66, 86, 64, 72, 74).CubicTo(60, 70, 50, 76, 43, 84).Close();
  Piece(c, fringe, Shade(kHair, 0.08f), 1.5);

  // The hat: a puffed crown over a band.
  Path crown;
  crown.Circle(58, 32, 18).Circle(80, 26, 21).Circle(102, 32, 18).Rect(44, 32, 72, 20);
  Path crownShine;
  crownShine.Ellipse(70, 18, 13, 5);
  // Outlined as one shape: the band under the fill, so the puffs' own edges do not show.
  c.Fill(crown.Stroke(4.0), kCocoa);
  c.Fill(crown, Paint::Linear({0, 0}, kMilk, {0, 52}, Shade(kCream, -0.05f)));
  c.PushClip(crown);
  c.Fill(crownShine, WithAlpha(kMilk, 0.7f));
  c.PopClip();
  Path band;
  band.RoundRect(46, 46, 68, 16, 4);
  Piece(c, band, kCream, 2.0);

  // Cheeks.
  for (int side = 0; side < 2; side++) {
    Path blush;
    blush.Ellipse(side ? 104 : 56, 112, 9, 6);
    c.Fill(blush, WithAlpha(kCherry, mood == kHappy ? 0.35f : 0.22f));
  }
  // The nose.
  Path nose;
  nose.MoveTo(80, 100).QuadTo(86, 110, 79, 113);
  c.Fill(Line(nose, 2.0), Shade(kSkin, -0.35f));

  // Eyes: open, a little lowered when sad, smiling crescents when happy.
  for (int side = 0; side < 2; side++) {
    double ex = side ? 95 : 65, ey = 96;
    if (mood == kHappy) {
      Path lid;
      lid.MoveTo(ex - 7, ey + 2).QuadTo(ex, ey - 7, ex + 7, ey + 2);
      c.Fill(Line(lid, 3.0), kCocoa);
    } else {
      Path eye;
      eye.Ellipse(ex, ey + (mood == kSad ? 2 : 0), 5, mood == kSad ? 5 : 6.5);
      c.Fill(eye, kCocoa);
      Path glint;
      glint.Circle(ex - 1.8, ey - 2 + (mood == kSad ? 2 : 0), 1.8);
      c.Fill(glint, kMilk);
    }
  }
  // Brows: level, raised at the middle when sad, arched when happy.
  for (int side = 0; side < 2; side++) {
    double s = side ? 1 : -1, inner = cx + s * 8, outer = cx + s * 24;
    Path brow;
    if (mood == kSad)
      brow.MoveTo(inner, 80).QuadTo(cx + s * 16, 82, outer, 88);
    else if (mood == kHappy)
      brow.MoveTo(inner, 84).QuadTo(cx + s * 16, 76, outer, 82);
    else
      brow.MoveTo(inner, 85).QuadTo(cx + s * 16, 82, outer, 85);
    c.Fill(Line(brow, 3.2), kHair);
  }
  // The mouth.
  if (mood == kHappy) {
    Path smile;
    smile.MoveTo(64, 120).QuadTo(cx, 122, 96, 120).QuadTo(92, 138, cx, 138).QuadTo(68, 138, 64, 120).Close();
    Piece(c, smile, kCocoa, 1.5);
    Path tongue;
    tongue.Ellipse(cx, 134, 8, 4);
    c.PushClip(smile);
    c.Fill(tongue, kCherry);
    c.PopClip();
    Path teeth;
    teeth.RoundRect(68, 121, 24, 4, 2);
    c.PushClip(smile);
    c.Fill(teeth, kMilk);
    c.PopClip();
  } else {
    Path mouth;
    if (mood == kSad)
      mouth.MoveTo(68, 130).QuadTo(cx, 120, 92, 130);
    else
      mouth.MoveTo(69, 124).QuadTo(cx, 130, 91, 124);
    c.Fill(Line(mouth, 3.0), Shade(kCherry, -0.35f));
  }
  if (mood == kSad) {
    Path tear;
    tear.MoveTo(98, 104).QuadTo(103, 112, 100, 116).QuadTo(95, 116, 96, 111).Close();
    Piece(c, tear, WithAlpha(kSky, 0.9f), 1.0);
  }
  return c;
}

// The stand-in for a character without a portrait: a plain bust with a question mark.
Canvas Stranger() {
  Canvas c(kPortraitW, kPortraitH);
  Path body;
  body.MoveTo(14, 200).CubicTo(14, 162, 40, 146, 80, 146).CubicTo(120, 146, 146, 162, 146, 200).Close();
  Piece(c, body, Mix(kCream, kCaramel, 0.5f), 2.0);
  Path head;
  head.Ellipse(80, 92, 40, 46);
  Path shine;
  shine.Ellipse(66, 72, 16, 10);
  Piece(c, head, Mix(kCream, kCaramel, 0.3f), 2.0, &shine, 0.4f);
  if (auto face = Face::Load("DejaVuSerif-Bold.ttf")) {
    Path mark = CentredText(*face, "?", 80, 94, 56);
    c.Fill(mark, kChocolate);
  }
  return c;
}

}  // namespace

ART_AREA(world_windows) {
  std::vector<Frame> moods;
  for (Mood mood : {kNeutral, kSad, kHappy}) moods.push_back({Portrait(mood), kPortraitW / 2, kPortraitH / 2});
  out.Animation("characters/mara", moods);
  out.Png("characters/temp_char.png", Stranger());
}
