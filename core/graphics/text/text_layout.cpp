// The layout pass and the entry points of TTextLayout. The pass walks the text once: tags end
// runs and change the markup state; each character is measured with its run's font (or the
// fallback font "fonts/default.mvec" when the run's font lacks it); a line breaks at a newline,
// a "br" tag, an alignment change, or where the pen crosses the box edge (back at the last
// blank, else before the crossing character). Drawing lives in text_layout_draw.cpp.
#include "core/graphics/text/text_layout.h"

#include <algorithm>
#include <cmath>

#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/graphics/text/font_cache.h"
#include "core/graphics/text/text_chars.h"
#include "core/graphics/text/vector_font.h"

bool TTextLayout::sLegacyLineWrap = false;

TTextRun::TTextRun(const TTextMarkup& markup, int start, TVectorFont* fallback) {
  const TTextStyle& style = markup.GetStyle();
  TVectorFont* own = TFontCache::Get().GetFont(style.face);
  font = fallback ? fallback : own;
  styleFont = fallback ? own : nullptr;
  size = style.size;
  if (font) {
    // Fonts with no body (no 'W', nothing below the line) give no room rather than a division
    // by zero.
    float body = font->GetAscent() + font->GetDescent();
    scale = body > 0 ? TVectorFont::GetBodyFraction() * size * 4 / body : 0.0f;
    baseline = (int)((font->GetAscent() + font->GetMargin(true)) * scale);
  }
  styleColour = style.colour;
  bold = markup.IsBold();
  italic = markup.IsItalic();
  underline = markup.IsUnderline();
  startIndex = start;
  linkId = markup.GetLinkId();
  hoverColour = markup.GetColour();
  outlineSize = markup.GetOutlineSize();
  outlineColour = markup.GetOutlineColour();
}

TTextLayout::TTextLayout() { mSpriteMode = GetSettingInt("textspriterender", 0) > 0; }

TTextLayout* TTextLayout::Create(TStr text, int width, int height, int flags, TStr fontName,
                                 int fontSize, const TColor& colour) {
  TTextLayout* layout = new TTextLayout();
  layout->mFlags = flags;
  layout->mFontName = fontName.IsEmpty() ? TStr(TFontCache::kBuiltinName) : fontName;
  layout->mFontSize = fontSize;
  layout->mColour = colour;
  layout->mWidth = width;
  layout->mHeight = height;
  layout->mText = text;
  layout->Layout();
  return layout;
}

void TTextLayout::SetText(TStr text) {
  if (text == mText) return;
  mText = text;
  Layout();
}

void TTextLayout::SetFont(TStr name) {
  if (name.IsEmpty()) name = TFontCache::kBuiltinName;
  if (name == mFontName) return;
  mFontName = name;
  Layout();
}

void TTextLayout::SetFontSize(int size) {
  if (size == mFontSize) return;
  mFontSize = size;
  Layout();
}

void TTextLayout::SetFlags(int flags) {
  if (flags == mFlags) return;
  mFlags = flags;
  Layout();
}

void TTextLayout::SetColor(const TColor& c) {
  if (c.r == mColour.r && c.g == mColour.g && c.b == mColour.b && c.a == mColour.a) return;
  mColour = c;
  Layout();
}

void TTextLayout::SetRotation(float degrees, float originX, float originY) {
  double a = degrees * M_PI / 180.0;
  float c = (float)cos(a), s = (float)sin(a);
  if (std::fabs(c - 1.0f) < 0.0001f && std::fabs(s) < 0.0001f) {
    c = 1;
    s = 0;
  }
  mCos = c;
  mSin = s;
  mOriginX = originX;
  mOriginY = originY;
  Layout();
}

int TTextLayout::GetMaxScrollLine(float scale, int spacing) const {
  float sum = 0;
  for (int i = (int)mLines.size() - 1; i >= 0; i--) {
    sum += (mLines[i]->height + spacing) * scale;
    if (sum > mHeight) return i + 1;
  }
  return 0;
}

