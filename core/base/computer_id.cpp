// The machine identifier, derived from the first adapter's hardware address.
#include "core/base/computer_id.h"

#include <cstring>
#include <vector>

#include "core/base/guid.h"
#include "platform/win32/win32.h"

namespace {
const ULONG kAdapterBufferSize = 10368;

bool FirstAdapterAddress(uint8_t address[8]) {
  std::vector<uint8_t> buffer(kAdapterBufferSize, 0);
  ULONG size = kAdapterBufferSize;
  DWORD result = GetAdaptersInfo((PIP_ADAPTER_INFO)buffer.data(), &size);
  if (result == ERROR_BUFFER_OVERFLOW && size > kAdapterBufferSize) {
    // Machines with many interfaces overflow the fixed buffer; the first adapter is still the
    // same one, and a random identifier would change on every run.
    buffer.assign(size, 0);
    result = GetAdaptersInfo((PIP_ADAPTER_INFO)buffer.data(), &size);
  }
  if (result != ERROR_SUCCESS) return false;
  std::memcpy(address, ((PIP_ADAPTER_INFO)buffer.data())->Address, 8);
  return true;
}
}  // namespace

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
  if (!FirstAdapterAddress(address)) {
    // No adapter: a fresh random identifier, different on every run.
    uint32_t words[4];
    CreateGuid(words[0], words[1], words[2], words[3]);
    std::memcpy(address, words, 8);
  }
  return ComputerIdFromAddress(address);
}
