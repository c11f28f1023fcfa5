// The timer worker: waits for the cancel event or the periodic waitable timer.
#include "audio_engine/callback_timer.h"

#include "audio_engine/debug.h"

namespace Tarn {

cCallbackTimer::cCallbackTimer() {
  mWaitableTimer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
  mCancel = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  mCanceled = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

cCallbackTimer::~cCallbackTimer() {
  Stop();
  if (mWaitableTimer) CloseHandle(mWaitableTimer);
  if (mCancel) CloseHandle(mCancel);
  if (mCanceled) CloseHandle(mCanceled);
}

int cCallbackTimer::SetCallback(cIUpdate* callback, DWORD periodMs, DWORD second) {
  cAutoCriticalSection lock(mLock);
  mCallback = callback;
  mPeriod = periodMs;
  mSecond = second;
  return 0;
}

int cCallbackTimer::Start() {
  cAutoCriticalSection lock(mLock);
  if (mThread) return 0;
  mStopFlag = false;
  mThread = CreateThread(nullptr, 0, ThreadEntry, this, 0, &mThreadId);
  if (!mThread) return 1;
  SetThreadPriority(mThread, THREAD_PRIORITY_ABOVE_NORMAL);
  return 0;
}

int cCallbackTimer::Stop() {
  Trace("cCallbackTimer::Stop: CancelWaitableTimer\n");
  if (mWaitableTimer) CancelWaitableTimer(mWaitableTimer);
  HANDLE thread;
  {
    cAutoCriticalSection lock(mLock);
    Trace("cCallbackTimer::Stop: Get critical section\n");
    thread = mThread;
    if (!thread) return 0;
    mStopFlag = true;
    Trace("cCallbackTimer::Stop: Set cancel signal\n");
    SetEvent(mCancel);
  }
  // Waited for without the timer lock, so a worker about to tick can finish its tick.
  Trace("cCallbackTimer::Stop: Wait for canceled signal\n");
  if (WaitForSingleObject(mCanceled, 2000) == WAIT_OBJECT_0) Trace("cCallbackTimer::Stop: Got canceled signal\n");
  // A tick that outlasts the wait must still end before the timer can go: wait for the thread
  // itself with no limit (nothing holding the engine lock ever stops the timer).
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  {
    cAutoCriticalSection lock(mLock);
    mThread = nullptr;
    mThreadId = 0;
  }
  return 0;
}

DWORD cCallbackTimer::ThreadEntry(LPVOID self) {
  static_cast<cCallbackTimer*>(self)->ThreadFunction();
  return 0;
}

void cCallbackTimer::ThreadFunction() {
  DWORD period;
  {
    cAutoCriticalSection lock(mLock);
    period = mPeriod;
  }
  LARGE_INTEGER due;
  due.QuadPart = (int64_t)period * 10000;  // absolute and long past: the first expiry is at once
  SetWaitableTimer(mWaitableTimer, &due, (LONG)period, nullptr, nullptr, FALSE);
  HANDLE handles[2] = {mCancel, mWaitableTimer};
  for (;;) {
    DWORD r = WaitForMultipleObjects(2, handles, FALSE, period * 2);
    if (r == WAIT_OBJECT_0 || mStopFlag) break;
    cAutoCriticalSection lock(mLock);
    try {
      if (mCallback) mCallback->Update();
    } catch (...) {
      // Nothing may leave the thread; the tick is lost.
      Trace("cCallbackTimer::ThreadFunction: Did not get here\n");
    }
    mTicks++;
  }
  SetEvent(mCanceled);
  Trace("cCallbackTimer::ThreadFunction: Got cancel signal - set canceled signal\n");
  Trace("cCallbackTimer::ThreadFunction: End thread\n");
}

}  // namespace Tarn
