// The event pump: message-sequence tables, activation, the press filter, close requests, and
// the key translation tables; the "vsync" setting's way to the display handler.
#include "core/base/win32/platform_impl.h"

#include "core/base/game_state.h"
#include "core/base/platform_services.h"
#include "tests/core/base/win32/platform_fixture.h"

namespace {

TEST(KeyTranslationTest, SpecialKeysAreNegativeOnDownAndSixteenBitOnUp) {
  struct Case {
    uint32_t vk;
    int32_t down, up;
  } cases[] = {
      {VK_UP, -128, 65408},    {VK_DOWN, -127, 65409}, {VK_LEFT, -126, 65410}, {VK_RIGHT, -125, 65411},
      {VK_INSERT, -124, 65412}, {VK_PRIOR, -123, 65413}, {VK_NEXT, -122, 65414}, {VK_DELETE, -1, 65535},
      {'A', 65, 65},           {'7', 55, 55},          {13, 13, 13},           {27, 27, 27},
      {VK_HOME, 36, 36},       {96, 48, 48},           {105, 57, 57},          {106, 42, 42},
      {107, 43, 43},           {187, 43, 43},          {108, 10, 10},          {109, 45, 45},
      {189, 45, 45},           {110, 46, 46},          {190, 46, 46},          {111, 47, 47},
      {191, 47, 47},           {186, 59, 59},          {188, 44, 44},          {192, 96, 96},
      {219, 91, 91},           {220, 92, 92},          {221, 93, 93},          {222, 39, 39},
      {223, 223, 223},         {32, 32, 32},           {VK_F1, VK_F1, VK_F1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TranslateKeyDown(c.vk), c.down) << c.vk;
    EXPECT_EQ(TranslateKeyUp(c.vk), c.up) << c.vk;
  }
}

using PumpTest = PlatformFixture;

struct MessageCase {
  const char* name;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  TPlatformEvent want;
};

TEST_F(PumpTest, EachMessageGivesItsEvent) {
  const LPARAM at = MAKELPARAM(10, (uint16_t)-5);
  const MessageCase cases[] = {
      {"left down", WM_LBUTTONDOWN, MK_SHIFT | MK_CONTROL, at, {kEventLeftDown, 0, 10, -5, 3}},
      {"left up", WM_LBUTTONUP, MK_SHIFT, at, {kEventLeftUp, 0, 10, -5, 0}},
      {"right down", WM_RBUTTONDOWN, MK_CONTROL, at, {kEventButton, kButtonRightDown, 10, -5, 2}},
      {"right up", WM_RBUTTONUP, MK_CONTROL, at, {kEventButton, kButtonRightUp, 10, -5, 0}},
      {"middle down", WM_MBUTTONDOWN, MK_SHIFT, at, {kEventButton, kButtonMiddleDown, 10, -5, 1}},
      {"middle up", WM_MBUTTONUP, 0, at, {kEventButton, kButtonMiddleUp, 10, -5, 0}},
      {"x1 down", WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), at, {kEventButton, kButtonX1Down, 10, -5, 0}},
      {"x2 down", WM_XBUTTONDOWN, MAKEWPARAM(MK_SHIFT, XBUTTON2), at, {kEventButton, kButtonX2Down, 10, -5, 1}},
      {"x up", WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1), at, {kEventOther}},
      {"move", WM_MOUSEMOVE, MK_SHIFT, at, {kEventMouseMove, 0, 10, -5, 0}},
      {"hover", WM_MOUSEHOVER, 0, at, {kEventHover, 0, 10, -5, 0}},
      {"key down, extended", WM_KEYDOWN, VK_UP, 1 << 24, {kEventKeyDown, -128, 0, 0, kModExtended}},
      {"key up", WM_KEYUP, VK_NEXT, 1 << 24, {kEventKeyUp, 65414, 0, 0, 0}},
      {"insert alone is dropped", WM_KEYDOWN, VK_INSERT, 1 << 24, {kEventOther}},
      {"alt key", WM_SYSKEYDOWN, 'A', 1 << 29, {kEventKeyDown, 65, 0, 0, kModAlt}},
      {"alt F1 toggles the overlay only", WM_SYSKEYDOWN, VK_F1, 1 << 29, {kEventOther}},
      {"character", WM_CHAR, 'x', 0, {kEventChar, 'x', 0, 0, 0}},
      {"timer", WM_TIMER, 0, 0, {kEventOther}},
      {"quit", WM_QUIT, 0, 0, {kEventQuit}},
  };
  RunPlatform("", [&](TPlatform* p) {
    HWND main = p->GetMainWindow();
    Drain(p);
    for (const MessageCase& c : cases) {
      if (c.message == WM_QUIT)
        PostQuitMessage(0);
      else
        PostMessageA(main, c.message, c.wParam, c.lParam);
      TPlatformEvent e = Next(p);
      EXPECT_EQ(e.type, c.want.type) << c.name;
      if (e.type != kEventOther) {
        EXPECT_EQ(e.param, c.want.param) << c.name;
        EXPECT_EQ(e.x, c.want.x) << c.name;
        EXPECT_EQ(e.y, c.want.y) << c.name;
        EXPECT_EQ(e.modifiers, c.want.modifiers) << c.name;
      }
      Drain(p);
    }
  });
}

