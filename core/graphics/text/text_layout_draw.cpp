// Drawing of a laid-out text: each visible run sets the rasteriser's strokes (outline and bold
// pens), colours and italic state, then its glyphs are drawn one by one at pen offsets that
// follow the layout's rotation; cursors and underlines are filled rectangles.
#include <algorithm>
#include <cmath>

#include "core/base/platform.h"
#include "core/base/win32/platform_impl.h"
#include "core/graphics/draw_spec.h"
#include "core/graphics/renderer.h"
#include "core/graphics/text/mini_vec_draw.h"
#include "core/graphics/text/shape_writer.h"
#include "core/graphics/text/text_chars.h"
#include "core/graphics/text/text_layout.h"
#include "core/graphics/text/vector_font.h"
#include "core/graphics/texture.h"

namespace {

// A filled rectangle in shape units, as the rasteriser draws it in colour 1.
std::vector<uint8_t> Rectangle(float x0, float y0, float x1, float y1) {
  TShapeWriter w;
  w.Fill1(1);
  w.Rect(x0, y0, x1, y1);
  w.End();
  return w.Bytes();
}

// The platform's viewport scale while the display scales the program's pixels, else 0.
float ScreenViewportScale() {
  TPlatform* platform = TPlatform::GetInstance();
  float x = 1.0f, y = 1.0f;
  return platform && platform->GetImpl() && platform->GetImpl()->GetViewportScale(x, y) && x > 0 ? x : 0.0f;
}

TColor Faded(TColor c, float opacity) {
  c.a *= opacity;
  return c;
}

}  // namespace

void TTextLayout::Draw(TVec2 position, int visibleHeight, float scale, int spacing, float opacity,
                       std::shared_ptr<TTexture> target) {
  if (scale < 0) return;
  TKsMiniVecDraw& r = TKsMiniVecDraw::Get();
  if (!target) {
    TRect viewport = TRenderer::Get()->GetViewport();
    position.x += viewport.left;
    position.y += viewport.top;
    if (!r.Begin(0, 0, std::shared_ptr<TTexture>())) return;
    // On a scaled display the glyphs are filled at its own resolution, not magnified.
    float v = ScreenViewportScale();
    if (v > 0) r.SetLineScale(1.0f / v);
    DrawLines(position, visibleHeight, scale, v, spacing, opacity, r, nullptr);
    r.SetLineScale(1.0f);
    return;
  }
  // The texture stays locked while its lines are drawn; letting it go asks for a new frame.
  if (!r.Begin(0, 0, target)) return;
  DrawLines(position, visibleHeight, scale, 0, spacing, opacity, r, r.GetTarget());
}

void TTextLayout::DrawInRect(const TRect& rect, float scale, int spacing, float opacity,
                             std::shared_ptr<TTexture> target) {
  Draw(TVec2((float)rect.left, (float)rect.top), rect.Height(), scale, spacing, opacity, target);
}

void TTextLayout::Draw(const TDrawSpec& spec, int width, int height, const TColor& colour, int depth) {
  const TMat3& m = spec.mMatrix;
  float scale = std::sqrt(m.m[0][0] * m.m[0][0] + m.m[0][1] * m.m[0][1]);
  Draw(spec.GetPosition(), height, scale, 0, spec.mAlpha * colour.a);
}

void TTextLayout::DrawToPixels(TVec2 position, int visibleHeight, float scale, int spacing,
                               float opacity, const TPixelTarget& pixels) {
  if (scale < 0) return;
  DrawLines(position, visibleHeight, scale, 0, spacing, opacity, TKsMiniVecDraw::Get(), &pixels);
}

