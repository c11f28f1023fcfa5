// Lexer of script source text (narrow bytes or 16-bit little-endian units).
#include "core/script/lexer.h"

#include <cstring>
#include <vector>

#include "core/script/do.h"
#include "core/script/parser.h"
#include "core/script/state.h"
#include "core/script/string_table.h"

const char* const luaX_tokens[] = {
  "and", "break", "continue", "do", "else", "elseif", "end", "false", "for", "function", "if",
  "in", "local", "nil", "not", "or", "repeat", "return", "then", "true", "until", "while",
  "*name", "..", "...", "==", ">=", "<=", "~=", "*number", "*string", "*wstring", "<<", ">>",
  "<eof>", nullptr,
};

namespace {

constexpr int kMaxSourceShown = 80;  // chunk-name length in syntax messages

// Character classes fixed to ASCII: the C library's tests follow the locale.
bool IsAlpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsAlnum(int c) { return IsAlpha(c) || IsDigit(c); }
bool IsSpace(int c) { return (c >= 9 && c <= 13) || c == ' '; }
int HexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// One source character: a byte, or in wide mode a unit of two bytes, low byte first. A unit
// missing either byte ends the input.
void Next(LexState* ls) {
  ZIO* z = ls->z;
  int c = zgetc(z);
  if (z->wide && c != EOZ) {
    int high = zgetc(z);
    c = high == EOZ ? EOZ : (c | (high << 8));
  }
  ls->current = c;
}

void Save(LexState* ls, int c) { ls->buff.push_back(static_cast<char>(c)); }
void SaveAndNext(LexState* ls) {
  Save(ls, ls->current);
  Next(ls);
}

[[noreturn]] void LexError(LexState* ls, const char* msg, int token) {
  if (token == TK_EOS)
    luaX_error(ls, msg, luaX_token2str(ls, token));
  luaX_error(ls, msg, ls->buff.c_str());
}

void IncLineNumber(LexState* ls) {
  Next(ls);  // skip the line feed
  ++ls->linenumber;
  luaX_checklimit(ls, ls->linenumber, MAX_INT, "lines in a chunk");
}

// Long string or comment after "[[", with nested "[[ ... ]]" pairs. The first line feed right
// after the opening brackets is not part of the text.
void ReadLongString(LexState* ls, SemInfo* seminfo) {
  int level = 0;
  ls->buff.clear();
  Save(ls, '[');
  Save(ls, '[');
  Next(ls);  // the second '['
  if (ls->current == '\n') IncLineNumber(ls);
  for (;;) {
    switch (ls->current) {
      case EOZ:
        LexError(ls, seminfo ? "unfinished long string" : "unfinished long comment", TK_EOS);
      case '[':
        SaveAndNext(ls);
        if (ls->current == '[') {
          ++level;
          SaveAndNext(ls);
        }
        continue;
      case ']':
        SaveAndNext(ls);
        if (ls->current == ']') {
          if (level-- == 0) {
            SaveAndNext(ls);
            goto done;
          }
          SaveAndNext(ls);
        }
        continue;
      case '\n':
        Save(ls, '\n');
        IncLineNumber(ls);
        if (!seminfo) ls->buff.clear();  // comments need not keep their text
        continue;
      default:
        if (seminfo) Save(ls, ls->current & 0xFF);
        else ls->buff.clear();
        Next(ls);
    }
  }
done:
  if (seminfo)
    seminfo->ts = luaS_newlstr(ls->L, ls->buff.data() + 2, ls->buff.size() - 4);
}

// Hexadecimal numeral after "0x": up to eight digits, an unsigned 32-bit value.
void ReadHexNumeral(LexState* ls, SemInfo* seminfo) {
  uint32_t value = 0;
  for (int digits = 0; digits < 8; ++digits) {
    int d = HexValue(ls->current);
    if (d < 0) break;
    value = (value << 4) | static_cast<uint32_t>(d);
    SaveAndNext(ls);
  }
  seminfo->r = static_cast<lua_Number>(value);
}

void ReadNumeral(LexState* ls, bool startsWithPoint, SemInfo* seminfo) {
  bool fractional = startsWithPoint;
  ls->buff.clear();
  if (startsWithPoint) {
    Save(ls, '.');
  } else if (ls->current == '0') {
    SaveAndNext(ls);
    if (ls->current == 'x') {
      SaveAndNext(ls);
      ReadHexNumeral(ls, seminfo);
      return;
    }
  }
  while (IsDigit(ls->current)) SaveAndNext(ls);
  if (ls->current == '.') {  // after ".5" this is a second point, and the text is malformed
    fractional = true;
    SaveAndNext(ls);
    if (ls->current == '.') {
      SaveAndNext(ls);
      LexError(ls, "ambiguous syntax (decimal point x string concatenation)", TK_NUMBER);
    }
  }
  while (IsDigit(ls->current)) SaveAndNext(ls);
  if (ls->current == 'e' || ls->current == 'E') {
    fractional = true;
    SaveAndNext(ls);
    if (ls->current == '+' || ls->current == '-') SaveAndNext(ls);
    while (IsDigit(ls->current)) SaveAndNext(ls);
  }
  if (!luaO_str2d(ls->buff.c_str(), &seminfo->r))
    LexError(ls, fractional ? "malformed number" : "malformed integer", TK_NUMBER);
}

// Quoted literal. Narrow literals keep one byte a character (the low byte of a 16-bit source
// character); wide literals keep 16-bit units, which are collected apart from the message text.
void ReadString(LexState* ls, int del, bool wide, SemInfo* seminfo) {
  std::vector<lua_WChar> units;
  ls->buff.clear();
  if (wide) Save(ls, 'L');
  SaveAndNext(ls);  // the opening quote
  auto put = [&](int c) {
    if (wide) units.push_back(static_cast<lua_WChar>(c));
    Save(ls, c & 0xFF);
  };
  while (ls->current != del) {
    switch (ls->current) {
      case EOZ:
        LexError(ls, "unfinished string", TK_EOS);
      case '\n':
        LexError(ls, "unfinished string", wide ? TK_WSTRING : TK_STRING);
      case '\\': {
        Next(ls);  // the backslash
        int c = ls->current;
        switch (c) {
          case 'a': c = '\a'; break;
          case 'b': c = '\b'; break;
          case 'f': c = '\f'; break;
          case 'n': c = '\n'; break;
          case 'r': c = '\r'; break;
          case 't': c = '\t'; break;
          case 'v': c = '\v'; break;
          case '\n':
            put('\n');
            IncLineNumber(ls);
            continue;
          case EOZ:
            continue;  // the loop reports the unfinished string
          case 'x': {
            Next(ls);
            int maxDigits = wide ? 4 : 2;
            int value = 0, digits = 0;
            while (digits < maxDigits && HexValue(ls->current) >= 0) {
              value = (value << 4) | HexValue(ls->current);
              ++digits;
              Next(ls);
            }
            put(digits == 0 ? 'x' : value);
            continue;
          }
          default:
            if (IsDigit(c)) {
              int value = 0, digits = 0;
              do {
                value = 10 * value + (ls->current - '0');
                Next(ls);
              } while (++digits < 3 && IsDigit(ls->current));
              if (value > 255) {
                LexError(ls, "escape sequence too large", wide ? TK_WSTRING : TK_STRING);
              }
              put(value);
              continue;
            }
            break;  // any other character stands for itself
        }
        put(c);
        Next(ls);
        continue;
      }
      default:
        put(ls->current);
        Next(ls);
    }
  }
  SaveAndNext(ls);  // the closing quote
  if (wide) {
    static const lua_WChar kNone = 0;  // L"" has no units, but the copy wants a pointer
    seminfo->ts = luaS_newlwstr(ls->L, units.empty() ? &kNone : units.data(), units.size());
  } else {
    size_t skip = 1;
    seminfo->ts = luaS_newlstr(ls->L, ls->buff.data() + skip, ls->buff.size() - skip - 1);
  }
}

int Lex(LexState* ls, SemInfo* seminfo) {
  for (;;) {
    switch (ls->current) {
      case EOZ:
        return TK_EOS;
      case '\n':
        IncLineNumber(ls);
        continue;
      case '-':
        Next(ls);
        if (ls->current != '-') return '-';
        Next(ls);
        if (ls->current == '[') {
          Next(ls);
          if (ls->current == '[') {
            ReadLongString(ls, nullptr);
            ls->buff.clear();
            continue;
          }
        }
        while (ls->current != '\n' && ls->current != EOZ) Next(ls);
        continue;
      case '[':
        Next(ls);
        if (ls->current != '[') return '[';
        ReadLongString(ls, seminfo);
        return TK_STRING;
      case '=':
        Next(ls);
        if (ls->current != '=') return '=';
        Next(ls);
        return TK_EQ;
      case '<':
        Next(ls);
        if (ls->current == '<') {
          Next(ls);
          return TK_SHL;
        }
        if (ls->current != '=') return '<';
        Next(ls);
        return TK_LE;
      case '>':
        Next(ls);
        if (ls->current == '>') {
          Next(ls);
          return TK_SHR;
        }
        if (ls->current != '=') return '>';
        Next(ls);
        return TK_GE;
      case '~':
        Next(ls);
        if (ls->current != '=') return '~';
        Next(ls);
        return TK_NE;
      case '"':
      case '\'':
        ReadString(ls, ls->current, false, seminfo);
        return TK_STRING;
      case '.':
        Next(ls);
        if (ls->current == '.') {
          Next(ls);
          if (ls->current == '.') {
            Next(ls);
            return TK_DOTS;
          }
          return TK_CONCAT;
        }
        if (!IsDigit(ls->current)) return '.';
        ReadNumeral(ls, true, seminfo);
        return TK_NUMBER;
      default: {
        int c = ls->current;
        if (IsSpace(c)) {
          Next(ls);
          continue;
        }
        if (IsDigit(c)) {
          ReadNumeral(ls, false, seminfo);
          return TK_NUMBER;
        }
        if (IsAlpha(c)) {
          ls->buff.clear();
          if (c == 'L') {
            SaveAndNext(ls);
            if (ls->current == '"') {
              ReadString(ls, '"', true, seminfo);
              return TK_WSTRING;
            }
          }
          while (IsAlnum(ls->current)) SaveAndNext(ls);
          TString* ts = luaS_newlstr(ls->L, ls->buff.data(), ls->buff.size());
          if (ts->reserved > 0) return ts->reserved - 1 + FIRST_RESERVED;
          seminfo->ts = ts;
          return TK_NAME;
        }
        if (c >= 255 || (c < 32) || c == 127) {
          const char* what = c >= 255 ? "invalid wide char" : "invalid control char";
          luaX_error(ls, what, luaO_pushfstring(ls->L, "char(%d)", c));
        }
        Next(ls);
        return c;  // single-character tokens
      }
    }
  }
}

}  // namespace

