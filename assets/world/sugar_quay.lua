-- Sugar Quay: the market town on the coast, where a shop can open.
sugar_quay = { name = "sugar_quay", mapx = 630, mapy = 420, align = "left", start = "open" }
function sugar_quay:OnClick() end
function sugar_quay:MapRolloverPopup() end
_AllPorts.sugar_quay = sugar_quay
