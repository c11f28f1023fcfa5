-- Coroutines: resume, yield, status, wrap and their errors.
local co = coroutine.create(function(a, b)
  local c = coroutine.yield(a + b)
  local d, e = coroutine.yield(c * 2)
  return d + e, "done"
end)
assert(coroutine.status(co) == "suspended")
local ok, v = coroutine.resume(co, 1, 2)
assert(ok and v == 3)
ok, v = coroutine.resume(co, 10)
assert(ok and v == 20)
local r1, r2
ok, r1, r2 = coroutine.resume(co, 3, 4)
assert(ok and r1 == 7 and r2 == "done")
assert(coroutine.status(co) == "dead")
ok, v = coroutine.resume(co)
assert(not ok and v == "cannot resume dead coroutine")

-- A generator through wrap.
local function range(n)
  return coroutine.wrap(function()
    for i = 1, n do coroutine.yield(i) end
  end)
end
local s = ""
for i in range(4) do s = s .. i end
assert(s == "1234")

-- An error inside the coroutine ends it and reaches resume.
co = coroutine.create(function() error("inside", 0) end)
ok, v = coroutine.resume(co)
assert(not ok and v == "inside" and coroutine.status(co) == "dead")
co = coroutine.create(function() local t = nil; return t.x end)
ok, v = coroutine.resume(co)
assert(not ok and v == "coroutines.lua:33: attempt to index local `t' (a nil value)")

-- Status seen from inside.
local self
self = coroutine.create(function() return coroutine.status(self) end)
ok, v = coroutine.resume(self)
assert(ok and v == "running")

-- Yield across a C call boundary (pcall is a C function) is refused.
co = coroutine.create(function() return pcall(coroutine.yield, 1) end)
ok, v, r1 = coroutine.resume(co)
assert(ok and v == false and r1 == "attempt to yield across metamethod/C-call boundary")

-- Nested coroutines.
local outer = coroutine.wrap(function()
  local inner = coroutine.wrap(function() coroutine.yield("a") coroutine.yield("b") end)
  coroutine.yield(inner() .. inner())
end)
assert(outer() == "ab")
print("coroutines ok")
