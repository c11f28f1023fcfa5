// Lexer: tokens of the dialect (shifts, hexadecimal numerals, escapes, wide literals, the
// reserved word continue), 16-bit source text and the exact lexical error messages.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/script/do.h"
#include "core/script/lexer.h"
#include "core/script/string_table.h"

namespace {

struct LexRun {
  std::string source;
  bool wide;
  std::vector<std::string> tokens;
  bool given;
};

const char* ReadAll(lua_State*, void* ud, size_t* size) {
  auto* run = static_cast<LexRun*>(ud);
  if (run->given) return nullptr;
  run->given = true;
  *size = run->source.size();
  return run->source.data();
}

std::string Describe(const Token& t) {
  char buf[64];
  switch (t.token) {
    case TK_NAME:
      return "name:" + std::string(getstr(t.seminfo.ts));
    case TK_NUMBER:
      snprintf(buf, sizeof buf, "num:%.14g", t.seminfo.r);
      return buf;
    case TK_STRING: {
      std::string s = "str:";
      for (size_t i = 0; i < t.seminfo.ts->len; ++i) {
        unsigned char c = static_cast<unsigned char>(getstr(t.seminfo.ts)[i]);
        if (c >= 32 && c < 127) {
          s += static_cast<char>(c);
        } else {
          snprintf(buf, sizeof buf, "\\%d", c);
          s += buf;
        }
      }
      return s;
    }
    case TK_WSTRING: {
      std::string s = "wstr:";
      for (size_t i = 0; i < t.seminfo.ts->len; ++i) {
        snprintf(buf, sizeof buf, "%s%04X", i ? " " : "", getwstr(t.seminfo.ts)[i]);
        s += buf;
      }
      return s;
    }
    default:
      if (t.token < FIRST_RESERVED) return std::string(1, static_cast<char>(t.token));
      return luaX_tokens[t.token - FIRST_RESERVED];
  }
}

void LexAll(lua_State* L, void* ud) {
  auto* run = static_cast<LexRun*>(ud);
  ZIO z;
  luaZ_init(&z, ReadAll, run, "=lex", L);
  z.wide = run->wide;
  LexState ls;
  luaX_setinput(L, &ls, &z, luaS_new(L, "=lex"));
  for (;;) {
    luaX_next(&ls);
    if (ls.t.token == TK_EOS) break;
    run->tokens.push_back(Describe(ls.t));
  }
}

// The tokens joined by blanks, or "error: " and the message.
std::string Lex(const std::string& source, bool wide = false) {
  lua_State* L = lua_open();
  LexRun run{source, wide, {}, false};
  int status = luaD_rawrunprotected(L, LexAll, &run);
  std::string result;
  if (status != 0) {
    result = "error: " + std::string(svalue(L->top - 1));
  } else {
    for (const std::string& t : run.tokens) result += (result.empty() ? "" : " ") + t;
  }
  lua_close(L);
  return result;
}

// Each character of the text as one little-endian 16-bit unit, with extra units appended.
std::string Utf16(const std::string& text, std::vector<uint16_t> extra = {}) {
  std::string out;
  for (unsigned char c : text) {
    out += static_cast<char>(c);
    out += '\0';
  }
  for (uint16_t u : extra) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

struct Case {
  const char* source;
  const char* tokens;
};

TEST(LexerTest, TokensOfTheDialect) {
  const Case cases[] = {
    {"a<<2", "name:a << num:2"},
    {"a< <2", "name:a < < num:2"},
    {"a >> b >= c <= d", "name:a >> name:b >= name:c <= name:d"},
    {"a & b | c", "name:a & name:b | name:c"},
    {"0x1F", "num:31"},
    {"0xffffffff", "num:4294967295"},
    {"0xABCDEF12", "num:2882400018"},
    {"0x123456789", "num:305419896 num:9"},
    {"0X1F", "num:0 name:X1F"},
    {"0xg", "num:0 name:g"},
    {"0x", "num:0"},
    {"007 1e2 .5 3.25 2E-1", "num:7 num:100 num:0.5 num:3.25 num:0.2"},
    {"a..b...c", "name:a .. name:b ... name:c"},
    {"1.5.3", "num:1.5 num:0.3"},
    {"continue break", "continue break"},
    {"Lx L1 Lua L", "name:Lx name:L1 name:Lua name:L"},
    {"L\"ab\"", "wstr:0061 0062"},
    {"L 'ab'", "name:L str:ab"},
    {"L'ab'", "name:L str:ab"},
    {"$ ? @ \x80", "$ ? @ \x80"},
    {"\"\\x41\" \"\\x4\" \"\\xg\" \"\\x414\"", "str:A str:\\4 str:xg str:A4"},
    {"L\"\\x263A\" L\"\\x263a9\" L\"\\x\"", "wstr:263A wstr:263A 0039 wstr:0078"},
    {"\"\\65\\066\\0677\" '\\a\\b\\f\\n\\r\\t\\v\\\\\\\"\\''",
     "str:ABC7 str:\\7\\8\\12\\10\\13\\9\\11\\\"'"},
    {"\"a\\\nb\"", "str:a\\10b"},
    {"L\"\\255\\1\"", "wstr:00FF 0001"},
    {"[[a[[b]]c]] [[\nx]]", "str:a[[b]]c str:x"},
    {"--[[ long\ncomment ]] x -- short\ny", "name:x name:y"},
    {"--[ not long\nz", "name:z"},
    {"#!/bin/script\nx", "name:x"},
    {"x\r\n\ty\f\v", "name:x name:y"},
  };
  for (const Case& c : cases) EXPECT_EQ(Lex(c.source), c.tokens) << c.source;
}

TEST(LexerTest, ErrorMessages) {
  const Case cases[] = {
    {"x = \"\\256\"", "error: lex:1: escape sequence too large near `\"'"},
    {"x = \"ab\\300\"", "error: lex:1: escape sequence too large near `\"ab'"},
    {"x = \"abc\ny\"", "error: lex:1: unfinished string near `\"abc'"},
    {"x = \"abc", "error: lex:1: unfinished string near `<eof>'"},
    {"x = [[abc", "error: lex:1: unfinished long string near `<eof>'"},
    {"--[[abc\n\n", "error: lex:3: unfinished long comment near `<eof>'"},
    {"x = 1..2", "error: lex:1: ambiguous syntax (decimal point x string concatenation) near `1..'"},
    {"x = 3e", "error: lex:1: malformed number near `3e'"},
    {"x = .5e+", "error: lex:1: malformed number near `.5e+'"},
    {"x = .5.3", "error: lex:1: malformed number near `.5.3'"},
    {"x = .5..y", "error: lex:1: ambiguous syntax (decimal point x string concatenation) near `.5..'"},
    {"\n\nx = \x01", "error: lex:3: invalid control char near `char(1)'"},
    {"x = \x7f", "error: lex:1: invalid control char near `char(127)'"},
    {"x = \xff", "error: lex:1: invalid wide char near `char(255)'"},
  };
  for (const Case& c : cases) EXPECT_EQ(Lex(c.source), c.tokens) << c.source;
}

TEST(LexerTest, WideSourceReadsTwoBytesACharacter) {
  // The same text, read as 16-bit units.
  EXPECT_EQ(Lex(Utf16("a<<0x10"), true), "name:a << num:16");
  // A narrow literal keeps the low byte of each character, a wide one all 16 bits.
  EXPECT_EQ(Lex(Utf16("\"", {0x263A, '"'}), true), "str::");
  EXPECT_EQ(Lex(Utf16("L\"", {0x263A, '"'}), true), "wstr:263A");
  EXPECT_EQ(Lex(Utf16("[[", {0x0141, ']', ']'}), true), "str:A");
  // Characters of 255 and above outside literals are rejected.
  EXPECT_EQ(Lex(Utf16("x = ", {0x0141}), true), "error: lex:1: invalid wide char near `char(321)'");
  // A last lone byte ends the input.
  EXPECT_EQ(Lex(Utf16("ab") + "c", true), "name:ab");
  // Read narrow, the units' zero bytes are control characters.
  EXPECT_EQ(Lex(Utf16("a")), "error: lex:1: invalid control char near `char(0)'");
}

TEST(LexerTest, ReservedWordsAreNumberedFromTheTokenTable) {
  EXPECT_EQ(TK_CONTINUE, 259);
  EXPECT_EQ(TK_NAME, 279);
  EXPECT_EQ(TK_WSTRING, 288);
  EXPECT_EQ(TK_SHL, 289);
  EXPECT_EQ(TK_SHR, 290);
  EXPECT_EQ(TK_EOS, 291);
  EXPECT_STREQ(luaX_tokens[TK_EOS - FIRST_RESERVED], "<eof>");
  lua_State* L = lua_open();
  EXPECT_EQ(luaS_new(L, "continue")->reserved, 3);
  EXPECT_EQ(luaS_new(L, "while")->reserved, 22);
  lua_close(L);
}

}  // namespace
