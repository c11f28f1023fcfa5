-- The high scores: the player's own best games on this computer, or the online tables by
-- category. The native window fills the ten rows and shows the texts that say where the player
-- stands; this screen lays them out and keeps its buttons in step (UpdateButtons). Sending a
-- score opens ui/submit.lua; its result tells the table what to say.
local kRowTop, kRowStep = 104, 42

function UpdateButtons()
  EnableWindow("submit", GetState() == 0 and ScoreAvailable())
end

local function SendScore()
  local result = DoModal("ui/submit.lua")
  if result == "qualified" or result == "success" then
    SubmissionDone(result == "qualified")
  end
  -- The name typed may have changed the player's row: the table says it afresh.
  UpdateText()
end

local function ArrowButton(name, x, y, direction)
  local base = "ui/kit/arrow_" .. direction .. "_"
  return Button { name = name, x = x, y = y, graphics = { base .. "up.png", base .. "down.png", base .. "over.png" },
    sound = "vexa/ui_click.ogg" }
end

local function TableText(name, label, y, font)
  return Text { name = name, x = 20, y = y, w = 480, h = 40, label = label, padding = kHAlignCenter + kVAlignCenter,
    font = font or gTitleFont }
end

-- The table: a title for each view, ten rows (place, pennant, name with its game below it,
-- score), the scroll arrows, and the server's state in the middle.
local rows = {
  name = "table", x = 16, y = 16, w = 520, h = 568,
  TableText("local", "hiscore_local", 14),
  TableText("global", "hiscore_global", 14),
  TableText("topplayers", "hiscore_topplayers", 14),
}
for i = 1, 10 do
  local y = kRowTop + (i - 1) * kRowStep
  if Mod(i, 2) == 1 then
    rows[table.getn(rows) + 1] = Rectangle { name = "stripe" .. i, x = 12, y = y - 3, w = 496, h = kRowStep - 2,
      color = { 0.79, 0.54, 0.29, 0.16 } }
  end
  rows[table.getn(rows) + 1] = Text { name = tostring(i), x = 14, y = y, w = 44, h = 24, padding = kHAlignRight,
    font = { "fonts/title.mvec", 20, kChocolate } }
  rows[table.getn(rows) + 1] = Bitmap { name = "p1_" .. i, x = 66, y = y + 2, image = "ui/kit/pennant.png" }
  rows[table.getn(rows) + 1] = Text { name = "name" .. i, x = 92, y = y, w = 210, h = 24, font = gBodyFont }
  rows[table.getn(rows) + 1] = Text { name = "info" .. i, x = 92, y = y + 20, w = 300, h = 18,
    font = { "__DEFAULT", 13, kChocolate } }
  rows[table.getn(rows) + 1] = Text { name = "score" .. i, x = 300, y = y, w = 166, h = 24, padding = kHAlignRight,
    font = { "fonts/title.mvec", 20, kCocoa } }
end
rows[table.getn(rows) + 1] = ArrowButton("scrollup", 474, kRowTop - 2, "up")
rows[table.getn(rows) + 1] = ArrowButton("scrolldown", 474, kRowTop + 9 * kRowStep - 2, "down")
rows[table.getn(rows) + 1] = Text { name = "server", x = 40, y = 250, w = 440, h = 60, label = "hiscore_server",
  padding = kHAlignCenter + kVAlignCenter, font = gBodyFont }
rows[table.getn(rows) + 1] = Text { name = "error", x = 40, y = 250, w = 440, h = 60,
  padding = kHAlignCenter + kVAlignCenter, font = { "__DEFAULT", 18, kCherry } }

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_screen.png"),
  HiscoreWindow { name = "hiscores", x = 0, y = 0, w = 800, h = 600,
    Panel(rows),
    -- The local view's side: what the list is, whether a score waits, and the way online.
    Panel { name = "rightpanel", x = 552, y = 16, w = 232, h = 464,
      Text { name = "info", x = 16, y = 16, w = 200, h = 150, label = "hiscore_info", font = gSmallFont },
      Text { name = "eligibleasterisk", x = 16, y = 176, w = 16, h = 24, label = "hiscore_asterisk",
        font = { "fonts/title.mvec", 20, kCherry } },
      Text { name = "eligible", x = 34, y = 178, w = 182, h = 44, label = "hiscore_eligible", font = gSmallFont },
      KitButton { name = "submit", x = 36, y = 240, size = "m", gold = true, canDisable = true, text = "hiscore_submit",
        command = SendScore },
      KitButton { name = "view", x = 36, y = 296, size = "m", text = "hiscore_view" },
    },
    -- The online view's side: the category, where the player stands, the way back to the list.
    Panel { name = "rightpanelsmall", x = 552, y = 16, w = 232, h = 352,
      Text { name = "tablecaption", x = 16, y = 16, w = 200, h = 24, label = "hiscore_table", padding = kHAlignCenter,
        font = gSmallFont },
      ArrowButton("categoryleft", 12, 44, "left"),
      Text { name = "category", x = 46, y = 44, w = 140, h = 32, padding = kHAlignCenter + kVAlignCenter, font = gBodyFont },
      ArrowButton("categoryright", 188, 44, "right"),
      Text { name = "congratulations", x = 16, y = 96, w = 200, h = 70, label = "hiscore_congratulations",
        padding = kHAlignCenter, font = { "__DEFAULT", 16, kCocoa } },
      Text { name = "dnq", x = 16, y = 96, w = 200, h = 70, label = "hiscore_dnq", padding = kHAlignCenter, font = gSmallFont },
      Text { name = "yourrank", x = 16, y = 170, w = 200, h = 30, padding = kHAlignCenter,
        font = { "fonts/title.mvec", 20, kChocolate } },
      Text { name = "yourrankglobalinfo", x = 16, y = 170, w = 200, h = 50, label = "hiscore_globalinfo",
        padding = kHAlignCenter, font = gSmallFont },
      KitButton { name = "viewlocal", x = 36, y = 280, size = "m", text = "hiscore_viewlocal" },
    },
    Panel { name = "navpanel", x = 552, y = 496, w = 232, h = 88,
      KitButton { name = "privacy", x = 16, y = 24, size = "s", text = "hiscore_privacy",
        command = function() LaunchPrivacyPolicy() end },
      KitButton { name = "hiscoreback", x = 124, y = 24, size = "s", gold = true, text = "hiscore_back",
        close = true, cancel = true },
    },
  },
}
UpdateButtons()
