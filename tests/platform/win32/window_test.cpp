// Windows, message queues and injected input of the Win32 stand-in (SDL dummy driver).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/test_control.h"
#include "platform/win32/sdl_window.h"
#include "platform/win32/win32.h"

namespace {

struct Rec {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  WINDOWPOS pos;  // for the position messages
};
std::vector<Rec> gRecs;
int gLockWidth = 0, gLockHeight = 0;  // a size lock like the framework's, when non-zero

LRESULT RecordingProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  Rec r{h, message, wParam, lParam, {}};
  if ((message == WM_WINDOWPOSCHANGED || message == WM_WINDOWPOSCHANGING) && lParam) r.pos = *(WINDOWPOS*)lParam;
  gRecs.push_back(r);
  if (message == WM_CLOSE) return 0;  // like the framework: a close request leaves the window
  if (message == WM_WINDOWPOSCHANGING && gLockWidth) {
    auto* wp = (WINDOWPOS*)lParam;
    if (!(wp->flags & SWP_NOSIZE)) {
      wp->cx = gLockWidth + 2 * GetSystemMetrics(SM_CXFRAME);
      wp->cy = gLockHeight + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION);
    }
  }
  return DefWindowProcW(h, message, wParam, lParam);
}

const DWORD kMainStyle = 0xCE0000;  // caption, system menu, sizing frame, minimise box

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestControl::UseManualClock(1000);
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.cbWndExtra = 4;  // as the framework asks: one extra word, here holding a pointer
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "test_WNDCLASS";
    ASSERT_NE(RegisterClassA(&wc), 0);
    RECT r{0, 0, 800, 600};
    AdjustWindowRectEx(&r, kMainStyle, FALSE, WS_EX_APPWINDOW);
    main = CreateWindowExA(WS_EX_APPWINDOW, "test_WNDCLASS", "Kestrune", kMainStyle | WS_VISIBLE, 0, 0,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(main, nullptr);
    Pump();
    gRecs.clear();
  }
  void TearDown() override {
    gLockWidth = gLockHeight = 0;
    if (IsWindow(main)) DestroyWindow(main);
    Pump();
    UnregisterClassA("test_WNDCLASS", nullptr);
    TestControl::ResetFaults();
    TestControl::ClearClipboard();
    TestControl::UseRealClock();
    gRecs.clear();
  }

  // Takes every waiting message as a game loop does: peek, translate, dispatch.
  std::vector<MSG> Pump() {
    std::vector<MSG> got;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      got.push_back(m);
      if (m.message == WM_QUIT) break;
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    return got;
  }
  static std::vector<MSG> Only(const std::vector<MSG>& all, std::initializer_list<UINT> kinds) {
    std::vector<MSG> out;
    for (auto& m : all)
      for (UINT k : kinds)
        if (m.message == k) out.push_back(m);
    return out;
  }
  std::vector<Rec> Recorded(UINT message) {
    std::vector<Rec> out;
    for (auto& r : gRecs)
      if (r.message == message) out.push_back(r);
    return out;
  }

  HWND main = nullptr;
};

TEST_F(WindowTest, MainWindowGeometryLongsAndSdlWindow) {
  RECT client, window;
  ASSERT_TRUE(GetClientRect(main, &client));
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  ASSERT_TRUE(GetWindowRect(main, &window));
  EXPECT_EQ(window.right - window.left, 800 + 2 * GetSystemMetrics(SM_CXFRAME));
  EXPECT_EQ(window.bottom - window.top, 600 + 2 * GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION));
  POINT origin{0, 0};
  ClientToScreen(main, &origin);
  EXPECT_EQ(origin.x, GetSystemMetrics(SM_CXFRAME));

  SDL_Window* sdl = Win32GetSdlWindow(main);
  ASSERT_NE(sdl, nullptr);
  int w, h;
  SDL_GetWindowSize(sdl, &w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);

  int object = 0;  // index 0 keeps a whole pointer
  SetWindowLongPtrA(main, 0, (LONG_PTR)&object);
  EXPECT_EQ((int*)GetWindowLongPtrA(main, 0), &object);
  EXPECT_EQ(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_APPWINDOW, WS_EX_APPWINDOW);
  EXPECT_EQ((DWORD)GetWindowLongA(main, GWL_STYLE) & kMainStyle, kMainStyle);
  EXPECT_EQ(FindWindowA("TEST_wndclass", nullptr), main);
  EXPECT_EQ(GetForegroundWindow(), main);
  EXPECT_TRUE(SetWindowTextA(main, "Quillomer \xE9"));
  EXPECT_STREQ(SDL_GetWindowTitle(sdl), "Quillomer \xC3\xA9");  // CP_ACP is Latin-1
  char title[6];
  EXPECT_EQ(GetWindowTextA(main, title, sizeof title), 5);
  EXPECT_STREQ(title, "Quill");
  EXPECT_NE(SetClassLongA(main, GCL_HCURSOR, 0), 0u);
  EXPECT_EQ(GetClassLongA(main, GCL_HCURSOR), 0u);
}

