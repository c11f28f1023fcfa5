// Base64 codec with the lenient decoder that stored preferences and scores were written for.
#include "core/base/base64.h"

#include <string>

namespace {
const char kAlphabet[66] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";

uint8_t DecodeValue(char c) {
  unsigned char u = (unsigned char)c;
  if (u >= 'A' && u <= 'Z') return (uint8_t)(u - 'A');
  if (u >= 'a' && u <= 'z') return (uint8_t)(u - 'a' + 26);
  if (u >= '0' && u <= '9') return (uint8_t)(u - '0' + 52);
  if (u == '+') return 62;
  if (u == '/') return 63;
  if (u == '=') return 64;
  return 255;
}
}  // namespace

size_t Base64EncodedSize(size_t n) { return 4 * ((n + 2) / 3); }

size_t Base64Encode(char* out, const uint8_t* in, size_t n) {
  size_t o = 0;
  for (size_t i = 0; i < n; i += 3) {
    size_t left = n - i;
    uint32_t b0 = in[i], b1 = left > 1 ? in[i + 1] : 0, b2 = left > 2 ? in[i + 2] : 0;
    out[o++] = kAlphabet[b0 >> 2];
    out[o++] = kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
    out[o++] = left > 1 ? kAlphabet[((b1 & 15) << 2) | (b2 >> 6)] : '=';
    out[o++] = left > 2 ? kAlphabet[b2 & 63] : '=';
  }
  return o;
}

size_t Base64DecodedSize(size_t n) { return 3 * ((n + 3) / 4 * 4) / 4; }

size_t Base64Decode(uint8_t* out, const char* text, size_t n) {
  std::string padded;
  if (n % 4) {
    padded.assign(text, n);
    padded.append(4 - n % 4, '=');
    text = padded.data();
    n = padded.size();
  }
  size_t count = 0;
  for (size_t i = 0; i < n; i += 4) {
    uint32_t a = DecodeValue(text[i]), b = DecodeValue(text[i + 1]);
    uint32_t c = DecodeValue(text[i + 2]), d = DecodeValue(text[i + 3]);
    out[count] = (uint8_t)(((a << 2) & 0xFF) | ((b >> 4) & 3));
    out[count + 1] = (uint8_t)(((b & 15) << 4) | ((c >> 2) & 15));
    out[count + 2] = (uint8_t)(((c << 6) & 0xFF) | (d & 63));
    count += 3;
    if (text[i + 3] == '=') {
      --count;
      if (text[i + 2] == '=') --count;
    }
  }
  return count;
}