TEST_F(PumpTest, WheelGivesClientPositionAndDirection) {
  RunPlatform("", [](TPlatform* p) {
    HWND main = p->GetMainWindow();
    Drain(p);
    POINT screen{30, 40};
    ClientToScreen(main, &screen);
    PostMessageA(main, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 120), MAKELPARAM(screen.x, screen.y));
    TPlatformEvent up = Next(p);
    EXPECT_EQ(up.type, kEventButton);
    EXPECT_EQ(up.param, kButtonWheelUp);
    EXPECT_EQ(up.x, 30);
    EXPECT_EQ(up.y, 40);
    EXPECT_EQ(up.modifiers, kModCtrl);
    Drain(p);
    PostMessageA(main, WM_MOUSEWHEEL, MAKEWPARAM(0, (uint16_t)-120), MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(Next(p).param, kButtonWheelDown);
  });
}

TEST_F(PumpTest, SurrogatePairInUtf8ModeIsOneWideCharacter) {
  SetSetting("utf8mode", "1");
  RunPlatform("", [](TPlatform* p) {
    HWND main = p->GetMainWindow();
    Drain(p);
    PostMessageW(main, WM_CHAR, 0xD83D, 0);
    PostMessageW(main, WM_CHAR, 0xDE00, 0);
    EXPECT_EQ(Next(p).type, kEventOther);  // the high half is kept back
    TPlatformEvent e = Next(p);
    EXPECT_EQ(e.type, kEventWideChar);
    EXPECT_EQ(e.param, 0x1F600);
    Drain(p);
    PostMessageW(main, WM_CHAR, 0xDC00, 0);  // a low half alone is dropped
    EXPECT_EQ(Next(p).type, kEventOther);
    PostMessageW(main, WM_CHAR, 0xE9, 0);
    e = Next(p);
    EXPECT_EQ(e.type, kEventWideChar);
    EXPECT_EQ(e.param, 0xE9);
  });
}

TEST_F(PumpTest, CloseRequestKeepsTheWindowAndComesOnTheNextCall) {
  RunPlatform("", [](TPlatform* p) {
    HWND main = p->GetMainWindow();
    Drain(p);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(Next(p).type, kEventOther);  // dispatched: the procedure flags it
    EXPECT_EQ(Next(p).type, kEventCloseRequest);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(Next(p).type, kEventIdle);
  });
}

TEST_F(PumpTest, DeactivationAndReactivationBeforeThePumpGiveOneActivationEvent) {
  RunPlatform("", [](TPlatform* p) {
    HWND main = p->GetMainWindow();
    Drain(p);
    SendMessageA(main, WM_ACTIVATEAPP, 0, 0);
    SendMessageA(main, WM_ACTIVATEAPP, 1, 0);
    TPlatformEvent e = Next(p);
    EXPECT_EQ(e.type, kEventActivation);
    EXPECT_EQ(e.param, 1);
    EXPECT_EQ(Next(p).type, kEventIdle);

    SendMessageA(main, WM_ACTIVATEAPP, 0, 0);
    e = Next(p);  // the flag's event, then the second activation's
    EXPECT_EQ(e.type, kEventActivation);
    EXPECT_EQ(e.param, 0);
    e = Next(p);
    EXPECT_EQ(e.type, kEventActivation);
    EXPECT_EQ(e.param, 0);
  });
}

