// Locale-independent number reading for XML texts, with the C library's stopping rules.
#pragma once

#include <cstdint>

namespace Tarn {

// Signed decimal like strtol on a 32-bit long: leading blanks and sign, digits until the
// first non-digit, saturating at the 32-bit limits; no digits give 0.
int32_t ParseDecimal(const char* text);
// "0x..." read as hexadecimal after the prefix (wrapping kept to 32 bits), else decimal.
int32_t ParseInteger(const char* text);
// Floating-point like strtod in the "C" locale; no number gives 0.
float ParseFloat(const char* text);

}  // namespace Tarn
