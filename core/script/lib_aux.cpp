// Auxiliary library: argument checks and messages, buffers, file loading through the file layer.
#include "core/script/lib_aux.h"

#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "core/base/file.h"
#include "core/script/state.h"
#include "core/script/table.h"

// ---- errors and argument checks ----

int luaL_argerror(lua_State *L, int narg, const char *extramsg) {
  lua_Debug ar;
  if (!lua_getstack(L, 0, &ar)) return luaL_error(L, "bad argument #%d (%s)", narg, extramsg);
  lua_getinfo(L, "n", &ar);
  if (ar.namewhat && strcmp(ar.namewhat, "method") == 0) {
    narg--;  // the receiver does not count
    if (narg == 0)
      return luaL_error(L, "calling `%s' on bad self (%s)", ar.name ? ar.name : "?", extramsg);
  }
  return luaL_error(L, "bad argument #%d to `%s' (%s)", narg, ar.name ? ar.name : "?", extramsg);
}

int luaL_typerror(lua_State *L, int narg, const char *tname) {
  const char *msg = lua_pushfstring(L, "%s expected, got %s", tname, lua_typename(L, lua_type(L, narg)));
  return luaL_argerror(L, narg, msg);
}

static void tag_error(lua_State *L, int narg, int tag) { luaL_typerror(L, narg, lua_typename(L, tag)); }

void luaL_where(lua_State *L, int level) {
  lua_Debug ar;
  if (lua_getstack(L, level, &ar)) {
    lua_getinfo(L, "Sl", &ar);
    if (ar.currentline > 0) {
      lua_pushfstring(L, "%s:%d: ", ar.short_src, ar.currentline);
      return;
    }
  }
  lua_pushliteral(L, "");
}

int luaL_error(lua_State *L, const char *fmt, ...) {
  va_list argp;
  va_start(argp, fmt);
  luaL_where(L, 1);
  lua_pushvfstring(L, fmt, argp);
  va_end(argp);
  lua_concat(L, 2);
  return lua_error(L);
}

void luaL_checkstack(lua_State *L, int space, const char *mes) {
  if (!lua_checkstack(L, space)) luaL_error(L, "stack overflow (%s)", mes);
}

void luaL_checktype(lua_State *L, int narg, int t) {
  if (lua_type(L, narg) != t) tag_error(L, narg, t);
}

void luaL_checkany(lua_State *L, int narg) {
  if (lua_type(L, narg) == LUA_TNONE) luaL_argerror(L, narg, "value expected");
}

const char *luaL_checklstring(lua_State *L, int narg, size_t *len) {
  const char *s = lua_tostring(L, narg);
  if (!s) tag_error(L, narg, LUA_TSTRING);
  if (len) *len = lua_strlen(L, narg);
  return s;
}

const char *luaL_optlstring(lua_State *L, int narg, const char *def, size_t *len) {
  if (lua_isnoneornil(L, narg)) {
    if (len) *len = def ? strlen(def) : 0;
    return def;
  }
  return luaL_checklstring(L, narg, len);
}

const lua_WChar *luaL_checkwstring(lua_State *L, int narg, size_t *len) {
  const lua_WChar *s = lua_towstring(L, narg);
  if (!s) luaL_typerror(L, narg, "wstring");
  if (len) *len = lua_strlen(L, narg);
  return s;
}

lua_Number luaL_checknumber(lua_State *L, int narg) {
  lua_Number d = lua_tonumber(L, narg);
  if (d == 0 && !lua_isnumber(L, narg)) tag_error(L, narg, LUA_TNUMBER);
  return d;
}

lua_Number luaL_optnumber(lua_State *L, int narg, lua_Number def) {
  if (lua_isnoneornil(L, narg)) return def;
  return luaL_checknumber(L, narg);
}

int luaL_getmetafield(lua_State *L, int obj, const char *event) {
  if (!lua_getmetatable(L, obj)) return 0;
  lua_pushstring(L, event);
  lua_rawget(L, -2);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 2);
    return 0;
  }
  lua_remove(L, -2);
  return 1;
}

int luaL_callmeta(lua_State *L, int obj, const char *event) {
  if (obj < 0 && obj > LUA_REGISTRYINDEX) obj = lua_gettop(L) + obj + 1;
  if (!luaL_getmetafield(L, obj, event)) return 0;
  lua_pushvalue(L, obj);
  lua_call(L, 1, 1);
  return 1;
}

