// The data loader: finding data files, XML to script tables, item and script lists.
#include "game/shell/content.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/xml_node.h"
#include "core/graphics/texture.h"
#include "core/script/lua_table.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"

namespace {

std::shared_ptr<Content> gContent;  // main thread only

// Comments, the document type and processing instructions are nodes of the tree but not data.
bool IsMarkup(TXmlNode* node) {
  const char* name = node->GetName().c_str();
  return name[0] == '?' || strcmp(name, kXmlCommentName) == 0 || strcmp(name, kXmlDoctypeName) == 0;
}

void AppendTable(TXmlNode* element, std::string& out) {
  out += '{';
  TStr tag;
  TXmlNode* child = nullptr;
  element->ResetChildIterator();
  while (element->GetNextChild(tag, child)) {
    if (IsMarkup(child)) continue;
    out += '[';
    out += QuoteLuaString(tag).c_str();
    out += "]=";
    if (child->HasChildren())
      AppendTable(child, out);
    else
      out += QuoteLuaString(child->GetText()).c_str();
    out += ',';
  }
  out += '}';
}

// Every child of "root" of every data file of the name, in order, with the file's path; a file
// without "root" gives nothing.
template <typename Visit>
void ForEachDataElement(TStr fileName, Visit&& visit) {
  for (const TStr& path : FindDataFiles(fileName)) {
    TXmlNode document;
    document.LoadFile(path.c_str());
    // A damaged file gives what could be read before the damage, and says so.
    if (document.HadParseError()) LogError("Data file \"%s\" is damaged; only what comes before the damage is read", path.c_str());
    TXmlNode* root = document.GetChild("root");
    if (!root) continue;
    TStr tag;
    TXmlNode* element = nullptr;
    root->ResetChildIterator();
    while (root->GetNextChild(tag, element)) visit(path, tag, element);
  }
}

// A ports.xml at a folder's root names scripts in that folder; one at the root of the tree
// or of a prefix ("user:") names them at that root.
TStr FolderOf(TStr path) {
  const char* text = path.c_str();
  const char* slash = strrchr(text, '/');
  const char* colon = strrchr(text, ':');
  const char* end = slash > colon ? slash : colon;
  return end ? TStr(text, (int)(end - text + 1)) : TStr();
}

// One ".lua" at the end is cut off: "a.lua.lua" names the script "a.lua", ".lua" nothing.
TStr WithoutLuaSuffix(TStr entry) {
  int n = entry.Length();
  if (n >= 4 && strcmp(entry.c_str() + n - 4, ".lua") == 0) return entry.SubStr(0, n - 4);
  return entry;
}

}  // namespace

bool Content::Create() {
  if (gContent) return true;
  gContent = std::make_shared<Content>();
  gContent->BindScriptFunctions();
  return true;
}

std::shared_ptr<Content> Content::Get() { return gContent; }

void Content::Destroy() { gContent.reset(); }

std::shared_ptr<TTexture> Content::GetSimpleTexture(TStr name) { return TTexture::GetSimple(name); }

void Content::LoadIngredients() { LoadItemFiles("ingredients.xml"); }
void Content::LoadProducts() { LoadItemFiles("products.xml"); }

void Content::LoadPortFileList(TLuaTable* table) { LoadFileList(table, "ports.xml", "port"); }
void Content::LoadQuestFileList(TLuaTable* table) { LoadFileList(table, "quests.xml", "file"); }

void Content::LoadItemFiles(TStr fileName) {
  if (fileName.Find(TStr(".xml")) < 0) return;
  TWindowManager* manager = TWindowManager::Get();
  TWindowScript* script = manager ? manager->GetScript() : nullptr;
  ForEachDataElement(fileName, [&](const TStr&, const TStr& tag, TXmlNode* element) {
    if (tag == TStr("ingredient")) {
      if (script) script->DoLuaString(TStr("CreateIngredient ") + XmlToLuaTable(element));
      AddAsset(TStr("items/") + element->GetChildText("name"), nullptr, false);
    } else if (tag == TStr("product")) {
      if (script) script->DoLuaString(TStr("CreateProductFromXML ") + XmlToLuaTable(element));
    }
  });
}

void Content::LoadFileList(TLuaTable* table, TStr fileName, TStr element) {
  int count = 0;
  ForEachDataElement(fileName, [&](const TStr& path, const TStr& tag, TXmlNode* child) {
    if (!(tag == element)) return;
    TStr entry = child->GetChild("name") ? child->GetChildText("name") : child->GetText();
    entry = WithoutLuaSuffix(entry);
    if (entry.Length() == 0) return;
    TStr folder = FolderOf(path);
    TStr candidate = folder + entry + "/" + entry + ".lua";
    if (!FileExists(candidate)) candidate = folder + entry + ".lua";
    if (!FileExists(candidate)) return;
    ++count;
    if (table) table->SetStringAt(count, candidate);
  });
}

std::vector<TStr> FindDataFiles(TStr name) {
  std::vector<TStr> paths;
  TStr path;
  while (GetNextFileInFolder(TStr(), path, true)) {
    int at = path.Find(name);
    if (at >= 0 && at == path.Length() - name.Length()) paths.push_back(path);
  }
  // The file map walks its keys in byte order already; the list keeps it.
  return paths;
}

TStr XmlToLuaTable(TXmlNode* element) {
  std::string out;
  if (element) AppendTable(element, out);
  return TStr(out.c_str());
}

TStr QuoteLuaString(TStr text) {
  std::string out = "\"";
  const unsigned char* p = (const unsigned char*)text.c_str();
  for (int i = 0; i < text.Length(); ++i) {
    unsigned char c = p[i];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += (char)c;
    } else if (c < 32 || c == 127) {
      // Three digits, so a digit that follows is not read into the escape.
      char escape[5];
      snprintf(escape, sizeof escape, "\\%03u", c);
      out += escape;
    } else {
      out += (char)c;
    }
  }
  out += '"';
  return TStr(out.c_str());
}
