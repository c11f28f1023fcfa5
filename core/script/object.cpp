// Number conversions, string formatting for messages and chunk names.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/script/do.h"
#include "core/script/string_table.h"
#include "core/script/vm.h"

const TObject luaO_nilobject = {LUA_TNIL, 0, {NULL}};

int luaO_int2fb(unsigned int x) {
  int m = 0;  // mantissa
  while (x >= (1 << 3)) {
    x = (x + 1) >> 1;
    m++;
  }
  return (m << 3) | cast(int, x);
}

int luaO_log2(unsigned int x) {
  int l = -1;
  while (x >= 256) {
    l += 8;
    x >>= 8;
  }
  while (x) {
    l++;
    x >>= 1;
  }
  return l;
}

int luaO_rawequalObj(const TObject *t1, const TObject *t2) {
  if (ttype(t1) != ttype(t2)) return 0;
  switch (ttype(t1)) {
    case LUA_TNIL: return 1;
    case LUA_TNUMBER: return nvalue(t1) == nvalue(t2);
    case LUA_TBOOLEAN: return bvalue(t1) == bvalue(t2);
    case LUA_TLIGHTUSERDATA: return pvalue(t1) == pvalue(t2);
    default: return gcvalue(t1) == gcvalue(t2);
  }
}

static bool isblank_c(int c) { return c == ' ' || (c >= 9 && c <= 13); }
static bool isdigit_c(int c) { return c >= '0' && c <= '9'; }

int luaO_str2d(const char *s, lua_Number *result) {
  const char *p = s;
  while (isblank_c((unsigned char)*p)) p++;
  const char *start = p;
  if (*p == '+' || *p == '-') p++;
  int digits = 0;
  while (isdigit_c(*p)) p++, digits++;
  if (*p == '.') {
    p++;
    while (isdigit_c(*p)) p++, digits++;
  }
  if (digits == 0) return 0;
  if (*p == 'e' || *p == 'E') {
    const char *e = p + 1;
    if (*e == '+' || *e == '-') e++;
    if (isdigit_c(*e)) {
      while (isdigit_c(*e)) e++;
      p = e;
    }
  }
  const char *end = p;
  while (isblank_c((unsigned char)*p)) p++;
  if (*p != '\0') return 0;
  // The text is now a plain decimal numeral: the C conversion reads it exactly.
  std::string text(start, end);
  *result = std::strtod(text.c_str(), NULL);
  return 1;
}