TEST_F(WindowTest, InjectedInputArrivesAsMessages) {
  struct Case {
    const char* what;
    std::function<void()> inject;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LPARAM lParamMask;
  };
  const LPARAM all = ~(LPARAM)0, ext = KEY_EXTENDED_BIT;
  Case cases[] = {
      {"move", [&] { TestControl::InjectMouseMove(main, 30, 40); }, WM_MOUSEMOVE, 0, MAKELPARAM(30, 40), all},
      {"left down", [&] { TestControl::InjectMouseButton(main, TestControl::kLeft, true, 5, 6); }, WM_LBUTTONDOWN,
       MK_LBUTTON, MAKELPARAM(5, 6), all},
      {"left up", [&] { TestControl::InjectMouseButton(main, TestControl::kLeft, false, 5, 6); }, WM_LBUTTONUP, 0,
       MAKELPARAM(5, 6), all},
      {"right down", [&] { TestControl::InjectMouseButton(main, TestControl::kRight, true, 1, 2); }, WM_RBUTTONDOWN,
       MK_RBUTTON, MAKELPARAM(1, 2), all},
      {"right up", [&] { TestControl::InjectMouseButton(main, TestControl::kRight, false, 1, 2); }, WM_RBUTTONUP, 0,
       MAKELPARAM(1, 2), all},
      {"x button 2", [&] { TestControl::InjectMouseButton(main, TestControl::kX2, true, 1, 2); }, WM_XBUTTONDOWN,
       MAKEWPARAM(MK_XBUTTON2, XBUTTON2), MAKELPARAM(1, 2), all},
      {"x button 2 up", [&] { TestControl::InjectMouseButton(main, TestControl::kX2, false, 1, 2); }, WM_XBUTTONUP,
       MAKEWPARAM(0, XBUTTON2), MAKELPARAM(1, 2), all},
      {"wheel up", [&] { TestControl::InjectMouseWheel(main, 1, 10, 10); }, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0, 0},
      {"wheel down", [&] { TestControl::InjectMouseWheel(main, -1, 10, 10); }, WM_MOUSEWHEEL,
       MAKEWPARAM(0, (WORD)-120), 0, 0},
      {"up arrow", [&] { TestControl::InjectKey(main, VK_UP, true, true); }, WM_KEYDOWN, VK_UP, 1 | ext | (0x48 << 16), all},
      {"up arrow released", [&] { TestControl::InjectKey(main, VK_UP, false, true); }, WM_KEYUP, VK_UP,
       (LPARAM)(DWORD)(ext | 0xC0000000u), (LPARAM)(DWORD)(ext | 0xC0000000u)},
      {"pad 8", [&] { TestControl::InjectKey(main, VK_NUMPAD0 + 8, true); }, WM_KEYDOWN, VK_NUMPAD0 + 8, 0, ext},
      {"delete", [&] { TestControl::InjectKey(main, VK_DELETE, true, true); }, WM_KEYDOWN, VK_DELETE, ext, ext},
      {"pad enter", [&] { TestControl::InjectKey(main, VK_RETURN, true, true); }, WM_KEYDOWN, VK_RETURN, ext, ext},
      {"main enter", [&] { TestControl::InjectKey(main, VK_RETURN, true, false); }, WM_KEYDOWN, VK_RETURN, 0, ext},
      {"alt", [&] { TestControl::InjectKey(main, VK_MENU, true); }, WM_SYSKEYDOWN, VK_MENU, 1 << 29, 1 << 29},
      {"alt+enter", [&] { TestControl::InjectKey(main, VK_RETURN, true); }, WM_SYSKEYDOWN, VK_RETURN, 1 << 29,
       ext | (1 << 29)},
      {"alt released", [&] { TestControl::InjectKey(main, VK_MENU, false); }, WM_SYSKEYUP, VK_MENU,
       (LPARAM)(DWORD)0x80000000u, (LPARAM)(DWORD)0x80000000u},
  };
  for (auto& c : cases) {
    c.inject();
    auto got = Only(Pump(), {c.message});
    ASSERT_EQ(got.size(), 1u) << c.what;
    EXPECT_EQ(got[0].hwnd, main) << c.what;
    EXPECT_EQ(got[0].wParam, c.wParam) << c.what;
    EXPECT_EQ(got[0].lParam & c.lParamMask, c.lParam & c.lParamMask) << c.what;
  }
}

