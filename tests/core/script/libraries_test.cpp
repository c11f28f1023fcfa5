// Library behaviour seen from native code: luaL_loadfile through the file layer (loose files,
// pack members, memory files, UTF-16 and precompiled chunks), buffers, wide-string conversions,
// print, _ALERT reports, pack/unpack details and string.format's raw bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/base/asset_file_list.h"
#include "core/base/memory_file.h"
#include "core/script/lib_aux.h"
#include "tests/core/base/file_fixture.h"
#include "tests/core/script/script_test_support.h"
#include "tools/kspack/pack_writer.h"

namespace {

class LibraryTest : public FileLayerTest {
 protected:
  void SetUp() override {
    FileLayerTest::SetUp();
    L = lua_open();
    OpenAllLibraries(L);
  }
  void TearDown() override {
    lua_close(L);
    FileLayerTest::TearDown();
  }
  // Loads and runs a file; returns its first result as text, or the error with "error: ".
  std::string RunFile(const char* name) {
    int status = luaL_loadfile(L, name);
    if (status == 0) status = lua_pcall(L, 0, 1, 0);
    std::string r = status ? "error: " : "";
    const char* s = lua_tostring(L, -1);
    r += s ? s : "(nil)";
    lua_settop(L, 0);
    return r;
  }
  std::string Eval(const std::string& expr) {
    std::string error;
    if (script_test::RunCode(L, "return " + expr, &error) != 0) return "error: " + error;
    std::string r;
    if (lua_type(L, -1) == LUA_TSTRING) r.assign(lua_tostring(L, -1), lua_strlen(L, -1));
    else r = lua_typename(L, lua_type(L, -1));
    lua_settop(L, 0);
    return r;
  }
  lua_State* L = nullptr;
};

std::string Utf16(const std::string& text) {
  std::string out("\xFF\xFE", 2);
  for (char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST_F(LibraryTest, LoadFileReadsEveryKindOfFile) {
  Put("assets/loose.lua", "return 'loose'\r\n");
  Put("assets/wide.lua", Utf16("return 'wide'"));
  Put("assets/syntax.lua", "return = 1");

  // A precompiled chunk with carriage returns inside survives (it is reread in binary mode).
  ASSERT_EQ(script_test::Load(L, "return 'a\\r\\nb'"), 0);
  std::string chunk = script_test::Dump(L);
  lua_settop(L, 0);
  Put("assets/pre.luc", chunk);
  BuildFileMap();
  EXPECT_EQ(RunFile("loose.lua"), "loose");
  EXPECT_EQ(RunFile("wide.lua"), "wide");
  EXPECT_EQ(RunFile("pre.luc"), "a\r\nb");

  std::string memory = "return 'memory'";
  RegisterMemoryFile("mem/script.lua", memory.data(), (uint32_t)memory.size());
  EXPECT_EQ(RunFile("mem/script.lua"), "memory");
  RegisterMemoryFile("mem/script.lua", nullptr, 0);

  Put("assets/s.ksp", BuildPack({{"packed/p.lua", "return 'packed'"}, {"packed/pre.luc", chunk}}));
  ASSERT_TRUE(MountPack(TStr("::assets/s.ksp"), GetFileMap()));
  EXPECT_EQ(RunFile("packed/p.lua"), "packed");
  EXPECT_EQ(RunFile("packed/pre.luc"), "a\r\nb");

  std::string missing = RunFile("nowhere.lua");
  EXPECT_EQ(missing.rfind("error: cannot read nowhere.lua: ", 0), 0u) << missing;
  EXPECT_EQ(RunFile("syntax.lua").rfind("error: syntax.lua:1:", 0), 0u);
  EXPECT_EQ(luaL_loadfile(L, "nowhere.lua"), LUA_ERRFILE);
  EXPECT_EQ(lua_gettop(L), 1);  // only the message
  lua_settop(L, 0);
}

TEST_F(LibraryTest, RequireFollowsLuaPath) {
  Put("assets/mods/helper.lua", "loads = (loads or 0) + 1 return 'helper:' .. _REQUIREDNAME");
  BuildFileMap();
  EXPECT_EQ(Eval("(function() LUA_PATH = 'nothing/?;mods/?.lua' return require('helper') end)()"), "helper:helper");
  EXPECT_EQ(Eval("require('helper') .. loads"), "helper:helper1");
  std::string miss = Eval("require('absent')");
  EXPECT_NE(miss.find("could not load package `absent' from path `nothing/?;mods/?.lua'"), std::string::npos) << miss;
}

TEST_F(LibraryTest, WideStringConversions) {
  struct Case {
    const char* expr;
    std::string result;
  } cases[] = {
      {"tostring(L\"A\\x1234\")", std::string("A\x34")},
      {"tostring(towstring('\\233'))", "\xE9"},
      {"string.format('%x', towstring('\\233') == L\"\\xffe9\" and 1 or 0)", "1"},
      {"towstring('') == L\"\" and 'empty' or 'no'", "empty"},
      {"tostring(tonumber(L\"ff\", 16))", "255"},
      {"tostring(tonumber(L\" 7 \", 8))", "7"},
      {"tostring(tonumber(L\"7x\", 8))", "nil"},
      {"type(towstring({}))", "wstring"},
      {"string.sub(tostring(towstring({})), 1, 7)", "table: "},
      {"string.format('%Q', L\"\\x263a\")", "L\"\\x263a\""},
      {"string.format('%Q', 'a\"\\1')", "\"a\\\"\\x01\""},
      {"tostring(towstring(12.5) == L\"12.5\")", "true"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.expr), c.result) << c.expr;
}

TEST_F(LibraryTest, WideBuffersJoinUnits) {
  luaL_Buffer b;
  luaL_wbuffinit(L, &b);
  std::u16string units;
  for (int i = 0; i < 700; i++) units += (char16_t)(0x100 + i);  // more than one buffer load
  luaL_addwlstring(&b, reinterpret_cast<const lua_WChar*>(units.data()), units.size());
  luaL_pushresult(&b);
  ASSERT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_EQ(script_test::Units(L, -1), units);
  lua_settop(L, 0);
  luaL_wbuffinit(L, &b);
  luaL_pushresult(&b);
  EXPECT_EQ(lua_type(L, -1), LUA_TWSTRING);
  EXPECT_EQ(lua_strlen(L, -1), 0u);
  lua_settop(L, 0);
}

TEST_F(LibraryTest, PrintWritesNarrowAndWideTextSeparatedByTabs) {
  testing::internal::CaptureStdout();
  ASSERT_EQ(script_test::RunCode(L, "print('a', L\"b\\x263a\", 1, nil)"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "a\tb\xE2\x98\xBA\t1\tnil\n");
  std::string error;
  EXPECT_NE(script_test::RunCode(L, "tostring = function() return {} end print(1)", &error), 0);
  EXPECT_NE(error.find("`tostring' must return a string to `print'"), std::string::npos);
}

// error() puts the position before any message that converts to a string.
TEST_F(LibraryTest, ErrorAddsThePositionToStringsAndNumbers) {
  struct Case {
    const char* expr;
    const char* result;
  } cases[] = {
      {"({pcall(function() error('x') end)})[2]", "test:1: x"},
      {"({pcall(function() error(42) end)})[2]", "test:1: 42"},
      {"({pcall(function() error(42, 0) end)})[2]", "number"},
      {"({pcall(function() error({}) end)})[2]", "table"},
      {"({pcall(function() error(L\"w\") end)})[2]", "wstring"},
      {"type(({pcall(error, 42)})[2])", "string"},  // level 1 is pcall: no position, still joined
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.expr), c.result) << c.expr;
}

TEST_F(LibraryTest, DoStringReportsThroughAlert) {
  ASSERT_EQ(script_test::RunCode(L, "function _ALERT(m) alerted = m end"), 0);
  EXPECT_EQ(lua_dostring(L, "error('x', 0)"), LUA_ERRRUN);
  EXPECT_EQ(Eval("alerted"), "x");
  EXPECT_EQ(lua_dostring(L, "return = 1"), LUA_ERRSYNTAX);
  EXPECT_NE(Eval("alerted").find("unexpected symbol"), std::string::npos);
  EXPECT_EQ(lua_gettop(L), 0);
}

TEST_F(LibraryTest, TypeTablesAreInTheRegistry) {
  // The base library records the type tables as they are when it opens.
  lua_close(L);
  L = lua_open();
  luaopen_base(L);
  const char* names[] = {"_boolean", "_lightuserdata", "_number", "_string", "_table",
                         "_function", "_userdata", "_thread", "_wstring"};
  for (int tag = 1; tag <= 9; tag++) {
    lua_pushstring(L, names[tag - 1]);
    lua_rawget(L, LUA_REGISTRYINDEX);
    lua_gettypemetatable(L, tag);
    EXPECT_TRUE(lua_rawequal(L, -1, -2)) << names[tag - 1];
    lua_settop(L, 0);
  }
  lua_pushliteral(L, "_nil");
  lua_rawget(L, LUA_REGISTRYINDEX);
  EXPECT_TRUE(lua_isnil(L, -1));
  lua_settop(L, 0);
}

TEST_F(LibraryTest, PackAndUnpackDetails) {
  struct Case {
    const char* expr;
    std::string result;
  } cases[] = {
      {"string.pack('>wz', L\"\\x0102A\")", std::string("\x01\x02\x00\x41\x00\x00", 6)},
      {"string.pack('<wz', L\"\\x0102A\")", std::string("\x02\x01\x41\x00\x00\x00", 6)},
      {"string.pack('>I', -1)", "\xFF\xFF\xFF\xFF"},
      {"string.pack('i', 4294967297)", std::string("\x01\x00\x00\x00", 4)},
      {"string.pack('B2', true, false)", std::string("\x01\x00", 2)},
      {"string.pack('p', 'ab')", "\x02" "ab"},
      {"string.pack('P', 'ab')", std::string("\x02\x00", 2) + "ab"},
      {"string.pack('wp', L\"ab\")", std::string("\x02" "a\0b\0", 5)},
      {"string.pack('w')", ""},
      {"string.pack('@4A@A', 'ab', 'c')", std::string("ab\0\0c", 5)},
      {"string.pack('@2A@', 'abcd')", "abcd"},
      {"tostring(string.unpack(string.pack('>wz', L\"hi\"), '>wz'))", "7"},
  };
  for (const Case& c : cases) EXPECT_EQ(Eval(c.expr), c.result) << c.expr;
  // Round trip of a wide z string and a record with a length-prefixed wide string.
  EXPECT_EQ(Eval("(function() local p, w = string.unpack(string.pack('>wz', L\"h\\x263a\"), '>wz') "
                 "return (w == L\"h\\x263a\") and p .. '' or 'differs' end)()"),
            "7");
  EXPECT_EQ(Eval("(function() local p, w = string.unpack('a\\0b', 'wz') return tostring(w) .. p end)()"),
            "a3");
  // A block of 600 bytes counts across buffer flushes.
  EXPECT_EQ(Eval("tostring(string.len(string.pack('@600:1A@', string.rep('x', 100))))"), "600");
}

}  // namespace
