-- The world tour: a screen that leads to the world's windows one by one (a character and her
-- moods, the factories' status panels with their popups, the screen transitions).
MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_screen.png"),
  Panel { name = "tourpanel", x = 200, y = 90, w = 400, h = 420,
    Text { name = "tourtitle", x = 0, y = 18, w = 400, h = 44, label = "tour_title", padding = kHAlignCenter,
      font = gTitleFont },
    Text { name = "tourhelp", x = 30, y = 70, w = 340, h = 50, label = "tour_help",
      padding = kHAlignCenter, font = gSmallFont },
    KitButton { name = "tourcharacter", x = 90, y = 130, size = "l", text = "tour_character",
      command = function() DoModal("ui/tour_character.lua") end },
    KitButton { name = "tourpanels", x = 90, y = 190, size = "l", text = "tour_panels",
      command = function() ShowFactoryPanels() end },
    KitButton { name = "tourtransitions", x = 90, y = 250, size = "l", text = "tour_transitions",
      command = function() DoModal("ui/tour_transitions.lua") end },
    KitButton { name = "tourback", x = 120, y = 340, size = "m", gold = true, text = "tour_back",
      close = true, cancel = true },
  },
}
Transition { "fadein", window = "tourpanel", time = 250 }

-- The status panels read the player's table; the tour lends them one of its own and gives the
-- player's back afterwards. A click on a factory reopens the screen with the factory's new state.
function ShowFactoryPanels()
  ReadFile("ui/tour_factories.lua")
  local player = Player
  Player = TourPlayer()
  while DoModal("ui/tour_panels.lua") == "again" do
  end
  Player = player
end
