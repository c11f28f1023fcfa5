// Feeds arbitrary bytes to the save files: written as a save and read back, they must come back
// byte for byte; a name made of them must never reach outside the per-user folder; read by the
// game's save reader (assets/ui/save.lua) they must give a save or none without a script error,
// and a save that was read must write and read back the same.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/base/file.h"
#include "core/script/lib_aux.h"
#include "core/script/lua.h"
#include "core/script/script.h"
#include "game/shell/save_files.h"
#include "tests/support/host_file.h"

namespace {

std::string gFolder;

[[noreturn]] void Fail(const char* why) {
  fprintf(stderr, "save files: %s\n", why);
  abort();
}

lua_State* Setup() {
  std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
  std::string pattern = base + "/save-fuzz-XXXXXX";
  if (!mkdtemp(pattern.data())) Fail("no scratch folder");
  gFolder = pattern;
  atexit([] {
    std::error_code error;
    std::filesystem::remove_all(gFolder, error);
  });
  SetDataFolders(gFolder.c_str(), TStr(), TStr());
  TScript* script = new TScript();
  lua_State* L = script->GetState();
  std::string reader = ReadHostFile(std::string(ORVELLA_SOURCE_DIR) + "/assets/ui/save.lua");
  if (reader.empty() || luaL_loadbuffer(L, reader.data(), reader.size(), "save.lua") != 0 || lua_pcall(L, 0, 0, 0) != 0)
    Fail("the save reader does not load");
  return L;
}

// Calls the global function with one string argument; its one result stays on the stack.
void Call(lua_State* L, const char* function, const std::string& argument) {
  lua_pushstring(L, function);
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_pushlstring(L, argument.data(), argument.size());
  if (lua_pcall(L, 1, 1, 0) != 0) Fail(lua_tostring(L, -1));
}

// SaveText of the table on top of the stack (popped).
std::string SaveTextOfTop(lua_State* L) {
  lua_pushstring(L, "SaveText");
  lua_gettable(L, LUA_GLOBALSINDEX);
  lua_insert(L, -2);
  if (lua_pcall(L, 1, 1, 0) != 0) Fail(lua_tostring(L, -1));
  std::string text(lua_tostring(L, -1), lua_strlen(L, -1));
  lua_pop(L, 1);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lua_State* L = Setup();
  std::string bytes((const char*)data, size);

  if (!WriteToFile("fuzz.quill3", bytes)) Fail("a save was not written");
  if (ReadFromFile("fuzz.quill3") != bytes) Fail("a save came back changed");

  std::string name = bytes.substr(0, std::min(bytes.find('\n'), (size_t)64));
  TStr key = TStr("user:") + TStr(name.c_str());
  if (WriteToFile(TStr(name.c_str()), "x")) {
    std::string real = ResolvePath(key, false).c_str();
    if (real.compare(0, gFolder.size() + 1, gFolder + "/") != 0) Fail("a name reached outside the per-user folder");
    std::error_code error;
    std::filesystem::remove(real, error);
  }
  key.ToLower();
  GetFileMap().erase(key);

  int top = lua_gettop(L);
  Call(L, "ParseSave", bytes);
  if (lua_istable(L, -1)) {
    std::string text = SaveTextOfTop(L);
    Call(L, "ParseSave", text);
    if (!lua_istable(L, -1)) Fail("a written save does not read");
    if (SaveTextOfTop(L) != text) Fail("a save changed when written and read again");
  } else if (!lua_isnil(L, -1)) {
    Fail("the reader gave neither a save nor nil");
  }
  lua_settop(L, top);
  // Collected now, so every run ends with what it allocated freed and the leak check stays quiet.
  lua_setgcthreshold(L, 0);
  return 0;
}