TEST_F(WindowTest, ShiftHeldShowsInMouseKeyFlagsAndKeyState) {
  TestControl::InjectKey(main, VK_SHIFT, true);
  TestControl::InjectMouseButton(main, TestControl::kLeft, true, 3, 4);
  auto down = Only(Pump(), {WM_LBUTTONDOWN});
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].wParam, (WPARAM)(MK_LBUTTON | MK_SHIFT));
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  TestControl::InjectKey(main, VK_SHIFT, false);
  Pump();
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);
}

TEST_F(WindowTest, KeysTranslateToCharactersInOrder) {
  TestControl::InjectKey(main, 'A', true);
  TestControl::InjectKey(main, 'A', false);
  TestControl::InjectKey(main, VK_RETURN, true);
  auto got = Only(Pump(), {WM_KEYDOWN, WM_CHAR, WM_KEYUP});
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0].message, (UINT)WM_KEYDOWN);
  EXPECT_EQ(got[1].message, (UINT)WM_CHAR);
  EXPECT_EQ(got[1].wParam, (WPARAM)'a');
  EXPECT_EQ(got[2].message, (UINT)WM_KEYUP);
  EXPECT_EQ(got[3].wParam, (WPARAM)VK_RETURN);
  EXPECT_EQ(got[4].message, (UINT)WM_CHAR);
  EXPECT_EQ(got[4].wParam, 13u);
}

TEST_F(WindowTest, CharacterAboveBmpIsASurrogatePair) {
  TestControl::InjectText(main, "\xF0\x9F\x98\x80");  // U+1F600
  auto got = Only(Pump(), {WM_CHAR});
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].wParam, 0xD83Du);
  EXPECT_EQ(got[1].wParam, 0xDE00u);
  // The framework's combination of the pair gives back the one character.
  EXPECT_EQ((long)(got[0].wParam * 1024 + got[1].wParam) - 56613888, 0x1F600);

  TestControl::InjectText(main, "\xC3\xA9\xE2\x82\xAC");  // é and the euro sign
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, 0xE9u);
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.wParam, (WPARAM)'?');  // not in the byte code page
}

TEST_F(WindowTest, MinimiseAndRestoreSequences) {
  TestControl::InjectMinimize(main);
  Pump();
  auto changed = Recorded(WM_WINDOWPOSCHANGED);
  ASSERT_FALSE(changed.empty());
  EXPECT_LE(changed.back().pos.x, -10000);
  auto sizes = Recorded(WM_SIZE);
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.back().wParam, (WPARAM)SIZE_MINIMIZED);
  auto apps = Recorded(WM_ACTIVATEAPP);
  ASSERT_EQ(apps.size(), 1u);
  EXPECT_EQ(apps[0].wParam, (WPARAM)FALSE);
  EXPECT_TRUE(IsIconic(main));

  gRecs.clear();
  TestControl::InjectRestore(main);
  Pump();
  changed = Recorded(WM_WINDOWPOSCHANGED);
  ASSERT_FALSE(changed.empty());
  EXPECT_GT(changed.back().pos.cx, 0);
  EXPECT_GE(changed.back().pos.x, -10000);
  sizes = Recorded(WM_SIZE);
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.back().wParam, (WPARAM)SIZE_RESTORED);
  EXPECT_EQ(LOWORD(sizes.back().lParam), 800);
  apps = Recorded(WM_ACTIVATEAPP);
  ASSERT_EQ(apps.size(), 1u);
  EXPECT_EQ(apps[0].wParam, (WPARAM)TRUE);
}

