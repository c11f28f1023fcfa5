-- What the factories' screens share: the texts the factory fills (the score on the clock's face,
-- the time, the countdown), the pause, go and menu buttons, and the information panel, which
-- shows how to play until Start. Each gives one window for the screen's MakeDialog.
local kClockFont = { "fonts/title.mvec", 26, kCocoa }
local kTimeFont = { "fonts/title.mvec", 30, kCream }
local kCountdownFont = { "fonts/title.mvec", 140, kGold }

function FactoryScoreText()
  return Text { name = "score", x = 659, y = 8, w = 72, h = 72, padding = kHAlignCenter + kVAlignCenter,
    font = kClockFont }
end

function FactoryTimeText(x, w)
  return Text { name = "time", x = x, y = 26, w = w, h = 36, padding = kHAlignRight + kVAlignCenter, font = kTimeFont }
end

function FactoryCountdownText(x)
  return Text { name = "countdown", x = x, y = 170, w = 400, h = 200, padding = kHAlignCenter + kVAlignCenter,
    font = kCountdownFont }
end

function FactoryPauseButton(x, y)
  return KitButton { name = "pause", x = x, y = y, size = "s", text = "factory_pause",
    command = function() PauseGame("game_paused") end }
end

function FactoryGoButton(x, y)
  return KitButton { name = "go", x = x, y = y, size = "s", gold = true, text = "factory_go",
    command = function() ResumeGame() end }
end

function FactoryLeaveButton(x, y)
  return KitButton { name = "leave", x = x, y = y, size = "s", text = "factory_leave",
    command = function() CloseWindow() end }
end

-- The product's name over how to play (the text label intro) and Start.
function FactoryInformation(product, intro)
  return Panel { name = "information", x = 220, y = 150, w = 360, h = 250,
    Text { name = "introtitle", x = 0, y = 18, w = 360, h = 40, label = product.label,
      padding = kHAlignCenter, font = gTitleFont },
    Text { name = "introtext", x = 24, y = 70, w = 312, h = 110, label = intro, font = gSmallFont },
    KitButton { name = "start", x = 100, y = 188, size = "m", gold = true, text = "factory_start",
      command = function() StartGame() end },
  }
end
