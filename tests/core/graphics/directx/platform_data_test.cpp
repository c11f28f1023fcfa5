// The display handler's own state: the window and full-screen set-ups on the stand-in, render
// options, the broken flag, and the low-memory video mode with its file "common:display.xml".
#include "core/base/xml_node.h"
#include "tests/core/graphics/directx/display_fixture.h"

using namespace displaytest;

namespace {

TEST_F(DisplayTest, WindowSetUpLeavesAReadyDisplayOfTheAskedSize) {
  Open(false);
  ASSERT_TRUE(display->IsDisplayReady()) << Log();
  EXPECT_FALSE(display->IsFullScreen());
  uint32_t w = 0, h = 0;
  bool full = true;
  display->GetDisplaySize(w, h, full);
  EXPECT_EQ(w, 800u);
  EXPECT_EQ(h, 600u);
  EXPECT_FALSE(full);
  EXPECT_EQ(display->GetDisplayDepth(), 32u);
  EXPECT_EQ(GetSetting("dxbroken"), "0");
  EXPECT_EQ(GetSetting("monitorfrequency"), "60");
  EXPECT_EQ(host.resets, 1);
  EXPECT_EQ(host.defaultCursors, 1);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 600);
}

TEST_F(DisplayTest, FullScreenSetUpFlipsAndPresents) {
  Open(true);
  ASSERT_TRUE(display->IsDisplayReady()) << Log();
  EXPECT_TRUE(display->IsFullScreen());
  EXPECT_TRUE(Logged("Created screen at 32 bpp."));
  ASSERT_TRUE(display->BeginDraw(1));
  display->EndDraw(1);
  EXPECT_EQ(TestControl::Display::GetPresentCount() > 0, true);
}

}  // namespace

