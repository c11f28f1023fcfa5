// Script engine benchmarks: each runs one script through lua_load and lua_pcall in a fresh
// state. Until the string library exists the "formatted strings" are built by concatenating
// numbers and strings.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "core/script/lua.h"

namespace {

const char *ReadOnce(lua_State *, void *ud, size_t *size) {
  const char **text = static_cast<const char **>(ud);
  if (*text == nullptr) return nullptr;
  *size = std::strlen(*text);
  const char *out = *text;
  *text = nullptr;
  return out;
}

int SetMetatable(lua_State *L) {
  lua_settop(L, 2);
  lua_setmetatable(L, 1);
  return 1;
}

void RunScript(benchmark::State &state, const char *script) {
  for (auto _ : state) {
    lua_State *L = lua_open();
    lua_register(L, "setmetatable", SetMetatable);
    const char *text = script;
    if (lua_load(L, ReadOnce, &text, "=bench") != 0 || lua_pcall(L, 0, 1, 0) != 0) {
      state.SkipWithError(lua_tostring(L, -1));
      lua_close(L);
      break;
    }
    benchmark::DoNotOptimize(lua_tonumber(L, -1));
    lua_close(L);
  }
}

void BM_RecursiveFib32(benchmark::State &state) {
  RunScript(state,
            "local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end "
            "return fib(32)");
}
BENCHMARK(BM_RecursiveFib32)->Unit(benchmark::kMillisecond);

void BM_NumericLoop20M(benchmark::State &state) {
  RunScript(state,
            "local x = 0 "
            "for i = 1, 20000000 do x = x + i * 2 - i / 2 end "
            "return x");
}
BENCHMARK(BM_NumericLoop20M)->Unit(benchmark::kMillisecond);

void BM_ArrayAndStringKeys(benchmark::State &state) {
  RunScript(state,
            "local a = {} "
            "for i = 1, 2000000 do a[i] = i end "
            "local s = 0 "
            "for i = 1, 2000000 do s = s + a[i] end "
            "local h = {} "
            "for i = 1, 300000 do h['k' .. i] = i end "
            "for i = 1, 300000 do s = s + h['k' .. i] end "
            "return s");
}
BENCHMARK(BM_ArrayAndStringKeys)->Unit(benchmark::kMillisecond);

// The pieces are joined through a stack whose entries shrink towards the top (each merge
// joins equal-sized runs), so the whole text is copied O(log n) times, not O(n).
void BM_FormattedStringsConcatenated(benchmark::State &state) {
  RunScript(state,
            "local stack, sizes, n = {}, {}, 0 "
            "for i = 1, 300000 do "
            "  n = n + 1 "
            "  stack[n] = 'item ' .. i .. ': ' .. (i * 1.5) .. ';' "
            "  sizes[n] = 1 "
            "  while n > 1 and sizes[n] >= sizes[n - 1] do "
            "    stack[n - 1] = stack[n - 1] .. stack[n] "
            "    sizes[n - 1] = sizes[n - 1] + sizes[n] "
            "    stack[n] = nil n = n - 1 "
            "  end "
            "end "
            "local s = stack[n] "
            "for i = n - 1, 1, -1 do s = stack[i] .. s end "
            "return n");
}
BENCHMARK(BM_FormattedStringsConcatenated)->Unit(benchmark::kMillisecond);

void BM_MethodCallsAndClosures(benchmark::State &state) {
  RunScript(state,
            "local Counter = {} Counter.__index = Counter "
            "function Counter:add(d) self.value = self.value + d end "
            "local c = setmetatable({value = 0}, Counter) "
            "for i = 1, 2000000 do c:add(1) end "
            "local f "
            "for i = 1, 1000000 do local j = i f = function() return j end end "
            "return c.value + f()");
}
BENCHMARK(BM_MethodCallsAndClosures)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
