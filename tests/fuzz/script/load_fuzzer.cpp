// libFuzzer target for lua_load: any bytes, as source text (narrow or FF FE) or as a
// precompiled chunk, must load or fail with a message, never crash. Source that compiles must
// also pass the chunk checker and survive a dump and reload.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/script/chunk.h"
#include "core/script/debug.h"
#include "core/script/lua.h"
#include "core/script/state.h"

namespace {

struct Input {
  const char* data;
  size_t size;
};

const char* ReadInput(lua_State*, void* ud, size_t* size) {
  auto* in = static_cast<Input*>(ud);
  if (in->size == 0) return nullptr;
  *size = in->size;
  in->size = 0;
  return in->data;
}

int WriteString(lua_State*, const void* p, size_t size, void* ud) {
  static_cast<std::string*>(ud)->append(static_cast<const char*>(p), size);
  return 1;
}

bool AllPassTheChecker(const Proto* f) {
  if (!luaG_checkcode(f)) return false;
  for (int i = 0; i < f->sizep; ++i)
    if (!AllPassTheChecker(f->p[i])) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  lua_State* L = lua_open();
  Input in{reinterpret_cast<const char*>(data), size};
  int status = lua_load(L, ReadInput, &in, "=fuzz");
  if (status == 0 && (size == 0 || data[0] != 27)) {
    // The code generator's output must be what the loader's checker accepts.
    if (!AllPassTheChecker(clvalue(L->top - 1)->l.p)) abort();
    std::string chunk;
    lua_dump(L, WriteString, &chunk);
    Input again{chunk.data(), chunk.size()};
    if (lua_load(L, ReadInput, &again, "=reload") != 0) abort();
  } else if (status != 0 && !lua_isstring(L, -1)) {
    abort();  // a failed load always leaves its message
  }
  lua_close(L);
  return 0;
}
