-- Expressions the code generator compiles to jumps, constants and register moves.
local t, f = true, false
local n = nil
assert((t and 1 or 2) == 1)
assert((f and 1 or 2) == 2)
assert((n and 1 or 2) == 2)
assert((nil or false) == false)
assert((false or nil) == nil)
assert((1 and nil) == nil)
assert((t and f) == false)
assert((not t or f) == false)
assert((not (t and f)) == true)
assert((1 == 1) == true and (1 ~= 1) == false)
local x = 5
local b = x > 3 and x < 10
assert(b == true)
b = x > 3 and x > 10
assert(b == false)
b = not (x > 3)
assert(b == false)
b = not not x
assert(b == true)
assert((x == 5 or error("not evaluated")) == true)
local c = (x == 4) or (x == 5) and "five"
assert(c == "five")
local d = nil == false
assert(d == false)
if not nil then x = x + 1 end
assert(x == 6)
if nil then error("never") elseif false then error("never") else x = x + 1 end
assert(x == 7)
while false do error("never") end
repeat x = x + 1 until 1
assert(x == 8)

-- Constants as operands, on both sides.
local k = 2
assert(1 + k == 3 and k + 1 == 3 and 10 - k == 8 and k * 3 == 6 and 8 / k == 4)
assert(("a" .. k) == "a2" and (k .. "b") == "2b")
assert(-(-k) == 2 and -(3) == -3 and - -3 == 3)
assert(2 ^ -1 == 0.5)

-- Large constructors flush in blocks; an open call at the end passes all its results.
local function three() return 1, 2, 3 end
local big = {}
for i = 1, 100 do big[i] = i end
local lit = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20,
             21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40,
             41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60,
             61, 62, 63, 64, 65, 66, 67, 68, 69, 70, three()}
assert(lit[32] == 32 and lit[33] == 33 and lit[64] == 64 and lit[70] == 70)
assert(lit[71] == 1 and lit[73] == 3 and lit[74] == nil)
local mixed = {x = 1, 10, y = 2, 20, [3] = "three?", 30}
assert(mixed[1] == 10 and mixed[2] == 20 and mixed[3] == 30 and mixed.x == 1 and mixed.y == 2)
local nested = {{1, {2, {3}}}, k = {v = {w = "deep"}}}
assert(nested[1][2][2][1] == 3 and nested.k.v.w == "deep")
local keyed = {[1 + 1] = "two", ["a" .. "b"] = "ab", [L"w"] = "wide", [true] = "yes"}
assert(keyed[2] == "two" and keyed.ab == "ab" and keyed[L"w"] == "wide" and keyed[true] == "yes")

-- Methods, chained calls and calls on call results.
local obj = {n = 0}
function obj:inc(by) self.n = self.n + (by or 1) return self end
obj:inc():inc(2):inc()
assert(obj.n == 4)
local function adder(a) return function(b) return a + b end end
assert(adder(1)(2) == 3)
local s = {f = function() return {g = function() return "g" end} end}
assert(s.f().g() == "g")
assert(tostring(nil) == "nil" and tostring(1 == 1) == "true")

-- Many values and registers at once.
local a1, a2, a3, a4, a5, a6, a7, a8, a9, a10 = 1, 2, 3, 4, 5, 6, 7, 8, 9, 10
assert(a1 + a2 + a3 + a4 + a5 + a6 + a7 + a8 + a9 + a10 == 55)
assert(((a1 + a2) * (a3 + a4) - (a5 * a6)) / (a7 + a8 - a9 - a10 + 8) == -9 / 4)
assert(a1 .. a2 .. a3 .. a4 .. a5 == "12345")
assert((a10 & 6 | a1 << 4) == 48)    -- ((10 & 6) | 1) << 4

-- Tail calls do not grow the stack.
local function loop(i) if i == 0 then return "done" end return loop(i - 1) end
assert(loop(100000) == "done")
print("expressions ok")
