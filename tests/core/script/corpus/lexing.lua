-- Lexing: numerals (hexadecimal included), escapes, long strings, comments, reserved words.
assert(0x1F == 31)
assert(0xff == 255 and 0xFF == 255 and 0xfF == 255)
assert(0xffffffff == 4294967295)
assert(0x0 == 0 and 0x00000001 == 1)
assert(0x7fffffff + 1 == 2147483648)
assert(0x10 * 2 == 32)
-- a ninth hexadecimal digit starts a second numeral, which is a call argument error
assert(loadstring("x = 0x123456789") == nil)
assert(007 == 7 and 1e2 == 100 and .5 == 0.5 and 3. == 3 and 2E-1 == 0.2)

assert("\x41" == "A")
assert("\x4" == "\4")
assert("\x414" == "A4")
assert("\xg" == "xg")
assert("\x" == "x")
assert("\65\066\0677" == "ABC7")
assert("\97\98" == 'ab')
assert("\a\b\f\n\r\t\v" == "\7\8\12\10\13\9\11")
assert("\\\"\'" == [[\"']])
assert("a\
b" == "a\nb")
assert([[
first]] == "first")
assert([[a[[b]]c]] == "a[[b]]c")
--[[ a long
comment ]] assert(true)
--[ a short comment after all
assert(true) -- trailing

local L1, Lx, Lua = 1, 2, 3
assert(L1 + Lx + Lua == 6)
L = "name L"
assert(L == "name L")
-- L followed by an apostrophe is the name L called with a string
local ok = pcall(function() return L'ab' end)
assert(not ok)

assert(loadstring("continue = 1") == nil)
assert(loadstring("local continue") == nil)

local n = 0
n = n + 1; n = n + 1; n = n + 1
assert(n == 3)
-- Source text that starts with FF FE is read as 16-bit units.
local f = loadstring("\255\254r\0e\0t\0u\0r\0n\0 \0001\0")
assert(f() == 1)
assert(loadstring("r\0e\0t\0u\0r\0n\0 \0001\0") == nil)  -- the same without the mark
f = loadstring("\255\254r\0e\0t\0u\0r\0n\0 \0L\0\"\0\58\38\"\0,\0 \0\"\0\58\38\"\0")
local w, n = f()
assert(w == L"\x263A" and n == ":")  -- a narrow literal keeps the low byte
f = loadstring("\255\254r\0e\0t\0u\0r\0n\0 \0x\0\41")  -- an odd last byte ends the input
assert(f ~= nil)
print("lexing ok")
