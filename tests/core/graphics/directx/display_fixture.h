// Shared set-up for the display handler tests: a main window of the Win32 stand-in, a display
// host whose platform answers the test sets (and which records exits, quits and redraws), the
// display handler itself, a log in a temporary folder and "common:" in another; the clock is
// manual and the stand-in's profile and faults are reset around every test.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/asset_manager.h"
#include "core/base/file.h"
#include "core/base/log.h"
#include "core/base/settings.h"
#include "core/base/task.h"
#include "core/graphics/directx/display_host.h"
#include "core/graphics/directx/dx_context.h"
#include "core/graphics/directx/dx_texture_data.h"
#include "core/graphics/directx/platform_data.h"
#include "core/graphics/renderer.h"
#include "core/graphics/texture.h"
#include "platform/directx/directx_test_control.h"
#include "platform/test_control.h"
#include "tests/support/host_file.h"
#include "tests/support/temp_folder.h"

namespace displaytest {

// The platform, as far as the display asks. Everything is a plain field the test sets.
class FakeHost : public TDisplayHost {
 public:
  bool hasPlatform = true;
  HWND mainWindow = nullptr;
  HWND externalParent = nullptr;
  bool minimized = false, windowActive = true, appActive = true, seenAppActivation = false;
  bool fullScreenInactive = false;
  bool scaling = false;
  float scale = 1.0f, savedScale = 1.0f;
  bool cursorShown = true, pqMode = false, zylom = false;
  bool windowManager = true, moviePlaying = false;
  TRect root{0, 0, 800, 600};
  // What the display did to the platform.
  std::vector<int> exits, quits;
  std::vector<uint32_t> sleeps;
  int resets = 0, defaultCursors = 0, refusedTargets = 0, taskRuns = 0;
  std::atomic<int> invalidates{0};  // the mouse thread asks for redraws too
  std::vector<TTask*> ownTasks;

  ~FakeHost() override {
    for (TTask* t : ownTasks) delete t;
  }
  bool HasPlatform() override { return hasPlatform; }
  HWND GetMainWindow() override { return mainWindow; }
  HWND GetExternalParent() override { return externalParent; }
  bool IsMinimized() override { return minimized; }
  bool IsWindowActive() override { return windowActive; }
  bool IsAppActive() override { return appActive; }
  bool HasSeenAppActivation() override { return seenAppActivation; }
  bool IsFullScreenInactive() override { return fullScreenInactive; }
  bool IsDisplayScaling() override { return scaling; }
  float GetDisplayScale() override { return scale; }
  void SetDisplayScale(float s) override { scale = s; }
  void RestoreDisplayScale() override { scale = savedScale; }
  void SetDisplayReset() override { ++resets; }
  bool IsCursorShown() override { return cursorShown; }
  bool IsPqMode() override { return pqMode; }
  bool IsZylomHost() override { return zylom; }
  uint32_t GetTime() override { return timeGetTime(); }
  // The manual clock moves on: nothing waits for real.
  void Sleep(uint32_t ms) override {
    sleeps.push_back(ms);
    TestControl::AdvanceClock(ms);
  }
  void SetDefaultMouseCursor() override { ++defaultCursors; }
  void AddOwnTask(TTask* task) override { ownTasks.push_back(task); }
  void RunTasks(int) override { ++taskRuns; }
  void PostQuit(int code) override { quits.push_back(code); }
  void ExitProgram(int code) override { exits.push_back(code); }
  bool HasWindowManager() override { return windowManager; }
  bool IsMoviePlaying() override { return moviePlaying; }
  void Invalidate() override { ++invalidates; }
  bool GetRootRect(TRect& rect) override {
    if (!windowManager) return false;
    rect = root;
    return true;
  }
  void OnRenderTargetRefused() override { ++refusedTargets; }
};

inline LRESULT TestWindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcA(h, message, wParam, lParam);
}

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestControl::UseManualClock(100000);
    TestControl::Display::Reset();
    TestControl::ResetFaults();
    ClearSettingsForTest();
    SetDataFolders(TStr(), TStr(common.Path().c_str()), TStr());
    ClearFileMap();
    SetLogPath(logs.Path().c_str());
    WNDCLASSA wc{};
    wc.lpfnWndProc = TestWindowProc;
    wc.cbWndExtra = 4;
    wc.lpszClassName = "display_test";
    RegisterClassA(&wc);
    window = CreateWindowExA(WS_EX_APPWINDOW, "display_test", "Display", 0xCE0000 | WS_VISIBLE, 0, 0, 480, 360,
                             nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    SetForegroundWindow(window);
    host.mainWindow = window;
    SetDisplayHost(&host);
  }

  void TearDown() override {
    TRenderer::Destroy();
    display = nullptr;
    SetDisplayHost(nullptr);
    if (IsWindow(window)) DestroyWindow(window);
    UnregisterClassA("display_test", nullptr);
    SetLogPath(nullptr);
    ClearFileMap();
    SetDataFolders(TStr(), TStr(), TStr());
    TestControl::Display::Reset();
    TestControl::ResetFaults();
    TestControl::UseRealClock();
  }

  // A desktop of this size, colour count and depth (also what Win32 reports), with everything
  // else of the default profile.
  static TestControl::Display::Profile Desktop(int width = 1280, int height = 1024, int colours = -1,
                                               int bits = 32) {
    TestControl::Display::Profile p;
    p.desktopWidth = (DWORD)width;
    p.desktopHeight = (DWORD)height;
    p.desktopColors = colours;
    p.desktopBitsPerPixel = (DWORD)bits;
    return p;
  }

  // The display handler as the program makes it: the renderer's backend.
  void MakeDisplay(const TestControl::Display::Profile& profile = Desktop()) {
    TestControl::Display::SetProfile(profile);
    TRenderer::Destroy();
    TRenderer::SetBackendFactory(nullptr);
    TRenderer::Get();
    display = TPlatformData::Get();
    ASSERT_NE(display, nullptr);
  }

  // Window or full screen at 800 x 600 as the game asks for it.
  void Open(bool fullScreen = false) {
    if (!display) MakeDisplay();
    display->SetDisplay(800, 600, fullScreen, false, false, false);
  }

  std::string Log() { return ReadHostFile(logs.Path() + "/logfile.txt"); }
  bool Logged(const std::string& text) { return Log().find(text) != std::string::npos; }
  int CountLogged(const std::string& text) {
    std::string log = Log();
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }

  std::string CommonFile(const std::string& name) { return ReadHostFile(common.Path() + "/" + name); }
  void WriteCommonFile(const std::string& name, const std::string& text) {
    std::ofstream out(common.Path() + "/" + name, std::ios::binary);
    out << text;
  }

  // A texture's data as the texture module would make it: flags, then a surface of the size.
  std::unique_ptr<TDxTextureData> MakeTexture(uint32_t width, uint32_t height, uint8_t flags) {
    auto data = std::make_unique<TDxTextureData>();
    data->SetFlags(flags);
    EXPECT_TRUE(data->CreateSurface(width, height, true));
    return data;
  }

  TempFolder logs, common;
  // The platform's registry of live assets, which set-ups and restores release and rebuild.
  TAssetManager assets;
  FakeHost host;
  HWND window = nullptr;
  TPlatformData* display = nullptr;
};

}  // namespace displaytest
