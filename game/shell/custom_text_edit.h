// TCustomTextEdit: the game's text entry, registered as "TextEdit" in place of the toolkit's. On
// top of the toolkit's entry it plays a typing sound for each accepted character, can clear an
// initial text on first use, can refuse characters once the text fills the field's width, keeps
// a named window (an OK button) enabled only while the field holds text, and calls a script
// function after each character.
#pragma once

#include <memory>

#include "core/base/asset_map.h"
#include "core/base/mersenne_twister.h"
#include "core/windows/widgets/text_edit.h"

class TLuaFunction;

class TCustomTextEdit : public TTextEdit {
 public:
  TCustomTextEdit();
  ~TCustomTextEdit() override;

  // Makes a new entry; the class identity.
  static TWindow* Create();
  const char* GetClassName() const override { return "TCustomTextEdit"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TCustomTextEdit::Create || TTextEdit::IsKindOf(classId);
  }

  // Keys "clearinitial", "enablewindow", "onkey" and "widthlimited", then the entry's own.
  void Init(TWindowStyle& style) override;
  bool OnMouseUp(TPoint point) override;
  bool OnChar(uint8_t character) override;
  bool OnWideChar(TStr character) override;
  bool OnEditEvent(int kind, uint8_t character) override;

  // The named window is enabled when the text's length plus delta is at least 1.
  void UpdateEnableWindow(int delta);

 private:
  // The initial text goes at the first click or edit.
  void ClearInitial();
  void PlayTypingSound();
  void RunOnKey();

  TAssetMap mSounds;
  TMersenneTwister mRandom;
  bool mInitialCleared = true;
  bool mWidthLimited = false;
  bool mInChar = false;  // OnChar runs; its OnWideChar is part of it
  TStr mEnableWindow;
  std::unique_ptr<TLuaFunction> mOnKey;
};
