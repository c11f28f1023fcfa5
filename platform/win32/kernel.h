// KERNEL32 handles, threads, synchronisation, interlocked operations and module loading.
// Included by win32.h; not meant to be included alone.
#pragma once

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_ABANDONED WAIT_ABANDONED_0
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define STILL_ACTIVE 259u
#define MAXIMUM_WAIT_OBJECTS 64

#define CREATE_SUSPENDED 0x00000004u
#define THREAD_PRIORITY_IDLE (-15)
#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_ABOVE_NORMAL 1
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15
#define THREAD_PRIORITY_ERROR_RETURN 0x7FFFFFFF

typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID parameter);
typedef void (*PTIMERAPCROUTINE)(LPVOID arg, DWORD low, DWORD high);

BOOL CloseHandle(HANDLE handle);

// Threads. Priorities are kept and read back; the host scheduler is not asked.
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, size_t stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId);
DWORD ResumeThread(HANDLE thread);
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
HANDLE GetCurrentThread();  // a pseudo handle meaning "the calling thread"
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
// Ends the process at once with the code (no static destructors run, as threads may still be live).
[[noreturn]] void ExitProcess(UINT code);

// Mutexes, events and waitable timers. A named mutex is also seen by other processes (a lock
// file), so a second process learns ERROR_ALREADY_EXISTS; ownership stays within a process.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
HANDLE OpenMutexA(DWORD access, BOOL inherit, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
HANDLE CreateWaitableTimerA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, LPCSTR name);
BOOL SetWaitableTimer(HANDLE timer, const LARGE_INTEGER* dueTime, LONG periodMs,
                      PTIMERAPCROUTINE routine, LPVOID arg, BOOL resume);
BOOL CancelWaitableTimer(HANDLE timer);

// Waits with time-outs follow timeGetTime, so a test's manual clock drives them: a waiting
// thread wakes when the test advances the clock past its deadline. On the thread that took the
// manual clock (the test itself) a wait that cannot be met at once moves the clock to its
// deadline, as Sleep does, so a single-threaded test never hangs.
DWORD WaitForSingleObject(HANDLE handle, DWORD ms);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms);

struct CRITICAL_SECTION {
  void* impl;  // the recursive lock behind it
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;
void InitializeCriticalSection(LPCRITICAL_SECTION section);
BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);

LONG InterlockedIncrement(volatile LONG* target);
LONG InterlockedDecrement(volatile LONG* target);
LONG InterlockedExchange(volatile LONG* target, LONG value);
LONG InterlockedExchangeAdd(volatile LONG* target, LONG value);
LONG InterlockedCompareExchange(volatile LONG* target, LONG exchange, LONG comparand);
void* InterlockedExchangePointer(void* volatile* target, void* value);
void* InterlockedCompareExchangePointer(void* volatile* target, void* exchange, void* comparand);

// Modules over dlopen: a name ending ".dll" is looked for as the same name ending ".so", in
// the program's folder first, then by the normal library search.
HMODULE LoadLibraryA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
HMODULE GetModuleHandleA(LPCSTR name);  // null name: the program itself
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