void luaL_openlib(lua_State *L, const char *libname, const luaL_reg *l, int nup) {
  if (libname) {
    lua_pushstring(L, libname);
    lua_gettable(L, LUA_GLOBALSINDEX);
    if (lua_isnil(L, -1)) {
      lua_pop(L, 1);
      lua_newtable(L);
      lua_pushstring(L, libname);
      lua_pushvalue(L, -2);
      lua_settable(L, LUA_GLOBALSINDEX);
    }
    lua_insert(L, -(nup + 1));  // the table goes below the upvalues
  }
  for (; l->name; l++) {
    lua_pushstring(L, l->name);
    for (int i = 0; i < nup; i++) lua_pushvalue(L, -(nup + 1));
    lua_pushcclosure(L, l->func, nup);
    lua_settable(L, -(nup + 3));
  }
  lua_pop(L, nup);
}

// ---- table sizes ----

// Registry key of the weak table of sizes set by luaL_setn on tables without a number "n".
static char sizes_key;

static void push_sizes(lua_State *L) {
  lua_pushlightuserdata(L, &sizes_key);
  lua_rawget(L, LUA_REGISTRYINDEX);
  if (!lua_istable(L, -1)) {
    lua_pop(L, 1);
    lua_newtable(L);
    lua_pushvalue(L, -1);
    lua_setmetatable(L, -2);  // its own metatable, weak in its keys
    lua_pushliteral(L, "__mode");
    lua_pushliteral(L, "k");
    lua_rawset(L, -3);
    lua_pushlightuserdata(L, &sizes_key);
    lua_pushvalue(L, -2);
    lua_rawset(L, LUA_REGISTRYINDEX);
  }
  G(L)->sizes = hvalue(L->top - 1);
}

static int abs_index(lua_State *L, int i) {
  return (i > 0 || i <= LUA_REGISTRYINDEX) ? i : lua_gettop(L) + i + 1;
}

// The table at a stack index (positive after abs_index), else NULL: the sizes are read and
// written in place, without the interning and the stack traffic of the calls above.
static Table *table_at(lua_State *L, int t) {
  if (t <= 0 || L->base + (t - 1) >= L->top || !ttistable(L->base + (t - 1))) return NULL;
  return hvalue(L->base + (t - 1));
}

// The weak table of sizes, when it exists. Only push_sizes sets its registry entry.
static Table *sizes_table(lua_State *L) { return G(L)->sizes; }

// The slot of the table at `key' in the sizes, nil when absent. Insertions and removals go to
// the same table over and over: the node found last is tried first.
static const TObject *size_of(lua_State *L, Table *sizes, const TObject *key) {
  int hint = G(L)->sizesHint;
  if (hint < sizenode(sizes)) {
    Node *n = gnode(sizes, hint);
    if (ttistable(gkey(n)) && hvalue(gkey(n)) == hvalue(key)) return gval(n);
  }
  const TObject *v = luaH_get(sizes, key);
  if (v != &luaO_nilobject && !(v >= sizes->array && v < sizes->array + sizes->sizearray))
    G(L)->sizesHint = static_cast<int>(nodeofval(v) - sizes->node);
  return v;
}

void luaL_setn(lua_State *L, int t, int n) {
  t = abs_index(L, t);
  if (Table *h = table_at(L, t)) {
    TObject *field = const_cast<TObject *>(luaH_getstr(h, G(L)->nname));
    if (ttisnumber(field)) {
      TObject key;
      setsvalue(&key, G(L)->nname);
      setnvalue(luaH_set(L, h, &key), n);  // the slot exists: a plain store
      return;
    }
    Table *sizes = sizes_table(L);
    if (sizes == NULL) {
      push_sizes(L);  // makes it
      lua_pop(L, 1);
      sizes = sizes_table(L);
    }
    TObject *slot = const_cast<TObject *>(size_of(L, sizes, L->base + (t - 1)));
    if (slot == &luaO_nilobject) slot = luaH_set(L, sizes, L->base + (t - 1));
    else sizes->flags = 0;  // as luaH_set leaves it
    setnvalue(slot, n);
    return;
  }
  lua_pushliteral(L, "n");
  lua_rawget(L, t);
  if (lua_type(L, -1) == LUA_TNUMBER) {
    lua_pop(L, 1);
    lua_pushliteral(L, "n");
    lua_pushnumber(L, n);
    lua_rawset(L, t);
    return;
  }
  lua_pop(L, 1);
  push_sizes(L);
  lua_pushvalue(L, t);
  lua_pushnumber(L, n);
  lua_rawset(L, -3);
  lua_pop(L, 1);
}

