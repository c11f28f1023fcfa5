// Threads, mutexes, events, timers and waits of the Win32 stand-in, under the manual clock.
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "platform/test_control.h"
#include "platform/win32/win32.h"

extern char** environ;

namespace {

// Runs `body` on a CreateThread thread and hands back its handle.
template <class F>
HANDLE StartThread(F* body) {
  return CreateThread(
      nullptr, 0, [](LPVOID p) -> DWORD { return (*static_cast<F*>(p))(); }, body, 0, nullptr);
}

DWORD Join(HANDLE thread) {
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  CloseHandle(thread);
  return code;
}

// How often the thread `tid` of this process has been switched out, and whether it sleeps now.
long Switches(pid_t tid, bool* sleeping = nullptr) {
  std::string base = "/proc/self/task/" + std::to_string(tid);
  std::ifstream status(base + "/status");
  std::string line;
  long total = 0;
  while (std::getline(status, line))
    if (line.find("ctxt_switches:") != std::string::npos) total += std::stol(line.substr(line.find(':') + 1));
  if (sleeping) {
    std::ifstream stat(base + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), {});
    size_t close = all.rfind(')');
    *sleeping = close != std::string::npos && close + 2 < all.size() && all[close + 2] == 'S';
  }
  return total;
}

std::string UniqueName(const char* stem) {
  return std::string(stem) + "_" + std::to_string(getpid()) + "_" + std::to_string(timeGetTime());
}

}  // namespace

TEST(KernelSyncTest, ThreadReportsStillActiveUntilItEnds) {
  HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  auto body = [&]() -> DWORD {
    WaitForSingleObject(gate, INFINITE);
    return 7;
  };
  HANDLE t = StartThread(&body);
  ASSERT_NE(t, nullptr);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(t, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_TRUE(SetThreadPriority(t, THREAD_PRIORITY_TIME_CRITICAL));
  EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_TIME_CRITICAL);
  SetEvent(gate);
  EXPECT_EQ(Join(t), 7u);
  CloseHandle(gate);
}

TEST(KernelSyncTest, MutexIsRecursivePerThreadAndExcludesOthers) {
  HANDLE m = CreateMutexA(nullptr, FALSE, nullptr);
  ASSERT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
  ASSERT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // recursive for the owner
  auto other = [&]() -> DWORD {
    DWORD r = WaitForSingleObject(m, 0);
    SetLastError(0);
    BOOL released = ReleaseMutex(m);  // not the owner
    return r == WAIT_TIMEOUT && !released && GetLastError() == ERROR_NOT_OWNER ? 1 : 0;
  };
  EXPECT_EQ(Join(StartThread(&other)), 1u);
  EXPECT_TRUE(ReleaseMutex(m));
  auto stillHeld = [&]() -> DWORD { return WaitForSingleObject(m, 0) == WAIT_TIMEOUT ? 1 : 0; };
  EXPECT_EQ(Join(StartThread(&stillHeld)), 1u);  // one release of two acquisitions
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_FALSE(ReleaseMutex(m));
  CloseHandle(m);
}

TEST(KernelSyncTest, MutexLeftByAnEndedThreadIsAbandoned) {
  HANDLE m = CreateMutexA(nullptr, FALSE, nullptr);
  auto taker = [&]() -> DWORD { return WaitForSingleObject(m, 0); };
  EXPECT_EQ(Join(StartThread(&taker)), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_ABANDONED);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);
  CloseHandle(m);
}

TEST(KernelSyncTest, NamedMutexInOneProcess) {
  std::string name = UniqueName("OneProcess_MUTEX");
  SetLastError(0);
  HANDLE first = CreateMutexA(nullptr, TRUE, name.c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), 0u);
  SetLastError(0);
  HANDLE second = CreateMutexA(nullptr, TRUE, name.c_str());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
  // Same object: another thread cannot take it while the first handle's owner holds it.
  auto other = [&]() -> DWORD { return WaitForSingleObject(second, 0); };
  EXPECT_EQ(Join(StartThread(&other)), WAIT_TIMEOUT);
  CloseHandle(first);
  CloseHandle(second);
  SetLastError(0);
  HANDLE again = CreateMutexA(nullptr, TRUE, name.c_str());
  EXPECT_EQ(GetLastError(), 0u);  // every handle closed: the name is free again
  // The name's lock file lives as long as the mutex, so names made per run leave nothing behind.
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  std::string lockFile = std::string(runtime && *runtime ? runtime : "/tmp") + "/orvella-mutex-" +
                         std::to_string((unsigned)getuid()) + "/" + name;
  EXPECT_EQ(access(lockFile.c_str(), F_OK), 0);
  CloseHandle(again);
  EXPECT_NE(access(lockFile.c_str(), F_OK), 0);
}

