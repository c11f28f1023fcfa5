// cCriticalSection: a recursive lock; cAutoCriticalSection holds one for a scope.
#pragma once

#include "platform/win32/win32.h"

namespace Tarn {

class cCriticalSection {
 public:
  cCriticalSection();
  cCriticalSection(const cCriticalSection&) = delete;
  cCriticalSection& operator=(const cCriticalSection&) = delete;
  virtual ~cCriticalSection();
  int Enter();
  int Leave();

 private:
  CRITICAL_SECTION mSection;
};

class cAutoCriticalSection {
 public:
  explicit cAutoCriticalSection(cCriticalSection& cs) : mCs(cs) { mCs.Enter(); }
  ~cAutoCriticalSection() { mCs.Leave(); }
  cAutoCriticalSection(const cAutoCriticalSection&) = delete;
  cAutoCriticalSection& operator=(const cAutoCriticalSection&) = delete;

 private:
  cCriticalSection& mCs;
};

// The one library-wide engine lock: exports, project loading, look-ups and the mixing tick.
// Lock order: a timer's lock, then this one.
cCriticalSection& EngineLock();

}  // namespace Tarn
