-- continue and numbered break/continue in every kind of loop.
local s = ""
for i = 1, 5 do
  if i == 2 or i == 4 then continue end
  s = s .. i
end
assert(s == "135")

s = ""
local i = 0
while i < 5 do
  i = i + 1
  if i == 3 then continue end
  s = s .. i
end
assert(s == "1245")

-- The until test runs after every continue.
i = 0
repeat
  i = i + 1
  if i < 5 then continue end
until i >= 10
assert(i == 10)

s = ""
for k, v in ipairs({"a", "b", "c", "d"}) do
  if k == 2 then continue 1 end
  s = s .. v
end
assert(s == "acd")

-- continue 2 leaves the inner loop and goes on with the outer one.
s = ""
for i = 1, 3 do
  for j = 1, 3 do
    if j == 2 then continue 2 end
    s = s .. i .. j .. " "
  end
end
assert(s == "11 21 31 ")

-- break 2 leaves both loops; break 1 is break.
s = ""
for i = 1, 3 do
  for j = 1, 3 do
    if i == 2 and j == 2 then break 2 end
    s = s .. i .. j .. " "
  end
end
assert(s == "11 12 13 21 ")

s = ""
for i = 1, 3 do
  for j = 1, 3 do
    if j == 2 then break 1 end
    s = s .. j
  end
end
assert(s == "111")

-- Three levels, through a repeat and a while.
local count = 0
for a = 1, 3 do
  local b = 0
  while b < 2 do
    b = b + 1
    repeat
      count = count + 1
      if count == 3 then continue 3 end
      if count == 5 then break 3 end
    until true
  end
end
assert(count == 5)

-- A do block inside the loop is no loop level.
s = ""
for i = 1, 3 do
  do
    if i == 2 then continue end
  end
  s = s .. i
end
assert(s == "13")

-- The errors are syntax errors.
local function compile(src)
  local f, msg = loadstring(src, "=src")
  return msg
end
assert(compile("while true do break 0 end") == "src:1: loop block number out of range near `end'")
assert(compile("while true do break 101 end") == "src:1: loop block number out of range near `end'")
assert(compile("while true do break 1.5 end") == "src:1: loop block number must be integer near `end'")
assert(compile("for i=1,2 do for j=1,2 do break 3 end end") == "src:1: no loop to break near `end'")
assert(compile("x = 1 continue") == "src:1: no loop to continue near `<eof>'")
assert(compile("while true do continue x = 1 end") == "src:1: `end' expected near `x'")
assert(compile("while true do break 100 end") == "src:1: no loop to break near `end'")
print("continue ok")
