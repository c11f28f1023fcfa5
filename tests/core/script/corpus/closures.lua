-- Closures made in loops: every run of a body has its own locals, whichever way it ends.
local function collect(fns)
  local s = ""
  for i = 1, 3 do s = s .. fns[i]() end
  return s
end

local fns = {}
for i = 1, 3 do
  local x = i
  fns[i] = function() return x end
end
assert(collect(fns) == "123")

fns = {}
local i = 1
while i <= 3 do
  local x = i * 10
  fns[i] = function() return x end
  i = i + 1
end
assert(collect(fns) == "102030")

fns = {}
i = 0
repeat
  i = i + 1
  local x = i
  fns[i] = function() return x end
until i == 3
assert(collect(fns) == "123")

-- Leaving by continue closes the body's locals like leaving by break or by the end.
fns = {}
for i = 1, 3 do
  local x = i
  fns[i] = function() return x end
  if i < 3 then continue end
end
assert(collect(fns) == "123")

fns = {}
i = 0
while i < 3 do
  i = i + 1
  local x = i
  fns[i] = function() return x end
  continue
end
assert(collect(fns) == "123")

-- The capture comes after the continue in the text; an inner loop makes it earlier in time.
fns = {}
for i = 1, 3 do
  local x = i
  for j = 1, 2 do
    if j == 2 then continue 2 end
    fns[i] = function() return x end
  end
end
assert(collect(fns) == "123")

fns = {}
local n = 0
while n < 3 do
  n = n + 1
  local x = n
  repeat
    if fns[n] then break 2 end
    fns[n] = function() return x end
  until false
end
assert(fns[1]() == 1 and fns[2] == nil)

-- A shared upvalue: two closures over one local see each other's changes.
local function counter()
  local c = 0
  return function() c = c + 1; return c end, function() return c end
end
local inc, get = counter()
inc(); inc()
assert(get() == 2)
local inc2, get2 = counter()
inc2()
assert(get() == 2 and get2() == 1)

-- Upvalues through two levels of functions.
local function outer()
  local v = "o"
  return function()
    return function() v = v .. "!"; return v end
  end
end
local f = outer()()
assert(f() == "o!" and f() == "o!!")

-- Recursion through a local function.
local function fact(k) if k <= 1 then return 1 end return k * fact(k - 1) end
assert(fact(10) == 3628800)
print("closures ok")
