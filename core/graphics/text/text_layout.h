// TTextLayout: a rich text laid out in a box. It keeps the text, box, font, size, colour,
// alignment flags and rotation, lays the text out into lines of uniform-style runs whenever one
// of them changes, and draws, hit-tests and measures those lines. Horizontal positions inside a
// line are quarter pixels ("units"); heights, anchors and bounds are whole pixels.
#pragma once

#include <memory>
#include <vector>

#include "core/base/color.h"
#include "core/base/rect.h"
#include "core/base/str.h"
#include "core/base/vec2.h"
#include "core/graphics/text/text_markup.h"

class TVectorFont;
class TTexture;
class TKsMiniVecDraw;
struct TPixelTarget;
struct TDrawSpec;

struct TTextRun {
  // A run from the markup's current style and flags; with a fallback font the run draws with
  // it and keeps the style's own font as styleFont.
  TTextRun(const TTextMarkup& markup, int start, TVectorFont* fallback);

  TVectorFont* font = nullptr;
  float scale = 0;  // font units to units
  int size = 0;     // pixels; 0 for a run with no character, cursor or line break
  int baseline = 0;  // units from the line top
  TVectorFont* styleFont = nullptr;
  TColor styleColour;
  bool bold = false, italic = false, underline = false, cursor = false;
  int startIndex = 0;
  int endIndex = -2;  // last byte of the last character; start - 1 when empty
  int startX = 0, endX = 0;  // pixels from the line start
  TStr linkId;
  TColor hoverColour;
  float outlineSize = 0;
  TColor outlineColour;
  int tab = 0;  // units; set when a "tab" tag ended the run
};

struct TTextLine {
  int height = 0;    // pixels
  int baseline = 0;  // units
  int anchorX = 0;   // pixels inside the box
  float xOffset = 0;  // pixels added to the anchor
  std::vector<TTextRun> runs;
};

class TTextLayout {
 public:
  // Alignment flags.
  enum : int { kCentre = 1, kRight = 2, kVerticalCentre = 4, kBottom = 8 };

  static TTextLayout* Create(TStr text, int width, int height, int flags, TStr fontName,
                             int fontSize, const TColor& colour);
  static void Destroy(TTextLayout* layout) { delete layout; }

  // Each lays the text out again only when the value changed.
  void SetText(TStr text);
  // An empty name selects the built-in font.
  void SetFont(TStr name);
  void SetFontSize(int size);
  void SetFlags(int flags);
  void SetColor(const TColor& colour);
  // Always lays the text out again.
  void SetRotation(float degrees, float originX, float originY);

  TStr GetText() const { return mText; }
  TStr GetFontName() const { return mFontName; }
  int GetFontSize() const { return mFontSize; }
  int GetFlags() const { return mFlags; }
  int GetLineCount() const { return (int)mLines.size(); }
  const std::vector<std::shared_ptr<TTextLine>>& GetLines() const { return mLines; }
  // The 1-based line from the bottom at which the lines stop fitting the box; 0 when all fit.
  int GetMaxScrollLine(float scale, int spacing) const;
  float GetScrollPosition() const { return mScroll; }
  void SetScrollPosition(float line) { mScroll = line; }
  int GetTotalHeight() const { return mTotalHeight; }
  float GetCos() const { return mCos; }
  float GetSin() const { return mSin; }

  // Lines placed in the unscaled space of the drawing transform (text sprites).
  void SetSpriteMode(bool on) { mSpriteMode = on; }
  // Pixel modes for texture targets: replace (alpha included) or accumulate onto transparent.
  void SetPixelMode(bool replace, bool accumulate) { mReplace = replace; mAccumulate = accumulate; }

  // The link under a point in layout pixels; empty when none.
  TStr GetLinkAt(int x, int y, int spacing) const;
  // Hovers the link under the point (none for null); true when the hovered link changed.
  bool UpdateHoverLink(const TVec2* point, int spacing);
  TStr GetHoverLink() const { return mHoverLink; }
  void GetBounds(TRect& bounds, float scale) const;

  // Draws the lines from the scroll position on at position: to the screen (through the
  // renderer's viewport, in the display's own pixels when it scales the program's) or, with a
  // target, into its pixels, which asks the window manager for a new frame. Nothing for a
  // negative scale.
  void Draw(TVec2 position, int visibleHeight, float scale, int spacing, float opacity,
            std::shared_ptr<TTexture> target = nullptr);
  void DrawInRect(const TRect& rect, float scale, int spacing, float opacity,
                  std::shared_ptr<TTexture> target = nullptr);
  // Under a sprite's drawing spec: its translation, scale and alpha (rotation comes through
  // SetRotation).
  void Draw(const TDrawSpec& spec, int width, int height, const TColor& colour, int depth);
  // Into plain pixels (tests, off-screen use).
  void DrawToPixels(TVec2 position, int visibleHeight, float scale, int spacing, float opacity,
                    const TPixelTarget& pixels);

  // The layout pass (run by the setters).
  void Layout();

  // Process-wide: a character that crosses the box edge stays on its line ("legacylinewrap").
  static void SetLegacyLineWrap(bool on) { sLegacyLineWrap = on; }

  TTextLayout(const TTextLayout&) = delete;
  TTextLayout& operator=(const TTextLayout&) = delete;

 private:
  TTextLayout();

  void DrawLines(TVec2 p, int visibleHeight, float scale, float viewportScale, int spacing,
                 float opacity, TKsMiniVecDraw& r, const TPixelTarget* pixels);

  TStr mText;
  TTextMarkup mMarkup;
  int mTotalHeight = 0;
  int mVerticalAnchor = 0;
  float mVerticalOffset = 0;
  int mWidth = 0, mHeight = 0;
  float mCos = 1, mSin = 0, mOriginX = 0, mOriginY = 0;
  bool mReplace = false, mAccumulate = false, mSpriteMode = false;
  std::vector<std::shared_ptr<TTextLine>> mLines;
  TStr mFontName;
  int mFontSize = 0;
  TColor mColour;
  float mScroll = 0;
  int mFlags = 0;
  TStr mHoverLink;

  static bool sLegacyLineWrap;
};
