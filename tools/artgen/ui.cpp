// The interface kit: panel frames, buttons, slider, check and radio marks, the text field, the
// cursors, backdrops and the title picture.
#include <cmath>
#include <string>
#include <vector>

#include "tools/artgen/kit.h"
#include "tools/artgen/output.h"
#include "tools/artgen/palette.h"
#include "tools/artgen/text.h"

using namespace Art;
using namespace Art::Palette;

namespace {

// A picture cut from a larger one.
Canvas Cut(const Canvas& from, int x, int y, int w, int h) {
  Canvas c(w, h);
  c.Draw(from, -x, -y);
  return c;
}

// The nine-piece frame. The pieces lie outside the window's rectangle: a band of `kBand` px
// (outline, highlight, a margin of the fill colour) and, right and below, `kShadow` px more of
// shadow. Each piece is registered so that drawing it at the point the window base names
// (corners at the window's corners, edges from its left or top) puts it in place. Edge pieces
// are uniform along their length, and no curve of the outline or the shadow reaches into an
// edge piece, so tiling shows no seam.
const int kBand = 8, kShadow = 4, kTile = 64;

std::vector<Frame> PanelFrames(Color fill, Color outline, Color highlight) {
  const int o = kBand, inner = kTile, size = o + inner + o + kShadow;
  Canvas full(size, size);
  // The shadow's corners are rounded by no more than the shadow's offset, which keeps its
  // curves inside the corner pieces.
  Path shadow;
  shadow.RoundRect(kShadow, kShadow, inner + 2 * o, inner + 2 * o, kShadow);
  full.Fill(shadow, WithAlpha(kCocoa, 0.4f));
  Path outer;
  outer.RoundRect(0, 0, inner + 2 * o, inner + 2 * o, o);
  full.Fill(outer, outline);
  Path lit;
  lit.RoundRect(2, 2, inner + 2 * o - 4, inner + 2 * o - 4, o - 2);
  full.Fill(lit, highlight);
  Path body;
  body.RoundRect(3, 3, inner + 2 * o - 6, inner + 2 * o - 6, o - 3);
  full.Fill(body, fill);

  const int r = o + inner;  // where the window's right and bottom edges fall
  const int far = o + kShadow;
  std::vector<Frame> f;
  f.push_back({Cut(full, 0, 0, o, o), o, o});        // 0 top left
  f.push_back({Cut(full, r, 0, far, o), 0, o});      // 1 top right
  f.push_back({Cut(full, 0, r, o, far), o, 0});      // 2 bottom left
  f.push_back({Cut(full, r, r, far, far), 0, 0});    // 3 bottom right
  f.push_back({Cut(full, 0, o, o, inner), o, 0});    // 4 left edge
  f.push_back({Cut(full, r, o, far, inner), 0, 0});  // 5 right edge
  f.push_back({Cut(full, o, 0, inner, o), 0, o});    // 6 top edge
  f.push_back({Cut(full, o, r, inner, far), 0, 0});  // 7 bottom edge
  return f;
}

// A gold medallion with a cocoa bean, centred on the top edge.
Frame Ornament() {
  Canvas c(44, 28);
  Path plate;
  plate.RoundRect(2, 2, 40, 22, 11);
  c.Shadow(plate, 2, 2, 2, WithAlpha(kCocoa, 0.4f));
  Path shine;
  shine.Ellipse(16, 8, 14, 5);
  Piece(c, plate, Paint::Linear({0, 2}, Shade(kGold, 0.25f), {0, 24}, Shade(kGold, -0.1f)), 2.0, &shine, 0.5f);
  Path bean;
  bean.Ellipse(22, 13, 8, 5.5);
  c.Fill(bean, kChocolate);
  c.Fill(bean.Stroke(1.5), kCocoa);
  Path seam;
  seam.MoveTo(15, 13).QuadTo(22, 9.5, 29, 13).QuadTo(22, 11, 15, 13).Close();
  c.Fill(seam.Stroke(1.2), kCaramel);
  return {c, 22, 13};
}

struct ButtonLook {
  const char* name;
  Color base;
};
struct ButtonSize {
  const char* name;
  int w, h;
};

// A button: the panel's rounded shape in the button's colour with a lip below it; `down`
// sits one pixel lower on a thinner lip.
Canvas Button(int w, int h, Color base, bool down) {
  Canvas c(w, h);
  double lip = down ? 1 : 2, top = down ? 2 : 1, bh = h - 4;
  Path lipShape;
  lipShape.RoundRect(1, top + lip, w - 2, bh, 8);
  c.Fill(lipShape, Shade(base, -0.45f));
  Path shape;
  shape.RoundRect(1, top, w - 2, bh, 8);
  Path shine;
  shine.RoundRect(4, top + 2, w - 8, bh * 0.42, 6);
  Piece(c, shape, Paint::Linear({0, top}, Shade(base, 0.14f), {0, top + bh}, Shade(base, -0.06f)), 2.0, &shine, 0.35f);
  Path under;
  under.RoundRect(1, top, w - 2, bh + lip, 8);
  c.Fill(under.Stroke(2.0), kCocoa);
  return c;
}

Canvas Disabled(const Canvas& from) {
  Canvas c(from.Width(), from.Height());
  for (int y = 0; y < from.Height(); y++)
    for (int x = 0; x < from.Width(); x++) {
      Color p = from.PixelAt(x, y);
      if (p.a > 0) c.Set(x, y, Saturate(p, 0.4f));
    }
  return c;
}

void Buttons(Sink& out) {
  const ButtonLook looks[] = {{"caramel", kCaramel}, {"gold", kGold}};
  const ButtonSize sizes[] = {{"s", 100, 32}, {"m", 160, 40}, {"l", 220, 48}};
  for (const ButtonLook& look : looks)
    for (const ButtonSize& size : sizes) {
      std::string key = std::string("ui/kit/button_") + look.name + "_" + size.name + "_";
      Canvas up = Button(size.w, size.h, look.base, false);
      out.Png(key + "up.png", up);
      out.Png(key + "over.png", Button(size.w, size.h, Shade(look.base, 0.12f), false));
      out.Png(key + "down.png", Button(size.w, size.h, Shade(look.base, -0.12f), true));
      out.Png(key + "off.png", Disabled(up));
    }
}

// Slider: upright rail pieces (a horizontal slider lays them on their side) and a knob.
Canvas Rail(int h, double y, double len) {
  const int w = 12;
  Canvas c(w, h);
  Path groove;
  groove.RoundRect(1, y, w - 2, len, 5);
  Path shine;
  shine.Rect(3, -10, 2, h + 20);
  Piece(c, groove, Paint::Linear({1, 0}, Shade(kChocolate, -0.2f), {11, 0}, kChocolate), 2.0, &shine, 0.3f);
  return c;
}

Canvas Thumb(bool over) {
  Canvas c(22, 22);
  Path knob;
  knob.Circle(11, 11, 9.5);
  c.Shadow(knob, 1, 1.5, 2, WithAlpha(kCocoa, 0.45f));
  Path shine;
  shine.Ellipse(9, 7, 6, 3.5);
  Color base = over ? Shade(kGold, 0.12f) : kGold;
  Piece(c, knob, Paint::Radial({9, 8}, 11, {{0, Shade(base, 0.2f)}, {1, Shade(base, -0.12f)}}), 2.0, &shine, 0.55f);
  return c;
}

void Slider(Sink& out) {
  out.Png("ui/kit/slider_rail_top.png", Rail(8, 1, 30));
  out.Png("ui/kit/slider_rail_mid.png", Rail(4, -20, 44));
  out.Png("ui/kit/slider_rail_bot.png", Rail(8, -23, 30));
  out.Png("ui/kit/slider_thumb.png", Thumb(false));
  out.Png("ui/kit/slider_thumb_over.png", Thumb(true));
}

// Check and radio marks, 24x24, in the toggle's four looks.
Canvas Mark(bool radio, bool on, bool over) {
  Canvas c(24, 24);
  Path box;
  if (radio)
    box.Circle(12, 12, 10);
  else
    box.RoundRect(2, 2, 20, 20, 5);
  Path shine;
  shine.Ellipse(10, 7, 8, 4);
  Piece(c, box, over ? kMilk : kCream, 0.0, &shine, 0.5f);
  if (over) c.Fill(box.Stroke(4.0), WithAlpha(kGold, 0.6f));
  c.Fill(box.Stroke(2.0), kCocoa);
  if (on && radio) {
    Path dot;
    dot.Circle(12, 12, 5.5);
    Path glint;
    glint.Circle(10.5, 10.5, 2);
    Piece(c, dot, kGold, 1.5, &glint, 0.7f);
  } else if (on) {
    Path band;
    band.Capsule(6.5, 12.5, 10.5, 16.5, 3.6).Append(CapsuleShape(10.5, 16.5, 18, 7, 3.6));
    c.Fill(band.Stroke(2.0), kCocoa);
    c.Fill(band, kMint);
  }
  return c;
}

void Marks(Sink& out) {
  for (int radio = 0; radio < 2; radio++)
    for (int on = 0; on < 2; on++)
      for (int over = 0; over < 2; over++) {
        std::string key = std::string("ui/kit/") + (radio ? "radio_" : "check_") + (on ? "on" : "off") +
                          (over ? "_over" : "") + ".png";
        out.Png(key, Mark(radio, on, over));
      }
}

Canvas TextField(int w, int h) {
  Canvas c(w, h);
  Path box;
  box.RoundRect(1, 1, w - 2, h - 2, 5);
  c.Fill(box, kMilk);
  c.PushClip(box);
  Path inset;
  inset.Rect(0, 0, w, 4);
  c.Fill(inset, Paint::Linear({0, 1}, WithAlpha(kCocoa, 0.22f), {0, 5}, WithAlpha(kCocoa, 0.0f)));
  c.PopClip();
  c.Fill(box.Stroke(2.0), kCocoa);
  return c;
}

// Cursors are drawn by the display through its colour key: a pixel is shown whole or not at all,
// and magenta means "not at all". So they are opaque pictures with hard edges on magenta (an
// edge pixel goes to whichever side covers most of it). The arrow's tip is its hot spot (1,1);
// the aimer's centre pixel is (16,16).
Canvas Keyed(const Canvas& drawn) {
  const Color key = Hex("#ff00ff");
  Canvas c(drawn.Width(), drawn.Height());
  for (int y = 0; y < drawn.Height(); y++)
    for (int x = 0; x < drawn.Width(); x++) {
      Color p = drawn.PixelAt(x, y);
      c.Set(x, y, p.a >= 0.5f ? WithAlpha(p, 1.0f) : key);
    }
  return c;
}

Canvas Arrow() {
  Canvas arrow(32, 32);
  Path shape;
  shape.Polygon({{1, 1}, {1, 21}, {6, 16.5}, {9.5, 24.5}, {13, 23}, {9.5, 15}, {16, 15}});
  Path shine;
  shine.Polygon({{2.5, 4}, {2.5, 15}, {8, 10}});
  arrow.Fill(shape.Stroke(3.4), kMilk);
  Piece(arrow, shape, kCocoa, 0.0, &shine, 0.3f);
  return Keyed(arrow);
}

Canvas Aimer() {
  Canvas aimer(32, 32);
  const double cx = 16.5, cy = 16.5;
  Path ring;
  ring.Ring(cx, cy, 11.5, 8.5);
  Path ticks;
  ticks.Capsule(cx, 1.5, cx, 6, 2.5).Append(CapsuleShape(cx, 27, cx, 31.5, 2.5));
  ticks.Append(CapsuleShape(1.5, cy, 6, cy, 2.5)).Append(CapsuleShape(27, cy, 31.5, cy, 2.5));
  Path dot;
  dot.Circle(cx, cy, 2.2);
  Path all;
  all.Append(ring).Append(ticks).Append(dot);
  aimer.Fill(all.Stroke(2.5), kCocoa);
  aimer.Fill(ring, kMilk);
  aimer.Fill(ticks, kMilk);
  aimer.Fill(dot, kCherry);
  return Keyed(aimer);
}

void Cursors(Sink& out) {
  out.Png("cursor/cursor.png", Arrow());
  out.Png("cursor/gun_aimer.png", Aimer());
  out.Png("cursor/blank_cursor.png", Keyed(Canvas(32, 32)));
}

// A cocoa bean seen from above, about `size` long, turned by `turn` radians.
Path Bean(double cx, double cy, double size, double turn) {
  Path p;
  p.SetTransform(Matrix::Rotate(turn).Then(Matrix::Translate(cx, cy)));
  p.Ellipse(0, 0, size / 2, size / 3.2);
  return p;
}

// A scatter of faint beans, placed by a fixed little generator (the same every run).
void BeanPattern(Canvas& c, float alpha, unsigned seed) {
  unsigned s = seed;
  auto next = [&]() {
    s = s * 1664525u + 1013904223u;
    return (double)(s >> 8) / 16777216.0;
  };
  for (int gy = 0; gy < 600; gy += 60)
    for (int gx = 0; gx < 800; gx += 64) {
      double x = gx + 10 + next() * 44, y = gy + 10 + next() * 40, turn = next() * M_PI;
      c.Fill(Bean(x, y, 18 + next() * 6, turn), WithAlpha(kChocolate, alpha));
    }
}

void Backdrops(Sink& out) {
  // The menu: a warm cream sky with soft rays, chocolate dripping from the top and a shelf of
  // sweets along the bottom; the middle stays calm for the menu's panel.
  Canvas menu(800, 600);
  Path all;
  all.Rect(0, 0, 800, 600);
  menu.Fill(all, Paint::Linear({0, 0}, Shade(kCream, 0.3f), {0, 600}, Mix(kCream, kCaramel, 0.55f)));
  for (int i = 0; i < 16; i++) {
    double a0 = M_PI * i / 8 + 0.05, a1 = a0 + M_PI / 16;
    Path ray;
    ray.Wedge(400, 250, 900, a0, a1);
    menu.Fill(ray, WithAlpha(kMilk, 0.16f));
  }
  BeanPattern(menu, 0.04f, 7);
  Path drip;
  drip.MoveTo(0, 0).LineTo(800, 0).LineTo(800, 30);
  unsigned s = 3;
  double x = 800;
  while (x > 0) {
    s = s * 1664525u + 1013904223u;
    double w = 38 + (s >> 16) % 40, depth = 34 + (s >> 8) % 46;
    double mid = x - w / 2;
    drip.QuadTo(x - w * 0.12, 28, mid + 8, 36).CubicTo(mid + 8, depth, mid - 8, depth, mid - 8, 36);
    drip.QuadTo(x - w * 0.88, 28, x - w, 26 + (s >> 4) % 8);
    x -= w;
  }
  drip.LineTo(0, 30).Close();
  menu.Shadow(drip, 0, 3, 4, WithAlpha(kCocoa, 0.35f));
  Path dripShine;
  dripShine.Rect(0, 6, 800, 5);
  Piece(menu, drip, Paint::Linear({0, 0}, kCocoa, {0, 60}, kChocolate), 0.0, &dripShine, 0.18f);
  // The shelf.
  Path shelf;
  shelf.Rect(-4, 540, 808, 70);
  Path shelfShine;
  shelfShine.Rect(0, 542, 800, 4);
  Piece(menu, shelf, Paint::Linear({0, 540}, kCaramel, {0, 600}, Shade(kCaramel, -0.25f)), 2.0, &shelfShine, 0.5f);
  for (int k = 0; k < 9; k++) {
    Path grain;
    double gy = 556 + k * 5;
    grain.MoveTo(0, gy).CubicTo(200, gy - 3, 500, gy + 3, 800, gy - 1);
    menu.Fill(grain.Stroke(1.0), WithAlpha(kChocolate, 0.25f));
  }
  const Color sweets[] = {kChocolate, kCherry, kGold, kMint, kCocoa, kCaramel, kChocolate, kSea, kGold};
  for (int k = 0; k < 9; k++) {
    double cx = 50 + k * 87.5, cy = 526;
    Path sweet;
    if (k % 3 == 0)
      sweet.RoundRect(cx - 22, cy - 16, 44, 32, 8);
    else if (k % 3 == 1)
      sweet.Ellipse(cx, cy, 22, 17);
    else
      sweet.MoveTo(cx - 24, cy + 15)
          .LineTo(cx + 24, cy + 15)
          .QuadTo(cx + 22, cy - 18, cx, cy - 18)
          .QuadTo(cx - 22, cy - 18, cx - 24, cy + 15)
          .Close();
    menu.Shadow(sweet, 3, 3, 3, WithAlpha(kCocoa, 0.35f));
    Path shine;
    shine.Ellipse(cx - 8, cy - 9, 10, 4.5);
    Piece(menu, sweet, sweets[k], 2.0, &shine, 0.5f);
    Path swirl;
    swirl.MoveTo(cx - 10, cy + 1).QuadTo(cx - 5, cy - 5, cx, cy + 1).QuadTo(cx + 5, cy + 7, cx + 10, cy + 1);
    Path open = swirl;  // a squiggle of icing across the sweet
    Path icing = Band(open, 2.2);
    menu.Fill(icing, WithAlpha(kMilk, 0.8f));
  }
  out.Png("ui/kit/backdrop_menu.png", menu);

  // Full-screen dialogs: the same warmth, calmer.
  Canvas screen(800, 600);
  screen.Fill(all, Paint::Linear({0, 0}, Shade(kCream, 0.2f), {0, 600}, Mix(kCream, kCaramel, 0.4f)));
  BeanPattern(screen, 0.05f, 11);
  screen.Fill(all,
              Paint::Radial({400, 300}, 520, {{0.35f, WithAlpha(kCocoa, 0.0f)}, {1.1f, WithAlpha(kCocoa, 0.25f)}}));
  out.Png("ui/kit/backdrop_screen.png", screen);

  // Behind a modal panel over a running screen: slate at 60%, a little darker at the edges.
  Canvas overlay(800, 600);
  overlay.Fill(all, Paint::Radial({400, 300}, 500, {{0.5f, WithAlpha(kSlate, 0.6f)}, {1.0f, WithAlpha(kSlate, 0.7f)}}));
  out.Png("ui/kit/overlay_modal.png", overlay);
}

// The title picture: the game's name in gold on a chocolate ribbon.
void Logo(Sink& out) {
  auto face = Face::Load("DejaVuSerif-Bold.ttf");
  if (!face) return;
  const int w = 540, h = 150;
  Canvas c(w, h);
  // Ribbon tails behind the band.
  for (int side = 0; side < 2; side++) {
    double s = side ? -1 : 1, x0 = side ? w - 6 : 6;
    Path tail;
    tail.Polygon({{x0, 58}, {x0 + s * 70, 58}, {x0 + s * 70, 122}, {x0, 122}, {x0 + s * 22, 90}});
    c.Shadow(tail, 3, 3, 3, WithAlpha(kCocoa, 0.35f));
    Piece(c, tail, Shade(kChocolate, -0.25f), 2.0);
  }
  Path band;
  band.RoundRect(46, 36, w - 92, 76, 10);
  c.Shadow(band, 4, 4, 4, WithAlpha(kCocoa, 0.4f));
  Path shine;
  shine.RoundRect(52, 40, w - 104, 22, 8);
  Piece(c, band, Paint::Linear({0, 36}, Shade(kChocolate, 0.1f), {0, 112}, Shade(kChocolate, -0.15f)), 2.5, &shine,
        0.18f);
  Path stitch;
  stitch.RoundRect(54, 44, w - 108, 60, 6);
  Path dashes;
  for (const auto& o : stitch.Outlines())
    for (size_t i = 0; i + 1 < o.size(); i += 4)
      dashes.Append(CapsuleShape(o[i].x, o[i].y, o[i + 1].x, o[i + 1].y, 1.4));
  c.Fill(dashes, WithAlpha(kCaramel, 0.8f));
  Path title = CentredText(*face, "Quillomer Lorvane", w / 2.0, 74, 40);
  c.Fill(title.Transformed(Matrix::Translate(1.5, 2)), WithAlpha(kCocoa, 0.9f));
  c.Fill(title.Stroke(3.0), kCocoa);
  c.Fill(title, Paint::Linear({0, 58}, Shade(kGold, 0.35f), {0, 88}, Shade(kGold, -0.08f)));
  // A gold star on each side of the band.
  for (int side = 0; side < 2; side++) {
    double cx = side ? w - 62 : 62;
    Path star;
    star.Star(cx, 20, 5, 14, 6);
    Path glint;
    glint.Circle(cx - 3, 16, 4);
    c.Shadow(star, 2, 2, 2, WithAlpha(kCocoa, 0.35f));
    Piece(c, star, kGold, 2.0, &glint, 0.6f);
  }
  out.Png("ui/kit/logo.png", c);
}

}  // namespace

