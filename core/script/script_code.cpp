// TScriptCode: compiles a script file in a scratch state and keeps the precompiled bytes.
#include "core/script/script_code.h"

#include <string>

#include "core/base/asset_manager.h"
#include "core/script/lib_aux.h"

namespace {

int AppendChunk(lua_State*, const void* p, size_t size, void* ud) {
  static_cast<std::string*>(ud)->append(static_cast<const char*>(p), size);
  return 0;
}

// The file compiled in a scratch state; empty when it does not compile.
std::shared_ptr<TScriptCode> CompileFile(TStr fileName, TStr path, TStr* errorOut) {
  lua_State* L = lua_open();
  if (!L) return nullptr;
  if (path.IsEmpty()) path = "assets/?;../?;?";
  TStr setPath = TStr("LUA_PATH='") + path + "' ;";
  lua_dostring(L, setPath.c_str());
  std::shared_ptr<TScriptCode> code;
  if (luaL_loadfile(L, fileName.c_str()) == 0) {
    std::string bytes;
    lua_dump(L, AppendChunk, &bytes);
    code = std::make_shared<TScriptCode>(bytes.data(), (int)bytes.size());
  } else if (errorOut) {
    const char* msg = lua_tostring(L, -1);
    *errorOut = msg ? msg : "";
  }
  lua_close(L);
  return code;
}

}  // namespace

TClassId TScriptCode::ClassId() {
  static const char token = 0;
  return &token;
}

std::shared_ptr<TScriptCode> TScriptCode::FromAsset(std::shared_ptr<TAsset> asset) {
  if (asset && asset->IsKindOf(ClassId())) return std::static_pointer_cast<TScriptCode>(asset);
  return nullptr;
}

std::shared_ptr<TScriptCode> TScriptCode::Load(TStr fileName, TStr path, TStr* errorOut) {
  if (fileName.IsEmpty()) return nullptr;
  return TAssetManager::FindOrLoad<TScriptCode>(fileName, [&] { return CompileFile(fileName, path, errorOut); });
}
