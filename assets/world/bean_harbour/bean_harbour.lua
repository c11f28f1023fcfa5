-- Bean Harbour: the coffee port across the bay, with its roastery still to open.
bean_harbour = { name = "bean_harbour", mapx = 420, mapy = 300, start = "new" }
function bean_harbour:OnClick() end
function bean_harbour:MapRolloverPopup() end
_AllPorts.bean_harbour = bean_harbour
