// Item sprites: products and ingredients drawn as stacks of image layers. A description is two
// parallel lists, image names and their tints, filled from a product's script table and turned
// into child sprites of a given sprite.
#pragma once

#include <memory>
#include <vector>

#include "core/base/color.h"
#include "core/base/str.h"

class TLuaTable;
class TSprite;

// Appends a product's layers: its "appearance" list when it has one, else "items/<code>_big",
// else "items/<name>_big", else the table itself read as an appearance list.
void CreateProductSprite(TLuaTable* product, std::vector<TStr>& names, std::vector<TColor>& tints);
// Appends "custom/" layers: a string s is "custom/" + s untinted; a table {image, r, g, b} is
// "custom/" + image tinted (r, g, b, 1); other values are skipped.
void AddAppearanceLayers(TLuaTable* layers, std::vector<TStr>& names, std::vector<TColor>& tints);
// Replaces the sprite's children by one child a layer (tinted), each followed by its
// "_highlight" picture when there is one, on layers 0, 1, 2, ...; a scale other than 1 scales
// the sprite's transform once more.
void CreateItemSprite(const std::shared_ptr<TSprite>& sprite, const std::vector<TStr>& names,
                      const std::vector<TColor>& tints, float scale);
