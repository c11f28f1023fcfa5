-- The sample dialog: a title, a line of help and a counter. Every key or click that no window
-- takes counts; S plays the framework's click and the audio engine's chime at once; Escape
-- closes the dialog. The texts are set after creation, so they show as
-- written whether or not labels are translated.
SetDefaultStyle {}

function ShowSampleDialog()
  local id = PushModal("ui/sample_dialog.lua")
  MakeDialog {
    SetStyle { font = { "__DEFAULT", 24, Color(255, 255, 255) }, padding = kHAlignCenter },
    Window { name = "panel", x = kCenter, y = kCenter, w = 480, h = 200,
      Text { name = "title", x = 0, y = 20, w = kMax, h = 36 },
      AppendStyle { font = { "__DEFAULT", 16, Color(200, 200, 200) } },
      Text { name = "help", x = 0, y = 80, w = kMax, h = 24 },
      Text { name = "count", x = 0, y = 130, w = kMax, h = 24 },
    },
  }
  SetLabel("title", "Orvella")
  SetLabel("help", "Press a key or click; S sounds, Escape closes.")
  SetLabel("count", "Opened " .. (gSampleOpened or 1) .. " times, nothing pressed yet.")
  local presses = 0
  while true do
    local m = WaitForMessage()
    if m and m.type == kModalClosed and m.name == id then
      return
    end
    if m and m.type == kPressAnyKey then
      if m.name == "raw:" .. string.char(27) then
        CloseWindow("escape")
      elseif m.name == "raw:S" and SoundEvent then
        SoundEvent("ui_click")
        SoundEvent("Chime")
      else
        presses = presses + 1
        gSamplePresses = presses
        SetLabel("count", "Pressed " .. presses .. " times (" .. m.name .. ").")
      end
    end
  end
end
