-- The player's save as plain lines, one value each: "money=n:1200", "supply.cocoa=n:8",
-- "portName=s:harbour". Reading a save never runs it: a damaged or hostile file gives nil (or
-- loses its bad lines) and the game goes on with a new player.
kSaveHeader = "quill3 save 1"
local kMaxDepth = 4

local function Escape(s)
  s = string.gsub(s, "\\", "\\\\")
  return (string.gsub(s, "\n", "\\n"))
end

local function Unescape(s)
  return (string.gsub(s, "\\(.)", function(c) if c == "n" then return "\n" end return c end))
end

local function AddLines(lines, prefix, t, depth)
  for k, v in pairs(t) do
    local key = tostring(k)
    if string.find(key, "^[%w_]+$") then
      local path = prefix .. key
      local kind = type(v)
      if kind == "number" then
        table.insert(lines, path .. "=n:" .. string.format("%.17g", v))
      elseif kind == "string" then
        table.insert(lines, path .. "=s:" .. Escape(v))
      elseif kind == "boolean" then
        table.insert(lines, path .. "=b:" .. tostring(v))
      elseif kind == "table" and depth < kMaxDepth then
        AddLines(lines, path .. ".", v, depth + 1)
      end
    end
  end
end

-- The table's numbers, strings and booleans (and those of its tables, a few levels down) as
-- the text of a save.
function SaveText(t)
  local lines = {}
  AddLines(lines, "", t, 1)
  table.sort(lines)
  return kSaveHeader .. "\n" .. table.concat(lines, "\n") .. "\n"
end

-- Keys written as whole numbers come back as numbers; every other key stays a string.
local function Key(part)
  local n = tonumber(part)
  if n and string.find(part, "^%d+$") and tostring(n) == part then return n end
  return part
end

local function IsPath(path)
  return not string.find(path, "^%.") and not string.find(path, "%.$") and not string.find(path, "%.%.")
end

local function Value(text)
  local kind, rest = string.sub(text, 1, 2), string.sub(text, 3)
  if kind == "n:" then return tonumber(rest) end
  if kind == "s:" then return Unescape(rest) end
  if kind == "b:" then
    if rest == "true" then return true elseif rest == "false" then return false end
  end
  return nil
end

-- The table a save's text holds, or nil when the text is no save.
function ParseSave(text)
  if type(text) ~= "string" or string.sub(text, 1, string.len(kSaveHeader) + 1) ~= kSaveHeader .. "\n" then
    return nil
  end
  local result = {}
  for line in string.gfind(text, "[^\n]+") do
    local _, _, path, rest = string.find(line, "^([%w_%.]+)=(.*)$")
    local value = path and Value(rest)
    if value ~= nil then
      local parts = {}
      for part in string.gfind(path, "[^%.]+") do table.insert(parts, part) end
      local depth = table.getn(parts)
      if depth >= 1 and depth <= kMaxDepth and IsPath(path) then
        local t = result
        for i = 1, depth - 1 do
          local key = Key(parts[i])
          if type(t[key]) ~= "table" then t[key] = {} end
          t = t[key]
        end
        t[Key(parts[depth])] = value
      end
    end
  end
  return result
end
