// TCredits: the credits roll. It reads a plain-text file once ("role | name" lines fill a left
// and a right column, other lines run across; "[...]" marks a heading), lays it out in three
// columns and scrolls them upwards in an endless loop after an optional pause. Script type
// "CreditsWindow".
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/color.h"
#include "core/base/str.h"
#include "core/windows/window.h"

class TTextLayout;

class TCredits : public TWindow {
 public:
  static constexpr uint32_t kFrameMs = 16;
  static constexpr int kPieceBytes = 1024;  // a longer line is read in pieces of 1023 bytes

  TCredits();
  ~TCredits() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "TCredits"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TCredits::Create || TWindow::IsKindOf(classId);
  }

  // Keys "time", "intropause", "columngap", "columnwidth", "font", "fontsize", "fontcolor",
  // "headercolor" and "file"; reads the file and lays the columns out.
  void Init(TWindowStyle& style) override;
  void Draw() override;
  bool OnAnimate() override;

  // The three column texts, before doubling; and how one line of the file adds to them.
  struct Columns {
    TStr left = "\n", right = "\n", centre = "\n";
    void AddLine(const TStr& line, const TStr& headerColour);
  };
  // A colour as the markup's eight hex digits "rrggbbaa".
  static TStr HexColour(const TColor& colour);
  // One text of a line: trimmed, "[" and "]" turned into the heading colour's markup.
  static TStr Convert(const TStr& text, const TStr& headerColour);
  // Adds every line of the file to the columns; false when it cannot be opened.
  static bool ReadFile(const TStr& path, const TStr& headerColour, Columns& columns);
  // How far the roll has scrolled (pixels) at a time after its first draw.
  float ScrollOffset(uint32_t elapsed) const;

  TTextLayout* GetLeftLayout() const { return mLeftLayout; }
  TTextLayout* GetRightLayout() const { return mRightLayout; }
  TTextLayout* GetCentreLayout() const { return mCentreLayout; }
  int32_t GetLoopHeight() const { return mLoopHeight; }
  int32_t GetFontSize() const { return mFontSize; }
  const TStr& GetHeaderColour() const { return mHeaderColour; }

 private:
  TTextLayout* mLeftLayout = nullptr;
  TTextLayout* mRightLayout = nullptr;
  TTextLayout* mCentreLayout = nullptr;
  uint32_t mStartTime = 0;
  bool mStarted = false;
  int32_t mLoopHeight = 0;
  TStr mFont;
  int32_t mFontSize = 16;
  int32_t mColumnGap = 0;
  uint32_t mLoopTime = 0;
  uint32_t mIntroPause = 0;
  int32_t mColumnWidth = 0;
  TColor mFontColour;
  TStr mHeaderColour;
  TStr mFile;
};
