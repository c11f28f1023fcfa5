-- A port (gPort): its scene with the buildings' names, and in the corner the way to the map and
-- to the ledger. Closes with "map" for the map, nil for the menu.
local function BuildingLabel(name)
  return QRNWindow { name = name, x = 0, y = 0, w = 140, h = 26, frame = "ui/kit/panel", color = kCream,
    Text { name = name .. "_name", x = 0, y = 0, w = 140, h = 26, label = "building_" .. name,
      padding = kHAlignCenter + kVAlignCenter, font = { "__DEFAULT", 15, kCocoa } },
  }
end

local scene = gPort.scene or { name = gPort.name }
local port = { name = "port", x = 0, y = 0, w = 800, h = 600, background = "ports/" .. scene.name .. "/background",
  port = scene, musicDelay = 25000 }
for _, building in ipairs(scene.buildings or {}) do
  table.insert(port, BuildingLabel(building.name))
end

MakeDialog {
  SetStyle { font = gBodyFont },
  PortWindow(port),
  Panel { name = "porttitle", x = 16, y = 16, w = 250, h = 52,
    Text { name = "porttitletext", x = 14, y = 8, w = 222, h = 36, label = gPort.name,
      font = { "fonts/title.mvec", 28, kCocoa } },
  },
  Panel { name = "portbuttons", x = 436, y = 16, w = 348, h = 52,
    KitButton { name = "portmap", x = 8, y = 6, size = "m", text = "port_to_map", cancel = true,
      command = function() CloseWindow("map") end },
    LedgerButton(180, 6, "portview"),
  },
}
