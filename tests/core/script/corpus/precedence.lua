-- Operator priorities, with the bit operators one level above * and /, below ^.
assert(1 + 2 & 3 == 3)            -- 1 + (2 & 3)
assert((1 + 2) & 3 == 3)
assert(6 | 1 == 7)                -- (6 | 1) == 7
assert(2 * 3 & 1 == 2)            -- 2 * (3 & 1)
assert(6 & 3 * 2 == 4)            -- (6 & 3) * 2
assert(1 + 1 << 2 == 5)           -- 1 + (1 << 2)
assert(5 & 3 | 8 == 9)            -- (5 & 3) | 8, one level, left to right
assert(1 << 2 >> 1 == 2)
assert(-1 & 3 == 3)               -- (-1) & 3
assert(2 ^ 3 & 1 == 0)            -- (2 ^ 3) & 1
assert(2 ^ 2 ^ 3 == 256)          -- right associative
assert(-2 ^ 2 == -4)              -- -(2 ^ 2)
assert("a" .. 1 | 2 == "a3")      -- "a" .. (1 | 2)
assert(1 .. 2 == "12")
assert("x" .. "y" .. "z" == "xyz")
assert(not nil == true)
assert(not 1 == false)
assert(1 < 2 == true)
assert(1 == 1 and 2 == 2)
assert(nil or false == false)
assert((nil and 1) == nil)
assert((false or 2) == 2)
assert(1 or error("not evaluated"))
assert(not (nil and error("not evaluated")))
assert(10 - 2 - 3 == 5 and 64 / 4 / 2 == 8)
assert(2 + 3 * 4 == 14 and (2 + 3) * 4 == 20)
local a, b, c = 12, 10, 6
assert(a & b | c == 14)
assert(a | b & c == 6)            -- left to right: (a | b) & c
assert((a | b) & c == 6)
print("precedence ok")
