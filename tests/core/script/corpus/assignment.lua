-- Multiple assignment: all values are evaluated before any store.
local a, b, c = 1, 2
assert(a == 1 and b == 2 and c == nil)
a, b = b, a
assert(a == 2 and b == 1)
local x, y = 1, 2, 3
assert(x == 1 and y == 2)

local t = {}
local i = 1
i, t[i] = i + 1, 20
assert(i == 2 and t[1] == 20 and t[2] == nil)

local function f() return 1, 2, 3 end
local p, q, r, s = f()
assert(p == 1 and q == 2 and r == 3 and s == nil)
p, q, r = f(), 10
assert(p == 1 and q == 10 and r == nil)
p, q = (f())
assert(p == 1 and q == nil)

g1, g2 = "a", "b"
assert(g1 == "a" and g2 == "b")
t.x, t.y, g3 = 1, 2, 3
assert(t.x == 1 and t.y == 2 and g3 == 3)

local u = {1, 2}
local k = 1
u[k], k = k + 10, 2
assert(u[1] == 11 and k == 2)

-- Nil fills missing values, extra values are dropped.
local m1, m2, m3 = nil
assert(m1 == nil and m2 == nil and m3 == nil)
print("assignment ok")
