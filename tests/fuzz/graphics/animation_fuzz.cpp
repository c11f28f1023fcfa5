// Fuzzes the animation readers: the same bytes as ".xml" text and as ".anm" chunks.
#include <cstddef>
#include <cstdint>

#include "core/graphics/sprites/animation_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TAnimation xml;
  ReadAnimationXml((const char*)data, (int)size, TStr("fuzz.xml"), xml);
  TAnimation anm;
  ReadAnimationAnm(data, size, TStr("fuzz.anm"), anm);
  return 0;
}
