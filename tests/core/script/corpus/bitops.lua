-- Bit operators: 32-bit words of truncated numbers, unsigned results.
assert(5 & 3 == 1)
assert(5 | 3 == 7)
assert(1 << 31 == 2147483648)
assert(1 << 32 == 1)
assert(-1 >> 28 == 15)
assert(-1 & -1 == 4294967295)
assert(2.9 & 7 == 2)
assert(-2.5 | 0 == 4294967294)
assert(1 << -1 == 2147483648)
assert(0xF0F0F0F0 & 0x0FF00FF0 == 0x00F000F0)
assert(0x80000000 >> 31 == 1)
assert(0xffffffff >> 0 == 4294967295)
assert(3 << 30 == 3221225472)
assert(0 | 0 == 0)
assert(1e30 | 0 == 0)              -- outside the 64-bit range
assert((0/0) | 1 == 1)             -- NaN gives 0
assert((4294967296 + 5) | 0 == 5)  -- low 32 bits
local x = 255
x = x & 15 | 16
assert(x == 31)
print(5 & 3, 5 | 3, 1 << 31, -1 >> 28, -1 & -1)
