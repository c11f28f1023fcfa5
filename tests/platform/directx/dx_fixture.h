// Shared set-up for the display stand-in tests: a DirectDraw object, a small 3D target with a
// z-buffer, a device on it, textures from pixel lists, and golden-image comparison.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/directx/d3d.h"
#include "platform/directx/d3dx.h"
#include "platform/directx/directx_test_control.h"
#include "tests/support/golden.h"

namespace dxtest {

struct TLVertex {
  float x, y, z, rhw;
  DWORD diffuse, specular;
  float u, v;
};

struct MeshVertex {
  float x, y, z, nx, ny, nz, u, v;
};

inline DDSURFACEDESC2 Desc(DWORD w, DWORD h, DWORD caps, const DDPIXELFORMAT* pf = nullptr) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof(d);
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | (pf ? DDSD_PIXELFORMAT : 0u);
  d.dwWidth = w;
  d.dwHeight = h;
  d.ddsCaps.dwCaps = caps;
  if (pf) d.ddpfPixelFormat = *pf;
  return d;
}

inline TLVertex V(float x, float y, DWORD c, float u = 0, float v = 0, float z = 0.5f) {
  return TLVertex{x, y, z, 1.0f, c, 0, u, v};
}

class DisplayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestControl::Display::Reset();
    LPVOID p = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &p, IID_IDirectDraw7, nullptr), DD_OK);
    dd = static_cast<IDirectDraw7*>(p);
    ASSERT_EQ(dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  }
  void TearDown() override {
    for (auto* s : textures) s->Release();
    if (device) device->Release();
    if (zbuffer) zbuffer->Release();
    if (target) target->Release();
    if (d3d) d3d->Release();
    if (dd) dd->Release();
    TestControl::Display::Reset();
  }

  // A 3D target of the given format with a 16-bit z-buffer, and the hardware device on it.
  void MakeDevice(int w = 64, int h = 64, DDPIXELFORMAT pf = {}) {
    if (!pf.dwSize) {
      pf = {};
      pf.dwSize = sizeof(pf);
      pf.dwFlags = DDPF_RGB | DDPF_ALPHAPIXELS;
      pf.dwRGBBitCount = 32;
      pf.dwRBitMask = 0xFF0000;
      pf.dwGBitMask = 0xFF00;
      pf.dwBBitMask = 0xFF;
      pf.dwRGBAlphaBitMask = 0xFF000000u;
    }
    auto d = Desc((DWORD)w, (DWORD)h, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY, &pf);
    ASSERT_EQ(dd->CreateSurface(&d, &target, nullptr), DD_OK);
    DDPIXELFORMAT zf{};
    zf.dwSize = sizeof(zf);
    zf.dwFlags = DDPF_ZBUFFER;
    zf.dwZBufferBitDepth = 16;
    zf.dwZBitMask = 0xFFFF;
    auto zd = Desc((DWORD)w, (DWORD)h, DDSCAPS_ZBUFFER | DDSCAPS_VIDEOMEMORY, &zf);
    ASSERT_EQ(dd->CreateSurface(&zd, &zbuffer, nullptr), DD_OK);
    ASSERT_EQ(target->AddAttachedSurface(zbuffer), DD_OK);
    if (d3d) d3d->Release();
    d3d = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d)), DD_OK);
    ASSERT_EQ(d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 1.0f, 0);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
  }

  // A texture of 32-bit ARGB pixels (rows packed), made and filled through D3DX.
  IDirectDrawSurface7* Texture(int w, int h, const std::vector<uint32_t>& pixels, bool mips = false) {
    DWORD flags = mips ? 0 : D3DX_TEXTURE_NOMIPMAP, tw = (DWORD)w, th = (DWORD)h, levels = 0;
    D3DX_SURFACEFORMAT f = D3DX_SF_A8R8G8B8;
    IDirectDrawSurface7* t = nullptr;
    EXPECT_EQ(D3DXCreateTexture(device, &flags, &tw, &th, &f, nullptr, &t, &levels), D3D_OK);
    if (!t) return nullptr;
    EXPECT_EQ(D3DXLoadTextureFromMemory(device, t, mips ? D3DX_DEFAULT : 0, const_cast<uint32_t*>(pixels.data()),
                                        nullptr, D3DX_SF_A8R8G8B8, (DWORD)w * 4, nullptr,
                                        mips ? D3DX_FT_LINEAR : D3DX_FT_POINT),
              D3D_OK);
    textures.push_back(t);
    return t;
  }

  void Quad(float x0, float y0, float x1, float y1, DWORD c, float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1,
            float z = 0.5f) {
    TLVertex q[4] = {V(x0, y0, c, u0, v0, z), V(x1, y0, c, u1, v0, z), V(x0, y1, c, u0, v1, z),
                     V(x1, y1, c, u1, v1, z)};
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, q, 4, 0), D3D_OK);
  }

  std::vector<uint32_t> Pixels() {
    std::vector<uint32_t> px;
    int w, h;
    EXPECT_TRUE(TestControl::Display::ReadSurface(target, px, w, h));
    return px;
  }

  // Compares the target, made opaque, with golden/<name>.png.
  void ExpectGolden(const std::string& name) {
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    ASSERT_TRUE(TestControl::Display::ReadSurface(target, px, w, h));
    for (auto& p : px) p |= 0xFF000000u;
    ::ExpectGolden(px, w, h, "tests/platform/directx/golden/" + name + ".png");
  }

  IDirectDraw7* dd = nullptr;
  IDirect3D7* d3d = nullptr;
  IDirectDrawSurface7* target = nullptr;
  IDirectDrawSurface7* zbuffer = nullptr;
  IDirect3DDevice7* device = nullptr;
  std::vector<IDirectDrawSurface7*> textures;
};

}  // namespace dxtest
