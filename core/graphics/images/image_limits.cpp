// Limits and buffer helpers shared by the image readers.
#include "core/graphics/images/image_limits.h"

#include <cstdlib>

int ImageSideFor(int width, int height) {
  int larger = width > height ? width : height;
  int side = 1;
  while (side < larger) side <<= 1;
  return side;
}

unsigned char* AllocImagePixels(int side) {
  if (side <= 0 || side > kMaxImageSide * 2) return nullptr;
  return (unsigned char*)calloc((size_t)side * (size_t)side, 4);
}

void FreeImagePixels(unsigned char* pixels) { free(pixels); }
