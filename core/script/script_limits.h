// Basic types and limits shared by every part of the script engine.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

#include "core/script/lua.h"

typedef uint32_t lu_hash;   // type for string hashes
typedef size_t lu_mem;      // byte counts
typedef uint8_t lu_byte;    // small natural numbers
typedef uint32_t Instruction;

#define MAX_INT (INT_MAX - 2)  // maximum value of an int (-2 for safety)
#define MAX_LUMEM (~(lu_mem)0 - 2)
#define MAX_SIZET (~(size_t)0 - 2)

// Largest block the memory manager accepts (the stored chunk sizes are 32-bit).
#define MAX_BLOCKSIZE 4294967293u

// Registers of a function: an RK operand of MAXSTACK or more names a constant.
#define MAXSTACK 250

// Upvalues of a function (parser limit).
#define MAXUPVALUES 32
// Local variables of a function (parser limit).
#define MAXVARS 200
// Parameters of a function (parser limit).
#define MAXPARAMS 100

// Call-info entries of a thread, and nested C calls.
#define LUA_MAXCALLS 4096
#define LUA_MAXCCALLS 200
// Stack slots a C function may ask for through lua_checkstack.
#define LUA_MAXCSTACK 2048

// Items of a constructor flushed at a time.
#define LFIELDS_PER_FLUSH 32

// Minimum size of the string table and of the concatenation buffer.
#define MINSTRTABSIZE 32
#define LUA_MINBUFFER 32

#define cast(t, exp) ((t)(exp))
#define lua_assert(c) ((void)0)
#define api_check(L, o) ((void)0)
#define check_exp(c, e) (e)

#define LUAI_LIKELY(x) __builtin_expect(!!(x), 1)
#define LUAI_UNLIKELY(x) __builtin_expect(!!(x), 0)
