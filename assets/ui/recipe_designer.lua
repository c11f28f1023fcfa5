-- The recipe designer: a new sweet's look in four layers (shape, topping, sprinkles, finish),
-- each chosen with its arrows from the pictures of the product type and tinted from the
-- kitchen's colours, shown small beside its arrows and all together on the plate, where the
-- shape casts its shadow and "Mirror" turns the whole sweet round. "Surprise me" throws a random
-- design, layer by layer.
local kTints = {
  { 0.42, 0.24, 0.15 }, { 0.79, 0.54, 0.29 }, { 0.96, 0.90, 0.78 }, { 0.88, 0.71, 0.23 }, { 0.78, 0.27, 0.24 },
  { 0.44, 0.75, 0.56 }, { 0.25, 0.50, 0.75 }, { 0.93, 0.62, 0.70 }, { 0.60, 0.40, 0.70 }, { 1.00, 0.98, 0.94 },
}
-- The shape's shadow on the cloth: cocoa, see-through, down and to the right of the sweet (the
-- light comes from the top left, as on every panel, so it stays there when the sweet is mirrored).
local kShadowTint = { 0.23, 0.14, 0.08, 0.35 }
local kShadowShift = 6
gRecipe = gRecipe or { type = "chocolate", choice = { 0, 0, 0, 0 }, tint = { 2, 1, 4, 5 }, mirrored = false }

-- The shadow takes the shape's picture whenever the shape changes.
local function CastShadow()
  local shape = GetLayerImage(0)
  if shape ~= "" then BTSetBitmap("plate_shadow", "custom/" .. shape, 1) end
end

-- The native shuffle and the arrows both end here: layer 1-4, a colour number 1-100.
function SetRecipeTint(layer, number)
  gRecipe.tint[layer] = number
  local tint = kTints[Mod(number - 1, table.getn(kTints)) + 1]
  BTSetTint("option_layer" .. (layer - 1), tint)
  BTSetTint("display_layer" .. (layer - 1), tint)
  if layer == 1 then CastShadow() end
end

-- The plate's sweet and its shadow, mirrored or not; the highlights are the light's, so they stay.
local function Mirror(on)
  gRecipe.mirrored = on
  for layer = 0, 3 do BTSetFlip("display_layer" .. layer, on) end
  BTSetFlip("plate_shadow", on)
end

local function Choose(layer, step)
  gRecipe.choice[layer] = SetLayer(layer - 1, gRecipe.choice[layer] + step)
  SetRecipeTint(layer, gRecipe.tint[layer])
end

local function UseType(kind)
  gRecipe.type = kind
  SetRecipeType(kind)
  for layer = 1, 4 do Choose(layer, 0) end
end

local function ArrowButton(name, x, y, direction, command)
  local base = "ui/kit/arrow_" .. direction .. "_"
  return Button { name = name, x = x, y = y, graphics = { base .. "up.png", base .. "down.png", base .. "over.png" },
    sound = "vexa/ui_click.ogg", command = command }
end

local rows = { name = "recipelayers", x = 24, y = 84, w = 360, h = 440 }
for each = 1, 4 do
  local layer = each  -- a local of its own for each row's arrows to keep
  local y = 16 + (layer - 1) * 104
  local n = tostring(layer - 1)
  for _, w in ipairs({
    Text { name = "layername" .. n, x = 16, y = y + 28, w = 100, h = 24, label = "recipe_layer" .. layer },
    ArrowButton("layerleft" .. n, 124, y + 24, "left", function() Choose(layer, -1) end),
    Rectangle { name = "layerslot" .. n, x = 166, y = y, w = 80, h = 80, color = { 1, 0.98, 0.94, 1 } },
    BitmapTint { name = "option_layer" .. n, x = 174, y = y + 8, w = 64, h = 64 },
    Bitmap { name = "option_highlight" .. n, x = 174, y = y + 8 },
    ArrowButton("layerright" .. n, 258, y + 24, "right", function() Choose(layer, 1) end),
  }) do
    rows[table.getn(rows) + 1] = w
  end
end

local plate = { name = "recipeplate", x = 408, y = 84, w = 368, h = 300,
  Rectangle { name = "platecloth", x = 84, y = 46, w = 200, h = 200, color = { 1, 0.98, 0.94, 1 } },
  BitmapTint { name = "plate_shadow", x = 120, y = 82, w = 128, h = 128, tint = kShadowTint },
  -- The check turns after its command has run.
  KitCheck { name = "recipemirror", x = 84, y = 258, text = "recipe_mirror",
    command = function() Mirror(not gRecipe.mirrored) end } }
for layer = 0, 3 do
  plate[table.getn(plate) + 1] = BitmapTint { name = "display_layer" .. layer, x = 120, y = 82, w = 128, h = 128 }
  plate[table.getn(plate) + 1] = Bitmap { name = "display_highlight" .. layer, x = 120, y = 82 }
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_screen.png"),
  RecipeCreator { name = "recipecreator", x = 0, y = 0, w = 800, h = 600,
    RecipeDesigner { name = "recipedesigner", x = 0, y = 0, w = 800, h = 600,
      Panel { name = "recipetitlepanel", x = 240, y = 12, w = 320, h = 48,
        Text { name = "recipetitle", x = 0, y = 4, w = 320, h = 40, label = "recipe_title", padding = kHAlignCenter,
          font = gTitleFont },
      },
      Panel(rows),
      Panel(plate),
      Panel { name = "recipeactions", x = 408, y = 400, w = 368, h = 124,
        KitButton { name = "recipechocolate", x = 16, y = 16, size = "m", text = "recipe_chocolate",
          command = function() UseType("chocolate") end },
        KitButton { name = "recipebeverage", x = 192, y = 16, size = "m", text = "recipe_beverage",
          command = function() UseType("beverage") end },
        KitButton { name = "reciperandom", x = 16, y = 72, size = "m", gold = true, text = "recipe_random",
          command = function() RandomDesign() end },
        KitButton { name = "recipeback", x = 192, y = 72, size = "m", text = "editors_back", close = true, cancel = true },
      },
    },
  },
}
BTSetOffset("plate_shadow", 64 + kShadowShift, 64 + kShadowShift)
SetRecipeType(gRecipe.type)
for layer = 1, 4 do Choose(layer, 0) end
SetButtonToggleState("recipemirror", gRecipe.mirrored)
Mirror(gRecipe.mirrored)
