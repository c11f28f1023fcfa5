-- Every operation that calls out (iterators, metamethods, library callbacks, error handlers,
-- finalisers) with a callee that recurses deep enough to grow the stack, so the caller's
-- registers must be found again afterwards.
local function deep(n, ...)
  if n == 0 then return arg.n end
  local pad = {n, n, n}
  return deep(n - 1, pad[1], unpack(arg))
end
local DEPTH = 60

-- Generic for: a custom iterator, next and ipairs after a large constructor.
local big = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
             21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40}
local function iter(limit, i)
  deep(DEPTH)
  if i < limit then return i + 1, i * 2 end
end
local sum, steps = 0, 0
for i, v in iter, 5, 0 do sum = sum + i + v; steps = steps + 1 end
assert(steps == 5 and sum == 15 + 20)
local count = 0
for i, v in ipairs(big) do count = count + v; deep(5) end
assert(count == 820)
count = 0
for k, v in pairs(big) do count = count + k end
assert(count == 820)

-- Metamethods that recurse before answering.
local M = {}
M.__index = function(t, k) deep(DEPTH) return k .. "?" end
M.__newindex = function(t, k, v) deep(DEPTH) rawset(t, k, v + 1) end
M.__call = function(self, ...) deep(DEPTH, unpack(arg)) return arg.n end
M.__add = function(a, b) deep(DEPTH) return 100 end
M.__sub = function(a, b) deep(DEPTH) return 101 end
M.__mul = function(a, b) deep(DEPTH) return 102 end
M.__div = function(a, b) deep(DEPTH) return 103 end
M.__unm = function(a) deep(DEPTH) return 104 end
M.__concat = function(a, b) deep(DEPTH) return "cat" end
M.__eq = function(a, b) deep(DEPTH) return true end
M.__lt = function(a, b) deep(DEPTH) return true end
M.__le = function(a, b) deep(DEPTH) return false end
local x, y = setmetatable({}, M), setmetatable({}, M)
assert(x.key == "key?")
x.n = 1
assert(rawget(x, "n") == 2)
assert(x(1, 2, 3) == 3)
assert(x + 1 == 100 and 1 - x == 101 and x * x == 102 and x / 2 == 103 and -x == 104)
assert(x .. "s" == "cat" and "s" .. x == "cat")
assert(L"w" .. x == "cat")
assert(x == y and x < y and not (x <= y))
local lt = setmetatable({}, {__lt = function(a, b) deep(DEPTH) return false end})
local lt2 = setmetatable({}, getmetatable(lt))
assert(lt <= lt2)  -- `le' answered by `not (b < a)'
local function tail(o) return o(7, 8) end
assert(tail(x) == 2)
__pow = function(a, b) deep(DEPTH) return a + b end
assert(2 ^ 3 == 5)

-- Library functions calling back into scripts.
local t = {}
for i = 1, 40 do t[i] = 41 - i end
table.sort(t, function(a, b) deep(10) return a < b end)
for i = 1, 40 do assert(t[i] == i) end
local seen = 0
table.foreach({a = 1, b = 2}, function(k, v) deep(DEPTH) seen = seen + v end)
table.foreachi({1, 2, 3}, function(i, v) deep(DEPTH) seen = seen + v end)
assert(seen == 9)
assert(string.gsub("abc", "%w", function(c) deep(DEPTH) return c .. c end) == "aabbcc")
assert(tostring(setmetatable({}, {__tostring = function() deep(DEPTH) return "T" end})) == "T")

-- Errors: handlers that recurse, error objects that are not strings.
local ok, e = xpcall(function() error({code = 7}) end, function(err) deep(DEPTH) return err.code end)
assert(not ok and e == 7)
ok, e = pcall(function() local z = nil; return z.field end)
assert(not ok and string.find(e, "index local `z'", 1, true))
ok, e = pcall(error)
assert(not ok and e == nil)

-- Coroutines growing their own stacks between yields.
local co = coroutine.wrap(function(a)
  for i = 1, 3 do a = coroutine.yield(deep(DEPTH, a, i)) end
  return "done"
end)
assert(co(1) == DEPTH + 2 and co(2) == DEPTH + 2 and co(3) == DEPTH + 2 and co(4) == "done")

-- Finalisers running inside allocations.
local finalised = 0
local proxy = newproxy(true)
getmetatable(proxy).__gc = function() deep(DEPTH) finalised = finalised + 1 end
for i = 1, 20 do local p = newproxy(proxy) end
proxy = nil
for i = 1, 2000 do local s = {i, "x" .. i} end
collectgarbage()
assert(finalised >= 20)

-- Varargs and unpack with many values.
local many = {}
for i = 1, 150 do many[i] = i end
local function count_args(...) return arg.n end
assert(count_args(unpack(many)) == 150)
print("stack growth ok", steps, seen, finalised)
