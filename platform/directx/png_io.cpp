// PNG reading and writing for the capture hook and golden-image tests (libpng), and reading any
// surface back as ARGB.
#include <png.h>

#include <cstdio>

#include "platform/directx/ddraw.h"
#include "platform/directx/directx_test_control.h"

namespace TestControl {
namespace Display {

bool WritePng(const std::string& path, const uint32_t* argb, int width, int height, int pitchPixels) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row((size_t)width * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t p = argb[(size_t)y * pitchPixels + x];
      row[(size_t)x * 4 + 0] = (uint8_t)(p >> 16);
      row[(size_t)x * 4 + 1] = (uint8_t)(p >> 8);
      row[(size_t)x * 4 + 2] = (uint8_t)p;
      row[(size_t)x * 4 + 3] = (uint8_t)(p >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool ReadPng(const std::string& path, std::vector<uint32_t>& argb, int& width, int& height) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_read_info(png, info);
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_read_update_info(png, info);
  width = (int)png_get_image_width(png, info);
  height = (int)png_get_image_height(png, info);
  std::vector<uint8_t> row((size_t)width * 4);
  argb.assign((size_t)width * height, 0);
  for (int y = 0; y < height; ++y) {
    png_read_row(png, row.data(), nullptr);
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &row[(size_t)x * 4];
      argb[(size_t)y * width + x] = ((uint32_t)p[3] << 24) | ((uint32_t)p[0] << 16) | ((uint32_t)p[1] << 8) | p[2];
    }
  }
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return true;
}

bool ReadSurface(IDirectDrawSurface7* surface, std::vector<uint32_t>& argb, int& width, int& height) {
  if (!surface) return false;
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof(d);
  if (FAILED(surface->Lock(nullptr, &d, DDLOCK_WAIT, nullptr))) return false;
  width = (int)d.dwWidth;
  height = (int)d.dwHeight;
  argb.assign((size_t)width * height, 0);
  for (int y = 0; y < height; ++y)
    dx::RowToArgb(surface->Format(), static_cast<uint8_t*>(d.lpSurface) + (size_t)y * d.lPitch, argb.data() + (size_t)y * width, width);
  surface->Unlock(nullptr);
  return true;
}

}  // namespace Display
}  // namespace TestControl
