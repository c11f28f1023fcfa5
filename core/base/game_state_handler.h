// TGameStateHandler: a party the game-state store tells of every change and asks on every read
// (the web-portal handler, plug-in modules). The slot order is fixed: plug-in modules built
// apart implement the same seven slots.
#pragma once

class TGameStateHandler {
 public:
  virtual ~TGameStateHandler() {}
  // True: the change is consumed; later handlers and the store's own reaction are skipped.
  virtual bool HandleEvent(const char* key, const char* value) { return false; }
  // The answer for a read (copied at once by the store).
  virtual const char* Query(const char* key, const char* current) { return current; }
  virtual bool TakeRestartRequest() { return false; }
  virtual bool TakeMenuRequest() { return false; }
  virtual bool IsHostMuted() { return false; }
  // True while the host wants the game to wait.
  virtual bool IsBusy() { return false; }
};
