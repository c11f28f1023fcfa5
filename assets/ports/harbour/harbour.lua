-- Harbour: the player's home port, where every journey starts.
harbour = { name = "harbour", mapx = 214, mapy = 342, start = "open" }
function harbour:OnClick() end
function harbour:MapRolloverPopup() end
_AllPorts.harbour = harbour