int luaL_getn(lua_State *L, int t) {
  t = abs_index(L, t);
  if (Table *h = table_at(L, t)) {
    const TObject *field = luaH_getstr(h, G(L)->nname);
    if (ttisnumber(field)) return SaturateToInt32(nvalue(field));
    if (Table *sizes = sizes_table(L)) {
      const TObject *v = size_of(L, sizes, L->base + (t - 1));
      if (ttisnumber(v)) return SaturateToInt32(nvalue(v));
    }
    return luaH_bound(h);
  }
  lua_pushliteral(L, "n");
  lua_rawget(L, t);
  if (lua_type(L, -1) == LUA_TNUMBER) {
    int n = SaturateToInt32(lua_tonumber(L, -1));
    lua_pop(L, 1);
    return n;
  }
  lua_pop(L, 1);
  push_sizes(L);
  lua_pushvalue(L, t);
  lua_rawget(L, -2);
  if (lua_type(L, -1) == LUA_TNUMBER) {
    int n = SaturateToInt32(lua_tonumber(L, -1));
    lua_pop(L, 2);
    return n;
  }
  lua_pop(L, 2);
  return lua_getn(L, t);
}

// ---- buffers ----

#define bufflen(B) ((size_t)((B)->p - (B)->buffer))
#define bufffree(B) ((size_t)(LUAL_BUFFERSIZE - bufflen(B)))
#define LIMIT (LUA_MINSTACK / 2)

static const lua_WChar kNoUnits[1] = {0};

static int emptybuffer(luaL_Buffer *B) {
  size_t l = bufflen(B);
  if (l == 0) return 0;
  if (B->wide)
    lua_pushlwstring(B->L, reinterpret_cast<const lua_WChar *>(B->buffer), l / 2);
  else
    lua_pushlstring(B->L, B->buffer, l);
  B->p = B->buffer;
  B->lvl++;
  return 1;
}

// Joins pieces on the stack so that no more than LIMIT stay and shorter pieces join first.
static void adjuststack(luaL_Buffer *B) {
  if (B->lvl > 1) {
    lua_State *L = B->L;
    int toget = 1;
    size_t toplen = lua_strlen(L, -1);
    do {
      size_t l = lua_strlen(L, -(toget + 1));
      if (B->lvl - toget + 1 >= LIMIT || toplen > l) {
        toplen += l;
        toget++;
      } else {
        break;
      }
    } while (toget < B->lvl);
    lua_concat(L, toget);
    B->lvl = B->lvl - toget + 1;
  }
}

char *luaL_prepbuffer(luaL_Buffer *B) {
  if (emptybuffer(B)) adjuststack(B);
  return B->buffer;
}

void luaL_addlstring(luaL_Buffer *B, const char *s, size_t l) {
  while (l--) luaL_putchar(B, *s++);
}

void luaL_addstring(luaL_Buffer *B, const char *s) { luaL_addlstring(B, s, strlen(s)); }

void luaL_addwlstring(luaL_Buffer *B, const lua_WChar *s, size_t l) {
  for (size_t i = 0; i < l; i++) {
    if (bufffree(B) < 2) luaL_prepbuffer(B);
    memcpy(B->p, &s[i], 2);
    B->p += 2;
  }
}

void luaL_pushresult(luaL_Buffer *B) {
  emptybuffer(B);
  if (B->lvl == 0 && B->wide) {
    lua_pushlwstring(B->L, kNoUnits, 0);
    return;
  }
  lua_concat(B->L, B->lvl);
  B->lvl = 1;
}

void luaL_addvalue(luaL_Buffer *B) {
  lua_State *L = B->L;
  size_t vl = lua_strlen(L, -1);
  size_t bytes = B->wide ? vl * 2 : vl;
  if (bytes <= bufffree(B)) {
    if (B->wide)
      memcpy(B->p, lua_towstring(L, -1), bytes);
    else
      memcpy(B->p, lua_tostring(L, -1), bytes);
    B->p += bytes;
    lua_pop(L, 1);
  } else {
    if (emptybuffer(B)) lua_insert(L, -2);  // the value goes above the flushed piece
    B->lvl++;
    adjuststack(B);
  }
}

