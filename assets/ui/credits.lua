-- The credits: the roll of ui/credits.txt (roles and names side by side, headings in gold)
-- over a dark shade, with a way back.
MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_menu.png"),
  Rectangle { name = "creditsshade", x = 0, y = 0, w = 800, h = 600, color = { 0.23, 0.14, 0.08, 0.86 } },
  Text { name = "creditstitle", x = 0, y = 30, w = 800, h = 50, label = "credits_title", padding = kHAlignCenter,
    font = { "fonts/title.mvec", 40, kGold } },
  CreditsWindow { name = "creditsroll", x = 100, y = 100, w = 600, h = 380, file = "ui/credits.txt",
    time = 24000, intropause = 1000, font = "__DEFAULT", fontsize = 18, columnwidth = 270, columngap = 20,
    fontcolor = kCream, headercolor = kGold },
  Rectangle { name = "creditsline", x = 100, y = 490, w = 600, h = 2, color = { 0.88, 0.71, 0.23, 1 } },
  KitButton { name = "creditsback", x = 320, y = 516, size = "m", gold = true, text = "tour_back",
    close = true, cancel = true },
}
Transition { "fadein", window = "creditstitle", time = 600 }
