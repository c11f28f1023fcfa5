-- The world map: the ports the player knows (a click on one flies there, or opens the player's
-- own), and in the corner the ledger and the way back to the menu. Closes with "port" to enter
-- the player's port, nil for the menu.
gJourney = nil
MakeDialog {
  SetStyle { font = gBodyFont },
  MapWindow { name = "map", x = 0, y = 0, w = 800, h = 600, background = "image/worldmap",
    cloudY = 30, cloudTime = 60000, yFar = 0, yNear = 600, farScale = 0.8, nearScale = 1.1 },
  Panel { name = "maptitle", x = 16, y = 16, w = 290, h = 66,
    Text { name = "maptitletext", x = 14, y = 6, w = 262, h = 32, label = "map_title",
      font = { "fonts/title.mvec", 26, kCocoa } },
    Text { name = "maphelp", x = 14, y = 38, w = 262, h = 20, label = "map_help", font = { "__DEFAULT", 14, kChocolate } },
  },
  Panel { name = "mapbuttons", x = 16, y = 532, w = 348, h = 52,
    KitButton { name = "mapmenu", x = 8, y = 6, size = "m", text = "map_menu", cancel = true,
      command = function() CloseWindow() end },
    LedgerButton(180, 6, "mapview"),
  },
}
