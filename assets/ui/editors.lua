-- The editors: the workshop's authoring tools (the paths of a port's figures, alone or in the
-- port itself; a shop's sign; a new sweet's look), each a screen with a way back here.

-- The port the path editors show: Cocoa Cove's buildings and still pieces, and two figures on
-- paths (the port screen moves them; the editor skips them and edits one path at a time).
gEditorPort = {
  name = "cocoa_cove",
  buildings = {
    { name = "chocolate_works", x = 170, y = 300, layer = 2 },
    { name = "town_hall", x = 420, y = 290, layer = 2 },
    { name = "warehouse", x = 640, y = 320, layer = 2 },
  },
  sprites = {
    { image = "ports/barrels", x = 560, y = 420, layer = 3 },
    { image = "ports/lamp", x = 80, y = 430, layer = 3 },
    { image = "ports/lamp", x = 400, y = 430, layer = 3 },
    { image = "ports/lamp", x = 720, y = 430, layer = 3 },
    { image = "ports/animations/walker.xml", path = { { 40, 540 }, { 260, 500 }, { 520, 580 }, { 760, 530 } },
      time = 14000, motion = "loop", random = false, layer = 4 },
    { image = "ports/animations/cart.xml", path = { { 780, 565 }, { 560, 560 }, { 300, 575 }, { 30, 560 } },
      time = 20000, motion = "loop", random = false, layer = 4 },
  },
}

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_screen.png"),
  Panel { name = "editorspanel", x = 220, y = 90, w = 360, h = 420,
    Text { name = "editorstitle", x = 0, y = 18, w = 360, h = 44, label = "editors_title", padding = kHAlignCenter,
      font = gTitleFont },
    Text { name = "editorshelp", x = 30, y = 66, w = 300, h = 44, label = "editors_help", padding = kHAlignCenter,
      font = gSmallFont },
    KitButton { name = "editcurve", x = 70, y = 118, size = "l", text = "editors_curve",
      command = function() DoModal("ui/curve_editor.lua") end },
    KitButton { name = "editport", x = 70, y = 174, size = "l", text = "editors_port",
      command = function() DoModal("ui/port_paths.lua") end },
    KitButton { name = "editsign", x = 70, y = 230, size = "l", text = "editors_sign",
      command = function() DoModal("ui/sign_editor.lua") end },
    KitButton { name = "editrecipe", x = 70, y = 286, size = "l", text = "editors_recipe",
      command = function() DoModal("ui/recipe_designer.lua") end },
    KitButton { name = "editorsback", x = 100, y = 356, size = "m", gold = true, text = "editors_back",
      close = true, cancel = true },
  },
}
