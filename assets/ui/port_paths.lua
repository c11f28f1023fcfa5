-- The paths in a port: Cocoa Cove as the port screen shows it, its figures walking, with the
-- curve editor lying over it. A click on a figure (away from the editor's points) hands its path
-- to the editor, where dragging its points moves the figure's way at once; C copies the line.
MakeDialog {
  SetStyle { font = gBodyFont },
  PortWindow { name = "port", x = 0, y = 0, w = 800, h = 600, background = "ports/cocoa_cove/background",
    port = gEditorPort,
    CurveEditor { name = "curve_editor", x = 0, y = 0, w = 800, h = 600 },
  },
  Panel { name = "porthelp", x = 16, y = 12, w = 768, h = 40,
    Text { name = "porthelptext", x = 12, y = 0, w = 744, h = 40, label = "curve_port_help",
      padding = kHAlignCenter + kVAlignCenter, font = gSmallFont },
  },
  Panel { name = "portnav", x = 660, y = 524, w = 124, h = 60,
    KitButton { name = "portback", x = 12, y = 14, size = "s", gold = true, text = "editors_back",
      close = true, cancel = true },
  },
}
-- The editor's scene is the port's own: no zoom, no offset.
SetAnimScale(1)
SetAnimSprite("walker")
RealSetFocus("curve_editor")
