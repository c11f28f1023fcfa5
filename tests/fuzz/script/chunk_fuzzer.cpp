// libFuzzer target for precompiled chunks: the input is a function record placed after a valid
// header, so every run exercises the record reader and the code checker. A chunk that loads
// must dump and reload to the same bytes, and, when its code cannot loop (no backward jump), it
// is run: whatever the checker accepts must run to a result or an error, never crash.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/script/lua.h"
#include "core/script/opcodes.h"
#include "core/script/state.h"

namespace {

struct Input {
  const char *data;
  size_t size;
};

const char *ReadInput(lua_State *, void *ud, size_t *size) {
  auto *in = static_cast<Input *>(ud);
  if (in->size == 0) return nullptr;
  *size = in->size;
  in->size = 0;
  return in->data;
}

int WriteString(lua_State *, const void *p, size_t size, void *ud) {
  static_cast<std::string *>(ud)->append(static_cast<const char *>(p), size);
  return 0;
}

bool CannotLoop(const Proto *f) {
  for (int pc = 0; pc < f->sizecode; pc++) {
    OpCode op = GET_OPCODE(f->code[pc]);
    if ((op == OP_JMP || op == OP_FORLOOP || op == OP_TFORPREP) && GETARG_sBx(f->code[pc]) < 0)
      return false;
  }
  for (int i = 0; i < f->sizep; i++)
    if (!CannotLoop(f->p[i])) return false;
  return true;
}

std::string Header() {
  std::string h("\x1bLua\x50\x01\x04\x04\x04\x06\x08\x09\x09\x08", 14);
  double test = 3.14159265358979323846e7;
  h.append(reinterpret_cast<const char *>(&test), 8);
  return h;
}

std::string DumpTop(lua_State *L) {
  std::string out;
  lua_dump(L, WriteString, &out);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static const std::string header = Header();
  std::string chunk = header + std::string(reinterpret_cast<const char *>(data), size);
  lua_State *L = lua_open();
  Input in{chunk.data(), chunk.size()};
  if (lua_load(L, ReadInput, &in, "=fuzz") != 0) {
    if (!lua_isstring(L, -1)) abort();  // a failed load always leaves its message
    lua_close(L);
    return 0;
  }
  std::string first = DumpTop(L);  // empty for a main function with upvalues (not dumped)
  if (!first.empty()) {
    Input again{first.data(), first.size()};
    if (lua_load(L, ReadInput, &again, "=reload") != 0) abort();
    if (DumpTop(L) != first) abort();
    lua_pop(L, 1);
  }
  if (CannotLoop(clvalue(L->top - 1)->l.p)) {
    lua_pushnumber(L, 1);
    lua_pushstring(L, "x");
    lua_pcall(L, 2, LUA_MULTRET, 0);
  }
  lua_close(L);
  return 0;
}