TEST(KernelSyncTest, NamedMutexSeenByASecondProcess) {
  // The helper is built beside the test program.
  char self[4096];
  DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
  ASSERT_GT(n, 0u);
  std::string helper = std::string(self, n);
  helper = helper.substr(0, helper.rfind('/') + 1) + "win32-mutex-helper";
  std::string name = UniqueName("TwoProcess_MUTEX");
  auto run = [&]() {
    pid_t pid;
    char* argv[] = {helper.data(), name.data(), nullptr};
    EXPECT_EQ(posix_spawn(&pid, helper.c_str(), nullptr, nullptr, argv, environ), 0);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run(), 0);  // nobody holds it
  HANDLE mine = CreateMutexA(nullptr, TRUE, name.c_str());
  EXPECT_EQ(run(), 1);  // the second process learns ERROR_ALREADY_EXISTS
  CloseHandle(mine);
  EXPECT_EQ(run(), 0);
}

TEST(KernelSyncTest, EventsAutoAndManualReset) {
  struct Case {
    BOOL manual;
    DWORD secondWait;
  } cases[] = {{FALSE, WAIT_TIMEOUT}, {TRUE, WAIT_OBJECT_0}};
  TestControl::UseManualClock(1000);
  for (auto& c : cases) {
    HANDLE e = CreateEventA(nullptr, c.manual, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    SetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), c.secondWait) << "manual " << c.manual;
    ResetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    CloseHandle(e);
  }
}

TEST(KernelSyncTest, WaitForMultipleObjectsAnyAndAll) {
  HANDLE a = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE b = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  HANDLE both[] = {a, b};
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
  SetEvent(a);
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
  CloseHandle(a);
  CloseHandle(b);
}

// A blocked thread is woken by its own objects (or its queue, waiting for messages) only: what
// other threads do to other objects and queues costs it nothing.
TEST(KernelSyncTest, AWaiterWakesOnlyForItsOwnObjects) {
  TestControl::UseRealClock();
  HANDLE otherEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE otherMutex = CreateMutexA(nullptr, FALSE, nullptr);
  HANDLE otherTimer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // this thread's queue
  const DWORD self = GetCurrentThreadId();
  const std::function<void()> noise[] = {
      [&] { SetEvent(otherEvent); WaitForSingleObject(otherEvent, 0); },
      [&] { WaitForSingleObject(otherMutex, 0); ReleaseMutex(otherMutex); },
      [&] { PostThreadMessageA(self, WM_USER, 0, 0); PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); },
      [&] {
        LARGE_INTEGER due;
        due.QuadPart = -600000LL * 10000;
        SetWaitableTimer(otherTimer, &due, 0, nullptr, nullptr, FALSE);
      },
  };
  for (bool messages : {false, true}) {
    SCOPED_TRACE(messages ? "waiting for objects or messages" : "waiting for objects");
    HANDLE mine[] = {CreateEventA(nullptr, FALSE, FALSE, nullptr), CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    std::atomic<pid_t> tid{0};
    auto worker = [&]() -> DWORD {
      tid = gettid();
      return messages ? MsgWaitForMultipleObjects(2, mine, FALSE, 600000, QS_ALLINPUT)
                      : WaitForMultipleObjects(2, mine, FALSE, 600000);
    };
    HANDLE t = StartThread(&worker);
    bool sleeping = false;
    while (!tid || (Switches(tid, &sleeping), !sleeping)) std::this_thread::yield();
    long before = Switches(tid);
    for (int round = 0; round < 50; round++) {
      for (auto& n : noise) {
        n();
        std::this_thread::yield();
      }
    }
    EXPECT_LE(Switches(tid) - before, 1);
    SetEvent(mine[1]);
    EXPECT_EQ(Join(t), WAIT_OBJECT_0 + 1);
    for (HANDLE h : mine) CloseHandle(h);
  }
  CloseHandle(otherEvent);
  CloseHandle(otherMutex);
  CloseHandle(otherTimer);
}

TEST(KernelSyncTest, WorkerWaitEndsWhenTheTestAdvancesTheClockPastItsDeadline) {
  TestControl::UseManualClock(5000);
  HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  std::atomic<int> state{0};
  auto worker = [&]() -> DWORD {
    state = 1;
    DWORD r = WaitForSingleObject(e, 100);
    state = 2;
    return r;
  };
  HANDLE t = StartThread(&worker);
  TestControl::WaitForClockWaiters(1);
  TestControl::AdvanceClock(99);
  // Not yet timed out: the worker is still inside its wait.
  TestControl::WaitForClockWaiters(1);
  EXPECT_EQ(WaitForSingleObject(t, 0), WAIT_TIMEOUT);
  EXPECT_EQ(state.load(), 1);
  TestControl::AdvanceClock(1);
  EXPECT_EQ(Join(t), WAIT_TIMEOUT);
  EXPECT_EQ(timeGetTime(), 5100u);
  CloseHandle(e);
}

TEST(KernelSyncTest, WorkerSleepWaitsForTheManualClock) {
  TestControl::UseManualClock(0);
  std::atomic<bool> woke{false};
  auto sleeper = [&]() -> DWORD {
    Sleep(50);
    woke = true;
    return timeGetTime();
  };
  HANDLE t = StartThread(&sleeper);
  TestControl::WaitForClockWaiters(1);
  TestControl::AdvanceClock(20);
  TestControl::WaitForClockWaiters(1);
  EXPECT_FALSE(woke.load());
  TestControl::AdvanceClock(30);
  EXPECT_GE(Join(t), 50u);
}

