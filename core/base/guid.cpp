// GUIDs for identifiers, mutex names and generator seeds.
#include "core/base/guid.h"

#include <cstring>
#include <mutex>
#include <random>

namespace {
// A random (version 4) GUID, the kind the platform's GUID service hands out.
void NewGuidBytes(uint8_t out[16]) {
  static std::mutex lock;
  static std::random_device device;
  static std::mt19937_64 engine(((uint64_t)device() << 32) ^ device());  // guarded by lock
  std::lock_guard<std::mutex> hold(lock);
  uint64_t lo = engine(), hi = engine();
  std::memcpy(out, &lo, 8);
  std::memcpy(out + 8, &hi, 8);
  out[7] = (uint8_t)((out[7] & 0x0F) | 0x40);  // version nibble: high byte of the third field
  out[8] = (uint8_t)((out[8] & 0x3F) | 0x80);  // variant bits
}
}  // namespace

void CreateGuid(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
  uint8_t bytes[16];
  NewGuidBytes(bytes);
  uint32_t words[4];
  std::memcpy(words, bytes, 16);
  a = words[0];
  b = words[1];
  c = words[2];
  d = words[3];
}

TStr MakeUniqueId() {
  uint32_t a, b, c, d;
  CreateGuid(a, b, c, d);
  return TStr::Format("%08x%08x%08x%08x", a, b, c, d);
}
