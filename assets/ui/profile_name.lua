-- The name entry for a new player (gNameMode "new", or "first" at the first start, which cannot
-- be cancelled) or the current player's new name ("rename"). OK shows only while the field holds
-- text; a name already in use is refused with a line in red. Returns the name, or nil.
local mode = gNameMode or "new"
local titles = { first = "name_title_first", new = "name_title_new", rename = "name_title_rename" }

local function Accept()
  local name = GetLabel("nameentry")
  if name == "" then
    return
  end
  if IsNameInUse(name) and not (mode == "rename" and name == GetCurrentUserName()) then
    SetLabel("nameinuse", PlainText(GetString("name_in_use")))
    return
  end
  CloseWindow(name)
end

MakeDialog {
  SetStyle { font = gBodyFont },
  mode == "first" and Backdrop("ui/kit/backdrop_menu.png") or Group {},
  Bitmap { name = "shade", x = 0, y = 0, image = "ui/kit/overlay_modal.png" },
  Panel { name = "namepanel", x = 190, y = 180, w = 420, h = 240,
    Text { name = "nametitle", x = 0, y = 16, w = 420, h = 40, label = titles[mode], padding = kHAlignCenter,
      font = gTitleFont },
    Text { name = "nameprompt", x = 30, y = 70, w = 360, h = 24, label = "name_prompt", font = gBodyFont },
    Bitmap { name = "namefield", x = 30, y = 100, image = "ui/kit/textfield_wide.png" },
    TextEdit { name = "nameentry", x = 38, y = 102, w = 344, h = 24, length = 20, widthlimited = true,
      enablewindow = "nameok", font = gBodyFont,
      onkey = function() SetLabel("nameinuse", "") end },
    Text { name = "nameinuse", x = 30, y = 136, w = 360, h = 24, font = { "__DEFAULT", 16, kCherry } },
    KitButton { name = "nameok", canDisable = true, x = mode == "first" and 160 or 90, y = 180, size = "s", gold = true,
      text = "name_ok", default = true, command = Accept },
    mode ~= "first" and KitButton { name = "namecancel", x = 230, y = 180, size = "s", text = "name_cancel",
      cancel = true, command = function() CloseWindow() end } or Group {},
  },
}
if mode == "rename" then
  SetLabel("nameentry", GetCurrentUserName())
end
EnableWindow("nameok", GetLabel("nameentry") ~= "")
RealSetFocus("nameentry")
