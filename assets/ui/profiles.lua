-- The profiles screen: every player's name with a mark on the one playing; a click makes a player
-- current. New, Rename and Delete change the list; Back returns to the menu. The screen is built
-- again from this file after each change.
kMaxProfiles = 8

local function Rebuild()
  SwapToModal("ui/profiles.lua")
end

-- Asks a name (the dialog's mode), and with one, applies it and shows the list again.
local function AskName(mode, apply)
  gNameMode = mode
  local name = DoModal("ui/profile_name.lua")
  if name then
    apply(name)
    Rebuild()
  end
end

local function NewProfile()
  AskName("new", CreateNewUser)
end

local function RenameProfile()
  AskName("rename", ChangeCurrentUserName)
end

local function DeleteProfile()
  gConfirmText = GetString("profiles_delete_confirm", GetCurrentUserName())
  if DoModal("ui/confirm.lua") then
    DeleteUser(GetCurrentUser())
    Rebuild()
  end
end

local count = GetNumUsers()
local current = GetCurrentUser()
local rows = {}
for i = 0, count - 1 do
  local index = i
  local y = 100 + i * 34
  table.insert(rows, Button { name = "profile" .. i, type = kRadio, on = (i == current), x = 60, y = y,
    graphics = { "ui/kit/radio_off.png", "ui/kit/radio_on.png", "ui/kit/radio_off_over.png", "ui/kit/radio_on_over.png" },
    sound = "vexa/ui_click.ogg",
    command = function() SetCurrentUser(index) Rebuild() end })
  table.insert(rows, Text { name = "profilename" .. i, x = 96, y = y, w = 300, h = 24, padding = kVAlignCenter,
    font = gBodyFont })
end
if count > 0 then
  table.insert(rows, 1, BeginGroup())
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_screen.png"),
  Panel { name = "profilespanel", x = 180, y = 60, w = 440, h = 480,
    Text { name = "profilestitle", x = 0, y = 18, w = 440, h = 44, label = "profiles_title", padding = kHAlignCenter,
      font = gTitleFont },
    Text { name = "profileshelp", x = 0, y = 64, w = 440, h = 24, label = "profiles_help", padding = kHAlignCenter,
      font = gSmallFont },
    Group(rows),
    KitButton { name = "newprofile", canDisable = true, x = 20, y = 380, size = "s", text = "profiles_new", command = NewProfile },
    KitButton { name = "renameprofile", canDisable = true, x = 170, y = 380, size = "s", text = "profiles_rename", command = RenameProfile },
    KitButton { name = "deleteprofile", canDisable = true, x = 320, y = 380, size = "s", text = "profiles_delete", command = DeleteProfile },
    KitButton { name = "back", x = 140, y = 424, size = "m", gold = true, text = "profiles_back", cancel = true,
      command = function() CloseWindow() end },
  },
}
for i = 0, count - 1 do
  SetLabel("profilename" .. i, PlainText(GetUserName(i)))
end
-- A full list takes no new player; a player must remain to play.
EnableWindow("newprofile", count < kMaxProfiles)
EnableWindow("deleteprofile", count > 1)
EnableWindow("renameprofile", current >= 0)
