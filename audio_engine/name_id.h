// Name identifiers: every name in the engine is compared by its 32-bit identifier only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Tarn {

// The published SuperFastHash, seeded with the length; trailing bytes enter as signed chars.
// Usable at compile time.
constexpr uint32_t SuperFastHash(const char* data, size_t length) {
  if (data == nullptr || length == 0) return 0;
  auto get16 = [](const char* d) { return (uint32_t)(uint8_t)d[0] | ((uint32_t)(uint8_t)d[1] << 8); };
  uint32_t hash = (uint32_t)length;
  for (size_t n = length >> 2; n > 0; n--) {
    hash += get16(data);
    uint32_t tmp = (get16(data + 2) << 11) ^ hash;
    hash = (hash << 16) ^ tmp;
    data += 4;
    hash += hash >> 11;
  }
  switch (length & 3) {
    case 3:
      hash += get16(data);
      hash ^= hash << 16;
      hash ^= (uint32_t)((int32_t)(signed char)data[2] * (1 << 18));
      hash += hash >> 11;
      break;
    case 2:
      hash += get16(data);
      hash ^= hash << 11;
      hash += hash >> 17;
      break;
    case 1:
      hash += (uint32_t)(int32_t)(signed char)data[0];
      hash ^= hash << 10;
      hash += hash >> 1;
      break;
  }
  hash ^= hash << 3;
  hash += hash >> 5;
  hash ^= hash << 4;
  hash += hash >> 17;
  hash ^= hash << 25;
  hash += hash >> 6;
  return hash;
}

// "0x..." reads as a hexadecimal number (stops at the first non-digit); anything else is
// hashed. An empty or null text gives 0.
uint32_t NameId(const char* text);
uint32_t NameId(const char* text, size_t len);

// The identifier of a fixed name at compile time (no "0x" form: those names are plain words).
constexpr uint32_t ConstNameId(const char* text) {
  size_t length = 0;
  while (text[length]) length++;
  return SuperFastHash(text, length);
}
static_assert(ConstNameId("EventClip") == 0xBDFB42E6u);

}  // namespace Tarn