ART_AREA(ui) {
  auto panel = PanelFrames(kCream, kCocoa, kMilk);
  out.Animation("ui/kit/panel", panel);
  panel.push_back(Ornament());
  out.Animation("ui/kit/panel_ornament", panel);
  out.Animation("ui/kit/panel_dark", PanelFrames(kChocolate, kCocoa, Mix(kChocolate, kCaramel, 0.6f)));
  Buttons(out);
  Slider(out);
  Marks(out);
  out.Png("ui/kit/textfield.png", TextField(240, 28));
  out.Png("ui/kit/textfield_wide.png", TextField(360, 28));
  Cursors(out);
  Backdrops(out);
  Logo(out);
}

namespace {

// The frame as the window base draws it: fill, edges tiled and clipped to the window's
// extent, corners over them.
void DrawFramed(Canvas& c, const std::vector<Frame>& f, int l, int t, int r, int b, Color fill) {
  Path inside;
  inside.Rect(l, t, r - l, b - t);
  c.Fill(inside, fill);
  auto put = [&](Canvas& on, const Frame& fr, int x, int y) { on.Draw(fr.canvas, x - fr.regx, y - fr.regy); };
  Canvas across(c.Width(), c.Height()), down(c.Width(), c.Height());
  for (int x = l; x < r; x += f[6].canvas.Width()) {
    put(across, f[6], x, t);
    put(across, f[7], x, b);
  }
  for (int y = t; y < b; y += f[4].canvas.Height()) {
    put(down, f[4], l, y);
    put(down, f[5], r, y);
  }
  Path left, above;
  left.Rect(0, 0, l, c.Height()).Rect(r, 0, c.Width() - r, c.Height());
  above.Rect(0, 0, c.Width(), t).Rect(0, b, c.Width(), c.Height() - b);
  across.Erase(left);
  down.Erase(above);
  c.Draw(across, 0, 0);
  c.Draw(down, 0, 0);
  put(c, f[0], l, t);
  put(c, f[1], r, t);
  put(c, f[2], l, b);
  put(c, f[3], r, b);
  if (f.size() > 8) put(c, f[8], (l + r) / 2, t);
}

}  // namespace

