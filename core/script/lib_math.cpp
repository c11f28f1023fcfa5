// Math library; random numbers come from the project's generator with the original platform's
// range 0..32767, and the global __pow serves the `^' operator.
#include <cmath>
#include <cstdint>

#include "core/base/crt_rand.h"
#include "core/script/lib_aux.h"

namespace {

const double kPi = 3.141592653589793;
const double kRadian = kPi / 180.0;

#define MATH1(name, expr)                  \
  int M_##name(lua_State *L) {             \
    double x = luaL_checknumber(L, 1);     \
    lua_pushnumber(L, (expr));             \
    return 1;                              \
  }

MATH1(abs, std::fabs(x))
MATH1(sin, std::sin(x))
MATH1(cos, std::cos(x))
MATH1(tan, std::tan(x))
MATH1(asin, std::asin(x))
MATH1(acos, std::acos(x))
MATH1(atan, std::atan(x))
MATH1(ceil, std::ceil(x))
MATH1(floor, std::floor(x))
MATH1(sqrt, std::sqrt(x))
MATH1(log, std::log(x))
MATH1(log10, std::log10(x))
MATH1(exp, std::exp(x))
MATH1(deg, x / kRadian)
MATH1(rad, x * kRadian)

int M_atan2(lua_State *L) {
  lua_pushnumber(L, std::atan2(luaL_checknumber(L, 1), luaL_checknumber(L, 2)));
  return 1;
}

int M_mod(lua_State *L) {
  lua_pushnumber(L, std::fmod(luaL_checknumber(L, 1), luaL_checknumber(L, 2)));
  return 1;
}

int M_pow(lua_State *L) {
  lua_pushnumber(L, std::pow(luaL_checknumber(L, 1), luaL_checknumber(L, 2)));
  return 1;
}

int M_frexp(lua_State *L) {
  int e;
  lua_pushnumber(L, std::frexp(luaL_checknumber(L, 1), &e));
  lua_pushnumber(L, e);
  return 2;
}

int M_ldexp(lua_State *L) {
  lua_pushnumber(L, std::ldexp(luaL_checknumber(L, 1), luaL_checkint(L, 2)));
  return 1;
}

int M_min(lua_State *L) {
  int n = lua_gettop(L);
  lua_Number dmin = luaL_checknumber(L, 1);
  for (int i = 2; i <= n; i++) {
    lua_Number d = luaL_checknumber(L, i);
    if (d < dmin) dmin = d;
  }
  lua_pushnumber(L, dmin);
  return 1;
}

int M_max(lua_State *L) {
  int n = lua_gettop(L);
  lua_Number dmax = luaL_checknumber(L, 1);
  for (int i = 2; i <= n; i++) {
    lua_Number d = luaL_checknumber(L, i);
    if (d > dmax) dmax = d;
  }
  lua_pushnumber(L, dmax);
  return 1;
}

int M_random(lua_State *L) {
  // The original's modulo keeps 32767 itself out, so r lies in [0, 1).
  lua_Number r = (lua_Number)(OrvellaRand() % kOrvellaRandMax) / (lua_Number)kOrvellaRandMax;
  switch (lua_gettop(L)) {
    case 0:
      lua_pushnumber(L, r);
      break;
    case 1: {
      int u = luaL_checkint(L, 1);
      luaL_argcheck(L, 1 <= u, 1, "interval is empty");
      lua_pushnumber(L, std::floor(r * u) + 1);
      break;
    }
    case 2: {
      int l = luaL_checkint(L, 1);
      int u = luaL_checkint(L, 2);
      luaL_argcheck(L, l <= u, 2, "interval is empty");
      lua_pushnumber(L, std::floor(r * ((double)u - l + 1)) + l);
      break;
    }
    default:
      return luaL_error(L, "wrong number of arguments");
  }
  return 1;
}

int M_randomseed(lua_State *L) {
  OrvellaSrand((uint32_t)luaL_checkint(L, 1));
  return 0;
}

const luaL_reg kMathFunctions[] = {
    {"abs", M_abs},       {"sin", M_sin},     {"cos", M_cos},     {"tan", M_tan},
    {"asin", M_asin},     {"acos", M_acos},   {"atan", M_atan},   {"atan2", M_atan2},
    {"ceil", M_ceil},     {"floor", M_floor}, {"mod", M_mod},     {"frexp", M_frexp},
    {"ldexp", M_ldexp},   {"sqrt", M_sqrt},   {"min", M_min},     {"max", M_max},
    {"log", M_log},       {"log10", M_log10}, {"exp", M_exp},     {"deg", M_deg},
    {"pow", M_pow},       {"rad", M_rad},     {"random", M_random}, {"randomseed", M_randomseed},
    {nullptr, nullptr},
};

}  // namespace

int luaopen_math(lua_State *L) {
  luaL_openlib(L, "math", kMathFunctions, 0);
  lua_pushliteral(L, "pi");
  lua_pushnumber(L, kPi);
  lua_settable(L, -3);
  lua_pushliteral(L, "__pow");
  lua_pushcfunction(L, M_pow);
  lua_settable(L, LUA_GLOBALSINDEX);
  return 1;
}
