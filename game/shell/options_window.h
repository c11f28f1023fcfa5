// TOptions: the native side of the options dialog. Its script declares the buttons and sliders
// by name; when created it sets them from the current user's profile, while a slider moves it
// plays the new level at once, and SaveVolumes (a script function bound to the newest options
// window) stores the three levels. Script type "OptionsWindow".
#pragma once

#include "core/windows/window.h"
#include "game/shell/script_globals.h"

class TSlider;

class TOptions : public TWindow {
 public:
  TOptions();

  // Makes a new window; the class identity.
  static TWindow* Create();
  const char* GetClassName() const override { return "TOptions"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TOptions::Create || TWindow::IsKindOf(classId);
  }

  // Sets "fullscreen", "mutebox" and the three level sliders from the profile.
  void PostChildrenInit(TWindowStyle& style) override;
  // A level slider's new value plays at once unless the user's sound is off.
  bool OnMessage(TMessage* message) override;

  // Script function: the three sliders' levels into the current user's profile, in thousandths.
  void SaveVolumes();

 private:
  TSlider* FindSlider(const TStr& name);

  TScriptGlobals mGlobals;
};

// A slider's value in thousandths, to the nearest (stored values do not drift down).
int LevelToThousandths(float value);
