// The window fader: the first class in the list that a window is of decides how it takes the
// alpha. A character is a game window too, but fades its portrait rather than its fill.
#include "game/shell/window_fader.h"

#include "core/windows/text.h"
#include "core/windows/widgets/image.h"
#include "game/shell/qrn_window.h"
#include "game/shell/world/character.h"

bool TWindowFader::Process(TWindow* window) {
  if (window->IsKindOf(&TText::GetFactory))
    static_cast<TText*>(window)->SetAlpha(mAlpha);
  else if (window->IsKindOf(&TImage::GetFactory))
    static_cast<TImage*>(window)->SetAlpha(mAlpha);
  else if (window->IsKindOf(&Character::Create))
    static_cast<Character*>(window)->SetPortraitAlpha(mAlpha);
  else if (window->IsKindOf(&TQRNWindow::Create))
    static_cast<TQRNWindow*>(window)->SetAlpha(mAlpha, false);
  window->ForEachChild(*this);
  return true;
}

void SetTreeAlpha(TWindow* window, float alpha) {
  if (!window) return;
  TWindowFader fader(alpha);
  fader.Process(window);
}
