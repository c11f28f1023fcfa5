// The recursive lock around a Win32 critical section, and the engine lock.
#include "audio_engine/critical_section.h"

namespace Tarn {

cCriticalSection::cCriticalSection() { InitializeCriticalSection(&mSection); }
cCriticalSection::~cCriticalSection() { DeleteCriticalSection(&mSection); }
int cCriticalSection::Enter() {
  EnterCriticalSection(&mSection);
  return 0;
}
int cCriticalSection::Leave() {
  LeaveCriticalSection(&mSection);
  return 0;
}

cCriticalSection& EngineLock() {
  static cCriticalSection lock;
  return lock;
}

}  // namespace Tarn
