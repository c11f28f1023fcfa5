-- The paths of a port's figures: Cocoa Cove at half size (the zoom slider changes it), a curve
-- built with the mouse (hold A and click to add, drag to move, hold D to click through), a figure
-- walking it, and C for the scene line on the clipboard. Time and layer apply with their buttons.

-- After a field, the keys belong to the editor again.
local function Apply(update)
  update()
  RealSetFocus("curve_editor")
end

local function Labelled(label, x, slider)
  return Group {
    Text { name = slider .. "text", x = x, y = 10, w = 120, h = 20, label = label, font = gSmallFont },
    KitSlider { name = slider, x = x, y = 32, w = 120, h = 22 },
  }
end

local function FigureButton(name, x, y)
  return KitButton { name = "figure" .. name, x = x, y = y, size = "s", text = "curve_" .. name,
    command = function() Apply(function() SetAnimSprite(name) end) end }
end

local function NumberField(name, label, x)
  return Group {
    Text { name = name .. "text", x = x, y = 10, w = 100, h = 20, label = label, font = gSmallFont },
    Rectangle { name = name .. "field", x = x, y = 32, w = 100, h = 24, color = { 1, 0.98, 0.94, 1 } },
    TextEdit { name = name, x = x + 6, y = 34, w = 88, h = 22, length = 6, font = gSmallFont },
  }
end

MakeDialog {
  SetStyle { font = gBodyFont },
  Backdrop("ui/kit/backdrop_screen.png"),
  CurveEditor { name = "curve_editor", x = 0, y = 0, w = 800, h = 600, background = "ports/cocoa_cove/background",
    port = gEditorPort,
    Panel { name = "curvehelp", x = 16, y = 12, w = 768, h = 40,
      Text { name = "curvehelptext", x = 12, y = 0, w = 744, h = 40, label = "curve_help",
        padding = kHAlignCenter + kVAlignCenter, font = gSmallFont },
    },
    Panel { name = "curvecontrols", x = 16, y = 476, w = 768, h = 108,
      Labelled("curve_zoom", 14, "scaleslider"),
      Labelled("curve_far", 146, "farslider"),
      Labelled("curve_near", 278, "nearslider"),
      NumberField("time", "curve_time", 412),
      KitButton { name = "timeapply", x = 412, y = 64, size = "s", text = "curve_apply",
        command = function() Apply(UpdateAnimTime) end },
      NumberField("layer", "curve_layer", 524),
      KitButton { name = "layerapply", x = 524, y = 64, size = "s", text = "curve_apply",
        command = function() Apply(UpdateAnimLayer) end },
      FigureButton("walker", 644, 4),
      FigureButton("cart", 644, 38),
      KitButton { name = "curveback", x = 644, y = 72, size = "s", gold = true, text = "editors_back",
        close = true, cancel = true },
    },
  },
}
SetLabel("time", "5000")
SetLabel("layer", "4")
UpdateAnimTime()
UpdateAnimLayer()
SetAnimSprite("walker")
RealSetFocus("curve_editor")
