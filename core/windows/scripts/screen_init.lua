-- The window library: constants, dialog building, modal windows and message waiting for every
-- window script. Loaded once into the window script's state under the chunk name "gScreenInit",
-- after the native window functions and classes exist.

LUA_PATH = "?;../?;../../?"

kHAlignLeft = 0
kHAlignCenter = 1
kHAlignRight = 2
kVAlignTop = 0
kVAlignCenter = 4
kVAlignBottom = 8
kPush = 0
kToggle = 1
kRadio = 2
kAllLayers = -1
kCenter = 80000
kMax = 160000
kDefault = 128
kPushButtonAlignment = kHAlignCenter + kVAlignCenter
kRadioButtonAlignment = kHAlignLeft + kVAlignCenter
kToggleButtonAlignment = kHAlignCenter + kVAlignCenter

kGeneric = 0
kCloseWindow = kGeneric + 1
kDefaultAction = kCloseWindow + 1
kButtonPress = kDefaultAction + 1
kPressAnyKey = kButtonPress + 1
kQuitNow = kPressAnyKey + 1
kModalClosed = kQuitNow + 1
kTextEditChanged = kModalClosed + 1
kCommandOnly = kTextEditChanged + 1
kSliderValChanged = kCommandOnly + 1
kSliderMouseUp = kSliderValChanged + 1
kSliderPageUp = kSliderMouseUp + 1
kSliderPageDown = kSliderPageUp + 1
kUserMessageBase = 1000

kCmdLine = "cmdline"
kLevel = "level"
kSubLevel = "sublevel"
kPause = "pause"
kMute = "mute"
kBreakNow = "breaknow"
kScore = "score"
kGameMode = "gamemode"
kGameOver = "gameover"
kRestartButton = "restartbutton"
kSystemMode = "systemmode"
gReturnValue = nil
kCheatMode = "cheatmode"
kComputerId = "computerid"
kGameName = "gamename"
kGameVersion = "version"
kEncryptionKey = "encryptionkey"
kHiscoreLocalOnly = "hiscorelocal"
kHiscoreAnonymous = "hiscoreanon"

idtable = {}
gParent = {}
gCurrentDefaultStyle = {}
gCurID = 100
gBeginGroup = 0

function Color(r, g, b, a)
  if a then
    return { r / 255, g / 255, b / 255, a / 255 }
  end
  return { r / 255, g / 255, b / 255, 1 }
end

function FColor(r, g, b, a)
  if a then
    return { r, g, b, a }
  end
  return { r, g, b, 1 }
end

function Push(w)
  table.insert(gParent, 1, w)
end

function Pop()
  table.remove(gParent, 1)
end

function DoWindow(t)
  t.beginGroup = gBeginGroup
  gBeginGroup = 0
  GenericCreate(t)
  MakeDialog(t)
  PopWindow()
end

function DoDialogCommand(i, f)
  f()
end

function MakeDialog(t)
  local style = gCurrentDefaultStyle
  if t.name and t.name ~= "" then
    SetWindowName(t.name)
  end
  table.foreachi(t, DoDialogCommand)
  typename = t.typename
  SetDefaultStyle(style)
  if typename then
    PostCreate(t, typename)
  end
end

function Creating(name, table)
end

function SetBeginGroup()
  gBeginGroup = 1
end

function BeginGroup()
  return function() SetBeginGroup() end
end

function GetTag(t, key, ...)
  local value = t[key]
  if value then
    return value
  end
  if arg.n == 0 then
    return GetTag(gCurrentDefaultStyle, key, true)
  end
  if t.parent then
    return GetTag(t.parent, key, true)
  end
  return nil
end

function SetDefaultStyle(s)
  gCurrentDefaultStyle = s
end

function SetStyle(s)
  return function() SetDefaultStyle(s) end
end

function AppendStyle(s)
  return function()
    s.parent = gCurrentDefaultStyle
    SetDefaultStyle(s)
  end
end

function SetFocus(name)
  RealSetFocus(name)
end

function SetDefault(x)
  return function() end
end

function DistributeX(n)
  local result = {}
  for i = 1, n do
    result[i] = i / (n + 1) * gDialogWidth
  end
  return result
end

function DistributeY(n)
  local result = {}
  for i = 1, n do
    result[i] = i / (n + 1) * gDialogHeight
  end
  return result
end

gClosedWindows = {}

function WaitForCloseMessage(id)
  while true do
    local m = WaitForMessage()
    if m then
      gLastMessage = m
      if m.type == kModalClosed then
        if m.name == id then
          return
        end
        gClosedWindows[m.name] = true
      end
    end
    if gClosedWindows[id] then
      gClosedWindows[id] = nil
      return
    end
  end
