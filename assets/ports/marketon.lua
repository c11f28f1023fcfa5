-- Marketon: the market town on the coast, where a shop can open.
marketon = { name = "marketon", mapx = 598, mapy = 388, align = "left", start = "new" }
function marketon:OnClick() end
function marketon:MapRolloverPopup() end
_AllPorts.marketon = marketon