void luaX_init(lua_State* L) {
  for (int i = 0; i < NUM_RESERVED; ++i) {
    TString* ts = luaS_new(L, luaX_tokens[i]);
    luaS_fix(ts);
    ts->reserved = static_cast<lu_byte>(i + 1);
  }
}

void luaX_setinput(lua_State* L, LexState* ls, ZIO* z, TString* source) {
  ls->L = L;
  ls->lookahead.token = TK_EOS;
  ls->z = z;
  ls->fs = nullptr;
  ls->linenumber = 1;
  ls->lastline = 1;
  ls->source = source;
  ls->nestlevel = 0;
  ls->buff.clear();
  Next(ls);
  if (ls->current == '#') {
    while (ls->current != '\n' && ls->current != EOZ) Next(ls);
  }
}

void luaX_next(LexState* ls) {
  ls->lastline = ls->linenumber;
  if (ls->lookahead.token != TK_EOS) {
    ls->t = ls->lookahead;
    ls->lookahead.token = TK_EOS;
  } else {
    ls->t.token = Lex(ls, &ls->t.seminfo);
  }
}

void luaX_lookahead(LexState* ls) { ls->lookahead.token = Lex(ls, &ls->lookahead.seminfo); }

const char* luaX_token2str(LexState* ls, int token) {
  if (token < FIRST_RESERVED) return luaO_pushfstring(ls->L, "%c", token);
  return luaX_tokens[token - FIRST_RESERVED];
}

void luaX_error(LexState* ls, const char* msg, const char* token) {
  char chunk[kMaxSourceShown];
  luaO_chunkid(chunk, getstr(ls->source), kMaxSourceShown);
  luaO_pushfstring(ls->L, "%s:%d: %s near `%s'", chunk, ls->linenumber, msg, token);
  luaD_throw(ls->L, LUA_ERRSYNTAX);
}

void luaX_syntaxerror(LexState* ls, const char* msg) {
  const char* token;
  switch (ls->t.token) {
    case TK_NAME:
      token = getstr(ls->t.seminfo.ts);
      break;
    case TK_STRING:
    case TK_NUMBER:
      token = ls->buff.c_str();
      break;
    default:
      token = luaX_token2str(ls, ls->t.token);
      break;
  }
  luaX_error(ls, msg, token);
}

void luaX_checklimit(LexState* ls, int val, int limit, const char* msg) {
  if (val > limit)
    luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "too many %s (limit=%d)", msg, limit));
}
