-- Cocoa Cove: the player's home port, where the first chocolate works stands. Its scene: the
-- works, the town hall (where the ledger is kept) and the warehouse on the quay, lamps along
-- it, a flag on the hall, gulls over the bay and people and carts on the cobbled path.
local worksPlace = { name = "chocolate_works", x = 160, y = 288, layer = 3 }
local hallPlace = { name = "town_hall", x = 410, y = 282, layer = 3 }
local warehousePlace = { name = "warehouse", x = 640, y = 305, layer = 3 }

-- The figures walk the path along the quay, one way or the other.
local kEastward = { { -40, 548 }, { 240, 512 }, { 560, 586 }, { 840, 530 } }
local kWestward = { { 840, 548 }, { 560, 578 }, { 240, 528 }, { -40, 560 } }
local kClothes = { { 0.25, 0.5, 0.75, 1 }, { 0.78, 0.27, 0.24, 1 }, { 0.44, 0.75, 0.56, 1 }, { 0.88, 0.71, 0.23, 1 } }

local function Walker(path, time)
  return { image = "ports/animations/walker.xml", mask = "ports/animations/walker_mask.xml", tints = kClothes,
    path = path, time = time, layer = 6 }
end

cocoa_cove = { name = "cocoa_cove", mapx = 170, mapy = 420, start = "factory",
  scene = { name = "cocoa_cove", yFar = 360, yNear = 600, scaleFar = 0.7, scaleNear = 1.1,
    buildings = { worksPlace, hallPlace, warehousePlace },
    sprites = {
      { image = "ports/lamp", x = 400, y = 440, htile = 160, layer = 5 },
      { image = "ports/barrels", x = 560, y = 392, behind = warehousePlace },
      { image = "ports/barrels", x = 262, y = 392, layer = 4 },
      { image = "ports/animations/flag.xml", x = 410, y = 176, layer = 4 },
      { image = "ports/animations/gull.xml", path = { { -40, 110 }, { 220, 40 }, { 560, 140 }, { 840, 70 } },
        time = 15000, scale = 0.8, layer = 7 },
      { image = "ports/animations/gull.xml", path = { { 840, 60 }, { 600, 130 }, { 300, 30 }, { -40, 100 } },
        time = 19000, scale = 0.7, layer = 7 },
      Walker(kEastward, 22000),
      Walker(kWestward, 26000),
      Walker(kEastward, 30000),
      { image = "ports/animations/cart.xml", path = kWestward, time = 34000, layer = 6 },
    },
  },
}
function cocoa_cove:OnClick() MapPortClicked(self) end
function cocoa_cove:MapRolloverPopup() MapPortPopup(self) end
table.insert(_AllPorts, cocoa_cove)

chocolate_works = {}
function chocolate_works:OnClick() OpenFactory("chocolate") end
town_hall = {}
function town_hall:OnClick() OpenLedgerFromPort() end
warehouse = {}
function warehouse:OnClick() ShowNotice("notice_warehouse_title", "notice_warehouse") end
