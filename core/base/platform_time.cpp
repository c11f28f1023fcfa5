// The platform time seam.
#include "core/base/platform_time.h"

#include <atomic>

#include "platform/win32/win32.h"

namespace {
std::atomic<uint32_t (*)()> gSource{nullptr};
}

uint32_t GetPlatformTime() {
  uint32_t (*source)() = gSource.load();
  return source ? source() : (uint32_t)timeGetTime();
}

void SetPlatformTimeSource(uint32_t (*source)()) { gSource = source; }
