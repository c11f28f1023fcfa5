// GUIDs for identifiers, mutex names and generator seeds.
#include "core/base/guid.h"

#include <cstring>

#include "platform/win32/win32.h"

void CreateGuid(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d) {
  GUID guid;
  std::memset(&guid, 0, sizeof guid);
  CoCreateGuid(&guid);
  static_assert(sizeof(GUID) == 16, "a GUID is four 32-bit words");
  uint32_t words[4];
  std::memcpy(words, &guid, 16);
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
