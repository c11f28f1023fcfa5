-- The widget dialog: one of each widget, for looking at them and for the golden frames of the
-- end-to-end tests. A title, push, toggle and radio buttons, three pictures (plain, mirrored,
-- turned), a text entry with the focus, two sliders and a small cross-sell page; a status line
-- says what was done last. Escape or the Close button closes it.
function ShowWidgetDialog()
  local id = PushModal("ui/widget_dialog.lua")
  local white = { "__DEFAULT", 16, Color(255, 255, 255) }
  local label = function(w, h)
    return Text { name = "label", w = w, h = h, padding = kHAlignCenter + kVAlignCenter, font = white }
  end
  MakeDialog {
    SetStyle { font = white },
    Window { name = "panel", x = kCenter, y = kCenter, w = 560, h = 420,
      Text { name = "title", x = 0, y = 8, w = kMax, h = 28, padding = kHAlignCenter,
        font = { "__DEFAULT", 24, Color(255, 255, 255) } },
      Button { name = "push", x = 20, y = 50,
        graphics = { "ui/widgets/button.png", "ui/widgets/button_down.png", "ui/widgets/button_over.png" },
        label(120, 32) },
      Button { name = "toggle", type = kToggle, on = true, x = 20, y = 100,
        graphics = { "ui/widgets/check_off.png", "ui/widgets/check_on.png",
                     "ui/widgets/check_off_over.png", "ui/widgets/check_on_over.png" } },
      Text { name = "toggletext", x = 52, y = 102, w = 120, h = 20 },
      BeginGroup(),
      Button { name = "radio1", type = kRadio, on = true, x = 20, y = 140,
        graphics = { "ui/widgets/radio_off.png", "ui/widgets/radio_on.png",
                     "ui/widgets/radio_off_over.png", "ui/widgets/radio_on_over.png" } },
      Button { name = "radio2", type = kRadio, x = 20, y = 170,
        graphics = { "ui/widgets/radio_off.png", "ui/widgets/radio_on.png",
                     "ui/widgets/radio_off_over.png", "ui/widgets/radio_on_over.png" } },
      Text { name = "radio1text", x = 52, y = 142, w = 120, h = 20 },
      Text { name = "radio2text", x = 52, y = 172, w = 120, h = 20 },
      Bitmap { name = "picture", x = 200, y = 50, image = "ui/widgets/picture.png" },
      Bitmap { name = "mirrored", x = 270, y = 50, image = "ui/widgets/picture.png", hflip = true },
      Bitmap { name = "turned", x = 340, y = 50, image = "ui/widgets/picture.png", rotate = true },
      Bitmap { name = "large", x = 400, y = 50, image = "ui/widgets/picture.png", scale = 2, vflip = true },
      Text { name = "entrytext", x = 200, y = 136, w = 100, h = 20 },
      TextEdit { name = "entry", x = 200, y = 160, w = 240, h = 24, length = 24 },
      Slider { name = "volume", x = 200, y = 210, w = 240, h = 20, value = 0.25,
        railtop = "ui/widgets/rail_top.png", railmid = "ui/widgets/rail_mid.png", railbot = "ui/widgets/rail_bot.png",
        sliderimage = "ui/widgets/thumb.png", sliderrollimage = "ui/widgets/thumb_over.png" },
      Slider { name = "depth", x = 500, y = 50, w = 20, h = 200, value = 0.75,
        railtop = "ui/widgets/rail_top.png", railmid = "ui/widgets/rail_mid.png", railbot = "ui/widgets/rail_bot.png",
        sliderimage = "ui/widgets/thumb.png", sliderrollimage = "ui/widgets/thumb_over.png" },
      XSellWindow { name = "xsell", x = 20, y = 260, w = 520, h = 90,
        Text { name = "centertext1", x = 0, y = 0, w = 520, h = 20, padding = kHAlignCenter },
        Text { name = "descrip1", x = 0, y = 26, w = 520, h = 40 },
        Button { name = "xsellbutton1", x = 500, y = 80, w = 20, h = 10, command = function() LaunchGameLink(1) end },
      },
      Text { name = "status", x = 20, y = 360, w = 380, h = 20 },
      Button { name = "close", close = true, cancel = true, x = 420, y = 370,
        graphics = { "ui/widgets/button.png", "ui/widgets/button_down.png", "ui/widgets/button_over.png" },
        label(120, 32) },
    },
  }
  SetLabel("title", "Widgets")
  SetLabel("push", "Push")
  SetLabel("close", "Close")
  SetLabel("toggletext", "Toggle")
  SetLabel("radio1text", "One")
  SetLabel("radio2text", "Two")
  SetLabel("entrytext", "Your name")
  SetLabel("status", "Nothing done yet.")
  SetupXSell()
  RealSetFocus("entry")
  local pushes = 0
  while true do
    local m = WaitForMessage()
    if m then
      if m.type == kModalClosed and m.name == id then
        return
      elseif m.type == kButtonPress and m.name == "push" then
        pushes = pushes + 1
        SetLabel("status", "Pushed " .. pushes .. " times.")
      elseif m.type == kButtonPress and (m.name == "toggle" or m.name == "radio1" or m.name == "radio2") then
        local on = GetButtonToggleState(m.name) and "on" or "off"
        SetLabel("status", m.name .. " is " .. on .. ".")
      elseif m.type == kTextEditChanged then
        SetLabel("status", "Typed: " .. GetLabel("entry"))
      elseif m.type == kSliderValChanged or m.type == kSliderMouseUp then
        SetLabel("status", m.name .. " moved.")
      end
    end
  end
end
