// Unique identifiers: new GUIDs as four 32-bit words, and as 32 hexadecimal digits.
#pragma once

#include <cstdint>

#include "core/base/str.h"

// A new GUID as its four 32-bit words in memory order.
void CreateGuid(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d);
// A new GUID as "%08x%08x%08x%08x".
TStr MakeUniqueId();
