// Presenting through the display stand-in: a flip in full screen and a blit to the primary in a
// window reach the capture hook; the same frame captures identically run to run.
#include "tests/platform/directx/dx_fixture.h"

#include <thread>

#include "platform/directx/present.h"
#include "tests/support/temp_folder.h"

using namespace dxtest;
namespace TD = TestControl::Display;

namespace {

class PresentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TD::Reset();
    TD::Profile p;
    p.modes = {{64, 48, 32}, {64, 48, 16}};
    TD::SetProfile(p);
  }
  void TearDown() override { TD::Reset(); }

  // Draws a small scene into `back` through a device.
  static void DrawScene(IDirectDraw7* dd, IDirectDrawSurface7* back) {
    IDirect3D7* d3d = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d)), DD_OK);
    IDirect3DDevice7* dev = nullptr;
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, back, &dev), D3D_OK);
    dev->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    dev->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF101820u, 1, 0);
    dev->BeginScene();
    TLVertex tri[3] = {V(3, 2, 0xFFFF0000u), V(60, 10, 0xFF00FF00u),
                       V(20, 45, 0xFF0000FFu)};
    dev->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0);
    dev->EndScene();
    dev->Release();
    d3d->Release();
  }
};

TEST_F(PresentTest, FlipShowsTheBackBufferAndWritesTheCapture) {
  TempFolder folder;
  std::string path = folder.File("frame.png");
  TD::SetCapturePath(path);
  IDirectDraw7* dd = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
  ASSERT_EQ(dd->SetCooperativeLevel(reinterpret_cast<HWND>(1), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN), DD_OK);
  ASSERT_EQ(dd->SetDisplayMode(64, 48, 32, 0, 0), DD_OK);
  DDSURFACEDESC2 pd{};
  pd.dwSize = sizeof(pd);
  pd.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  pd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
  pd.dwBackBufferCount = 1;
  IDirectDrawSurface7 *front = nullptr, *back = nullptr;
  ASSERT_EQ(dd->CreateSurface(&pd, &front, nullptr), DD_OK);
  DDSCAPS2 bc{DDSCAPS_BACKBUFFER, 0, 0, 0};
  ASSERT_EQ(front->GetAttachedSurface(&bc, &back), DD_OK);
  DrawScene(dd, back);
  std::vector<uint32_t> drawn;
  int w, h;
  ASSERT_TRUE(TD::ReadSurface(back, drawn, w, h));
  ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
  std::vector<uint32_t> shown, file;
  int sw, sh, fw, fh;
  ASSERT_TRUE(TD::GetLastPresentedFrame(shown, sw, sh));
  EXPECT_EQ(sw, 64);
  EXPECT_EQ(sh, 48);
  EXPECT_EQ(shown, drawn);
  ASSERT_TRUE(TD::ReadPng(path, file, fw, fh));
  EXPECT_EQ(file, shown);
  EXPECT_EQ(TD::GetPresentCount(), 1);
  back->Release();
  front->Release();
  dd->Release();
}

TEST_F(PresentTest, WindowBlitCapturesTheClientRectangleIdenticallyEachTime) {
  IDirectDraw7* dd = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
  ASSERT_EQ(dd->SetCooperativeLevel(reinterpret_cast<HWND>(1), DDSCL_NORMAL), DD_OK);
  DDSURFACEDESC2 pd{};
  pd.dwSize = sizeof(pd);
  pd.dwFlags = DDSD_CAPS;
  pd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* primary = nullptr;
  ASSERT_EQ(dd->CreateSurface(&pd, &primary, nullptr), DD_OK);
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(dd->CreateClipper(0, &clipper, nullptr), DD_OK);
  clipper->SetHWnd(0, reinterpret_cast<HWND>(1));
  primary->SetClipper(clipper);
  clipper->Release();
  auto bd = Desc(64, 48, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
  IDirectDrawSurface7* back = nullptr;
  ASSERT_EQ(dd->CreateSurface(&bd, &back, nullptr), DD_OK);
  std::vector<uint32_t> frames[2];
  for (auto& frame : frames) {
    DrawScene(dd, back);
    RECT client = {100, 50, 164, 98};
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwDDFX = DDBLTFX_NOTEARING;
    ASSERT_EQ(primary->Blt(&client, back, nullptr, DDBLT_WAIT | DDBLT_DDFX, &fx), DD_OK);
    int w, h;
    ASSERT_TRUE(TD::GetLastPresentedFrame(frame, w, h));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 48);
  }
  EXPECT_EQ(frames[0], frames[1]);
  std::vector<uint32_t> drawn;
  int w, h;
  ASSERT_TRUE(TD::ReadSurface(back, drawn, w, h));
  EXPECT_EQ(frames[0], drawn);
  back->Release();
  primary->Release();
  dd->Release();
}

TEST_F(PresentTest, BlitsFromAnotherThreadWaitForTheMainThread) {
  IDirectDraw7* dd = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&dd), IID_IDirectDraw7, nullptr), DD_OK);
  ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  DDSURFACEDESC2 pd{};
  pd.dwSize = sizeof(pd);
  pd.dwFlags = DDSD_CAPS;
  pd.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* primary = nullptr;
  ASSERT_EQ(dd->CreateSurface(&pd, &primary, nullptr), DD_OK);
  auto cd = Desc(8, 8, DDSCAPS_OFFSCREENPLAIN);
  IDirectDrawSurface7* cursor = nullptr;
  ASSERT_EQ(dd->CreateSurface(&cd, &cursor, nullptr), DD_OK);
  DDBLTFX fx{};
  fx.dwSize = sizeof(fx);
  fx.dwFillColor = 0xFF00FF;
  cursor->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
  // The mouse thread draws on the visible surface: the frame is kept, the window waits.
  std::thread mouse([&] {
    RECT r = {20, 20, 28, 28};
    EXPECT_EQ(primary->Blt(&r, cursor, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  });
  mouse.join();
  EXPECT_EQ(TD::GetPresentCount(), 1);
  std::vector<uint32_t> frame;
  int w, h;
  ASSERT_TRUE(TD::GetLastPresentedFrame(frame, w, h));
  EXPECT_EQ(frame[0], 0xFFFF00FFu);
  dx::PresentPending();  // the main thread's turn: the pending surface goes up once
  EXPECT_EQ(TD::GetPresentCount(), 2);
  dx::PresentPending();
  EXPECT_EQ(TD::GetPresentCount(), 2);
  cursor->Release();
  primary->Release();
  dd->Release();
}

}  // namespace
