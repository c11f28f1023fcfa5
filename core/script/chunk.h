// Precompiled chunks: loading (with its checks) and writing.
#pragma once

#include "core/script/object.h"
#include "core/script/stream.h"

#define LUA_SIGNATURE "\033Lua"
#define VERSION 0x50
#define VERSION0 0x50
#define TEST_NUMBER ((lua_Number)3.14159265358979323846e7)

// Loads a precompiled chunk (the stream is positioned at its first byte).
Proto *luaU_undump(lua_State *L, ZIO *Z, Mbuffer *buff);
// Writes the chunk of `Main' through the writer.
void luaU_dump(lua_State *L, const Proto *Main, lua_Chunkwriter w, void *data);
int luaU_endianness(void);
