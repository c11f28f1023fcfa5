// Fuzzes the PNG, JPEG and JPEG-2000 readers on the same bytes, served as a memory file.
#include <cstddef>
#include <cstdint>

#include "core/base/memory_file.h"
#include "core/graphics/images/image_reader.h"
#include "core/graphics/images/jpeg2000.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const uint8_t empty = 0;
  RegisterMemoryFile(TStr("fuzz.img"), size ? data : &empty, (uint32_t)size);
  unsigned char* pixels = nullptr;
  int w, h, side;
  uint32_t key;
  bool alpha;
  if (ReadPngImage("fuzz.img", &pixels, &w, &h, &side, &key, &alpha)) FreeImagePixels(pixels);
  pixels = nullptr;
  if (ReadJpegImage("fuzz.img", &pixels, &w, &h, &side)) FreeImagePixels(pixels);
  pixels = nullptr;
  if (ReadJp2Image("fuzz.img", &pixels, &w, &h, &side, &alpha)) FreeImagePixels(pixels);
  RegisterMemoryFile(TStr("fuzz.img"), nullptr, 0);
  return 0;
}
