// DirectDraw stand-in surfaces: format round trips through Lock/Unlock and Blt, colour fill,
// result codes of bad calls, attachments, video memory and display modes.
#include "tests/platform/directx/dx_fixture.h"

#include "platform/directx/pixel_format.h"

using namespace dxtest;

namespace {

struct FormatCase {
  const char* name;
  DDPIXELFORMAT pf;
  uint32_t used;  // bits that hold colour or alpha
};

std::vector<FormatCase> Formats() {
  return {{"A8R8G8B8", dx::Argb8888Format(), 0xFFFFFFFFu}, {"X8R8G8B8", dx::Xrgb8888Format(), 0x00FFFFFFu},
          {"R8G8B8", dx::Rgb888Format(), 0xFFFFFFu},       {"R5G6B5", dx::Rgb565Format(), 0xFFFFu},
          {"X1R5G5B5", dx::Xrgb1555Format(), 0x7FFFu},     {"A1R5G5B5", dx::Argb1555Format(), 0xFFFFu},
          {"A4R4G4B4", dx::Argb4444Format(), 0xFFFFu}};
}

class SurfaceTest : public DisplayTest {
 protected:
  IDirectDrawSurface7* Make(DWORD w, DWORD h, const DDPIXELFORMAT& pf, DWORD caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY) {
    auto d = Desc(w, h, caps, &pf);
    IDirectDrawSurface7* s = nullptr;
    EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
    if (s) made.push_back(s);
    return s;
  }
  void TearDown() override {
    for (auto* s : made) s->Release();
    DisplayTest::TearDown();
  }
  static void WriteRaw(IDirectDrawSurface7* s, const std::vector<uint32_t>& raw) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    int bytes = s->Format().bytes;
    for (DWORD y = 0; y < d.dwHeight; ++y)
      for (DWORD x = 0; x < d.dwWidth; ++x)
        dx::WriteRaw(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes, bytes, raw[y * d.dwWidth + x]);
    ASSERT_EQ(s->Unlock(nullptr), DD_OK);
  }
  static std::vector<uint32_t> ReadRaw(IDirectDrawSurface7* s) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    std::vector<uint32_t> out;
    EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    int bytes = s->Format().bytes;
    for (DWORD y = 0; y < d.dwHeight; ++y)
      for (DWORD x = 0; x < d.dwWidth; ++x)
        out.push_back(dx::ReadRaw(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes, bytes));
    EXPECT_EQ(s->Unlock(nullptr), DD_OK);
    return out;
  }
  std::vector<IDirectDrawSurface7*> made;
};

