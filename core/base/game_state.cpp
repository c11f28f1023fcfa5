// The game-state store and its reactions to "mute".
#include "core/base/game_state.h"

#include "core/base/platform.h"
#include "core/base/platform_services.h"

namespace {
TGameState* gInstance = nullptr;  // main thread only
}

TGameState* TGameState::GetInstance() {
  if (!gInstance && TPlatform::GetInstance()) Create();
  return gInstance;
}

TGameState* TGameState::Create() {
  if (gInstance) return gInstance;
  gInstance = new TGameState;
  return gInstance;
}

void TGameState::Destroy() {
  delete gInstance;
  gInstance = nullptr;
}

TGameState::~TGameState() {
  for (TGameStateHandler* h : mHandlers) delete h;
  mHandlers.clear();
}

void TGameState::AddHandler(TGameStateHandler* handler) {
  if (handler) mHandlers.push_back(handler);
}

void TGameState::SetState(TStr key, TStr value) {
  if (key.Length() > 2 && key[0] == '+' && key[1] == '+') {
    key = key.SubStr(2);
    value = TStr::Format("%d", GetState(key).ToInt() + 1);
  }
  mValues[key] = value;
  // A handler may add handlers while it runs: walk by index over a stable count.
  for (size_t i = 0; i < mHandlers.size(); i++)
    if (mHandlers[i]->HandleEvent(key.c_str(), value.c_str())) return;
  if (key == TStr("mute")) {
    TPlatform* platform = TPlatform::GetInstance();
    TPlatformSoundManager* sound = platform ? platform->GetSoundManager() : nullptr;
    if (!sound) return;
    if (value.ToInt() != 0 && mSavedVolume == 0.0f) {
      mSavedVolume = sound->GetVolume(-1);
      sound->SetMasterVolume(0.0f);
    } else if (value.ToInt() == 0 && mSavedVolume != 0.0f) {
      sound->SetMasterVolume(mSavedVolume);
      mSavedVolume = 0.0f;
    }
  }
}

void TGameState::SetStateInt(TStr key, int value) { SetState(key, TStr::Format("%d", value)); }

TStr TGameState::GetState(TStr key) {
  TStr value = mValues[key];
  for (size_t i = 0; i < mHandlers.size(); i++) {
    const char* answer = mHandlers[i]->Query(key.c_str(), value.c_str());
    value = TStr(answer ? answer : "");
  }
  return value;
}

bool TGameState::IsRestartMode() {
  bool any = false;
  for (TGameStateHandler* h : mHandlers) any = h->TakeRestartRequest() || any;
  return any;
}

bool TGameState::IsJumpToMenu() {
  bool any = false;
  for (TGameStateHandler* h : mHandlers) any = h->TakeMenuRequest() || any;
  return any;
}

bool TGameState::IsBusy() {
  for (TGameStateHandler* h : mHandlers)
    if (h->IsBusy()) return true;
  return false;
}

bool TGameState::IsMuted() {
  for (TGameStateHandler* h : mHandlers)
    if (h->IsHostMuted()) return true;
  return GetState("mute").ToInt() != 0;
}
