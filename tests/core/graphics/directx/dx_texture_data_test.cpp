// Texture surfaces: sizes and margins, the formats each kind gets on 16-, 24- and 32-bit displays
// with the ARGB conversions in and out, locks through a converted copy, fallbacks when memory
// runs out, copies, and restores after a loss.
#include "tests/core/graphics/directx/display_fixture.h"

using namespace displaytest;
namespace TD = TestControl::Display;

namespace {

class TextureDataTest : public DisplayTest {
 protected:
  void OpenOn(int bits, TD::Profile profile = Desktop()) {
    profile.desktopBitsPerPixel = (DWORD)bits;
    MakeDisplay(profile);
    Open(false);
    ASSERT_TRUE(display->IsDisplayReady()) << Log();
  }
  static DDPIXELFORMAT FormatOf(TDxTextureData& data) {
    DDPIXELFORMAT f{};
    f.dwSize = sizeof(f);
    data.GetSurface()->GetPixelFormat(&f);
    return f;
  }
};

TEST_F(TextureDataTest, SquareOnlyDevicesCentreTheImage) {
  TD::Profile profile = Desktop();
  profile.squareOnly = true;
  OpenOn(32, profile);
  ASSERT_TRUE(display->IsSquareTextureOnly());
  for (uint8_t flags : {uint8_t(0), uint8_t(kTextureRenderTarget | kTextureAlpha)}) {
    SCOPED_TRACE(flags);
    auto data = MakeTexture(100, 60, flags);
    EXPECT_EQ(data->GetSurfaceWidth(), 128u);
    EXPECT_EQ(data->GetSurfaceHeight(), 128u);
    EXPECT_EQ(data->GetMarginX(), 14u);
    EXPECT_EQ(data->GetMarginY(), 34u);
    EXPECT_EQ(data->GetWidth(), 100u);
    EXPECT_EQ(data->GetHeight(), 60u);
    // The image goes in at its margins, and comes out the same.
    std::vector<uint32_t> in(100 * 60, 0xFF123456u), out(100 * 60, 0);
    ASSERT_TRUE(data->SetPixels(100, 60, in.data()));
    ASSERT_TRUE(data->ReadPixels(100, 60, out.data()));
    EXPECT_EQ(out, in);
    uint32_t* p = nullptr;
    int pitch = 0;
    ASSERT_TRUE(data->Lock(p, pitch));
    EXPECT_EQ(p[(size_t)34 * pitch + 14], 0xFF123456u);
    EXPECT_EQ(p[(size_t)33 * pitch + 14] & 0xFFFFFF, 0u);
    data->Unlock();
  }
  // Simple surfaces are plain and keep their size.
  auto simple = MakeTexture(100, 60, kTextureSimple);
  EXPECT_EQ(simple->GetSurfaceWidth(), 100u);
  EXPECT_EQ(simple->GetMarginX(), 0u);
}

// What a pixel becomes after SetPixels and ReadPixels, by display depth and texture kind.
struct FormatCase {
  int bits;
  uint8_t flags;
  DWORD formatBits;
  DWORD alphaMask;
  uint32_t in, out;
};

TEST_F(TextureDataTest, EveryFormatConvertsInAndOut) {
  const FormatCase cases[] = {
      {32, kTextureAlpha, 32, 0xFF000000u, 0x80C0FF10u, 0x80C0FF10u},
      {32, 0, 32, 0, 0x80C0FF10u, 0xFFC0FF10u},  // no alpha: opaque
      {16, kTextureAlpha, 16, 0xF000u, 0x80C0FF10u, 0x80C0F010u},
      {16, 0, 16, 0, 0x80C4FF14u, 0xFFC0FC10u},  // 5-6-5: the top bits, no alpha
      {24, kTextureSimple, 24, 0, 0x80C0FF10u, 0xFFC0FF10u},
      {16, kTextureSimple | kTextureAlpha, 16, 0xF000u, 0x80C0FF10u, 0x80C0F010u},
      {32, kTextureRenderTarget | kTextureAlpha, 32, 0xFF000000u, 0x80C0FF10u, 0x80C0FF10u},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.bits << " bits, flags " << (int)c.flags);
    TRenderer::Destroy();
    OpenOn(c.bits);
    auto data = MakeTexture(4, 4, c.flags);
    ASSERT_NE(data->GetSurface(), nullptr);
    DDPIXELFORMAT f = FormatOf(*data);
    EXPECT_EQ(f.dwRGBBitCount, c.formatBits);
    EXPECT_EQ((f.dwFlags & DDPF_ALPHAPIXELS) ? f.dwRGBAlphaBitMask : 0u, c.alphaMask);
    std::vector<uint32_t> in(16, c.in), out(16, 0);
    ASSERT_TRUE(data->SetPixels(4, 4, in.data()));
    ASSERT_TRUE(data->ReadPixels(4, 4, out.data()));
    EXPECT_EQ(out[5], c.out) << std::hex << out[5];
  }
}