TEST_F(WindowTest, ActivationLossAndReturn) {
  TestControl::InjectActivateApp(main, false);
  TestControl::InjectActivateApp(main, true);
  Pump();
  auto apps = Recorded(WM_ACTIVATEAPP);
  ASSERT_EQ(apps.size(), 2u);
  EXPECT_EQ(apps[0].wParam, (WPARAM)FALSE);
  EXPECT_EQ(apps[1].wParam, (WPARAM)TRUE);
  auto acts = Recorded(WM_ACTIVATE);
  ASSERT_EQ(acts.size(), 2u);
  EXPECT_EQ(LOWORD(acts[0].wParam), WA_INACTIVE);
  EXPECT_EQ(LOWORD(acts[1].wParam), WA_ACTIVE);
}

TEST_F(WindowTest, CloseRequestReachesTheProcedureAndLeavesTheWindow) {
  TestControl::InjectClose(main);
  Pump();
  EXPECT_EQ(Recorded(WM_CLOSE).size(), 1u);
  EXPECT_TRUE(IsWindow(main));
  // DefWindowProc's answer to WM_CLOSE destroys, and WM_DESTROY can post the quit.
  EXPECT_TRUE(DestroyWindow(main));
  EXPECT_EQ(Recorded(WM_DESTROY).size(), 1u);
  EXPECT_FALSE(IsWindow(main));
}

TEST_F(WindowTest, ResizeIsHeldAtTheLockedClientSize) {
  gLockWidth = 800;
  gLockHeight = 600;
  TestControl::InjectResize(main, 1000, 700);
  Pump();
  RECT client;
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
  int w, h;
  SDL_GetWindowSize(Win32GetSdlWindow(main), &w, &h);
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  EXPECT_TRUE(SetWindowPos(main, HWND_TOP, 0, 0, 300, 300, SWP_NOMOVE));
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, 800);
}

TEST_F(WindowTest, TimersHoverAndWaitsFollowTheManualClock) {
  SetTimer(main, 0, 250, nullptr);
  EXPECT_TRUE(Only(Pump(), {WM_TIMER}).empty());
  TestControl::AdvanceClock(249);
  EXPECT_TRUE(Only(Pump(), {WM_TIMER}).empty());
  TestControl::AdvanceClock(1);
  EXPECT_EQ(Only(Pump(), {WM_TIMER}).size(), 1u);
  EXPECT_TRUE(KillTimer(main, 0));

  // An idle wait of 1 ms returns at once and moves the test's clock by 1 ms.
  DWORD before = timeGetTime();
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT), WAIT_TIMEOUT);
  EXPECT_EQ(timeGetTime(), before + 1);
  PostMessageA(main, WM_USER, 7, 0);
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 1000, QS_ALLINPUT), WAIT_OBJECT_0);
  EXPECT_EQ(timeGetTime(), before + 1);
  Pump();

  TestControl::InjectMouseMove(main, 50, 50);
  Pump();
  TRACKMOUSEEVENT t{sizeof t, TME_HOVER | TME_LEAVE, main, HOVER_DEFAULT};
  ASSERT_TRUE(TrackMouseEvent(&t));
  TestControl::AdvanceClock(399);
  EXPECT_TRUE(Only(Pump(), {WM_MOUSEHOVER}).empty());
  TestControl::AdvanceClock(1);
  auto hover = Only(Pump(), {WM_MOUSEHOVER});
  ASSERT_EQ(hover.size(), 1u);
  EXPECT_EQ(hover[0].lParam, MAKELPARAM(50, 50));
  TestControl::InjectMouseLeave(main);
  EXPECT_EQ(Only(Pump(), {WM_MOUSELEAVE}).size(), 1u);
}

