// Scripted faults and device profiles of the display stand-in: each fault gives the result the
// display code expects until it is cleared; Direct3D calls in the wrong state get their codes.
#include <cmath>
#include <limits>

#include "tests/platform/directx/dx_fixture.h"

#include "platform/directx/pixel_format.h"

using namespace dxtest;
namespace TD = TestControl::Display;

namespace {

class FaultTest : public DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    MakeDevice(16, 16);
  }
};

TEST_F(FaultTest, LostSurfacesStayLostUntilRestored) {
  const TD::LossTrigger triggers[] = {TD::LossTrigger::Blt, TD::LossTrigger::Lock, TD::LossTrigger::GetDC,
                                      TD::LossTrigger::BeginScene, TD::LossTrigger::DrawPrimitive};
  for (auto trigger : triggers) {
    SCOPED_TRACE((int)trigger);
    TD::LoseSurfacesOnNext(trigger);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    HDC dc = nullptr;
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    HRESULT first;
    switch (trigger) {
      case TD::LossTrigger::Blt: first = target->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx); break;
      case TD::LossTrigger::Lock: first = target->Lock(nullptr, &d, 0, nullptr); break;
      case TD::LossTrigger::GetDC: first = target->GetDC(&dc); break;
      case TD::LossTrigger::BeginScene: first = device->BeginScene(); break;
      default: {
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        TLVertex tri[3] = {V(0, 0, 0), V(8, 0, 0), V(0, 8, 0)};
        first = device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0);
        EXPECT_EQ(device->EndScene(), DDERR_SURFACELOST);
        break;
      }
    }
    EXPECT_EQ(first, DDERR_SURFACELOST);
    EXPECT_EQ(target->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(zbuffer->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(target->Lock(nullptr, &d, 0, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(device->BeginScene(), DDERR_SURFACELOST);
    ASSERT_EQ(dd->RestoreAllSurfaces(), DD_OK);
    EXPECT_EQ(target->IsLost(), DD_OK);
    EXPECT_EQ(zbuffer->IsLost(), DD_OK);
  }
  // A system-memory surface is never lost.
  auto pf = dx::Argb8888Format();
  auto sd = Desc(4, 4, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, &pf);
  IDirectDrawSurface7* sys = nullptr;
  ASSERT_EQ(dd->CreateSurface(&sd, &sys, nullptr), DD_OK);
  TD::LoseAllSurfaces();
  EXPECT_EQ(sys->IsLost(), DD_OK);
  EXPECT_EQ(target->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(target->Restore(), DD_OK);
  EXPECT_EQ(target->IsLost(), DD_OK);
  sys->Release();
}

TEST_F(FaultTest, ScriptedResultsUntilCleared) {
  auto pf = dx::Argb8888Format();
  auto d = Desc(8, 8, DDSCAPS_TEXTURE, &pf);
  IDirectDrawSurface7* s = nullptr;
  TD::FailSurfaceCreation(DDERR_OUTOFVIDEOMEMORY, 2, DDSCAPS_TEXTURE);
  EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_OUTOFVIDEOMEMORY);
  ASSERT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
  s->Release();

  TD::SetTestCooperativeLevelResults({DDERR_NOEXCLUSIVEMODE, DDERR_EXCLUSIVEMODEALREADYSET, DDERR_WRONGMODE});
  EXPECT_EQ(dd->TestCooperativeLevel(), DDERR_NOEXCLUSIVEMODE);
  EXPECT_EQ(dd->TestCooperativeLevel(), DDERR_EXCLUSIVEMODEALREADYSET);
  EXPECT_EQ(dd->TestCooperativeLevel(), DDERR_WRONGMODE);
  EXPECT_EQ(dd->TestCooperativeLevel(), DD_OK);

  TD::SetStillDrawing(3);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(target->GetFlipStatus(DDGFS_ISFLIPDONE), DDERR_WASSTILLDRAWING);
  EXPECT_EQ(target->GetBltStatus(DDGBS_ISBLTDONE), DDERR_WASSTILLDRAWING);
  EXPECT_EQ(target->GetFlipStatus(DDGFS_ISFLIPDONE), DD_OK);

  HDC dc = nullptr;
  TD::SetGetDcFails(true);
  EXPECT_EQ(target->GetDC(&dc), DDERR_CANTCREATEDC);
  EXPECT_EQ(target->GetDC(&dc), DDERR_CANTCREATEDC);
  TD::SetGetDcFails(false);
  ASSERT_EQ(target->GetDC(&dc), DD_OK);
  target->ReleaseDC(dc);

  TD::SetAntialiasRefused(true);
  EXPECT_EQ(device->SetRenderState(D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_SORTINDEPENDENT), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->SetRenderState(D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_NONE), D3D_OK);
  auto aa = Desc(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, &pf);
  aa.ddsCaps.dwCaps2 = DDSCAPS2_HINTANTIALIASING;
  EXPECT_EQ(dd->CreateSurface(&aa, &s, nullptr), DDERR_INVALIDCAPS);
  TD::SetAntialiasRefused(false);
  ASSERT_EQ(dd->CreateSurface(&aa, &s, nullptr), DD_OK);
  EXPECT_EQ(device->SetRenderState(D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_SORTINDEPENDENT), D3D_OK);

  // Render targets: refused for 16-bit surfaces only.
  auto pf16 = dx::Rgb565Format();
  auto d16 = Desc(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, &pf16);
  IDirectDrawSurface7* s16 = nullptr;
  ASSERT_EQ(dd->CreateSurface(&d16, &s16, nullptr), DD_OK);
  TD::SetRenderTargetRefusal(DDERR_CURRENTLYNOTAVAIL, 16);
  EXPECT_EQ(device->SetRenderTarget(s16, 0), DDERR_CURRENTLYNOTAVAIL);
  EXPECT_EQ(device->SetRenderTarget(s, 0), D3D_OK);
  D3DVIEWPORT7 vp;
  device->GetViewport(&vp);
  EXPECT_EQ(vp.dwWidth, 8u);
  TD::SetRenderTargetRefusal(DD_OK);
  EXPECT_EQ(device->SetRenderTarget(s16, 0), D3D_OK);
  EXPECT_EQ(device->SetRenderTarget(target, 0), D3D_OK);
  s16->Release();
  s->Release();

  TD::RefuseDisplayMode(800, 600, 0);
  IDirectDraw7* full = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&full), IID_IDirectDraw7, nullptr), DD_OK);
  full->SetCooperativeLevel(reinterpret_cast<HWND>(1), DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
  EXPECT_EQ(full->SetDisplayMode(800, 600, 32, 0, 0), DDERR_INVALIDMODE);
  EXPECT_EQ(full->SetDisplayMode(1024, 768, 32, 0, 0), DD_OK);
  full->Release();
}

