// UserManager: the player profiles. It owns the enciphered preferences store, in which the
// profiles (name and sound settings each), the current user and the machine-wide full-screen
// choice live, and the high-score client, which it keeps told of the player's name and the game
// mode. Scripts manage profiles through its thirteen script functions (user_manager_script.cpp).
// Every write saves the preferences at once.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/str.h"
#include "game/shell/script_globals.h"

class TKsHiscores;
class TPrefs;

class UserManager {
 public:
  // Replaces any manager: registers the script functions, opens the preferences and the
  // high-score client, tells the client the game mode and makes the stored user current.
  static void Create();
  // Null before Create and after Destroy.
  static UserManager* Get() { return sInstance; }
  // Saves the preferences (the store saves itself as it goes) and drops everything.
  static void Destroy();

  // The display mode of the stored choice ("fullscreen", 1 when never stored), then the volumes.
  static void ApplyDisplayMode();
  // The current user's levels and sound-off switch reach the sound bridge.
  static void ApplyVolumes();
  // The platform's full-screen state becomes the stored choice (after the platform's own switch).
  static void RecordFullScreen();

  TPrefs* GetPrefs() const { return mPrefs.get(); }
  TKsHiscores* GetHiscores() const { return mHiscores.get(); }
  // "curuser": -1 for none.
  int GetCurrentUserIndex();
  // One of the user's integer settings ("soundlevel", ...), the default when unset; the global
  // section's for user -1.
  int GetUserInt(const char* key, int def, int user);
  void SetUserInt(const char* key, int value, int user);

  // Script functions.
  bool ToggleFullScreen();
  void ToggleSoundMute();
  void SetCurrentGameMode(int mode);
  int GetNumUsers();
  void CreateNewUser(TStr name);
  // Accepts -1 (no user) and the index of an existing user; anything else changes nothing.
  void SetCurrentUser(int user);
  void ChangeCurrentUserName(TStr name);
  // Removes an existing user; the one before it (or the last left) becomes current.
  void DeleteUser(int user);
  bool IsNameInUse(TStr name);
  void QuitToMainMenu();
  int GetCurrentUser();
  TStr GetCurrentUserName();
  TStr GetUserName(int user);

 private:
  UserManager();
  ~UserManager();
  void RegisterScriptFunctions();

  static UserManager* sInstance;
  TScriptGlobals mGlobals;
  std::unique_ptr<TPrefs> mPrefs;
  std::unique_ptr<TKsHiscores> mHiscores;
  uint32_t mGameMode = 0;
};

// The display is in full screen now.
bool IsDisplayFullScreen();
