-- The slot machine: each spin costs a stake; the script draws where the four wheels stop and
-- what the turn pays (as many stakes as the payout: a pair 1, two pairs 2, three alike 4, four
-- alike 10), the machine rolls them there and plays the coins, and the winnings go to the
-- player. Stop hurries the wheels along, one at a time from the left.
local kStake = 20
local kSymbols = { "slot_cherry", "slot_bell", "slot_star", "slot_bean", "slot_heart", "slot_seven" }
local turnPayout = 0

local function ShowMoney()
  SetLabel("slotsmoney", GetString("rewards_money", Dollars(Player.money or 0)))
end

local function ShowStatus(label, ...)
  SetLabel("slotsstatus", GetString(label, unpack(arg)))
end

local function SetSpinning(spinning)
  EnableWindow("slotsspin", not spinning)
  EnableWindow("slotsstop", spinning)
  EnableWindow("slotsback", not spinning)
end

-- What four symbols pay, in stakes.
function SlotsPayout(results)
  local counts = {}
  for i = 1, 4 do counts[results[i]] = (counts[results[i]] or 0) + 1 end
  local pairCount = 0
  for _, n in pairs(counts) do
    if n == 4 then return 10 end
    if n == 3 then return 4 end
    if n == 2 then pairCount = pairCount + 1 end
  end
  return pairCount
end

function SpinSlots()
  if (Player.money or 0) < kStake then
    ShowStatus("slots_poor")
    return
  end
  Player.money = Player.money - kStake
  ShowMoney()
  local results = {}
  for i = 1, 4 do results[i] = RandRange(1, table.getn(kSymbols)) end
  turnPayout = SlotsPayout(results)
  SetSpinning(true)
  ShowStatus("slots_spinning")
  SoundEvent("machine_spin")
  StartSlots(results[1], results[2], results[3], results[4], turnPayout)
end

function SlotsStopped()
  EnableWindow("slotsstop", false)
  if turnPayout > 0 then
    SoundEvent("win_money")
    ShowStatus("slots_win", Dollars(turnPayout * kStake))
  else
    ShowStatus("slots_lose")
  end
end

function SlotsPaid()
  Player.money = (Player.money or 0) + turnPayout * kStake
  turnPayout = 0
  ShowMoney()
  SetSpinning(false)
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("image/backdrop_rewards.png"),
  Text { name = "slotstitle", x = 0, y = 20, w = 800, h = 56, label = "slots_title", padding = kHAlignCenter,
    font = { "fonts/title.mvec", 42, kGold } },
  Text { name = "slotsmoney", x = 0, y = 70, w = 800, h = 24, padding = kHAlignCenter,
    font = { "__DEFAULT", 18, kCream } },
  Bitmap { name = "slotscabinet", x = 120, y = 90, image = "image/slot_machine.png" },
  -- The wheels' pay lines lie on the cabinet's red line, one behind each window.
  SlotMachine { name = "slots", x = 0, y = 0, w = 800, h = 600, options = kSymbols,
    wheel1 = { x = 250, y = 260 }, wheel2 = { x = 350, y = 260 }, wheel3 = { x = 450, y = 260 },
    wheel4 = { x = 550, y = 260 },
    onstopped = SlotsStopped, onpayout = SlotsPaid,
    Bitmap { name = "slotsglass", x = 120, y = 90, image = "image/slot_glass.png" },
    Text { name = "slotsstatus", x = 272, y = 412, w = 256, h = 46, padding = kHAlignCenter + kVAlignCenter,
      font = { "__DEFAULT", 17, kCream } },
  },
  KitButton { name = "slotsspin", canDisable = true, x = 160, y = 530, size = "m", gold = true, text = "slots_spin",
    command = SpinSlots },
  KitButton { name = "slotsstop", canDisable = true, x = 340, y = 530, size = "m", text = "slots_stop",
    command = function() StopSlots() end },
  KitButton { name = "slotsback", canDisable = true, x = 520, y = 530, size = "m", text = "tour_back",
    close = true, cancel = true },
}
ShowMoney()
ShowStatus("slots_help", Dollars(kStake))
SetSpinning(false)
