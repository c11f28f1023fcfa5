// Tag reading: the tag is copied with blanks outside quotes dropped and names lower-cased
// (attribute values keep their case), then matched by prefix against the tag names in a fixed
// order, so "<bold>" acts as "<b>" and "<bright>" as "<br>".
#include "core/graphics/text/text_markup.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

// The text of attribute name: between the first quote after the name and the next quote of
// the same kind (double quotes first). Empty when absent.
TStr Attribute(const char* tag, const char* name) {
  const char* at = strstr(tag, name);
  if (!at) return TStr();
  at += strlen(name);
  for (char quote : {'"', '\''}) {
    const char* open = strchr(at, quote);
    if (!open) continue;
    const char* close = strchr(open + 1, quote);
    if (!close) return TStr();
    return TStr(open + 1, (int)(close - open - 1));
  }
  return TStr();
}

bool HasAttribute(const char* tag, const char* name) { return strstr(tag, name) != nullptr; }

// Pixel counts; bounded so that the layout's quarter-pixel arithmetic cannot overflow.
int Decimal(const TStr& value) {
  int v = value.ToInt();
  return v < -100000 ? -100000 : v > 100000 ? 100000 : v;
}

// "#rrggbb" or "rrggbb"; with alpha, exactly eight characters "rrggbbaa" (a "#" counts, so
// "#rrggbbaa" reads no alpha).
TColor HexColour(const TStr& value, bool withAlpha) {
  const char* text = value.c_str();
  bool alpha = withAlpha && value.Length() == 8;
  if (*text == '#') text++;
  uint32_t v = (uint32_t)strtoul(text, nullptr, 16);
  uint32_t a = 255;
  if (alpha) {
    a = v & 0xFF;
    v >>= 8;
  }
  return TColor((v >> 16 & 0xFF) / 255.0f, (v >> 8 & 0xFF) / 255.0f, (v & 0xFF) / 255.0f, a / 255.0f);
}

bool Starts(const char* text, const char* prefix) { return strncmp(text, prefix, strlen(prefix)) == 0; }

}  // namespace

void TTextMarkup::Reset(const TTextStyle& base) {
  for (TTextStyle& s : mStyles) s = TTextStyle();
  mStyles[0] = base;
  mStyleIndex = 0;
  mBold = mItalic = mUnderline = false;
  for (int& a : mAlignments) a = 0;
  mAlignments[0] = -1;
  mAlignIndex = 0;
  mLinkId = TStr();
  mColour = TColor();
  mOutlineSize = 0;
  mOutlineColour = TColor();
}

bool TTextMarkup::ParseTag(const char* text, int length, int index, TTextTag& tag) {
  if (index < 0 || index >= length || text[index] != '<') return false;
  char copy[kMaxTagLength + 1];
  int n = 0;
  bool inValue = false, inQuotes = false;
  for (int i = index; i < length && i - index < kMaxTagLength; i++) {
    char c = text[i];
    if (c == '>') {
      copy[n] = 0;
      tag = TTextTag();
      tag.length = i - index + 1;
      ApplyTag(copy + 1, tag);
      return true;
    }
    if (c == '"' || c == '\'') inQuotes = !inQuotes;
    if (c == '=') inValue = true;
    else if (c == ' ' && !inQuotes) inValue = false;
    if (c == ' ' && !inQuotes) continue;
    copy[n++] = inValue || inQuotes ? c : (char)tolower((unsigned char)c);
  }
  return false;
}

void TTextMarkup::ApplyTag(const char* t, TTextTag& out) {
  auto pushAlignment = [&](int a) {
    out.alignmentChanged = true;
    if (mAlignIndex + 1 < kStackSize) mAlignments[++mAlignIndex] = a;
  };
  auto popAlignment = [&] {
    out.alignmentChanged = true;
    if (mAlignIndex > 0) mAlignIndex--;
  };
  if (Starts(t, "br")) {
    out.lineBreak = true;
    out.pad = Decimal(Attribute(t, "pad"));
  } else if (Starts(t, "/p")) {
    out.lineBreak = true;
  } else if (Starts(t, "a")) {
    if (HasAttribute(t, "id")) mLinkId = Attribute(t, "id");
    if (HasAttribute(t, "color")) mColour = HexColour(Attribute(t, "color"), false);
    else mColour = GetStyle().colour;
  } else if (Starts(t, "/a")) {
    mLinkId = TStr();
    mColour = GetStyle().colour;
  } else if (Starts(t, "b")) {
    mBold = true;
  } else if (Starts(t, "/b")) {
    mBold = false;
  } else if (Starts(t, "i")) {
    mItalic = true;
  } else if (Starts(t, "/i")) {
    mItalic = false;
  } else if (Starts(t, "u")) {
    mUnderline = true;
  } else if (Starts(t, "/u")) {
    mUnderline = false;
  } else if (Starts(t, "cursor")) {
    out.cursor = true;
  } else if (Starts(t, "center")) {
    pushAlignment(1);
  } else if (Starts(t, "/center") || Starts(t, "/left") || Starts(t, "/right")) {
    popAlignment();
  } else if (Starts(t, "left")) {
    pushAlignment(0);
  } else if (Starts(t, "right")) {
    pushAlignment(2);
  } else if (Starts(t, "font")) {
    // Past the top of the stack the index still counts, so the matching "/font" tags balance.
    TTextStyle style = GetStyle();
    if (HasAttribute(t, "size")) style.size = Decimal(Attribute(t, "size"));
    if (HasAttribute(t, "color")) style.colour = HexColour(Attribute(t, "color"), true);
    if (HasAttribute(t, "face")) style.face = Attribute(t, "face");
    if (++mStyleIndex < kStackSize) mStyles[mStyleIndex] = style;
  } else if (Starts(t, "/font")) {
    if (mStyleIndex > 0) mStyleIndex--;
  } else if (Starts(t, "outline")) {
    mOutlineColour = HexColour(Attribute(t, "color"), false);
    mOutlineSize = HasAttribute(t, "size") ? (float)Decimal(Attribute(t, "size")) : 2.0f;
  } else if (Starts(t, "/outline")) {
    mOutlineSize = 0;
    mOutlineColour = TColor();
  } else if (Starts(t, "tab")) {
    out.tab = Decimal(Attribute(t, "pos")) * 4;
  } else {
    mColour = GetStyle().colour;
  }
}
