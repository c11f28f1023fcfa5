// The user manager: profiles, the current user, volumes and the full-screen choice in the
// preferences.
#include "game/shell/user_manager.h"

#include <cmath>

#include "core/base/game_state.h"
#include "core/base/hiscore.h"
#include "core/base/log.h"
#include "core/base/platform.h"
#include "core/base/prefs.h"
#include "core/windows/window_manager.h"
#include "game/shell/sound_bridge.h"

namespace {

const char* const kGameModes[] = {"quillomer-lorvane-design_storymode"};

// Preference keys and their defaults.
const char* const kCurrentUser = "curuser";
const char* const kFullScreen = "fullscreen";
const char* const kName = "name";
const char* const kSoundOff = "soundoff";
struct Level {
  const char* key;
  int def;
};
const Level kSfxLevel = {"soundlevel", 750};
const Level kMusicLevel = {"musiclevel", 650};
const Level kAmbientLevel = {"ambientlevel", 500};

TPlatform* Platform() { return TPlatform::GetInstance(); }

}  // namespace

UserManager* UserManager::sInstance = nullptr;

UserManager::UserManager() = default;

UserManager::~UserManager() {
  mGlobals.UnbindAll();
  mPrefs.reset();
  mHiscores.reset();
}

void UserManager::Create() {
  Destroy();
  sInstance = new UserManager;
  sInstance->RegisterScriptFunctions();
  sInstance->mPrefs = std::make_unique<TPrefs>(true);
  sInstance->mHiscores = std::make_unique<TKsHiscores>();
  sInstance->mHiscores->SetParameter(TKsHiscores::kParamGameMode, kGameModes[0]);
  int stored = sInstance->mPrefs->GetInt(kCurrentUser, -1, -1);
  if (stored < -1 || stored >= sInstance->GetNumUsers()) {
    // A damaged file: no user is better than one that does not exist.
    LogPrintf("Stored current user %d does not exist; none is current", stored);
    stored = -1;
  }
  sInstance->SetCurrentUser(stored);
}

void UserManager::Destroy() {
  delete sInstance;
  sInstance = nullptr;
}

int UserManager::GetUserInt(const char* key, int def, int user) { return mPrefs->GetInt(key, def, user); }

void UserManager::SetUserInt(const char* key, int value, int user) { mPrefs->SetInt(key, value, user, true); }

int UserManager::GetCurrentUserIndex() { return mPrefs->GetInt(kCurrentUser, -1, -1); }

void UserManager::ApplyDisplayMode() {
  UserManager* users = Get();
  if (!users || !Platform()) return;
  Platform()->SetDisplayMode(800, 600, users->GetUserInt(kFullScreen, 1, -1) == 1);
  ApplyVolumes();
}

void UserManager::ApplyVolumes() {
  UserManager* users = Get();
  if (!users) return;
  int u = users->GetCurrentUserIndex();
  SetSfxVolume((float)users->GetUserInt(kSfxLevel.key, kSfxLevel.def, u) / 1000.0f);
  SetMusicVolume((float)users->GetUserInt(kMusicLevel.key, kMusicLevel.def, u) / 1000.0f);
  SetEnvironmentsVolume((float)users->GetUserInt(kAmbientLevel.key, kAmbientLevel.def, u) / 1000.0f);
  if (users->GetUserInt(kSoundOff, 0, u) == 1) {
    SetSoundOff(true);
  } else if (TPlatformSoundManager* sounds = Platform() ? Platform()->GetSoundManager() : nullptr) {
    // A muted profile left the master volume at 0; SetSoundOff(false) would come back here.
    sounds->SetMasterVolume(1.0f);
  }
}

void UserManager::RecordFullScreen() {
  if (UserManager* users = Get(); users && Platform())
    users->SetUserInt(kFullScreen, Platform()->IsFullScreen() ? 1 : 0, -1);
}

bool IsDisplayFullScreen() { return Platform() && Platform()->IsFullScreen(); }

// Script functions.

bool UserManager::ToggleFullScreen() {
  if (!Platform()) return false;
  bool full = !Platform()->IsFullScreen();
  if (!Platform()->SetFullScreen(full)) return false;
  SetUserInt(kFullScreen, full ? 1 : 0, -1);
  return true;
}

void UserManager::ToggleSoundMute() {
  int u = GetCurrentUserIndex();
  int off = (GetUserInt(kSoundOff, 0, u) + 1) % 2;
  TGameState* state = TGameState::GetInstance();
  if (state) state->SetStateInt("mute", off);
  SetUserInt(kSoundOff, off, u);
  SetSoundOff(state ? state->IsMuted() : off != 0);
}

void UserManager::SetCurrentGameMode(int mode) {
  // Taken as unsigned: a negative mode is no mode.
  if ((uint32_t)mode != 0) return;
  mGameMode = 0;
  mHiscores->SetParameter(TKsHiscores::kParamGameMode, kGameModes[0]);
}

int UserManager::GetNumUsers() { return mPrefs->GetUserCount(); }

void UserManager::CreateNewUser(TStr name) {
  int u = GetCurrentUserIndex();
  int n = GetNumUsers();
  mPrefs->SetString(kName, name, n, true);
  for (const Level& level : {kSfxLevel, kMusicLevel, kAmbientLevel})
    SetUserInt(level.key, GetUserInt(level.key, level.def, u), n);
  SetUserInt(kSoundOff, GetUserInt(kSoundOff, 0, u), n);
  SetCurrentUser(n);
}

void UserManager::SetCurrentUser(int user) {
  if (user < -1 || user >= GetNumUsers()) return;
  SetUserInt(kCurrentUser, user, -1);
  if (user < 0) return;
  mHiscores->SetParameter(TKsHiscores::kParamPlayer, GetCurrentUserName().c_str());
  ApplyVolumes();
}

void UserManager::ChangeCurrentUserName(TStr name) {
  mPrefs->SetString(kName, name, mPrefs->GetInt(kCurrentUser, 0, -1), true);
}

void UserManager::DeleteUser(int user) {
  int count = GetNumUsers();
  if (user < 0 || user >= count) return;
  mPrefs->DeleteUser(user);
  int next = user - 1;
  if (next < 0) next = count - 2;  // the last one left, or none
  SetCurrentUser(next);
}

bool UserManager::IsNameInUse(TStr name) {
  for (int i = 0; i < GetNumUsers(); i++)
    if (GetUserName(i) == name) return true;
  return false;
}

void UserManager::QuitToMainMenu() {
  TWindowManager* manager = TWindowManager::Get();
  if (!manager) return;
  for (TWindow* top = manager->GetTopModal(); top && top->GetParent(); top = manager->GetTopModal()) {
    manager->PopModalsTo(top->GetIdString());
    if (manager->GetTopModal() == top) break;  // it would not close
  }
}

int UserManager::GetCurrentUser() { return GetCurrentUserIndex(); }

TStr UserManager::GetCurrentUserName() { return mPrefs->GetString(kName, TStr(), mPrefs->GetInt(kCurrentUser, 0, -1)); }

TStr UserManager::GetUserName(int user) { return mPrefs->GetString(kName, TStr(), user); }
