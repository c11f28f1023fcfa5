// Precompiled chunks: dump and reload round trips, the wide-string constant layout, and the
// loader's header, structure and code checks with their messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/script/opcodes.h"
#include "tests/core/script/script_test_support.h"

using script_test::Dump;
using script_test::Load;
using script_test::RunCode;
using script_test::State;
using script_test::Units;

namespace {

// Writes chunks by hand, in either byte order.
class ChunkBuilder {
 public:
  explicit ChunkBuilder(bool big_endian = false) : big_(big_endian) {}

  ChunkBuilder &Header() {
    out_ += "\x1bLua";
    Byte(0x50);
    Byte(big_ ? 0 : 1);
    for (int b : {4, 4, 4, 6, 8, 9, 9, 8}) Byte(b);
    Number(3.14159265358979323846e7);
    return *this;
  }
  ChunkBuilder &Byte(int b) {
    out_.push_back(static_cast<char>(b));
    return *this;
  }
  ChunkBuilder &Raw(uint64_t v, int size) {
    for (int i = 0; i < size; i++) {
      int shift = big_ ? (size - 1 - i) * 8 : i * 8;
      out_.push_back(static_cast<char>((v >> shift) & 0xFF));
    }
    return *this;
  }
  ChunkBuilder &Int(int32_t v) { return Raw(static_cast<uint32_t>(v), 4); }
  ChunkBuilder &Number(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    return Raw(bits, 8);
  }
  ChunkBuilder &String(const char *s) {
    if (!s) return Int(0);
    Int(static_cast<int32_t>(std::strlen(s) + 1));
    out_.append(s, std::strlen(s) + 1);
    return *this;
  }
  ChunkBuilder &WString(const std::u16string &s) {
    Int(static_cast<int32_t>(s.size() + 1));
    for (char16_t u : s) Raw(u, 2);
    return Raw(0, 2);
  }
  // A function record's fixed part: source, line, nups, params, vararg, stack.
  ChunkBuilder &FunctionStart(const char *source, int nups = 0, int maxstack = 2) {
    String(source);
    Int(0);
    Byte(nups);
    Byte(0);
    Byte(0);
    Byte(maxstack);
    return *this;
  }
  ChunkBuilder &NoDebug() { return Int(0).Int(0).Int(0); }  // lines, locals, upvalue names
  ChunkBuilder &Code(std::initializer_list<Instruction> code) {
    Int(static_cast<int32_t>(code.size()));
    for (Instruction i : code) Raw(i, 4);
    return *this;
  }
  const std::string &str() const { return out_; }

