-- Cocoa Cove: the player's home port, where the first chocolate works stands.
cocoa_cove = { name = "cocoa_cove", mapx = 170, mapy = 420, start = "factory" }
function cocoa_cove:OnClick() end
function cocoa_cove:MapRolloverPopup() end
_AllPorts.cocoa_cove = cocoa_cove
