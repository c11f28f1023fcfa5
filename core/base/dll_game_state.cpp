// Plug-in game-state modules loaded by name.
#include "core/base/dll_game_state.h"

#include "core/base/file.h"
#include "platform/win32/win32.h"

struct TDllGameState::Module {
  HMODULE module = nullptr;
  TCreateHandlerFn create = nullptr;
  TDestroyHandlerFn destroy = nullptr;
  TGameStateHandler* handler = nullptr;
};

TDllGameState::TDllGameState() : mModule(std::make_unique<Module>()) {}

TDllGameState::~TDllGameState() {
  if (mModule->handler && mModule->destroy) mModule->destroy(mModule->handler);
  if (mModule->module) FreeLibrary(mModule->module);
}

bool TDllGameState::Load(TStr path) {
  TStr resolved = ResolvePath(path, true);
  if (resolved.IsEmpty()) return false;
  mModule->module = LoadLibraryA(resolved.c_str());
  if (!mModule->module) return false;
  mModule->create = (TCreateHandlerFn)GetProcAddress(mModule->module, "CreateHandler");
  if (!mModule->create) return false;
  mModule->destroy = (TDestroyHandlerFn)GetProcAddress(mModule->module, "DestroyHandler");
  if (!mModule->destroy) return false;
  mModule->handler = mModule->create();
  return mModule->handler != nullptr;
}

bool TDllGameState::HandleEvent(const char* key, const char* value) {
  return mModule->handler ? mModule->handler->HandleEvent(key, value) : false;
}
const char* TDllGameState::Query(const char* key, const char* current) {
  return mModule->handler ? mModule->handler->Query(key, current) : current;
}
bool TDllGameState::TakeRestartRequest() { return mModule->handler && mModule->handler->TakeRestartRequest(); }
bool TDllGameState::TakeMenuRequest() { return mModule->handler && mModule->handler->TakeMenuRequest(); }
bool TDllGameState::IsHostMuted() { return mModule->handler && mModule->handler->IsHostMuted(); }
bool TDllGameState::IsBusy() { return mModule->handler && mModule->handler->IsBusy(); }
