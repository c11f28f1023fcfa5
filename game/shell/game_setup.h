// TGameSetup: what the game's areas give the game's set-up. Each area has one Provide function
// (declared below, listed in run_game.cpp) that fills in its part; RunGame then registers all of
// it in the fixed order the scripts meet it. Whatever no area provides stays a stand-in that
// does nothing, so every name the scripts may use exists from the start.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "core/base/str.h"
#include "core/windows/window.h"

class TLuaTable;
class TTexture;

struct TGameSetup {
  // The window classes by script key. Only the game's keys (GameWindowClassKeys) are
  // registered, in their order; a key that no area provides gets a plain window.
  void SetWindowClass(const char* key, TWindowFactory factory) { mClasses[TStr(key)] = factory; }
  TWindowFactory GetWindowClass(const char* key) const;

  // Run in area order once the window script exists, before the game's constants and window
  // classes (string tables, data loader, game library: each registers its script functions).
  std::vector<void (*)()> start;
  // Run after the window classes (a class's own set-up, such as the functions it registers).
  std::vector<void (*)()> afterClasses;
  // Run in reverse order at the very end, after the scripts' final save.
  std::vector<void (*)()> finish;

  // The four set-up script functions.
  void (*setMood)(TStr character, float mood) = nullptr;
  void (*grabLedger)() = nullptr;
  void (*releaseLedger)() = nullptr;
  void (*transition)(TLuaTable* description) = nullptr;

  // Told of every change of the application's activation, in this order, before the sound
  // pauses or resumes; each does nothing while its window is not open.
  void (*notifyMapActivation)() = nullptr;
  void (*notifyPortActivation)() = nullptr;
  void (*setLedgerActive)() = nullptr;
  void (*pauseChocolateFactory)() = nullptr;
  void (*pauseCoffeeFactory)() = nullptr;

  // The mouse cursor's picture by name (unset: the plain simple texture of that name).
  std::shared_ptr<TTexture> (*getCursorTexture)(TStr name) = nullptr;

 private:
  std::map<TStr, TWindowFactory> mClasses;
};

// The window-class keys the game registers, in registration order (null-terminated).
extern const char* const kGameWindowClassKeys[];

// The game's areas. Add yours here and to the list in run_game.cpp.
void ProvideShell(TGameSetup& setup);  // game/shell: window base, options window
void ProvideGameLibrary(TGameSetup& setup);  // game/shell: string tables, data loader, library
void ProvideWorldWindows(TGameSetup& setup);  // game/shell/world: characters, transitions, rollovers,
                                              // status panels, credits, rectangles
void ProvideScoreWindows(TGameSetup& setup);  // game/shell/world: high scores and their submission
void ProvideEditors(TGameSetup& setup);  // game/shell/editors: curve, sign and recipe editors, tinted bitmaps
void ProvideChocolate(TGameSetup& setup);  // game/minigames/chocolate: the chocolate factory
void ProvideCoffee(TGameSetup& setup);     // game/minigames/coffee: the coffee factory
void ProvideRewards(TGameSetup& setup);    // game/minigames/rewards: crates, fireworks, slot machine
