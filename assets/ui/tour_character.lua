-- Mara, a chocolatier whose face follows her mood: each button sets the mood and her line, and
-- the portrait cross-fades to the new expression. The panel slides in from the left.
function TourMood(happiness, line)
  SetMood("mara", happiness)
  SetLabel("maraline", GetString(line))
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_screen.png"),
  Panel { name = "marapanel", x = 160, y = 60, w = 480, h = 480,
    Text { name = "maratitle", x = 0, y = 16, w = 480, h = 44, label = "tour_mara_title", padding = kHAlignCenter,
      font = gTitleFont },
    CharWindow { name = "mara", x = 160, y = 68, happiness = 50 },
    Text { name = "maraline", x = 30, y = 280, w = 420, h = 44, label = "tour_mara_content",
      padding = kHAlignCenter + kVAlignCenter },
    KitButton { name = "marasad", x = 40, y = 340, size = "s", text = "tour_mood_sad",
      command = function() TourMood(10, "tour_mara_sad") end },
    KitButton { name = "maracontent", x = 190, y = 340, size = "s", text = "tour_mood_content",
      command = function() TourMood(50, "tour_mara_content") end },
    KitButton { name = "marahappy", x = 340, y = 340, size = "s", text = "tour_mood_happy",
      command = function() TourMood(90, "tour_mara_happy") end },
    KitButton { name = "maraback", x = 160, y = 408, size = "m", gold = true, text = "tour_back",
      close = true, cancel = true },
  },
}
Transition { "swipe", window = "marapanel", startx = -480, endx = 160, time = 400 }
