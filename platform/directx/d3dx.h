// D3DX utility stand-in: texture creation and loading from memory with the size and format
// choices of the device, and the matrix helpers.
#pragma once

#include "platform/directx/d3d.h"

enum D3DX_SURFACEFORMAT {
  D3DX_SF_UNKNOWN = 0,
  D3DX_SF_R8G8B8 = 1,
  D3DX_SF_A8R8G8B8 = 2,
  D3DX_SF_X8R8G8B8 = 3,
  D3DX_SF_R5G6B5 = 4,
  D3DX_SF_R5G5B5 = 5,
  D3DX_SF_A1R5G5B5 = 8,
  D3DX_SF_A4R4G4B4 = 10,
};

enum D3DX_FILTERTYPE : DWORD {
  D3DX_FT_POINT = 0x01,
  D3DX_FT_LINEAR = 0x02,
  D3DX_FT_DEFAULT = 0xFFFFFFFFu,
};

#define D3DX_DEFAULT 0xFFFFFFFFu
#define D3DX_TEXTURE_NOMIPMAP (1u << 8)

// Sizes are rounded as the device needs (powers of two, square, limits); the format becomes the
// closest one the device offers; all three are written back. Mip count 0 (or null) makes a full
// chain unless D3DX_TEXTURE_NOMIPMAP is given.
HRESULT D3DXCreateTexture(LPDIRECT3DDEVICE7 device, LPDWORD flags, LPDWORD width, LPDWORD height,
                          D3DX_SURFACEFORMAT* format, LPPALETTEENTRY palette, LPDIRECTDRAWSURFACE7* out,
                          LPDWORD mipCount);
// Loads 32-bit source pixels into one level (or, with D3DX_DEFAULT, the top level and filtered
// copies into every smaller level). The destination rectangle (null: whole level) gives the size
// of the source.
HRESULT D3DXLoadTextureFromMemory(LPDIRECT3DDEVICE7 device, LPDIRECTDRAWSURFACE7 texture, DWORD mipLevel,
                                  LPVOID memory, LPPALETTEENTRY palette, D3DX_SURFACEFORMAT sourceFormat,
                                  DWORD sourcePitch, D3DRECT* destRect, D3DX_FILTERTYPE filter);

struct D3DXMATRIX : public D3DMATRIX {};

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float left, float right, float bottom, float top,
                                       float zNear, float zFar);
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovY, float aspect, float zNear, float zFar);
