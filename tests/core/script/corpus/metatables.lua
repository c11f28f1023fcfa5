-- Metatables of tables and the per-type tables of the other types.
local V = {}
V.__index = V
V.__add = function(a, b) return setmetatable({x = a.x + b.x}, V) end
V.__unm = function(a) return setmetatable({x = -a.x}, V) end
V.__eq = function(a, b) return a.x == b.x end
V.__lt = function(a, b) return a.x < b.x end
V.__le = function(a, b) return a.x <= b.x end
V.__concat = function(a, b) return "V" .. (type(a) == "table" and a.x or a) .. (type(b) == "table" and b.x or b) end
V.__call = function(self, y) return self.x + y end
function V.get(self) return self.x end
local function new(x) return setmetatable({x = x}, V) end

local a, b = new(1), new(2)
assert((a + b).x == 3)
assert((-a).x == -1)
assert(a ~= b and a == new(1))
assert(a < b and a <= b and not (b < a) and b >= a)
assert(a .. "s" == "V1s" and "s" .. b == "Vs2")
assert(a(10) == 11)
assert(a:get() == 1)
assert(getmetatable(a) == V)

-- __index and __newindex as functions and tables.
local log = {}
local proxy = setmetatable({}, {
  __index = function(t, k) return k .. "!" end,
  __newindex = function(t, k, v) rawset(t, k, v * 2) end,
})
assert(proxy.hello == "hello!")
proxy.n = 21
assert(proxy.n == 42 and rawget(proxy, "n") == 42)
local base = {inherited = "yes"}
local derived = setmetatable({}, {__index = base})
assert(derived.inherited == "yes" and rawget(derived, "inherited") == nil)

-- A new table reports the per-type table of tables; other values their own type's table.
assert(type(getmetatable({})) == "table")
assert(getmetatable({}) == getmetatable({}))
assert(type(getmetatable("s")) == "table")
assert(getmetatable("s") == getmetatable("t"))
assert(getmetatable("s") ~= getmetatable(1))
assert(type(getmetatable(1)) == "table" and type(getmetatable(true)) == "table")
assert(type(getmetatable(print)) == "table")
assert(type(getmetatable(L"w")) == "table" and getmetatable(L"w") ~= getmetatable("s"))
assert(getmetatable(nil) == nil)
-- setmetatable with nil brings back the default metatable.
local plain = setmetatable(setmetatable({}, V), nil)
assert(getmetatable(plain) ~= V and type(getmetatable(plain)) == "table")

-- Fields of strings and numbers live in their type's table.
local stringTable = getmetatable("s")
stringTable.shout = function(s) return s .. "!" end
assert(("hi"):shout() == "hi!")
assert(("abc").shout == stringTable.shout)
local numberTable = getmetatable(0)
numberTable.double = function(n) return n * 2 end
assert((21):double() == 42)
local x = 5
assert(x.double(x) == 10);
("abc").stored = 1
assert(stringTable.stored == 1 and ("zzz").stored == 1)
getmetatable(L"").wide = "w"
assert((L"anything").wide == "w")

-- The per-type tables are no handlers for arithmetic or calls.
local ok, msg = pcall(function() return ("x")() end)
assert(not ok and msg == "metatables.lua:67: attempt to call a string value")
ok, msg = pcall(function() local t = {} return t.a.b end)
assert(not ok and msg == "metatables.lua:69: attempt to index field `a' (a nil value)")
ok, msg = pcall(function() return nil .. "x" end)
assert(not ok and msg == "metatables.lua:71: attempt to concatenate a nil value")

-- A __metatable field protects the metatable from getmetatable.
local protected = setmetatable({}, {__metatable = "locked"})
assert(getmetatable(protected) == "locked")
print("metatables ok")