 private:
  bool big_;
  std::string out_;
};

std::string LoadError(const std::string &bytes, const char *name = "=test") {
  State L;
  int status = Load(L, bytes, name);
  if (status == 0) return "(loaded)";
  EXPECT_EQ(status, LUA_ERRRUN);
  return lua_tostring(L, -1);
}

std::string ValidChunk() {
  State L;
  EXPECT_EQ(Load(L, "local a = 1 return a + 2, 'x', L\"y\""), 0);
  return Dump(L);
}

TEST(ScriptChunk, RoundTripRunsAndDumpsTheSameBytes) {
  State L;
  const char *code =
      "local t = {} "
      "local function add(a, b) return a + b end "
      "for i = 1, 5 do t[i] = add(i, 0.5) end "
      "local w = L\"w\\x263A\" .. 7 "
      "return t[5], 5 & 3, 2 << 3, w, 'plain'";
  ASSERT_EQ(Load(L, code, "@round.lua"), 0);
  std::string first = Dump(L);
  ASSERT_EQ(Load(L, first, "=again"), 0);
  std::string second = Dump(L);
  EXPECT_EQ(first, second);
  ASSERT_EQ(lua_pcall(L, 0, 5, 0), 0);
  EXPECT_EQ(lua_tonumber(L, 1 + 1), 5.5);
  EXPECT_EQ(lua_tonumber(L, 3), 1);
  EXPECT_EQ(lua_tonumber(L, 4), 16);
  EXPECT_EQ(Units(L, 5), std::u16string(u"w\u263A7"));
  EXPECT_STREQ(lua_tostring(L, 6), "plain");
}

TEST(ScriptChunk, WideStringConstantLayout) {
  State L;
  ASSERT_EQ(Load(L, "return L\"ab\""), 0);
  std::string bytes = Dump(L);
  const std::string expected("\x09\x03\x00\x00\x00\x61\x00\x62\x00\x00\x00", 11);
  EXPECT_NE(bytes.find(expected), std::string::npos);
  // A string and a wide string with the same text are two constants.
  ASSERT_EQ(Load(L, "return 'ab', L\"ab\", L\"ab\""), 0);
  bytes = Dump(L);
  EXPECT_NE(bytes.find(expected), std::string::npos);
  EXPECT_EQ(bytes.find(expected), bytes.rfind(expected));
}

TEST(ScriptChunk, BigEndianChunksSwapTheirValues) {
  ChunkBuilder b(true);
  b.Header().FunctionStart("=big").NoDebug();
  b.Int(2).Byte(LUA_TWSTRING).WString(u"\u263Ab").Byte(LUA_TNUMBER).Number(2.5).Int(0);
  b.Code({CREATE_ABx(OP_LOADK, 0, 0), CREATE_ABx(OP_LOADK, 1, 1), CREATE_ABC(OP_RETURN, 0, 3, 0)});
  State L;
  ASSERT_EQ(Load(L, b.str()), 0) << lua_tostring(L, -1);
  ASSERT_EQ(lua_pcall(L, 0, 2, 0), 0);
  EXPECT_EQ(Units(L, 1), std::u16string(u"\u263Ab"));
  EXPECT_EQ(lua_tonumber(L, 2), 2.5);
}

TEST(ScriptChunk, HeaderChecks) {
  const std::string good = ValidChunk();
  struct Case {
    size_t offset;
    char value;
    const char *message;
  } cases[] = {
      {1, 'X', "bad signature in test"},
      {4, 0x51, "test too new: read version 5.1; expected at most 5.0"},
      {4, 0x40, "test too old: read version 4.0; expected at least 5.0"},
      {6, 8, "virtual machine mismatch in test: size of int is 4 but read 8"},
      {7, 8, "virtual machine mismatch in test: size of size_t is 4 but read 8"},
      {8, 2, "virtual machine mismatch in test: size of Instruction is 4 but read 2"},
      {9, 7, "virtual machine mismatch in test: size of OP is 6 but read 7"},
      {10, 9, "virtual machine mismatch in test: size of A is 8 but read 9"},
      {11, 8, "virtual machine mismatch in test: size of B is 9 but read 8"},
      {12, 8, "virtual machine mismatch in test: size of C is 9 but read 8"},
      {13, 4, "virtual machine mismatch in test: size of number is 8 but read 4"},
      {21, 0x40, "unknown number format in test"},
  };
  for (const Case &c : cases) {
    std::string bad = good;
    bad[c.offset] = c.value;
    EXPECT_EQ(LoadError(bad), c.message) << c.offset;
  }
  EXPECT_EQ(LoadError(good.substr(0, good.size() - 3)), "unexpected end of file in test");
  EXPECT_EQ(LoadError(good.substr(0, 2)), "unexpected end of file in test");
}

TEST(ScriptChunk, MessagesNameTheChunk) {
  std::string bad = ValidChunk();
  bad[4] = 0x51;
  EXPECT_EQ(LoadError(bad, "@dir/file.luc"), "dir/file.luc too new: read version 5.1; expected at most 5.0");
  EXPECT_EQ(LoadError(bad, "=named"), "named too new: read version 5.1; expected at most 5.0");
  EXPECT_EQ(LoadError(bad, "\x1bLua"), "binary string too new: read version 5.1; expected at most 5.0");
  EXPECT_EQ(LoadError(bad, "plain"), "plain too new: read version 5.1; expected at most 5.0");
}

TEST(ScriptChunk, StructureChecks) {
  const Instruction ret = CREATE_ABC(OP_RETURN, 0, 1, 0);
  {  // constant tags other than nil, number, string and wide string
    for (int tag : {1, 2, 5, 6, 10}) {
      ChunkBuilder b;
      b.Header().FunctionStart("=c").NoDebug().Int(1).Byte(tag).Int(0).Code({ret});
      EXPECT_EQ(LoadError(b.str()), "bad constant type (" + std::to_string(tag) + ") in test");
    }
  }
  {  // negative int
    ChunkBuilder b;
    b.Header().FunctionStart("=c").Int(-1);
    EXPECT_EQ(LoadError(b.str()), "bad integer in test");
  }
  {  // upvalue names neither 0 nor the upvalue count
    ChunkBuilder b;
    b.Header().FunctionStart("=c", 0).Int(0).Int(0).Int(1).String("u");
    EXPECT_EQ(LoadError(b.str()), "bad nupvalues in test: read 1; expected 0");
  }
  {  // a sound hand-made function loads
    ChunkBuilder b;
    b.Header().FunctionStart("=c").NoDebug().Int(0).Int(0).Code({ret});
    EXPECT_EQ(LoadError(b.str()), "(loaded)");
  }
}

TEST(ScriptChunk, CodeChecks) {
  const Instruction ret = CREATE_ABC(OP_RETURN, 0, 1, 0);
  struct Case {
    const char *what;
    std::initializer_list<Instruction> code;
    int maxstack;
    bool ok;
  } cases[] = {
      {"plain return", {ret}, 2, true},
      {"no final return", {CREATE_ABC(OP_MOVE, 0, 1, 0)}, 2, false},
      {"register beyond the stack", {CREATE_ABC(OP_MOVE, 5, 0, 0), ret}, 2, false},
      {"constant beyond the table", {CREATE_ABx(OP_LOADK, 0, 3), ret}, 2, false},
      {"opcode out of range", {static_cast<Instruction>(45), ret}, 2, false},
      {"jump outside", {CREATE_AsBx(OP_JMP, 0, 5), ret}, 2, false},
      {"jump backwards outside", {CREATE_AsBx(OP_JMP, 0, -3), ret}, 2, false},
      {"test without jump", {CREATE_ABC(OP_EQ, 0, 0, 1), CREATE_ABC(OP_MOVE, 0, 1, 0), ret}, 2, false},
      {"test with jump", {CREATE_ABC(OP_EQ, 0, 0, 1), CREATE_AsBx(OP_JMP, 0, 0), ret}, 2, true},
      {"bit operator with registers", {CREATE_ABC(OP_BAND, 0, 0, 1), ret}, 2, true},
      {"bit operator reading outside", {CREATE_ABC(OP_SHL, 0, 0, 7), ret}, 2, false},
      {"concat needs two operands", {CREATE_ABC(OP_CONCAT, 0, 1, 1), ret}, 2, false},
      {"upvalue that does not exist", {CREATE_ABC(OP_GETUPVAL, 0, 0, 0), ret}, 2, false},
      {"closure of a missing prototype", {CREATE_ABx(OP_CLOSURE, 0, 0), ret}, 2, false},
      {"call with an open count and no open call", {CREATE_ABC(OP_CALL, 0, 0, 1), ret}, 2, false},
      {"return with an open count and no open call", {CREATE_ABC(OP_RETURN, 0, 0, 0), ret}, 2, false},
      {"open return after an open call",
       {CREATE_ABC(OP_CALL, 0, 1, 0), CREATE_ABC(OP_RETURN, 0, 0, 0), ret}, 2, true},
      {"open return below the call's results",
       {CREATE_ABC(OP_CALL, 0, 1, 0), CREATE_ABC(OP_RETURN, 1, 0, 0), ret}, 2, false},
      {"setlist beyond the stack", {CREATE_ABx(OP_SETLIST, 0, 5), ret}, 2, false},
      {"tforloop beyond the stack", {CREATE_ABC(OP_TFORLOOP, 0, 0, 0), CREATE_AsBx(OP_JMP, 0, 0), ret}, 5, false},
      {"forloop beyond the stack", {CREATE_AsBx(OP_FORLOOP, 0, 0), ret}, 2, false},
      {"loadbool skipping the end", {CREATE_ABC(OP_LOADBOOL, 0, 1, 1), ret}, 2, false},
      {"loadbool with C 2 skipping the end", {CREATE_ABC(OP_LOADBOOL, 0, 1, 2), ret}, 2, false},
      {"loadbool skipping inside", {CREATE_ABC(OP_LOADBOOL, 0, 1, 3), ret, ret}, 2, true},
  };
  for (const Case &c : cases) {
    ChunkBuilder b;
    b.Header().FunctionStart("=c", 0, c.maxstack).NoDebug().Int(1).Byte(LUA_TNUMBER).Number(1).Int(0);
    b.Code(c.code);
    EXPECT_EQ(LoadError(b.str()), c.ok ? "(loaded)" : "bad code in test") << c.what;
  }
}

TEST(ScriptChunk, HostileSizesFailWithoutHugeAllocations) {
  for (int32_t n : {0x7FFFFFF0, 0x40000000}) {
    ChunkBuilder code;
    code.Header().FunctionStart("=c").Int(0).Int(0).Int(0).Int(0).Int(0).Int(n);
    EXPECT_EQ(LoadError(code.str()), "unexpected end of file in test");
    ChunkBuilder str;
    str.Header().Int(n);  // a source string of that size
    EXPECT_EQ(LoadError(str.str()), "unexpected end of file in test");
    ChunkBuilder locals;
    locals.Header().FunctionStart("=c").Int(0).Int(n);
    EXPECT_EQ(LoadError(locals.str()), "unexpected end of file in test");
  }
}

TEST(ScriptChunk, AbsentNamesAndDeepNestingAreRefused) {
  const Instruction ret = CREATE_ABC(OP_RETURN, 0, 1, 0);
  {
    ChunkBuilder b;  // a string constant without a string
    b.Header().FunctionStart("=c").NoDebug().Int(1).Byte(LUA_TSTRING).Int(0).Int(0).Code({ret});
    EXPECT_EQ(LoadError(b.str()), "bad code in test");
  }
  {
    ChunkBuilder b;  // a local variable without a name
    b.Header().FunctionStart("=c").Int(0).Int(1).Int(0).Int(0).Int(1);
    EXPECT_EQ(LoadError(b.str()), "bad code in test");
  }
  {
    ChunkBuilder b;  // records nested deeper than the compiler can produce
    b.Header();
    for (int i = 0; i < 300; i++) b.FunctionStart(nullptr).NoDebug().Int(0).Int(1);
    EXPECT_EQ(LoadError(b.str()), "bad code in test");
  }
}

TEST(ScriptChunk, MainFunctionUpvaluesReadNil) {
  ChunkBuilder b;
  b.Header().FunctionStart(nullptr, 1).NoDebug().Int(0).Int(0);
  b.Code({CREATE_ABC(OP_GETUPVAL, 0, 0, 0), CREATE_ABC(OP_RETURN, 0, 2, 0)});
  State L;
  ASSERT_EQ(Load(L, b.str(), "=nameless"), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_type(L, -1), LUA_TNIL);
}

TEST(ScriptChunk, NestedRecordsShareTheParentSource) {
  State L;
  ASSERT_EQ(Load(L, "local function f() error('x') end f()", "@src.lua"), 0);
  std::string bytes = Dump(L);
  EXPECT_EQ(bytes.find("src.lua"), bytes.rfind("src.lua"));  // written once
  ASSERT_EQ(Load(L, bytes, "=other"), 0);
  ASSERT_EQ(lua_pcall(L, 0, 0, 0), LUA_ERRRUN);
  EXPECT_STREQ(lua_tostring(L, -1), "x");
}

TEST(ScriptChunk, PrecompiledChunksAreNeverReadAsWideSource) {
  State L;
  std::string bytes = ValidChunk();
  ASSERT_EQ(Load(L, bytes), 0);
  ASSERT_EQ(lua_pcall(L, 0, 3, 0), 0);
  EXPECT_EQ(lua_tonumber(L, 1), 3);
  // FF FE switches a source chunk to 16-bit units.
  std::string wide("\xFF\xFE", 2);
  for (char c : std::string("return 1")) wide += std::string(1, c) + std::string(1, '\0');
  ASSERT_EQ(Load(L, wide), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 1);
  EXPECT_NE(Load(L, wide.substr(2)), 0);
}

struct ByteReader {
  std::string data;
  size_t at = 0;
  size_t step = 1;
};

const char *ReadInSteps(lua_State *, void *ud, size_t *size) {
  ByteReader *r = static_cast<ByteReader *>(ud);
  if (r->at >= r->data.size()) return nullptr;
  *size = std::min(r->step, r->data.size() - r->at);
  const char *out = r->data.data() + r->at;
  r->at += *size;
  return out;
}

TEST(ScriptChunk, ReadersThatDeliverFewBytesAtATime) {
  std::string wide("\xFF\xFE", 2);
  for (char c : std::string("return 6 * 7")) wide += std::string(1, c) + std::string(1, '\0');
  std::string narrow = "return 6 * 7";
  std::string binary;
  {
    State L;
    ASSERT_EQ(Load(L, narrow), 0);
    binary = Dump(L);
  }
  for (size_t step : {1, 2, 3, 7}) {
    for (const std::string *bytes : {&wide, &narrow, &binary}) {
      State L;
      ByteReader r{*bytes, 0, step};
      ASSERT_EQ(lua_load(L, ReadInSteps, &r, "=steps"), 0) << step << " " << lua_tostring(L, -1);
      ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
      EXPECT_EQ(lua_tonumber(L, -1), 42) << step;
    }
  }
  // A wide source with an odd byte count: the last single byte ends the input.
  State L;
  ByteReader odd{wide + "x", 0, 1};
  ASSERT_EQ(lua_load(L, ReadInSteps, &odd, "=odd"), 0);
  ASSERT_EQ(lua_pcall(L, 0, 1, 0), 0);
  EXPECT_EQ(lua_tonumber(L, -1), 42);
  // One byte only, and nothing at all.
  ByteReader one{"\xFF", 0, 1};
  EXPECT_EQ(lua_load(L, ReadInSteps, &one, "=one"), LUA_ERRSYNTAX);
  ByteReader none{"", 0, 1};
  EXPECT_EQ(lua_load(L, ReadInSteps, &none, "=none"), 0);
}

}  // namespace