end

function DoModal(file)
  local id = PushModal(file)
  ReadFile(file)
  DoFitToChildren()
  WaitForCloseMessage(id)
  local result = gReturnValue
  gReturnValue = nil
  return result
end

function DoMainWindow(file)
  PushModal(file)
  local depth = GetWindowDepth()
  ReadFile(file)
  DoFitToChildren()
  while true do
    local m = WaitForMessage()
    if m then
      gLastMessage = m
    end
    if GetWindowDepth() < depth then
      return
    end
  end
end

function ModalReturn(v)
  gReturnValue = v
end

function DisplaySplash(movie, image, duration)
  local id = PushModal("DisplaySplash")
  local translate = GetTag({}, "translate") or false
  local allowInput = GetTag({}, "allowInput") or false
  inMovie = StartMovie(movie, translate, allowInput)
  local endTime = GetTimer() + duration
  local disableAbort = GetTag({}, "disableAbort") or false
  if not inMovie then
    local overlay = GetTag({}, "splashoverlay") or Group({})
    if not image then
      PopModal(id)
      return
    end
    MakeDialog { Bitmap { name = "splashimage", image = image, overlay } }
    UpdateWindow()
    Pause(50)
    UpdateWindow()
    Pause(50)
  end
  if inMovie or ImageLoaded("splashimage") then
    while true do
      local m = WaitForMessage(1)
      if not inMovie and GetTimer() > endTime then
        break
      end
      if m then
        if m.type == kCloseWindow then
          break
        end
        if m.type == kModalClosed then
          if m.name == id then
            break
          end
          gClosedWindows[m.name] = true
        end
        if not disableAbort and m.type == kPressAnyKey then
          break
        end
      end
      if inMovie and not IsMoviePlaying() then
        break
      end
    end
  end
  if inMovie then
    StopMovie()
  end
  PopModal(id)
end

gCommandQueue = {}
gMessageQueue = {}

function FlushMessages()
  local m = HandleGetMessage(1)
  while m do
    m = HandleGetMessage(1)
  end
  gCommandQueue = {}
  gMessageQueue = {}
end

-- The queues are used from their end: the latest message or command comes first.
function WaitForMessage(timeout, skipQueue)
  if not skipQueue and table.getn(gMessageQueue) > 0 then
    message = table.remove(gMessageQueue)
    return message
  end
  local m, cmd = HandleGetMessage(timeout)
  if cmd then
    gYieldResult = cmd()
  elseif table.getn(gCommandQueue) > 0 then
    local queued = table.remove(gCommandQueue)
    gYieldResult = queued()
  end
  return m
end

function Yield()
  return coroutine.yield()
end

function ReadFile(name)
  return dofile("assets/" .. name)
end

function CloseWindow(v)
  PostMessage(CreateCloseMessage())
  if v then
    ModalReturn(v)
  end
end

function CustomCreator(x)
end

function GetString(id, a1, a2, a3, a4, a5)
  return _GetString(id, a1 or "", a2 or "", a3 or "", a4 or "", a5 or "")
end

function SetBitmap(name, image, scale)
  if scale == nil then
    scale = 1
  end
  _SetBitmap(name, image, scale)
end

function PopModal(name)
  DoPopModal(name)
end

function SwapToModal(file)
  ClearModalChildren()
  ReadFile(file)
  DoFitToChildren()
end

gDialogTable = {}

function DisplayDialog(t)
  local f = t[1]
  if not f or f == "" then
    DebugOut("DisplayDialog called with empty script; aborting")
    return
  end
  local id = PushModal(f)
  gDialogTable = t
  ReadFile(f)
  WaitForCloseMessage(id)
  local result = gReturnValue
  gReturnValue = nil
  return result
end

function SelectLayer(n)
  return function() DoSelectLayer(n) end
end

function Group(t)
  return function() MakeDialog(t) end
end

function FitToChildren()
  return function() DoFitToChildren() end
end

function Pause(ms, anyKey)
  local endTime = GetTimer() + ms
  while GetTimer() < endTime do
    local m = WaitForMessage(endTime - GetTimer(), true)
    if m then
      if anyKey and m.type == kPressAnyKey then
        return
      end
      table.insert(gMessageQueue, m)
    end
  end
end

function SetState(key, value)
  if type(value) == "boolean" then
    if value then
      value = 1
    else
      value = 0
    end
  end
  _SetState(tostring(key), tostring(value))
end

function RegisterHotkey(key, name)
  if key and name then
    _RegisterHotkey(key, name)
  end
end
