// Parser of script source text: one pass over the lexer's tokens, driving the code generator
// to build one function prototype per function of a chunk.
#pragma once

struct lua_State;
struct Proto;
struct Zio;      // the runtime's input stream (with its wide flag), zio.h
struct Mbuffer;  // the runtime's growable work buffer, zio.h

// Compiles the source chunk read from z (the stream is already positioned after an FF FE mark
// and switched to wide reading when the chunk had one). Returns the main function's prototype;
// a syntax error leaves through the runtime's error throw with code 3 (LUA_ERRSYNTAX) and the
// message "%s:%d: %s near `%s'" on the stack top. The chunk name is the stream's name.
Proto* luaY_parser(lua_State* L, Zio* z, Mbuffer* buff);
