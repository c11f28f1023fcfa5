// String library: the stock functions with pattern matching, string.format with the B, b? and
// Q conversions, and string.lualex; the library table is also the method table of strings.
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/base/saturate.h"
#include "core/script/lib_aux.h"

namespace {

#define uchar(c) ((unsigned char)(c))

// Relative string position: negative counts from the end.
long posrelat(long pos, size_t len) { return pos >= 0 ? pos : (long)len + pos + 1; }

int S_len(lua_State *L) {
  size_t l;
  luaL_checklstring(L, 1, &l);
  lua_pushnumber(L, (lua_Number)l);
  return 1;
}

int S_sub(lua_State *L) {
  size_t l;
  const char *s = luaL_checklstring(L, 1, &l);
  long start = posrelat(luaL_checklong(L, 2), l);
  long end = posrelat(luaL_optlong(L, 3, -1), l);
  if (start < 1) start = 1;
  if (end > (long)l) end = (long)l;
  if (start <= end)
    lua_pushlstring(L, s + start - 1, (size_t)(end - start + 1));
  else
    lua_pushliteral(L, "");
  return 1;
}

int S_lower(lua_State *L) {
  size_t l;
  const char *s = luaL_checklstring(L, 1, &l);
  std::string r(s, l);
  for (char &c : r) c = (char)tolower(uchar(c));
  lua_pushlstring(L, r.data(), r.size());
  return 1;
}

int S_upper(lua_State *L) {
  size_t l;
  const char *s = luaL_checklstring(L, 1, &l);
  std::string r(s, l);
  for (char &c : r) c = (char)toupper(uchar(c));
  lua_pushlstring(L, r.data(), r.size());
  return 1;
}

int S_rep(lua_State *L) {
  size_t l;
  const char *s = luaL_checklstring(L, 1, &l);
  int n = luaL_checkint(L, 2);
  lua_pushrepeated(L, s, l, n > 0 ? (size_t)n : 0);
  return 1;
}

int S_byte(lua_State *L) {
  size_t l;
  const char *s = luaL_checklstring(L, 1, &l);
  long pos = posrelat(luaL_optlong(L, 2, 1), l);
  if (pos <= 0 || (size_t)pos > l) return 0;
  lua_pushnumber(L, uchar(s[pos - 1]));
  return 1;
}

int S_char(lua_State *L) {
  int n = lua_gettop(L);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  for (int i = 1; i <= n; i++) {
    int c = luaL_checkint(L, i);
    luaL_argcheck(L, uchar(c) == c, i, "invalid value");
    luaL_putchar(&b, uchar(c));
  }
  luaL_pushresult(&b);
  return 1;
}

int DumpWriter(lua_State *, const void *p, size_t size, void *ud) {
  static_cast<std::string *>(ud)->append(static_cast<const char *>(p), size);
  return 0;
}

int S_dump(lua_State *L) {
  luaL_checktype(L, 1, LUA_TFUNCTION);
  lua_settop(L, 1);
  std::string out;
  if (!lua_dump(L, DumpWriter, &out)) luaL_error(L, "unable to dump given function");
  lua_pushlstring(L, out.data(), out.size());
  return 1;
}

// ---- patterns ----

const int kMaxCaptures = 32;
const int kMaxMatchDepth = 10000;  // recursion of the matcher (one level per pattern item)
const long CAP_UNFINISHED = -1;
const long CAP_POSITION = -2;
const char L_ESC = '%';
const char SPECIALS[] = "^$*+?.([%-";

struct MatchState {
  const char *src_init;
  const char *src_end;
  lua_State *L;
  int level;
  int depth;
  struct {
    const char *init;
    long len;
  } capture[kMaxCaptures];
};

int check_capture(MatchState *ms, int l) {
  l -= '1';
  if (l < 0 || l >= ms->level || ms->capture[l].len == CAP_UNFINISHED)
    return luaL_error(ms->L, "invalid capture index");
  return l;
}

int capture_to_close(MatchState *ms) {
  int level = ms->level;
  for (level--; level >= 0; level--)
    if (ms->capture[level].len == CAP_UNFINISHED) return level;
  return luaL_error(ms->L, "invalid pattern capture");
}

const char *class_end(MatchState *ms, const char *p) {
  char c = *p++;
  if (c == L_ESC) {
    if (*p == '\0') luaL_error(ms->L, "malformed pattern (ends with `%%')");
    return p + 1;
  }
  if (c == '[') {
    if (*p == '^') p++;
    do {  // the first character of a set may be `]'
      if (*p == '\0') luaL_error(ms->L, "malformed pattern (missing `]')");
      if (*(p++) == L_ESC && *p != '\0') p++;
    } while (*p != ']');
    return p + 1;
  }
  return p;
}

bool match_class(int c, int cl) {
  bool res;
  switch (tolower(cl)) {
    case 'a': res = isalpha(c); break;
    case 'c': res = iscntrl(c); break;
    case 'd': res = isdigit(c); break;
    case 'l': res = islower(c); break;
    case 'p': res = ispunct(c); break;
    case 's': res = isspace(c); break;
    case 'u': res = isupper(c); break;
    case 'w': res = isalnum(c); break;
    case 'x': res = isxdigit(c); break;
    case 'z': res = (c == 0); break;
    default: return cl == c;
  }
  return isupper(cl) ? !res : res;
}

// p points at `[', ec at the closing `]'.
bool matchbracketclass(int c, const char *p, const char *ec) {
  bool sig = true;
  if (*(p + 1) == '^') {
    sig = false;
    p++;
  }
  while (++p < ec) {
    if (*p == L_ESC) {
      p++;
      if (match_class(c, uchar(*p))) return sig;
    } else if (*(p + 1) == '-' && p + 2 < ec) {
      p += 2;
      if (uchar(*(p - 2)) <= c && c <= uchar(*p)) return sig;
    } else if (uchar(*p) == c) {
      return sig;
    }
  }
  return !sig;
}

bool singlematch(int c, const char *p, const char *ep) {
  switch (*p) {
    case '.': return true;
    case L_ESC: return match_class(c, uchar(*(p + 1)));
    case '[': return matchbracketclass(c, p, ep - 1);
    default: return uchar(*p) == c;
  }
}

const char *match(MatchState *ms, const char *s, const char *p);

const char *matchbalance(MatchState *ms, const char *s, const char *p) {
  if (*p == 0 || *(p + 1) == 0) luaL_error(ms->L, "unbalanced pattern");
  if (s >= ms->src_end || *s != *p) return nullptr;
  int b = *p, e = *(p + 1), cont = 1;
  while (++s < ms->src_end) {
    if (*s == e) {
      if (--cont == 0) return s + 1;
    } else if (*s == b) {
      cont++;
    }
  }
  return nullptr;
}

const char *max_expand(MatchState *ms, const char *s, const char *p, const char *ep) {
  long i = 0;
  while (s + i < ms->src_end && singlematch(uchar(s[i]), p, ep)) i++;
  while (i >= 0) {  // try with the longest run first
    const char *res = match(ms, s + i, ep + 1);
    if (res) return res;
    i--;
  }
  return nullptr;
}

const char *min_expand(MatchState *ms, const char *s, const char *p, const char *ep) {
  for (;;) {
    const char *res = match(ms, s, ep + 1);
    if (res) return res;
    if (s < ms->src_end && singlematch(uchar(*s), p, ep))
      s++;
    else
      return nullptr;
  }
}

const char *start_capture(MatchState *ms, const char *s, const char *p, long what) {
  if (ms->level >= kMaxCaptures) luaL_error(ms->L, "too many captures");
  ms->capture[ms->level].init = s;
  ms->capture[ms->level].len = what;
  ms->level++;
  const char *res = match(ms, s, p);
  if (!res) ms->level--;
  return res;
}

const char *end_capture(MatchState *ms, const char *s, const char *p) {
  int l = capture_to_close(ms);
  ms->capture[l].len = s - ms->capture[l].init;
  const char *res = match(ms, s, p);
  if (!res) ms->capture[l].len = CAP_UNFINISHED;
  return res;
}

const char *match_capture(MatchState *ms, const char *s, int l) {
  l = check_capture(ms, l);
  size_t len = (size_t)ms->capture[l].len;
  if ((size_t)(ms->src_end - s) >= len && memcmp(ms->capture[l].init, s, len) == 0) return s + len;
  return nullptr;
}

struct DepthGuard {
  MatchState *ms;
  explicit DepthGuard(MatchState *m) : ms(m) {
    if (++ms->depth > kMaxMatchDepth) luaL_error(ms->L, "pattern too complex");
  }
  ~DepthGuard() { ms->depth--; }
};

const char *match(MatchState *ms, const char *s, const char *p) {
  DepthGuard guard(ms);
  for (;;) {
    switch (*p) {
      case '(':
        if (*(p + 1) == ')') return start_capture(ms, s, p + 2, CAP_POSITION);
        return start_capture(ms, s, p + 1, CAP_UNFINISHED);
      case ')':
        return end_capture(ms, s, p + 1);
      case '\0':
        return s;
      case L_ESC:
        if (*(p + 1) == 'b') {
          s = matchbalance(ms, s, p + 2);
          if (!s) return nullptr;
          p += 4;
          continue;
        }
        if (*(p + 1) == 'f') {
          p += 2;
          if (*p != '[') luaL_error(ms->L, "missing `[' after `%%f' in pattern");
          const char *ep = class_end(ms, p);
          int previous = (s == ms->src_init) ? '\0' : uchar(*(s - 1));
          int current = (s < ms->src_end) ? uchar(*s) : '\0';
          if (matchbracketclass(previous, p, ep - 1) || !matchbracketclass(current, p, ep - 1))
            return nullptr;
          p = ep;
          continue;
        }
        if (isdigit(uchar(*(p + 1)))) {
          s = match_capture(ms, s, uchar(*(p + 1)));
          if (!s) return nullptr;
          p += 2;
          continue;
        }
        break;
      case '$':
        if (*(p + 1) == '\0') return (s == ms->src_end) ? s : nullptr;
        break;
      default:
        break;
    }
    const char *ep = class_end(ms, p);
    bool m = s < ms->src_end && singlematch(uchar(*s), p, ep);
    switch (*ep) {
      case '?': {
        if (m) {
          const char *res = match(ms, s + 1, ep + 1);
          if (res) return res;
        }
        p = ep + 1;
        continue;
      }
      case '*':
        return max_expand(ms, s, p, ep);
      case '+':
        return m ? max_expand(ms, s + 1, p, ep) : nullptr;
      case '-':
        return min_expand(ms, s, p, ep);
      default:
        if (!m) return nullptr;
        s++;
        p = ep;
        continue;
    }
  }
}

const char *lmemfind(const char *s1, size_t l1, const char *s2, size_t l2) {
  if (l2 == 0) return s1;
  if (l2 > l1) return nullptr;
  // memchr finds each candidate first byte many bytes at a time.
  const char *p = s1, *end = s1 + (l1 - l2) + 1;
  while ((p = static_cast<const char *>(memchr(p, *s2, (size_t)(end - p)))) != nullptr) {
    if (memcmp(p + 1, s2 + 1, l2 - 1) == 0) return p;
    p++;
  }
  return nullptr;
}

void push_onecapture(MatchState *ms, int i) {
  int l = ms->capture[i].len;
  if (l == CAP_UNFINISHED) luaL_error(ms->L, "unfinished capture");
  if (l == CAP_POSITION)
    lua_pushnumber(ms->L, (lua_Number)(ms->capture[i].init - ms->src_init + 1));
  else
    lua_pushlstring(ms->L, ms->capture[i].init, (size_t)l);
}

// Pushes the captures, or the whole match (s..e) when there are none; returns their count.
int push_captures(MatchState *ms, const char *s, const char *e) {
  int nlevels = (ms->level == 0 && s) ? 1 : ms->level;
  luaL_checkstack(ms->L, nlevels, "too many captures");
  for (int i = 0; i < nlevels; i++) {
    if (i == 0 && ms->level == 0)
      lua_pushlstring(ms->L, s, (size_t)(e - s));
    else
      push_onecapture(ms, i);
  }
  return nlevels;
}

void InitMatch(MatchState *ms, lua_State *L, const char *s, size_t l) {
  ms->L = L;
  ms->src_init = s;
  ms->src_end = s + l;
  ms->level = 0;
  ms->depth = 0;
}

int S_find(lua_State *L) {
  size_t l1, l2;
  const char *s = luaL_checklstring(L, 1, &l1);
  const char *p = luaL_checklstring(L, 2, &l2);
  long init = posrelat(luaL_optlong(L, 3, 1), l1) - 1;
  if (init < 0) init = 0;
  else if ((size_t)init > l1) init = (long)l1;
  if (lua_toboolean(L, 4) || strpbrk(p, SPECIALS) == nullptr) {
    const char *s2 = lmemfind(s + init, l1 - (size_t)init, p, l2);
    if (s2) {
      lua_pushnumber(L, (lua_Number)(s2 - s + 1));
      lua_pushnumber(L, (lua_Number)(s2 - s + l2));
      return 2;
    }
    lua_pushnil(L);  // not found
    return 1;
  }
  MatchState ms;
  bool anchor = (*p == '^') ? (p++, true) : false;
  const char *s1 = s + init;
  InitMatch(&ms, L, s, l1);
  do {
    ms.level = 0;
    const char *e = match(&ms, s1, p);
    if (e) {
      lua_pushnumber(L, (lua_Number)(s1 - s + 1));
      lua_pushnumber(L, (lua_Number)(e - s));
      return push_captures(&ms, nullptr, nullptr) + 2;
    }
  } while (s1++ < ms.src_end && !anchor);
  lua_pushnil(L);  // not found
  return 1;
}

int gfind_aux(lua_State *L) {
  MatchState ms;
  const char *s = lua_tostring(L, lua_upvalueindex(1));
  size_t ls = lua_strlen(L, lua_upvalueindex(1));
  const char *p = lua_tostring(L, lua_upvalueindex(2));
  InitMatch(&ms, L, s, ls);
  for (const char *src = s + (size_t)lua_tonumber(L, lua_upvalueindex(3)); src <= ms.src_end; src++) {
    ms.level = 0;
    const char *e = match(&ms, src, p);
    if (e) {
      lua_Number newstart = (lua_Number)(e - s);
      if (e == src) newstart++;  // an empty match moves on by one
      lua_pushnumber(L, newstart);
      lua_replace(L, lua_upvalueindex(3));
      return push_captures(&ms, src, e);
    }
  }
  return 0;
}

int S_gfind(lua_State *L) {
  luaL_checkstring(L, 1);
  luaL_checkstring(L, 2);
  lua_settop(L, 2);
  lua_pushnumber(L, 0);
  lua_pushcclosure(L, gfind_aux, 3);
  return 1;
}

void add_s(MatchState *ms, luaL_Buffer *b, const char *s, const char *e) {
  lua_State *L = ms->L;
  if (lua_type(L, 3) != LUA_TFUNCTION) {
    const char *news = lua_tostring(L, 3);
    size_t l = lua_strlen(L, 3);
    for (size_t i = 0; i < l; i++) {
      if (news[i] != L_ESC) {
        luaL_putchar(b, news[i]);
        continue;
      }
      i++;  // the character after the escape
      if (i >= l || !isdigit(uchar(news[i]))) {
        if (i < l) luaL_putchar(b, news[i]);
        continue;
      }
      int level = check_capture(ms, news[i]);
      push_onecapture(ms, level);
      luaL_addvalue(b);
    }
  } else {  // a function
    lua_pushvalue(L, 3);
    int n = push_captures(ms, s, e);
    lua_call(L, n, 1);
    if (lua_type(L, -1) == LUA_TSTRING || lua_type(L, -1) == LUA_TNUMBER)
      luaL_addvalue(b);
    else
      lua_pop(L, 1);  // other results add nothing
  }
}

int S_gsub(lua_State *L) {
  size_t srcl;
  const char *src = luaL_checklstring(L, 1, &srcl);
  const char *p = luaL_checkstring(L, 2);
  int max_s = luaL_optint(L, 4, srcl < (size_t)INT_MAX ? (int)srcl + 1 : INT_MAX);
  bool anchor = (*p == '^') ? (p++, true) : false;
  int n = 0;
  MatchState ms;
  luaL_Buffer b;
  int rt = lua_type(L, 3);  // a wide string has no narrow text to insert
  luaL_argcheck(L, rt == LUA_TSTRING || rt == LUA_TNUMBER || rt == LUA_TFUNCTION, 3,
                "string or function expected");
  luaL_buffinit(L, &b);
  InitMatch(&ms, L, src, srcl);
  while (n < max_s) {
    ms.level = 0;
    const char *e = match(&ms, src, p);
    if (e) {
      n++;
      add_s(&ms, &b, src, e);
    }
    if (e && e > src) {
      src = e;
    } else if (src < ms.src_end) {
      luaL_putchar(&b, *src++);
    } else {
      break;
    }
    if (anchor) break;
  }
  luaL_addlstring(&b, src, (size_t)(ms.src_end - src));
  luaL_pushresult(&b);
  lua_pushnumber(L, (lua_Number)n);
  return 2;
}

// ---- format ----

const int kMaxItem = 512;
const int kMaxFormat = 20;
const char kFlags[] = "-+ #0";

void addquoted(lua_State *L, luaL_Buffer *b, int arg) {
  size_t l;
  const char *s = luaL_checklstring(L, arg, &l);
  luaL_putchar(b, '"');
  while (l--) {
    switch (*s) {
      case '"': case '\\': case '\n':
        luaL_putchar(b, '\\');
        luaL_putchar(b, *s);
        break;
      case '\0':
        luaL_addlstring(b, "\\000", 4);
        break;
      default:
        luaL_putchar(b, *s);
        break;
    }
    s++;
  }
  luaL_putchar(b, '"');
}

// One unit for the Q conversion; `hexDigits' is 2 for bytes and 4 for wide units.
void AddQuotedUnit(luaL_Buffer *b, unsigned u, int hexDigits) {
  static const char kEscapes[] = "abtnvfr";  // units 7 to 13
  if (u >= 7 && u <= 13) {
    luaL_putchar(b, '\\');
    luaL_putchar(b, kEscapes[u - 7]);
  } else if (u == '"' || u == '\\') {
    luaL_putchar(b, '\\');
    luaL_putchar(b, (char)u);
  } else if (u >= 32 && u <= 126) {
    luaL_putchar(b, (char)u);
  } else {
    char buff[16];
    snprintf(buff, sizeof buff, hexDigits == 2 ? "\\x%02x" : "\\x%04x", u);
    luaL_addstring(b, buff);
  }
}

void AddQ(lua_State *L, luaL_Buffer *b, int arg) {
  if (lua_type(L, arg) == LUA_TWSTRING) {
    size_t l = lua_strlen(L, arg);
    const lua_WChar *w = lua_towstring(L, arg);
    luaL_putchar(b, 'L');
    luaL_putchar(b, '"');
    for (size_t i = 0; i < l; i++) AddQuotedUnit(b, w[i], 4);
    luaL_putchar(b, '"');
    return;
  }
  size_t l;
  const char *s = luaL_checklstring(L, arg, &l);
  luaL_putchar(b, '"');
  for (size_t i = 0; i < l; i++) AddQuotedUnit(b, uchar(s[i]), 2);
  luaL_putchar(b, '"');
}

const char *scanformat(lua_State *L, const char *strfrmt, char *form, bool *hasprecision) {
  const char *p = strfrmt;
  while (*p != '\0' && strchr(kFlags, *p)) p++;
  if (isdigit(uchar(*p))) p++;
  if (isdigit(uchar(*p))) p++;  // two digits at most
  if (*p == '.') {
    p++;
    *hasprecision = true;
    if (isdigit(uchar(*p))) p++;
    if (isdigit(uchar(*p))) p++;
  }
  if (isdigit(uchar(*p))) luaL_error(L, "invalid format (width or precision too long)");
  if (p - strfrmt + 2 > kMaxFormat) luaL_error(L, "invalid format (too long)");
  form[0] = '%';
  memcpy(form + 1, strfrmt, (size_t)(p - strfrmt + 1));
  form[p - strfrmt + 2] = '\0';
  return p;
}

int64_t TruncateTo64(lua_Number n) {
  if (std::isnan(n) || n >= 9223372036854775808.0 || n < -9223372036854775808.0) return 0;
  return (int64_t)n;
}

void AddRaw(luaL_Buffer *b, const void *p, size_t n) { luaL_addlstring(b, static_cast<const char *>(p), n); }

int S_format(lua_State *L) {
  int arg = 1;
  size_t sfl;
  const char *strfrmt = luaL_checklstring(L, arg, &sfl);
  const char *strfrmt_end = strfrmt + sfl;
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  while (strfrmt < strfrmt_end) {
    if (*strfrmt != '%') {
      luaL_putchar(&b, *strfrmt++);
      continue;
    }
    if (*++strfrmt == '%') {
      luaL_putchar(&b, *strfrmt++);
      continue;
    }
    char form[kMaxFormat + 1];
    char buff[kMaxItem];
    bool hasprecision = false;
    if (isdigit(uchar(*strfrmt)) && *(strfrmt + 1) == '$')
      return luaL_error(L, "obsolete option (d$) to `format'");
    arg++;
    strfrmt = scanformat(L, strfrmt, form, &hasprecision);
    int n = 0;
    switch (*strfrmt++) {
      case 'c': case 'd': case 'i':
        n = snprintf(buff, sizeof buff, form, (int)SaturateToInt32(luaL_checknumber(L, arg)));
        break;
      case 'o': case 'u': case 'x': case 'X':
        n = snprintf(buff, sizeof buff, form, (unsigned)(uint32_t)TruncateTo64(luaL_checknumber(L, arg)));
        break;
      case 'e': case 'E': case 'f': case 'g': case 'G':
        n = snprintf(buff, sizeof buff, form, (double)luaL_checknumber(L, arg));
        break;
      case 'q':
        addquoted(L, &b, arg);
        continue;
      case 's': {
        size_t l;
        const char *s = luaL_checklstring(L, arg, &l);
        if (!hasprecision && l >= 100) {
          lua_pushvalue(L, arg);  // kept whole instead of formatted
          luaL_addvalue(&b);
          continue;
        }
        n = snprintf(buff, sizeof buff, form, s);
        break;
      }
      case 'B': {
        int t = lua_type(L, arg);
        if (t != LUA_TBOOLEAN && t != LUA_TNIL) luaL_typerror(L, arg, "boolean");
        luaL_addstring(&b, lua_toboolean(L, arg) ? "true" : "false");
        continue;
      }
      case 'b': {
        char letter = (strfrmt < strfrmt_end) ? *strfrmt++ : '\0';
        lua_Number v = luaL_checknumber(L, arg);
        uint32_t i = (uint32_t)TruncateTo64(v);
        switch (letter) {
          case 'F': { double d = v; AddRaw(&b, &d, 8); break; }
          case 'f': { float f = (float)v; AddRaw(&b, &f, 4); break; }
          case 'd': AddRaw(&b, &i, 4); break;
          case 'w': { uint16_t w = (uint16_t)i; AddRaw(&b, &w, 2); break; }
          case 'b': { uint8_t c = (uint8_t)i; AddRaw(&b, &c, 1); break; }
          default: break;  // the argument is used up all the same
        }
        continue;
      }
      case 'Q':
        AddQ(L, &b, arg);
        continue;
      default:
        return luaL_error(L, "invalid option to `format'");
    }
    if (n < 0) n = 0;
    if (n >= (int)sizeof buff) n = (int)sizeof buff - 1;
    luaL_addlstring(&b, buff, (size_t)n);
  }
  luaL_pushresult(&b);
  return 1;
}

// ---- lualex ----

int HexValue(int c) {
  if (isdigit(c)) return c - '0';
  return tolower(c) - 'a' + 10;
}

// Decodes escapes at run time; wide output writes each character as two bytes, low first.
int S_lualex(lua_State *L) {
  size_t l;
  const char *s = luaL_checklstring(L, 1, &l);
  bool wide = luaL_checknumber(L, 2) != 0;
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  auto put = [&](unsigned v) {
    luaL_putchar(&b, (char)(v & 0xFF));
    if (wide) luaL_putchar(&b, (char)((v >> 8) & 0xFF));
  };
  size_t i = 0;
  while (i < l) {
    unsigned char c = uchar(s[i]);
    if (c != '\\') {
      put(c);
      i++;
      continue;
    }
    i++;
    if (i >= l) {  // a backslash that ends the text
      put(0);
      break;
    }
    c = uchar(s[i]);
    switch (c) {
      case 'a': put(7); i++; break;
      case 'b': put(8); i++; break;
      case 'f': put(12); i++; break;
      case 'n': put(10); i++; break;
      case 'r': put(13); i++; break;
      case 't': put(9); i++; break;
      case 'v': put(11); i++; break;
      case 'x': {
        i++;
        if (i >= l || !isxdigit(uchar(s[i]))) {
          put('x');  // decoding goes on with the following byte
          break;
        }
        unsigned v = 0;
        size_t maxDigits = wide ? 4 : 2;
        for (size_t k = 0; k < maxDigits && i < l && isxdigit(uchar(s[i])); k++, i++)
          v = v * 16 + (unsigned)HexValue(uchar(s[i]));
        if (wide) {
          luaL_putchar(&b, (char)(v & 0xFF));
          luaL_putchar(&b, (char)((v >> 8) & 0xFF));
        } else {
          luaL_putchar(&b, (char)v);
        }
        break;
      }
      default:
        if (isdigit(c)) {
          unsigned v = 0;
          for (int k = 0; k < 3 && i < l && isdigit(uchar(s[i])); k++, i++) v = v * 10 + (unsigned)(s[i] - '0');
          put(v & 0xFF);
        } else {
          put(c);
          i++;
        }
        break;
    }
  }
  luaL_pushresult(&b);
  return 1;
}

const luaL_reg kStringFunctions[] = {
    {"len", S_len},       {"sub", S_sub},       {"lower", S_lower},   {"upper", S_upper},
    {"char", S_char},     {"rep", S_rep},       {"byte", S_byte},     {"format", S_format},
    {"dump", S_dump},     {"find", S_find},     {"gfind", S_gfind},   {"gsub", S_gsub},
    {"lualex", S_lualex}, {nullptr, nullptr},
};

}  // namespace

int luaopen_string(lua_State *L) {
  luaL_openlib(L, "string", kStringFunctions, 0);
  lua_pushvalue(L, -1);
  lua_settypemetatable(L, LUA_TSTRING);  // strings find the library functions as methods
  luaopen_pack(L);
  return 1;
}
