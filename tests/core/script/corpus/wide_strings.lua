-- Wide strings: their own type, interned, never equal to strings.
assert(type(L"x") == "wstring")
assert(L"x" ~= "x")
assert(L"x" == L"x")
assert(L"" == L"")
local t = {}
t["x"] = 1
t[L"x"] = 2
assert(t["x"] == 1 and t[L"x"] == 2)
local n = 0
for k, v in pairs(t) do n = n + 1 end
assert(n == 2)

assert(L"\x263A" ~= L"\x3A")
assert(L"\x263a" == L"\x263A")
assert(L"\x41" == L"A")
assert(L"\65\066" == L"AB")
assert(L"\x" == L"x")
assert(tostring(L"\x263A") == ":")      -- tostring keeps the low byte of each unit
assert(tostring(L"abc") == "abc")
assert(tostring(L"") == "")

-- Concatenation: numbers convert, strings do not mix with wide strings.
assert(L"a" .. 1 == L"a1")
assert(1 .. L"b" == L"1b")
assert(L"a" .. L"b" .. L"c" == L"abc")
assert(L"x" .. 1.5 .. L"y" == L"x1.5y")
local ok, msg = pcall(function() return "a" .. L"b" end)
assert(not ok and msg == "wide_strings.lua:28: attempt to concatenate a wstring value")
ok, msg = pcall(function() return L"a" .. "b" end)
assert(not ok and msg == "wide_strings.lua:30: attempt to concatenate a wstring value")

-- Arithmetic converts wide numerals.
assert(L"12" + 1 == 13)
assert(-L"0x10" == -16)
assert(L"0x1.8p1" + 0 == 3)
assert(L"5 " + 0 == 5)
assert(L"+" + 0 == 0)
assert(L"0x" + 0 == 0)
assert(L"1e2" * 1 == 100)
assert(L"-2.5" * 2 == -5)
ok, msg = pcall(function() return L" 5" + 1 end)
assert(not ok and msg == "wide_strings.lua:42: attempt to perform arithmetic on a wstring value")
ok, msg = pcall(function() return L"0x10p2" + 0 end)
assert(not ok and msg == "wide_strings.lua:44: attempt to perform arithmetic on a wstring value")

-- Wide strings have no order.
ok, msg = pcall(function() return L"a" < L"b" end)
assert(not ok and msg == "wide_strings.lua:48: attempt to call a table value")

-- A wide literal can be the single argument of a call.
local function id(x) return x end
assert(id L"w" == L"w")
print(L"wide", "narrow")
