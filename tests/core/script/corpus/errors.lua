-- Errors through pcall, with their exact messages.
local function check(expected, ok, msg)
  if ok or msg ~= expected then
    error("expected " .. tostring(expected) .. ", got " .. tostring(msg), 2)
  end
end

check("errors.lua:8: attempt to perform arithmetic on a table value", pcall(function() return {} + 1 end))
check("errors.lua:9: attempt to perform arithmetic on global `undefinedvalue' (a nil value)", pcall(function() return undefinedvalue + 1 end))
check("errors.lua:10: attempt to perform arithmetic on local `t' (a table value)", pcall(function() local t = {} return t * 2 end))
check("errors.lua:11: attempt to call global `nosuchfunction' (a nil value)", pcall(function() nosuchfunction() end))
check("errors.lua:12: attempt to call field `missing' (a nil value)", pcall(function() local t = {} t.missing() end))
check("errors.lua:13: attempt to call method `missing' (a nil value)", pcall(function() local t = {} t:missing() end))
check("errors.lua:14: attempt to index global `nothing' (a nil value)", pcall(function() return nothing.x end))
check("errors.lua:15: attempt to index local `n' (a nil value)", pcall(function() local n; n.x = 1 end))
check("errors.lua:16: attempt to concatenate local `t' (a table value)", pcall(function() local t = {} return "a" .. t end))
check("errors.lua:17: attempt to compare number with nil", pcall(function() return 1 < nil end))
check("errors.lua:18: attempt to compare string with number", pcall(function() return "a" <= 1 end))
check("errors.lua:19: table index is nil", pcall(function() local t = {} t[nil] = 1 end))
check("errors.lua:20: table index is NaN", pcall(function() local t = {} t[0/0] = 1 end))
check("errors.lua:21: attempt to perform arithmetic on a boolean value", pcall(function() return -true end))

-- error() adds the position of the caller at level 1, of its caller at level 2, none at 0.
check("errors.lua:24: plain", pcall(function() error("plain") end))
local function raise(level) error("deep", level) end
check("errors.lua:25: deep", pcall(function() raise(1) end))
check("errors.lua:27: deep", pcall(function() raise(2) end))
check("bare", pcall(function() error("bare", 0) end))
-- Non-string error objects pass through unchanged.
local obj = {}
local ok, e = pcall(function() error(obj) end)
assert(not ok and e == obj)
ok, e = pcall(error)
assert(not ok and e == nil)
ok, e = pcall(error, 42)
assert(not ok and e == "42")

-- assert's own message, raised like luaL_error with the caller's position.
check("errors.lua:39: assertion failed!", pcall(function() assert(false) end))
check("errors.lua:40: custom", pcall(function() assert(nil, "custom") end))

-- Nested protected calls; the outer one goes on.
ok, e = pcall(function()
  local inner, msg = pcall(error, "in", 0)
  assert(not inner and msg == "in")
  return "after"
end)
assert(ok and e == "after")

-- Results pass through pcall.
local a, b, c = pcall(function() return 1, 2 end)
assert(a == true and b == 1 and c == 2)

-- Syntax errors come from loadstring with the chunk name.
local f, msg = loadstring("x = = 1")
assert(f == nil and msg == "[string \"x = = 1\"]:1: unexpected symbol near `='")
f, msg = loadstring("x = 1 +", "=(named)")
assert(f == nil and msg == "(named):1: unexpected symbol near `<eof>'")
f, msg = loadstring("for i = 1, 2 do\n\n", "=src")
assert(f == nil and msg == "src:3: `end' expected (to close `for' at line 1) near `<eof>'")
f, msg = loadstring("a = 'unfinished", "=src")
assert(f == nil and msg == "src:1: unfinished string near `<eof>'")

-- Stack overflow is an error like the others.
local function recurse() return 1 + recurse() end
ok, e = pcall(recurse)
assert(not ok and e == "errors.lua:65: stack overflow")

-- A number message gets the position like a string.
check("errors.lua:70: 42", pcall(function() error(42) end))
print("errors ok")
