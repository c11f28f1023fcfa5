-- Numeric and generic for loops.
local s = ""
for i = 1, 3 do s = s .. i end
assert(s == "123")
s = ""
for i = 3, 1, -1 do s = s .. i end
assert(s == "321")
s = ""
for i = 1, 2, 0.5 do s = s .. i .. " " end
assert(s == "1 1.5 2 ")
s = ""
for i = 1, 0 do s = s .. i end
assert(s == "")
s = ""
for i = "1", "3" do s = s .. i end  -- numerals convert
assert(s == "123")

local n = 0
for i = 1, 10 do
  local j = i * 2
  n = n + j
end
assert(n == 110)

-- The control variable is local to the loop.
i = "global"
for i = 1, 2 do end
assert(i == "global")

local t = {10, 20, 30}
local sum = 0
for k, v in ipairs(t) do sum = sum + k * v end
assert(sum == 140)

local seen = 0
for k, v in pairs({a = 1, b = 2, c = 3}) do seen = seen + v end
assert(seen == 6)

-- A table given directly iterates with next.
seen = 0
for k, v in {x = 4, y = 5} do seen = seen + v end
assert(seen == 9)

-- A generator function with its state.
local function range(limit)
  return function(state, control)
    if control < limit then return control + 1 end
  end, nil, 0
end
s = ""
for v in range(4) do s = s .. v end
assert(s == "1234")

-- Extra control values are nil.
for a, b, c in function(_, x) if not x then return 1 end end do
  assert(a == 1 and b == nil and c == nil)
end

-- The loop starts by subtracting the step, so a bad start or step fails as arithmetic.
local ok, msg = pcall(function() for i = {}, 2 do end end)
assert(not ok and msg == "for_loops.lua:60: attempt to perform arithmetic on a table value")
ok, msg = pcall(function() for i = 1, "x" do end end)
assert(not ok and msg == "for_loops.lua:62: `for' limit must be a number")
ok, msg = pcall(function() for i = 1, 2, nil do end end)
assert(not ok and msg == "for_loops.lua:64: attempt to perform arithmetic on a nil value")
print("for loops ok")
