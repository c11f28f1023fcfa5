// What game/shell itself gives the game's set-up.
#include "game/shell/game_setup.h"
#include "game/shell/options_window.h"
#include "game/shell/qrn_window.h"

void ProvideShell(TGameSetup& setup) {
  setup.SetWindowClass("QRNWindow", &TQRNWindow::Create);
  setup.SetWindowClass("OptionsWindow", &TOptions::Create);
}
