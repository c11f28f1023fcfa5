// Name identifiers from texts.
#include "audio_engine/name_id.h"

#include <cstring>

namespace Tarn {

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
