// The user manager's script functions, bound to the manager while it lives.
#include "game/shell/user_manager.h"

void UserManager::RegisterScriptFunctions() {
  mGlobals.Bind("ToggleFullScreen", this, &UserManager::ToggleFullScreen);
  mGlobals.Bind("ToggleSoundMute", this, &UserManager::ToggleSoundMute);
  mGlobals.Bind("SetCurrentGameMode", this, &UserManager::SetCurrentGameMode);
  mGlobals.Bind("GetNumUsers", this, &UserManager::GetNumUsers);
  mGlobals.Bind("CreateNewUser", this, &UserManager::CreateNewUser);
  mGlobals.Bind("SetCurrentUser", this, &UserManager::SetCurrentUser);
  mGlobals.Bind("ChangeCurrentUserName", this, &UserManager::ChangeCurrentUserName);
  mGlobals.Bind("DeleteUser", this, &UserManager::DeleteUser);
  mGlobals.Bind("IsNameInUse", this, &UserManager::IsNameInUse);
  mGlobals.Bind("QuitToMainMenu", this, &UserManager::QuitToMainMenu);
  mGlobals.Bind("GetCurrentUser", this, &UserManager::GetCurrentUser);
  mGlobals.Bind("GetCurrentUserName", this, &UserManager::GetCurrentUserName);
  mGlobals.Bind("GetUserName", this, &UserManager::GetUserName);
}
