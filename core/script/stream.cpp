// The input stream over a chunk reader and the growable work buffer.
#include <cstring>

#include "core/script/mem.h"
#include "core/script/stream.h"

int luaZ_fill(ZIO *z) {
  size_t size;
  const char *buff;
  if (z->restn > 0) {
    buff = z->restp;
    size = z->restn;
    z->restn = 0;
  } else {
    buff = z->reader(z->L, z->data, &size);
  }
  if (buff == NULL || size == 0) {
    z->n = 0;  // stays at the end however often it is asked again
    return EOZ;
  }
  z->n = size - 1;
  z->p = buff;
  return char2int(*(z->p++));
}

int luaZ_lookahead(ZIO *z) {
  if (z->n == 0) {
    int c = luaZ_fill(z);
    if (c == EOZ) return EOZ;
    z->n++;
    z->p--;
  }
  return char2int(*z->p);
}

int luaZ_peek2(ZIO *z) {
  int c0 = luaZ_lookahead(z);
  if (c0 == EOZ) return -1;
  if (z->n >= 2) return c0 | (char2int(z->p[1]) << 8);
  // One byte left in this block: join it with the next block in a private buffer so the two
  // bytes stay unconsumed.
  z->join[0] = *z->p;
  size_t size;
  const char *buff;
  if (z->restn > 0) {
    buff = z->restp;
    size = z->restn;
    z->restn = 0;
  } else {
    buff = z->reader(z->L, z->data, &size);
  }
  if (buff == NULL || size == 0) {
    z->p = z->join;
    z->n = 1;
    return -1;
  }
  size_t take = size < sizeof(z->join) - 1 ? size : sizeof(z->join) - 1;
  std::memcpy(z->join + 1, buff, take);
  z->p = z->join;
  z->n = 1 + take;
  z->restp = buff + take;
  z->restn = size - take;
  return char2int(z->join[0]) | (char2int(z->join[1]) << 8);
}

void luaZ_init(ZIO *z, lua_Chunkreader reader, void *data, const char *name, lua_State *L) {
  z->reader = reader;
  z->data = data;
  z->name = name;
  z->n = 0;
  z->p = NULL;
  z->wide = 0;
  z->L = L;
  z->restp = NULL;
  z->restn = 0;
}

size_t luaZ_read(ZIO *z, void *b, size_t n) {
  while (n) {
    if (luaZ_lookahead(z) == EOZ) return n;  // return number of missing bytes
    size_t m = (n <= z->n) ? n : z->n;  // min. between n and z->n
    std::memcpy(b, z->p, m);
    z->n -= m;
    z->p += m;
    b = (char *)b + m;
    n -= m;
  }
  return 0;
}

char *luaZ_openspace(lua_State *L, Mbuffer *buff, size_t n) {
  if (n > buff->size) {
    if (n < LUA_MINBUFFER) n = LUA_MINBUFFER;
    luaZ_resizebuffer(L, buff, n);
  }
  return buff->buffer;
}
