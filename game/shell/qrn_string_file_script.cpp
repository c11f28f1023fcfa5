// The game string table's script functions.
#include "core/script/lua_bindings.h"
#include "game/shell/qrn_string_file.h"
#include "game/shell/script_globals.h"

namespace {
const char* const kFunctions[] = {"qrnLoadStringFile", "qrnStringExists", "qrnGetString"};
}

void QRNStringFile::BindScriptFunctions() {
  lua_State* L = GameScriptState();
  if (!L) return;
  RegisterLuaMember(L, kFunctions[0], this, &QRNStringFile::LoadStringFile);
  RegisterLuaMember(L, kFunctions[1], this, &QRNStringFile::StringExists);
  RegisterLuaMember(L, kFunctions[2], this, &QRNStringFile::GetString);
}

void QRNStringFile::UnbindScriptFunctions() {
  for (const char* name : kFunctions) UnbindScriptGlobal(name);
}
