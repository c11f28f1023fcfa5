// Name identifiers from texts.
#include "audio_engine/name_id.h"

#include <cstring>

namespace Tarn {

namespace {
inline uint32_t Get16(const unsigned char* d) { return (uint32_t)d[0] | ((uint32_t)d[1] << 8); }
}  // namespace

uint32_t SuperFastHash(const char* text, size_t length) {
  if (text == nullptr || length == 0) return 0;
  const unsigned char* data = (const unsigned char*)text;
  uint32_t hash = (uint32_t)length;
  uint32_t tmp;
  size_t rem = length & 3;
  for (size_t n = length >> 2; n > 0; n--) {
    hash += Get16(data);
    tmp = (Get16(data + 2) << 11) ^ hash;
    hash = (hash << 16) ^ tmp;
    data += 4;
    hash += hash >> 11;
  }
  switch (rem) {
    case 3:
      hash += Get16(data);
      hash ^= hash << 16;
      hash ^= (uint32_t)((int32_t)(signed char)data[2] * (1 << 18));
      hash += hash >> 11;
      break;
    case 2:
      hash += Get16(data);
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

uint32_t NameId(const char* text, size_t len) {
  if (text == nullptr || len == 0) return 0;
  if (len >= 2 && text[0] == '0' && text[1] == 'x') {
    // Unsigned-long conversion: optional leading blanks and sign, digits until the first
    // non-digit, wrapping kept to 32 bits as on the original platform's 32-bit unsigned long.
    size_t i = 2;
    while (i < len && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) i++;
    bool negative = false;
    if (i < len && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i + 1 < len && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      size_t j = i + 2;
      auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); };
      if (j < len && hex(text[j])) i = j;
    }
    uint64_t value = 0;
    bool overflow = false;
    for (; i < len; i++) {
      char c = text[i];
      int d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else break;
      value = value * 16 + (uint64_t)d;
      if (value > 0xFFFFFFFFull) overflow = true;
    }
    uint32_t v = overflow ? 0xFFFFFFFFu : (uint32_t)value;
    return negative && !overflow ? (uint32_t)(0u - v) : v;
  }
  return SuperFastHash(text, len);
}

uint32_t NameId(const char* text) { return text ? NameId(text, std::strlen(text)) : 0; }

}  // namespace Tarn