TEST_F(FaultTest, WrongStateAndBadInputNeverCrash) {
  TLVertex tri[3] = {V(0, 0, 0xFFFFFFFFu), V(8, 0, 0xFFFFFFFFu), V(0, 8, 0xFFFFFFFFu)};
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0), D3DERR_SCENE_NOT_IN_SCENE);
  EXPECT_EQ(device->EndScene(), D3DERR_SCENE_NOT_IN_SCENE);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_SCENE_IN_SCENE);
  EXPECT_EQ(device->DrawPrimitive((D3DPRIMITIVETYPE)9, D3DFVF_TLVERTEX, tri, 3, 0), D3DERR_INVALIDPRIMITIVETYPE);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0x1006, tri, 3, 0), D3DERR_INVALIDVERTEXTYPE);
  WORD idx[3] = {0, 1, 7};
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, idx, 3, 0), DDERR_INVALIDPARAMS);
  D3DVIEWPORT7 big = {8, 8, 16, 16, 0, 1};
  EXPECT_EQ(device->SetViewport(&big), DDERR_INVALIDPARAMS);
  D3DVIEWPORT7 empty = {4, 4, 0, 0, 0, 1};
  EXPECT_EQ(device->SetViewport(&empty), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, tri, 3, 0), D3D_OK);
  D3DVIEWPORT7 whole = {0, 0, 16, 16, 0, 1};
  device->SetViewport(&whole);
  // Huge, infinite and NaN coordinates and a 3D triangle behind the eye draw nothing harmful.
  float inf = std::numeric_limits<float>::infinity(), nan = std::nanf("");
  TLVertex wild[9] = {V(-1e9f, -1e9f, 0), V(1e9f, 5, 0), V(3, 1e9f, 0), V(inf, 0, 0), V(0, 0, 0), V(4, 4, 0),
                      V(nan, 1, 0), V(2, nan, 0), V(5, 5, 0)};
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, wild, 9, 0), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_LINESTRIP, D3DFVF_TLVERTEX, wild, 9, 0), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_POINTLIST, D3DFVF_TLVERTEX, wild, 9, 0), D3D_OK);
  D3DXMATRIX proj;
  D3DXMatrixPerspectiveFovLH(&proj, 0.8f, 1.0f, 0.1f, 100.0f);
  device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
  MeshVertex behind[3] = {{-1, -1, -5, 0, 0, 1, 0, 0}, {1, -1, 5, 0, 0, 1, 1, 0}, {0, 1, 0.01f, 0, 0, 1, 0, 1}};
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_VERTEX, behind, 3, 0), D3D_OK);
  EXPECT_EQ(device->SetTexture(8, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->SetTexture(0, target), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->SetRenderState((D3DRENDERSTATETYPE)0, 0), DDERR_INVALIDPARAMS);
  EXPECT_EQ(device->EndScene(), D3D_OK);
}

