// What the high-score windows give the game's set-up.
#include "game/shell/game_setup.h"
#include "game/shell/world/hiscore_window.h"
#include "game/shell/world/server_submit.h"

void ProvideScoreWindows(TGameSetup& setup) {
  setup.SetWindowClass("HiscoreWindow", &THiscore::Create);
  setup.SetWindowClass("SubmitWindow", &TServerSubmit::Create);
  setup.afterClasses.push_back(&RegisterServerSubmitFunctions);
}
