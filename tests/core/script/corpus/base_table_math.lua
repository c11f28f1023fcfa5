-- The base, table and math libraries: wide strings in tostring/towstring/tonumber, sizes,
-- sorting, random numbers in the original's range, require through LUA_PATH.
local function check(got, expected, what)
  if got ~= expected then
    error(what .. ": expected " .. tostring(expected) .. ", got " .. tostring(got), 2)
  end
end

-- base
check(_VERSION, "Lua 5.0.2", "version")
check(type(L"w"), "wstring", "wide type")
check(string.byte(tostring(L"A\x1234"), 2), 0x34, "tostring keeps low bytes")
check(tostring(towstring("\233")), "\233", "towstring sign-extends and tostring narrows")
check(towstring(nil), "nil", "towstring of nil")
check(towstring(12.5), L"12.5", "towstring of a number")
check(towstring(L"x"), L"x", "towstring of a wide string")
local ok, msg = pcall(function() return towstring(true) end)
check(msg, "base_table_math.lua:17: bad argument #1 to `towstring' (value expected)", "towstring of a boolean")
check(tonumber(L"ff", 16), 255, "tonumber of a wide string")
check(tonumber(string.rep("1", 100), 16) ~= nil, true, "narrow long text")
check(tonumber(towstring(string.rep("1", 100)), 16), nil, "wide text over 99 units")
check(tonumber("z", 36), 35, "base 36")
check(tonumber("8", 8), nil, "digit outside base")
check(tonumber("  10  "), 10, "base 10")
check(pcall(tonumber, "1", 99), false, "base out of range")
check(getmetatable("x"), string, "strings use the string table")
local t = setmetatable({}, {__metatable = "locked"})
check(getmetatable(t), "locked", "protected metatable")
check(pcall(setmetatable, t, {}), false, "cannot change a protected metatable")
check(rawequal(t, t), true, "rawequal")
local n = 0
for i, v in ipairs({10, 20, nil, 40}) do n = n + i end
check(n, 3, "ipairs stops at a hole")
check(unpack({1, 2, 3}), 1, "unpack")
check(table.getn({unpack({1, 2, 3})}), 3, "unpack count")
local okx, e = xpcall(function() error("boom") end, function(m) return "handled: " .. m end)
check(e, "handled: base_table_math.lua:36: boom", "xpcall")
local f, err = loadstring("return 1 +", "chunk")
check(f, nil, "loadstring failure")
check(string.find(err, "chunk", 1, 1) ~= nil, true, "loadstring message")
check(coroutine.status(coroutine.create(function() end)), "suspended", "coroutine status")
local gen = coroutine.wrap(function(a) local b = coroutine.yield(a + 1) return b * 2 end)
check(gen(1), 2, "wrap yields")
check(gen(5), 10, "wrap returns")
check(pcall(gen), false, "dead coroutine")

-- table
local list = {5, 2, 8, 1, 9, 3}
table.sort(list)
check(table.concat(list, ","), "1,2,3,5,8,9", "sort")
table.sort(list, function(a, b) return a > b end)
check(table.concat(list, ","), "9,8,5,3,2,1", "sort with order function")
local words = {"pear", "apple", "fig", "kiwi", "banana", "cherry", "date", "lime"}
table.sort(words)
check(table.concat(words, " "), "apple banana cherry date fig kiwi lime pear", "sort strings")
local big = {}
for i = 1, 200 do big[i] = math.mod(i * 7919, 211) end
table.sort(big)
for i = 2, 200 do if big[i - 1] > big[i] then error("unsorted at " .. i) end end
check(pcall(table.sort, {3, 1, 2, 5, 4, 7, 6, 9, 8}, function(a, b) return true end), false, "invalid order function")
check(table.getn({1, 2, nil, 4}), 4, "getn counts the array part")
local sparse = {}
sparse[10] = 1
check(table.getn(sparse), 10, "getn of a hash key")
check(table.getn({n = 2.7}), 2, "getn of field n")
check(table.getn({}), 0, "getn of an empty table")
local q = {}
table.insert(q, "a")
table.insert(q, "c")
table.insert(q, 2, "b")
check(table.concat(q), "abc", "insert")
check(table.remove(q, 1), "a", "remove first")
check(table.remove(q), "c", "remove last")
check(table.getn(q), 1, "size after remove")
local seen = ""
table.foreachi({"x", "y"}, function(i, v) seen = seen .. i .. v end)
check(seen, "1x2y", "foreachi")
check(table.foreach({k = "v"}, function(k, v) return k .. v end), "kv", "foreach result")
check(pcall(table.concat, {1, {}, 3}), false, "concat of a table entry")

-- math
check(math.pi, 3.141592653589793, "pi")
check(2 ^ 10, 1024, "power through __pow")
check(math.floor(math.deg(math.pi) + 0.5), 180, "degrees")
check(math.max(3, 9, 1), 9, "max")
check(math.min(3, 9, 1), 1, "min")
check(math.mod(7, 3), 1, "mod")
local m, ex = math.frexp(8)
check(m .. " " .. ex, "0.5 4", "frexp")
math.randomseed(1)
local r = math.random(100)
check(r >= 1 and r <= 100, true, "random in range")
math.randomseed(1)
check(math.random(100), r, "randomseed repeats")
math.randomseed(1)
check(math.random(), 41 / 32767, "first value of the original generator")
check(math.random(3, 3), 3, "one-value interval")
local okr, mr = pcall(math.random, 0)
check(string.find(mr, "interval is empty", 1, 1) ~= nil, true, "empty interval")
local okw, mw = pcall(math.random, 1, 2, 3)
check(string.find(mw, "wrong number of arguments", 1, 1) ~= nil, true, "three arguments")
print("base, table and math libraries ok")
