-- Size hints after "{" preset the hash and array parts; the table behaves as any other.
local t = {&4 &16}
assert(type(t) == "table" and next(t) == nil)
for i = 1, 16 do t[i] = i end
t.a, t.b, t.c, t.d = 1, 2, 3, 4
local n = 0
for k, v in pairs(t) do n = n + 1 end
assert(n == 20)

local h = {&3}
h.x = 1
assert(h.x == 1)

local l = {&2 1, 2, 3}
assert(l[1] == 1 and l[2] == 2 and l[3] == 3 and l[4] == nil)

local r = {&2.9 &0x10; x = 1, y = 2; 5}
assert(r.x == 1 and r.y == 2 and r[1] == 5)

local z = {&0 &0}
assert(next(z) == nil)

-- Hints smaller than the fields change nothing.
local s = {&1 &1 "a", "b", "c", k = 1, j = 2}
assert(s[3] == "c" and s.j == 2)

local ok, msg = loadstring("t = {&}", "=src")
assert(ok == nil and msg == "src:1: size expected following & (line 1) near `}'")
ok, msg = loadstring("t = {&x}", "=src")
assert(ok == nil and msg == "src:1: size expected following & (line 1) near `x'")
print("size hints ok")
