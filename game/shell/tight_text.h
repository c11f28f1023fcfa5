// TTightText: a text window that shrinks to its text, so scripts can place labels, badges and
// buttons around a text whose length they do not know. Script type "TightText".
#pragma once

#include "core/windows/text.h"

class TTightText : public TText {
 public:
  TTightText() : TText(false) {}

  // Makes a new window; the class identity.
  static TWindow* Create();
  const char* GetClassName() const override { return "TTightText"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TTightText::Create || TText::IsKindOf(classId);
  }

  // The text keys, laid out in an 800 x 600 area whatever size the keys give; "pad" (3) pixels
  // are added to the width once the text is known.
  void Init(TWindowStyle& style) override;
  // The window becomes as wide as the laid-out lines plus the pad and as high as the lines.
  void PostChildrenInit(TWindowStyle& style) override;

  int32_t GetPad() const { return mPad; }

 private:
  int32_t mPad = 3;
};
