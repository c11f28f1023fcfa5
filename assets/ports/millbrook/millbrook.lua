-- Millbrook: the mill town up the river, where the first chocolate factory stands.
millbrook = { name = "millbrook", mapx = 402, mapy = 214, start = "factory" }
function millbrook:OnClick() end
function millbrook:MapRolloverPopup() end
_AllPorts.millbrook = millbrook
