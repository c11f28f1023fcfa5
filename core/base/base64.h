// Base64 (RFC 4648 alphabet, "=" padding) over caller-owned byte buffers.
#pragma once

#include <cstddef>
#include <cstdint>

// 4 characters per started group of 3 bytes; no room for a terminator.
size_t Base64EncodedSize(size_t n);
// Writes the characters (no terminator) and returns their count.
size_t Base64Encode(char* out, const uint8_t* in, size_t n);
// 3 bytes per started group of 4 characters: every group writes all 3.
size_t Base64DecodedSize(size_t n);
// Returns the meaningful bytes; out must hold Base64DecodedSize(n). Characters outside the
// alphabet are not rejected.
size_t Base64Decode(uint8_t* out, const char* text, size_t n);
