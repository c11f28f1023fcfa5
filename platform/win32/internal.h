// Shared internals of the Win32 stand-in: the kernel lock, handle table and the wait engine.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win32/win32.h"

namespace win32 {

// One lock guards every kernel object, the handle table and the message queues. A blocked
// thread sleeps on its own condition variable and is woken only by what it waits for: the
// objects it waits on, its message queue (by thread id) or the manual clock moving. So a thread
// waiting for its timeout costs no wake-ups while others signal their own objects.
std::mutex& KernelLock();
typedef std::unique_lock<std::mutex> Lock;

struct Waiter {
  std::condition_variable cv;
  DWORD thread = 0;
  bool blocked = false;     // in BlockLocked now (kernel lock)
  bool registered = false;  // known by thread id since its first block (kernel lock)
};

struct KObject {
  virtual ~KObject() = default;
  // Wait protocol, called with the kernel lock held. `now` is timeGetTime().
  virtual bool Waitable() const { return false; }
  virtual bool IsSignaled(DWORD now) { return false; }
  virtual bool Acquire(DWORD now) { return false; }  // true when the wait is "abandoned"
  // A time (timeGetTime) at which the object may become signaled by itself; false if none.
  virtual bool NextDue(DWORD* due) const { return false; }
  std::vector<Waiter*> waiters;  // the threads blocked on this object now (kernel lock)
};

// Blocking and waking, kernel lock held. BlockLocked sleeps the calling thread until it is woken
// or `ms` pass (INFINITE: no limit); wakes may be spurious, callers check their condition again.
void BlockLocked(Lock& lock, DWORD ms);
void WakeObjectLocked(KObject& object);  // the threads waiting on the object
void WakeThreadLocked(DWORD thread);     // the thread, if blocked (its queue got input)
void WakeAllLocked();                    // every blocked thread (the clock moved)

// Handle table (kernel lock held for the *Locked forms).
HANDLE AddHandle(std::shared_ptr<KObject> object);
std::shared_ptr<KObject> FindHandleLocked(HANDLE handle);
std::shared_ptr<KObject> FindHandle(HANDLE handle);
std::shared_ptr<KObject> RemoveHandleLocked(HANDLE handle);
template <class T>
std::shared_ptr<T> FindAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(FindHandle(handle));
}

// The wait engine. `extra` (may be null) is an additional condition checked with the lock held:
// when it returns true the wait ends with WAIT_OBJECT_0 + count. `pump` (may be null) is run
// without the lock between waiting slices (the main thread pumps SDL there).
struct WaitHooks {
  bool (*extra)(void* context, DWORD now, DWORD* due) = nullptr;
  void (*pump)(void* context) = nullptr;
  void* context = nullptr;
  DWORD pumpSliceMs = 10;
};
DWORD WaitEngine(DWORD count, const HANDLE* handles, bool waitAll, DWORD ms, const WaitHooks* hooks);

// Clock integration: called by the clock whenever manual time moves or the mode changes.
void ClockChanged();
bool IsManualClockOwner();
void AdvanceManualClockLocked(DWORD ms);

// Path helpers: backslashes become slashes.
std::string HostPath(const char* path);

// The folder of the running program, with a trailing slash.
std::string ProgramFolder();

// Per-thread identity (a small number, never reused).
DWORD ThreadId();

}  // namespace win32
