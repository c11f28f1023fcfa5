// Item sprites: descriptions from product tables and appearance lists, and the layered sprite
// with its highlights, missing pictures and repeated builds.
#include "game/minigames/item_sprite.h"

#include <gtest/gtest.h>

#include "core/graphics/sprites/sprite.h"
#include "core/graphics/texture.h"
#include "tests/game/script_tables.h"
#include "tests/game/sprite_assets.h"

namespace {

std::string Describe(const std::vector<TStr>& names, const std::vector<TColor>& tints) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    char tint[64];
    snprintf(tint, sizeof tint, "(%g,%g,%g,%g)", tints[i].r, tints[i].g, tints[i].b, tints[i].a);
    out += std::string(names[i].c_str()) + tint + " ";
  }
  return out;
}

TEST(ItemSprite, DescriptionsFromProductTables) {
  struct Case {
    const char* table;
    const char* expected;
  } cases[] = {
      {"{code='c', name='n'}", "items/c_big(1,1,1,1) "},
      {"{name='n'}", "items/n_big(1,1,1,1) "},
      {"{code='', name='n'}", "items/n_big(1,1,1,1) "},
      {"{code='c', appearance={'a', {'b', 0.5, 0.25, 0.125}}}", "custom/a(1,1,1,1) custom/b(0.5,0.25,0.125,1) "},
      {"{appearance={}, code='c'}", ""},
      {"{appearance='flat', name='n'}", "items/n_big(1,1,1,1) "},  // not a table: not an appearance
      {"{'x', {'y', 1}, 5, true, {}}", "custom/x(1,1,1,1) custom/y(1,0,0,1) custom/(0,0,0,1) "},
      {"{}", ""},
  };
  for (const Case& k : cases) {
    ScriptTables s;
    auto table = s.Table(k.table);
    std::vector<TStr> names;
    std::vector<TColor> tints;
    CreateProductSprite(table.get(), names, tints);
    EXPECT_EQ(names.size(), tints.size());
    EXPECT_EQ(Describe(names, tints), k.expected) << k.table;
  }
}

TEST(ItemSprite, DescriptionsAppend) {
  ScriptTables s;
  std::vector<TStr> names{TStr("items/first")};
  std::vector<TColor> tints{TColor(1, 1, 1, 1)};
  auto t = s.Table("{'a'}");
  AddAppearanceLayers(t.get(), names, tints);
  EXPECT_EQ(Describe(names, tints), "items/first(1,1,1,1) custom/a(1,1,1,1) ");
}

class ItemSprites : public GameSpriteTest {};

TEST_F(ItemSprites, LayersWithHighlightsAndMissingPictures) {
  PutImage("custom/one", 8, 8);
  PutImage("custom/two", 8, 8);
  PutImage("custom/two_highlight", 8, 8);
  PutImage("custom/three", 8, 8);
  auto sprite = TSprite::Create();
  std::vector<TStr> names{TStr("custom/one"), TStr("custom/two"), TStr("custom/gone"), TStr("custom/three")};
  std::vector<TColor> tints{TColor(1, 0, 0, 1), TColor(0, 1, 0, 1), TColor(0, 0, 1, 1), TColor(1, 1, 0, 1)};
  CreateItemSprite(sprite, names, tints, 1.0f);
  const auto& children = sprite->GetChildren();
  struct Want {
    const char* texture;  // null: no picture
    float green;          // the tint's green
  } want[] = {{"custom/one", 0}, {"custom/two", 1}, {"custom/two_highlight", 1}, {nullptr, 0}, {"custom/three", 1}};
  ASSERT_EQ(children.size(), 5u);
  for (size_t i = 0; i < children.size(); ++i) {
    EXPECT_EQ(children[i]->GetLayer(), (int32_t)i);
    if (want[i].texture)
      EXPECT_EQ(children[i]->GetTexture(), TTexture::Get(TStr(want[i].texture))) << i;
    else
      EXPECT_EQ(children[i]->GetTexture(), nullptr) << i;
  }
  EXPECT_FLOAT_EQ(children[1]->GetDrawSpec().mColor.g, 1.0f);
  EXPECT_FLOAT_EQ(children[2]->GetDrawSpec().mColor.r, 1.0f);  // the highlight is not tinted
  EXPECT_FLOAT_EQ(children[2]->GetDrawSpec().mColor.b, 1.0f);
  EXPECT_FLOAT_EQ(children[3]->GetDrawSpec().mColor.b, 1.0f);
  EXPECT_FLOAT_EQ(children[0]->GetDrawSpec().mColor.g, 0.0f);
}

TEST_F(ItemSprites, RebuildingReplacesTheChildrenAndScalesAgain) {
  PutImage("items/cocoa_big", 8, 8);
  auto sprite = TSprite::Create();
  sprite->SetPosition(TVec2(40, 50));
  std::vector<TStr> names{TStr("items/cocoa_big")};
  std::vector<TColor> tints{TColor(1, 1, 1, 1)};
  CreateItemSprite(sprite, names, tints, 0.5f);
  auto first = sprite->GetChildren()[0];
  CreateItemSprite(sprite, names, tints, 0.5f);
  ASSERT_EQ(sprite->GetChildren().size(), 1u);
  EXPECT_NE(sprite->GetChildren()[0], first);
  EXPECT_EQ(first->GetParent(), nullptr);
  EXPECT_FLOAT_EQ(sprite->GetDrawSpec().mMatrix.m[0][0], 0.25f);
  EXPECT_FLOAT_EQ(sprite->GetDrawSpec().mMatrix.m[1][1], 0.25f);
  EXPECT_EQ(sprite->GetPosition(), TVec2(40, 50));
  CreateItemSprite(sprite, {}, {}, 1.0f);
  EXPECT_TRUE(sprite->GetChildren().empty());
  EXPECT_FLOAT_EQ(sprite->GetDrawSpec().mMatrix.m[0][0], 0.25f);
}

}  // namespace
