// The Win32 subset the framework calls: types, constants and functions with their Win32 names.
#pragma once

#include <cstddef>
#include <cstdint>

typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef int BOOL;
typedef int32_t LONG;
typedef uint32_t UINT;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef void* HANDLE;
typedef void* HINSTANCE;
typedef void* HMODULE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

#define INFINITE 0xFFFFFFFFu

// WINMM / KERNEL32 time. Milliseconds wrap at 32 bits as on the original platform.
DWORD timeGetTime();
DWORD GetTickCount();
UINT timeBeginPeriod(UINT period);
UINT timeEndPeriod(UINT period);
void Sleep(DWORD ms);
