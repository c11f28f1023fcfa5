-- The game's main script. Its returned function runs as the window script's coroutine: every
-- screen waits inside the window library's waits there, which is where button commands run.
-- On the first start it asks the player's name; then the menu stays up for the whole game.
-- With the setting "sampledialog" ("sample" or "widgets", e.g. options=sampledialog=widgets on
-- the command line) it shows the toolkit's sample dialogs instead.
ReadFile("ui/style.lua")

Player = {}

-- What the game keeps between runs goes here; the profiles keep themselves.
function Player:SaveGame()
end

-- The window's close button and the menu's Quit.
function AskQuit()
  PostMessage(CreateNamedMessage(kQuitNow, "quit"))
end

-- A script error, shown without waiting (the flow that would wait may be the one that failed).
function LuaErrorMessage(text)
  PushModal("ui/error")
  MakeDialog {
    SetStyle { font = gBodyFont },
    Bitmap { name = "shade", x = 0, y = 0, image = "ui/kit/overlay_modal.png" },
    Panel { name = "errorpanel", x = kCenter, y = kCenter, w = 560, h = 300,
      Text { name = "errortitle", x = 20, y = 20, w = 520, h = 40, label = "error_title",
        padding = kHAlignCenter, font = { "fonts/title.mvec", 28, kCherry } },
      Text { name = "errortext", x = 30, y = 80, w = 500, h = 140, font = gSmallFont },
      KitButton { name = "errorclose", x = 200, y = 240, size = "m", gold = true, text = "error_close",
        close = true, default = true, cancel = true },
    },
  }
  SetLabel("errortext", PlainText(text))
end

function ShowSampleDialogs(which)
  ReadFile("ui/sample_dialog.lua")
  ReadFile("ui/widget_dialog.lua")
  gSampleOpened = 0
  while true do
    gSampleOpened = gSampleOpened + 1
    if which == "widgets" then
      ShowWidgetDialog()
    else
      ShowSampleDialog()
    end
  end
end

return function()
  local sample = GetConfig("sampledialog", "")
  if sample ~= "" then
    ShowSampleDialogs(sample)
  end
  if GetNumUsers() == 0 then
    gNameMode = "first"
    local name = DoModal("ui/profile_name.lua")
    CreateNewUser(name or GetString("default_player"))
  end
  if SoundEvent then
    SoundEvent("menu_music")
  end
  while true do
    DoModal("ui/menu.lua")
  end
end
