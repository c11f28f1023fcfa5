// What the world's windows give the game's set-up.
#include "game/shell/editors/curve_editor.h"
#include "game/shell/game_setup.h"
#include "game/shell/world/character.h"
#include "game/shell/world/credits.h"
#include "game/shell/world/dookie_dropper.h"
#include "game/shell/world/ledger_window.h"
#include "game/shell/world/map_window.h"
#include "game/shell/world/port_window.h"
#include "game/shell/world/qrn_transition.h"
#include "game/shell/world/rectangle.h"
#include "game/shell/world/rollover.h"

namespace {

// A curve editor lying in a port while its scenes are authored edits the clicked figure's path.
void HandPathToEditor(TWindow* editor, std::shared_ptr<TCurve> curve) {
  static_cast<TCurveEditor*>(editor)->SetCurve(std::move(curve));
}

}  // namespace

void ProvideWorldWindows(TGameSetup& setup) {
  setup.SetWindowClass("CharWindow", &Character::Create);
  setup.SetWindowClass("CreditsWindow", &TCredits::Create);
  setup.SetWindowClass("DookieDropper", &DookieDropper::Create);
  setup.SetWindowClass("MapWindow", &MapWindow::Create);
  setup.SetWindowClass("PortWindow", &PortWindow::Create);
  setup.SetWindowClass("Rectangle", &TRectangle::Create);
  setup.SetWindowClass("Rollover", &Rollover::Create);
  setup.setMood = &Character::SetMood;
  setup.transition = &Transition;
  setup.grabLedger = &GrabLedger;
  setup.releaseLedger = &ReleaseLedger;
  setup.notifyMapActivation = &NotifyMapActivation;
  setup.notifyPortActivation = &NotifyPortActivation;
  setup.setLedgerActive = &SetLedgerActive;
  setup.finish.push_back(&DestroyDetachedLedger);
  setup.finish.push_back(&UnbindRectangleFunctions);
  PortWindow::SetCurveEditing({&TCurveEditor::Create, &HandPathToEditor});
}
