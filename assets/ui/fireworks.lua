-- The fireworks: a celebration of the business's success. The show starts at once; the player
-- may hold it and let it go on, and leave.
function HoldFireworks(hold)
  if hold then StopFireworks() else StartFireworks() end
  EnableWindow("fireworkshold", not hold)
  EnableWindow("fireworksgo", hold)
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("image/backdrop_rewards.png"),
  -- Night falls over the harbour, so the bursts shine.
  Rectangle { name = "fireworksnight", x = 0, y = 0, w = 800, h = 600, color = { 0.18, 0.2, 0.25, 0.6 } },
  FireworksWindow { name = "fireworks", x = 225, y = 20, w = 575, h = 420 },
  Panel { name = "fireworkspanel", x = 200, y = 448, w = 400, h = 132,
    Text { name = "fireworkstitle", x = 0, y = 10, w = 400, h = 44, label = "fireworks_title", padding = kHAlignCenter,
      font = gTitleFont },
    Text { name = "fireworkstext", x = 0, y = 50, w = 400, h = 24, label = "fireworks_text", padding = kHAlignCenter,
      font = gSmallFont },
    KitButton { name = "fireworkshold", x = 80, y = 82, size = "s", text = "fireworks_hold",
      command = function() HoldFireworks(true) end },
    KitButton { name = "fireworksgo", x = 80, y = 82, size = "s", text = "fireworks_go",
      command = function() HoldFireworks(false) end },
    KitButton { name = "fireworksback", x = 220, y = 82, size = "s", gold = true, text = "tour_back",
      close = true, cancel = true },
  },
}
HoldFireworks(false)
