// D3DX stand-in: texture creation with the device's size and format rules, loading from 32-bit
// memory with mip-level generation, and matrix helpers.
#include "platform/directx/d3dx.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/directx/pixel_format.h"

namespace {

DDPIXELFORMAT FormatOf(D3DX_SURFACEFORMAT f) {
  switch (f) {
    case D3DX_SF_R8G8B8: return dx::Rgb888Format();
    case D3DX_SF_X8R8G8B8: return dx::Xrgb8888Format();
    case D3DX_SF_R5G6B5: return dx::Rgb565Format();
    case D3DX_SF_R5G5B5: return dx::Xrgb1555Format();
    case D3DX_SF_A1R5G5B5: return dx::Argb1555Format();
    case D3DX_SF_A4R4G4B4: return dx::Argb4444Format();
    default: return dx::Argb8888Format();
  }
}

bool SameFormat(const DDPIXELFORMAT& a, const DDPIXELFORMAT& b) {
  DWORD am = (a.dwFlags & DDPF_ALPHAPIXELS) ? a.dwRGBAlphaBitMask : 0, bm = (b.dwFlags & DDPF_ALPHAPIXELS) ? b.dwRGBAlphaBitMask : 0;
  return (a.dwFlags & DDPF_RGB) && (b.dwFlags & DDPF_RGB) && a.dwRGBBitCount == b.dwRGBBitCount &&
         a.dwRBitMask == b.dwRBitMask && a.dwGBitMask == b.dwGBitMask && a.dwBBitMask == b.dwBBitMask && am == bm;
}

HRESULT CollectFormat(LPDDPIXELFORMAT pf, LPVOID context) {
  static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*pf);
  return D3DENUMRET_OK;
}

DWORD NextPow2(DWORD v) {
  DWORD p = 1;
  while (p < v && p < 0x80000000u) p <<= 1;
  return p;
}

}  // namespace

HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE7 device, LPDWORD flags, LPDWORD width, LPDWORD height,
                          D3DX_SURFACEFORMAT* format, LPPALETTEENTRY palette, LPDIRECTDRAWSURFACE7* out,
                          LPDWORD mipCount) {
  if (!device || !out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  D3DDEVICEDESC7 caps;
  device->GetCaps(&caps);
  DWORD w = (width && *width && *width != D3DX_DEFAULT) ? *width : 256;
  DWORD h = (height && *height && *height != D3DX_DEFAULT) ? *height : 256;
  const D3DPRIMCAPS& tri = caps.dpcTriCaps;
  if (tri.dwTextureCaps & D3DPTEXTURECAPS_POW2) w = NextPow2(w), h = NextPow2(h);
  if (tri.dwTextureCaps & D3DPTEXTURECAPS_SQUAREONLY) w = h = std::max(w, h);
  w = std::min(w, caps.dwMaxTextureWidth);
  h = std::min(h, caps.dwMaxTextureHeight);
  if (caps.dwMaxTextureAspectRatio) {
    DWORD r = caps.dwMaxTextureAspectRatio;
    if (w / h > r) h = w / r;
    if (h / w > r) w = h / r;
  }

  std::vector<DDPIXELFORMAT> offered;
  device->EnumTextureFormats(CollectFormat, &offered);
  D3DX_SURFACEFORMAT want = format && *format != D3DX_SF_UNKNOWN ? *format : D3DX_SF_A8R8G8B8;
  std::vector<D3DX_SURFACEFORMAT> order{want};
  switch (want) {
    case D3DX_SF_A8R8G8B8: order.insert(order.end(), {D3DX_SF_A4R4G4B4, D3DX_SF_A1R5G5B5}); break;
    case D3DX_SF_A4R4G4B4: order.insert(order.end(), {D3DX_SF_A8R8G8B8, D3DX_SF_A1R5G5B5}); break;
    case D3DX_SF_A1R5G5B5: order.insert(order.end(), {D3DX_SF_A4R4G4B4, D3DX_SF_A8R8G8B8}); break;
    case D3DX_SF_X8R8G8B8: order.insert(order.end(), {D3DX_SF_R5G6B5, D3DX_SF_R5G5B5, D3DX_SF_A8R8G8B8}); break;
    default: order.insert(order.end(), {D3DX_SF_R5G5B5, D3DX_SF_X8R8G8B8, D3DX_SF_A8R8G8B8}); break;
  }
  D3DX_SURFACEFORMAT chosen = D3DX_SF_UNKNOWN;
  for (auto f : order) {
    for (auto& o : offered)
      if (SameFormat(FormatOf(f), o)) {
        chosen = f;
        break;
      }
    if (chosen != D3DX_SF_UNKNOWN) break;
  }
  if (chosen == D3DX_SF_UNKNOWN) return DDERR_INVALIDPIXELFORMAT;

  DWORD full = 1;
  for (DWORD s = std::max(w, h); s > 1; s >>= 1) ++full;
  DWORD levels = (flags && (*flags & D3DX_TEXTURE_NOMIPMAP)) ? 1 : (mipCount && *mipCount) ? std::min(*mipCount, full) : full;

  LPDIRECT3D7 d3d = nullptr;
  device->GetDirect3D(&d3d);
  IDirectDraw7* dd = d3d->DirectDraw();
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof(d);
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT | (levels > 1 ? DDSD_MIPMAPCOUNT : 0u);
  d.dwWidth = w;
  d.dwHeight = h;
  d.ddpfPixelFormat = FormatOf(chosen);
  d.ddsCaps.dwCaps = DDSCAPS_TEXTURE | (levels > 1 ? DDSCAPS_MIPMAP | DDSCAPS_COMPLEX : 0u);
  d.dwMipMapCount = levels;
  HRESULT hr = dd->CreateSurface(&d, out, nullptr);
  d3d->Release();
  if (FAILED(hr)) return hr;
  if (width) *width = w;
  if (height) *height = h;
  if (format) *format = chosen;
  if (mipCount) *mipCount = levels;
  return D3D_OK;
}

namespace {

HRESULT WriteLevel(IDirectDrawSurface7* level, const D3DRECT& r, const uint32_t* src, size_t srcPitchPixels) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof(d);
  HRESULT hr = level->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
  if (FAILED(hr)) return hr;
  const auto& f = level->Format();
  for (LONG y = r.y1; y < r.y2; ++y)
    dx::RowFromArgb(f, src + (size_t)(y - r.y1) * srcPitchPixels, static_cast<uint8_t*>(d.lpSurface) + (size_t)y * d.lPitch + (size_t)r.x1 * f.bytes,
                    r.x2 - r.x1);
  level->Unlock(nullptr);
  return D3D_OK;
}

}  // namespace

