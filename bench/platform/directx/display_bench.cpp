// Speed of the display stand-in: whole 800x600 32-bit frames drawn the way the game draws them.
// FullFrame200Quads: one full-screen textured quad and 200 alpha-blended, bilinear 64x64 quads;
// FullFrame200ScaledQuads: the same quads scaled 1.0-1.5 times; FullFrame2000Particles: the same
// background and 2,000 blended 8x8 quads; FullFrame200TurnedQuads: the 64x64 quads turned by any
// angle. The Pixman* benchmarks composite the same scenes with pixman (the background with SRC,
// the quads with OVER through a solid mask of the vertex alpha, bilinear, edges padded as the
// clamp address mode does), for a ratio from one run. Counters: fps and fill rate in megapixels
// per second.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/directx/d3d.h"
#include "platform/directx/d3dx.h"
#include "platform/directx/directx_test_control.h"

namespace {

struct Vertex {
  float x, y, z, rhw;
  DWORD diffuse, specular;
  float u, v;
};

constexpr uint32_t kSpriteColour = 0xE0FFFFFFu;

std::vector<uint32_t> TexturePixels(uint32_t w, uint32_t h, uint32_t seed) {
  std::vector<uint32_t> px((size_t)w * h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      uint32_t a = seed ? ((x * 4) ^ (y * 4)) & 0xFF : 0xFF;
      px[(size_t)y * w + x] = a << 24 | ((x * 255 / w) << 16) | ((y * 255 / h) << 8) | (seed & 0xFF);
    }
  return px;
}

// Where each quad lies: its top-left corner and its side in pixels (the texture is 64x64).
struct Placement {
  float x, y, size;
};

// Positions from a fixed generator: sub-pixel, so the bilinear filter does real work.
std::vector<Placement> Placements(int count, float size, bool scaled = false) {
  std::vector<Placement> out;
  uint32_t s = 12345;
  auto next = [&]() {
    s = s * 1103515245u + 12345u;
    return (float)((s >> 8) & 0xFFFF) / 65536.0f;
  };
  for (int i = 0; i < count; ++i) {
    float side = scaled ? size * (1.0f + 0.5f * next()) : size;
    float x = next() * (800 - side), y = next() * (600 - side);
    out.push_back({x, y, side});
  }
  return out;
}

struct Scene {
  IDirectDraw7* dd = nullptr;
  IDirect3D7* d3d = nullptr;
  IDirectDrawSurface7* target = nullptr;
  IDirect3DDevice7* device = nullptr;
  IDirectDrawSurface7* background = nullptr;
  IDirectDrawSurface7* sprite = nullptr;

  IDirectDrawSurface7* Texture(DWORD w, DWORD h, uint32_t seed) {
    DWORD flags = D3DX_TEXTURE_NOMIPMAP, tw = w, th = h;
    D3DX_SURFACEFORMAT f = D3DX_SF_A8R8G8B8;
    IDirectDrawSurface7* t = nullptr;
    D3DXCreateTexture(device, &flags, &tw, &th, &f, nullptr, &t, nullptr);
    std::vector<uint32_t> px = TexturePixels(tw, th, seed);
    D3DXLoadTextureFromMemory(device, t, 0, px.data(), nullptr, D3DX_SF_A8R8G8B8, tw * 4, nullptr, D3DX_FT_POINT);
    return t;
  }