void luaL_buffinit(lua_State *L, luaL_Buffer *B) {
  B->L = L;
  B->p = B->buffer;
  B->lvl = 0;
  B->wide = 0;
}

void luaL_wbuffinit(lua_State *L, luaL_Buffer *B) {
  luaL_buffinit(L, B);
  B->wide = 1;
}

// ---- loading ----

namespace {

struct FileReader {
  TFile *f;
  char buff[LUAL_BUFFERSIZE];
};

const char *ReadFileBlock(lua_State *, void *ud, size_t *size) {
  FileReader *r = static_cast<FileReader *>(ud);
  if (FileEOF(r->f)) return nullptr;
  int n = FileRead(r->f, r->buff, LUAL_BUFFERSIZE);
  if (n <= 0) return nullptr;
  *size = (size_t)n;
  return r->buff;
}

struct BufferReader {
  const char *s;
  size_t size;
};

const char *ReadBufferOnce(lua_State *, void *ud, size_t *size) {
  BufferReader *r = static_cast<BufferReader *>(ud);
  if (r->size == 0) return nullptr;
  *size = r->size;
  r->size = 0;
  return r->s;
}

int FileFailure(lua_State *L, int fnameindex, int err) {
  const char *filename = lua_tostring(L, fnameindex) + 1;
  lua_pushfstring(L, "cannot read %s: %s", filename, strerror(err ? err : ENOENT));
  lua_remove(L, fnameindex);
  return LUA_ERRFILE;
}

}  // namespace

int luaL_loadfile(lua_State *L, const char *filename) {
  int fnameindex = lua_gettop(L) + 1;
  lua_pushfstring(L, "@%s", filename);
  errno = 0;
  FileReader r;
  r.f = FileOpen(filename, 1);
  if (!r.f) return FileFailure(L, fnameindex, errno);
  int c = FileGetChar(r.f);
  if (c != EOF) FileUngetChar(r.f);
  // Text mode would drop carriage returns from a precompiled or UTF-16 chunk.
  if (c != EOF && !isspace(c) && !isprint(c)) {
    FileClose(r.f);
    errno = 0;
    r.f = FileOpen(filename, 0);
    if (!r.f) return FileFailure(L, fnameindex, errno);
  }
  int status = lua_load(L, ReadFileBlock, &r, lua_tostring(L, -1));
  int readError = FileError(r.f);
  FileClose(r.f);
  if (readError) {
    lua_settop(L, fnameindex);
    return FileFailure(L, fnameindex, errno ? errno : EIO);
  }
  lua_remove(L, fnameindex);
  return status;
}

int luaL_loadbuffer(lua_State *L, const char *buff, size_t size, const char *name) {
  BufferReader r{buff, size};
  return lua_load(L, ReadBufferOnce, &r, name);
}

static void callalert(lua_State *L, int status) {
  if (status == 0) return;
  lua_pushliteral(L, "_ALERT");
  lua_gettable(L, LUA_GLOBALSINDEX);
  if (lua_isfunction(L, -1)) {
    lua_insert(L, -2);
    lua_call(L, 1, 0);
  } else {
    const char *msg = lua_tostring(L, -2);
    fprintf(stderr, "%s\n", msg ? msg : "(error object is not a string)");
    lua_pop(L, 2);
  }
}

static int aux_do(lua_State *L, int status) {
  if (status == 0) status = lua_pcall(L, 0, LUA_MULTRET, 0);
  callalert(L, status);
  return status;
}

int lua_dobuffer(lua_State *L, const char *buff, size_t size, const char *name) {
  return aux_do(L, luaL_loadbuffer(L, buff, size, name));
}

int lua_dostring(lua_State *L, const char *str) { return lua_dobuffer(L, str, strlen(str), str); }

void OpenAllLibraries(lua_State *L) {
  int top = lua_gettop(L);
  luaopen_base(L);
  luaopen_string(L);
  luaopen_table(L);
  luaopen_math(L);
  lua_settop(L, top);
}
