// The machine identifier (setting "computerid"): 16 letters from the first network adapter.
#pragma once

#include <cstdint>

#include "core/base/str.h"

// The identifier of this machine; a random one when the adapter query fails.
TStr MakeComputerId();
// The 16 letters made from an adapter's 8 address bytes.
TStr ComputerIdFromAddress(const uint8_t address[8]);