// After each step of the clock the ticks due so far have all been worked, however late the
// ticking thread is scheduled; a thread that ends after its wake does not hold the wait up.
TEST(KernelSyncTest, SettledClockMeansEveryDueTickIsDone) {
  TestControl::UseManualClock(0);
  HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
  LARGE_INTEGER due;
  due.QuadPart = -20 * 10000;
  ASSERT_TRUE(SetWaitableTimer(timer, &due, 20, nullptr, nullptr, FALSE));
  std::atomic<int> ticks{0};
  std::atomic<bool> stop{false};
  auto ticker = [&]() -> DWORD {
    while (WaitForSingleObject(timer, INFINITE) == WAIT_OBJECT_0 && !stop) {
      volatile double work = 0;
      for (int i = 0; i < 20000; i++) work = work + i;  // a tick that takes a while
      ticks++;
    }
    return 0;
  };
  auto once = [&]() -> DWORD {
    Sleep(30);
    return 0;
  };
  HANDLE t = StartThread(&ticker);
  HANDLE shortLived = StartThread(&once);
  TestControl::WaitForClockWaiters(2);
  for (int step = 1; step <= 40; step++) {
    TestControl::AdvanceClock(20);
    ASSERT_TRUE(TestControl::WaitForClockSettled(10000));
    ASSERT_EQ(ticks.load(), step);
  }
  EXPECT_EQ(Join(shortLived), 0u);
  stop = true;
  TestControl::AdvanceClock(20);
  Join(t);
  CloseHandle(timer);
}

TEST(KernelSyncTest, ClockOwnerWaitMovesTheClockToItsDeadline) {
  TestControl::UseManualClock(100);
  HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  EXPECT_EQ(WaitForSingleObject(e, 250), WAIT_TIMEOUT);
  EXPECT_EQ(timeGetTime(), 350u);
  CloseHandle(e);
}

TEST(KernelSyncTest, PeriodicWaitableTimerFollowsTheClock) {
  TestControl::UseManualClock(0);
  HANDLE timer = CreateWaitableTimerA(nullptr, FALSE, nullptr);
  LARGE_INTEGER due;
  due.QuadPart = -20 * 10000;  // 20 ms from now
  ASSERT_TRUE(SetWaitableTimer(timer, &due, 20, nullptr, nullptr, FALSE));
  EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_TIMEOUT);
  TestControl::AdvanceClock(20);
  EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(timer, 0), WAIT_TIMEOUT);  // auto reset
  EXPECT_EQ(WaitForSingleObject(timer, INFINITE), WAIT_OBJECT_0);  // the clock moves to 40
  EXPECT_EQ(timeGetTime(), 40u);
  CancelWaitableTimer(timer);
  EXPECT_EQ(WaitForSingleObject(timer, 100), WAIT_TIMEOUT);
  CloseHandle(timer);
}

TEST(KernelSyncTest, BadHandlesFailWithInvalidHandle) {
  HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  ASSERT_TRUE(CloseHandle(e));
  struct Case {
    const char* what;
    bool failed;
  };
  SetLastError(0);
  Case cases[] = {
      {"wait on a closed handle", WaitForSingleObject(e, 0) == WAIT_FAILED},
      {"close twice", !CloseHandle(e)},
      {"set a closed event", !SetEvent(e)},
      {"release a closed mutex", !ReleaseMutex(e)},
      {"exit code of a non-thread", !GetExitCodeThread((HANDLE)0x12345, nullptr)},
      {"wait on null", WaitForSingleObject(nullptr, 0) == WAIT_FAILED},
  };
  for (auto& c : cases) EXPECT_TRUE(c.failed) << c.what;
  EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

TEST(KernelSyncTest, LastErrorIsPerThread) {
  SetLastError(1234);
  auto other = [&]() -> DWORD {
    SetLastError(5);
    return GetLastError();
  };
  EXPECT_EQ(Join(StartThread(&other)), 5u);
  EXPECT_EQ(GetLastError(), 1234u);
}

TEST(KernelSyncTest, CriticalSectionAndInterlocked) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EXPECT_TRUE(TryEnterCriticalSection(&cs));  // recursive
  auto other = [&]() -> DWORD { return TryEnterCriticalSection(&cs); };
  EXPECT_EQ(Join(StartThread(&other)), 0u);
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  DeleteCriticalSection(&cs);

  volatile LONG v = 5;
  EXPECT_EQ(InterlockedIncrement(&v), 6);
  EXPECT_EQ(InterlockedDecrement(&v), 5);
  EXPECT_EQ(InterlockedExchange(&v, 9), 5);
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 8), 9);  // no match: unchanged
  EXPECT_EQ(InterlockedCompareExchange(&v, 1, 9), 9);
  EXPECT_EQ(v, 1);
  EXPECT_EQ(InterlockedExchangeAdd(&v, 10), 1);
  EXPECT_EQ(v, 11);
}