TEST_F(TextureDataTest, LockingASixteenBitTextureGivesAConvertedCopy) {
  OpenOn(16);
  auto data = MakeTexture(8, 8, kTextureAlpha);
  ASSERT_EQ(FormatOf(*data).dwRGBBitCount, 16u);
  uint32_t* p = nullptr;
  int pitch = 0;
  ASSERT_TRUE(data->Lock(p, pitch));
  EXPECT_EQ(pitch, (int)data->GetSurfaceWidth());
  p[3 * pitch + 2] = 0xFFFF0000u;
  data->Unlock();
  DDSURFACEDESC2 locked{};
  locked.dwSize = sizeof(locked);
  ASSERT_EQ(data->GetSurface()->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  uint16_t raw = ((uint16_t*)((uint8_t*)locked.lpSurface + 3 * locked.lPitch))[2];
  data->GetSurface()->Unlock(nullptr);
  EXPECT_EQ(raw, 0xFF00u);  // A4R4G4B4: alpha and red full
  // A 32-bit ARGB texture is locked in place: no copy.
  TRenderer::Destroy();
  OpenOn(32);
  auto direct = MakeTexture(8, 8, kTextureAlpha);
  ASSERT_TRUE(direct->Lock(p, pitch));
  p[0] = 0x12345678u;
  direct->Unlock();
  ASSERT_EQ(direct->GetSurface()->Lock(nullptr, &locked, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_EQ(*(uint32_t*)locked.lpSurface, 0x12345678u);
  direct->GetSurface()->Unlock(nullptr);
}

TEST_F(TextureDataTest, AnAlphaRenderTargetNoMemoryTakesBecomesAPlainTexture) {
  OpenOn(32);
  TD::FailSurfaceCreation(DDERR_OUTOFVIDEOMEMORY, 2, DDSCAPS_TEXTURE | DDSCAPS_3DDEVICE);
  auto data = MakeTexture(64, 64, kTextureRenderTarget | kTextureAlpha);
  ASSERT_NE(data->GetSurface(), nullptr);
  EXPECT_FALSE(data->HasFlag(kTextureRenderTarget));
  EXPECT_TRUE(data->IsMadeByD3dx());
  DDSCAPS2 caps{};
  data->GetSurface()->GetCaps(&caps);
  EXPECT_FALSE(caps.dwCaps & DDSCAPS_3DDEVICE);
}

TEST_F(TextureDataTest, WithoutADeviceOnlyRenderTargetsCountAsMade) {
  MakeDisplay();
  auto data = std::make_unique<TDxTextureData>();
  data->SetFlags(kTextureAlpha);
  EXPECT_FALSE(data->CreateSurface(100, 60, true));
  EXPECT_EQ(data->GetWidth(), 128u);  // sizes rounded for the surface that will be made later
  EXPECT_EQ(data->GetHeight(), 64u);
  data->SetFlags(kTextureRenderTarget);
  EXPECT_TRUE(data->CreateSurface(100, 60, true));
  EXPECT_EQ(data->GetSurface(), nullptr);
}

TEST_F(TextureDataTest, TextureMemoryIsCountedBothWays) {
  OpenOn(32);
  int64_t before = display->GetTextureMemory();
  {
    auto data = MakeTexture(64, 64, kTextureAlpha);
    EXPECT_EQ(display->GetTextureMemory(), before + 64 * 64 * 4);
    data->Release();
    EXPECT_EQ(display->GetTextureMemory(), before);
    data->Restore();  // made in memory: an empty surface of the same size
    EXPECT_NE(data->GetSurface(), nullptr);
    EXPECT_EQ(display->GetTextureMemory(), before + 64 * 64 * 4);
  }
  EXPECT_EQ(display->GetTextureMemory(), before);
}

TEST_F(TextureDataTest, RestoreReloadsFilesAndForgetsMissingOnes) {
  OpenOn(32);
  std::vector<uint32_t> green(16 * 16, 0xFF00FF00u);
  ASSERT_TRUE(TD::WritePng(common.Path() + "/tile.png", green.data(), 16, 16, 16));
  auto texture = TTexture::Get("common:tile");
  ASSERT_TRUE(texture);
  auto* data = static_cast<TDxTextureData*>(texture->GetData());
  EXPECT_EQ(data->GetFileName(), "common:tile.png");
  data->Release();
  data->Restore();
  uint32_t* p = nullptr;
  int pitch = 0;
  ASSERT_TRUE(texture->Lock(p, pitch));
  EXPECT_EQ(p[5 * pitch + 5], 0xFF00FF00u);
  texture->Unlock();

  // The file is gone: the failure is logged and the display stays usable.
  std::remove((common.Path() + "/tile.png").c_str());
  ClearFileMap();
  data->Release();
  data->Restore();
  EXPECT_TRUE(Logged("TDxTextureData::Restore: Failed to restore from file common:tile.png."));
  EXPECT_EQ(data->GetSurface(), nullptr);
  EXPECT_FALSE(display->IsBroken());

  // It exists but cannot be read: that is the display's trouble, so it is flagged.
  std::ofstream(common.Path() + "/tile.png") << "not an image";
  ClearFileMap();
  data->Restore();
  EXPECT_TRUE(display->IsBroken());
}

TEST_F(TextureDataTest, ImageFilesAreFoundWithoutOptionsAndWithTheirExtensions) {
  MakeDisplay();
  std::ofstream(common.Path() + "/pic.jpg") << "x";
  struct Case {
    const char* name;
    bool exists;
  };
  const Case cases[] = {{"common:pic.jpg", true},       {"common:pic", true},  {"common:pic?alpha", true},
                        {"common:pic.jpg?slow", true},  {"common:other", false}, {"common:pic.png", false}};
  for (const Case& c : cases) EXPECT_EQ(TDxTextureData::ImageFileExists(c.name), c.exists) << c.name;
}

TEST_F(TextureDataTest, CopiesGoIntoOtherTexturesAndOntoTheScreen) {
  OpenOn(32);
  auto source = MakeTexture(8, 8, kTextureRenderTarget | kTextureAlpha);
  auto target = MakeTexture(32, 32, kTextureRenderTarget | kTextureAlpha);
  std::vector<uint32_t> red(64, 0xFFFF0000u);
  ASSERT_TRUE(source->SetPixels(8, 8, red.data()));
  TRect half(0, 0, 4, 8);
  source->CopyTo(10, 12, &half, target.get());
  std::vector<uint32_t> out(32 * 32);
  ASSERT_TRUE(target->ReadPixels(32, 32, out.data()));
  EXPECT_EQ(out[12 * 32 + 10], 0xFFFF0000u);
  EXPECT_EQ(out[12 * 32 + 13], 0xFFFF0000u);
  EXPECT_EQ(out[12 * 32 + 14], 0u);
  // A copy that runs past the destination's edge is refused by the blit and goes through GDI,
  // which keeps the part that fits (the failure is logged once).
  source->CopyTo(28, 28, nullptr, target.get());
  source->CopyTo(29, 29, nullptr, target.get());
  ASSERT_TRUE(target->ReadPixels(32, 32, out.data()));
  EXPECT_EQ(out[31 * 32 + 31], 0xFFFF0000u);
  EXPECT_EQ(out[28 * 32 + 28], 0xFFFF0000u);
  EXPECT_EQ(CountLogged("File .\\dxtexturedata"), 1);
  // Onto the display's target surface, stretched by the display scale.
  host.scaling = true;
  host.scale = 2.0f;
  source->CopyTo(100, 100, nullptr, nullptr);
  host.scaling = false;
  std::vector<uint32_t> back;
  int w = 0, h = 0;
  ASSERT_TRUE(TD::ReadSurface(display->GetTargetSurface(), back, w, h));
  EXPECT_EQ(back[(size_t)200 * w + 200] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(back[(size_t)215 * w + 215] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(back[(size_t)216 * w + 216] & 0xFFFFFF, 0u);
}

}  // namespace
