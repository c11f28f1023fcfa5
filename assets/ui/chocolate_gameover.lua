-- The factories' game-over panel, filled into their "information" window: what this game made
-- goes to the player (Player.made, by kind of factory), the panel shows it and the total, and
-- offers another game or the way back.
local kind = gFactoryKind or "chocolate"
local score = GetScore()
Player.made = Player.made or {}
Player.made[kind] = (Player.made[kind] or 0) + score
gLastFactoryScore = score
-- The game goes on the player's list of high scores; its information reads rank-weeks-money.
LogScore(score, string.format("%d-%d-%d", Player.rank or 1, Player.time or 0, Player.money or 0), "")

MakeDialog {
  Text { name = "overtitle", x = 0, y = 18, w = 360, h = 40, label = "factory_over_title",
    padding = kHAlignCenter, font = gTitleFont },
  Text { name = "overscore", x = 0, y = 70, w = 360, h = 60, padding = kHAlignCenter + kVAlignCenter,
    font = { "fonts/title.mvec", 48, kChocolate } },
  Text { name = "overtotal", x = 24, y = 134, w = 312, h = 40, padding = kHAlignCenter,
    font = gBodyFont },
  KitButton { name = "again", x = 16, y = 188, size = "m", gold = true, text = "factory_again",
    command = function() StartGame() end },
  KitButton { name = "done", x = 184, y = 188, size = "m", text = "factory_done",
    command = function() CloseWindow() end },
}
SetLabel("overscore", tostring(score))
SetLabel("overtotal", PlainText(GetString("factory_total", tostring(Player.made[kind]))))