  Scene() {
    LPVOID p;
    DirectDrawCreateEx(nullptr, &p, IID_IDirectDraw7, nullptr);
    dd = static_cast<IDirectDraw7*>(p);
    dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = 800;
    d.dwHeight = 600;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE | DDSCAPS_VIDEOMEMORY;
    dd->CreateSurface(&d, &target, nullptr);
    dd->QueryInterface(IID_IDirect3D7, reinterpret_cast<LPVOID*>(&d3d));
    d3d->CreateDevice(IID_IDirect3DHALDevice, target, &device);
    background = Texture(1024, 1024, 0);
    sprite = Texture(64, 64, 0x40);
    // The state a 2D frame of the game runs with.
    device->SetRenderState(D3DRENDERSTATE_LIGHTING, FALSE);
    device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRENDERSTATE_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRENDERSTATE_ALPHATESTENABLE, TRUE);
    device->SetRenderState(D3DRENDERSTATE_ALPHAREF, 1);
    device->SetRenderState(D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
    device->SetTextureStageState(0, D3DTSS_ADDRESS, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  }
  ~Scene() {
    sprite->Release();
    background->Release();
    device->Release();
    target->Release();
    d3d->Release();
    dd->Release();
  }

  static void Quad(std::vector<Vertex>& out, float x0, float y0, float x1, float y1, float u1, float v1, DWORD c) {
    Vertex a{x0, y0, 0.5f, 1, c, 0, 0, 0}, b{x1, y0, 0.5f, 1, c, 0, u1, 0}, cc{x0, y1, 0.5f, 1, c, 0, 0, v1},
        d{x1, y1, 0.5f, 1, c, 0, u1, v1};
    out.insert(out.end(), {a, b, cc, b, d, cc});
  }

  void Frame(const std::vector<Vertex>& sprites) {
    device->BeginScene();
    std::vector<Vertex> bg;
    // Texel centres on pixel centres, as the calibrated 2D projection gives.
    Quad(bg, -0.5f, -0.5f, 799.5f, 599.5f, 800.0f / 1024, 600.0f / 1024, 0xFFFFFFFFu);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, FALSE);
    device->SetTexture(0, background);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, bg.data(), (DWORD)bg.size(), 0);
    device->SetRenderState(D3DRENDERSTATE_ALPHABLENDENABLE, TRUE);
    device->SetTexture(0, sprite);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, D3DFVF_TLVERTEX, const_cast<Vertex*>(sprites.data()),
                          (DWORD)sprites.size(), 0);
    device->EndScene();
  }
};

// A turned sprite goes through the general triangle path.
std::vector<Vertex> Sprites(const std::vector<Placement>& places, bool turned = false) {
  std::vector<Vertex> v;
  uint32_t s = 54321;
  auto next = [&]() {
    s = s * 1103515245u + 12345u;
    return (float)((s >> 8) & 0xFFFF) / 65536.0f;
  };
  for (const Placement& p : places) {
    float x = p.x, y = p.y, size = p.size;
    if (!turned) {
      Scene::Quad(v, x, y, x + size, y + size, 1, 1, kSpriteColour);
      continue;
    }
    float a = next() * 6.2831853f, h = size / 2, c = std::cos(a) * h, s2 = std::sin(a) * h, cx = x + h, cy = y + h;
    Vertex p0{cx - c + s2, cy - s2 - c, 0.5f, 1, kSpriteColour, 0, 0, 0}, p1{cx + c + s2, cy + s2 - c, 0.5f, 1, kSpriteColour, 0, 1, 0},
        p2{cx - c - s2, cy - s2 + c, 0.5f, 1, kSpriteColour, 0, 0, 1}, p3{cx + c - s2, cy + s2 + c, 0.5f, 1, kSpriteColour, 0, 1, 1};
    v.insert(v.end(), {p0, p1, p2, p2, p1, p3});
  }
  return v;
}