void TTextLayout::DrawLines(TVec2 p, int visibleHeight, float scale, float viewportScale,
                            int spacing, float opacity, TKsMiniVecDraw& r, const TPixelTarget* pixels) {
  const float v = viewportScale > 0 ? viewportScale : 1.0f;
  const float glyphScale = scale * v;
  r.SetPixelMode(mReplace, mAccumulate);
  r.SetRotation(mCos, mSin);
  float y0 = mSpriteMode ? mVerticalAnchor / (scale != 0 ? scale : 1.0f) + mVerticalOffset
                         : mVerticalOffset * scale + mVerticalAnchor;
  int first = std::max(0, (int)mScroll);
  p.y -= (mScroll - (int)mScroll) * mFontSize * scale;
  const char* text = mText.c_str();
  const int length = mText.Length();

  for (size_t li = first; li < mLines.size(); li++) {
    const TTextLine& line = *mLines[li];
    float bottom = mSpriteMode ? (mFontSize + y0) * scale : line.height * scale + y0;
    bool skip = bottom < 0 || (visibleHeight >= 0 && bottom > visibleHeight);
    float dx = 0, dy = 0;
    bool italicState = false;
    for (size_t ri = 0; ri < line.runs.size() && !skip; ri++) {
      const TTextRun& run = line.runs[ri];
      if (!run.font) continue;
      const TVectorFont& font = *run.font;
      bool hovered = !mHoverLink.IsEmpty() && mHoverLink == run.linkId;
      TColor colour = Faded(hovered ? run.hoverColour : run.styleColour, opacity);

      float w[2] = {0, 0};
      int pens = 0;
      if (run.outlineSize != 0) {
        w[pens++] = run.outlineSize;
        r.SetColour(255, run.outlineColour, opacity);
      }
      if (run.bold || font.IsBold()) {
        float bold = run.size * scale * 0.0125f * font.GetBoldWeight();
        w[pens] = bold;
        r.SetColour(pens ? 254 : 255, colour, 1.0f);
        if (pens) w[0] += bold;
      }
      r.SetPenWidths(w[0] * v, w[1] * v);
      r.SetItalic(run.italic);

      float x = line.anchorX + line.xOffset * scale;
      float y = (line.baseline * 0.25f + y0) * scale;
      if (mSin != 0) {
        float rx = mOriginX + (x - mOriginX) * mCos - (y - mOriginY) * mSin;
        float ry = mOriginY + (x - mOriginX) * mSin + (y - mOriginY) * mCos;
        x = rx;
        y = ry;
      }
      if (viewportScale > 0) {
        x = (int)(p.x * v + 0.5f) + x * v;
        y = (int)(p.y * v + 0.5f) + y * v;
      } else {
        x += p.x;
        y += p.y;
      }
      if (!r.Begin(x, y, pixels)) continue;
      r.SetColour(1, colour, 1.0f);
      if (run.italic != italicState) {
        float a = run.scale * scale / 3 * (italicState ? font.GetAscent() : font.GetDescent());
        dx += a * mCos;
        dy += a * mSin;
        italicState = run.italic;
      }

      float startDx = dx, startDy = dy, advances = 0;
      for (int i = run.startIndex; i <= run.endIndex && i < length;) {
        TTextChar ch = DecodeTextChar(text, length, i);
        i = ch.last + 1;
        int g = font.FindGlyph(ch.code);
        if (g < 0) continue;
        float sx = glyphScale * run.scale;
        r.SetScale(sx, sx * font.GetGlyphAspect(g));
        r.DrawShape(font.GetGlyphShape(g), font.GetGlyphShapeSize(g), RoundHalfAway(dx), (int)dy);
        float step = font.GetGlyphAdvance(g) * run.scale * glyphScale;
        advances += font.GetGlyphAdvance(g);
        dx += step * mCos;
        dy += step * mSin;
      }
      if (run.tab) {
        dx = run.tab * mCos;
        dy = run.tab * mSin;
      }
      if (run.cursor) {
        r.SetScale(1, run.scale * glyphScale);
        auto shape = Rectangle(0, (float)RoundHalfAway(font.GetDescent()), 3,
                               (float)RoundHalfAway(-font.GetAscent()));
        r.DrawShape(shape.data(), (uint32_t)shape.size(), RoundHalfAway(dx), (int)dy);
      }
      if (run.underline && advances > 0) {
        r.SetItalic(false);
        r.SetPenWidths(0, 0);
        r.SetScale(run.scale * glyphScale * advances, 1);
        auto shape = Rectangle(0, 8, 1, 11);
        r.DrawShape(shape.data(), (uint32_t)shape.size(), RoundHalfAway(startDx), (int)startDy);
      }
    }
    y0 += line.height + spacing;
  }
  r.End();
  r.SetRotation(1, 0);
  r.SetItalic(false);
  r.SetPenWidths(0, 0);
}
