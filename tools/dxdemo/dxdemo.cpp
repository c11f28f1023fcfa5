// dxdemo: opens a window through the Win32 stand-in and draws a textured, blended scene with the
// DirectDraw / Direct3D stand-in for a number of frames, presenting by blitting the back buffer to
// the window's client area. "dxdemo [frames] [capture.png]" writes the last frame to the PNG.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/directx/d3d.h"
#include "platform/directx/d3dx.h"
#include "platform/directx/directx_test_control.h"
#include "platform/win32/kernel.h"
#include "platform/win32/user.h"
#include "tools/usage.h"

namespace {

struct Vertex {
  float x, y, z, rhw;
  DWORD diffuse, specular;
  float u, v;
};

struct MeshVertex {
  float x, y, z, nx, ny, nz, u, v;
};

bool gQuit = false;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE || message == WM_DESTROY) {
    gQuit = true;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

IDirectDrawSurface7* MakeTexture(IDirect3DDevice7* device, DWORD size, bool mips, uint32_t (*pixel)(int, int, int)) {
  DWORD w = size, h = size, flags = mips ? 0u : D3DX_TEXTURE_NOMIPMAP;
  D3DX_SURFACEFORMAT f = D3DX_SF_A8R8G8B8;
  IDirectDrawSurface7* t = nullptr;
  if (FAILED(D3DXCreateTexture(device, &flags, &w, &h, &f, nullptr, &t, nullptr))) return nullptr;
  std::vector<uint32_t> px((size_t)w * h);
  for (DWORD y = 0; y < h; ++y)
    for (DWORD x = 0; x < w; ++x) px[(size_t)y * w + x] = pixel((int)x, (int)y, (int)w);
  D3DXLoadTextureFromMemory(device, t, mips ? D3DX_DEFAULT : 0, px.data(), nullptr, D3DX_SF_A8R8G8B8, w * 4, nullptr,
                            mips ? D3DX_FT_LINEAR : D3DX_FT_POINT);
  return t;
}

uint32_t Tiles(int x, int y, int) {
  bool dark = ((x / 16) + (y / 16)) & 1;
  uint32_t r = dark ? 40 : 70, g = dark ? 60 : 110, b = dark ? 90 : 150;
  if (x % 16 == 0 || y % 16 == 0) r = g = b = 30;
  return 0xFF000000u | r << 16 | g << 8 | b;
}

uint32_t Ball(int x, int y, int size) {
  float c = (size - 1) / 2.0f, dx = (x - c) / c, dy = (y - c) / c;
  float d = std::sqrt(dx * dx + dy * dy);
  if (d >= 1) return 0;
  float light = std::max(0.0f, 1.0f - std::hypot(dx + 0.35f, dy + 0.35f));
  uint32_t a = (uint32_t)(255 * std::min(1.0f, (1 - d) * 4));
  uint32_t r = (uint32_t)std::min(255.0f, 200 + 55 * light), g = (uint32_t)(120 + 135 * light), b = (uint32_t)(60 + 195 * light);
  return a << 24 | r << 16 | g << 8 | b;
}

uint32_t Glow(int x, int y, int size) {
  float c = (size - 1) / 2.0f, d = std::hypot((x - c) / c, (y - c) / c);
  uint32_t a = d >= 1 ? 0 : (uint32_t)(255 * (1 - d) * (1 - d));
  return a << 24 | 0xFFD080u;
}

void Quad(std::vector<Vertex>& out, float cx, float cy, float half, float angle, DWORD colour, float uvScale = 1) {
  float c = std::cos(angle) * half, s = std::sin(angle) * half;
  Vertex v[4] = {{cx - c + s, cy - s - c, 0.5f, 1, colour, 0, 0, 0},
                 {cx + c + s, cy + s - c, 0.5f, 1, colour, 0, uvScale, 0},
                 {cx - c - s, cy - s + c, 0.5f, 1, colour, 0, 0, uvScale},
                 {cx + c - s, cy + s + c, 0.5f, 1, colour, 0, uvScale, uvScale}};
  out.insert(out.end(), {v[0], v[1], v[2], v[2], v[1], v[3]});
}

int Fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "dxdemo: %s failed (0x%x)\n", what, (unsigned)hr);
  return 1;
}

}  // namespace

