// Calls, returns, the stack, errors (C++ exceptions carrying the error code) and protected
// execution.
#pragma once

#include "core/script/state.h"

// A debug build (ORVELLA_SCRIPT_STACK_MOVE) moves the stack wherever it could grow, so that an
// address kept across such a point reads freed memory at once (AddressSanitizer reports it).
#if defined(ORVELLA_SCRIPT_STACK_MOVE)
#define luaD_movestack(L) luaD_reallocstack(L, (L)->stacksize - EXTRA_STACK - 1)
#else
#define luaD_movestack(L) ((void)0)
#endif

// Makes sure n free slots exist above the top (the stack may move).
#define luaD_checkstack(L, n) \
  do { \
    if ((char *)(L)->stack_last - (char *)(L)->top <= (n) * (int)sizeof(TObject)) \
      luaD_growstack(L, n); \
    else \
      luaD_movestack(L); \
  } while (0)

#define incr_top(L) { luaD_checkstack(L, 1); L->top++; }

#define savestack(L, p) ((char *)(p) - (char *)L->stack)
#define restorestack(L, n) ((TObject *)((char *)L->stack + (n)))
#define saveci(L, p) ((char *)(p) - (char *)L->base_ci)
#define restoreci(L, n) ((CallInfo *)((char *)L->base_ci + (n)))

// What an error throws: the error object is on top of the thread's stack.
struct LuaError {
  int status;
};

typedef void (*Pfunc)(lua_State *L, void *ud);

// Raises an error with the given code; the error object must be on top of the stack (for a
// syntax error, code LUA_ERRSYNTAX, the message string). Never returns.
[[noreturn]] void luaD_throw(lua_State *L, int errcode);
int luaD_rawrunprotected(lua_State *L, Pfunc f, void *ud);
int luaD_pcall(lua_State *L, Pfunc func, void *u, ptrdiff_t oldtop, ptrdiff_t ef);
void luaD_seterrorobj(lua_State *L, int errcode, StkId oldtop);

int luaD_protectedparser(lua_State *L, ZIO *z, int bin);
// Calls the value at `func' with the values above it; nResults as lua_call.
void luaD_call(lua_State *L, StkId func, int nResults);
// Starts a call: a C function runs to completion (returns 1, results moved), a Lua function
// gets its frame (returns 0). A C function that yields returns 2.
int luaD_precall(lua_State *L, StkId func, int nresults);
// Ends the current call: moves results from firstResult into place, pops the call record.
void luaD_poscall(lua_State *L, int wanted, StkId firstResult);
void luaD_reallocCI(lua_State *L, int newsize);
void luaD_reallocstack(lua_State *L, int newsize);
void luaD_growstack(lua_State *L, int n);

// Written by the parser: compiles a source chunk into its main prototype.
Proto *luaY_parser(lua_State *L, ZIO *z, Mbuffer *buff);
// Written by the lexer: interns and numbers the reserved words (called when a state opens).
void luaX_init(lua_State *L);