void TTextLayout::Layout() {
  mLines.clear();
  mTotalHeight = 0;
  TTextStyle base;
  base.face = mFontName;
  base.size = mFontSize;
  base.colour = mColour;
  mMarkup.Reset(base);
  TVectorFont* fallback = TFontCache::Get().GetFont(TFontCache::kDefaultFile);
  const bool legacyWrap = sLegacyLineWrap || !GetSetting("legacylinewrap").IsEmpty();
  const char* text = mText.c_str();
  const int length = mText.Length();
  const int boxUnits = mWidth * 4;
  int alignment = -1;
  bool onFallback = false;
  int index = 0;

  while (index < length) {
    auto line = std::make_shared<TTextLine>();
    float pen = 0, carry = 0, firstShift = 0, lineStartOutline = 0, lastOutline = 0;
    bool italicState = false, firstGlyph = true, lineBreak = false, endedOnAlignment = false;
    float candidatePen = 0;
    int candidateIndex = index, pad = 0;
    const int lineStart = index;

    while (index < length && !lineBreak) {
      TTextRun run(mMarkup, index, onFallback ? fallback : nullptr);
      run.startX = RoundHalfAway(pen) / 4;
      float italicShift = 0;
      if (run.italic != italicState && run.font) {
        italicShift = run.scale / 3 *
                      (italicState ? run.font->GetAscent() : run.font->GetDescent());
        pen += italicShift;
        italicState = run.italic;
      }
      bool content = false;
      while (run.endIndex == -2) {
        TTextTag tag;
        if (mMarkup.ParseTag(text, length, index, tag)) {
          run.endIndex = index - 1;
          if (tag.cursor && index == run.startIndex) pen -= italicShift;
          index += tag.length;
          run.cursor = tag.cursor;
          content = content || tag.cursor || tag.lineBreak;
          if (tag.alignmentChanged) {
            lineBreak = true;
            endedOnAlignment = true;
          }
          if (tag.lineBreak) {
            lineBreak = true;
            pad = tag.pad;
          }
          if (tag.tab) {
            pen = (float)tag.tab;
            run.tab = tag.tab;
          }
          break;
        }
        TTextChar ch = DecodeTextChar(text, length, index);
        int charStart = ch.start;
        if (ch.code == 10) {
          run.endIndex = charStart - 1;
          index = ch.last + 1;
          lineBreak = true;
          content = true;
          break;
        }
        if (ch.code == ' ') {
          candidateIndex = charStart;
          candidatePen = pen;
        }
        int glyph = -1;
        if (!run.font) {
          LogError("ERROR: FONT missing in text when attempting to render string %s.", text);
        } else {
          if (run.styleFont && run.styleFont->FindGlyph(ch.code) >= 0) {
            // Back on the style's own font from this character on.
            run.endIndex = charStart - 1;
            index = charStart;
            onFallback = false;
            break;
          }
          glyph = run.font->FindGlyph(ch.code);
          if (glyph < 0 && fallback && run.font != fallback && fallback->FindGlyph(ch.code) >= 0) {
            run.endIndex = charStart - 1;
            index = charStart;
            onFallback = true;
            break;
          }
        }
        float penBefore = pen, carryBefore = carry;
        if (glyph >= 0) {
          content = true;
          const TVectorFont& f = *run.font;
          float advance = f.GetGlyphAdvance(glyph), right = f.GetGlyphRight(glyph);
          pen += carry;
          if (advance >= right) {
            pen += right * run.scale;
            carry = (advance - right) * run.scale;
          } else {
            pen += advance * run.scale;
            carry = 0;
          }
          if (firstGlyph) {
            firstShift = 4 - f.GetGlyphLeft(glyph) * run.scale;
            pen += firstShift;
            lineStartOutline = run.outlineSize;
            firstGlyph = false;
          }
          lastOutline = run.outlineSize;
        }
        if (RoundHalfAway(pen + (lineStartOutline + 1 + lastOutline) * 4) > boxUnits) {
          lineBreak = true;
          if (candidatePen != 0) {
            // Back to the last blank: what follows it goes to the next line.
            pen = candidatePen;
            line->runs.erase(std::remove_if(line->runs.begin(), line->runs.end(),
                                            [&](const TTextRun& r) { return r.startIndex > candidateIndex; }),
                             line->runs.end());
            if (run.startIndex > candidateIndex) {
              run.endIndex = run.startIndex - 1;
            } else {
              run.endIndex = candidateIndex - 1;
            }
            for (TTextRun& r : line->runs) {
              if (r.startIndex <= candidateIndex && r.endIndex >= candidateIndex) {
                r.endIndex = candidateIndex - 1;
                r.endX = RoundHalfAway(candidatePen) / 4;
              }
            }
            index = candidateIndex + 1;
            break;
          }
          // The line's first character, or a blank at pen 0, stays: a box narrower than one
          // character still takes one character a line.
          bool keep = charStart == lineStart || (ch.code == ' ' && penBefore == 0) || legacyWrap;
          if (!keep) {
            // The character opens the next line.
            pen = penBefore;
            carry = carryBefore;
            run.endIndex = charStart - 1;
            index = charStart;
            break;
          }
          run.endIndex = ch.last;
          index = ch.last + 1;
          break;
        }
        if (ch.last >= length - 1) run.endIndex = ch.last;
        index = ch.last + 1;
      }
      if (run.endIndex == -2) run.endIndex = length - 1;  // a tag search that ran off the end
      run.endX = RoundHalfAway(pen) / 4;
      if (!content) {
        run.size = 0;
        run.baseline = 0;
      }
      line->height = std::max(line->height, run.size);
      line->baseline = std::max(line->baseline, run.baseline);
      line->runs.push_back(run);
    }

    line->height += pad;
    int w = RoundHalfAway(pen) / 4;
    int a = alignment != -1 ? (alignment == 1 ? kCentre : alignment == 2 ? kRight : 0) : mFlags;
    if (a & kCentre) {
      line->anchorX = mWidth / 2;
      line->xOffset = -w * 0.5f;
    } else if (a & kRight) {
      line->anchorX = mWidth - RoundHalfAway(lastOutline) - 1;
      line->xOffset = (float)-w;
    } else {
      line->anchorX = RoundHalfAway(lineStartOutline);
      line->xOffset = 0;
    }
    line->xOffset += firstShift * 0.25f + 0.5f;
    if (endedOnAlignment) alignment = mMarkup.GetAlignment();
    mTotalHeight += line->height;
    mLines.push_back(line);
  }

  if (mFlags & kVerticalCentre) {
    mVerticalAnchor = mHeight / 2;
    mVerticalOffset = -mTotalHeight * 0.5f;
  } else if (mFlags & kBottom) {
    mVerticalAnchor = mHeight;
    mVerticalOffset = (float)-mTotalHeight;
  } else {
    mVerticalAnchor = 0;
    mVerticalOffset = 0;
  }
}

