// Table library: concat, foreach, foreachi, getn, setn, sort, insert, remove; sizes follow the
// auxiliary library's getn (field "n", the recorded size, then the core's size rule).
#include <climits>
#include <cstdint>

#include "core/script/lib_aux.h"

namespace {

int aux_getn(lua_State *L, int t) {
  luaL_checktype(L, t, LUA_TTABLE);
  return luaL_getn(L, t);
}

int T_foreachi(lua_State *L) {
  int n = aux_getn(L, 1);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  for (int64_t i = 1; i <= n; i++) {  // 64-bit: a size of INT_MAX must not wrap the counter
    lua_pushvalue(L, 2);
    lua_pushnumber(L, (lua_Number)i);
    lua_rawgeti(L, 1, (int)i);
    lua_call(L, 2, 1);
    if (!lua_isnil(L, -1)) return 1;
    lua_pop(L, 1);
  }
  return 0;
}

int T_foreach(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  lua_pushnil(L);
  while (lua_next(L, 1)) {
    lua_pushvalue(L, 2);
    lua_pushvalue(L, -3);  // key
    lua_pushvalue(L, -3);  // value
    lua_call(L, 2, 1);
    if (!lua_isnil(L, -1)) return 1;
    lua_pop(L, 2);  // result and value; the key stays for the next step
  }
  return 0;
}

int T_getn(lua_State *L) {
  lua_pushnumber(L, (lua_Number)aux_getn(L, 1));
  return 1;
}

int T_setn(lua_State *L) {
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_setn(L, 1, luaL_checkint(L, 2));
  return 0;
}

// Above this many places a shift walks the table's own entries instead of every position.
const int64_t kDenseShift = 1 << 20;

// Moves t[first..last] one place up (dir 1) or down (dir -1), as the classic place-by-place
// loop does, leaving first (up) or last (down) to the caller. A range of billions of empty
// places (a size set near 2^31, a negative position) costs only the entries the table holds.
void shift(lua_State *L, int first, int last, int dir) {
  if ((int64_t)last - first < kDenseShift) {
    if (dir > 0) {
      for (int k = last; k > first; k--) {
        lua_rawgeti(L, 1, k - 1);
        lua_rawseti(L, 1, k);
      }
    } else {
      for (int k = first; k < last; k++) {
        lua_rawgeti(L, 1, k + 1);
        lua_rawseti(L, 1, k);
      }
    }
    return;
  }
  // The old values of the range, by position, kept in a scratch table while the places move.
  lua_newtable(L);
  int old = lua_gettop(L);
  lua_pushnil(L);
  while (lua_next(L, 1)) {
    bool number = lua_type(L, -2) == LUA_TNUMBER;
    lua_Number k = number ? lua_tonumber(L, -2) : 0;
    if (number && k >= first && k <= last && k == (lua_Number)(int)k) {
      lua_pushvalue(L, -2);
      lua_insert(L, -2);
      lua_rawset(L, old);  // the key stays for the next step
    } else {
      lua_pop(L, 1);
    }
  }
  // Clear the places that lose their value, then write each value one place over.
  for (int pass = 0; pass < 2; pass++) {
    lua_pushnil(L);
    while (lua_next(L, old)) {
      int k = (int)lua_tonumber(L, -2);
      int to = k + dir;
      if (pass == 0) {
        if (k != (dir > 0 ? first : last)) {
          lua_pushnil(L);
          lua_rawseti(L, 1, k);
        }
      } else if (to >= first && to <= last) {
        lua_pushvalue(L, -1);
        lua_rawseti(L, 1, to);
      }
      lua_pop(L, 1);
    }
  }
  lua_pop(L, 1);
}

int T_insert(lua_State *L) {
  int v = lua_gettop(L);
  int64_t n = (int64_t)aux_getn(L, 1) + 1;
  int64_t pos;
  if (v == 2) {
    pos = n;
  } else {
    pos = luaL_checkint(L, 2);
    if (pos > n) n = pos;  // the table grows up to pos
    v = 3;
  }
  if (n > INT_MAX) return luaL_error(L, "table overflow");
  luaL_setn(L, 1, (int)n);
  if (n > pos) shift(L, (int)pos, (int)n, 1);
  lua_pushvalue(L, v);
  lua_rawseti(L, 1, (int)pos);
  return 0;
}

int T_remove(lua_State *L) {
  int n = aux_getn(L, 1);
  int pos = luaL_optint(L, 2, n);
  if (n <= 0) return 0;
  luaL_setn(L, 1, n - 1);
  lua_rawgeti(L, 1, pos);
  if (pos < n) shift(L, pos, n, -1);
  lua_pushnil(L);
  lua_rawseti(L, 1, n);
  return 1;
}

int T_concat(lua_State *L) {
  luaL_Buffer b;
  size_t lsep;
  const char *sep = luaL_optlstring(L, 2, "", &lsep);
  luaL_checktype(L, 1, LUA_TTABLE);
  int i = luaL_optint(L, 3, 1);
  int last = luaL_optint(L, 4, luaL_getn(L, 1));
  luaL_buffinit(L, &b);
  for (int64_t k = i; k <= last; k++) {  // 64-bit: a last of INT_MAX must not wrap
    lua_rawgeti(L, 1, (int)k);
    // A wide string has no narrow text to join.
    int t = lua_type(L, -1);
    luaL_argcheck(L, t == LUA_TSTRING || t == LUA_TNUMBER, 1, "table contains non-strings");
    luaL_addvalue(&b);
    if (k != last) luaL_addlstring(&b, sep, lsep);
  }
  luaL_pushresult(&b);
  return 1;
}

// ---- sort: quicksort on the array slots 1..n, median of three ----

void set2(lua_State *L, int i, int j) {
  lua_rawseti(L, 1, i);
  lua_rawseti(L, 1, j);
}

bool sort_comp(lua_State *L, int a, int b) {
  if (!lua_isnil(L, 2)) {
    lua_pushvalue(L, 2);
    lua_pushvalue(L, a - 1);  // the pushed function shifts relative indices
    lua_pushvalue(L, b - 2);
    lua_call(L, 2, 1);
    bool res = lua_toboolean(L, -1);
    lua_pop(L, 1);
    return res;
  }
  return lua_lessthan(L, a, b);
}

void auxsort(lua_State *L, int lo, int up) {
  while (lo < up) {
    // a[lo], a[mid], a[up] in order
    lua_rawgeti(L, 1, lo);
    lua_rawgeti(L, 1, up);
    if (sort_comp(L, -1, -2))
      set2(L, lo, up);
    else
      lua_pop(L, 2);
    if (up - lo == 1) break;
    int i = lo + (up - lo) / 2;  // (lo + up) / 2 without overflowing near INT_MAX
    lua_rawgeti(L, 1, i);
    lua_rawgeti(L, 1, lo);
    if (sort_comp(L, -2, -1)) {
      set2(L, i, lo);
    } else {
      lua_pop(L, 1);
      lua_rawgeti(L, 1, up);
      if (sort_comp(L, -1, -2))
        set2(L, i, up);
      else
        lua_pop(L, 2);
    }
    if (up - lo == 2) break;
    lua_rawgeti(L, 1, i);  // the pivot
    lua_pushvalue(L, -1);
    lua_rawgeti(L, 1, up - 1);
    set2(L, i, up - 1);  // pivot moves to up-1
    // invariant: a[lo..i] <= P <= a[j..up]
    i = lo;
    int j = up - 1;
    for (;;) {
      while (lua_rawgeti(L, 1, ++i), sort_comp(L, -1, -2)) {
        if (i > up) luaL_error(L, "invalid order function for sorting");
        lua_pop(L, 1);
      }
      while (lua_rawgeti(L, 1, --j), sort_comp(L, -3, -1)) {
        if (j < lo) luaL_error(L, "invalid order function for sorting");
        lua_pop(L, 1);
      }
      if (j < i) {
        lua_pop(L, 3);  // a[i], a[j] and the pivot
        break;
      }
      set2(L, i, j);
    }
    lua_rawgeti(L, 1, up - 1);
    lua_rawgeti(L, 1, i);
    set2(L, up - 1, i);
    // recurse into the smaller part, loop on the larger
    if (i - lo < up - i) {
      j = lo;
      i = i - 1;
      lo = i + 2;
    } else {
      j = i + 1;
      i = up;
      up = j - 2;
    }
    auxsort(L, j, i);
  }
}

int T_sort(lua_State *L) {
  int n = aux_getn(L, 1);
  luaL_checkstack(L, 40, "");
  if (!lua_isnoneornil(L, 2)) luaL_checktype(L, 2, LUA_TFUNCTION);
  lua_settop(L, 2);
  auxsort(L, 1, n);
  return 0;
}

const luaL_reg kTableFunctions[] = {
    {"concat", T_concat}, {"foreach", T_foreach}, {"foreachi", T_foreachi},
    {"getn", T_getn},     {"setn", T_setn},       {"sort", T_sort},
    {"insert", T_insert}, {"remove", T_remove},   {nullptr, nullptr},
};

}  // namespace

int luaopen_table(lua_State *L) {
  luaL_openlib(L, "table", kTableFunctions, 0);
  return 1;
}
