-- The world: the map, the ports and the ledger, and the ways between them. The map and the port
-- screens close with where to go next ("map", "port", or nil for the menu); the flow below
-- follows them. What the ports and their buildings do when clicked is here too.

-- A port's table by its name, or nil.
function PortByName(name)
  for _, port in ipairs(_AllPorts) do
    if port.name == name then
      return port
    end
  end
end

function PlayWorld()
  local where = "map"
  while where do
    if where == "map" then
      SoundEvent("map_music")
      where = DoModal("ui/map.lua")
    else
      gPort = PortByName(Player.portName)
      if not gPort then
        break
      end
      SoundEvent("port_music1")
      where = DoModal("ui/port.lua")
    end
  end
  gPort = nil
  SoundEvent("menu_music")
end

-- The map's and the buildings' handlers run straight from the mouse, where nothing may wait:
-- what opens a screen goes to the game's flow, which a message wakes.
function InFlow(f)
  table.insert(gCommandQueue, f)
  PostMessage(CreateNamedMessage(kGeneric, "flow"))
end

-- On the map.

local kMsPerUnit = 9

function PortState(port)
  return Player.portsAvailable[port.name] or "locked"
end

local function CanVisit(port)
  local state = PortState(port)
  return state ~= "locked" and state ~= "hidden"
end

-- A click on a port's pin: the player's port opens; another that may be visited is flown to.
function MapPortClicked(port)
  if gJourney then
    return
  end
  if port.name == Player.portName then
    CloseWindow("port")
  elseif CanVisit(port) then
    local from = PortByName(Player.portName)
    local dx, dy = port.mapx - from.mapx, port.mapy - from.mapy
    local time = Pow(dx * dx + dy * dy, 0.5) * kMsPerUnit
    if time < 1500 then
      time = 1500
    end
    gJourney = port.name
    SoundEvent("airship_depart")
    InitiateTravel { dest = port, type = { { 0, "travel_air" } },
      events = { { time = time, action = function() ArriveAt(port) end } } }
  end
end

-- A journey's end: a week has gone, the port is the player's now and opens.
function ArriveAt(port)
  gJourney = nil
  Player.portName = port.name
  if PortState(port) == "new" then
    Player.portsAvailable[port.name] = "open"
  end
  Player.time = (Player.time or 0) + 1
  SoundEvent("port_arrive")
  CloseWindow("port")
end

-- The popup over a port's pin: its name, what it is and what a click does.
function MapPortPopup(port)
  local hint = "map_fly_here"
  if gJourney then
    hint = "map_flying"
  elseif port.name == Player.portName then
    hint = "map_visit"
  elseif not CanVisit(port) then
    hint = "map_closed"
  end
  MakeDialog {
    Panel { name = "porttip", x = 0, y = 0, w = 220, h = 86,
      Text { name = "porttipname", x = 14, y = 8, w = 192, h = 28, label = port.name,
        font = { "fonts/title.mvec", 22, kCocoa } },
      Text { name = "porttipstate", x = 14, y = 36, w = 192, h = 20, label = "map_state_" .. PortState(port),
        font = gSmallFont },
      Text { name = "porttiphint", x = 14, y = 58, w = 192, h = 20, label = hint, font = { "__DEFAULT", 14, kChocolate } },
    },
  }
end

-- In a port.

-- A factory's screen ("chocolate" or "coffee"); what a game made is the week's production.
function OpenFactory(kind)
  InFlow(function()
    gLastFactoryScore = nil
    -- The port's scene lies hidden under the factory: it holds still meanwhile, costing nothing.
    PausePortAnimations(true)
    DoModal("ui/" .. kind .. "_factory.lua")
    -- From the factory's pause the player may have gone to the main menu: the port closed with
    -- it (its functions with it), and nothing of this visit counts.
    if not PausePortAnimations then
      return
    end
    PausePortAnimations(false)
    if gLastFactoryScore then
      -- A week's production sells at the house price.
      local made = gLastFactoryScore
      Player.money = (Player.money or 0) + made * 12
      Player.time = (Player.time or 0) + 1
      Player.factories[kind] = Player.factories[kind] or { current = kind == "coffee" and "cappuccino" or "truffle" }
      Player.factories[kind].production = made
      Player.factories[kind].stall = nil
    end
    SoundEvent("port_music1")
  end)
end

-- A short notice over the port: a title and a text (labels of the string table).
function ShowNotice(title, text, tone)
  InFlow(function()
    gNoticeTitle, gNoticeText, gNoticeTone = title, text, tone
    DoModal("ui/notice.lua")
  end)
end

function OpenLedgerFromPort()
  InFlow(function()
    local where = OpenLedger("portview")
    if where then
      CloseWindow(where)
    end
  end)
end

-- The quest's delivery at the market: the truffles made go to Sugar Quay for its price.
function DeliverQuest()
  local quest = _AllQuests[1]
  local made = Player.made and Player.made[quest.product] or 0
  if Player.questDone then
    ShowNotice("notice_market_title", "notice_market_done")
  elseif QuestMet() then
    Player.questDone = true
    Player.money = (Player.money or 0) + quest.amount * 20
    if (Player.rank or 1) < 2 then
      Player.rank = 2
    end
    ShowNotice("notice_market_title", "notice_market_delivered", "good")
  else
    ShowNotice("notice_market_title", "notice_market_wanted")
  end
end

-- The ledger.

function QuestMet()
  local quest = _AllQuests[1]
  if not quest or not Player.made then
    return false
  end
  return (Player.made.chocolate or 0) >= quest.amount
end

-- The ledger over the screen below; "mapview" or "portview" says which way its switch leads.
-- Returns where to go from there, or nil to stay.
function OpenLedger(view)
  gLedgerView = view
  return DoModal("ui/ledger_screen.lua")
end

-- The map's and the ports' Ledger button: the ledger over the screen, and where its switch leads.
function LedgerButton(x, y, view)
  return KitButton { name = "ledger", x = x, y = y, size = "m", gold = true, text = "map_ledger",
    command = function()
      -- A journey under way on the map waits while the player reads the ledger.
      if PauseTravel then PauseTravel() end
      local where = OpenLedger(view)
      if ResumeTravel then ResumeTravel() end
      if where then
        CloseWindow(where)
      end
    end }
end

-- Tells the ledger what changed (nothing before the first ledger exists).
function UpdateLedger(what, text)
  if RealUpdateLedger then
    RealUpdateLedger(what, text or "")
  end
end

-- The ledger leaves its screen before the screen closes, so it lives on for the next one.
function LeaveLedger(where)
  ReleaseLedger()
  CloseWindow(where)
end