TEST_F(FaultTest, ProfileShapesDevicesAndTextures) {
  TD::Profile p;
  p.hardwareDevice = false;
  p.maxTextureWidth = p.maxTextureHeight = 512;
  p.squareOnly = true;
  p.specular = false;
  p.textureFormats = {dx::Rgb565Format(), dx::Argb4444Format()};
  TD::SetProfile(p);
  IDirectDraw7* dd2 = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&dd2), IID_IDirectDraw7, nullptr), DD_OK);
  dd2->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
  IDirect3D7* d3d2 = nullptr;
  ASSERT_EQ(dd2->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d2)), DD_OK);
  std::vector<DWORD> caps;
  d3d2->EnumDevices(
      [](LPSTR, LPSTR, LPD3DDEVICEDESC7 d, LPVOID ctx) -> HRESULT {
        static_cast<std::vector<DWORD>*>(ctx)->push_back(d->dwDevCaps);
        return D3DENUMRET_OK;
      },
      &caps);
  ASSERT_EQ(caps.size(), 1u);
  EXPECT_FALSE(caps[0] & D3DDEVCAPS_HWRASTERIZATION);
  auto pf = dx::Xrgb8888Format();
  auto d = Desc(32, 32, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_SYSTEMMEMORY, &pf);
  IDirectDrawSurface7* rt = nullptr;
  ASSERT_EQ(dd2->CreateSurface(&d, &rt, nullptr), DD_OK);
  IDirect3DDevice7* dev = nullptr;
  EXPECT_EQ(d3d2->CreateDevice(IID_IDirect3DHALDevice, rt, &dev), DDERR_INVALIDPARAMS);
  ASSERT_EQ(d3d2->CreateDevice(IID_IDirect3DRGBDevice, rt, &dev), D3D_OK);
  D3DDEVICEDESC7 desc;
  dev->GetCaps(&desc);
  EXPECT_EQ(desc.dwMaxTextureWidth, 512u);
  EXPECT_TRUE(desc.dpcTriCaps.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY);
  EXPECT_FALSE(desc.dpcTriCaps.dwShadeCaps & D3DPSHADECAPS_SPECULARGOURAUDRGB);
  // D3DX makes a 100x60 request square and a power of two, in a format the device offers.
  DWORD w = 100, h = 60, flags = D3DX_TEXTURE_NOMIPMAP;
  D3DX_SURFACEFORMAT f = D3DX_SF_A8R8G8B8;
  IDirectDrawSurface7* tex = nullptr;
  ASSERT_EQ(D3DXCreateTexture(dev, &flags, &w, &h, &f, nullptr, &tex, nullptr), D3D_OK);
  EXPECT_EQ(w, 128u);
  EXPECT_EQ(h, 128u);
  EXPECT_EQ(f, D3DX_SF_A4R4G4B4);
  f = D3DX_SF_X8R8G8B8;
  IDirectDrawSurface7* tex2 = nullptr;
  ASSERT_EQ(D3DXCreateTexture(dev, &flags, &w, &h, &f, nullptr, &tex2, nullptr), D3D_OK);
  EXPECT_EQ(f, D3DX_SF_R5G6B5);
  tex2->Release();
  tex->Release();
  dev->Release();
  rt->Release();
  d3d2->Release();
  dd2->Release();
}

