// The machine identifier (setting "computerid"): 16 letters from the first network adapter.
#pragma once

#include <cstdint>

#include "core/base/str.h"

// The identifier of this machine; a random one when no adapter answers.
TStr MakeComputerId();
// The 16 letters made from an adapter's 8 address bytes.
TStr ComputerIdFromAddress(const uint8_t address[8]);

// Where the first adapter's address bytes come from (the platform's adapter list); false when
// the query fails. Null restores the default.
typedef bool (*TAdapterAddressQuery)(uint8_t address[8]);
void SetAdapterAddressQuery(TAdapterAddressQuery query);
