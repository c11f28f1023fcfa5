// The data loader's script functions.
#include "core/script/lua_bindings.h"
#include "game/shell/content.h"
#include "game/shell/script_globals.h"

void Content::BindScriptFunctions() {
  lua_State* L = GameScriptState();
  if (!L) return;
  RegisterLuaMember(L, "LoadPortFileList", this, &Content::LoadPortFileList);
  RegisterLuaMember(L, "LoadQuestFileList", this, &Content::LoadQuestFileList);
  RegisterLuaMember(L, "LoadIngredients", this, &Content::LoadIngredients);
  RegisterLuaMember(L, "LoadProducts", this, &Content::LoadProducts);
}
