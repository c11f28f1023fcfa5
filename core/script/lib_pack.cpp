// string.pack and string.unpack: Lua values to binary records and back under a format string,
// with wide strings, a selectable byte order and one padded block ("@N:fill ... @").
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/script/lib_aux.h"

namespace {

int64_t Truncate(lua_Number n) {
  if (std::isnan(n) || n >= 9223372036854775808.0 || n < -9223372036854775808.0) return 0;
  return (int64_t)n;
}

struct Item {
  bool wide = false;
  char code = 0;
  int count = 1;
  bool hadCount = false;
};

// A decimal number of the format; one that does not fit its type (an int, or a byte for the
// fill) is refused rather than cut short. `farg' is the format's argument number.
int ReadNumber(lua_State *L, const char **f, int farg, int limit, const char *what) {
  const char *p = *f;
  int64_t n = 0;
  while (isdigit((unsigned char)*p)) {
    n = n * 10 + (*p - '0');
    if (n > limit) luaL_argerror(L, farg, what);
    p++;
  }
  *f = p;
  return (int)n;
}

// Reads the next item at *f; byte-order marks switch *bigEndian. False at the end.
bool NextItem(lua_State *L, int farg, const char **f, bool *bigEndian, Item *item) {
  const char *p = *f;
  for (;;) {
    while (*p == ' ' || *p == ',') p++;
    if (*p == '<' || *p == '=') { *bigEndian = false; p++; continue; }
    if (*p == '>') { *bigEndian = true; p++; continue; }
    break;
  }
  if (*p == '\0') return false;
  item->wide = false;
  if (*p == 'w') {
    item->wide = true;
    p++;
    if (*p == '\0') return false;  // a lone prefix ends the format
  }
  item->code = *p++;
  item->hadCount = isdigit((unsigned char)*p) != 0;
  int n = ReadNumber(L, &p, farg, INT_MAX, "count too large");
  item->count = n == 0 ? 1 : n;
  *f = p;
  return true;
}

// Reads the fill value after "@N:"; the size is the item's count.
int ReadFill(lua_State *L, const char **f) {
  if (**f != ':') return 0;
  (*f)++;
  return ReadNumber(L, f, 1, 255, "fill byte too large");
}

int BadCode(lua_State *L, char code) {
  char text[] = "bad code `?'";
  text[10] = code;
  return luaL_argerror(L, 1, text);
}

struct Packer {
  luaL_Buffer b;
  bool bigEndian = false;
  size_t written = 0;  // bytes so far, counted across buffer flushes

