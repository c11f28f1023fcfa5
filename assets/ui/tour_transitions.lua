-- Screen transitions: a card fades out and back, swipes in, runs along a curve, and the title
-- grows from nothing. Each button starts one; a transition's end function starts the next part.
-- The fade turns the card over unseen (Mara's other mood) and ends with it wholly opaque; the
-- curve ends with the card exactly home, whatever its last step's rounding.
local kCardX, kCardY = 210, 228

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_screen.png"),
  Panel { name = "stage", x = 60, y = 40, w = 680, h = 520,
    Text { name = "stagetitle", x = 0, y = 16, w = 680, h = 44, label = "tour_transitions_title",
      padding = kHAlignCenter, font = gTitleFont },
    Bitmap { name = "stagelogo", x = 70, y = 66, image = "ui/kit/logo.png" },
    Panel { name = "card", x = kCardX, y = kCardY, w = 260, h = 172 },
    KitButton { name = "fade", x = 24, y = 420, size = "s", text = "tour_fade",
      command = function()
        Transition { "fadeout", window = "card", time = 400,
          onend = function()
            gCardMood = gCardMood == 10 and 90 or 10
            FillWindow("card", "ui/tour_card.lua")
            Transition { "fadein", window = "card", time = 400, onend = function() SetAlpha("card", 255) end }
          end }
      end },
    KitButton { name = "swipe", x = 188, y = 420, size = "s", text = "tour_swipe",
      command = function() Transition { "swipe", window = "card", startx = -260, endx = kCardX, time = 600 } end },
    KitButton { name = "zoom", x = 352, y = 420, size = "s", text = "tour_zoom",
      command = function()
        EnableWindow("stagelogo", false)  -- shown again, from nothing, at the first tick
        Transition { "zoomin", window = "stagelogo", time = 500 }
      end },
    KitButton { name = "curve", x = 516, y = 420, size = "s", text = "tour_curve",
      command = function()
        Transition { "path", window = "card", time = 900,
          path = { { kCardX, kCardY }, { 480, 60 }, { 480, 300 }, { kCardX, kCardY } },
          onend = function() SetWindowPos("card", kCardX, kCardY) end }
      end },
    KitButton { name = "stageback", x = 260, y = 466, size = "m", gold = true, text = "tour_back",
      close = true, cancel = true },
  },
}
gCardMood = nil
FillWindow("card", "ui/tour_card.lua")
