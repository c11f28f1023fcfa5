// The credits roll. Each column holds its text twice and the scroll offset wraps once a loop,
// so the roll repeats without a seam; blank lines at the end let the last line leave the window
// before the first comes round again.
#include "game/shell/world/credits.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/platform_time.h"
#include "core/base/saturate.h"
#include "core/graphics/text/text_layout.h"
#include "core/windows/window_host.h"
#include "core/windows/window_style.h"
#include "game/shell/world/world_drawing.h"

namespace {

constexpr int32_t kDefaultFontSize = 16;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

TStr Trimmed(const TStr& text) {
  int start = 0, end = text.Length();
  while (start < end && IsBlank(text[(unsigned)start])) start++;
  while (end > start && IsBlank(text[(unsigned)(end - 1)])) end--;
  return text.SubStr(start, end - start);
}

}  // namespace

TCredits::TCredits() {}

TCredits::~TCredits() {
  TTextLayout::Destroy(mLeftLayout);
  TTextLayout::Destroy(mRightLayout);
  TTextLayout::Destroy(mCentreLayout);
}

TWindow* TCredits::Create() { return new TCredits; }

TStr TCredits::HexColour(const TColor& colour) {
  auto byte = [](float v) { return std::clamp(SaturateToInt32(std::trunc((double)v * 255)), 0, 255); };
  return TStr::Format("%02x%02x%02x%02x", byte(colour.r), byte(colour.g), byte(colour.b), byte(colour.a));
}

TStr TCredits::Convert(const TStr& text, const TStr& headerColour) {
  TStr trimmed = Trimmed(text), out;
  for (int i = 0; i < trimmed.Length(); i++) {
    char c = trimmed[(unsigned)i];
    if (c == '[')
      out += TStr("<font color='") + headerColour + "'>";
    else if (c == ']')
      out += "</font>";
    else
      out += c;
  }
  return out + "\n";
}

void TCredits::Columns::AddLine(const TStr& line, const TStr& headerColour) {
  int bar = line.Find('|');
  if (bar >= 0) {
    left += Convert(line.SubStr(0, bar), headerColour);
    right += Convert(line.SubStr(bar + 1), headerColour);
    centre += "\n";
  } else {
    left += "\n";
    right += "\n";
    centre += Convert(line, headerColour);
  }
}

bool TCredits::ReadFile(const TStr& path, const TStr& headerColour, Columns& columns) {
  TFile* file = FileOpen(path.c_str(), kFileReadBinary);
  if (!file) return false;
  char piece[kPieceBytes];
  for (;;) {
    piece[0] = 0;
    // The last line may come with the end of the file.
    bool more = FileGets(file, piece, kPieceBytes) != nullptr;
    int n = (int)strlen(piece);
    if (n == 0 && !more) break;
    if (n > 0 && (piece[n - 1] == '\n' || piece[n - 1] == '\r')) n--;
    columns.AddLine(TStr(piece, n), headerColour);
    if (!more) break;
  }
  FileClose(file);
  return true;
}

void TCredits::Init(TWindowStyle& style) {
  TWindow::Init(style);
  mLoopTime = SaturateToUInt32(style.GetNumber("time", 0));
  mIntroPause = SaturateToUInt32(style.GetNumber("intropause", 0));
  mColumnGap = style.GetInt("columngap", 0);
  mColumnWidth = style.GetInt("columnwidth", 0);
  mFont = style.GetString("font", TStr());
  mFontSize = style.GetInt("fontsize", kDefaultFontSize);
  mFontColour = style.GetColor("fontcolor", TColor(1, 1, 1, 1));
  mHeaderColour = HexColour(style.GetColor("headercolor", TColor(1, 1, 1, 1)));
  mFile = style.GetString("file", TStr());
  if (mFontSize <= 0) {
    LogError("Credits: font size %d cannot be laid out; using %d", mFontSize, kDefaultFontSize);
    mFontSize = kDefaultFontSize;
  }
  if (mLoopTime == 0) LogError("Credits: no \"time\" for one pass of the roll; it stands still");

  Columns columns;
  if (!ReadFile(mFile, mHeaderColour, columns)) LogError("Credits: cannot open the credits file \"%s\"", mFile.c_str());
  for (int32_t i = GetHeight() / mFontSize; i > 0; i--) columns.AddLine(TStr(), mHeaderColour);

  int32_t h = GetHeight();
  mLeftLayout = TTextLayout::Create(columns.left + columns.left, mColumnWidth, h, 1, mFont, mFontSize, mFontColour);
  mRightLayout = TTextLayout::Create(columns.right + columns.right, mColumnWidth, h, 1, mFont, mFontSize, mFontColour);
  mCentreLayout = TTextLayout::Create(columns.centre + columns.centre, mColumnGap + 2 * mColumnWidth, h, 1, mFont,
                                      mFontSize, mFontColour);
  TRect bounds;
  mLeftLayout->GetBounds(bounds, 1.0f);
  mLoopHeight = (bounds.bottom - bounds.top) / 2;
  mStarted = false;
  SetAnimTimer(kFrameMs, true, true, false);
}

float TCredits::ScrollOffset(uint32_t elapsed) const {
  uint32_t t = elapsed < mIntroPause ? 0 : elapsed - mIntroPause;
  if (mLoopTime == 0) return 0.0f;
  return (float)(t % mLoopTime) * (float)mLoopHeight / (float)mLoopTime;
}

void TCredits::Draw() {
  TWindowHost* host = WorldHost();
  if (!host || !mLeftLayout) return;
  uint32_t now = GetPlatformTime();
  if (!mStarted) {
    mStarted = true;
    mStartTime = now;
  }
  float lines = ScrollOffset(now - mStartTime) / (float)mFontSize;
  int32_t w = GetWidth(), h = GetHeight();
  TRect screen = GetScreenRect();
  auto column = [&](TTextLayout* layout, int32_t left, int32_t right) {
    layout->SetScrollPosition(lines);
    TRect r(left, -mFontSize, right, h + 2 * mFontSize);
    r.Offset(screen.left, screen.top);
    host->DrawTextLayout(layout, r, 1.0f, 0, 1.0f);
  };
  column(mLeftLayout, mColumnGap, w / 2 - mColumnGap / 2);
  column(mRightLayout, w / 2 + mColumnGap / 2, w - mColumnGap);
  column(mCentreLayout, mColumnGap, w - mColumnGap);
}

bool TCredits::OnAnimate() {
  RequestRedraw();
  return true;
}
