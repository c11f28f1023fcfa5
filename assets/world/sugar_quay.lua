-- Sugar Quay: the market town on the coast, where the first quest's truffles are wanted.
-- Its name and popup go left of its pin, off the map's edge.
sugar_quay = { name = "sugar_quay", mapx = 630, mapy = 420, align = "left", popupX = 390, start = "open",
  scene = { name = "sugar_quay", yFar = 360, yNear = 600, scaleFar = 0.7, scaleNear = 1.1,
    buildings = {
      { name = "market_hall", x = 180, y = 298, layer = 3 },
      { name = "sign_shop", x = 420, y = 305, layer = 3 },
      { name = "bank", x = 640, y = 298, layer = 3 },
    },
    sprites = {
      { image = "ports/barrels", x = 300, y = 392, layer = 4 },
      { image = "ports/animations/walker.xml", mask = "ports/animations/walker_mask.xml",
        tints = { { 0.78, 0.27, 0.24, 1 }, { 0.25, 0.5, 0.75, 1 } },
        path = { { 840, 548 }, { 560, 578 }, { 240, 528 }, { -40, 560 } }, time = 24000, layer = 6 },
    },
  },
}
function sugar_quay:OnClick() MapPortClicked(self) end
function sugar_quay:MapRolloverPopup() MapPortPopup(self) end
table.insert(_AllPorts, sugar_quay)

market_hall = {}
function market_hall:OnClick() DeliverQuest() end
sign_shop = {}
function sign_shop:OnClick() ShowNotice("notice_signs_title", "notice_signs") end
bank = {}
function bank:OnClick() OpenLedgerFromPort() end
