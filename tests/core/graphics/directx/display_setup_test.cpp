// Display set-up: the failure paths with their message boxes, fallbacks and program ends, driven
// by the stand-in's desktops and faults; the re-entry and readiness rules; antialiasing retries.
#include "tests/core/graphics/directx/display_fixture.h"

using namespace displaytest;
namespace TD = TestControl::Display;

namespace {

constexpr const char* kWindowPalette = "Cannot run in 256 color mode or lower in a window. Switching to full screen.";
constexpr const char* kWindowSmall =
    "Cannot run in a window when your desktop is set to 800x600 or lower resolution. Switching to full screen.";
constexpr const char* kWindowMemory = "Cannot run in a window: Insufficient video memory. Switching to full screen.";
constexpr const char* kEmbeddedPalette =
    "You cannot run this application when your video mode is 8 bits or less. Change your display settings and run "
    "again.";
constexpr const char* kEmbeddedSmall =
    "You cannot run this application at your current screen resolution. Change your display settings and run "
    "again.";
constexpr const char* kEmbeddedMemory =
    "You cannot run this application at your current screen resolution or bit depth (out of memory). Change your "
    "display settings and run again.";

class SetupTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    boxesBefore = TestControl::MessageBoxes().size();
  }
  void TearDown() override {
    if (parent && IsWindow(parent)) DestroyWindow(parent);
    DisplayTest::TearDown();
  }
  std::vector<TestControl::MessageBoxRecord> NewBoxes() {
    auto all = TestControl::MessageBoxes();
    return std::vector<TestControl::MessageBoxRecord>(all.begin() + (long)boxesBefore, all.end());
  }
  void Embed() {
    parent = CreateWindowExA(0, "display_test", "Host", 0xCE0000 | WS_VISIBLE, 0, 0, 1024, 768, nullptr, nullptr,
                             nullptr, nullptr);
    host.externalParent = parent;
  }
  // A window the display fails to make the first time.
  static void FailWindowOnce(HRESULT result) {
    TD::FailSurfaceCreation(result, 1, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
  }

  size_t boxesBefore = 0;
  HWND parent = nullptr;
};

// A window request the desktop cannot give, without and with a host window, silent or not.
struct FailureCase {
  const char* name;
  bool embedded;
  bool silent;
  const char* text;  // the box shown (null: none)
  bool exits;        // the program ends with -1
  bool fullScreen;   // otherwise the display comes up in full screen
};

TEST_F(SetupTest, WindowRequestsTheDesktopCannotHold) {
  const FailureCase cases[] = {
      {"palette", false, false, kWindowPalette, false, true},
      {"palette", false, true, nullptr, false, true},
      {"small", false, false, kWindowSmall, false, true},
      {"small", false, true, nullptr, false, true},
      {"memory", false, false, kWindowMemory, false, true},
      {"memory", false, true, nullptr, false, true},
      {"palette", true, false, kEmbeddedPalette, true, false},
      {"palette", true, true, kEmbeddedPalette, true, false},  // boxes that end the program always show
      {"small", true, false, kEmbeddedSmall, true, false},
      {"memory", true, false, kEmbeddedMemory, true, false},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.name << (c.embedded ? " embedded" : "") << (c.silent ? " silent" : ""));
    TRenderer::Destroy();
    TD::Reset();
    host.exits.clear();
    host.externalParent = nullptr;
    host.pqMode = false;
    if (parent) DestroyWindow(parent);
    parent = nullptr;
    boxesBefore = TestControl::MessageBoxes().size();
    std::string name = c.name;
    if (name == "palette") {
      // Embedded: the desktop had 256 colours from the start. Otherwise it changed to 256
      // colours since the display last looked, so only the device context sees it.
      MakeDisplay(c.embedded ? Desktop(1280, 1024, 256, 8) : Desktop());
      if (!c.embedded) TestControl::SetScreenMetrics(1280, 1024, 256, 8);
    } else if (name == "small") {
      MakeDisplay(Desktop(800, 600));
      host.pqMode = !c.embedded;  // with "-pq=" the size is left to the device context to refuse
    } else {
      MakeDisplay();
      if (c.embedded) {
        // A window that ran out of video memory before: no second try in a window.
        FailWindowOnce(DDERR_OUTOFVIDEOMEMORY);
        display->SetDisplay(800, 600, false, false, true, false);
        display->SetDisplay(640, 480, false, true, true, false);
        boxesBefore = TestControl::MessageBoxes().size();
      } else {
        FailWindowOnce(DDERR_OUTOFVIDEOMEMORY);
      }
    }
    if (c.embedded) Embed();
    display->SetDisplay(800, 600, false, false, c.silent, c.embedded);
    auto boxes = NewBoxes();
    if (c.text) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, c.text);
      EXPECT_EQ(boxes[0].caption, "Error");
    } else {
      EXPECT_TRUE(boxes.empty());
    }
    EXPECT_EQ(host.exits, c.exits ? std::vector<int>{-1} : std::vector<int>{});
    if (c.fullScreen) {
      EXPECT_TRUE(display->IsDisplayReady()) << Log();
      EXPECT_TRUE(display->IsFullScreen());
    }
  }
}

