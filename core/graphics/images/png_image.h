// PNG decoding through the framework's file layer into a square 32-bit pixel buffer, and
// encoding of pictures the program draws itself.
#pragma once

#include <cstdint>
#include <vector>

// Decodes the PNG file name (a virtual path) into a side x side buffer of 32-bit
// little-endian ARGB words (bytes blue, green, red, alpha), the image in the top-left corner
// and zero elsewhere. Any buffer already in *pixels is freed first. channels is the decoded
// channel count, hasAlpha whether the pixels carry alpha (an alpha channel or a transparency
// chunk), keyColour (3 bytes, may be null) the transparent colour of a grey or colour image's
// transparency chunk as red, green, blue, else zero. Returns nonzero on success; on failure
// *pixels is null. Free the buffer with FreeImagePixels.
int LoadPngImage(const char* name, unsigned char** pixels, int* width, int* height, int* channels, int* side,
                 bool* hasAlpha, unsigned char* keyColour = nullptr);

// Encodes width x height ARGB words (row after row) as an 8-bit RGBA PNG. Empty on failure.
std::vector<uint8_t> EncodePng(const uint32_t* argb, int width, int height);
