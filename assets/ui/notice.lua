-- A short notice over the screen below: gNoticeTitle and gNoticeText are string-table labels;
-- below them the game's date, as notices in the world are dated. The rule under the title
-- says the notice's tone (gNoticeTone "good": gold). The click that opened it,
-- doubled, does not close it at once.
local kDoubleClickMs = 150
local opened = CurrentTime()
local weeks = Player.time or 0
local date = GetString("notice_date", Date(weeks), tostring(DayOfYear(weeks)))
MakeDialog {
  SetStyle { font = gBodyFont },
  Bitmap { name = "shade", x = 0, y = 0, image = "ui/kit/overlay_modal.png" },
  Panel { name = "noticepanel", x = 200, y = 190, w = 400, h = 220,
    Text { name = "noticetitle", x = 0, y = 18, w = 400, h = 40, label = gNoticeTitle, padding = kHAlignCenter,
      font = gTitleFont },
    Rectangle { name = "noticerule", x = 100, y = 60, w = 200, h = 2, color = { 0.42, 0.24, 0.15, 0.5 } },
    Text { name = "noticetext", x = 30, y = 68, w = 340, h = 80, label = gNoticeText, padding = kHAlignCenter,
      font = gBodyFont },
    -- As wide as the date, set at the text's left edge.
    TightText { name = "noticedate", x = 30, y = 132, w = 340, h = 22, label = "#" .. date, font = gSmallFont },
    KitButton { name = "noticeok", x = 120, y = 160, size = "m", gold = true, text = "notice_ok", default = true,
      cancel = true, command = function()
        if CurrentTime() - opened >= kDoubleClickMs then CloseWindow() end
      end },
  },
}
if gNoticeTone == "good" then
  SetRectangleColor("noticerule", { 0.88, 0.71, 0.23, 1 })
else
  SetRectangleColor("noticerule", { 0.42, 0.24, 0.15, 0.5 })
end