TEST_F(FaultTest, RestoreAllSurfacesAnswersTheScriptedResultOnce) {
  TD::LoseAllSurfaces();
  TD::SetRestoreAllSurfacesResult(DDERR_WRONGMODE);
  EXPECT_EQ(dd->RestoreAllSurfaces(), DDERR_WRONGMODE);
  EXPECT_EQ(target->IsLost(), DDERR_SURFACELOST);
  EXPECT_EQ(dd->RestoreAllSurfaces(), DD_OK);
  EXPECT_EQ(target->IsLost(), DD_OK);
}

TEST_F(FaultTest, PaletteSurfacesHoldPixelsButTakeNoDevice) {
  DDPIXELFORMAT pal{};
  pal.dwSize = sizeof(pal);
  pal.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
  pal.dwRGBBitCount = 8;
  auto d = Desc(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY, &pal);
  IDirectDrawSurface7* s = nullptr;
  ASSERT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
  DDBLTFX fx{};
  fx.dwSize = sizeof(fx);
  fx.dwFillColor = 0x1234;
  EXPECT_EQ(s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
  DDSURFACEDESC2 ld{};
  ld.dwSize = sizeof(ld);
  ASSERT_EQ(s->Lock(nullptr, &ld, 0, nullptr), DD_OK);
  EXPECT_EQ(static_cast<uint8_t*>(ld.lpSurface)[9], 0x34);
  s->Unlock(nullptr);
  IDirect3DDevice7* dev = nullptr;
  EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, s, &dev), DDERR_NOPALETTEATTACHED);
  s->Release();
}

TEST_F(FaultTest, ThirtyTwoBitBlitKeepsTheFourthByte) {
  // Drawn alpha survives a blit from an XRGB render surface into an ARGB texture, as on hardware.
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  auto xrgb = dx::Xrgb8888Format(), argb = dx::Argb8888Format();
  auto rd = Desc(4, 4, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY, &xrgb);
  IDirectDrawSurface7 *rs = nullptr, *tex = nullptr;
  ASSERT_EQ(dd->CreateSurface(&rd, &rs, nullptr), DD_OK);
  ASSERT_EQ(device->SetRenderTarget(rs, 0), D3D_OK);
  TLVertex q[4] = {V(0, 0, 0x40FF0000u), V(4, 0, 0x40FF0000u), V(0, 4, 0x40FF0000u), V(4, 4, 0x40FF0000u)};
  ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, q, 4, 0), D3D_OK);
  device->EndScene();
  auto td = Desc(4, 4, DDSCAPS_TEXTURE, &argb);
  ASSERT_EQ(dd->CreateSurface(&td, &tex, nullptr), DD_OK);
  ASSERT_EQ(tex->Blt(nullptr, rs, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  DDSURFACEDESC2 ld{};
  ld.dwSize = sizeof(ld);
  ASSERT_EQ(tex->Lock(nullptr, &ld, 0, nullptr), DD_OK);
  EXPECT_EQ(*static_cast<uint32_t*>(ld.lpSurface), 0x40FF0000u);
  tex->Unlock(nullptr);
  device->SetRenderTarget(target, 0);
  tex->Release();
  rs->Release();
}

TEST_F(FaultTest, HardwareDeviceNeedsVideoMemoryTarget) {
  auto pf = dx::Xrgb8888Format();
  auto d = Desc(8, 8, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_SYSTEMMEMORY, &pf);
  IDirectDrawSurface7* sys = nullptr;
  ASSERT_EQ(dd->CreateSurface(&d, &sys, nullptr), DD_OK);
  IDirect3DDevice7* dev = nullptr;
  EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, sys, &dev), D3DERR_SURFACENOTINVIDMEM);
  auto plain = Desc(8, 8, DDSCAPS_OFFSCREENPLAIN, &pf);
  IDirectDrawSurface7* flat = nullptr;
  ASSERT_EQ(dd->CreateSurface(&plain, &flat, nullptr), DD_OK);
  EXPECT_EQ(d3d->CreateDevice(IID_IDirect3DRGBDevice, flat, &dev), DDERR_INVALIDCAPS);
  flat->Release();
  sys->Release();
}

}  // namespace
