// Limits and buffer helpers shared by the image readers.
#pragma once

#include <cstddef>

// Larger images are refused before anything is allocated: a texture side above this is far
// beyond any display, and the square buffer would pass a gigabyte.
constexpr int kMaxImageSide = 8192;

// The smallest power of two (from 1) at least n.
int ImageSideFor(int width, int height);
// A zeroed side x side x 4 buffer, or null.
unsigned char* AllocImagePixels(int side);
// Frees a buffer any image reader returned.
void FreeImagePixels(unsigned char* pixels);