namespace {

TEST_F(DisplayTest, RenderOptions) {
  MakeDisplay();
  struct Case {
    const char* name;
    const char* value;
    const char* readBack;
  };
  const Case cases[] = {
      {"antialias", "1", "1"},        {"antialias", "0", "0"},       {"antialias", "-3", "0"},
      {"hint_antialias", "2", "1"},   {"new_subtractive", "1", "1"}, {"new_subtractive", "x", "0"},
      {"new_render_blend", "1", ""},  // accepted, never answered
      {"unknown", "1", ""},
  };
  for (const Case& c : cases) {
    display->SetOption(c.name, c.value);
    EXPECT_EQ(display->GetOption(c.name), c.readBack) << c.name << "=" << c.value;
  }
  EXPECT_EQ(display->GetOption("16bitmode"), "0");
  // With a device, the antialias option reaches its render state at once.
  Open(false);
  display->SetOption("antialias", "1");
  DWORD state = 0;
  display->GetDevice()->GetRenderState(D3DRENDERSTATE_ANTIALIAS, &state);
  EXPECT_EQ(state, (DWORD)D3DANTIALIAS_SORTINDEPENDENT);
  display->SetOption("antialias", "0");
  display->GetDevice()->GetRenderState(D3DRENDERSTATE_ANTIALIAS, &state);
  EXPECT_EQ(state, (DWORD)D3DANTIALIAS_NONE);
}

TEST_F(DisplayTest, TheDisplayFileSetsTheLowMemoryMode) {
  struct Case {
    const char* file;  // null: no file
    bool pq;
    bool lowMemory;
    bool logged;
  };
  const Case cases[] = {
      {nullptr, false, false, false},
      {"<Settings LowMemoryVideo=\"1\"/>", false, true, true},
      {"<Settings LowMemoryVideo=\"0\"/>", false, false, true},  // logged whatever the value
      {"<Settings/>", false, false, true},
      {"<Other LowMemoryVideo=\"1\"/>", false, false, false},
      {"<Settings LowMemoryVideo=\"1\"/>", true, false, false},  // hosted: not read
      {"not xml at all", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file ? c.file : "(none)");
    TRenderer::Destroy();
    SetLogPath(nullptr);
    std::remove((logs.Path() + "/logfile.txt").c_str());
    SetLogPath(logs.Path().c_str());
    std::remove((common.Path() + "/display.xml").c_str());
    if (c.file) WriteCommonFile("display.xml", c.file);
    host.pqMode = c.pq;
    MakeDisplay();
    EXPECT_EQ(display->IsLowMemoryVideo(), c.lowMemory);
    EXPECT_EQ(display->GetOption("16bitmode"), c.lowMemory ? "1" : "0");
    EXPECT_EQ(Logged("Low memory video card setting enabled!"), c.logged);
  }
}

TEST_F(DisplayTest, OutOfVideoMemoryIsRecordedOnceAndTheNextRunStartsSixteenBitFullScreen) {
  MakeDisplay();
  display->OnOutOfVideoMemory();  // no Direct3D yet: nothing happens
  EXPECT_FALSE(display->IsLowMemoryVideo());
  Open(false);
  ASSERT_TRUE(display->IsDisplayReady());
  display->OnOutOfVideoMemory();
  EXPECT_TRUE(display->IsLowMemoryVideo());
  EXPECT_TRUE(display->IsBroken());
  EXPECT_EQ(GetSetting("dxbroken"), "1");
  // The whole file is that one element, in the framework's XML writing.
  std::string file = CommonFile("display.xml");
  TXmlNode written;
  written.LoadFile("common:display.xml");
  ASSERT_EQ(written.GetChildCount(), 1) << file;
  ASSERT_NE(written.GetChild("Settings"), nullptr) << file;
  EXPECT_EQ(written.GetChild("Settings")->GetAttribute("LowMemoryVideo"), "1");
  // A second time in the run changes nothing and writes nothing.
  std::remove((common.Path() + "/display.xml").c_str());
  display->OnOutOfVideoMemory();
  EXPECT_EQ(CommonFile("display.xml"), "");
  EXPECT_EQ(CountLogged("OutOfVideoMemory triggered!"), 1);

  // The next run reads the file and comes up in 16-bit full screen, without the box.
  WriteCommonFile("display.xml", file);
  TRenderer::Destroy();
  size_t boxes = TestControl::MessageBoxes().size();
  MakeDisplay();
  EXPECT_TRUE(display->IsLowMemoryVideo());
  Open(false);
  EXPECT_TRUE(display->IsDisplayReady());
  EXPECT_TRUE(display->IsFullScreen());
  EXPECT_EQ(display->GetDisplayDepth(), 16u);
  EXPECT_EQ(TestControl::MessageBoxes().size(), boxes);
  // A hosted program in this mode cannot go on.
  host.pqMode = true;
  display->SetDisplay(800, 600, false, true, false, false);
  EXPECT_EQ(host.exits, std::vector<int>{-1});
  EXPECT_NE(TestControl::MessageBoxes().back().text.find("(out of memory)"), std::string::npos);
}

TEST_F(DisplayTest, TheSixteenBitAnswerFollowsTheDesktop) {
  MakeDisplay(Desktop(1280, 1024, -1, 16));
  Open(false);
  EXPECT_EQ(display->GetOption("16bitmode"), "1");
  EXPECT_FALSE(display->IsLowMemoryVideo());
}

TEST_F(DisplayTest, BrokenFlagAndItsThrottle) {
  MakeDisplay();
  Open(false);
  display->FlagBroken();
  EXPECT_TRUE(display->IsBroken());
  EXPECT_FALSE(display->IsDisplayReady());
  EXPECT_FALSE(display->IsDeviceValid());
  EXPECT_FALSE(display->BeginDraw(1));
  // A burst of texture failures writes the setting once in 250 ms.
  SetSetting("dxbroken", "x");
  display->FlagBrokenThrottled();
  EXPECT_EQ(GetSetting("dxbroken"), "x");
  TestControl::AdvanceClock(251);
  display->FlagBrokenThrottled();
  EXPECT_EQ(GetSetting("dxbroken"), "1");
  // A set-up mends it.
  display->SetDisplay(800, 600, false, true, false, false);
  EXPECT_FALSE(display->IsBroken());
  EXPECT_EQ(GetSetting("dxbroken"), "0");
}

TEST_F(DisplayTest, WithoutAPlatformNothingIsSetUp) {
  host.hasPlatform = false;
  MakeDisplay();
  Open(false);
  EXPECT_FALSE(display->IsDisplayReady());
  EXPECT_EQ(display->GetDevice(), nullptr);
  EXPECT_FALSE(display->BeginDraw(1));
}

}  // namespace
