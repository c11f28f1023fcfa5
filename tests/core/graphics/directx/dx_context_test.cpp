// The display device and the screen buffers: creation by enumeration on the stand-in's device
// profiles, the desktop checks, the depth chosen for full screen, falling through to further
// DirectDraw devices, the card report and its helpers.
#include "tests/core/graphics/directx/display_fixture.h"

using namespace displaytest;
namespace TD = TestControl::Display;

namespace {

class ContextTest : public DisplayTest {
 protected:
  TDXContext* Context() { return display->GetContext(); }
  bool Create(bool fullScreen, uint32_t flags = TDXContext::kCreateDefault) {
    return Context()->Create(window, fullScreen, 800, 600, 32, flags);
  }
  size_t boxesBefore = TestControl::MessageBoxes().size();
};

TEST_F(ContextTest, PaletteAndSixteenColourDesktops) {
  // 256 colours: a window is refused without any flag set; full screen goes on.
  MakeDisplay(Desktop(1280, 1024, 256, 8));
  EXPECT_FALSE(Create(false));
  EXPECT_FALSE(Context()->HasTooFewColours());
  EXPECT_FALSE(Context()->WindowOutOfVideoMemory());
  EXPECT_TRUE(Create(true)) << Log();
  TRenderer::Destroy();
  // 16 colours: refused either way, and the flag says why.
  MakeDisplay(Desktop(1280, 1024, 16, 4));
  EXPECT_FALSE(Create(true));
  EXPECT_TRUE(Context()->HasTooFewColours());
}

TEST_F(ContextTest, TheHardwareDeviceIsRequiredUnlessTheDisplayIsScaled) {
  TD::Profile profile = Desktop();
  profile.hardwareDevice = false;
  MakeDisplay(profile);
  EXPECT_FALSE(Create(false));
  EXPECT_TRUE(Logged("TDXContext::Create failed! Could not find a hardware renderer."));
  host.scaling = true;
  EXPECT_TRUE(Create(false));
  EXPECT_FALSE(Context()->HasHardwareRenderer());
  D3DDEVICEDESC7 desc{};
  Context()->GetDevice()->GetCaps(&desc);
  EXPECT_TRUE(desc.deviceGUID == IID_IDirect3DRGBDevice);
  // With hardware, the transform-and-light device ends the search.
  TRenderer::Destroy();
  host.scaling = false;
  MakeDisplay();
  EXPECT_TRUE(Create(false));
  EXPECT_TRUE(Context()->HasHardwareRenderer());
  EXPECT_TRUE(Context()->GetDeviceDesc().deviceGUID == IID_IDirect3DTnLHalDevice);
}

TEST_F(ContextTest, SmallTextureLimitsFailAfterTheDeviceWasMade) {
  TD::Profile profile = Desktop();
  profile.maxTextureWidth = profile.maxTextureHeight = 512;
  MakeDisplay(profile);
  EXPECT_FALSE(Create(false));
  EXPECT_TRUE(Logged("TDXContext::Create - context does not support 1024x1024 textures! Failing!"));
  EXPECT_EQ(Context()->GetDevice(), nullptr);
  EXPECT_EQ(Context()->GetDirectDraw(), nullptr);
}

TEST_F(ContextTest, SomeIntelChipsGetNoIndexedVertices) {
  struct Case {
    const char* description;
    bool broken;
  };
  const Case cases[] = {
      {"Intel(R) 82845G/GL/GE/PE/GV Graphics Controller", true},
      {"Intel 82810E Chipset", true},
      {"Mobile Intel 965 Express Chipset Family", true},
      {"Intel 965Express", false},  // no blank on both sides of 965
      {"Intel GMA 950", false},
      {"Other 82845", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    ClearSettingsForTest();
    TD::Profile profile = Desktop();
    profile.description = c.description;
    MakeDisplay(profile);
    ASSERT_TRUE(Create(false));
    EXPECT_EQ(GetSetting("brokenindexedverts") == "1", c.broken);
    EXPECT_NE(Context()->GetDiagnosticText().Find(TStr::Format("Description: '%s'", c.description)), -1);
    TRenderer::Destroy();
  }
}

TEST_F(ContextTest, TheCardReportCarriesBothCapsRecords) {
  MakeDisplay();
  ASSERT_TRUE(Create(false));
  TStr text = Context()->GetDiagnosticText();
  int caps = text.Find("DDCAPS: ");
  int desc = text.Find("D3DDESC: ");
  ASSERT_GE(caps, 0);
  ASSERT_GE(desc, 0);
  EXPECT_EQ(text.SubStr(caps + 8, 8), HexDump("\x7C\x01\x00\x00", 4));  // the record's size, 380
  EXPECT_EQ(text.Find("\n", 0, desc) - (desc + 9), 236 * 2);
  EXPECT_TRUE(Logged("Device identifier:  \n  Driver: 'orvdisp.dll'"));
}

TEST_F(ContextTest, HexDumpAndTheWindowsVersions) {
  const uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  EXPECT_EQ(HexDump(bytes, 4), "000FA5FF");
  EXPECT_EQ(HexDump(bytes, 0), "");
  EXPECT_EQ(HexDump(bytes, -3), "");
  struct Case {
    DWORD major, minor;
    bool xp, vista;
  };
  const Case cases[] = {{5, 0, false, false}, {5, 1, true, false}, {5, 2, true, false}, {6, 0, true, true},
                        {10, 0, true, true}};
  for (const Case& c : cases) {
    TestControl::SetWindowsVersion(c.major, c.minor);
    EXPECT_EQ(IsWindowsXpOrLater(), c.xp) << c.major << "." << c.minor;
    EXPECT_EQ(IsWindowsVistaOrLater(), c.vista) << c.major << "." << c.minor;
  }
}

// The depth a full-screen set-up asks of the mode, from the card's memory and its mode list.
struct DepthCase {
  DWORD videoMemory;
  std::vector<TD::Mode> modes;
  uint32_t logged;  // "Created screen at %d bpp."
  uint32_t depth;   // the display mode set
};

TEST_F(ContextTest, FullScreenDepth) {
  const DepthCase cases[] = {
      {64u << 20, {{800, 600, 16}, {800, 600, 32}}, 32, 32},
      {8u << 20, {{800, 600, 16}, {800, 600, 32}}, 16, 16},  // below 16 MB: 16 bits
      {64u << 20, {{800, 600, 8}, {800, 600, 24}}, 32, 24},  // the first fitting depth of 15 or more
      {64u << 20, {{800, 600, 24}, {800, 600, 16}}, 32, 16},  // 16 bits wins over another depth
      {64u << 20, {{640, 480, 32}, {800, 600, 16}, {800, 600, 32}}, 32, 32},
  };
  for (const DepthCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.videoMemory >> 20) << " MB, " << c.modes.size() << " modes");
    TD::Profile profile = Desktop();
    profile.videoMemoryTotal = c.videoMemory;
    profile.modes = c.modes;
    MakeDisplay(profile);
    SetLogPath(nullptr);
    std::remove((logs.Path() + "/logfile.txt").c_str());
    SetLogPath(logs.Path().c_str());
    ASSERT_TRUE(Create(true)) << Log();
    EXPECT_TRUE(Logged(TStr::Format("Created screen at %u bpp.", c.logged).c_str()));
    EXPECT_EQ(Context()->GetDisplayModeDesc().ddpfPixelFormat.dwRGBBitCount, c.depth);
    TRenderer::Destroy();
  }
}

