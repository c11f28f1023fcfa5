// TStr copy, append, compare and map insertion, with std::string beside it as a yardstick.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "core/base/str.h"

namespace {
std::vector<TStr> MakeKeys(int n) {
  std::vector<TStr> keys;
  keys.reserve(n);
  for (int i = 0; i < n; ++i) keys.push_back(TStr::Format("assets/textures/item_%06d.png", (i * 7919) % n));
  return keys;
}
}  // namespace

static void BM_StrCopy(benchmark::State& state) {
  TStr s(std::string(state.range(0), 'x').c_str());
  for (auto _ : state) {
    TStr copy = s;
    benchmark::DoNotOptimize(copy.c_str());
  }
}
BENCHMARK(BM_StrCopy)->Arg(16)->Arg(1024);

static void BM_StrCopyThenWrite(benchmark::State& state) {
  TStr s(std::string(state.range(0), 'x').c_str());
  for (auto _ : state) {
    TStr copy = s;
    copy += 'y';  // forces the private copy
    benchmark::DoNotOptimize(copy.c_str());
  }
}
BENCHMARK(BM_StrCopyThenWrite)->Arg(16)->Arg(1024);

static void BM_StdStringCopy(benchmark::State& state) {
  std::string s(state.range(0), 'x');
  for (auto _ : state) {
    std::string copy = s;
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_StdStringCopy)->Arg(16)->Arg(1024);

static void BM_StrAppendChars(benchmark::State& state) {
  for (auto _ : state) {
    TStr s;
    for (int i = 0; i < state.range(0); ++i) s += 'a';
    benchmark::DoNotOptimize(s.c_str());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrAppendChars)->Arg(64)->Arg(1024);

static void BM_StrWriteAt(benchmark::State& state) {
  for (auto _ : state) {
    TStr s;
    int pos = 0;
    for (int i = 0; i < state.range(0); ++i) pos = s.WriteAt(pos, "abcd", 4, false);
    s.WriteAt(pos, "", 0, true);
    benchmark::DoNotOptimize(s.c_str());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrWriteAt)->Arg(64)->Arg(1024);

static void BM_StrAppendStrings(benchmark::State& state) {
  TStr piece("segment/");
  for (auto _ : state) {
    TStr s;
    for (int i = 0; i < state.range(0); ++i) s += piece;
    benchmark::DoNotOptimize(s.c_str());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StrAppendStrings)->Arg(16)->Arg(256);

static void BM_StdStringAppendStrings(benchmark::State& state) {
  std::string piece("segment/");
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < state.range(0); ++i) s += piece;
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdStringAppendStrings)->Arg(16)->Arg(256);

static void BM_StrCompare(benchmark::State& state) {
  std::string base(state.range(0), 'k');
  TStr a((base + "a").c_str()), b((base + "b").c_str());
  for (auto _ : state) benchmark::DoNotOptimize(a.Compare(b));
}
BENCHMARK(BM_StrCompare)->Arg(8)->Arg(256);

static void BM_StrFormat(benchmark::State& state) {
  for (auto _ : state) {
    TStr s = TStr::Format("%s(%d): %s", "particles.cpp", 42, "parameter index out of range");
    benchmark::DoNotOptimize(s.c_str());
  }
}
BENCHMARK(BM_StrFormat);

static void BM_MapInsertStrKeys(benchmark::State& state) {
  std::vector<TStr> keys = MakeKeys((int)state.range(0));
  for (auto _ : state) {
    std::map<TStr, TStr> m;
    for (const TStr& k : keys) m[k] = k;
    benchmark::DoNotOptimize(m.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MapInsertStrKeys)->Arg(100)->Arg(10000);

static void BM_MapInsertStdStringKeys(benchmark::State& state) {
  std::vector<TStr> src = MakeKeys((int)state.range(0));
  std::vector<std::string> keys;
  for (const TStr& k : src) keys.emplace_back(k.c_str());
  for (auto _ : state) {
    std::map<std::string, std::string> m;
    for (const std::string& k : keys) m[k] = k;
    benchmark::DoNotOptimize(m.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MapInsertStdStringKeys)->Arg(100)->Arg(10000);

static void BM_MapFindStrKeys(benchmark::State& state) {
  std::vector<TStr> keys = MakeKeys((int)state.range(0));
  std::map<TStr, TStr> m;
  for (const TStr& k : keys) m[k] = k;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(m.find(keys[i]));
    i = (i + 1) % keys.size();
  }
}
BENCHMARK(BM_MapFindStrKeys)->Arg(10000);

BENCHMARK_MAIN();