int luaO_wstr2d(const lua_WChar *s, size_t len, lua_Number *result) {
  size_t i = 0;
  double value = 0;
  bool neg = false;
  auto at = [&](size_t k) -> int { return k < len ? s[k] : -1; };
  auto hexval = [](int c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (at(0) == '0' && (at(1) == 'x' || at(1) == 'X')) {
    i = 2;
    while (hexval(at(i)) >= 0) value = value * 16 + hexval(at(i++));
    if (at(i) == '.') {
      i++;
      double scale = 1.0 / 16;
      while (hexval(at(i)) >= 0) {
        value += hexval(at(i++)) * scale;
        scale /= 16;
      }
      if (at(i) == 'p' || at(i) == 'P') {
        i++;
        bool eneg = false;
        if (at(i) == '+' || at(i) == '-') eneg = (s[i++] == '-');
        double e = 0;
        while (isdigit_c(at(i))) e = e * 10 + (s[i++] - '0');
        value = eneg ? value / std::pow(2.0, e) : value * std::pow(2.0, e);
      }
    }
  } else {
    if (at(0) == '+' || at(0) == '-') neg = (s[i++] == '-');
    while (isdigit_c(at(i))) value = value * 10 + (s[i++] - '0');
    if (at(i) == '.') {
      i++;
      double scale = 0.1;
      while (isdigit_c(at(i))) {
        value += (s[i++] - '0') * scale;
        scale /= 10;
      }
    }
    if (at(i) == 'e' || at(i) == 'E') {
      i++;
      bool eneg = false;
      if (at(i) == '+' || at(i) == '-') eneg = (s[i++] == '-');
      double e = 0;
      while (isdigit_c(at(i))) e = e * 10 + (s[i++] - '0');
      value = eneg ? value / std::pow(10.0, e) : value * std::pow(10.0, e);
    }
  }
  if (i == 0) return 0;
  for (size_t k = i; k < len; k++)
    if (!(s[k] < 256 && isblank_c(s[k]))) return 0;
  *result = neg ? -value : value;
  return 1;
}

// `m' (below 1e14) with a point before its last `k' digits, as "%.14g" prints it. Digits are
// made two at a time from a table of pairs: the division is the cost.
static int writedecimal(bool neg, uint64_t m, int k, char *buff) {
  static const char pairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char tmp[24];
  char *p = tmp + sizeof tmp;
  while (m >= 100) {
    p -= 2;
    std::memcpy(p, pairs + 2 * (m % 100), 2);
    m /= 100;
  }
  if (m >= 10) {
    p -= 2;
    std::memcpy(p, pairs + 2 * m, 2);
  } else {
    *--p = static_cast<char>('0' + m);
  }
  int digits = static_cast<int>(tmp + sizeof tmp - p);
  while (digits <= k) {  // at least one digit before the point
    *--p = '0';
    digits++;
  }
  int out = 0;
  if (neg) buff[out++] = '-';
  int whole = digits - k;
  std::memcpy(buff + out, p, whole);
  out += whole;
  if (k > 0) {
    buff[out++] = '.';
    std::memcpy(buff + out, p + whole, k);
    out += k;
  }
  buff[out] = '\0';
  return out;
}

int luaO_num2str(lua_Number n, char *buff) {
  // Whole numbers below 1e14 print under "%.14g" as their plain digits; write those directly.
  if (n > -1e14 && n < 1e14 && n != 0) {
    int64_t i = static_cast<int64_t>(n);
    if (static_cast<lua_Number>(i) == n) return writedecimal(i < 0, i < 0 ? -i : i, 0, buff);
    // A number that is the nearest of a decimal with k places and at most 14 digits prints as
    // that decimal: the 14-digit rounding of its exact value cannot reach another one, the
    // value lying within half a unit of the last binary place of it. Values below 1e-4 print
    // with an exponent and stay with the C library, as do all that need more digits.
    lua_Number a = n < 0 ? -n : n;
    if (a >= 1e-4) {
      lua_Number p = 1;
      for (int k = 1; k <= 18; k++) {
        p *= 10;  // exact up to 1e22
        lua_Number m = a * p;
        if (m >= 1e14) break;
        if (m == static_cast<lua_Number>(static_cast<int64_t>(m)) && m / p == a) {
          uint64_t digits = static_cast<uint64_t>(m);
          while (k > 0 && digits % 10 == 0) digits /= 10, k--;  // the product rounded onto a whole ten
          return writedecimal(n < 0, digits, k, buff);
        }
      }
    }
  }
  return std::snprintf(buff, 32, "%.14g", n);
}

int luaO_num2int(lua_Number n) {
  if (n != n) return 0;
  if (n >= 2147483647.0) return INT_MAX;
  if (n <= -2147483648.0) return INT_MIN;
  return static_cast<int>(n);
}

int64_t luaO_num2int64(lua_Number n) {
  if (!(n > -9223372036854775808.0 && n < 9223372036854775808.0)) return 0;
  return static_cast<int64_t>(n);
}

static void pushstr(lua_State *L, const char *str, size_t len) {
  setsvalue(L->top, luaS_newlstr(L, str, len));
  incr_top(L);
}

const char *luaO_pushvfstring(lua_State *L, const char *fmt, va_list argp) {
  std::string out;
  for (;;) {
    const char *e = std::strchr(fmt, '%');
    if (e == NULL) break;
    out.append(fmt, e - fmt);
    switch (e[1]) {
      case 's': {
        const char *s = va_arg(argp, char *);
        out.append(s ? s : "(null)");
        break;
      }
      case 'c': out.push_back(static_cast<char>(va_arg(argp, int))); break;
      case 'd': out.append(std::to_string(va_arg(argp, int))); break;
      case 'f': {
        char buff[32];
        int l = luaO_num2str(va_arg(argp, lua_Number), buff);
        out.append(buff, l);
        break;
      }
      case 'p': {
        char buff[32];
        int l = std::snprintf(buff, sizeof buff, "%p", va_arg(argp, void *));
        out.append(buff, l);
        break;
      }
      case '%': out.push_back('%'); break;
      default:
        out.push_back('%');
        if (e[1]) out.push_back(e[1]);
        else e--;
    }
    fmt = e + 2;
  }
  out.append(fmt);
  L->nunwind++;  // `out' must be freed should the push fail
  pushstr(L, out.data(), out.size());
  L->nunwind--;
  return svalue(L->top - 1);
}

const char *luaO_pushfstring(lua_State *L, const char *fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  const char *msg = luaO_pushvfstring(L, fmt, argp);
  va_end(argp);
  return msg;
}

void luaO_chunkid(char *out, const char *source, int bufflen) {
  if (*source == '=') {
    std::strncpy(out, source + 1, bufflen);
    out[bufflen - 1] = '\0';
  } else if (*source == '@') {
    source++;
    int room = bufflen - static_cast<int>(sizeof(" `...' "));
    int l = static_cast<int>(std::strlen(source));
    out[0] = '\0';
    if (l > room) {
      source += l - room;
      std::strcat(out, "...");
    }
    std::strcat(out, source);
  } else {
    int room = bufflen - static_cast<int>(sizeof(" [string \"...\"] "));
    int len = static_cast<int>(std::strcspn(source, "\n"));
    int full = static_cast<int>(std::strlen(source));
    bool cut = false;
    if (len > room) len = room, cut = true;
    if (len < full) cut = true;
    std::strcpy(out, "[string \"");
    if (len < 0) len = 0;
    std::strncat(out, source, len);
    if (cut) std::strcat(out, "...");
    std::strcat(out, "\"]");
  }
}
