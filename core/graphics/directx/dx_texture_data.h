// TDxTextureData: a texture's DirectDraw surface. Creates it in the format and size the device
// needs (power of two, square, 16 or 32 bits, with or without alpha, mipmapped, render target
// with its own z-buffer, or a simple plain surface), converts 32-bit ARGB pixels in and out,
// copies regions (with a GDI fallback), and rebuilds itself after a display loss.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/graphics/texture_data.h"
#include "platform/directx/ddraw.h"

class TDxTextureData : public TTextureData {
 public:
  TDxTextureData() {}
  ~TDxTextureData() override;

  void Release() override;
  void Restore() override;
  bool SetPixels(uint32_t rowLength, uint32_t rows, const uint32_t* pixels) override;
  bool CreateSurface(uint32_t width, uint32_t height, bool clear) override;
  void CopyTo(int x, int y, const TRect* source, TTextureData* destination) override;
  void Clear() override;
  bool Lock(uint32_t*& pixels, int& pitch) override;
  void Unlock() override;

  // Converts the image area to 32-bit ARGB rows `rowLength` pixels apart.
  bool ReadPixels(uint32_t rowLength, uint32_t rows, uint32_t* destination);
  LPDIRECTDRAWSURFACE7 GetSurface() const { return mSurface; }
  bool IsMadeByD3dx() const { return mMadeByD3dx != 0; }

  // The name without its options, or with ".png" or ".jpg", names an existing file.
  static bool ImageFileExists(const TStr& name);
  // Forgets the cached alpha texture format (every display set-up does).
  static void ResetTextureFormat();

 private:
  // Converts between the surface's area at (left, top) and ARGB rows `rowLength` apart.
  bool ConvertArea(bool write, uint32_t left, uint32_t top, uint32_t columns, uint32_t rows, uint32_t* argb,
                   uint32_t rowLength);
  HRESULT CreatePlainSurface(DDSURFACEDESC2& desc, bool alpha, bool renderTarget);
  void AttachZBuffer();
  void FreeSurface(bool detachZBuffer);

  LPDIRECTDRAWSURFACE7 mSurface = nullptr;
  int mMipLevel = 0;  // -1 when mipmapped: uploads fill every level
  uint8_t mMadeByD3dx = 0;
  uint8_t mDirectUpload = 0;  // set: uploads convert by hand even on a D3DX surface
  std::vector<uint32_t> mLockCopy;  // 32-bit copy while a lock needs conversion
  bool mLockedCopy = false;
};

// Helpers of the pixel conversions, shared by the texture surfaces, the render-target copies
// and the software cursor.
int CountMaskBits(uint32_t mask);
int MaskShift(uint32_t mask);
uint32_t NextPowerOfTwo(uint32_t value);
// A pixel of 1 to 4 bytes, little-endian.
uint32_t ReadPixelBytes(const uint8_t* p, int bytes);

// How a channel byte goes to its mask and back, worked out once a conversion.
struct TPixelChannel {
  uint32_t mask = 0;
  int low = 0;    // the mask's lowest bit
  int width = 0;  // its number of bits
  int top = 0;    // shift that puts the mask's top bit on bit 7 (negative: to the left)

  explicit TPixelChannel(uint32_t m);
  // The byte cut to the mask's width and placed at it.
  uint32_t Place(uint32_t byte) const { return mask ? ((byte >> (8 - (width < 8 ? width : 8))) << low) & mask : 0; }
  // The channel with the mask's top bit on bit 7.
  uint32_t Take(uint32_t pixel) const {
    uint32_t v = pixel & mask;
    return (top >= 0 ? v >> top : v << -top) & 0xFF;
  }
};
