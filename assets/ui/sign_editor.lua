-- The shop's sign: a board, a logo and a line of text. The sliders colour and size the text
-- and size, turn and fade the logo; the buttons step through the boards, logos and letters.
-- The design table keeps the text, board, logo and letters chosen; the sliders start from it.
gSignDesign = gSignDesign or { background = "bg2", logo = "logo1", font = "fertigo.mvec", text = "Mara's Sweets",
  textH = 42, textS = 70, textV = 95, textSize = 26, textX = -129, textY = -100,
  logoScale = 80, logoR = 0, logoA = 100, logoX = -104, logoY = 0 }
local design = gSignDesign
local kChoices = {
  background = { "bg1", "bg2", "bg3" },
  logo = { "logo1", "logo2", "logo3" },
  font = { "fertigo.mvec", "title.mvec", "serif.mvec" },
}
local kSetters = {
  background = function(name) SetBackground(name) end,
  logo = function(name) SetLogo(name) end,
  font = function(name) SetFont(name) end,
}

-- The next choice of a part, round the list.
local function Step(part)
  local list, at = kChoices[part], 1
  for i, name in ipairs(list) do
    if name == design[part] then at = i end
  end
  design[part] = list[Mod(at, table.getn(list)) + 1]
  kSetters[part](design[part])
end

-- The sign shows what was typed as it stands.
local function TypedText()
  gSignTyped = GetLabel("signtext")
  design.text = PlainText(gSignTyped)
  SetText(design.text)
end

-- A slider under its label; value is the design's value over the slider's range.
local function Control(name, label, x, y, value)
  return Group {
    Text { name = name .. "text", x = x, y = y, w = 150, h = 20, label = label, font = gSmallFont },
    KitSlider { name = name, x = x, y = y + 22, w = 150, h = 22, value = value },
  }
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_screen.png"),
  SignEditor { name = "signeditor", x = 0, y = 0, w = 800, h = 600, sign = design, signx = 400, signy = 170,
    Panel { name = "signtitlepanel", x = 240, y = 12, w = 320, h = 48,
      Text { name = "signtitle", x = 0, y = 4, w = 320, h = 40, label = "sign_title", padding = kHAlignCenter,
        font = gTitleFont },
    },
    Panel { name = "signcontrols", x = 40, y = 272, w = 720, h = 312,
      Text { name = "signtextcaption", x = 24, y = 16, w = 200, h = 24, label = "sign_text" },
      Bitmap { name = "signtextfield", x = 24, y = 42, image = "ui/kit/textfield_wide.png" },
      TextEdit { name = "signtext", x = 32, y = 44, w = 344, h = 24, length = 24, widthlimited = true,
        onkey = TypedText },
      KitButton { name = "signboard", x = 420, y = 38, size = "s", text = "sign_board",
        command = function() Step("background") end },
      KitButton { name = "signlogo", x = 530, y = 38, size = "s", text = "sign_logo",
        command = function() Step("logo") end },
      Control("textH", "sign_hue", 24, 92, design.textH / 360),
      Control("textS", "sign_saturation", 196, 92, design.textS / 100),
      Control("textV", "sign_value", 368, 92, design.textV / 100),
      Control("textSize", "sign_size", 540, 92, (design.textSize - 15) / 100),
      Control("logoScale", "sign_logo_size", 24, 164, design.logoScale / 100),
      Control("logoR", "sign_logo_turn", 196, 164, design.logoR / 100),
      Control("logoA", "sign_logo_opacity", 368, 164, design.logoA / 100),
      KitButton { name = "signfont", x = 566, y = 180, size = "s", text = "sign_font",
        command = function() Step("font") end },
      KitButton { name = "signback", x = 280, y = 252, size = "m", gold = true, text = "editors_back",
        close = true, cancel = true },
    },
  },
}
SetLabel("signtext", gSignTyped or "Mara's Sweets")
