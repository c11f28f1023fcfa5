-- Bean Harbour: the coffee port across the bay, with the coffee roastery.
bean_harbour = { name = "bean_harbour", mapx = 420, mapy = 300, start = "new",
  scene = { name = "bean_harbour", yFar = 360, yNear = 600, scaleFar = 0.7, scaleNear = 1.1,
    buildings = {
      { name = "coffee_roastery", x = 170, y = 288, layer = 3 },
      { name = "recipe_lab", x = 420, y = 295, layer = 3 },
      { name = "harbour_office", x = 640, y = 310, layer = 3 },
    },
    sprites = {
      { image = "ports/lamp", x = 400, y = 440, htile = 160, layer = 5 },
      { image = "ports/animations/gull.xml", path = { { -40, 90 }, { 260, 30 }, { 540, 120 }, { 840, 60 } },
        time = 17000, scale = 0.8, layer = 7 },
      { image = "ports/animations/cart.xml", path = { { -40, 552 }, { 260, 516 }, { 540, 582 }, { 840, 532 } },
        time = 28000, layer = 6 },
    },
  },
}
function bean_harbour:OnClick() MapPortClicked(self) end
function bean_harbour:MapRolloverPopup() MapPortPopup(self) end
table.insert(_AllPorts, bean_harbour)

coffee_roastery = {}
function coffee_roastery:OnClick() OpenFactory("coffee") end
recipe_lab = {}
function recipe_lab:OnClick() ShowNotice("notice_lab_title", "notice_lab") end
harbour_office = {}
function harbour_office:OnClick() OpenLedgerFromPort() end
