-- Sending a score: under a name (kept for the next time) or with an account and its password.
-- The native window sends it, shows "Sending..." meanwhile (SwitchModes) and an error with OK
-- when it fails, and on success closes the dialog with gReturnValue "qualified" or "success",
-- which DoModal hands back.
local setup = loadstring(GetLuaServerSubmitSetupVars(false))
if setup then setup() end

function SwitchModes(waiting)
  EnableWindow("submitform", not waiting)
  EnableWindow("submitconnect", waiting)
end

local function Send()
  SubmitToServer(GetLabel("nameedit"), GetLabel("accountedit"), GetLabel("passedit"),
    GetButtonToggleState("remember"), false)
end

local function Field(name, x, y, extra)
  local field = { name = name, x = x + 8, y = y + 2, w = 224, h = 24, length = 32, font = gBodyFont }
  for k, v in pairs(extra or {}) do field[k] = v end
  return Group {
    Bitmap { name = name .. "field", x = x, y = y, image = "ui/kit/textfield.png" },
    TextEdit(field),
  }
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Bitmap { name = "shade", x = 0, y = 0, image = "ui/kit/overlay_modal.png" },
  Panel { name = "submitpanel", x = 160, y = 100, w = 480, h = 400,
    SubmitWindow { name = "submit", x = 0, y = 0, w = 480, h = 400,
      Text { name = "submittitle", x = 0, y = 16, w = 480, h = 40, label = "submit_title", padding = kHAlignCenter,
        font = gTitleFont },
      Text { name = "submitscore", x = 0, y = 60, w = 480, h = 28, padding = kHAlignCenter,
        font = { "fonts/title.mvec", 22, kChocolate } },
      Window { name = "submitform", x = 0, y = 96, w = 480, h = 304,
        Text { name = "namecaption", x = 40, y = 0, w = 400, h = 24, label = "submit_name" },
        Field("nameedit", 40, 28),
        Text { name = "orcaption", x = 40, y = 76, w = 400, h = 24, label = "submit_or", font = gSmallFont },
        Text { name = "accountcaption", x = 40, y = 104, w = 150, h = 28, label = "submit_account",
          padding = kVAlignCenter },
        Field("accountedit", 196, 104),
        Text { name = "passcaption", x = 40, y = 140, w = 150, h = 28, label = "submit_password", padding = kVAlignCenter },
        Field("passedit", 196, 140, { password = true }),
        KitCheck { name = "remember", x = 196, y = 178, text = "submit_remember" },
        KitButton { name = "submittoserver", x = 120, y = 228, size = "s", gold = true, text = "submit_send",
          default = true, command = Send },
        KitButton { name = "submitcancel", x = 260, y = 228, size = "s", text = "submit_cancel", close = true,
          cancel = true },
      },
      Text { name = "submitconnect", x = 40, y = 200, w = 400, h = 40, label = "submit_connect",
        padding = kHAlignCenter + kVAlignCenter },
      Text { name = "submiterror", x = 40, y = 150, w = 400, h = 100, padding = kHAlignCenter + kVAlignCenter,
        font = { "__DEFAULT", 18, kCherry } },
      KitButton { name = "submiterrorok", x = 190, y = 300, size = "s", text = "submit_error_ok",
        command = function()
          EnableWindow("submiterror", false)
          EnableWindow("submiterrorok", false)
          SwitchModes(false)
        end },
    },
  },
}
SetLabel("submitscore", PlainText(GetString("submit_score", Dollars(gEligibleScore or 0))))
SetLabel("nameedit", gNameEdit or "")
SetLabel("accountedit", gAccountEdit or "")
SetLabel("passedit", gPassEdit or "")
SetButtonToggleState("remember", gRemember or false)
for _, name in ipairs({ "submitconnect", "submiterror", "submiterrorok" }) do
  EnableWindow(name, false)
end
EnableWindow("submittoserver", (gNameEdit or "") ~= "" or (gAccountEdit or "") ~= "")
RealSetFocus("nameedit")
