// The input stream read by the lexer and the chunk loader, and the growable byte buffer.
#pragma once

#include "core/script/script_limits.h"

#define EOZ (-1)  // end of stream

typedef struct Zio ZIO;

#define char2int(c) ((int)((unsigned char)(c)))
#define zgetc(z) (((z)->n--) > 0 ? char2int(*(z)->p++) : luaZ_fill(z))

#define zname(z) ((z)->name)

struct Zio {
  size_t n;          // bytes still unread
  const char *p;     // current position in buffer
  lua_Chunkreader reader;
  void *data;        // additional data
  const char *name;  // chunk name
  int wide;          // set: the source is 16-bit little-endian units (after FF FE)
  lua_State *L;      // state for the reader calls
  // A two-byte peek across a block boundary leaves the bytes here; the rest of the joined block
  // follows from restp.
  char join[8];
  const char *restp;
  size_t restn;
};

void luaZ_init(ZIO *z, lua_Chunkreader reader, void *data, const char *name, lua_State *L);
size_t luaZ_read(ZIO *z, void *b, size_t n);  // read next n bytes; returns bytes missing
int luaZ_lookahead(ZIO *z);                    // next byte without consuming it, or EOZ
// Next two bytes as a little-endian 16-bit value without consuming them; -1 when the input
// ends before two bytes.
int luaZ_peek2(ZIO *z);
int luaZ_fill(ZIO *z);

// Growable buffer.
struct Mbuffer {
  char *buffer;
  size_t size;
};

#define luaZ_initbuffer(L, buff) ((buff)->buffer = NULL, (buff)->size = 0)
#define luaZ_sizebuffer(buff) ((buff)->size)
#define luaZ_buffer(buff) ((buff)->buffer)
#define luaZ_resizebuffer(L, buff, sz) \
  ((buff)->buffer = (char *)luaM_realloc(L, (buff)->buffer, (buff)->size, (sz)), (buff)->size = (sz))
#define luaZ_freebuffer(L, buff) luaZ_resizebuffer(L, buff, 0)

char *luaZ_openspace(lua_State *L, Mbuffer *buff, size_t n);
