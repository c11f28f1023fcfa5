// TTextMarkup: the inline markup of texts ("<b>", "<font size=...>", "<a id=...>", ...). The
// layout asks it for a tag at each position; a tag changes the style state kept here and
// hands back what the layout must do (skip it, break the line, move to a tab stop, ...).
#pragma once

#include "core/base/color.h"
#include "core/base/str.h"

struct TTextStyle {
  TStr face;
  int size = 16;
  TColor colour;
};

// What one tag asks of the layout.
struct TTextTag {
  int length = 0;  // bytes the tag occupies, brackets included
  bool lineBreak = false;
  int pad = 0;  // extra height of the line a "br" ends, pixels
  bool cursor = false;
  bool alignmentChanged = false;
  int tab = 0;  // tab stop in quarter pixels, 0 for none
};

class TTextMarkup {
 public:
  static constexpr int kStackSize = 32;
  static constexpr int kMaxTagLength = 128;

  TTextMarkup() { Reset(TTextStyle()); }
  // Back to the start state with base as the bottom style.
  void Reset(const TTextStyle& base);
  // Applies the tag at text[index] when one is there (complete and short enough); false, with
  // nothing changed, otherwise.
  bool ParseTag(const char* text, int length, int index, TTextTag& tag);

  const TTextStyle& GetStyle() const { return mStyles[mStyleIndex < kStackSize ? mStyleIndex : kStackSize - 1]; }
  // The alignment in force: 0 left, 1 centre, 2 right, -1 the layout's own flags.
  int GetAlignment() const { return mAlignments[mAlignIndex]; }
  bool IsBold() const { return mBold; }
  bool IsItalic() const { return mItalic; }
  bool IsUnderline() const { return mUnderline; }
  const TStr& GetLinkId() const { return mLinkId; }
  // The link's colour (its "color"), else the style's.
  const TColor& GetColour() const { return mColour; }
  float GetOutlineSize() const { return mOutlineSize; }
  const TColor& GetOutlineColour() const { return mOutlineColour; }

 private:
  void ApplyTag(const char* tag, TTextTag& out);

  TTextStyle mStyles[kStackSize];
  int mStyleIndex = 0;
  bool mBold = false, mItalic = false, mUnderline = false;
  int mAlignments[kStackSize];
  int mAlignIndex = 0;
  TStr mLinkId;
  TColor mColour;
  float mOutlineSize = 0;
  TColor mOutlineColour;
};
