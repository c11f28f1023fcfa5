-- The program's main window script, until the game's own screens exist: it shows the sample
-- dialog (or, with the setting "sampledialog" = "widgets", the widget dialog) and shows it again
-- whenever it closes. The returned function runs as the window script's coroutine, so it may
-- wait for messages.
ReadFile("ui/sample_dialog.lua")

-- The window's close button asks the scripts; the sample dialogs just end the program.
function AskQuit()
  PostMessage(CreateNamedMessage(kQuitNow, "quit"))
end
ReadFile("ui/widget_dialog.lua")

return function()
  gSampleOpened = 0
  while true do
    gSampleOpened = gSampleOpened + 1
    if GetConfig("sampledialog", "") == "widgets" then
      ShowWidgetDialog()
    else
      ShowSampleDialog()
    end
  end
end