TEST_F(WindowTest, QuitMessages) {
  PostMessageA(main, WM_USER + 1, 0, 0);
  PostQuitMessage(3);
  auto got = Pump();
  ASSERT_GE(got.size(), 2u);
  EXPECT_EQ(got[got.size() - 2].message, (UINT)WM_USER + 1);  // the quit waits for the queue
  EXPECT_EQ(got.back().message, (UINT)WM_QUIT);
  EXPECT_EQ(got.back().wParam, 3u);
  PostMessageA(main, WM_QUIT, 0, 0);  // as the runner does to the harness window
  got = Pump();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].hwnd, main);
}

TEST_F(WindowTest, MessagesFromOtherThreads) {
  std::atomic<LRESULT> sent{0};
  auto body = [&]() -> DWORD {
    PostMessageA(main, WM_USER + 5, 1, 2);
    sent = SendMessageA(main, WM_ERASEBKGND, 0, 0);  // handled on the window's own thread
    return 0;
  };
  HANDLE t = CreateThread(
      nullptr, 0, [](LPVOID p) -> DWORD { return (*static_cast<decltype(body)*>(p))(); }, &body, 0, nullptr);
  // Pump until the other thread's send has been answered.
  while (WaitForSingleObject(t, 0) == WAIT_TIMEOUT) {
    MsgWaitForMultipleObjects(1, &t, FALSE, INFINITE, QS_ALLINPUT);
    Pump();
  }
  CloseHandle(t);
  EXPECT_EQ(sent.load(), 1);
  bool posted = false;
  for (auto& r : gRecs) posted = posted || r.message == WM_USER + 5;
  EXPECT_TRUE(posted);
}

TEST_F(WindowTest, BadCallsFailQuietly) {
  HWND child = CreateWindowExA(0, "test_WNDCLASS", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, main, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), main);
  EXPECT_EQ(GetAncestor(child, GA_ROOT), main);
  EXPECT_EQ(Win32GetSdlWindow(child), nullptr);
  PostMessageA(child, WM_USER, 0, 0);
  ASSERT_TRUE(DestroyWindow(child));
  HWND notAWindow = (HWND)(uintptr_t)0xABCD0;
  RECT r;
  MSG stale{child, WM_USER, 0, 0, 0, {}};
  struct Case {
    const char* what;
    bool failed;
  };
  SetLastError(0);
  Case cases[] = {
      {"client rect of a non-window", !GetClientRect(notAWindow, &r)},
      {"post to a destroyed window", !PostMessageA(child, WM_USER, 0, 0)},
      {"send to a destroyed window", SendMessageA(child, WM_USER, 0, 0) == 0},
      {"dispatch to a destroyed window", DispatchMessageA(&stale) == 0},
      {"destroy twice", !DestroyWindow(child)},
      {"long of a non-window", GetWindowLongPtrA(notAWindow, 0) == 0},
      {"show a non-window", !ShowWindow(notAWindow, SW_SHOW)},
      {"foreground of a non-window", !SetForegroundWindow(notAWindow)},
  };
  for (auto& c : cases) EXPECT_TRUE(c.failed) << c.what;
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_FALSE(IsWindow(notAWindow));
  EXPECT_EQ(GetWindowLongPtrA(main, 64), 0);  // beyond the extra bytes
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_INDEX);
  for (auto& m : Pump()) EXPECT_NE(m.hwnd, child);  // nothing left for the destroyed child
}

TEST_F(WindowTest, SystemMenuAndHitTest) {
  HMENU menu = GetSystemMenu(main, FALSE);
  ASSERT_NE(menu, nullptr);
  MENUITEMINFOA info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE;
  info.fState = MFS_DISABLED;
  EXPECT_TRUE(SetMenuItemInfoA(menu, SC_SIZE, FALSE, &info));
  EXPECT_EQ(GetMenuState(menu, SC_SIZE, MF_BYCOMMAND), (UINT)MFS_DISABLED);
  EXPECT_TRUE(RemoveMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND));
  EXPECT_EQ(GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND), (UINT)-1);

  RECT w;
  GetWindowRect(main, &w);
  struct Case {
    int x, y;
    LRESULT hit;
  } cases[] = {{w.left + 1, w.top + 100, HTLEFT},   {w.right - 1, w.bottom - 1, HTBOTTOMRIGHT},
               {w.left + 100, w.top + 10, HTCAPTION}, {w.left + 100, w.top + 100, HTCLIENT},
               {w.right - 8, w.top + 10, HTCLOSE},  {w.right + 5, w.top + 5, HTNOWHERE}};
  for (auto& c : cases)
    EXPECT_EQ(DefWindowProcA(main, WM_NCHITTEST, 0, MAKELPARAM(c.x, c.y)), c.hit) << c.x << "," << c.y;
}