TEST_F(SetupTest, OtherFailuresTryTheOtherModeOnce) {
  MakeDisplay();
  // A window that fails for no reason of the desktop's: the box comes first, then full screen.
  FailWindowOnce(DDERR_GENERIC);
  display->SetDisplay(800, 600, false, false, false, false);
  auto boxes = NewBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Failed to initialize windowed mode. Trying full screen.");
  EXPECT_TRUE(display->IsFullScreen());
  EXPECT_TRUE(display->IsDisplayReady());

  // Full screen refused by every device: a window is tried, then the box tells why.
  TRenderer::Destroy();
  TD::Reset();
  MakeDisplay();
  boxesBefore = TestControl::MessageBoxes().size();
  TD::RefuseDisplayMode(800, 600, 0);
  display->SetDisplay(800, 600, true, false, false, false);
  boxes = NewBoxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text,
            "Sorry, but this product isn't compatible with your display. Try using a different display, if you have "
            "the option.");
  EXPECT_EQ(boxes[1].text, "Failed to initialize full screen mode. Your video card is not supported. Trying to run in "
                           "a window.");
  EXPECT_TRUE(Logged("Failed to create a DirectDraw device after trying all GUIDs"));
  EXPECT_FALSE(display->IsFullScreen());
  EXPECT_TRUE(display->IsDisplayReady());
}

TEST_F(SetupTest, ASecondFailureEndsTheProgram) {
  MakeDisplay();
  TD::RefuseDisplayMode(800, 600, 0);
  FailWindowOnce(DDERR_GENERIC);
  display->SetDisplay(800, 600, true, false, true, false);
  EXPECT_TRUE(Logged("ERROR FALLBACK FAILED"));
  auto boxes = NewBoxes();
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back().text,
            "Failed to initialize window. Please try running the game again. If that doesn't help, try changing the "
            "screen resolution and color depth. If that fails, then your video card does not support this game.");
  EXPECT_EQ(boxes.back().flags & 0xF0u, (UINT)MB_ICONERROR);
  EXPECT_EQ(host.quits, std::vector<int>{0});
  EXPECT_TRUE(display->IsFatal());
  // The next set-up ends the program at once.
  display->SetDisplay(800, 600, false, true, false, false);
  EXPECT_EQ(host.exits, std::vector<int>{-1});
}

TEST_F(SetupTest, SixteenColoursEndTheProgram) {
  MakeDisplay(Desktop(1280, 1024, 16, 4));
  display->SetDisplay(800, 600, true, false, false, false);
  auto boxes = NewBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("DirectX requires that you have your screen set to 256 color mode or higher"),
            std::string::npos);
  EXPECT_EQ(host.exits, std::vector<int>{-1});
  EXPECT_TRUE(display->IsFatal());
  EXPECT_TRUE(display->GetContext()->HasTooFewColours());
}

TEST_F(SetupTest, FailuresInTheBackgroundOnlyMarkTheDisplayBroken) {
  MakeDisplay();
  host.windowActive = false;
  FailWindowOnce(DDERR_GENERIC);
  display->SetDisplay(800, 600, false, true, false, false);
  EXPECT_TRUE(Logged("SetDisplay marking DirectX Broken: INACTIVE, "));
  EXPECT_TRUE(display->IsBroken());
  EXPECT_EQ(GetSetting("dxbroken"), "1");
  EXPECT_TRUE(NewBoxes().empty());

  // Once full screen has worked, a failing full-screen set-up only marks the display broken.
  host.windowActive = true;
  display->SetDisplay(800, 600, true, true, false, false);
  ASSERT_TRUE(display->IsDisplayReady());
  TD::RefuseDisplayMode(800, 600, 0);
  host.sleeps.clear();
  display->SetDisplay(800, 600, true, true, false, false);
  EXPECT_TRUE(display->IsBroken());
  EXPECT_EQ(host.sleeps, std::vector<uint32_t>{150});
}

TEST_F(SetupTest, NothingChangedMeansNothingDoneAndTheDisplayStaysReady) {
  MakeDisplay();
  Open(false);
  ASSERT_TRUE(display->IsDisplayReady());
  LPDIRECT3DDEVICE7 device = display->GetDevice();
  int resets = host.resets;
  display->SetDisplay(800, 600, false, false, false, false);
  EXPECT_EQ(display->GetDevice(), device);
  EXPECT_EQ(host.resets, resets);
  // Returning early does not stop the cursor: the display is still ready.
  EXPECT_TRUE(display->IsDisplayReady());
  host.minimized = true;
  display->SetDisplay(1024, 768, false, true, false, false);
  EXPECT_EQ(host.sleeps.back(), 100u);
  EXPECT_TRUE(display->IsDisplayReady());
  host.minimized = false;
  host.windowActive = false;
  display->SetDisplay(1024, 768, false, false, false, false);  // inactive and not forced
  EXPECT_TRUE(display->IsDisplayReady());
  EXPECT_EQ(display->GetDevice(), device);
}

