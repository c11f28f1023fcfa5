// A screen for benchmarks: a window of its own, a platform that is always active, and the
// renderer made with the display handler as its backend, set up at 800 x 600 (16 bits through
// the low-memory mode).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/base/task.h"
#include "core/graphics/directx/display_host.h"
#include "core/graphics/directx/platform_data.h"
#include "core/graphics/renderer.h"
#include "platform/directx/directx_test_control.h"

class TBenchHost : public TDisplayHost {
 public:
  HWND window = nullptr;
  // 0: the real clock; else every reading is this many ms later than the last.
  uint32_t clockStep = 0;
  uint32_t time = 0;
  bool HasPlatform() override { return true; }
  HWND GetMainWindow() override { return window; }
  HWND GetExternalParent() override { return nullptr; }
  bool IsMinimized() override { return false; }
  bool IsWindowActive() override { return true; }
  bool IsAppActive() override { return true; }
  bool HasSeenAppActivation() override { return false; }
  bool IsFullScreenInactive() override { return false; }
  bool IsDisplayScaling() override { return false; }
  float GetDisplayScale() override { return 1.0f; }
  void SetDisplayScale(float) override {}
  void RestoreDisplayScale() override {}
  void SetDisplayReset() override {}
  bool IsCursorShown() override { return true; }
  bool IsPqMode() override { return false; }
  bool IsZylomHost() override { return false; }
  uint32_t GetTime() override { return clockStep ? time += clockStep : timeGetTime(); }
  void Sleep(uint32_t ms) override { ::Sleep(ms); }
  void SetDefaultMouseCursor() override {}
  void AddOwnTask(TTask* task) override { tasks.emplace_back(task); }
  void RunTasks(int) override {}
  void PostQuit(int) override {}
  void ExitProgram(int) override {}
  bool HasWindowManager() override { return false; }
  bool IsMoviePlaying() override { return false; }
  void Invalidate() override {}
  bool GetRootRect(TRect&) override { return false; }
  void OnRenderTargetRefused() override {}
  std::vector<std::unique_ptr<TTask>> tasks;
};

class TBenchScreen {
 public:
  explicit TBenchScreen(bool fullScreen, int bits = 32, uint32_t clockStep = 0) {
    host.clockStep = clockStep;
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.lpszClassName = "bench_screen";
    RegisterClassA(&wc);
    host.window = CreateWindowExA(0, "bench_screen", "Bench", 0xCE0000 | WS_VISIBLE, 0, 0, 800, 600, nullptr,
                                  nullptr, nullptr, nullptr);
    SetForegroundWindow(host.window);
    SetDisplayHost(&host);
    TestControl::Display::SetProfile(TestControl::Display::Profile());
    TRenderer::Destroy();
    TRenderer::SetBackendFactory(nullptr);
    TRenderer::Get();
    display = TPlatformData::Get();
    display->SetDisplay(800, 600, fullScreen, true, true, false);
    if (bits == 16) {
      display->OnOutOfVideoMemory();  // the next set-up is 16-bit full screen
      display->SetDisplay(800, 600, true, true, true, false);
    }
  }
  ~TBenchScreen() {
    TRenderer::Destroy();
    SetDisplayHost(nullptr);
    DestroyWindow(host.window);
    UnregisterClassA("bench_screen", nullptr);
  }
  TBenchScreen(const TBenchScreen&) = delete;
  TBenchScreen& operator=(const TBenchScreen&) = delete;

  bool Ready() const { return display && display->IsDisplayReady(); }

  TBenchHost host;
  TPlatformData* display = nullptr;

 private:
  static LRESULT WindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(h, message, wParam, lParam);
  }
};