ART_PREVIEW(ui) {
  Canvas screen(800, 600);
  Path all;
  all.Rect(0, 0, 800, 600);
  screen.Fill(all, Paint::Linear({0, 0}, Shade(kCream, 0.3f), {0, 600}, Mix(kCream, kCaramel, 0.55f)));
  auto panel = PanelFrames(kCream, kCocoa, kMilk);
  panel.push_back(Ornament());
  DrawFramed(screen, panel, 250, 170, 550, 520, kCream);
  DrawFramed(screen, PanelFrames(kChocolate, kCocoa, Mix(kChocolate, kCaramel, 0.6f)), 600, 40, 780, 150, kChocolate);
  DrawFramed(screen, PanelFrames(kCream, kCocoa, kMilk), 30, 40, 130, 90, kCream);
  for (int k = 0; k < 2; k++) {
    Color base = k ? kGold : kCaramel;
    int x = 270 + k * 170;
    screen.Draw(Button(100, 32, base, false), x, 190);
    screen.Draw(Button(160, 40, base, false), x, 230);
    screen.Draw(Button(160, 40, Shade(base, 0.12f), false), x, 280);
    screen.Draw(Button(160, 40, Shade(base, -0.12f), true), x, 330);
    screen.Draw(Disabled(Button(160, 40, base, false)), x, 380);
  }
  screen.Draw(TextField(240, 28), 290, 440);
  out.Png("preview_ui.png", screen);

  // The small pieces four times larger, pixel for pixel, on cream.
  Canvas zoom(800, 600);
  zoom.Fill(all, Mix(kCream, kCaramel, 0.3f));
  auto blow = [&](const Canvas& from, int x, int y) {
    for (int py = 0; py < from.Height(); py++)
      for (int px = 0; px < from.Width(); px++) {
        Path p;
        p.Rect(x + px * 4, y + py * 4, 4, 4);
        zoom.Fill(p, from.PixelAt(px, py));
      }
  };
  int x = 10;
  for (int radio = 0; radio < 2; radio++)
    for (int on = 0; on < 2; on++)
      for (int over = 0; over < 2; over++, x += 100) blow(Mark(radio, on, over), x, 150);
  blow(Arrow(), 10, 260);
  blow(Aimer(), 150, 260);
  blow(Thumb(false), 290, 260);
  blow(Rail(8, 1, 30), 400, 260);
  blow(Rail(4, -20, 44), 400, 300);
  blow(Rail(8, -23, 30), 400, 320);
  blow(Button(100, 32, kGold, false), 10, 10);
  blow(PanelFrames(kCream, kCocoa, kMilk)[3].canvas, 430, 10);
  blow(PanelFrames(kCream, kCocoa, kMilk)[0].canvas, 500, 10);
  blow(Ornament().canvas, 580, 10);
  out.Png("preview_ui_zoom.png", zoom);
}
