// Precompiled chunks: the loader with its header and structure checks (reading grows with the
// data actually present, so a hostile size cannot ask for more memory than the input holds),
// and the writer.
#include <cstring>
#include <vector>

#include "core/script/chunk.h"
#include "core/script/debug.h"
#include "core/script/do.h"
#include "core/script/func.h"
#include "core/script/mem.h"
#include "core/script/opcodes.h"
#include "core/script/state.h"
#include "core/script/string_table.h"
#include "core/script/vm_code.h"

namespace {

// Nested function records deeper than this are refused (the compiler cannot produce them).
constexpr int kMaxNesting = 250;
// Bytes read at a time for blocks of announced size.
constexpr size_t kReadStep = 65536;

struct LoadState {
  lua_State *L;
  ZIO *Z;
  int swap;
  const char *name;
  int depth;
};

[[noreturn]] void unexpectedEOZ(LoadState *S) {
  luaG_runerror(S->L, "unexpected end of file in %s", S->name);
}

[[noreturn]] void badcode(LoadState *S) { luaG_runerror(S->L, "bad code in %s", S->name); }

int ezgetc(LoadState *S) {
  int c = zgetc(S->Z);
  if (c == EOZ) unexpectedEOZ(S);
  return c;
}

void ezread(LoadState *S, void *b, size_t n) {
  if (luaZ_read(S->Z, b, n) != 0) unexpectedEOZ(S);
}

// Reads n bytes into out, growing it only as the data arrives.
void readbytes(LoadState *S, std::vector<char> &out, size_t n) {
  out.clear();
  while (n > 0) {
    size_t step = n < kReadStep ? n : kReadStep;
    size_t at = out.size();
    out.resize(at + step);
    ezread(S, out.data() + at, step);
    n -= step;
  }
}

void swapbytes(void *p, size_t size) {
  unsigned char *b = static_cast<unsigned char *>(p);
  for (size_t i = 0; i < size / 2; i++) std::swap(b[i], b[size - 1 - i]);
}

void loadvalue(LoadState *S, void *b, size_t size) {
  ezread(S, b, size);
  if (S->swap) swapbytes(b, size);
}

int loadbyte(LoadState *S) { return ezgetc(S); }

int loadint(LoadState *S) {
  int32_t x;
  loadvalue(S, &x, sizeof x);
  if (x < 0) luaG_runerror(S->L, "bad integer in %s", S->name);
  return x;
}

uint32_t loadsize(LoadState *S) {
  uint32_t x;
  loadvalue(S, &x, sizeof x);
  return x;
}

lua_Number loadnumber(LoadState *S) {
  double x;
  loadvalue(S, &x, sizeof x);
  return x;
}

TString *loadstring(LoadState *S) {
  uint32_t size = loadsize(S);
  if (size == 0) return NULL;
  std::vector<char> buf;
  readbytes(S, buf, size);
  return luaS_newlstr(S->L, buf.data(), size - 1);  // remove trailing '\0'
}

TString *loadwstring(LoadState *S) {
  uint32_t size = loadsize(S);
  if (size == 0) return NULL;
  std::vector<char> buf;
  readbytes(S, buf, static_cast<size_t>(size) * 2);
  std::vector<lua_WChar> units(size);
  for (uint32_t i = 0; i < size; i++) {
    unsigned char b0 = buf[2 * i], b1 = buf[2 * i + 1];
    // The chunk's byte order: little-endian unless the header said otherwise.
    bool little = (luaU_endianness() == 1) != (S->swap != 0);
    units[i] = little ? static_cast<lua_WChar>(b0 | (b1 << 8)) : static_cast<lua_WChar>((b0 << 8) | b1);
  }
  return luaS_newlwstr(S->L, units.data(), size - 1);
}

// A vector of n 32-bit values (instructions or line numbers).
template <typename T>
void loadvector32(LoadState *S, int n, T **v, int *sizev) {
  std::vector<char> buf;
  readbytes(S, buf, static_cast<size_t>(n) * 4);
  *v = luaM_newvector(S->L, n, T);
  *sizev = n;
  for (int i = 0; i < n; i++) {
    uint32_t x;
    std::memcpy(&x, buf.data() + 4 * static_cast<size_t>(i), 4);
    if (S->swap) swapbytes(&x, 4);
    std::memcpy(&(*v)[i], &x, 4);
  }
}

Proto *loadfunction(LoadState *S, TString *p);

void loadlocals(LoadState *S, Proto *f) {
  int n = loadint(S);
  std::vector<LocVar> vars;
  for (int i = 0; i < n; i++) {
    LocVar v;
    v.varname = loadstring(S);
    v.startpc = loadint(S);
    v.endpc = loadint(S);
    if (v.varname == NULL) badcode(S);
    vars.push_back(v);
  }
  f->locvars = luaM_newvector(S->L, n, LocVar);
  std::copy(vars.begin(), vars.end(), f->locvars);
  f->sizelocvars = n;
}

void loadupvalues(LoadState *S, Proto *f) {
  int n = loadint(S);
  if (n != 0 && n != f->nups)
    luaG_runerror(S->L, "bad nupvalues in %s: read %d; expected %d", S->name, n, f->nups);
  std::vector<TString *> names;
  for (int i = 0; i < n; i++) {
    TString *s = loadstring(S);
    if (s == NULL) badcode(S);
    names.push_back(s);
  }
  f->upvalues = luaM_newvector(S->L, n, TString *);
  std::copy(names.begin(), names.end(), f->upvalues);
  f->sizeupvalues = n;
}

void loadconstants(LoadState *S, Proto *f) {
  int n = loadint(S);
  std::vector<TObject> ks;
  for (int i = 0; i < n; i++) {
    TObject o;
    int t = loadbyte(S);
    switch (t) {
      case LUA_TNUMBER: setnvalue(&o, loadnumber(S)); break;
      case LUA_TSTRING: {
        TString *s = loadstring(S);
        if (s == NULL) badcode(S);
        setsvalue(&o, s);
        break;
      }
      case LUA_TWSTRING: {
        TString *s = loadwstring(S);
        if (s == NULL) badcode(S);
        setwsvalue(&o, s);
        break;
      }
      case LUA_TNIL: setnilvalue(&o); break;
      default: luaG_runerror(S->L, "bad constant type (%d) in %s", t, S->name);
    }
    ks.push_back(o);
  }
  f->k = luaM_newvector(S->L, n, TObject);
  std::copy(ks.begin(), ks.end(), f->k);
  f->sizek = n;
  n = loadint(S);
  std::vector<Proto *> ps;
  for (int i = 0; i < n; i++) ps.push_back(loadfunction(S, f->source));
  f->p = luaM_newvector(S->L, n, Proto *);
  std::copy(ps.begin(), ps.end(), f->p);
  f->sizep = n;
}

Proto *loadfunction(LoadState *S, TString *p) {
  if (++S->depth > kMaxNesting) badcode(S);
  Proto *f = luaF_newproto(S->L);
  f->source = loadstring(S);
  if (f->source == NULL) f->source = p;
  if (f->source == NULL) f->source = luaS_new(S->L, S->name);  // a main function without one
  f->lineDefined = loadint(S);
  f->nups = cast(lu_byte, loadbyte(S));
  f->numparams = cast(lu_byte, loadbyte(S));
  f->is_vararg = cast(lu_byte, loadbyte(S));
  f->maxstacksize = cast(lu_byte, loadbyte(S));
  loadvector32(S, loadint(S), &f->lineinfo, &f->sizelineinfo);
  loadlocals(S, f);
  loadupvalues(S, f);
  loadconstants(S, f);
  loadvector32(S, loadint(S), &f->code, &f->sizecode);
  if (!luaG_checkcode(f)) badcode(S);
  luaV_prepare(S->L, f);
  S->depth--;
  return f;
}

void loadsignature(LoadState *S) {
  const char *s = LUA_SIGNATURE;
  while (*s != 0 && ezgetc(S) == *s) ++s;
  if (*s != 0) luaG_runerror(S->L, "bad signature in %s", S->name);
}

void testsize(LoadState *S, int s, const char *what) {
  int r = loadbyte(S);
  if (r != s)
    luaG_runerror(S->L, "virtual machine mismatch in %s: size of %s is %d but read %d", S->name,
                  what, s, r);
}

void loadheader(LoadState *S) {
  loadsignature(S);
  int version = loadbyte(S);
  if (version > VERSION)
    luaG_runerror(S->L, "%s too new: read version %d.%d; expected at most %d.%d", S->name,
                  version >> 4, version & 0xF, VERSION >> 4, VERSION & 0xF);
  if (version < VERSION0)
    luaG_runerror(S->L, "%s too old: read version %d.%d; expected at least %d.%d", S->name,
                  version >> 4, version & 0xF, VERSION0 >> 4, VERSION0 & 0xF);
  S->swap = (luaU_endianness() != loadbyte(S));  // need to swap bytes?
  testsize(S, 4, "int");
  testsize(S, 4, "size_t");
  testsize(S, 4, "Instruction");
  testsize(S, SIZE_OP, "OP");
  testsize(S, SIZE_A, "A");
  testsize(S, SIZE_B, "B");
  testsize(S, SIZE_C, "C");
  testsize(S, 8, "number");
  lua_Number x = loadnumber(S);
  if (luaO_num2int64(x) != luaO_num2int64(TEST_NUMBER))
    luaG_runerror(S->L, "unknown number format in %s", S->name);
}

// Writer.

struct DumpState {
  lua_State *L;
  lua_Chunkwriter writer;
  void *data;
};

void dumpblock(const void *b, size_t size, DumpState *D) {
  (*D->writer)(D->L, b, size, D->data);
}

void dumpbyte(int y, DumpState *D) {
  char x = static_cast<char>(y);
  dumpblock(&x, 1, D);
}

void dumpint(int x, DumpState *D) {
  int32_t v = x;
  dumpblock(&v, 4, D);
}

void dumpsize(size_t x, DumpState *D) {
  uint32_t v = static_cast<uint32_t>(x);
  dumpblock(&v, 4, D);
}

void dumpnumber(lua_Number x, DumpState *D) { dumpblock(&x, sizeof x, D); }

void dumpstring(const TString *s, DumpState *D) {
  if (s == NULL) {
    dumpsize(0, D);
  } else {
    size_t size = s->len + 1;  // include trailing '\0'
    dumpsize(size, D);
    dumpblock(getstr(s), size, D);
  }
}

void dumpwstring(const TString *s, DumpState *D) {
  size_t size = s->len + 1;  // units, with the terminating zero unit
  dumpsize(size, D);
  dumpblock(getwstr(s), size * sizeof(lua_WChar), D);
}

void dumpfunction(const Proto *f, const TString *p, DumpState *D);

void dumpconstants(const Proto *f, DumpState *D) {
  dumpint(f->sizek, D);
  for (int i = 0; i < f->sizek; i++) {
    const TObject *o = &f->k[i];
    dumpbyte(ttype(o), D);
    switch (ttype(o)) {
      case LUA_TNUMBER: dumpnumber(nvalue(o), D); break;
      case LUA_TSTRING: dumpstring(tsvalue(o), D); break;
      case LUA_TWSTRING: dumpwstring(tsvalue(o), D); break;
      default: break;  // nil
    }
  }
  dumpint(f->sizep, D);
  for (int i = 0; i < f->sizep; i++) dumpfunction(f->p[i], f->source, D);
}

void dumpfunction(const Proto *f, const TString *p, DumpState *D) {
  dumpstring((f->source == p) ? NULL : f->source, D);
  dumpint(f->lineDefined, D);
  dumpbyte(f->nups, D);
  dumpbyte(f->numparams, D);
  dumpbyte(f->is_vararg, D);
  dumpbyte(f->maxstacksize, D);
  dumpint(f->sizelineinfo, D);
  dumpblock(f->lineinfo, sizeof(int) * f->sizelineinfo, D);
  dumpint(f->sizelocvars, D);
  for (int i = 0; i < f->sizelocvars; i++) {
    dumpstring(f->locvars[i].varname, D);
    dumpint(f->locvars[i].startpc, D);
    dumpint(f->locvars[i].endpc, D);
  }
  dumpint(f->sizeupvalues, D);
  for (int i = 0; i < f->sizeupvalues; i++) dumpstring(f->upvalues[i], D);
  dumpconstants(f, D);
  dumpint(f->sizecode, D);
  dumpblock(f->code, sizeof(Instruction) * f->sizecode, D);
}

void dumpheader(DumpState *D) {
  dumpblock(LUA_SIGNATURE, 4, D);
  dumpbyte(VERSION, D);
  dumpbyte(luaU_endianness(), D);
  dumpbyte(4, D);
  dumpbyte(4, D);
  dumpbyte(4, D);
  dumpbyte(SIZE_OP, D);
  dumpbyte(SIZE_A, D);
  dumpbyte(SIZE_B, D);
  dumpbyte(SIZE_C, D);
  dumpbyte(8, D);
  dumpnumber(TEST_NUMBER, D);
}

}  // namespace

int luaU_endianness(void) {
  int x = 1;
  return *reinterpret_cast<char *>(&x);
}

Proto *luaU_undump(lua_State *L, ZIO *Z, Mbuffer *buff) {
  (void)buff;
  const char *s = zname(Z);
  LoadState S;
  if (*s == '@' || *s == '=') S.name = s + 1;
  else if (*s == LUA_SIGNATURE[0]) S.name = "binary string";
  else S.name = s;
  S.L = L;
  S.Z = Z;
  S.swap = 0;
  S.depth = 0;
  loadheader(&S);
  return loadfunction(&S, NULL);
}

void luaU_dump(lua_State *L, const Proto *Main, lua_Chunkwriter w, void *data) {
  DumpState D;
  D.L = L;
  D.writer = w;
  D.data = data;
  dumpheader(&D);
  dumpfunction(Main, NULL, &D);
}