TStr TTextLayout::GetLinkAt(int px, int py, int spacing) const {
  float y = mVerticalAnchor + mVerticalOffset;
  for (size_t i = std::max(0, (int)mScroll); i < mLines.size(); i++) {
    const TTextLine& line = *mLines[i];
    if (y - spacing <= py && py < y + line.height) {
      for (const TTextRun& run : line.runs) {
        if (line.anchorX + run.startX + line.xOffset <= px && px < line.anchorX + run.endX + line.xOffset)
          return run.linkId;
      }
    }
    y += line.height + spacing;
  }
  return TStr();
}

bool TTextLayout::UpdateHoverLink(const TVec2* point, int spacing) {
  TStr link = point ? GetLinkAt((int)point->x, (int)point->y, spacing) : TStr();
  if (link == mHoverLink) return false;
  mHoverLink = link;
  return true;
}

void TTextLayout::GetBounds(TRect& bounds, float scale) const {
  int left = 2147483647, right = 0;
  for (size_t i = std::max(0, (int)mScroll); i < mLines.size(); i++) {
    const TTextLine& line = *mLines[i];
    if (line.runs.empty()) continue;
    float offset = line.anchorX + line.xOffset * scale;
    left = std::min(left, (int)(line.runs.front().startX * scale + offset));
    right = std::max(right, (int)(line.runs.back().endX * scale + offset));
  }
  bounds.left = left == 2147483647 ? 0 : left;
  bounds.right = right;
  bounds.top = mVerticalAnchor + (int)(mVerticalOffset * scale);
  bounds.bottom = bounds.top + (int)(mTotalHeight * scale);
}
