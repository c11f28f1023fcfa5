// Lexer of script source text: turns a byte or 16-bit (FF FE) input stream into tokens for
// the parser, with the reserved words, wide-string literals, hexadecimal numerals and the
// shift tokens of this dialect.
#pragma once

#include <string>

#include "core/script/object.h"
#include "core/script/stream.h"

// Token codes from 257 on; single characters are their own codes. The order is that of
// luaX_tokens and is fixed: messages print tokens by it and reserved words map onto it.
enum RESERVED {
  FIRST_RESERVED = 257,
  TK_AND = FIRST_RESERVED, TK_BREAK, TK_CONTINUE, TK_DO, TK_ELSE, TK_ELSEIF, TK_END, TK_FALSE,
  TK_FOR, TK_FUNCTION, TK_IF, TK_IN, TK_LOCAL, TK_NIL, TK_NOT, TK_OR, TK_REPEAT, TK_RETURN,
  TK_THEN, TK_TRUE, TK_UNTIL, TK_WHILE,
  TK_NAME, TK_CONCAT, TK_DOTS, TK_EQ, TK_GE, TK_LE, TK_NE, TK_NUMBER, TK_STRING, TK_WSTRING,
  TK_SHL, TK_SHR, TK_EOS
};

constexpr int NUM_RESERVED = TK_WHILE - FIRST_RESERVED + 1;  // 22

extern const char* const luaX_tokens[];

// Semantic value: the number of a numeral, the interned string of a name or string literal,
// the interned wide string (a TString tagged LUA_TWSTRING) of a wide literal.
union SemInfo {
  lua_Number r;
  TString* ts;
};

struct Token {
  int token;
  SemInfo seminfo;
};

struct FuncState;

struct LexState {
  int current;      // current character (0..65535) or EOZ
  int linenumber;   // input line counter
  int lastline;     // line of the last token consumed
  Token t;          // current token
  Token lookahead;  // look-ahead token (TK_EOS when none)
  FuncState* fs;    // function being compiled
  lua_State* L;
  ZIO* z;
  std::string buff;  // text of the token being read (numerals, strings) for messages
  TString* source;   // chunk name
  int nestlevel;     // nested syntax levels
};

// Interns the reserved words, fixes them against collection and numbers them (1 to 22).
// Called once when a state opens.
void luaX_init(lua_State* L);
void luaX_setinput(lua_State* L, LexState* ls, ZIO* z, TString* source);
void luaX_next(LexState* ls);
void luaX_lookahead(LexState* ls);
[[noreturn]] void luaX_syntaxerror(LexState* ls, const char* msg);
// Raises "%s:%d: %s near `%s'" with the given token text.
[[noreturn]] void luaX_error(LexState* ls, const char* msg, const char* token);
void luaX_checklimit(LexState* ls, int val, int limit, const char* msg);
// Printable text of a token code ("%c" below 257, else the token-name table); the result
// lives on the state's stack or in static storage.
const char* luaX_token2str(LexState* ls, int token);
