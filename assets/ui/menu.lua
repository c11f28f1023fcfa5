-- The main menu: the game's title, a greeting for the current player and the way to the
-- profiles, the options and out of the game; beside it, the way into the world, the world tour,
-- the high scores, the credits, the editors and the reward games.
function UpdateMenuGreeting()
  SetLabel("welcome", PlainText(GetString("menu_welcome", GetCurrentUserName())))
end

-- Play starts the world; once weeks have passed in it, the same button goes on with the game.
function UpdatePlayCaption()
  SetLayeredLabel("play", GetString((Player.time or 0) > 0 and "menu_continue" or "menu_play"))
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_menu.png"),
  Bitmap { name = "logo", x = 130, y = 70, image = "ui/kit/logo.png" },
  Text { name = "welcome", x = 0, y = 232, w = 800, h = 40, padding = kHAlignCenter,
    font = { "fonts/title.mvec", 28, kCocoa } },
  Panel { name = "menupanel", x = 280, y = 276, w = 240, h = 284,
    KitButton { name = "factory", x = 10, y = 14, size = "l", gold = true, text = "menu_factory",
      command = function() DoModal("ui/chocolate_factory.lua") SoundEvent("menu_music") end },
    KitButton { name = "coffee", x = 10, y = 66, size = "l", gold = true, text = "menu_coffee",
      command = function() DoModal("ui/coffee_factory.lua") SoundEvent("menu_music") end },
    KitButton { name = "profiles", x = 10, y = 118, size = "l", text = "menu_profiles",
      command = function() DoModal("ui/profiles.lua") UpdateMenuGreeting() end },
    KitButton { name = "options", x = 10, y = 170, size = "l", text = "menu_options",
      command = function() DoModal("ui/options.lua") end },
    KitButton { name = "quit", x = 10, y = 222, size = "l", text = "menu_quit",
      command = function() AskQuit() end },
  },
  Panel { name = "tourpanel", x = 46, y = 301, w = 184, h = 176,
    KitButton { name = "play", x = 12, y = 10, size = "m", gold = true, text = "menu_play", layered = true,
      command = function() PlayWorld() UpdatePlayCaption() end },
    KitButton { name = "tour", x = 12, y = 68, size = "m", text = "menu_tour",
      command = function() DoModal("ui/tour.lua") end },
    KitButton { name = "hiscores", x = 12, y = 126, size = "m", text = "menu_hiscores",
      command = function() DoModal("ui/hiscores.lua") end },
  },
  Panel { name = "creditspanel", x = 570, y = 359, w = 184, h = 118,
    KitButton { name = "credits", x = 12, y = 10, size = "m", text = "menu_credits",
      command = function() DoModal("ui/credits.lua") end },
    KitButton { name = "editors", x = 12, y = 68, size = "m", text = "menu_editors",
      command = function() DoModal("ui/editors.lua") end },
  },
  Panel { name = "rewardspanel", x = 570, y = 262, w = 184, h = 60,
    KitButton { name = "rewards", x = 12, y = 10, size = "m", text = "menu_rewards",
      command = function() DoModal("ui/rewards.lua") SoundEvent("menu_music") end },
  },
  Text { name = "version", x = 560, y = 566, w = 220, h = 24, padding = kHAlignRight,
    font = { "__DEFAULT", 14, kCream } },
}
UpdateMenuGreeting()
UpdatePlayCaption()
SetLabel("version", PlainText(gVersionString or ""))
