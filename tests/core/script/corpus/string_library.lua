-- The string library: methods on strings, patterns, format with the B, b? and Q conversions,
-- lualex, pack and unpack.
local function check(got, expected, what)
  if got ~= expected then
    error(what .. ": expected " .. tostring(expected) .. ", got " .. tostring(got), 2)
  end
end
local function bytes(s)
  local t = {}
  for i = 1, string.len(s) do t[i] = string.byte(s, i) end
  return table.concat(t, " ")
end

check(("abc"):upper(), "ABC", "method upper")
check(("x"):rep(3), "xxx", "rep")
check(string.len("\0a"), 2, "len with zero")
check(string.sub("hello", 2, -2), "ell", "sub")
check(string.sub("hello", -3), "llo", "sub from end")
check(string.char(72, 105), "Hi", "char")
check(string.lower("MiXeD"), "mixed", "lower")

-- patterns
check(string.find("hello world", "o w"), 5, "plain find")
local s, e, cap = string.find("key = value", "(%w+)%s*=")
check(s .. e .. cap, "15key", "find with capture")
check(string.find("a.b", ".", 1, 1), 2, "plain flag")
check(string.find("abc", "^b"), nil, "anchor")
check(string.gsub("hello world", "o", "0"), "hell0 w0rld", "gsub")
check((string.gsub("abc", "(%w)", "<%1>")), "<a><b><c>", "gsub capture")
check((string.gsub("hello", "(l)(l)", "%2%1")), "hello", "gsub swap")
check((string.gsub("abc", "b", function(c) return string.upper(c) end)), "aBc", "gsub function")
check((string.gsub("f(a(b)c)d", "%b()", "")), "fd", "balance")
check((string.gsub("THE (quick) fox", "%f[%a]%a+", "W")), "W (W) W", "frontier")
check((string.gsub("  trim  ", "^%s*(.-)%s*$", "%1")), "trim", "trim")
local words = {}
for w in string.gfind("one two three", "%a+") do table.insert(words, w) end
check(table.concat(words, ","), "one,two,three", "gfind")
check(string.find("[x]", "[]]"), 3, "set starting with ]")
check(string.find("x", "()"), 1, "position capture")
for _, case in ipairs({
  {"%", "malformed pattern (ends with `%')"},
  {"[a", "malformed pattern (missing `]')"},
  {"(()", "unfinished capture"},
  {"%1", "invalid capture index"},
  {"%a)", "invalid pattern capture"},
  {"%b", "unbalanced pattern"},
  {"%fa", "missing `[' after `%f' in pattern"},
}) do
  local ok, msg = pcall(string.find, "abc", case[1])
  check(ok, false, "pattern error " .. case[1])
  check(string.find(msg, case[2], 1, 1) ~= nil, true, "message " .. msg)
end

-- format
check(string.format("%5.2f|%-4d|%x|%X", 3.14159, 7, 255, 255), " 3.14|7   |ff|FF", "format numbers")
check(string.format("%B %B", true, nil), "true false", "format B")
check(bytes(string.format("%bw%bb", 258, 65)), "2 1 65", "format b")
check(string.format("%bz", 1), "", "format b other letter")
check(string.format("%x", -1), "ffffffff", "format x of -1")
check(string.format("%x", 4294967295), "ffffffff", "format x of 2^32-1")
check(string.format("%Q", "a\"\1"), "\"a\\\"\\x01\"", "format Q")
check(string.format("%Q", "tab\there"), "\"tab\\there\"", "format Q escape")
check(string.format("%q", "a\nb\"c"), "\"a\\\nb\\\"c\"", "format q")
check(string.format("%s|%5s", "ab", "cd"), "ab|   cd", "format s")
check(string.format("%d%%", 50), "50%", "percent")
check(pcall(string.format, "%5B", 1), false, "B with a number")
check(pcall(string.format, "%y", 1), false, "unknown option")
check(loadstring("return " .. string.format("%Q", "q\"\\\255"))(), "q\"\\\255", "Q reads back")

-- lualex
check(string.lualex("a\\tb", 0), "a\tb", "lualex tab")
check(string.lualex("\\65\\66", 0), "AB", "lualex decimal")
check(string.lualex("\\xZ", 0), "xZ", "lualex x without digits")
check(string.lualex("\\q", 0), "q", "lualex other")
check(bytes(string.lualex("\\x41", 0)), "65", "lualex narrow x")
check(bytes(string.lualex("A\\x263a", 1)), "65 0 58 38", "lualex wide")
check(pcall(string.lualex, "abc"), false, "lualex without w")

-- pack and unpack
check(bytes(string.pack("<H", 258)), "2 1", "pack <H")
check(bytes(string.pack(">H", 258)), "1 2", "pack >H")
check(bytes(string.pack("b", 2.9)) .. "/" .. bytes(string.pack("b", -1.5)), "2/255", "pack b")
local pos, u = string.unpack("\255", "b")
local _, c = string.unpack("\255", "c")
check(pos .. " " .. u .. " " .. c, "2 255 -1", "unpack b and c")
check(bytes(string.pack("@8:32A@", "ab")), "97 98 32 32 32 32 32 32", "padded block")
local p, a1, a2, a3 = string.unpack("\1\0\2\0\3", "H3")
check(p .. " " .. a1 .. " " .. a2 .. " " .. tostring(a3), "5 1 2 nil", "unpack stops at the end")
check(string.unpack("ab", "A3"), 1, "A3 of two bytes")
local packed = string.pack("zpiBd", "name", "xy", -5, true, 0.5)
local q, name, xy, i, flag, d = string.unpack(packed, "zpiBd")
check(q .. name .. xy .. i .. tostring(flag) .. d, "22namexy-5true0.5", "round trip")
local ok, msg = pcall(string.pack, "q", 1)
check(string.find(msg, "bad code `q'", 1, 1) ~= nil, true, "bad code")
print("string library ok")
