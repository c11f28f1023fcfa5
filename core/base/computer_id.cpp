// The machine identifier, derived from the first adapter's hardware address.
#include "core/base/computer_id.h"

#include <atomic>
#include <cstring>

#include "core/base/guid.h"

namespace {
bool NoAdapter(uint8_t*) { return false; }

std::atomic<TAdapterAddressQuery> gQuery{nullptr};
}  // namespace

void SetAdapterAddressQuery(TAdapterAddressQuery query) { gQuery = query; }

TStr ComputerIdFromAddress(const uint8_t address[8]) {
  uint8_t a[8];
  std::memcpy(a, address, 8);
  // Network addresses use six bytes: the last two repeat bytes 3 and 4.
  a[6] = a[3];
  a[7] = a[4];
  char id[17];
  for (int i = 0; i < 8; ++i) {
    uint8_t x = (uint8_t)(a[i] ^ a[(i + 1) % 8]);
    id[2 * i] = (char)('@' + (x & 31));
    id[2 * i + 1] = (char)('B' + (x >> 5) + i);
  }
  id[16] = 0;
  return TStr(id);
}

TStr MakeComputerId() {
  uint8_t address[8] = {0};
  TAdapterAddressQuery query = gQuery.load();
  if (!(query ? query : NoAdapter)(address)) {
    // No adapter: a fresh random identifier, different on every run.
    uint32_t words[4];
    CreateGuid(words[0], words[1], words[2], words[3]);
    std::memcpy(address, words, 8);
  }
  return ComputerIdFromAddress(address);
}
