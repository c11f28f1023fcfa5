-- The reward games beside the menu: the bonus crates, the fireworks and the slot machine, each
-- on a screen of its own that comes back here. The player's money shows what they brought in.
function UpdateRewardsMoney()
  SetLabel("rewardsmoney", GetString("rewards_money", Dollars(Player.money or 0)))
end

local function Open(screen)
  return function()
    DoModal(screen)
    UpdateRewardsMoney()
  end
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("image/backdrop_rewards.png"),
  Panel { name = "rewardspanel", x = 240, y = 120, w = 320, h = 370,
    Text { name = "rewardstitle", x = 0, y = 18, w = 320, h = 44, label = "rewards_title", padding = kHAlignCenter,
      font = gTitleFont },
    Text { name = "rewardsmoney", x = 0, y = 66, w = 320, h = 26, padding = kHAlignCenter, font = gBodyFont },
    KitButton { name = "crates", x = 50, y = 106, size = "l", text = "rewards_crates", command = Open("ui/crates.lua") },
    KitButton { name = "fireworks", x = 50, y = 166, size = "l", text = "rewards_fireworks",
      command = Open("ui/fireworks.lua") },
    KitButton { name = "slots", x = 50, y = 226, size = "l", text = "rewards_slots", command = Open("ui/slots.lua") },
    KitButton { name = "rewardsback", x = 80, y = 300, size = "m", gold = true, text = "tour_back",
      close = true, cancel = true },
  },
}
UpdateRewardsMoney()
SoundEvent("rewards_music")
