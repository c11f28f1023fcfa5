// TDllGameState: a game-state handler that forwards to the handler object of a plug-in module
// (".ksmod", exports "CreateHandler" and "DestroyHandler").
#pragma once

#include <memory>

#include "core/base/game_state_handler.h"
#include "core/base/str.h"

// The module's exports. The handler object it makes has TGameStateHandler's slots and stays
// the module's: it is handed back through "DestroyHandler", never deleted here.
typedef TGameStateHandler* (*TCreateHandlerFn)();
typedef void (*TDestroyHandlerFn)(TGameStateHandler* handler);

class TDllGameState : public TGameStateHandler {
 public:
  TDllGameState();
  ~TDllGameState() override;
  TDllGameState(const TDllGameState&) = delete;
  TDllGameState& operator=(const TDllGameState&) = delete;

  // Resolves the virtual path, loads the module and makes its handler; false on any failure
  // (what was obtained is released by the destructor).
  bool Load(TStr path);

  bool HandleEvent(const char* key, const char* value) override;
  const char* Query(const char* key, const char* current) override;
  bool TakeRestartRequest() override;
  bool TakeMenuRequest() override;
  bool IsHostMuted() override;
  bool IsBusy() override;

 private:
  struct Module;
  std::unique_ptr<Module> mModule;
};