void Run(benchmark::State& state, const std::vector<Placement>& places, bool turned = false) {
  Scene scene;
  auto sprites = Sprites(places, turned);
  uint64_t before = scene.device->PixelCount();
  for (auto _ : state) scene.Frame(sprites);
  double pixels = (double)(scene.device->PixelCount() - before);
  state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
  state.counters["Mpixel/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
}

// The same frames through pixman: premultiplied images, the pixels the rasteriser covers (centres
// on integer coordinates there, on halves here), each sampled at the same texel position.
struct PixmanScene {
  std::vector<uint32_t> bgPixels = Premultiplied(TexturePixels(1024, 1024, 0));
  std::vector<uint32_t> spritePixels = Premultiplied(TexturePixels(64, 64, 0x40));
  std::vector<uint32_t> targetPixels = std::vector<uint32_t>(800 * 600);
  pixman_image_t* bg = Image(bgPixels, 1024, 1024);
  pixman_image_t* sprite = Image(spritePixels, 64, 64);
  pixman_image_t* target = Image(targetPixels, 800, 600);
  pixman_image_t* mask;
  uint64_t pixels = 0;

  static std::vector<uint32_t> Premultiplied(std::vector<uint32_t> px) {
    for (uint32_t& p : px) {
      uint32_t a = p >> 24, out = a << 24;
      for (int ch = 0; ch < 3; ++ch) out |= (((p >> (8 * ch)) & 0xFF) * a + 127) / 255 << (8 * ch);
      p = out;
    }
    return px;
  }
  static pixman_image_t* Image(std::vector<uint32_t>& px, int w, int h) {
    pixman_image_t* image = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, px.data(), w * 4);
    pixman_image_set_filter(image, PIXMAN_FILTER_BILINEAR, nullptr, 0);
    pixman_image_set_repeat(image, PIXMAN_REPEAT_PAD);
    return image;
  }

  PixmanScene() {
    uint16_t a = (uint16_t)((kSpriteColour >> 24) * 0x101);
    pixman_color_t c = {a, a, a, a};
    mask = pixman_image_create_solid_fill(&c);
  }
  ~PixmanScene() {
    pixman_image_unref(mask);
    pixman_image_unref(target);
    pixman_image_unref(sprite);
    pixman_image_unref(bg);
  }

  void Frame(const std::vector<Placement>& places) {
    pixman_image_set_transform(bg, nullptr);
    pixman_image_composite32(PIXMAN_OP_SRC, bg, nullptr, target, 0, 0, 0, 0, 0, 0, 800, 600);
    pixels += 800 * 600;
    for (const Placement& p : places) {
      int x0 = (int)std::ceil(p.x), y0 = (int)std::ceil(p.y);
      int x1 = (int)std::ceil(p.x + p.size), y1 = (int)std::ceil(p.y + p.size);
      double k = 64.0 / p.size;
      pixman_transform_t t;
      pixman_transform_init_scale(&t, pixman_double_to_fixed(k), pixman_double_to_fixed(k));
      t.matrix[0][2] = pixman_double_to_fixed(-(p.x + 0.5) * k);
      t.matrix[1][2] = pixman_double_to_fixed(-(p.y + 0.5) * k);
      pixman_image_set_transform(sprite, &t);
      pixman_image_composite32(PIXMAN_OP_OVER, sprite, mask, target, x0, y0, 0, 0, x0, y0, x1 - x0, y1 - y0);
      pixels += (uint64_t)(x1 - x0) * (y1 - y0);
    }
  }
};

void RunPixman(benchmark::State& state, const std::vector<Placement>& places) {
  PixmanScene scene;
  for (auto _ : state) scene.Frame(places);
  benchmark::DoNotOptimize(scene.targetPixels.data());
  state.counters["fps"] = benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
  state.counters["Mpixel/s"] = benchmark::Counter((double)scene.pixels / 1e6, benchmark::Counter::kIsRate);
}

void FullFrame200Quads(benchmark::State& state) { Run(state, Placements(200, 64.0f)); }
void FullFrame200ScaledQuads(benchmark::State& state) { Run(state, Placements(200, 64.0f, true)); }
void FullFrame2000Particles(benchmark::State& state) { Run(state, Placements(2000, 8.0f)); }
void FullFrame200TurnedQuads(benchmark::State& state) { Run(state, Placements(200, 64.0f), true); }
void PixmanFullFrame200Quads(benchmark::State& state) { RunPixman(state, Placements(200, 64.0f)); }
void PixmanFullFrame200ScaledQuads(benchmark::State& state) { RunPixman(state, Placements(200, 64.0f, true)); }

}  // namespace

BENCHMARK(FullFrame200Quads)->Unit(benchmark::kMillisecond);
BENCHMARK(PixmanFullFrame200Quads)->Unit(benchmark::kMillisecond);
BENCHMARK(FullFrame200ScaledQuads)->Unit(benchmark::kMillisecond);
BENCHMARK(PixmanFullFrame200ScaledQuads)->Unit(benchmark::kMillisecond);
BENCHMARK(FullFrame2000Particles)->Unit(benchmark::kMillisecond);
BENCHMARK(FullFrame200TurnedQuads)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
