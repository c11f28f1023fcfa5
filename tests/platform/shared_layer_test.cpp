// The platform layer is one shared library: a library linked like the audio engine library sees
// the windows, the message queues and the clock of the program that loaded it.
#include <gtest/gtest.h>

#include "platform/test_control.h"
#include "platform/win32/win32.h"

namespace {

LRESULT PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(SharedLayerTest, ALibraryLinkedLikeTheEngineSeesTheProgramsWindowQueueAndClock) {
  HMODULE probe = LoadLibraryA("shared_layer_probe.dll");
  ASSERT_NE(probe, nullptr);
  auto isWindow = (BOOL(*)(HWND))GetProcAddress(probe, "ProbeIsWindow");
  auto time = (DWORD(*)())GetProcAddress(probe, "ProbeTime");
  auto post = (BOOL(*)(HWND, UINT, WPARAM))GetProcAddress(probe, "ProbePost");
  ASSERT_TRUE(isWindow && time && post);

  WNDCLASSA wc{};
  wc.lpfnWndProc = PlainProc;
  wc.lpszClassName = "shared_layer_WNDCLASS";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(isWindow(window));

  // A message posted from inside the library arrives in this thread's queue.
  ASSERT_TRUE(post(window, WM_USER + 7, 1234));
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, window, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, (UINT)(WM_USER + 7));
  EXPECT_EQ(msg.wParam, (WPARAM)1234);

  TestControl::UseManualClock(424242);
  EXPECT_EQ(time(), 424242u);
  TestControl::AdvanceClock(8);
  EXPECT_EQ(time(), 424250u);
  TestControl::UseRealClock();

  DestroyWindow(window);
  EXPECT_FALSE(isWindow(window));
  FreeLibrary(probe);
}

}  // namespace
