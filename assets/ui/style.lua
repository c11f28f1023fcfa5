-- The game's look for its screens: colours, fonts and the kit's pieces (panels, buttons, checks,
-- sliders, text fields) as window constructors, so every screen builds them the same way.
kCocoa = Color(59, 35, 20)
kChocolate = Color(107, 62, 38)
kCream = Color(245, 230, 200)
kGold = Color(224, 180, 58)
kCherry = Color(200, 69, 60)

gTitleFont = { "fonts/title.mvec", 32, kCocoa }
gBodyFont = { "__DEFAULT", 18, kCocoa }
gSmallFont = { "__DEFAULT", 15, kCocoa }
gButtonFont = { "__DEFAULT", 17, kCocoa }

local kButtonSizes = { s = { 100, 32 }, m = { 160, 40 }, l = { 220, 48 } }

-- Markup reads "<" and "\"; names the player typed must show as typed.
function PlainText(text)
  local escaped = string.gsub(text or "", "([<\\])", "\\%1")
  return escaped
end

-- A cream panel in the kit's frame that keeps the mouse to itself.
function Panel(t)
  t.frame = t.frame or "ui/kit/panel"
  t.color = t.color or kCream
  t.swallowmouse = true
  return QRNWindow(t)
end

-- A push button of the kit: t.size "s", "m" or "l"; t.gold for a screen's main action; t.text
-- the label's string-table key. With t.canDisable its disabled look lies underneath: a disabled
-- window is not drawn, so the look shows while the button is off.
-- With t.layered the caption is one label a state (label0 up, label1 pressed, label2 under the
-- pointer): the pressed caption sits lower, with the face pushed in, and SetLayeredLabel
-- changes all of them at once; GetLabel and SetLabel do not reach them.
function KitButton(t)
  local size = kButtonSizes[t.size or "m"]
  local base = "ui/kit/button_" .. (t.gold and "gold" or "caramel") .. "_" .. (t.size or "m") .. "_"
  local label = function(name, x, y)
    return Text { name = name, x = x, y = y, w = size[1], h = size[2], label = t.text,
      padding = kHAlignCenter + kVAlignCenter, font = gButtonFont }
  end
  local off = nil
  if t.canDisable then
    off = Group {
      Bitmap { name = t.name .. "off", x = t.x, y = t.y, image = base .. "off.png" },
      label(t.name .. "offlabel", t.x, t.y),
    }
  end
  t.graphics = { base .. "up.png", base .. "down.png", base .. "over.png" }
  t.sound = t.sound or "vexa/ui_click.ogg"
  if t.layered then
    for state, drop in ipairs({ 0, 2, 0 }) do
      table.insert(t, SelectLayer(state - 1))
      table.insert(t, label("label" .. (state - 1), 0, drop))
    end
  else
    table.insert(t, label("label", 0, 0))
  end
  t.text, t.size, t.gold, t.canDisable, t.layered = nil, nil, nil, nil, nil
  if off then
    return Group { off, Button(t) }
  end
  return Button(t)
end

-- A check box of the kit with its label to the right.
function KitCheck(t)
  local label = t.text
  t.type = kToggle
  t.graphics = { "ui/kit/check_off.png", "ui/kit/check_on.png", "ui/kit/check_off_over.png", "ui/kit/check_on_over.png" }
  t.sound = t.sound or "vexa/ui_click.ogg"
  t.text = nil
  return Group {
    Button(t),
    Text { name = t.name .. "text", x = t.x + 34, y = t.y, w = 240, h = 24, label = label,
      padding = kVAlignCenter, font = gBodyFont },
  }
end

-- A level slider of the kit, laid on its side.
function KitSlider(t)
  t.railtop = "ui/kit/slider_rail_top.png"
  t.railmid = "ui/kit/slider_rail_mid.png"
  t.railbot = "ui/kit/slider_rail_bot.png"
  t.sliderimage = "ui/kit/slider_thumb.png"
  t.sliderrollimage = "ui/kit/slider_thumb_over.png"
  t.hslider = true
  return Slider(t)
end

-- A full-screen backdrop of the kit.
function Backdrop(image)
  return Bitmap { name = "backdrop", x = 0, y = 0, image = image }
end
