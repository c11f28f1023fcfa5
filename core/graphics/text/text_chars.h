// Character reading shared by the layout pass and drawing: UTF-8 with a lead byte deciding the
// length (any other byte is its own character), a backslash making the next character literal,
// and never a read past the end of the text.
#pragma once

#include <cmath>
#include <cstdint>

struct TTextChar {
  uint32_t code = 0;
  int start = 0;  // first byte (the backslash of an escaped character)
  int last = 0;   // last byte
};

inline TTextChar DecodeTextChar(const char* text, int length, int index) {
  TTextChar ch;
  ch.start = index;
  if (text[index] == '\\') {
    if (index + 1 >= length) {  // a final backslash stands for nothing
      ch.last = index;
      return ch;
    }
    index++;
  }
  const uint8_t* p = (const uint8_t*)text;
  uint8_t lead = p[index];
  int n = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (index + n > length) n = length - index;  // cut off by the end: the rest is one character
  uint32_t code = n == 4 ? lead & 0x07 : n == 3 ? lead & 0x0F : n == 2 ? lead & 0x1F : lead;
  for (int i = 1; i < n; i++) code = code << 6 | (p[index + i] & 0x3F);
  ch.code = code;
  ch.last = index + n - 1;
  return ch;
}

// Half away from zero, kept inside int.
inline int RoundHalfAway(float v) {
  if (!(v > -2e9f)) return v != v ? 0 : -2000000000;
  if (v > 2e9f) return 2000000000;
  return (int)std::lround(v);
}
