// The event pump at rest and woken: an idle GetEvent must wait in the kernel (CPU time far
// below wall time per call) and return soon after a message arrives from another thread.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "core/base/platform.h"
#include "core/base/win32/run_application.h"

namespace {

TPlatform* gPlatform = nullptr;

void BM_IdleGetEvent(benchmark::State& state) {
  TPlatformEvent e;
  for (auto _ : state) gPlatform->GetEvent(&e);
}
BENCHMARK(BM_IdleGetEvent)->Iterations(500);

// Wall time from PostMessage on another thread to the pump handing back the message's event.
void BM_MessageLatency(benchmark::State& state) {
  HWND main = gPlatform->GetMainWindow();
  TPlatformEvent e;
  for (auto _ : state) {
    std::atomic<int64_t> postedAt{0};
    std::thread poster([&] {
      std::this_thread::sleep_for(std::chrono::microseconds(700));
      postedAt = std::chrono::steady_clock::now().time_since_epoch().count();
      PostMessageA(main, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    });
    do gPlatform->GetEvent(&e);
    while (e.type != kEventMouseMove);
    auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    poster.join();
    state.SetIterationTime((double)(now - postedAt.load()) * 1e-9);
  }
}
BENCHMARK(BM_MessageLatency)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

void RunBenchmarks(TPlatform* platform, const char*) {
  gPlatform = platform;
  TPlatformEvent e;
  do platform->GetEvent(&e);  // start-up events first
  while (e.type != kEventIdle);
  benchmark::RunSpecifiedBenchmarks();
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  char line[] = "--multiple";
  RunApplication(nullptr, nullptr, line, SW_SHOWNORMAL, RunBenchmarks, false);
  return 0;
}
