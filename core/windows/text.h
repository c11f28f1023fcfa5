// TText: a piece of rich text laid out in the window's rectangle. It scrolls, rotates, shows
// the link under the pointer and turns a clicked link into the action of the button of that
// name. Script type "Text"; the text entry and the game's tight text derive from it.
#pragma once

#include "core/base/color.h"
#include "core/windows/window.h"

class TTextLayout;

class TText : public TWindow {
 public:
  // renderTarget: the window may be drawn in the render-target pass.
  explicit TText(bool renderTarget = false);
  ~TText() override;

  const char* GetClassName() const override { return "TText"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TText::GetFactory || TWindow::IsKindOf(classId);
  }
  // Creates a TText (not for the render-target pass); the class identity.
  static TWindow* GetFactory();

  // Keys: "font" {face, size, colour}, "name", "label" (translated when labels are), "defflags",
  // "flags" (the layout's line spacing), "padding" (the layout's alignment flags), "rotation"
  // with "rotationOriginX", "rotationOriginY" and "rotationAlign", then the window's keys.
  void Init(TWindowStyle& style) override;
  void Draw() override;
  // Scrolls to a fraction of the lines that do not fit.
  void ScrollTo(float fraction, int32_t value) override;
  bool OnMouseDown(TPoint point) override;
  bool OnMouseUp(TPoint point) override;
  bool OnMouseMove(TPoint point) override;
  bool OnMouseLeave() override;
  virtual void SetText(TStr text);
  virtual void GetText(TStr& text);

  // The laid-out lines' bounds at scale 1.
  TRect GetTextBounds();
  void SetRotation(float degrees, float originX, float originY);
  void SetAlpha(float alpha);
  float GetAlpha() const { return mAlpha; }
  TTextLayout* GetLayout() const { return mLayout; }
  uint32_t GetTextFlags() const { return mTextFlags; }

 protected:
  TTextLayout* mLayout = nullptr;
  float mScale = 1.0f;
  float mAlpha = 1.0f;
  uint32_t mTextFlags = 0;
  float mScrollMargin = 0.5f;
  TStr mPressedLink;
};

// The window as a text window; null when it is none (or null).
TText* AsText(TWindow* window);
