-- The game's main script. Its returned function runs as the window script's coroutine: every
-- screen waits inside the window library's waits there, which is where button commands run.
-- On the first start it asks the player's name; then the menu stays up for the whole game.
-- With the setting "sampledialog" ("sample" or "widgets", e.g. options=sampledialog=widgets on
-- the command line) it shows the toolkit's sample dialogs instead.
ReadFile("ui/style.lua")

ReadFile("ui/save.lua")

ReadFile("ui/world.lua")

-- The game's catalogue, filled from the data files at start: ingredients and products by name,
-- the ports and the quests in order (the map draws the ports in that order).
_AllIngredients, _AllProducts, _AllPorts, _AllQuests = {}, {}, {}, {}

-- An entry without a name (a damaged data file) is left out.
function CreateIngredient(t)
  if t.name then _AllIngredients[t.name] = t end
end

function CreateProductFromXML(t)
  if t.name then _AllProducts[t.name] = t end
end

function LoadGameData()
  qrnLoadStringFile("data/game_strings.xml")
  LoadIngredients()
  LoadProducts()
  for _, list in ipairs({ LoadPortFileList, LoadQuestFileList }) do
    local files = {}
    list(files)
    for _, file in ipairs(files) do ReadFile(file) end
  end
end

-- The player's game: money, weeks, rank, supplies, factories, ports and the quest. Each profile
-- has its own save file; the preferences remember its name.
Player = {}

function NewPlayer()
  local player = { money = 500, time = 0, rank = 1, portName = "cocoa_cove", supply = {}, portsAvailable = {},
    factories = { chocolate = { current = "truffle", production = 0 },
      coffee = { current = "cappuccino", production = 0, stall = true } } }
  for name, ingredient in pairs(_AllIngredients) do player.supply[name] = tonumber(ingredient.start) or 0 end
  for _, port in ipairs(_AllPorts) do player.portsAvailable[port.name] = port.start or "hidden" end
  local quest = _AllQuests[1]
  if quest then
    player.quest = quest.name
    -- A quest without a title of its own in the string file goes by its name.
    player.questTitle = qrnStringExists(quest.title) and qrnGetString(quest.title) or quest.name
  end
  return player
end

-- The save files in the player's folder, by their names in lower case (the file map's keys are).
local function SavesOnDisk()
  local saves = {}
  local name = NextSaveFileName()
  while name ~= "" do
    saves[string.lower(name)] = true
    name = NextSaveFileName()
  end
  return saves
end

-- The profile's save: the one it last wrote (a renamed profile keeps its game), else one named
-- after the player. A profile without a save on disk starts a new game.
function Player:LoadGame()
  local saveName = LoadGameString()
  if saveName == "" then
    saveName = string.gsub(GetCurrentUserName(), "[^%w]", "_")
  end
  local text = SavesOnDisk()[string.lower(saveName)] and ReadFromFile(saveName .. ".quill3") or ""
  local saved = text ~= "" and ParseSave(text)
  if text ~= "" and not saved then
    -- Kept aside, so a new game saved over it loses nothing that could still be mended.
    WriteToFile(saveName .. ".damaged", text)
    _ALERT("The save " .. saveName .. ".quill3 cannot be read; kept as " .. saveName .. ".damaged, a new game starts")
  end
  for k, v in pairs(saved or NewPlayer()) do self[k] = v end
  self.saveName = saveName
end

function Player:SaveGame()
  if self.saveName and WriteToFile(self.saveName .. ".quill3", SaveText(self)) then
    SaveGameString(self.saveName)
  end
end

-- The window's close button and the menu's Quit.
function AskQuit()
  PostMessage(CreateNamedMessage(kQuitNow, "quit"))
end

-- A script error, shown without waiting (the flow that would wait may be the one that failed).
function LuaErrorMessage(text)
  PushModal("ui/error")
  MakeDialog {
    SetStyle { font = gBodyFont },
    Bitmap { name = "shade", x = 0, y = 0, image = "ui/kit/overlay_modal.png" },
    Panel { name = "errorpanel", x = kCenter, y = kCenter, w = 560, h = 300,
      Text { name = "errortitle", x = 20, y = 20, w = 520, h = 40, label = "error_title",
        padding = kHAlignCenter, font = { "fonts/title.mvec", 28, kCherry } },
      Text { name = "errortext", x = 30, y = 80, w = 500, h = 140, font = gSmallFont },
      KitButton { name = "errorclose", x = 200, y = 240, size = "m", gold = true, text = "error_close",
        close = true, default = true, cancel = true },
    },
  }
  SetLabel("errortext", PlainText(text))
end

function ShowSampleDialogs(which)
  ReadFile("ui/sample_dialog.lua")
  ReadFile("ui/widget_dialog.lua")
  gSampleOpened = 0
  while true do
    gSampleOpened = gSampleOpened + 1
    if which == "widgets" then
      ShowWidgetDialog()
    else
      ShowSampleDialog()
    end
  end
end

return function()
  local sample = GetConfig("sampledialog", "")
  if sample ~= "" then
    ShowSampleDialogs(sample)
  end
  if GetNumUsers() == 0 then
    gNameMode = "first"
    local name = DoModal("ui/profile_name.lua")
    CreateNewUser(name or GetString("default_player"))
  end
  LoadGameData()
  Player:LoadGame()
  if SoundEvent then
    SoundEvent("menu_music")
  end
  while true do
    DoModal("ui/menu.lua")
  end
end