TEST_F(SetupTest, ASecondSetDisplayDuringOneSleepsAndReturns) {
  MakeDisplay();
  struct ReentrantHost : FakeHost {
    TPlatformData* display = nullptr;
    int inner = 0;
    void SetDisplayReset() override {
      FakeHost::SetDisplayReset();
      if (display && inner++ == 0) display->SetDisplay(640, 480, true, true, false, false);
    }
  } reentrant;
  reentrant.mainWindow = window;
  reentrant.display = display;
  SetDisplayHost(&reentrant);
  display->SetDisplay(800, 600, false, false, false, false);
  SetDisplayHost(&host);
  EXPECT_EQ(reentrant.sleeps, std::vector<uint32_t>{50});
  EXPECT_FALSE(display->IsFullScreen());
  uint32_t w, h;
  bool full;
  display->GetDisplaySize(w, h, full);
  EXPECT_EQ(w, 800u);
  EXPECT_TRUE(display->IsDisplayReady());
}

TEST_F(SetupTest, RefusedAntialiasingIsRetriedWithout) {
  MakeDisplay();
  display->SetOption("hint_antialias", "1");
  display->SetOption("antialias", "1");
  TD::SetAntialiasRefused(true);
  Open(false);
  EXPECT_TRUE(display->IsDisplayReady());
  EXPECT_EQ(display->GetOption("antialias"), "0");
  EXPECT_EQ(display->GetOption("hint_antialias"), "0");
}

TEST_F(SetupTest, ResetDisplayRefusesAWindowTheDesktopCannotHold) {
  MakeDisplay(Desktop(1280, 1024, 256, 8));
  display->SetDisplay(800, 600, true, false, false, false);
  ASSERT_TRUE(display->IsFullScreen());
  EXPECT_FALSE(display->ResetDisplay(false));
  EXPECT_TRUE(display->IsFullScreen());
  TRenderer::Destroy();
  MakeDisplay(Desktop());
  Open(true);
  EXPECT_TRUE(display->ResetDisplay(false));
  EXPECT_FALSE(display->IsFullScreen());
  EXPECT_TRUE(display->ResetDisplay(true));
  EXPECT_TRUE(display->IsFullScreen());
}

TEST_F(SetupTest, EmbeddedSetUpsRightAfterABreakAreHeldBackForASecond) {
  MakeDisplay();
  Embed();
  display->SetDisplay(800, 600, false, true, false, true);
  ASSERT_TRUE(display->IsDisplayReady()) << Log();
  int resets = host.resets;
  display->FlagBroken();
  TestControl::AdvanceClock(999);
  display->SetDisplay(800, 600, false, true, false, true);
  EXPECT_EQ(host.resets, resets);
  EXPECT_TRUE(display->IsBroken());
  TestControl::AdvanceClock(1);
  display->SetDisplay(800, 600, false, true, false, true);
  EXPECT_EQ(host.resets, resets + 1);
  EXPECT_TRUE(display->IsDisplayReady());
}

TEST_F(SetupTest, FullScreenIsAskedOfAnEmbeddedProgramInAWindow) {
  MakeDisplay();
  Embed();
  display->SetDisplay(800, 600, true, true, false, true);
  ASSERT_TRUE(display->IsDisplayReady()) << Log();
  // The device context keeps an embedded program in a window whatever was asked.
  EXPECT_TRUE(display->GetContext()->IsWindowed());
}

TEST_F(SetupTest, ZylomHostsGetAQuietWindow) {
  MakeDisplay();
  host.zylom = true;
  display->SetDisplay(800, 600, true, false, false, false);
  EXPECT_FALSE(display->IsFullScreen());
  EXPECT_TRUE(display->IsDisplayReady());
}

TEST_F(SetupTest, AWindowAtTheCornerIsCentredOnItsMonitor) {
  MakeDisplay(Desktop(1280, 1024));
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Open(false);
  RECT r;
  GetWindowRect(window, &r);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(r.left, work.left + (work.right - work.left - (r.right - r.left)) / 2);
  EXPECT_EQ(r.top, work.top + (work.bottom - work.top - (r.bottom - r.top)) / 2);
}

TEST_F(SetupTest, TheCalibrationFindsTheRasterisersTexelOffset) {
  MakeDisplay();
  Open(false);
  display->SetTexelOffset(0.3f);
  display->TestRenderTarget();
  // The stand-in puts pixel centres on whole coordinates, as Direct3D 7 does.
  EXPECT_FLOAT_EQ(display->GetTexelOffset(), -0.5f);
  display->SetTexelOffset(0.3f);
  display->TestRenderTarget();  // once per run
  EXPECT_FLOAT_EQ(display->GetTexelOffset(), 0.3f);
}

}  // namespace
