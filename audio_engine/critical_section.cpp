// The recursive lock around a Win32 critical section, and the engine lock.
#include "audio_engine/critical_section.h"

namespace Tarn {

cCriticalSection::cCriticalSection() = default;
cCriticalSection::~cCriticalSection() = default;
int cCriticalSection::Enter() {
  mSection.lock();
  return 0;
}
int cCriticalSection::Leave() {
  mSection.unlock();
  return 0;
}

cCriticalSection& EngineLock() {
  static cCriticalSection lock;
  return lock;
}

}  // namespace Tarn
