// Item sprites: descriptions from script tables, and the layered sprite.
#include "game/minigames/item_sprite.h"

#include "core/graphics/sprites/sprite.h"
#include "core/graphics/texture.h"
#include "core/script/lua.h"
#include "core/script/lua_table.h"

namespace {

const TColor kWhite(1.0f, 1.0f, 1.0f, 1.0f);

void Append(std::vector<TStr>& names, std::vector<TColor>& tints, TStr name, const TColor& tint) {
  names.push_back(name);
  tints.push_back(tint);
}

}  // namespace

void AddAppearanceLayers(TLuaTable* layers, std::vector<TStr>& names, std::vector<TColor>& tints) {
  if (!layers) return;
  lua_State* L = layers->GetState();
  TLuaObjectWrapper* key = nullptr;
  while (TLuaObjectWrapper* value = layers->Next(&key)) {
    value->Push();
    int type = lua_type(L, -1);
    if (type == LUA_TSTRING) {
      lua_pop(L, 1);
      Append(names, tints, TStr("custom/") + value->AsString(), kWhite);
    } else if (type == LUA_TTABLE) {
      TLuaTable layer(L);
      TColor tint((float)layer.GetNumberAt(2, 0.0), (float)layer.GetNumberAt(3, 0.0), (float)layer.GetNumberAt(4, 0.0),
                  1.0f);
      Append(names, tints, TStr("custom/") + layer.GetStringAt(1, TStr()), tint);
    } else {
      lua_pop(L, 1);
    }
    delete value;
  }
}

void CreateProductSprite(TLuaTable* product, std::vector<TStr>& names, std::vector<TColor>& tints) {
  if (!product) return;
  if (TLuaTable* appearance = product->GetTable("appearance")) {
    AddAppearanceLayers(appearance, names, tints);
    delete appearance;
    return;
  }
  TStr code = product->GetString("code", TStr());
  if (!code.IsEmpty()) return Append(names, tints, TStr("items/") + code + "_big", kWhite);
  TStr name = product->GetString("name", TStr());
  if (!name.IsEmpty()) return Append(names, tints, TStr("items/") + name + "_big", kWhite);
  AddAppearanceLayers(product, names, tints);
}

void CreateItemSprite(const std::shared_ptr<TSprite>& sprite, const std::vector<TStr>& names,
                      const std::vector<TColor>& tints, float scale) {
  if (!sprite) return;
  sprite->RemoveAllChildren();
  if (scale != 1.0f) sprite->GetDrawSpec().mMatrix.Scale(scale, scale);
  int32_t layer = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    auto image = TSprite::Create(layer++, TTexture::Get(names[i]));
    image->GetDrawSpec().mColor = i < tints.size() ? tints[i] : kWhite;
    sprite->AddChild(image);
    if (auto highlight = TTexture::Get(names[i] + "_highlight")) sprite->AddChild(TSprite::Create(layer++, highlight));
  }
}
