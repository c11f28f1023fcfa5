// The game-state store's script functions.
#include "core/script/game_state_script.h"

#include "core/base/game_state.h"
#include "core/script/lua_bindings.h"

namespace {

TStr ScriptGetState(TStr key) {
  TGameState* store = TGameState::GetInstance();
  return store ? store->GetState(key) : TStr();
}
void ScriptSetState(TStr key, TStr value) {
  if (TGameState* store = TGameState::GetInstance()) store->SetState(key, value);
}
bool ScriptQueryMuteGame() {
  TGameState* store = TGameState::GetInstance();
  return store && store->IsMuted();
}
bool ScriptQueryRestartMode() {
  TGameState* store = TGameState::GetInstance();
  return store && store->IsRestartMode();
}
bool ScriptQueryJumpToMenu() {
  TGameState* store = TGameState::GetInstance();
  return store && store->IsJumpToMenu();
}

}  // namespace

void RegisterGameStateFunctions(lua_State* state) {
  if (!state) return;
  RegisterLuaFunction(state, "GetState", ScriptGetState);
  RegisterLuaFunction(state, "_SetState", ScriptSetState);
  RegisterLuaFunction(state, "QueryMuteGame", ScriptQueryMuteGame);
  RegisterLuaFunction(state, "QueryRestartMode", ScriptQueryRestartMode);
  RegisterLuaFunction(state, "QueryJumpToMenu", ScriptQueryJumpToMenu);
}
