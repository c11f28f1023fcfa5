// The score-submission dialog: its starting values, the submission and its poll.
#include "game/shell/world/server_submit.h"

#include "core/base/hiscore.h"
#include "core/base/prefs.h"
#include "core/script/lua_bindings.h"
#include "core/windows/message.h"
#include "core/windows/modal_window.h"
#include "core/windows/text.h"
#include "core/windows/widgets/button.h"
#include "core/windows/widgets/text_edit.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "game/shell/content.h"
#include "game/shell/user_manager.h"

namespace {

constexpr uint32_t kPollMs = 20;
constexpr int kMessageSize = 512;  // the client's messages are cut to 511 bytes
constexpr uint32_t kSubmitEverything = 0xFFFFFFFFu;
const char* const kAnonymousName = "_anonusername";

TKsHiscores* Client() {
  UserManager* users = UserManager::Get();
  return users ? users->GetHiscores() : nullptr;
}

void RunScript(const TStr& code) {
  TWindowManager* manager = TWindowManager::Get();
  if (TWindowScript* script = manager ? manager->GetScript() : nullptr) script->DoLuaString(code);
}

TStr FieldText(TWindow* window) {
  TStr text;
  if (window && window->IsKindOf(&TTextEdit::GetFactory)) static_cast<TTextEdit*>(window)->GetText(text);
  return text;
}

}  // namespace

TStr GetLuaServerSubmitSetupVars(bool medals) {
  UserManager* users = UserManager::Get();
  TStr name;
  if (users && users->GetPrefs()) name = users->GetPrefs()->GetString(kAnonymousName, TStr(), users->GetCurrentUserIndex());
  TStr text = "gNameEdit=" + QuoteLuaString(name) + "; ";
  TStr account, password;
  TKsHiscores* client = Client();
  if (client && client->GetServerLogin(&account, &password)) {
    text += "gAccountEdit=" + QuoteLuaString(account) + "; gPassEdit=" + QuoteLuaString(password) + "; gRemember=true; ";
  } else {
    text += "gAccountEdit=''; gPassEdit=''; gRemember=false; ";
  }
  if (medals) return text + "gMedalsMode=true;";
  int score = 0;
  if (!client || !client->GetPlayerScore(0, &score, nullptr, nullptr, 0)) score = 0;
  return text + TStr::Format("gMedalsMode=false;gEligibleScore=%d", score);
}

void RegisterServerSubmitFunctions() {
  TWindowManager* manager = TWindowManager::Get();
  if (lua_State* L = manager ? manager->GetScriptState() : nullptr)
    RegisterLuaFunction(L, "GetLuaServerSubmitSetupVars", &GetLuaServerSubmitSetupVars);
}

TServerSubmit::TServerSubmit() {
  mClient = Client();
  mGlobals.Bind("SubmitToServer", this, &TServerSubmit::SubmitToServer);
}

TWindow* TServerSubmit::Create() { return new TServerSubmit; }

void TServerSubmit::SubmitToServer(TStr name, TStr account, TStr password, bool remember, bool medals) {
  const uint32_t kinds = medals ? (uint32_t)TKsHiscores::kSubmitMedals : kSubmitEverything;
  if (mClient) {
    if (!account.IsEmpty()) {
      mClient->Submit(account.c_str(), password.c_str(), remember, kinds);
    } else {
      UserManager* users = UserManager::Get();
      if (users && users->GetPrefs())
        users->GetPrefs()->SetString(kAnonymousName, name, users->GetCurrentUserIndex(), true);
      mClient->Submit(name.c_str(), "", false, kinds);
    }
  }
  RunScript("SwitchModes(true)");
  SetAnimTimer(kPollMs, true, true, false);
}

bool TServerSubmit::OnAnimate() {
  if (!mClient) return false;
  char message[kMessageSize] = "";
  bool qualified = false;
  int status = mClient->PollStatus(message, sizeof message, &qualified);
  if (status == TKsHiscores::kPollFailed) {
    if (TText* error = AsText(FindChild("submiterror"))) error->SetText(EscapeMarkup(message));
    EnableWindowSafe(FindChild("submiterror"));
    DisableWindowSafe(FindChild("submitconnect"));
    EnableWindowSafe(FindChild("submiterrorok"));
    return false;
  }
  if (status == TKsHiscores::kPollDone) {
    RunScript(qualified ? "gReturnValue='qualified'" : "gReturnValue='success'");
    TWindowManager* manager = TWindowManager::Get();
    if (TModalWindow* dialog = GetParentModal(); dialog && manager) manager->PopModalsTo(dialog->GetIdString());
    return false;
  }
  return true;
}

bool TServerSubmit::OnMessage(TMessage* message) {
  if (message->GetType() != kTextEditChanged) return false;
  TWindow* button = FindChild("submittoserver");
  if (button && button->IsKindOf(&TButton::GetFactory)) {
    if (!FieldText(FindChild("nameedit")).IsEmpty() || !FieldText(FindChild("accountedit")).IsEmpty()) {
      EnableWindowSafe(button);
    } else {
      DisableWindowSafe(button);
      button->OnMouseLeave();
    }
  }
  if (TWindowManager* manager = TWindowManager::Get()) manager->Invalidate();
  return true;
}
