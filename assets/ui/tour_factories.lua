-- The tour's two factories: what they make, their week's production and their supplies, in
-- the shape of the player's table that the status panels read.
gTourPlayer = gTourPlayer or {
  rank = 2,
  supply = { cocoa = 7, milk = 5, sugar = 2, beans = 8, cream = 6 },
  factories = {
    chocolate = { current = "truffle", production = 24 },
    coffee = { current = "cappuccino", production = 0, stall = true },
  },
}

function TourPlayer()
  return gTourPlayer
end

-- The products come from the game's data files (products.xml), which the game reads when a game
-- starts; the tour may come first.
if not _AllProducts.truffle then
  LoadProducts()
end

function ToggleFactory(name)
  local factory = gTourPlayer.factories[name]
  factory.stall = not factory.stall
  if not factory.stall and factory.production == 0 then
    factory.production = 12
  end
  CloseWindow("again")
end

-- The popup over a factory's panel: its name, what it makes and how fast, and what a click does.
function FactoryPopup(name)
  local factory = gTourPlayer.factories[name]
  MakeDialog {
    Panel { name = "factorytip", x = 0, y = 0, w = 250, h = 104,
      Text { name = "factorytipname", x = 14, y = 10, w = 222, h = 24, font = { "fonts/title.mvec", 20, kCocoa } },
      Text { name = "factorytipmaking", x = 14, y = 38, w = 222, h = 20, font = gSmallFont },
      Text { name = "factorytiprate", x = 14, y = 58, w = 222, h = 20, font = gSmallFont },
      Text { name = "factorytiphint", x = 14, y = 78, w = 222, h = 20, font = { "__DEFAULT", 13, kCherry } },
    },
  }
  SetLabel("factorytipname", GetString("tour_factory_" .. name))
  SetLabel("factorytipmaking", GetString("tour_factory_making", factory.current))
  SetLabel("factorytiprate", GetString("tour_factory_rate", factory.production))
  SetLabel("factorytiphint", GetString(factory.stall and "tour_factory_stopped" or "tour_factory_running"))
end

-- The popup over an ingredient: its name and what the store holds.
function IngredientPopup(name)
  MakeDialog {
    Panel { name = "ingredienttip", x = 0, y = 0, w = 170, h = 40,
      Text { name = "ingredienttiptext", x = 10, y = 8, w = 150, h = 24, padding = kVAlignCenter, font = gSmallFont },
    },
  }
  SetLabel("ingredienttiptext", GetString("tour_ingredient_store", name, gTourPlayer.supply[name] or 0))
end
