-- The ledger's window, made once by GrabLedger: an open account book. The left page holds the
-- week, the money, the rank and its weekly money, and the quest with its badge; the right page
-- one status panel per factory. Below them the switch to the port or the map and the way back.
local kLeft, kRight, kTop = 136, 414, 80
local kPageFont = { "__DEFAULT", 16, kChocolate }

local function Factory(name, x)
  return Group {
    Rectangle { name = name .. "bay", x = x - 4, y = 158, w = 138, h = 158, color = { 0.42, 0.24, 0.15, 0.12 } },
    DookieDropper { name = name, x = x, y = 162, w = 130, h = 150, xOffset = 16, yOffset = 16,
      itemx = 26, itemy = 124, ingredienty = 86, barHeight = 52, countx = 104, county = 124,
      contents = "LedgerFactoryPopup('" .. name .. "')",
      Text { name = "count", x = 44, y = 114, w = 36, h = 20, padding = kHAlignRight + kVAlignCenter,
        font = { "fonts/title.mvec", 16, kCocoa } },
    },
    Text { name = name .. "caption", x = x - 5, y = 322, w = 140, h = 22, label = "ledger_" .. name,
      padding = kHAlignCenter, font = kPageFont },
  }
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Bitmap { name = "ledgerbook", x = 80, y = kTop, image = "image/ledger_book.png" },
  -- The left page.
  Text { name = "ledgertitle", x = 96, y = 100, w = 296, h = 36, label = "ledger_title", padding = kHAlignCenter,
    font = gTitleFont },
  Text { name = "day", x = kLeft, y = 146, w = 240, h = 22, font = kPageFont },
  Text { name = "money", x = kLeft, y = 170, w = 250, h = 48, font = { "fonts/title.mvec", 34, kCocoa } },
  Text { name = "rankcaption", x = kLeft, y = 226, w = 240, h = 20, label = "ledger_rank", font = kPageFont },
  Text { name = "rank", x = kLeft, y = 246, w = 240, h = 28, font = { "fonts/title.mvec", 22, kCocoa } },
  Text { name = "score", x = kLeft, y = 278, w = 240, h = 22, font = kPageFont },
  Text { name = "questcaption", x = kLeft, y = 320, w = 240, h = 20, label = "ledger_quest", font = kPageFont },
  Bitmap { name = "ledger_questgoals", x = kLeft, y = 346, image = "image/badge_button_indicator_incomplete.png" },
  Text { name = "questText", x = kLeft + 46, y = 344, w = 200, h = 44, font = { "__DEFAULT", 16, kCocoa } },
  KitButton { name = "map_port", x = kLeft, y = 432, size = "m", text = "ledger_to_port",
    command = function() LeaveLedger("port") end },
  KitButton { name = "port_map", x = kLeft, y = 432, size = "m", text = "ledger_to_map",
    command = function() LeaveLedger("map") end },
  -- The right page.
  Text { name = "factoriestitle", x = 400, y = 100, w = 296, h = 36, label = "ledger_factories",
    padding = kHAlignCenter, font = gTitleFont },
  Factory("chocolate", kRight),
  Factory("coffee", kRight + 146),
  KitButton { name = "ledgerclose", x = 498, y = 432, size = "m", gold = true, text = "ledger_close",
    default = true, cancel = true, command = function() LeaveLedger(nil) end },
}

-- The popup over a factory's panel: what it makes and how many this week.
function LedgerFactoryPopup(name)
  local factory = Player.factories and Player.factories[name] or {}
  MakeDialog {
    Panel { name = "ledgertip", x = 0, y = 0, w = 220, h = 60,
      Text { name = "ledgertipname", x = 12, y = 8, w = 196, h = 22, label = "ledger_" .. name,
        font = { "fonts/title.mvec", 18, kCocoa } },
      Text { name = "ledgertipmade", x = 12, y = 32, w = 196, h = 20, font = gSmallFont },
    },
  }
  local made = factory.production or 0
  SetLabel("ledgertipmade", GetString(factory.stall and "ledger_stalled" or "ledger_made", tostring(made)))
end