TEST_F(WindowTest, ClipboardAsTheFrameworkUsesIt) {
  const char* text = "caf\xE9";
  ASSERT_TRUE(OpenClipboard(main));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
  memcpy(GlobalLock(block), text, strlen(text) + 1);
  GlobalUnlock(block);
  EXPECT_NE(SetClipboardData(CF_TEXT, block), nullptr);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_EQ(TestControl::ClipboardBytes(CF_TEXT), text);

  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));  // made from the byte text
  ASSERT_TRUE(OpenClipboard(main));
  auto* wide = (const WCHAR*)GlobalLock(GetClipboardData(CF_UNICODETEXT));
  ASSERT_NE(wide, nullptr);
  char utf8[4 * 5 + 1];
  int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
  EXPECT_EQ(std::string(utf8, n), std::string("caf\xC3\xA9", 6));
  CloseClipboard();

  TestControl::ClearClipboard();
  TestControl::SetClipboardBytes(CF_BITMAP, "pixels");
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  TestControl::FailOpenClipboard(true);
  EXPECT_FALSE(OpenClipboard(main));
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);  // not open
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLIPBOARD_NOT_OPEN);
}

TEST_F(WindowTest, PaintAndDisplayChange) {
  TestControl::InjectExpose(main);
  auto got = Pump();
  EXPECT_EQ(Only(got, {WM_PAINT}).size(), 1u);  // DefWindowProc's paint validates: only one
  TestControl::InjectDisplayChange(1024, 768);
  Pump();
  auto changes = Recorded(WM_DISPLAYCHANGE);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].lParam, MAKELPARAM(1024, 768));
}

TEST_F(WindowTest, EmbeddedChildGetsTheInputOfItsArea) {
  // The framework's embedded form: its window is a visible child filling a host window.
  HWND child = CreateWindowExA(0, "test_WNDCLASS", "Kestrune", WS_CHILD | WS_VISIBLE, 100, 50, 200, 100, main,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(child, nullptr);
  Pump();
  TestControl::InjectMouseButton(child, TestControl::kLeft, true, 10, 20);
  TestControl::InjectMouseButton(main, TestControl::kLeft, false, 5, 5);
  auto got = Only(Pump(), {WM_LBUTTONDOWN, WM_LBUTTONUP});
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].hwnd, child);
  EXPECT_EQ(got[0].lParam, MAKELPARAM(10, 20));
  EXPECT_EQ(got[1].hwnd, main);
  SetFocus(child);
  TestControl::InjectKey(main, VK_ESCAPE, true);
  got = Only(Pump(), {WM_KEYDOWN});
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].hwnd, child);  // keys go to the focus
  SetCapture(child);
  TestControl::InjectMouseMove(main, 5, 5);
  got = Only(Pump(), {WM_MOUSEMOVE});
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].hwnd, child);
  EXPECT_EQ(got[0].lParam, MAKELPARAM(-95, -45));  // relative to the capturing child
  ReleaseCapture();
  EXPECT_EQ(Recorded(WM_CAPTURECHANGED).size(), 1u);
}

TEST(TextConversionTest, CodePages) {
  WCHAR wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", -1, wide, 8), 3);
  EXPECT_EQ(wide[0], 0xD83D);
  EXPECT_EQ(wide[1], 0xDE00);
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xE9", 1, wide, 8), 1);
  EXPECT_EQ(wide[0], 0xE9);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, nullptr, 0), 3);  // the size needed
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, wide, 2), 0);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INSUFFICIENT_BUFFER);
  char bytes[8];
  BOOL usedDefault = FALSE;
  const WCHAR euro[] = {0x20AC, 0};
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, euro, -1, bytes, 8, nullptr, &usedDefault), 2);
  EXPECT_EQ(bytes[0], '?');
  EXPECT_TRUE(usedDefault);
}

}  // namespace
