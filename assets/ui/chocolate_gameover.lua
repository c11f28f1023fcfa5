-- The factories' game-over panel, filled into their "information" window: what this game made
-- goes to the player (Player.made, by kind of factory), the panel shows it and the total, and
-- offers another game or the way back.
local kind = gFactoryKind or "chocolate"
local score = GetScore()
Player.made = Player.made or {}
Player.made[kind] = (Player.made[kind] or 0) + score
gLastFactoryScore = score
-- Once weeks have passed, the player's standing goes on the list of high scores: money a week,
-- as the ledger shows it; its information reads rank-weeks-money. The world is the game's one
-- mode, whose list it is; games played with the developer's cheats go on no list.
local weeks, money = Player.time or 0, Player.money or 0
if weeks > 0 and not CheckConfig("dev") then
  SetCurrentGameMode(0)
  LogScore(Floor(money > 0 and money / weeks or 0), string.format("%d-%d-%d", Player.rank or 1, weeks, money), "")
end

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