const char kUsage[] =
    "usage: dxdemo [frames] [capture.png]\n"
    "  frames: how many to draw, 1 to 100000 (120)\n"
    "  capture.png: where to write the last frame\n";

int main(int argc, char** argv) {
  if (ToolArgs::WantsHelp(argc, argv)) return ToolArgs::Help(kUsage);
  long count = 120;
  if (argc > 3 || (argc > 1 && !ToolArgs::ParseInt(argv[1], 1, 100000, &count)) || (argc > 2 && argv[2][0] == '-'))
    return ToolArgs::Usage(kUsage);
  int frames = (int)count;
  std::string capture = argc > 2 ? argv[2] : "";
  const int W = 640, H = 480;

  WNDCLASSA wc{};
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "dxdemo";
  RegisterClassA(&wc);
  RECT frame = {0, 0, W, H};
  HWND window = CreateWindowExA(0, "dxdemo", "Orvella display stand-in", WS_OVERLAPPEDWINDOW, 40, 40,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, wc.hInstance, nullptr);
  if (!window) return Fail("CreateWindowExA", 0);
  ShowWindow(window, SW_SHOW);

  IDirectDraw7* dd = nullptr;
  HRESULT hr = DirectDrawCreateEx(nullptr, reinterpret_cast<LPVOID*>(&dd), IID_IDirectDraw7, nullptr);
  if (FAILED(hr)) return Fail("DirectDrawCreateEx", hr);
  dd->SetCooperativeLevel(window, DDSCL_NORMAL);
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof(d);
  d.dwFlags = DDSD_CAPS;
  d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  IDirectDrawSurface7* primary = nullptr;
  if (FAILED(hr = dd->CreateSurface(&d, &primary, nullptr))) return Fail("primary", hr);
  IDirectDrawClipper* clipper = nullptr;
  dd->CreateClipper(0, &clipper, nullptr);
  clipper->SetHWnd(0, window);
  primary->SetClipper(clipper);
  clipper->Release();
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  d.dwWidth = W;
  d.dwHeight = H;
  d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE;
  IDirectDrawSurface7* back = nullptr;
  if (FAILED(hr = dd->CreateSurface(&d, &back, nullptr))) return Fail("back buffer", hr);
  DDSURFACEDESC2 z{};
  z.dwSize = sizeof(z);
  z.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_ZBUFFERBITDEPTH;
  z.dwWidth = W;
  z.dwHeight = H;
  z.dwDepth = 16;
  z.ddsCaps.dwCaps = DDSCAPS_ZBUFFER;
  IDirectDrawSurface7* zbuffer = nullptr;
  if (SUCCEEDED(dd->CreateSurface(&z, &zbuffer, nullptr))) back->AddAttachedSurface(zbuffer);
  IDirect3D7* d3d = nullptr;
  dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d));
  IDirect3DDevice7* device = nullptr;
  if (FAILED(hr = d3d->CreateDevice(IID_IDirect3DHALDevice, back, &device))) return Fail("CreateDevice", hr);

  IDirectDrawSurface7* tiles = MakeTexture(device, 64, true, Tiles);
  IDirectDrawSurface7* ball = MakeTexture(device, 64, false, Ball);
  IDirectDrawSurface7* glow = MakeTexture(device, 32, false, Glow);

  for (int f = 0; f < frames && !gQuit; ++f) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) gQuit = true;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    float t = f * 0.04f;
    device->BeginScene();
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRENDERSTATE_ZENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTFP_LINEAR);
    // Scrolling, slowly turning floor of tiles (wrap addressing, mip-mapped).
    std::vector<Vertex> v;
    Quad(v, W / 2.0f, H / 2.0f, 520, t * 0.1f, 0xFFFFFFFFu, 9);
    for (auto& p : v) p.u += t * 0.3f, p.v += t * 0.2f;
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_WRAP);
    device->SetTexture(0, tiles);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v.data(), (DWORD)v.size(), 0);
    // A Gouraud-shaded, half-transparent band without texture.
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    Vertex band[4] = {{0, 380, 0.5f, 1, 0xC0FF4040u, 0, 0, 0}, {W, 360, 0.5f, 1, 0x404040FFu, 0, 0, 0},
                      {0, 470, 0.5f, 1, 0x8040FF40u, 0, 0, 0}, {W, 450, 0.5f, 1, 0xE0FFFF40u, 0, 0, 0}};
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_TLVERTEX, band, 4, 0);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    // Balls: alpha-blended sprites, tinted, some rotated.
    device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
    device->SetTexture(0, ball);
    v.clear();
    for (int i = 0; i < 24; ++i) {
      float a = t + i * 0.2618f;
      DWORD tint = 0xFF000000u | (DWORD)(128 + 127 * std::sin(i * 1.3f)) << 16 | (DWORD)(128 + 127 * std::sin(i * 0.7f)) << 8 | 0xFF;
      Quad(v, W / 2 + 200 * std::cos(a), H / 2 - 40 + 140 * std::sin(a * 1.5f), 20.0f + 8 * std::sin(a * 2), a, tint);
    }
    device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v.data(), (DWORD)v.size(), 0);
    // Additive glow particles.
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_ONE);
    device->SetTexture(0, glow);
    v.clear();
    for (int i = 0; i < 200; ++i) {
      float a = i * 2.399f + t * 0.5f, r = 10.0f + i * 1.1f;
      Quad(v, W / 2 + r * std::cos(a), H / 2 - 40 + r * 0.6f * std::sin(a), 6, 0, 0x80FFFFFFu);
    }
    device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, v.data(), (DWORD)v.size(), 0);
    // A lit mesh triangle strip: ambient x material ambient + emissive, no lights.
    D3DXMATRIX proj, ident;
    D3DXMatrixOrthoOffCenterLH(&proj, 0.5f, W + 0.5f, H + 0.5f, 0.5f, 0, 1);
    D3DXMatrixIdentity(&ident);
    device->SetTransform(D3DTRANSFORMSTATE_PROJECTION, &proj);
    device->SetTransform(D3DTRANSFORMSTATE_WORLD, &ident);
    device->SetTransform(D3DTRANSFORMSTATE_VIEW, &ident);
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
    device->SetRenderState(D3DRENDERSTATE_AMBIENT, 0xFFFFFFFFu);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTexture(0, nullptr);
    D3DMATERIAL7 m{};
    m.diffuse = {1, 1, 1, 0.6f};
    m.ambient = {0.2f, 0.5f, 0.9f, 1};
    device->SetMaterial(&m);
    MeshVertex strip[4] = {{20, 20, 0.5f, 0, 0, 1, 0, 0}, {220, 30, 0.5f, 0, 0, 1, 0, 0},
                           {30, 90, 0.5f, 0, 0, 1, 0, 0}, {200, 80, 0.5f, 0, 0, 1, 0, 0}};
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, D3DFVF_VERTEX, strip, 4, 0);
    device->EndScene();

    if (f == frames - 1 && !capture.empty()) TestControl::Display::SetCapturePath(capture);
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    RECT dest = {origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    fx.dwDDFX = DDBLTFX_NOTEARING;
    hr = primary->Blt(&dest, back, nullptr, DDBLT_WAIT | DDBLT_DDFX, &fx);
    if (FAILED(hr)) std::fprintf(stderr, "dxdemo: present failed (0x%x)\n", (unsigned)hr);
    Sleep(16);
  }
  std::printf("dxdemo: %d frames, %d presents\n", frames, TestControl::Display::GetPresentCount());
  tiles->Release();
  ball->Release();
  glow->Release();
  device->Release();
  d3d->Release();
  if (zbuffer) zbuffer->Release();
  back->Release();
  primary->Release();
  dd->Release();
  DestroyWindow(window);
  return 0;
}