  void Bytes(const void *p, size_t n) {
    luaL_addlstring(&b, static_cast<const char *>(p), n);
    written += n;
  }
  void Number(uint64_t v, int size) {
    unsigned char out[8];
    for (int i = 0; i < size; i++) {
      unsigned char byte = (unsigned char)(v >> (8 * i));
      out[bigEndian ? size - 1 - i : i] = byte;
    }
    Bytes(out, (size_t)size);
  }
  void Float(float f) {
    uint32_t u;
    memcpy(&u, &f, 4);
    Number(u, 4);
  }
  void Double(double d) {
    uint64_t u;
    memcpy(&u, &d, 8);
    Number(u, 8);
  }
  // Padding as one piece: a block of any size costs one string, not a byte-by-byte append.
  void Fill(char c, size_t n) {
    lua_pushrepeated(b.L, &c, 1, n);
    luaL_addvalue(&b);
    written += n;
  }
  void Units(const lua_WChar *w, size_t n) {
    for (size_t i = 0; i < n; i++) Number(w[i], 2);
  }
};

int P_pack(lua_State *L) {
  const char *f = luaL_checkstring(L, 1);
  int arg = 2;
  Packer pk;
  luaL_buffinit(L, &pk.b);
  int blocks = 0;
  size_t blockStart = 0, blockSize = 0;
  int fill = 0;
  Item it;
  while (NextItem(L, 1, &f, &pk.bigEndian, &it)) {
    if (it.code == '@') {
      if (blocks == 0) {
        blockSize = it.hadCount ? (size_t)it.count : 0;
        fill = ReadFill(L, &f);
        blockStart = pk.written;
      } else if (blocks == 1) {
        ReadFill(L, &f);
        size_t done = pk.written - blockStart;
        if (done < blockSize) pk.Fill((char)fill, blockSize - done);
      } else {
        ReadFill(L, &f);
      }
      blocks++;
      continue;
    }
    int reps = it.code == 'A' ? 1 : it.count;
    for (int r = 0; r < reps; r++, arg++) {
      switch (it.code) {
        case 'b': case 'c':
          pk.Number((uint64_t)Truncate(luaL_checknumber(L, arg)), 1);
          break;
        case 'B':
          if (lua_type(L, arg) != LUA_TBOOLEAN) luaL_argerror(L, arg, "expected a boolean");
          pk.Number(lua_toboolean(L, arg) ? 1 : 0, 1);
          break;
        case 'h': case 'H':
          pk.Number((uint64_t)Truncate(luaL_checknumber(L, arg)), 2);
          break;
        case 'i': case 'l': case 'I': case 'L':
          pk.Number((uint64_t)Truncate(luaL_checknumber(L, arg)), 4);
          break;
        case 'f':
          pk.Float((float)luaL_checknumber(L, arg));
          break;
        case 'd': case 'n':
          pk.Double(luaL_checknumber(L, arg));
          break;
        case 'A': case 'z': case 'p': case 'P': case 'a': {
          size_t len;
          const char *s = nullptr;
          const lua_WChar *w = nullptr;
          if (it.wide)
            w = luaL_checkwstring(L, arg, &len);
          else
            s = luaL_checklstring(L, arg, &len);
          // A length that its prefix cannot hold would make a record that reads back wrong.
          size_t limit = it.code == 'p' ? 0xFF : it.code == 'P' ? 0xFFFF : it.code == 'a' ? 0xFFFFFFFFu : (size_t)-1;
          if (len > limit) luaL_argerror(L, arg, "string too long for its length prefix");
          if (it.code == 'p') pk.Number(len, 1);
          if (it.code == 'P') pk.Number(len, 2);
          if (it.code == 'a') pk.Number(len, 4);
          if (it.wide)
            pk.Units(w, len);
          else
            pk.Bytes(s, len);
          if (it.code == 'z') pk.Number(0, it.wide ? 2 : 1);
          break;
        }
        default:
          return BadCode(L, it.code);
      }
    }
  }
  luaL_pushresult(&pk.b);
  return 1;
}

struct Reader {
  const unsigned char *s;
  size_t len;
  size_t pos;  // 0-based
  bool bigEndian = false;

