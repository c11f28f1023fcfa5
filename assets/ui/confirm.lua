-- A yes-or-no question over the screen below (gConfirmText); returns true for yes.
MakeDialog {
  SetStyle { font = gBodyFont },
  Bitmap { name = "shade", x = 0, y = 0, image = "ui/kit/overlay_modal.png" },
  Panel { name = "confirmpanel", x = 200, y = 210, w = 400, h = 180,
    Text { name = "confirmtext", x = 20, y = 30, w = 360, h = 60, padding = kHAlignCenter, font = gBodyFont },
    KitButton { name = "confirmyes", x = 80, y = 120, size = "s", text = "confirm_yes",
      command = function() CloseWindow(true) end },
    KitButton { name = "confirmno", x = 220, y = 120, size = "s", gold = true, text = "confirm_no",
      default = true, cancel = true, command = function() CloseWindow(false) end },
  },
}
SetLabel("confirmtext", PlainText(gConfirmText or ""))