TEST_F(SurfaceTest, EveryFormatRoundTripsThroughLockAndBlt) {
  for (auto& f : Formats()) {
    SCOPED_TRACE(f.name);
    std::vector<uint32_t> raw;
    for (uint32_t i = 0; i < 5 * 3; ++i) raw.push_back((0x9E3779B9u * (i + 1)) & f.used);
    auto* a = Make(5, 3, f.pf);
    auto* b = Make(5, 3, f.pf);
    auto* wide = Make(5, 3, dx::Argb8888Format());
    WriteRaw(a, raw);
    EXPECT_EQ(ReadRaw(a), raw);
    ASSERT_EQ(b->Blt(nullptr, a, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(ReadRaw(b), raw);
    // Through 32-bit ARGB and back: widening then narrowing gives the raw value again.
    ASSERT_EQ(wide->Blt(nullptr, a, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    WriteRaw(b, std::vector<uint32_t>(15, 0));
    ASSERT_EQ(b->BltFast(0, 0, wide, nullptr, DDBLTFAST_WAIT), DD_OK);
    auto back = ReadRaw(b);
    for (size_t i = 0; i < raw.size(); ++i) EXPECT_EQ(back[i] & f.used, raw[i]) << i;
  }
}

TEST_F(SurfaceTest, ColourFillIsTheMaskArithmetic) {
  const float colour[4] = {0.8f, 0.3f, 0.55f, 0.25f};  // red, green, blue, alpha
  for (auto& f : Formats()) {
    SCOPED_TRACE(f.name);
    auto* s = Make(4, 4, f.pf);
    const DDPIXELFORMAT& pf = f.pf;
    DWORD alphaMask = (pf.dwFlags & DDPF_ALPHAPIXELS) ? pf.dwRGBAlphaBitMask : 0;
    DWORD masks[4] = {pf.dwRBitMask, pf.dwGBitMask, pf.dwBBitMask, alphaMask};
    uint32_t fill = 0;
    for (int i = 0; i < 4; ++i) fill += (uint32_t)(int64_t)(colour[i] * (double)masks[i]) & masks[i];
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwFillColor = fill;
    RECT r = {1, 1, 3, 4};
    ASSERT_EQ(s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    auto raw = ReadRaw(s);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(raw[(size_t)y * 4 + x], (x >= 1 && x < 3 && y >= 1) ? fill : 0u);
  }
}

TEST_F(SurfaceTest, BadCallsGetTheirResultCodes) {
  auto* s = Make(8, 8, dx::Argb8888Format());
  auto* t = Make(8, 8, dx::Argb8888Format());
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof(d) - 4;
  EXPECT_EQ(s->Lock(nullptr, &d, 0, nullptr), DDERR_INVALIDPARAMS);
  d.dwSize = sizeof(d);
  RECT outside = {4, 4, 9, 6};
  EXPECT_EQ(s->Lock(&outside, &d, 0, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);
  ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
  DDSURFACEDESC2 d2{};
  d2.dwSize = sizeof(d2);
  EXPECT_EQ(s->Lock(nullptr, &d2, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(t->Blt(nullptr, s, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
  HDC dc;
  EXPECT_EQ(s->GetDC(&dc), DDERR_SURFACEBUSY);
  EXPECT_EQ(s->Unlock(nullptr), DD_OK);
  ASSERT_EQ(s->GetDC(&dc), DD_OK);
  HDC dc2;
  EXPECT_EQ(s->GetDC(&dc2), DDERR_DCALREADYCREATED);
  EXPECT_EQ(s->Lock(nullptr, &d2, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(s->ReleaseDC(dc), DD_OK);
  EXPECT_EQ(s->ReleaseDC(dc), DDERR_INVALIDPARAMS);
  EXPECT_EQ(t->Blt(&outside, s, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
  RECT inverted = {5, 5, 2, 2};
  EXPECT_EQ(t->Blt(nullptr, s, &inverted, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
  EXPECT_EQ(t->Blt(nullptr, nullptr, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(t->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(t->BltFast(4, 4, s, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
  ASSERT_EQ(t->SetClipper(clipper), DD_OK);
  clipper->Release();
  EXPECT_EQ(t->BltFast(0, 0, s, nullptr, DDBLTFAST_WAIT), DDERR_BLTFASTCANTCLIP);
  EXPECT_EQ(t->Blt(&outside, s, nullptr, DDBLT_WAIT, nullptr), DD_OK);  // clipped to the surface
  EXPECT_EQ(s->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
  EXPECT_EQ(s->GetFlipStatus(0), DDERR_INVALIDPARAMS);
  DDSCAPS2 caps{DDSCAPS_ZBUFFER, 0, 0, 0};
  IDirectDrawSurface7* none = nullptr;
  EXPECT_EQ(s->GetAttachedSurface(&caps, &none), DDERR_NOTFOUND);
  EXPECT_EQ(s->AddAttachedSurface(t), DDERR_CANNOTATTACHSURFACE);
  DDPIXELFORMAT wide = dx::Argb8888Format();
  auto huge = Desc(16384, 16384, DDSCAPS_OFFSCREENPLAIN, &wide);
  IDirectDrawSurface7* out = nullptr;
  EXPECT_EQ(dd->CreateSurface(&huge, &out, nullptr), DDERR_OUTOFMEMORY);
  auto bad = Desc(0, 8, DDSCAPS_OFFSCREENPLAIN);
  EXPECT_EQ(dd->CreateSurface(&bad, &out, nullptr), DDERR_INVALIDPARAMS);
  DDPIXELFORMAT odd = dx::MakeRgbFormat(32, 0xF0F0F0, 0x0F0F0F, 0xFF000000u, 0);
  auto oddDesc = Desc(4, 4, DDSCAPS_OFFSCREENPLAIN, &odd);
  EXPECT_EQ(dd->CreateSurface(&oddDesc, &out, nullptr), DDERR_INVALIDPIXELFORMAT);
}

TEST_F(SurfaceTest, StretchAndGdiCopiesConvert) {
  auto* small = Make(2, 2, dx::Argb8888Format());
  WriteRaw(small, {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFFFFFFu});
  auto* big = Make(4, 4, dx::Rgb565Format());
  ASSERT_EQ(big->Blt(nullptr, small, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  auto raw = ReadRaw(big);
  EXPECT_EQ(raw[0], 0x001Fu);
  EXPECT_EQ(raw[1], 0x001Fu);
  EXPECT_EQ(raw[3], 0x07E0u);
  EXPECT_EQ(raw[15], 0xFFFFu);
  // GDI: StretchBlt between two surface DCs, clipped to the destination.
  auto* dst = Make(3, 3, dx::Argb8888Format());
  HDC a, b;
  ASSERT_EQ(dst->GetDC(&a), DD_OK);
  ASSERT_EQ(big->GetDC(&b), DD_OK);
  EXPECT_TRUE(StretchBlt(a, 1, 1, 4, 4, b, 0, 0, 4, 4, SRCCOPY));
  EXPECT_FALSE(StretchBlt(a, 0, 0, 1, 1, nullptr, 0, 0, 1, 1, SRCCOPY));
  dst->ReleaseDC(a);
  big->ReleaseDC(b);
  auto out = ReadRaw(dst);
  EXPECT_EQ(out[0], 0u);
  EXPECT_EQ(out[4], 0xFF0000FFu);
  EXPECT_EQ(out[8], 0xFF0000FFu);
}

TEST_F(SurfaceTest, VideoMemoryIsCountedAndRunsOut) {
  auto profile = TestControl::Display::GetProfile();
  profile.videoMemoryTotal = 1u << 20;
  TestControl::Display::SetProfile(profile);
  IDirectDraw7* small = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&small), IID_IDirectDraw7, nullptr), DD_OK);
  small->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
  auto pf = dx::Argb8888Format();
  auto d = Desc(256, 256, DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY, &pf);
  IDirectDrawSurface7 *a = nullptr, *b = nullptr;
  ASSERT_EQ(small->CreateSurface(&d, &a, nullptr), DD_OK);
  DDSCAPS2 caps{DDSCAPS_TEXTURE, 0, 0, 0};
  DWORD total = 0, free = 0;
  ASSERT_EQ(small->GetAvailableVidMem(&caps, &total, &free), DD_OK);
  EXPECT_EQ(total, 1u << 20);
  EXPECT_EQ(free, (1u << 20) - 256 * 256 * 4);
  auto big = Desc(512, 512, DDSCAPS_TEXTURE | DDSCAPS_VIDEOMEMORY, &pf);
  EXPECT_EQ(small->CreateSurface(&big, &b, nullptr), DDERR_OUTOFVIDEOMEMORY);
  a->Release();
  ASSERT_EQ(small->CreateSurface(&big, &b, nullptr), DD_OK);
  b->Release();
  small->Release();
  // Memory others hold from the start.
  profile.videoMemoryFree = 512u << 10;
  TestControl::Display::SetProfile(profile);
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&small), IID_IDirectDraw7, nullptr), DD_OK);
  ASSERT_EQ(small->GetAvailableVidMem(&caps, &total, &free), DD_OK);
  EXPECT_EQ(free, 512u << 10);
  small->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
  EXPECT_EQ(small->CreateSurface(&big, &b, nullptr), DDERR_OUTOFVIDEOMEMORY);
  small->Release();
}

TEST_F(SurfaceTest, DevicesModesAndFlippingChain) {
  auto profile = TestControl::Display::GetProfile();
  GUID second = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  profile.directDrawDevices.push_back({true, second, "Second", "second"});
  profile.modes = {{64, 48, 16}, {64, 48, 32}, {640, 480, 8}};
  TestControl::Display::SetProfile(profile);
  std::vector<bool> guids;
  auto cb = [](GUID* g, LPSTR, LPSTR, LPVOID ctx, HMONITOR) -> BOOL {
    static_cast<std::vector<bool>*>(ctx)->push_back(g != nullptr);
    return TRUE;
  };
  DirectDrawEnumerateExA(cb, &guids, DDENUM_ATTACHEDSECONDARYDEVICES);
  EXPECT_EQ(guids, (std::vector<bool>{false, true}));
  LPVOID p = nullptr;
  GUID unknown = {1, 2, 3, {4}};
  EXPECT_EQ(DirectDrawCreateEx(&unknown, &p, IID_IDirectDraw7, nullptr), DDERR_INVALIDDIRECTDRAWGUID);
  ASSERT_EQ(DirectDrawCreateEx(&second, &p, IID_IDirectDraw7, nullptr), DD_OK);
  auto* full = static_cast<IDirectDraw7*>(p);
  EXPECT_EQ(full->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DDERR_INVALIDPARAMS);
  EXPECT_EQ(full->SetCooperativeLevel(reinterpret_cast<HWND>(1), DDSCL_EXCLUSIVE), DDERR_INVALIDPARAMS);
  ASSERT_EQ(full->SetCooperativeLevel(reinterpret_cast<HWND>(1), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  EXPECT_EQ(full->SetDisplayMode(64, 48, 24, 0, 0), DDERR_INVALIDMODE);
  ASSERT_EQ(full->SetDisplayMode(64, 48, 16, 0, 0), DD_OK);
  DDSURFACEDESC2 mode{};
  mode.dwSize = sizeof(mode);
  ASSERT_EQ(full->GetDisplayMode(&mode), DD_OK);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRGBBitCount, 16u);
  EXPECT_EQ(mode.ddpfPixelFormat.dwGBitMask, 0x7E0u);
  DDSURFACEDESC2 pd{};
  pd.dwSize = sizeof(pd);
  pd.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  pd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
  pd.dwBackBufferCount = 1;
  IDirectDrawSurface7 *front = nullptr, *back = nullptr, *again = nullptr;
  ASSERT_EQ(full->CreateSurface(&pd, &front, nullptr), DD_OK);
  EXPECT_EQ(full->CreateSurface(&pd, &again, nullptr), DDERR_PRIMARYSURFACEALREADYEXISTS);
  DDSCAPS2 bc{DDSCAPS_BACKBUFFER, 0, 0, 0};
  ASSERT_EQ(front->GetAttachedSurface(&bc, &back), DD_OK);
  EXPECT_EQ(back->Width(), 64u);
  EXPECT_EQ(back->Format().bits, 16);
  EXPECT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  back->Release();
  front->Release();
  full->Release();
}

}  // namespace
