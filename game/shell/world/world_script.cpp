#include "game/shell/world/world_script.h"

#include "core/script/lua_function.h"
#include "core/script/lua_table.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"

namespace {

TWindowScript* Script() {
  TWindowManager* manager = TWindowManager::Get();
  return manager ? manager->GetScript() : nullptr;
}

}  // namespace

std::unique_ptr<TLuaTable> GlobalTable(const char* name) {
  TWindowScript* script = Script();
  return std::unique_ptr<TLuaTable>(script ? script->GetGlobalTable(name) : nullptr);
}

std::unique_ptr<TLuaTable> Field(const std::unique_ptr<TLuaTable>& table, const char* key) {
  return std::unique_ptr<TLuaTable>(table ? table->GetTable(key) : nullptr);
}

void RunScriptFunction(TLuaFunction& function) {
  TWindowScript* script = Script();
  if (!script || script->GetState() != function.GetState()) return;
  lua_State* L = script->GetState();
  int top = lua_gettop(L);
  function.Push();
  if (!script->OfferCall()) function.Call();
  lua_settop(L, top);
}

void RunScriptText(TStr text) {
  if (TWindowScript* script = Script()) script->DoLuaString(text);
}
