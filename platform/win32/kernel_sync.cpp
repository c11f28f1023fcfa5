// Handles, threads, mutexes, events, waitable timers, waits, critical sections and the
// interlocked operations of KERNEL32.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <map>
#include <thread>
#include <unordered_map>

#include "platform/test_control.h"
#include "platform/win32/internal.h"

namespace win32 {

std::mutex& KernelLock() {
  static std::mutex* lock = new std::mutex;  // never destroyed: threads may outlive main
  return *lock;
}

namespace {

// Tests waiting for the manual clock's threads to park or settle wait here; it is told whenever
// those counts change.
std::condition_variable& ObserverCv() {
  static std::condition_variable* cv = new std::condition_variable;
  return *cv;
}

// The waiters of the threads that have blocked at least once, by thread id (kernel lock).
std::unordered_map<DWORD, Waiter*>& Waiters() {
  static auto* waiters = new std::unordered_map<DWORD, Waiter*>;
  return *waiters;
}

struct MutexObject;

// What the kernel keeps per thread. Its destructor abandons the mutexes the thread still owns,
// so that the next waiter learns WAIT_ABANDONED as on the original platform.
struct ThreadState {
  DWORD id = 0;
  DWORD lastError = 0;
  int priority = THREAD_PRIORITY_NORMAL;
  std::vector<std::weak_ptr<MutexObject>> owned;  // guarded by the kernel lock
  // Let go by a wait on the manual clock and not waiting on it again yet: still at the work
  // that woke it (guarded by the kernel lock).
  bool woken = false;
  Waiter waiter;
  ~ThreadState();
};

std::atomic<DWORD> gNextThreadId{1000};
thread_local DWORD tPresetId = 0;

ThreadState& State() {
  thread_local ThreadState state;
  if (!state.id) state.waiter.thread = state.id = tPresetId ? tPresetId : gNextThreadId.fetch_add(4);
  return state;
}

struct HandleTable {
  std::unordered_map<uintptr_t, std::shared_ptr<KObject>> objects;  // guarded by the kernel lock
  uintptr_t next = 0x1000;
  std::map<std::string, std::weak_ptr<KObject>> names;  // guarded by the kernel lock
};
HandleTable& Table() {
  static HandleTable* table = new HandleTable;
  return *table;
}

int gClockWaiters = 0;  // threads blocked on the manual clock; guarded by the kernel lock
int gWokenWorkers = 0;  // threads whose woken flag is set; guarded by the kernel lock
// The manual-clock time each parked thread waits for, when it waits for one (guarded by the
// kernel lock).
std::map<const void*, DWORD> gParkedDue;

const HANDLE kCurrentThread = (HANDLE)(intptr_t)-2;

struct MutexObject : KObject, std::enable_shared_from_this<MutexObject> {
  DWORD owner = 0;
  DWORD count = 0;
  bool abandoned = false;
  int lockFd = -1;  // held while this process owns the name across processes
  std::string lockPath;
  ~MutexObject() override {
    if (lockFd < 0) return;
    // Removed while still locked, so a name's file lives only as long as its holder; a process
    // that opened it just before finds it gone once it gets the lock and starts over.
    unlink(lockPath.c_str());
    close(lockFd);
  }
  bool Waitable() const override { return true; }
  bool IsSignaled(DWORD) override { return owner == 0 || owner == ThreadId(); }
  bool Acquire(DWORD) override;
};

struct EventObject : KObject {
  bool manual = false;
  bool signaled = false;
  bool Waitable() const override { return true; }
  bool IsSignaled(DWORD) override { return signaled; }
  bool Acquire(DWORD) override {
    if (!manual) signaled = false;
    return false;
  }
};

struct ThreadObject : KObject {
  bool done = false;
  DWORD exitCode = STILL_ACTIVE;
  DWORD id = 0;
  int priority = THREAD_PRIORITY_NORMAL;
  int suspended = 0;
  LPTHREAD_START_ROUTINE start = nullptr;
  LPVOID parameter = nullptr;
  bool Waitable() const override { return true; }
  bool IsSignaled(DWORD) override { return done; }
};

struct TimerObject : KObject {
  bool manual = false;
  bool active = false;
  bool signaled = false;
  DWORD due = 0;
  DWORD period = 0;
  bool Waitable() const override { return true; }
  bool IsSignaled(DWORD now) override {
    if (active && (int32_t)(now - due) >= 0) {
      signaled = true;
      if (period) {
        while ((int32_t)(now - due) >= 0) due += period;
      } else {
        active = false;
      }
    }
    return signaled;
  }
  bool Acquire(DWORD) override {
    if (!manual) signaled = false;
    return false;
  }
  bool NextDue(DWORD* d) const override {
    if (!active) return false;
    *d = due;
    return true;
  }
};

bool MutexObject::Acquire(DWORD) {
  ThreadState& me = State();
  if (owner != me.id) {
    owner = me.id;
    count = 0;
    me.owned.push_back(weak_from_this());
  }
  count++;
  bool wasAbandoned = abandoned;
  abandoned = false;
  return wasAbandoned;
}

// Sets a thread's woken flag, keeping gWokenWorkers the count of the set ones (kernel lock held).
void SetWokenLocked(ThreadState& t, bool woken) {
  if (woken == t.woken) return;
  gWokenWorkers += (int)woken - (int)t.woken;
  t.woken = woken;
  ObserverCv().notify_all();
}

// Hands on the mutexes a thread still owns as abandoned (kernel lock held).
void AbandonOwnedLocked(ThreadState& t) {
  for (auto& weak : t.owned) {
    auto m = weak.lock();
    if (m && m->owner == t.id) {
      m->owner = 0;
      m->count = 0;
      m->abandoned = true;
      WakeObjectLocked(*m);
    }
  }
  t.owned.clear();
}

ThreadState::~ThreadState() {
  Lock lock(KernelLock());
  AbandonOwnedLocked(*this);
  SetWokenLocked(*this, false);
  if (waiter.registered) Waiters().erase(waiter.thread);
}

std::string LockFolder() {
  const char* base = getenv("XDG_RUNTIME_DIR");
  std::string folder = (base && *base) ? base : "/tmp";
  folder += "/orvella-mutex-" + std::to_string((unsigned)getuid());
  mkdir(folder.c_str(), 0700);
  return folder;
}

// True when another process holds the name; else keeps the lock file open in `fd` and its
// path in `path`.
bool NameHeldElsewhere(const std::string& name, int* fd, std::string* path) {
  std::string file = name;
  for (char& c : file)
    if (c == '/' || c == '\\') c = '_';
  file = LockFolder() + "/" + file;
  for (int attempt = 0; attempt < 16; attempt++) {
    int f = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (f < 0) return false;  // no lock folder: the name is only seen by this process
    if (flock(f, LOCK_EX | LOCK_NB) != 0) {
      close(f);
      return true;
    }
    // The holder we raced with may have removed the file between our open and our lock: only
    // the file still at the path counts.
    struct stat held, named;
    if (fstat(f, &held) == 0 && stat(file.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      *fd = f;
      *path = file;
      return false;
    }
    close(f);
  }
  return false;
}

template <class T>
HANDLE CreateNamed(LPCSTR name, bool* existed, std::shared_ptr<T>* out) {
  Lock lock(KernelLock());
  *existed = false;
  if (name && *name) {
    auto it = Table().names.find(name);
    if (it != Table().names.end()) {
      auto obj = it->second.lock();
      if (obj) {
        auto typed = std::dynamic_pointer_cast<T>(obj);
        if (!typed) {
          lock.unlock();
          SetLastError(ERROR_INVALID_HANDLE);
          return nullptr;
        }
        *existed = true;
        *out = typed;
        lock.unlock();
        HANDLE h = AddHandle(typed);
        SetLastError(ERROR_ALREADY_EXISTS);
        return h;
      }
    }
  }
  auto obj = std::make_shared<T>();
  if (name && *name) Table().names[name] = obj;
  *out = obj;
  lock.unlock();
  HANDLE h = AddHandle(obj);
  SetLastError(ERROR_SUCCESS);
  return h;
}

void* ThreadMain(void* arg) {
  auto* holder = static_cast<std::shared_ptr<ThreadObject>*>(arg);
  std::shared_ptr<ThreadObject> t = *holder;
  delete holder;
  tPresetId = t->id;
  {
    Lock lock(KernelLock());
    State().priority = t->priority;
    while (t->suspended > 0) BlockLocked(lock, INFINITE);
  }
  DWORD code = t->start(t->parameter);
  Lock lock(KernelLock());
  AbandonOwnedLocked(State());  // before the thread counts as ended, as on the original
  t->exitCode = code;
  t->done = true;
  WakeObjectLocked(*t);
  return nullptr;
}

}  // namespace

DWORD ThreadId() { return State().id; }

HANDLE AddHandle(std::shared_ptr<KObject> object) {
  Lock lock(KernelLock());
  uintptr_t h = Table().next;
  Table().next += 4;
  Table().objects[h] = std::move(object);
  return (HANDLE)h;
}

std::shared_ptr<KObject> FindHandleLocked(HANDLE handle) {
  auto it = Table().objects.find((uintptr_t)handle);
  return it == Table().objects.end() ? nullptr : it->second;
}

std::shared_ptr<KObject> RemoveHandleLocked(HANDLE handle) {
  auto it = Table().objects.find((uintptr_t)handle);
  if (it == Table().objects.end()) return nullptr;
  auto obj = std::move(it->second);
  Table().objects.erase(it);
  return obj;
}

std::shared_ptr<KObject> FindHandle(HANDLE handle) {
  Lock lock(KernelLock());
  return FindHandleLocked(handle);
}

void BlockLocked(Lock& lock, DWORD ms) {
  Waiter& me = State().waiter;
  if (!me.registered) {
    Waiters()[me.thread] = &me;
    me.registered = true;
  }
  me.blocked = true;
  if (ms == INFINITE)
    me.cv.wait(lock);
  else
    me.cv.wait_for(lock, std::chrono::milliseconds(ms));
  me.blocked = false;
}

// Waking happens under the kernel lock, and a thread leaves the tables under it before it ends.
void WakeObjectLocked(KObject& object) {
  for (Waiter* w : object.waiters) w->cv.notify_one();
}

void WakeThreadLocked(DWORD thread) {
  auto it = Waiters().find(thread);
  if (it != Waiters().end() && it->second->blocked) it->second->cv.notify_one();
}

void WakeAllLocked() {
  for (auto& [id, w] : Waiters())
    if (w->blocked) w->cv.notify_one();
  ObserverCv().notify_all();
}

void ClockChanged() {
  Lock lock(KernelLock());
  WakeAllLocked();
}

namespace {

// The wait itself, kernel lock held on entry and return; the caller has registered the thread
// on every object.
DWORD WaitLoopLocked(Lock& lock, const std::vector<std::shared_ptr<KObject>>& objects, bool waitAll, DWORD ms,
                     const WaitHooks* hooks) {
  ThreadState& me = State();
  const DWORD count = (DWORD)objects.size();
  const bool pumping = hooks && hooks->pump;
  const DWORD start = timeGetTime();
  for (bool first = true;; first = false) {
    // Once the time is up the caller looks at its queue anyway: the last check goes without
    // pumping (an idle loop's waits are a millisecond long).
    if (pumping && (first || ms == INFINITE || timeGetTime() - start < ms)) {
      lock.unlock();
      hooks->pump(hooks->context);
      lock.lock();
    }
    DWORD now = timeGetTime();
    if (count && waitAll) {
      bool all = true;
      for (auto& o : objects) all = all && o->IsSignaled(now);
      if (all) {
        DWORD result = WAIT_OBJECT_0;
        for (DWORD i = 0; i < count; i++)
          if (objects[i]->Acquire(now) && result == WAIT_OBJECT_0) result = WAIT_ABANDONED_0 + i;
        return result;
      }
    } else {
      for (DWORD i = 0; i < count; i++) {
        if (objects[i]->IsSignaled(now)) {
          bool abandoned = objects[i]->Acquire(now);
          return (abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + i;
        }
      }
    }
    DWORD due = 0;
    bool hasDue = false;
    for (auto& o : objects) {
      DWORD d;
      if (o->NextDue(&d) && (!hasDue || (int32_t)(d - due) < 0)) {
        due = d;
        hasDue = true;
      }
    }
    if (hooks && hooks->extra) {
      DWORD d = 0;
      if (hooks->extra(hooks->context, now, &d)) return WAIT_OBJECT_0 + count;
      if (d && (!hasDue || (int32_t)(d - due) < 0)) {
        due = d;
        hasDue = true;
      }
    }
    DWORD elapsed = now - start;
    if (ms != INFINITE && elapsed >= ms) return WAIT_TIMEOUT;
    DWORD remaining = ms == INFINITE ? INFINITE : ms - elapsed;
    if (hasDue) {
      int32_t d = (int32_t)(due - now);
      DWORD untilDue = d <= 0 ? 1 : (DWORD)d;
      if (remaining == INFINITE || untilDue < remaining) remaining = untilDue;
    }
    if (TestControl::IsManualClock()) {
      if (IsManualClockOwner() && remaining != INFINITE) {
        AdvanceManualClockLocked(remaining);
      } else if (pumping) {
        BlockLocked(lock, hooks->pumpSliceMs);
      } else {
        // Parked, the thread has done its work; woken, it counts as working until it parks
        // again or ends (WaitForClockSettled), the thread that moves the clock excepted.
        SetWokenLocked(me, false);
        if (remaining != INFINITE) gParkedDue[&me] = now + remaining;
        gClockWaiters++;
        ObserverCv().notify_all();  // lets WaitForClockWaiters and WaitForClockSettled see us
        BlockLocked(lock, INFINITE);
        gClockWaiters--;
        gParkedDue.erase(&me);
        if (!IsManualClockOwner()) SetWokenLocked(me, true);
      }
    } else {
      DWORD slice = remaining;
      if (pumping && (slice == INFINITE || slice > hooks->pumpSliceMs)) slice = hooks->pumpSliceMs;
      BlockLocked(lock, slice);
    }
  }
}

}  // namespace

DWORD WaitEngine(DWORD count, const HANDLE* handles, bool waitAll, DWORD ms, const WaitHooks* hooks) {
  if (count > MAXIMUM_WAIT_OBJECTS || (count && !handles)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<KObject>> objects;
  Waiter& me = State().waiter;
  Lock lock(KernelLock());
  for (DWORD i = 0; i < count; i++) {
    auto obj = FindHandleLocked(handles[i]);
    if (!obj || !obj->Waitable()) {
      lock.unlock();
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    objects.push_back(obj);
  }
  for (auto& o : objects) o->waiters.push_back(&me);
  DWORD result = WaitLoopLocked(lock, objects, waitAll, ms, hooks);
  for (auto& o : objects) std::erase(o->waiters, &me);
  return result;
}

}  // namespace win32

using namespace win32;

void TestControl::WaitForClockWaiters(int count) {
  Lock lock(KernelLock());
  ObserverCv().wait(lock, [&] { return gClockWaiters >= count; });
}

bool TestControl::WaitForClockSettled(uint32_t realMs) {
  Lock lock(KernelLock());
  return ObserverCv().wait_for(lock, std::chrono::milliseconds(realMs), [] {
    if (gWokenWorkers > 0) return false;
    DWORD now = timeGetTime();
    for (auto& parked : gParkedDue)
      if ((int32_t)(parked.second - now) <= 0) return false;
    return true;
  });
}

DWORD GetLastError() { return State().lastError; }
void SetLastError(DWORD error) { State().lastError = error; }

BOOL CloseHandle(HANDLE handle) {
  if (handle == kCurrentThread) return TRUE;
  std::shared_ptr<KObject> doomed;  // released outside the lock
  {
    Lock lock(KernelLock());
    auto it = Table().objects.find((uintptr_t)handle);
    if (it != Table().objects.end()) {
      doomed = std::move(it->second);
      Table().objects.erase(it);
    }
  }
  if (!doomed) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, size_t stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId) {
  if (!start) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto t = std::make_shared<ThreadObject>();
  t->start = start;
  t->parameter = parameter;
  t->id = gNextThreadId.fetch_add(4);
  t->suspended = (flags & CREATE_SUSPENDED) ? 1 : 0;
  HANDLE h = AddHandle(t);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  if (stackSize) pthread_attr_setstacksize(&attr, stackSize < 65536 ? 65536 : stackSize);
  pthread_t thread;
  auto* holder = new std::shared_ptr<ThreadObject>(t);
  int rc = pthread_create(&thread, &attr, ThreadMain, holder);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete holder;
    CloseHandle(h);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (threadId) *threadId = t->id;
  return h;
}

DWORD ResumeThread(HANDLE thread) {
  auto t = FindAs<ThreadObject>(thread);
  if (!t) {
    SetLastError(ERROR_INVALID_HANDLE);
    return (DWORD)-1;
  }
  Lock lock(KernelLock());
  DWORD previous = (DWORD)t->suspended;
  if (t->suspended > 0 && --t->suspended == 0) WakeThreadLocked(t->id);
  return previous;
}

BOOL SetThreadPriority(HANDLE thread, int priority) {
  if (thread == kCurrentThread) {
    State().priority = priority;
    return TRUE;
  }
  auto t = FindAs<ThreadObject>(thread);
  if (!t) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Lock lock(KernelLock());
  t->priority = priority;
  return TRUE;
}

int GetThreadPriority(HANDLE thread) {
  if (thread == kCurrentThread) return State().priority;
  auto t = FindAs<ThreadObject>(thread);
  if (!t) {
    SetLastError(ERROR_INVALID_HANDLE);
    return THREAD_PRIORITY_ERROR_RETURN;
  }
  Lock lock(KernelLock());
  return t->priority;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
  auto t = FindAs<ThreadObject>(thread);
  if (!t || !exitCode) {
    SetLastError(t ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Lock lock(KernelLock());
  *exitCode = t->exitCode;
  return TRUE;
}

HANDLE GetCurrentThread() { return kCurrentThread; }
DWORD GetCurrentThreadId() { return ThreadId(); }
DWORD GetCurrentProcessId() { return (DWORD)getpid(); }

void ExitProcess(UINT code) {
  fflush(nullptr);
  _exit((int)code);
}

HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCSTR name) {
  bool existed = false;
  std::shared_ptr<MutexObject> m;
  HANDLE h = CreateNamed<MutexObject>(name, &existed, &m);
  if (!h || existed) return h;
  if (name && *name) {
    int fd = -1;
    std::string path;
    bool elsewhere = NameHeldElsewhere(name, &fd, &path);
    Lock lock(KernelLock());
    m->lockFd = fd;
    m->lockPath = std::move(path);
    if (elsewhere) {
      lock.unlock();
      SetLastError(ERROR_ALREADY_EXISTS);
      return h;  // like the original: a handle to the existing mutex, not owned
    }
  }
  if (initialOwner) {
    Lock lock(KernelLock());
    m->Acquire(timeGetTime());
  }
  SetLastError(ERROR_SUCCESS);
  return h;
}

HANDLE OpenMutexA(DWORD, BOOL, LPCSTR name) {
  Lock lock(KernelLock());
  auto it = name ? Table().names.find(name) : Table().names.end();
  std::shared_ptr<MutexObject> m;
  if (it != Table().names.end()) m = std::dynamic_pointer_cast<MutexObject>(it->second.lock());
  lock.unlock();
  if (!m) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  return AddHandle(m);
}

BOOL ReleaseMutex(HANDLE mutex) {
  auto m = FindAs<MutexObject>(mutex);
  if (!m) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  {
    Lock lock(KernelLock());
    if (m->owner != ThreadId() || m->count == 0) {
      lock.unlock();
      SetLastError(ERROR_NOT_OWNER);
      return FALSE;
    }
    if (--m->count == 0) {
      m->owner = 0;
      auto& owned = State().owned;
      for (size_t i = 0; i < owned.size(); i++) {
        auto o = owned[i].lock();
        if (!o || o == m) owned.erase(owned.begin() + (long)i--);
      }
      WakeObjectLocked(*m);
    }
  }
  return TRUE;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR name) {
  bool existed = false;
  std::shared_ptr<EventObject> e;
  HANDLE h = CreateNamed<EventObject>(name, &existed, &e);
  if (!h || existed) return h;
  Lock lock(KernelLock());
  e->manual = manualReset;
  e->signaled = initialState;
  return h;
}

static BOOL SetEventState(HANDLE event, bool state) {
  auto e = FindAs<EventObject>(event);
  if (!e) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Lock lock(KernelLock());
  e->signaled = state;
  if (state) WakeObjectLocked(*e);
  return TRUE;
}
BOOL SetEvent(HANDLE event) { return SetEventState(event, true); }
BOOL ResetEvent(HANDLE event) { return SetEventState(event, false); }

HANDLE CreateWaitableTimerA(LPSECURITY_ATTRIBUTES, BOOL manualReset, LPCSTR name) {
  bool existed = false;
  std::shared_ptr<TimerObject> t;
  HANDLE h = CreateNamed<TimerObject>(name, &existed, &t);
  if (!h || existed) return h;
  Lock lock(KernelLock());
  t->manual = manualReset;
  return h;
}

BOOL SetWaitableTimer(HANDLE timer, const LARGE_INTEGER* dueTime, LONG periodMs, PTIMERAPCROUTINE,
                      LPVOID, BOOL) {
  auto t = FindAs<TimerObject>(timer);
  if (!t || !dueTime || periodMs < 0) {
    SetLastError(t ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  int64_t delayMs;
  if (dueTime->QuadPart <= 0) {
    delayMs = (-dueTime->QuadPart + 9999) / 10000;  // relative, in 100 ns units
  } else {
    // Absolute time in 100 ns units since 1601; measured against the wall clock.
    const int64_t kEpochDiff = 116444736000000000LL;
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    int64_t nowFt = kEpochDiff + (int64_t)ts.tv_sec * 10000000 + ts.tv_nsec / 100;
    delayMs = dueTime->QuadPart > nowFt ? (dueTime->QuadPart - nowFt + 9999) / 10000 : 0;
  }
  Lock lock(KernelLock());
  t->signaled = false;
  t->active = true;
  t->due = timeGetTime() + (DWORD)delayMs;
  t->period = (DWORD)periodMs;
  WakeObjectLocked(*t);  // its waiters take the new due time
  return TRUE;
}

BOOL CancelWaitableTimer(HANDLE timer) {
  auto t = FindAs<TimerObject>(timer);
  if (!t) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Lock lock(KernelLock());
  t->active = false;
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD ms) {
  if (handle == kCurrentThread) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return WaitEngine(1, &handle, false, ms, nullptr);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms) {
  if (count == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  return WaitEngine(count, handles, waitAll, ms, nullptr);
}

void InitializeCriticalSection(LPCRITICAL_SECTION section) { section->impl = new std::recursive_mutex; }
BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD) {
  InitializeCriticalSection(section);
  return TRUE;
}
void DeleteCriticalSection(LPCRITICAL_SECTION section) {
  delete static_cast<std::recursive_mutex*>(section->impl);
  section->impl = nullptr;
}
void EnterCriticalSection(LPCRITICAL_SECTION section) {
  static_cast<std::recursive_mutex*>(section->impl)->lock();
}
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  return static_cast<std::recursive_mutex*>(section->impl)->try_lock() ? TRUE : FALSE;
}
void LeaveCriticalSection(LPCRITICAL_SECTION section) {
  static_cast<std::recursive_mutex*>(section->impl)->unlock();
}

LONG InterlockedIncrement(volatile LONG* target) { return __atomic_add_fetch(target, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedDecrement(volatile LONG* target) { return __atomic_sub_fetch(target, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedExchange(volatile LONG* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedExchangeAdd(volatile LONG* target, LONG value) {
  return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedCompareExchange(volatile LONG* target, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
void* InterlockedExchangePointer(void* volatile* target, void* value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
void* InterlockedCompareExchangePointer(void* volatile* target, void* exchange, void* comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}
