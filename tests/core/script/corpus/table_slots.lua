-- Stores into slots that exist but hold nil (array slots, cleared keys) behave as stores into
-- absent keys: "__newindex" is asked and the sizes follow. The library's sizes, plain finds
-- and tables and strings of several megabytes.

-- "__newindex" sees array slots and cleared keys that hold nil.
local seen = {}
local mt = {__newindex = function(t, k, v) seen[k] = v rawset(t, k, v) end}
local t = setmetatable({1, 2, 3}, mt)
t[2] = nil
t[2] = 20
t.x = 1
t.x = nil
t.x = 10
t.x = 11
assert(seen[2] == 20 and seen.x == 10 and t[2] == 20 and t.x == 11)
seen.x = nil
t[1] = 5
assert(seen[1] == nil and t[1] == 5)

-- A table its own metatable: the cleared "__newindex" key takes a function as a plain store.
local self = {}
self.__newindex = 1
self.__newindex = nil
setmetatable(self, self)
self.__newindex = function(t, k, v) rawset(t, k, "via " .. v) end
self.y = "y"
assert(self.y == "via y")

-- Sizes after clearing and refilling, in the array part and in the hash part.
local a = {}
for i = 1, 10 do a[i] = i end
for i = 1, 10 do a[i] = nil end
assert(table.getn(a) == 0)
for i = 1, 5 do a[i] = i end
assert(table.getn(a) == 5)
local h = {}
h[100] = 1
h[100] = nil
assert(table.getn(h) == 0)
h[100] = 2
assert(table.getn(h) == 100)

-- Recorded sizes of several tables, looked up in turn, and dropped with their tables.
local s1, s2, s3 = {}, {}, {n = 1}
table.setn(s1, 5)
table.setn(s2, 7)
table.setn(s3, 9)
assert(table.getn(s1) == 5 and table.getn(s2) == 7 and table.getn(s3) == 9 and s3.n == 9)
table.insert(s1, "a")
table.insert(s2, "b")
assert(table.getn(s1) == 6 and s1[6] == "a" and table.getn(s2) == 8 and s2[8] == "b")
assert(table.remove(s1) == "a" and table.getn(s1) == 5)
for round = 1, 20 do
  local tmp = {}
  table.setn(tmp, round)
  assert(table.getn(tmp) == round)
  collectgarbage()
end
assert(table.getn(s1) == 5 and table.getn(s2) == 8)
local back = {}
for i = 1000, 1, -1 do back[i] = i end
for i = 1, 500 do table.insert(back, i) end
assert(table.getn(back) == 1500 and back[1500] == 500 and back[1001] == 1)

-- Plain finds: candidates that fail late, overlaps, the last place, nothing.
assert(string.find("aaab", "aab") == 2)
assert(string.find("abababc", "ababc", 1, 1) == 3)
assert(string.find("xxxx.y", ".y", 1, 1) == 5)
assert(string.find("abc", "abcd") == nil)
assert(string.find("abcabc", "c", 4) == 6)
assert(string.find("abc", "c", 4) == nil)
local long = string.rep("ab", 50000) .. "abc"
assert(string.find(long, "abc") == 100001)
assert(string.find(long, "b", 100000) == 100000)

-- Tables and strings of several megabytes grow, shrink and go.
local big = {}
for i = 1, 600000 do big[i] = i end
assert(table.getn(big) == 600000 and big[600000] == 600000)
for i = 1, 600000 do big[i] = nil end
big.k = 1  -- a rehash moves the empty array part out
for i = 1, 20 do big[i] = i end
assert(table.getn(big) == 20 and big.k == 1)
big = nil
collectgarbage()
local text = string.rep("x", 5 * 1024 * 1024) .. "y"
assert(string.len(text) == 5 * 1024 * 1024 + 1 and string.find(text, "y", 1, 1) == 5 * 1024 * 1024 + 1)
local parts = {}
for i = 1, 3 do parts[i] = text end
assert(string.len(table.concat(parts)) == 3 * string.len(text))
text, parts = nil, nil
collectgarbage()
print("table slots ok")
