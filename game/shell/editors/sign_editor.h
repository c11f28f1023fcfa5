// The sign editor: the player designs a shop's sign (a background board, a logo placed, scaled,
// turned and faded over it, and a line of text in a font, size, colour and place). The design
// is a script table the interface keeps; the editor builds a Sign sprite from it and follows the
// sliders and the four script functions. Script type "SignEditor".
#pragma once

#include <memory>

#include "core/base/color.h"
#include "core/base/str.h"
#include "core/graphics/sprites/sprite.h"
#include "core/windows/window.h"
#include "game/shell/script_globals.h"

class TLuaTable;
class TTextSprite;

// The design keys of a sign table, with their defaults.
struct TSignDesign {
  TStr background = "bg1";
  TStr logo = "logo1";
  TStr font = "fertigo.mvec";
  TStr text;
  float textH = 0, textS = 0, textV = 0, textA = 100;
  float textX = 0, textY = 0, textSize = 30;
  float logoScale = 100, logoA = 100, logoR = 0, logoX = 0, logoY = 0;

  // Null gives the defaults.
  static TSignDesign Read(TLuaTable* table);
};

// Hue in degrees (wrapped into 0..360), saturation, value and alpha in percent (kept within
// 0..100) as a colour.
TColor HsvToRgb(float hue, float saturation, float value, float alpha);

// A sign: the background board as its own picture, the logo (layer 1) and the text (layer 2).
class Sign : public TSprite {
 public:
  static std::shared_ptr<Sign> Create(const TSignDesign& design);
  static TClassId ClassId();
  const char* GetClassName() const override { return "Sign"; }
  bool IsKindOf(TClassId id) const override { return id == ClassId() || TSprite::IsKindOf(id); }
  ~Sign() override;

  const std::shared_ptr<TSprite>& GetLogo() const { return mLogo; }
  const std::shared_ptr<TTextSprite>& GetText() const { return mText; }

 private:
  Sign() : TSprite(0) {}

  std::shared_ptr<TSprite> mLogo;
  std::shared_ptr<TTextSprite> mText;
};

class SignEditor : public TWindow {
 public:
  // Binds SetBackground, SetLogo, SetFont and SetText, handed back when the editor goes.
  SignEditor();
  ~SignEditor() override;

  static TWindow* Create();
  const char* GetClassName() const override { return "SignEditor"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &SignEditor::Create || TWindow::IsKindOf(classId);
  }

  // Keys "sign" (the design) and "signx", "signy" (where the sign sits).
  void PostChildrenInit(TWindowStyle& style) override;
  void Draw() override;
  // The sliders "textH", "textS", "textV", "textA", "textX", "textY", "textSize", "logoScale",
  // "logoA", "logoR", "logoX" and "logoY"; never handled, so others see them too.
  bool OnMessage(TMessage* message) override;

  // Script functions; without a sign they change nothing.
  void SetBackground(TStr name);
  void SetLogo(TStr name);
  void SetFont(TStr name);
  void SetText(TStr text);

  const std::shared_ptr<Sign>& GetSign() const { return mSign; }
  const TSignDesign& GetDesign() const { return mDesign; }

 private:
  void UpdateTextColour();
  void UpdateTextPlacement();
  void UpdateLogoPlacement();

  std::shared_ptr<Sign> mSign;
  TSignDesign mDesign;  // the values the sliders have set
  TScriptGlobals mGlobals;
};
