-- Weak tables and collection.
local weakKeys = setmetatable({}, {__mode = "k"})
local weakValues = setmetatable({}, {__mode = "v"})
local strong = {}
do
  local k1, k2 = {}, {}
  weakKeys[k1] = "one"
  weakKeys[k2] = "two"
  strong[1] = k2
  weakValues[1] = {}
  weakValues[2] = strong
  weakValues[3] = "a string stays"
  weakValues[4] = 4
end
collectgarbage()
local n = 0
for k, v in pairs(weakKeys) do n = n + 1; assert(v == "two") end
assert(n == 1)
assert(weakValues[1] == nil and weakValues[2] == strong)
assert(weakValues[3] == "a string stays" and weakValues[4] == 4)

-- Both weak.
local weakBoth = setmetatable({}, {__mode = "kv"})
weakBoth[{}] = 1
weakBoth[1] = {}
weakBoth.keep = strong
collectgarbage()
n = 0
for k, v in pairs(weakBoth) do n = n + 1 end
assert(n == 1 and weakBoth.keep == strong)

-- Closures, coroutines and wide strings survive collections while reachable.
local fns = {}
for i = 1, 100 do local v = i fns[i] = function() return v end end
local co = coroutine.wrap(function() for i = 1, 3 do coroutine.yield(i) end end)
local w = L"wide" .. 1
collectgarbage()
assert(fns[100]() == 100 and co() == 1)
collectgarbage()
assert(co() == 2 and w == L"wide1")

-- Garbage made in a loop is collected: the count stays bounded.
collectgarbage()
local before = gcinfo()
for i = 1, 20000 do local t = {i, i .. "", L"x" .. i} end
collectgarbage()
local after = gcinfo()
assert(after < before + 200)
print("gc ok")