TEST_F(PumpTest, MinimisingAndRestoringFlipActivation) {
  RunPlatform("", [](TPlatform* p) {
    HWND main = p->GetMainWindow();
    Drain(p);
    ShowWindow(main, SW_MINIMIZE);
    std::vector<int> seen;
    TPlatformEvent e;
    for (int i = 0; i < 50 && (p->GetEvent(&e), e.type != kEventIdle); i++)
      if (e.type == kEventActivation) seen.push_back(e.param);
    ASSERT_FALSE(seen.empty());
    for (int v : seen) EXPECT_EQ(v, 0);
    ShowWindow(main, SW_RESTORE);
    seen.clear();
    for (int i = 0; i < 50 && (p->GetEvent(&e), e.type != kEventIdle); i++)
      if (e.type == kEventActivation) seen.push_back(e.param);
    ASSERT_FALSE(seen.empty());
    for (int v : seen) EXPECT_EQ(v, 1);
  });
}

TEST_F(PumpTest, PressFilterDropsPressesWithin400msOfActivation) {
  RunPlatform("", [](TPlatform* p) {
    HWND main = p->GetMainWindow();
    Drain(p);
    const struct {
      uint32_t after;
      int32_t want;
    } cases[] = {{399, kEventOther}, {401, kEventLeftDown}};
    for (auto& c : cases) {
      SendMessageA(main, WM_MOUSEACTIVATE, 0, 0);
      TestControl::AdvanceClock(c.after);
      PostMessageA(main, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
      EXPECT_EQ(Next(p).type, c.want) << c.after;
      // A release that passes clears the filter.
      TestControl::AdvanceClock(400);
      PostMessageA(main, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      EXPECT_EQ(Next(p).type, kEventLeftUp);
      PostMessageA(main, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
      EXPECT_EQ(Next(p).type, kEventLeftDown);
      PostMessageA(main, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
      Next(p);
      Drain(p);
    }
  });
}

TEST_F(PumpTest, HostWindowMessageBecomesAGameStateValue) {
  RunPlatform("", [](TPlatform* p) {
    HWND main = p->GetMainWindow();
    EXPECT_EQ(SendMessageA(main, WM_USER, 7, 0), 1);
    EXPECT_EQ(TGameState::GetInstance()->GetState("windowmessage"), TStr("7"));
    EXPECT_EQ(SendMessageA(main, WM_USER + 100, 0, 0), 1);
  });
}

TEST_F(PumpTest, SizingBordersAndTheMaximiseButtonAreNotHit) {
  RunPlatform("", [](TPlatform* p) {
    HWND main = p->GetMainWindow();
    RECT r;
    GetWindowRect(main, &r);
    // The right border, halfway down: a sizing border.
    LRESULT border = SendMessageA(main, WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, (r.top + r.bottom) / 2));
    EXPECT_EQ(border, HTNOWHERE);
    LRESULT caption = SendMessageA(main, WM_NCHITTEST, 0, MAKELPARAM((r.left + r.right) / 3, r.top + 8));
    EXPECT_EQ(caption, HTCAPTION);
  });
}

TEST_F(PumpTest, IdleCallsRunTheMainTaskListAndAdvanceLittle) {
  RunPlatform("", [](TPlatform* p) {
    Drain(p);
    uint32_t before = timeGetTime();
    for (int i = 0; i < 10; i++) EXPECT_EQ(Next(p).type, kEventIdle);
    // Each idle call waits at most about 1 ms for a message.
    EXPECT_LE(timeGetTime() - before, 12u);
  });
}

// A renderer whose display handler records the vertical-sync flags it is given.
struct VSyncDisplay : TPlatformDisplay {
  std::vector<bool>* seen;
  explicit VSyncDisplay(std::vector<bool>* s) : seen(s) {}
  void SetVSync(bool on) override { seen->push_back(on); }
};
struct VSyncRenderer : TPlatformRenderer {
  VSyncDisplay display;
  explicit VSyncRenderer(std::vector<bool>* seen) : display(seen) {}
  TPlatformDisplay* GetDisplay() override { return &display; }
};

using SettingTest = PlatformFixture;

// "vsync" reaches the display handler when it is set, and one set before the renderer existed
// (as the settings file's is) reaches the display of the renderer made afterwards.
TEST_F(SettingTest, VSyncReachesTheDisplayHandler) {
  std::vector<bool> seen;
  SetRendererFactory([&] { return new VSyncRenderer(&seen); });
  RunPlatform("options=vsync=1", [&](TPlatform* p) {
    EXPECT_EQ(seen, (std::vector<bool>{false, true}));  // the renderer's start, then the option
    SetSetting("vsync", "0");
    EXPECT_EQ(seen.back(), false);
    p->GetImpl()->DestroyRenderer();
    SetSetting("vsync", "2");
    seen.clear();
    p->GetRenderer();
    EXPECT_EQ(seen, (std::vector<bool>{true}));
  });
  SetRendererFactory(nullptr);
}

}  // namespace
