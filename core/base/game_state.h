// TGameState: the named game-state values shared by scripts and native code, offered to the
// registered handlers on every change and read.
#pragma once

#include <map>
#include <vector>

#include "core/base/game_state_handler.h"
#include "core/base/str.h"

class TGameState {
 public:
  // The singleton, made on first call while the platform object exists; afterwards whatever
  // exists (null when never made).
  static TGameState* GetInstance();
  // Made regardless of the platform object: the runner turns on portal handlers before it.
  static TGameState* Create();
  // Deletes the singleton with its handlers (the platform's shut-down).
  static void Destroy();

  // The store owns the handler from here on.
  void AddHandler(TGameStateHandler* handler);
  // "++name" increments name; the first handler to consume the change ends the offer.
  void SetState(TStr key, TStr value);
  void SetStateInt(TStr key, int value);
  TStr GetState(TStr key);

  bool IsRestartMode();
  bool IsJumpToMenu();
  bool IsBusy();
  bool IsMuted();
  int GetHandlerCount() const { return (int)mHandlers.size(); }

 private:
  TGameState() {}
  ~TGameState();

  std::map<TStr, TStr> mValues;
  std::vector<TGameStateHandler*> mHandlers;
  float mSavedVolume = 0.0f;
};