  bool Fits(size_t n) const { return n <= len - pos; }
  uint64_t Number(int size) {
    uint64_t v = 0;
    for (int i = 0; i < size; i++) {
      uint64_t byte = s[pos + (size_t)(bigEndian ? size - 1 - i : i)];
      v |= byte << (8 * i);
    }
    pos += (size_t)size;
    return v;
  }
};

// Pushes n units read from the reader as a wide string.
void PushUnits(lua_State *L, Reader *r, size_t n) {
  std::u16string w(n, u'\0');
  for (size_t i = 0; i < n; i++) w[i] = (char16_t)r->Number(2);
  static const lua_WChar kEmpty[1] = {0};
  lua_pushlwstring(L, n ? reinterpret_cast<const lua_WChar *>(w.data()) : kEmpty, n);
}

// Reads a string of n bytes or units; false when it does not fit.
bool ReadString(lua_State *L, Reader *r, size_t n, bool wide) {
  size_t bytes = wide ? n * 2 : n;
  if (wide && n > ((size_t)-1) / 2) return false;
  if (!r->Fits(bytes)) return false;
  if (wide) {
    PushUnits(L, r, n);
  } else {
    lua_pushlstring(L, (const char *)r->s + r->pos, n);
    r->pos += n;
  }
  return true;
}

int P_unpack(lua_State *L) {
  size_t len;
  const char *s = luaL_checklstring(L, 1, &len);
  const char *f = luaL_checkstring(L, 2);
  lua_Number init = luaL_optnumber(L, 3, 1);
  Reader r{(const unsigned char *)s, len, 0};
  if (init > 1) r.pos = init - 1 > (lua_Number)len ? len : (size_t)(init - 1);
  lua_settop(L, 3);
  lua_pushnil(L);  // placeholder for the next position
  int n = 0;
  Item it;
  bool done = false;
  while (!done && NextItem(L, 2, &f, &r.bigEndian, &it)) {
    int reps = it.code == 'A' ? 1 : it.count;
    for (int k = 0; k < reps && !done; k++) {
      luaL_checkstack(L, 2, "too many results");
      switch (it.code) {
        case 'b': case 'c': case 'B': {
          if (!r.Fits(1)) { done = true; break; }
          uint8_t v = (uint8_t)r.Number(1);
          if (it.code == 'B') lua_pushboolean(L, v != 0);
          else lua_pushnumber(L, it.code == 'b' ? (lua_Number)v : (lua_Number)(int8_t)v);
          n++;
          break;
        }
        case 'h': case 'H': {
          if (!r.Fits(2)) { done = true; break; }
          uint16_t v = (uint16_t)r.Number(2);
          lua_pushnumber(L, it.code == 'H' ? (lua_Number)v : (lua_Number)(int16_t)v);
          n++;
          break;
        }
        case 'i': case 'l': case 'I': case 'L': {
          if (!r.Fits(4)) { done = true; break; }
          uint32_t v = (uint32_t)r.Number(4);
          bool isSigned = it.code == 'i' || it.code == 'l';
          lua_pushnumber(L, isSigned ? (lua_Number)(int32_t)v : (lua_Number)v);
          n++;
          break;
        }
        case 'f': {
          if (!r.Fits(4)) { done = true; break; }
          uint32_t u = (uint32_t)r.Number(4);
          float v;
          memcpy(&v, &u, 4);
          lua_pushnumber(L, v);
          n++;
          break;
        }
        case 'd': case 'n': {
          if (!r.Fits(8)) { done = true; break; }
          uint64_t u = r.Number(8);
          double v;
          memcpy(&v, &u, 8);
          lua_pushnumber(L, v);
          n++;
          break;
        }
        case 'A':
          if (!ReadString(L, &r, (size_t)it.count, it.wide)) { done = true; break; }
          n++;
          break;
        case 'z': {
          size_t unit = it.wide ? 2 : 1;
          size_t count = 0;
          size_t p = r.pos;
          // Up to the first zero unit, or the end of the text when there is none.
          while (p + unit <= len && (r.s[p] != 0 || (it.wide && r.s[p + 1] != 0))) {
            p += unit;
            count++;
          }
          ReadString(L, &r, count, it.wide);
          if (r.Fits(unit)) r.pos += unit;  // the terminator
          n++;
          break;
        }
        case 'p': case 'P': case 'a': {
          int size = it.code == 'p' ? 1 : it.code == 'P' ? 2 : 4;
          if (!r.Fits((size_t)size)) { done = true; break; }
          size_t save = r.pos;
          size_t l = (size_t)r.Number(size);
          if (!ReadString(L, &r, l, it.wide)) {
            r.pos = save;
            done = true;
            break;
          }
          n++;
          break;
        }
        default:
          return BadCode(L, it.code);
      }
    }
  }
  lua_pushnumber(L, (lua_Number)(r.pos + 1));
  lua_replace(L, 4);
  return n + 1;
}

const luaL_reg kPackFunctions[] = {
    {"pack", P_pack},
    {"unpack", P_unpack},
    {nullptr, nullptr},
};

}  // namespace

int luaopen_pack(lua_State *L) {
  luaL_openlib(L, "string", kPackFunctions, 0);
  lua_pop(L, 1);
  return 0;
}
