-- The options screen: effects, music and ambience levels (heard at once while they move), full
-- screen and sound off (each takes effect when clicked). OK keeps the levels; Cancel puts back
-- the stored ones.
MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_screen.png"),
  Panel { name = "optionspanel", x = 160, y = 90, w = 480, h = 420,
    OptionsWindow { name = "options", x = 0, y = 0, w = 480, h = 420,
      Text { name = "optionstitle", x = 0, y = 18, w = 480, h = 44, label = "options_title", padding = kHAlignCenter,
        font = gTitleFont },
      Text { name = "sfxleveltext", x = 40, y = 90, w = 130, h = 24, label = "options_sfx", padding = kVAlignCenter },
      KitSlider { name = "sfxlevelslider", x = 180, y = 91, w = 250, h = 22 },
      Text { name = "musicleveltext", x = 40, y = 140, w = 130, h = 24, label = "options_music", padding = kVAlignCenter },
      KitSlider { name = "musiclevelslider", x = 180, y = 141, w = 250, h = 22 },
      Text { name = "ambientleveltext", x = 40, y = 190, w = 130, h = 24, label = "options_ambient",
        padding = kVAlignCenter },
      KitSlider { name = "ambientlevelslider", x = 180, y = 191, w = 250, h = 22 },
      KitCheck { name = "fullscreen", x = 40, y = 250, text = "options_fullscreen",
        command = function()
          if not ToggleFullScreen() then
            SetButtonToggleState("fullscreen", not GetButtonToggleState("fullscreen"))
          end
        end },
      KitCheck { name = "mutebox", x = 40, y = 290, text = "options_mute", command = function() ToggleSoundMute() end },
      KitButton { name = "optionsok", x = 70, y = 352, size = "m", gold = true, text = "options_ok", default = true,
        command = function() SaveVolumes() CloseWindow() end },
      KitButton { name = "optionscancel", x = 250, y = 352, size = "m", text = "options_cancel", cancel = true,
        command = function() SetCurrentUser(GetCurrentUser()) CloseWindow() end },
    },
  },
}
