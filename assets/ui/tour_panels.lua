-- Factories at a glance: each factory's status panel (its product, a dial, a supply bar per
-- ingredient and the idle hint) and an ingredient shelf; the mouse over either opens a popup.
local function FactoryPanel(name, x)
  return Group {
    DookieDropper { name = name, x = x, y = 120, w = 150, h = 124, xOffset = 18, yOffset = 18,
      itemx = 28, itemy = 100, ingredienty = 70, barHeight = 44, countx = 122, county = 100,
      contents = "FactoryPopup('" .. name .. "')",
      command = function() ToggleFactory(name) end,
      Text { name = "count", x = 48, y = 90, w = 50, h = 20, padding = kHAlignRight + kVAlignCenter,
        font = { "fonts/title.mvec", 18, kCocoa } },
    },
    Text { name = name .. "caption", x = x - 20, y = 252, w = 190, h = 24, label = "tour_factory_" .. name,
      padding = kHAlignCenter, font = gBodyFont },
  }
end

local function Shelf(name, x)
  return Rollover { name = name .. "tip", x = x, y = 306, xOffset = 12, yOffset = 20,
    contents = "IngredientPopup('" .. name .. "')",
    Bitmap { name = name .. "icon", x = 0, y = 0, image = "items/" .. name .. ".png", scale = 1.5 },
  }
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_screen.png"),
  Panel { name = "factoriespanel", x = 110, y = 50, w = 580, h = 500,
    Text { name = "factoriestitle", x = 0, y = 18, w = 580, h = 44, label = "tour_factories_title",
      padding = kHAlignCenter, font = gTitleFont },
    Text { name = "factorieshelp", x = 40, y = 66, w = 500, h = 40, label = "tour_factories_help",
      padding = kHAlignCenter, font = gSmallFont },
    Rectangle { name = "chocolatebay", x = 90, y = 112, w = 166, h = 140, color = { 0.42, 0.24, 0.15, 0.18 } },
    Rectangle { name = "coffeebay", x = 324, y = 112, w = 166, h = 140, color = { 0.42, 0.24, 0.15, 0.18 } },
    FactoryPanel("chocolate", 98),
    FactoryPanel("coffee", 332),
    Rectangle { name = "shelf", x = 60, y = 358, w = 460, h = 6, color = { 0.42, 0.24, 0.15, 1 } },
    Shelf("cocoa", 100), Shelf("milk", 180), Shelf("sugar", 260), Shelf("beans", 340), Shelf("cream", 420),
    KitButton { name = "factoriesback", x = 210, y = 420, size = "m", gold = true, text = "tour_back",
      close = true, cancel = true },
  },
}