TEST_F(ContextTest, ARefusedAntialiasingHintIsDroppedBeforeAnotherDeviceIsTried) {
  MakeDisplay();
  TD::SetAntialiasRefused(true);
  ASSERT_TRUE(Create(true, TDXContext::kCreateDefault | TDXContext::kCreateAntialias));
  EXPECT_TRUE(Logged("FAILED to create front buffer with DDSCAPS2_ENABLEALPHACHANNEL"));
  EXPECT_EQ(CountLogged("Created screen at"), 1);
}

TEST_F(ContextTest, FullScreenFallsThroughTheDirectDrawDevices) {
  TD::Profile profile = Desktop();
  TD::DirectDrawDevice second;
  second.hasGuid = true;
  second.guid = GUID{0x11112222, 0x3333, 0x4444, {1, 2, 3, 4, 5, 6, 7, 8}};
  second.description = "Second monitor";
  profile.directDrawDevices = {TD::DirectDrawDevice{}, second};
  MakeDisplay(profile);
  // The default device's primary chain fails twice (with and without the hint): the next
  // device, counted by the enumeration, takes over.
  TD::FailSurfaceCreation(DDERR_GENERIC, 2, DDSCAPS_PRIMARYSURFACE);
  ASSERT_TRUE(Create(true)) << Log();
  EXPECT_EQ(CountLogged("Created screen at 32 bpp."), 2);
  // When every device fails, the box shows only before anything ever worked on this display.
  TD::RefuseDisplayMode(800, 600, 0);
  EXPECT_FALSE(Create(true));
  EXPECT_EQ(TestControl::MessageBoxes().size(), boxesBefore);
  TRenderer::Destroy();
  MakeDisplay(profile);
  TD::RefuseDisplayMode(800, 600, 0);
  EXPECT_FALSE(Create(true));
  ASSERT_EQ(TestControl::MessageBoxes().size(), boxesBefore + 1);
  EXPECT_EQ(TestControl::MessageBoxes().back().flags, (UINT)MB_ICONERROR);
}

