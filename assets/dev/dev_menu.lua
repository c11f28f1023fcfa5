-- The developer menu (Shift+Escape in a factory): the factory's own actions at hand.
MakeDialog {
  SetStyle { font = gBodyFont },
  Bitmap { name = "shade", x = 0, y = 0, image = "ui/kit/overlay_modal.png" },
  Panel { name = "devpanel", x = 280, y = 170, w = 240, h = 260,
    Text { name = "devtitle", x = 0, y = 14, w = 240, h = 36, label = "dev_title", padding = kHAlignCenter,
      font = gTitleFont },
    Text { name = "devscore", x = 0, y = 54, w = 240, h = 24, padding = kHAlignCenter, font = gSmallFont },
    KitButton { name = "devrestart", x = 40, y = 88, size = "m", text = "dev_restart",
      command = function() CloseWindow() StartGame() end },
    KitButton { name = "devresume", x = 40, y = 140, size = "m", text = "dev_resume",
      command = function() CloseWindow() ResumeGame() end },
    KitButton { name = "devclose", x = 40, y = 192, size = "m", text = "dev_close",
      command = function() CloseWindow() end },
  },
}
SetLabel("devscore", PlainText(GetString("dev_score", tostring(GetScore and GetScore() or 0))))
