// TServerSubmit: the native side of the score-submission dialog. The player sends the eligible
// local score (or, in medals mode, the medals) to the online high-score service, under a service
// account with its password or anonymously under a name; the window hands the submission to the
// high-score client, polls it every 20 ms, shows the error texts when it fails and on success
// sets gReturnValue ("qualified" or "success") and closes its dialog. Script type
// "SubmitWindow"; the dialog's starting values come from GetLuaServerSubmitSetupVars.
#pragma once

#include "core/base/str.h"
#include "core/windows/window.h"
#include "game/shell/script_globals.h"

class TKsHiscores;

class TServerSubmit : public TWindow {
 public:
  // Binds SubmitToServer, handed back when the window goes.
  TServerSubmit();

  static TWindow* Create();
  const char* GetClassName() const override { return "TServerSubmit"; }
  bool IsKindOf(TWindowFactory classId) const override {
    return classId == &TServerSubmit::Create || TWindow::IsKindOf(classId);
  }

  // A text field changed: the submit button shows while the name or the account holds text.
  bool OnMessage(TMessage* message) override;
  // Polls the submission.
  bool OnAnimate() override;

  // Script function. Without an account the name is remembered for the next visit and the score
  // goes out anonymously under it.
  void SubmitToServer(TStr name, TStr account, TStr password, bool remember, bool medals);

 private:
  TKsHiscores* mClient = nullptr;
  TScriptGlobals mGlobals;
};

// Script source that sets the dialog's starting values: gNameEdit (the name used last time),
// gAccountEdit, gPassEdit and gRemember (the stored login), gMedalsMode and, outside medals
// mode, gEligibleScore. Every text is a quoted script string, so nothing in it runs.
TStr GetLuaServerSubmitSetupVars(bool medals);

// The set-up's part: the global GetLuaServerSubmitSetupVars.
void RegisterServerSubmitFunctions();
