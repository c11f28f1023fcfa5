-- The bonus crates: 21 crates share the prize money (PrepareGame deals it); the player opens
-- three, then the others are shown, and the money found goes to the player.
local kPicks = 3
local kTotal = 1000
local kColumns = 7
local picked = 0
local found = 0

local function ShowPicksLeft()
  if picked < kPicks then
    SetLabel("crateshelp", GetString("crates_help", kPicks - picked))
  else
    SetLabel("crateshelp", GetString("crates_found", Dollars(found)))
  end
end

function PickCrate(k)
  if picked >= kPicks or gCratesOpened[k] then return end
  picked = picked + 1
  found = found + SelectPrize(k)
  gCratesOpened[k] = true
  if picked == kPicks then
    for other = 1, 21 do
      if not gCratesOpened[other] then SelectPrize(other, true) end
    end
    EnableWindow("cratescollect", true)
  end
  ShowPicksLeft()
end

function CollectCrates()
  Player.money = (Player.money or 0) + found
  found = 0
  CloseWindow()
end

gCratesOpened = {}

-- The window covers the whole panel, so an opening's sparkle is not cut at the crates' edge.
local crates = { name = "crates", x = 69, y = 132, w = 662, h = 336 }
for k = 1, 21 do
  local row = Floor((k - 1) / kColumns)
  local column = k - 1 - row * kColumns
  local crate = k
  table.insert(crates, Button { name = "select_" .. k, x = 31 + column * 90, y = 38 + row * 96, w = 60, h = 60,
    command = function() PickCrate(crate) end })
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("image/backdrop_rewards.png"),
  Text { name = "cratestitle", x = 0, y = 28, w = 800, h = 56, label = "crates_title", padding = kHAlignCenter,
    font = { "fonts/title.mvec", 42, kGold } },
  Panel { name = "cratespanel", x = 69, y = 132, w = 662, h = 336 },
  CratesGame(crates),
  QRNWindow { name = "cratesbar", x = 150, y = 488, w = 500, h = 96, frame = "ui/kit/panel", color = kCream,
    swallowmouse = true,
    Text { name = "crateshelp", x = 0, y = 10, w = 500, h = 28, padding = kHAlignCenter, font = gBodyFont },
    KitButton { name = "cratescollect", canDisable = true, x = 60, y = 44, size = "m", gold = true,
      text = "crates_collect", command = CollectCrates },
    KitButton { name = "cratesback", x = 280, y = 44, size = "m", text = "tour_back", close = true, cancel = true },
  },
}
PrepareGame(kTotal)
EnableWindow("cratescollect", false)
ShowPicksLeft()
