// The texture loader's image readers: PNG, JPEG and JPEG-2000 files (virtual paths) into
// square power-of-two pixel buffers of side x side x 4 bytes, row r at byte r x side x 4.
// The caller frees the buffer with FreeImagePixels. All return false, with nothing allocated,
// when the file does not open or does not decode.
#pragma once

#include <cstdint>

#include "core/graphics/images/image_limits.h"

// 32-bit ARGB words. keyColour packs the decoder's transparent colour (red in bits 0-7, green
// 8-15, blue 16-23); hasAlpha (may be null) tells whether the pixels carry alpha.
bool ReadPngImage(const char* path, unsigned char** pixels, int* width, int* height, int* side,
                  uint32_t* keyColour, bool* hasAlpha = nullptr);

// Each row holds three bytes a pixel, red, green, blue, from the start of the row. CMYK files
// (inverted when they carry Adobe's marker) are converted to RGB.
bool ReadJpegImage(const char* path, unsigned char** pixels, int* width, int* height, int* side);

// 32-bit ARGB words (bytes blue, green, red, alpha); rows are continued to the side by their
// last pixel and the rows below the image repeat its last row. Without an opacity component
// every alpha byte is 255 and hasAlpha false. sYCC colours (by the colour box) become RGB;
// subsampled components are placed by the image's and their own origins.
bool ReadJp2Image(const char* path, unsigned char** pixels, int* width, int* height, int* side, bool* hasAlpha);
