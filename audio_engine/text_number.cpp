// Number reading without the host locale.
#include "audio_engine/text_number.h"

#include <charconv>
#include <cstring>

#include "audio_engine/name_id.h"

namespace Tarn {

namespace {
const char* SkipBlanks(const char* p) {
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) p++;
  return p;
}
}  // namespace

int32_t ParseDecimal(const char* text) {
  const char* p = SkipBlanks(text);
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t v = 0;
  for (; *p >= '0' && *p <= '9'; p++) {
    v = v * 10 + (*p - '0');
    if (v > 0x80000000ll) v = 0x80000000ll;
  }
  if (negative) v = -v;
  if (v > 0x7FFFFFFFll) v = 0x7FFFFFFFll;
  return (int32_t)v;
}

int32_t ParseInteger(const char* text) {
  if (text[0] == '0' && text[1] == 'x') return (int32_t)NameId(text);
  return ParseDecimal(text);
}

float ParseFloat(const char* text) {
  const char* p = SkipBlanks(text);
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  if (*p == '+' || *p == '-') return 0.0f;
  double v = 0.0;
  auto r = std::from_chars(p, p + std::strlen(p), v, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // from_chars leaves v unchanged on overflow; the C library gives infinity or zero.
    const char* e = std::strpbrk(p, "eE");
    v = (e && e[1] == '-') ? 0.0 : 1e300 * 1e300;
  } else if (r.ec != std::errc()) {
    return 0.0f;
  }
  float f = (float)v;
  return negative ? -f : f;
}

}  // namespace Tarn
