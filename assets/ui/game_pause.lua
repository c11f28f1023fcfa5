-- The factories' pause panel, filled into their "information" window: why the game stands
-- (gPauseText, a text label), the way on, and the way out to the main menu from wherever the
-- factory was opened (a port's factory leaves the world too; the week is not counted).
MakeDialog {
  Text { name = "pausetitle", x = 0, y = 30, w = 360, h = 40, label = "factory_paused_title",
    padding = kHAlignCenter, font = gTitleFont },
  Text { name = "pausetext", x = 24, y = 90, w = 312, h = 80, label = gPauseText or "game_paused",
    padding = kHAlignCenter, font = gBodyFont },
  KitButton { name = "resume", x = 16, y = 188, size = "m", gold = true, text = "factory_resume",
    command = function() ResumeGame() end },
  KitButton { name = "mainmenu", x = 184, y = 188, size = "m", text = "factory_main_menu",
    command = function() QuitToMainMenu() end },
}