TEST_F(ContextTest, TheFallThroughEndsAtADeviceWithoutGuid) {
  TD::Profile profile = Desktop();
  TD::DirectDrawDevice named;
  named.hasGuid = true;
  named.guid = GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  // The enumeration lists a device without a GUID second: index 1 meets it at once.
  profile.directDrawDevices = {named, TD::DirectDrawDevice{}};
  MakeDisplay(profile);
  TD::RefuseDisplayMode(800, 600, 0);
  EXPECT_FALSE(Create(true));
  EXPECT_EQ(CountLogged("Failed to create screen at 32 bpp."), 1);
  EXPECT_TRUE(Logged("Failed to create a DirectDraw device after trying all GUIDs"));
}

TEST_F(ContextTest, AWindowOutOfVideoMemoryIsNotTriedAgain) {
  MakeDisplay();
  TD::FailSurfaceCreation(DDERR_OUTOFVIDEOMEMORY, 1, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
  EXPECT_FALSE(Create(false));
  EXPECT_TRUE(Context()->WindowOutOfVideoMemory());
  EXPECT_FALSE(Create(false));  // refused before anything is made
  EXPECT_TRUE(Create(true));
}

TEST_F(ContextTest, ABackBufferTheHardwareCannotUseGoesToSystemMemoryNextTime) {
  // Room for the 1280 x 1024 primary but not for the back buffer, which the stand-in then puts
  // in system memory: the hardware device refuses it.
  TD::Profile profile = Desktop();
  profile.videoMemoryTotal = 6u << 20;
  MakeDisplay(profile);
  EXPECT_FALSE(Create(false));
  EXPECT_TRUE(Context()->NeedsSystemMemory());
  EXPECT_FALSE(Context()->WindowOutOfVideoMemory());
}

TEST_F(ContextTest, PresentingAWindowBlitsTheBackBufferIntoTheClientArea) {
  MakeDisplay();
  Open(false);
  ASSERT_TRUE(display->BeginDraw(1));
  TColor c(0, 0, 1, 1);
  display->FillRect(0, 0, 800, 600, &c, nullptr);
  display->EndDraw(1);
  std::vector<uint32_t> frame;
  int w = 0, h = 0;
  ASSERT_TRUE(TD::GetLastPresentedFrame(frame, w, h));
  EXPECT_EQ(w, 800);
  EXPECT_EQ(h, 600);
  EXPECT_EQ(frame[(size_t)300 * w + 400] & 0xFFFFFF, 0x0000FFu);
  // The window's back buffer keeps its picture from frame to frame.
  ASSERT_TRUE(display->BeginDraw(1));
  display->EndDraw(1);
  ASSERT_TRUE(TD::GetLastPresentedFrame(frame, w, h));
  EXPECT_EQ(frame[(size_t)300 * w + 400] & 0xFFFFFF, 0x0000FFu);
}

}  // namespace
