// Feeds arbitrary bytes to the data loader as a data file of the asset tree. Each "ingredient"
// and "product" element must reach the scripts as a table that holds exactly the element's
// data (so nothing in the file became code or was lost), or, nested deeper than the script
// parser takes, fail to compile with a logged error; the port list must take any entry.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/memory_file.h"
#include "core/base/xml_node.h"
#include "core/script/lua.h"
#include "core/windows/screen.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "game/shell/content.h"

namespace {

struct Expected {
  TXmlNode* element;
  int depth;  // nested child levels below it
};
std::vector<Expected> gExpected;
size_t gNext = 0;

bool IsMarkup(TXmlNode* node) {
  const char* name = node->GetName().c_str();
  return name[0] == '?' || strcmp(name, kXmlCommentName) == 0 || strcmp(name, kXmlDoctypeName) == 0;
}

int Depth(TXmlNode* node) {
  int deepest = 0;
  TStr tag;
  TXmlNode* child;
  node->ResetChildIterator();
  while (node->GetNextChild(tag, child))
    if (!IsMarkup(child) && child->HasChildren()) deepest = std::max(deepest, 1 + Depth(child));
  return deepest;
}

[[noreturn]] void Fail(const char* why) {
  fprintf(stderr, "data loader: %s (element %zu)\n", why, gNext);
  abort();
}

// The table at the top of the stack against the element: the last child of each tag gives its
// key's value (a table when the child has children, else its text), and there are no other keys.
bool Matches(lua_State* L, TXmlNode* element) {
  std::vector<std::pair<std::string, TXmlNode*>> last;
  TStr tag;
  TXmlNode* child;
  element->ResetChildIterator();
  while (element->GetNextChild(tag, child)) {
    if (IsMarkup(child)) continue;
    std::string key(tag.c_str());
    bool replaced = false;
    for (auto& entry : last)
      if (entry.first == key) entry.second = child, replaced = true;
    if (!replaced) last.emplace_back(key, child);
  }
  int table = lua_gettop(L);
  size_t keys = 0;
  lua_pushnil(L);
  while (lua_next(L, table)) {
    ++keys;
    lua_pop(L, 1);
  }
  if (keys != last.size()) return false;
  for (auto& [key, node] : last) {
    lua_pushlstring(L, key.data(), key.size());
    lua_rawget(L, table);
    bool ok;
    if (node->HasChildren()) {
      ok = lua_istable(L, -1) && Matches(L, node);
    } else {
      ok = lua_type(L, -1) == LUA_TSTRING && std::string(lua_tostring(L, -1), lua_strlen(L, -1)) == node->GetText().c_str();
    }
    lua_settop(L, table);
    if (!ok) return false;
  }
  return true;
}

int Received(lua_State* L) {
  if (gNext >= gExpected.size()) Fail("more calls than elements");
  if (!lua_istable(L, 1) || !Matches(L, gExpected[gNext].element)) Fail("the table differs from the element");
  ++gNext;
  return 0;
}

// A compile error is acceptable only for an element nested past what the parser takes.
int CompileError(lua_State* L) {
  if (gNext >= gExpected.size()) Fail("an error beyond the elements");
  if (gExpected[gNext].depth < 50) Fail("a shallow element did not compile");
  ++gNext;
  return 0;
}

lua_State* Setup() {
  TWindowManager* manager = new TWindowManager();
  manager->SetScreen(new TScreen());
  TWindowScript* script = new TWindowScript();
  manager->InitScript(script);
  Content::Create();
  lua_State* L = script->GetState();
  lua_register(L, "CreateIngredient", Received);
  lua_register(L, "CreateProductFromXML", Received);
  lua_register(L, "LuaErrorMessage", CompileError);
  RegisterMemoryFile("ports/a.lua", "", 0);
  return L;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static lua_State* L = Setup();
  if (size > (1u << 20)) return 0;
  TXmlNode document;
  document.LoadString((const char*)data, (int)size);
  gExpected.clear();
  gNext = 0;
  if (TXmlNode* root = document.GetChild("root")) {
    TStr tag;
    TXmlNode* element;
    root->ResetChildIterator();
    while (root->GetNextChild(tag, element))
      if (tag == TStr("ingredient") || tag == TStr("product")) gExpected.push_back({element, Depth(element)});
  }
  RegisterMemoryFile("fuzz/ingredients.xml", data, (uint32_t)size);
  Content::Get()->LoadIngredients();
  RegisterMemoryFile("fuzz/ingredients.xml", nullptr, 0);
  if (gNext != gExpected.size()) Fail("an element never arrived");

  RegisterMemoryFile("ports/ports.xml", data, (uint32_t)size);
  lua_pushstring(L, "gPorts");
  lua_newtable(L);
  lua_settable(L, LUA_GLOBALSINDEX);
  TWindowManager::Get()->GetScript()->DoLuaString("LoadPortFileList(gPorts)");
  RegisterMemoryFile("ports/ports.xml", nullptr, 0);
  // Collected now, so every run ends with what it allocated freed and the leak check stays quiet.
  lua_setgcthreshold(L, 0);
  return 0;
}
