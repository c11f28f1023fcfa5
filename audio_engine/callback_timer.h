// cCallbackTimer: a worker thread that ticks a callback every period, under the timer lock.
#pragma once

#include <atomic>

#include "audio_engine/critical_section.h"
#include "audio_engine/iupdate.h"
#include "platform/win32/win32.h"

namespace Tarn {

class cCallbackTimer {
 public:
  cCallbackTimer();
  virtual ~cCallbackTimer();
  cCallbackTimer(const cCallbackTimer&) = delete;
  cCallbackTimer& operator=(const cCallbackTimer&) = delete;

  virtual int SetCallback(cIUpdate* callback, DWORD periodMs, DWORD second);
  // Starts the worker at above-normal priority: 0; 1 when the thread could not be made.
  virtual int Start();
  // Signals the worker and waits for it to end: 0.
  virtual int Stop();

  // Ticks so far (for tests and meters).
  uint32_t Ticks() const { return mTicks.load(); }
  bool Running() const { return mThread != nullptr; }

 private:
  static DWORD ThreadEntry(LPVOID self);
  void ThreadFunction();

  DWORD mPeriod = 100;
  DWORD mSecond = 20;  // stored, not used
  cIUpdate* mCallback = nullptr;  // guarded by mLock
  cCriticalSection mLock;
  std::atomic<bool> mStopFlag{false};
  HANDLE mThread = nullptr;  // changed on the owner's thread only
  DWORD mThreadId = 0;
  HANDLE mWaitableTimer;
  HANDLE mCancel;
  HANDLE mCanceled;
  std::atomic<uint32_t> mTicks{0};
};

}  // namespace Tarn
