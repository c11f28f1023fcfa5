// Name identifiers: every name in the engine is compared by its 32-bit identifier only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Tarn {

// The published SuperFastHash, seeded with the length; trailing bytes enter as signed chars.
uint32_t SuperFastHash(const char* data, size_t len);

// "0x..." reads as a hexadecimal number (stops at the first non-digit); anything else is
// hashed. An empty or null text gives 0.
uint32_t NameId(const char* text);
uint32_t NameId(const char* text, size_t len);

}  // namespace Tarn