HRESULT D3DXLoadTextureFromMemory(LPDIRECT3DDEVICE7 device, LPDIRECTDRAWSURFACE7 texture, DWORD mipLevel,
                                  LPVOID memory, LPPALETTEENTRY palette, D3DX_SURFACEFORMAT sourceFormat,
                                  DWORD sourcePitch, D3DRECT* destRect, D3DX_FILTERTYPE filter) {
  if (!texture || !memory) return DDERR_INVALIDPARAMS;
  if (sourceFormat != D3DX_SF_A8R8G8B8 && sourceFormat != D3DX_SF_X8R8G8B8) return DDERR_UNSUPPORTED;
  std::vector<IDirectDrawSurface7*> levels;
  for (IDirectDrawSurface7* l = texture; l; l = l->NextMipLevel()) levels.push_back(l);
  bool all = mipLevel == D3DX_DEFAULT;
  DWORD first = all ? 0 : mipLevel;
  if (first >= levels.size()) return DDERR_INVALIDPARAMS;
  IDirectDrawSurface7* top = levels[first];
  D3DRECT r = {0, 0, (LONG)top->Width(), (LONG)top->Height()};
  if (destRect) {
    r = *destRect;
    if (r.x1 < 0 || r.y1 < 0 || r.x2 > (LONG)top->Width() || r.y2 > (LONG)top->Height() || r.x1 >= r.x2 || r.y1 >= r.y2)
      return DDERR_INVALIDPARAMS;
  }
  int w = r.x2 - r.x1, h = r.y2 - r.y1;
  size_t pitch = sourcePitch ? sourcePitch / 4 : (size_t)w;
  if (pitch < (size_t)w) return DDERR_INVALIDPARAMS;
  // The source as ARGB rows of the rectangle's size.
  std::vector<uint32_t> img((size_t)w * h);
  const uint32_t* src = static_cast<const uint32_t*>(memory);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t p = src[(size_t)y * pitch + x];
      img[(size_t)y * w + x] = sourceFormat == D3DX_SF_X8R8G8B8 ? (p | 0xFF000000u) : p;
    }
  HRESULT hr = WriteLevel(top, r, img.data(), (size_t)w);
  if (FAILED(hr) || !all) return hr;
  // Smaller levels: the whole level is rebuilt from the one above.
  std::vector<uint32_t> cur;
  int cw = (int)top->Width(), ch = (int)top->Height();
  cur.resize((size_t)cw * ch);
  {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof(d);
    if (FAILED(top->Lock(nullptr, &d, DDLOCK_WAIT, nullptr))) return DDERR_SURFACEBUSY;
    for (int y = 0; y < ch; ++y)
      dx::RowToArgb(top->Format(), static_cast<uint8_t*>(d.lpSurface) + (size_t)y * d.lPitch, cur.data() + (size_t)y * cw, cw);
    top->Unlock(nullptr);
  }
  for (size_t i = first + 1; i < levels.size(); ++i) {
    int nw = (int)levels[i]->Width(), nh = (int)levels[i]->Height();
    std::vector<uint32_t> next((size_t)nw * nh);
    for (int y = 0; y < nh; ++y)
      for (int x = 0; x < nw; ++x) {
        int sx = std::min(2 * x, cw - 1), sy = std::min(2 * y, ch - 1);
        if (filter == D3DX_FT_POINT) {
          next[(size_t)y * nw + x] = cur[(size_t)sy * cw + sx];
          continue;
        }
        int sx1 = std::min(sx + 1, cw - 1), sy1 = std::min(sy + 1, ch - 1);
        uint32_t q[4] = {cur[(size_t)sy * cw + sx], cur[(size_t)sy * cw + sx1], cur[(size_t)sy1 * cw + sx],
                         cur[(size_t)sy1 * cw + sx1]};
        uint32_t out = 0;
        for (int c = 0; c < 4; ++c) {
          uint32_t sum = 2;
          for (uint32_t v : q) sum += (v >> (8 * c)) & 0xFF;
          out |= (sum / 4) << (8 * c);
        }
        next[(size_t)y * nw + x] = out;
      }
    hr = WriteLevel(levels[i], D3DRECT{0, 0, nw, nh}, next.data(), (size_t)nw);
    if (FAILED(hr)) return hr;
    cur.swap(next);
    cw = nw;
    ch = nh;
  }
  return D3D_OK;
}

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out) {
  std::memset(out, 0, sizeof(*out));
  out->_11 = out->_22 = out->_33 = out->_44 = 1.0f;
  return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b) {
  D3DXMATRIX r;
  const float* A = &a->_11;
  const float* B = &b->_11;
  float* R = &r._11;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += A[i * 4 + k] * B[k * 4 + j];
      R[i * 4 + j] = s;
    }
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m) {
  D3DXMATRIX r;
  const float* M = &m->_11;
  float* R = &r._11;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) R[i * 4 + j] = M[j * 4 + i];
  *out = r;
  return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z) {
  D3DXMatrixIdentity(out);
  out->_41 = x;
  out->_42 = y;
  out->_43 = z;
  return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z) {
  D3DXMatrixIdentity(out);
  out->_11 = x;
  out->_22 = y;
  out->_33 = z;
  return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle) {
  D3DXMatrixIdentity(out);
  float c = std::cos(angle), s = std::sin(angle);
  out->_11 = c;
  out->_12 = s;
  out->_21 = -s;
  out->_22 = c;
  return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf) {
  D3DXMatrixIdentity(out);
  out->_11 = 2.0f / (r - l);
  out->_22 = 2.0f / (t - b);
  out->_33 = 1.0f / (zf - zn);
  out->_41 = (l + r) / (l - r);
  out->_42 = (t + b) / (b - t);
  out->_43 = zn / (zn - zf);
  return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zn, float zf) {
  std::memset(out, 0, sizeof(*out));
  float yScale = 1.0f / std::tan(fovY / 2.0f);
  out->_11 = yScale / aspect;
  out->_22 = yScale;
  out->_33 = zf / (zf - zn);
  out->_34 = 1.0f;
  out->_43 = -zn * zf / (zf - zn);
  return out;
}
