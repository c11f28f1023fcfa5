-- Variable arguments arrive in the table `arg' with its field n.
local function count(...)
  return arg.n
end
assert(count() == 0)
assert(count(nil) == 1)
assert(count(1, nil, 3, nil) == 4)

local function pack(...) return arg end
local t = pack("a", "b", "c")
assert(t[1] == "a" and t[3] == "c" and t.n == 3)

local function first(a, ...)
  return a, arg.n, arg[1]
end
local a, n, b = first(1, 2, 3)
assert(a == 1 and n == 2 and b == 2)

local function pass(...)
  return unpack(arg)
end
local x, y, z = pass(7, 8, 9)
assert(x == 7 and y == 8 and z == 9)

local function sum(...)
  local s = 0
  for i = 1, arg.n do s = s + arg[i] end
  return s
end
assert(sum(1, 2, 3, 4) == 10)
assert(sum(unpack({5, 6})) == 11)

-- A call as the last argument passes all its results, elsewhere only the first.
local function three() return 1, 2, 3 end
assert(count(three()) == 3)
assert(count(three(), 10) == 2)
assert(count((three())) == 1)
local p = {three(), three()}
assert(p[1] == 1 and p[2] == 1 and p[4] == 3 and p[5] == nil)

-- Methods get self as a hidden first parameter.
local obj = {v = 5}
function obj:add(...) return self.v + arg.n end
assert(obj:add(1, 1, 1) == 8)
print("varargs ok")
