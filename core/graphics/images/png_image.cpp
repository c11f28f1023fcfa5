// PNG decoding through the framework's file layer into a square 32-bit pixel buffer, and
// encoding into memory.
#include "core/graphics/images/png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "core/base/file.h"
#include "core/base/log.h"
#include "core/graphics/images/image_limits.h"

namespace {

// Everything the error path must release lives here, outside the frame that setjmp saves,
// so nothing needs to be volatile. One per decode: no process-wide state.
struct PngDecode {
  TFile* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  png_bytep* rows = nullptr;
  unsigned char* pixels = nullptr;
  char message[128] = "";
};

void PngError(png_structp png, png_const_charp message) {
  PngDecode* d = (PngDecode*)png_get_error_ptr(png);
  if (d) snprintf(d->message, sizeof d->message, "%s", message ? message : "");
  png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp png, png_bytep data, png_size_t length) {
  PngDecode* d = (PngDecode*)png_get_io_ptr(png);
  if (length > 0x7FFFFFFF || FileRead(d->file, data, (int)length) != (int)length) png_error(png, "Read Error");
}

void Release(PngDecode* d) {
  if (d->png) png_destroy_read_struct(&d->png, d->info ? &d->info : nullptr, nullptr);
  free(d->rows);
  d->rows = nullptr;
  FreeImagePixels(d->pixels);
  d->pixels = nullptr;
  FileClose(d->file);
  d->file = nullptr;
}

int Decode(PngDecode* d, int* width, int* height, int* channels, int* side, bool* hasAlpha,
           unsigned char* keyColour) {
  png_structp png = d->png;
  png_infop info = d->info;
  if (setjmp(png_jmpbuf(png))) return 0;

  png_set_read_fn(png, d, PngRead);
  png_set_sig_bytes(png, 8);
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_read_info(png, info);

  png_uint_32 w, h;
  int depth, colorType;
  png_get_IHDR(png, info, &w, &h, &depth, &colorType, nullptr, nullptr, nullptr);

  if (depth == 16) png_set_strip_16(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (depth < 8) png_set_expand(png);
  bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (keyColour) memset(keyColour, 0, 3);
  if (transparency) {
    png_color_16p colour = nullptr;
    if (colorType != PNG_COLOR_TYPE_PALETTE && png_get_tRNS(png, info, nullptr, nullptr, &colour) && colour &&
        keyColour) {
      int shift = depth == 16 ? 8 : 0;
      int scale = depth < 8 && (colorType & PNG_COLOR_MASK_COLOR) == 0 ? 255 / ((1 << depth) - 1) : 1;
      if (colorType & PNG_COLOR_MASK_COLOR) {
        keyColour[0] = (unsigned char)(colour->red >> shift);
        keyColour[1] = (unsigned char)(colour->green >> shift);
        keyColour[2] = (unsigned char)(colour->blue >> shift);
      } else {
        keyColour[0] = keyColour[1] = keyColour[2] = (unsigned char)((colour->gray >> shift) * scale);
      }
    }
    png_set_tRNS_to_alpha(png);
  }
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);

  double fileGamma;
  if (png_get_gAMA(png, info, &fileGamma)) png_set_gamma(png, 2.2, fileGamma);

  png_read_update_info(png, info);
  png_get_IHDR(png, info, &w, &h, &depth, &colorType, nullptr, nullptr, nullptr);
  // A transparency chunk becomes alpha in the pixels whatever the colour type was.
  *hasAlpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || transparency;
  if (w == 0 || h == 0 || w > (png_uint_32)kMaxImageSide || h > (png_uint_32)kMaxImageSide)
    png_error(png, "Image size out of bounds");
  if (png_get_rowbytes(png, info) > (size_t)w * 4) png_error(png, "Unexpected row size");
  *width = (int)w;
  *height = (int)h;
  *side = ImageSideFor((int)w, (int)h);
  *channels = png_get_channels(png, info);
  size_t rowLength = (size_t)*side * 4;
  d->pixels = AllocImagePixels(*side);
  if (!d->pixels) png_error(png, "Visual PNG: out of memory");
  d->rows = (png_bytep*)malloc(sizeof(png_bytep) * h);
  if (!d->rows) png_error(png, "Visual PNG: out of memory");
  for (png_uint_32 r = 0; r < h; ++r) d->rows[r] = d->pixels + r * rowLength;
  png_read_image(png, d->rows);
  png_read_end(png, nullptr);
  return 1;
}

}  // namespace

int LoadPngImage(const char* name, unsigned char** pixels, int* width, int* height, int* channels, int* side,
                 bool* hasAlpha, unsigned char* keyColour) {
  int w = 0, h = 0, c = 0, s = 0;
  bool alpha = false;
  if (pixels) {
    FreeImagePixels(*pixels);
    *pixels = nullptr;
  }
  PngDecode d;
  d.file = FileOpen(name, kFileReadBinary);
  if (!d.file) return 0;
  unsigned char signature[8];
  if (FileRead(d.file, signature, 8) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    Release(&d);
    return 0;
  }
  d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &d, PngError, PngWarning);
  if (d.png) d.info = png_create_info_struct(d.png);
  if (!d.png || !d.info || !Decode(&d, &w, &h, &c, &s, &alpha, keyColour)) {
    if (d.message[0]) LogError("LoadPngImage: %s: %s", name, d.message);
    Release(&d);
    return 0;
  }
  unsigned char* result = d.pixels;
  d.pixels = nullptr;
  Release(&d);
  if (pixels) *pixels = result; else FreeImagePixels(result);
  if (width) *width = w;
  if (height) *height = h;
  if (channels) *channels = c;
  if (side) *side = s;
  if (hasAlpha) *hasAlpha = alpha;
  return 1;
}

namespace {

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* out = (std::vector<uint8_t>*)png_get_io_ptr(png);
  out->insert(out->end(), data, data + length);
}

// Kept outside the frame setjmp saves, like the decoder's state.
struct PngEncode {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<uint8_t> row;
};

bool Encode(PngEncode* e, const uint32_t* argb, int width, int height, std::vector<uint8_t>* out) {
  if (setjmp(png_jmpbuf(e->png))) return false;
  png_set_write_fn(e->png, out, PngWrite, nullptr);
  png_set_IHDR(e->png, e->info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(e->png, e->info);
  e->row.resize((size_t)width * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t p = argb[(size_t)y * width + x];
      uint8_t* o = &e->row[(size_t)x * 4];
      o[0] = (uint8_t)(p >> 16), o[1] = (uint8_t)(p >> 8), o[2] = (uint8_t)p, o[3] = (uint8_t)(p >> 24);
    }
    png_write_row(e->png, e->row.data());
  }
  png_write_end(e->png, nullptr);
  return true;
}

}  // namespace

std::vector<uint8_t> EncodePng(const uint32_t* argb, int width, int height) {
  std::vector<uint8_t> out;
  if (!argb || width <= 0 || height <= 0) return out;
  PngEncode e;
  e.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (e.png) e.info = png_create_info_struct(e.png);
  if (!e.png || !e.info || !Encode(&e, argb, width, height, &out)) out.clear();
  png_destroy_write_struct(&e.png, &e.info);
  return out;
}
