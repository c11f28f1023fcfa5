// Content: the game data loader. It turns every "ingredients.xml" and "products.xml" of the
// asset tree (and of the merged per-user and common folders) into calls of the scripts'
// CreateIngredient / CreateProductFromXML, lists the port and quest scripts named by
// "ports.xml" and "quests.xml", and keeps the item images loaded for the whole run.
#pragma once

#include <memory>
#include <vector>

#include "core/base/asset_map.h"
#include "core/base/str.h"
#include "game/shell/script_globals.h"

class TLuaTable;
class TTexture;
class TXmlNode;

class Content : public TAssetMap {
 public:
  // Makes the one loader and binds its script functions, unless it exists; always true.
  static bool Create();
  // The loader (empty before Create).
  static std::shared_ptr<Content> Get();
  // Drops the loader; its images go with the last holder.
  static void Destroy();

  // A plain-surface texture (the mouse cursor).
  std::shared_ptr<TTexture> GetSimpleTexture(TStr name);

  // The script functions.
  void LoadIngredients();
  void LoadProducts();
  void LoadPortFileList(TLuaTable* table);
  void LoadQuestFileList(TLuaTable* table);

 private:
  void BindScriptFunctions();
  void LoadItemFiles(TStr fileName);
  void LoadFileList(TLuaTable* table, TStr fileName, TStr element);

  TScriptGlobals mGlobals;
};

// Every mapped path that ends with name (its first occurrence at the end), in byte order.
std::vector<TStr> FindDataFiles(TStr name);
// The element as the text of a script table constructor: {["tag"]="text",["tag"]={...},}.
// Keys and texts are quoted and escaped, so no data can end the string or become code.
TStr XmlToLuaTable(TXmlNode* element);
// The bytes as a script string literal, quotes included.
TStr QuoteLuaString(TStr text);
