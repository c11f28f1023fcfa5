-- The factories' pause panel, filled into their "information" window: why the game stands
-- (gPauseText, a text label) and the way on.
MakeDialog {
  Text { name = "pausetitle", x = 0, y = 30, w = 360, h = 40, label = "factory_paused_title",
    padding = kHAlignCenter, font = gTitleFont },
  Text { name = "pausetext", x = 24, y = 90, w = 312, h = 80, label = gPauseText or "game_paused",
    padding = kHAlignCenter, font = gBodyFont },
  KitButton { name = "resume", x = 100, y = 188, size = "m", gold = true, text = "factory_resume",
    command = function() ResumeGame() end },
}
