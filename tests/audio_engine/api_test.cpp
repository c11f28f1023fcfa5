// The shared library from outside: exactly four exports, callable before and after a start,
// and the window a caller hands to VexaInit reaching the engine's sound device.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "platform/dsound/dsound.h"
#include "platform/dsound/dsound_test_control.h"
#include "platform/win32/win32.h"
#include "tests/support/run_tool.h"
#include "tests/support/temp_folder.h"

namespace {
std::string LibraryPath() { return ToolPath("libVexaAPI.so"); }
}  // namespace

TEST(VexaApi, ShowsExactlyTheFourExports) {
  std::string out;
  FILE* p = popen(("nm -D --defined-only " + LibraryPath() + " 2>&1").c_str(), "r");
  ASSERT_NE(p, nullptr);
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  ASSERT_EQ(pclose(p), 0) << out;
  std::set<std::string> names;
  std::istringstream lines(out);
  std::string address, kind, name;
  while (lines >> address >> kind >> name) names.insert(name);
  EXPECT_EQ(names, (std::set<std::string>{"VexaEvent", "VexaEvent_F", "VexaInit", "VexaShutdown"}));
}

TEST(VexaApi, CallsBeforeAStartDoNothing) {
  void* library = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto event = (void (*)(const char*, ...))dlsym(library, "VexaEvent");
  auto eventF = (void (*)(const char*, float))dlsym(library, "VexaEvent_F");
  auto shutdown = (void (*)())dlsym(library, "VexaShutdown");
  ASSERT_TRUE(event && eventF && shutdown && dlsym(library, "VexaInit"));
  event("Music Volume", 0.5);
  eventF("Music Volume", 0.5f);
  event("Pause");
  shutdown();
  shutdown();  // twice: only unmounts nothing and clears nothing
  dlclose(library);
}

namespace {
LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

// The library and this program share one platform layer, so a window made here is the window
// the engine's device takes. A handle that names no window leaves the engine unstarted, and a
// second start on a real window succeeds.
TEST(VexaApi, TheEnginesDeviceTakesTheWindowGivenToInit) {
  DSoundTest::UseManualDevice(true);
  WNDCLASSA wc{};
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = "api_test_main";
  ASSERT_NE(RegisterClassA(&wc), 0);
  auto make = [&] { return CreateWindowExA(0, wc.lpszClassName, "main", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr, nullptr, nullptr); };
  HWND window = make(), gone = make();
  ASSERT_TRUE(window && gone);
  DestroyWindow(gone);

  void* library = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto init = (void (*)(const char*, HWND))dlsym(library, "VexaInit");
  auto shutdown = (void (*)())dlsym(library, "VexaShutdown");
  ASSERT_TRUE(init && shutdown);
  TempFolder data;  // no packs: a start with no projects

  init(data.Path().c_str(), gone);
  DSoundTest::CooperativeCall call = DSoundTest::LastCooperativeLevel();
  EXPECT_EQ(call.window, gone);
  EXPECT_EQ(call.result, DSERR_INVALIDPARAM);
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);  // not started: no output buffer plays

  init(data.Path().c_str(), window);
  call = DSoundTest::LastCooperativeLevel();
  EXPECT_EQ(call.window, window);
  EXPECT_EQ(call.level, (DWORD)DSSCL_PRIORITY);
  EXPECT_EQ(call.result, DS_OK);
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 1);  // started: the output buffer loops

  shutdown();
  EXPECT_EQ(DSoundTest::PlayingBufferCount(), 0);
  dlclose(library);
  DestroyWindow(window);
  DSoundTest::UseManualDevice(false);
}
