// Native functions as script globals: argument readers, result writers and one adapter per
// signature (generated from the signature), bound through a userdata box as upvalue 1.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/base/color.h"
#include "core/base/saturate.h"
#include "core/base/str.h"
#include "core/script/lua.h"
#include "core/script/lua_table.h"

// The value at index as a framework string; nil and values that are neither string nor number
// give the empty string.
TStr GetLuaString(lua_State* L, int index);
void PushLuaString(lua_State* L, const TStr& s);
// Pops the top value: a table gives entries 1 to 4 as red, green, blue and alpha (missing or
// non-numeric ones 0); anything else gives transparent black.
TColor PopLuaColor(lua_State* L);
// A handle on a copy of the value at index. Made while a bound native function runs on the
// state, it stays valid until that function returns and is then released by the running
// script at its next call or resume; made elsewhere, it goes to the running script at once.
TLuaTable* GetLuaTable(lua_State* L, int index);

namespace lua_binding {

// One bound native function running. A script run nested in the native (DoLuaString, Resume)
// deletes the running script's temporaries, so the table handles the call makes stay here
// until it returns; an error leaving the call deletes them.
class NativeCall {
 public:
  explicit NativeCall(lua_State* L);
  ~NativeCall();
  NativeCall(const NativeCall&) = delete;
  NativeCall& operator=(const NativeCall&) = delete;

  // Hands the call's handles to the running script; for a call that returned.
  void Release();
  // The innermost running call on L's state (null outside bound functions).
  static NativeCall* Innermost(lua_State* L);
  void Keep(TLuaObjectWrapper* handle) { mHandles.push_back(handle); }

 private:
  const void* mGlobal;  // the state's shared part: coroutines of one state share temporaries
  NativeCall* mOuter;
  std::vector<TLuaObjectWrapper*> mHandles;
};

// Only calls that can make table handles pay for the bookkeeping: typed ones with a table
// parameter, and raw ones (they may call GetLuaTable themselves).
template <bool kMakesTables, typename F>
int RunNative(lua_State* L, F&& body) {
  if constexpr (kMakesTables) {
    NativeCall call(L);
    int results = body();
    call.Release();
    return results;
  } else {
    return body();
  }
}

template <typename... Args>
constexpr bool kTakesTable = (std::is_same_v<std::decay_t<Args>, TLuaTable*> || ...);

template <typename T, typename Enable = void>
struct Arg;

template <>
struct Arg<TStr> {
  static TStr Get(lua_State* L, int i) { return GetLuaString(L, i); }
};
template <>
struct Arg<const TStr&> : Arg<TStr> {};
// Byte strings with their length, NUL bytes included (TStr ends at the first NUL).
template <>
struct Arg<std::string> {
  static std::string Get(lua_State* L, int i) {
    int t = lua_type(L, i);
    if (t != LUA_TSTRING && t != LUA_TNUMBER) return std::string();
    const char* s = lua_tostring(L, i);
    return std::string(s, lua_strlen(L, i));
  }
};
template <>
struct Arg<TLuaTable*> {
  static TLuaTable* Get(lua_State* L, int i) { return GetLuaTable(L, i); }
};
template <>
struct Arg<bool> {
  static bool Get(lua_State* L, int i) { return lua_toboolean(L, i) != 0; }
};
template <>
struct Arg<double> {
  static double Get(lua_State* L, int i) { return lua_tonumber(L, i); }
};
template <>
struct Arg<float> {
  static float Get(lua_State* L, int i) { return (float)lua_tonumber(L, i); }
};
// Integers truncate toward zero and saturate (NaN gives 0).
template <>
struct Arg<int> {
  static int Get(lua_State* L, int i) { return SaturateToInt32(lua_tonumber(L, i)); }
};
template <>
struct Arg<uint32_t> {
  static uint32_t Get(lua_State* L, int i) { return SaturateToUInt32(lua_tonumber(L, i)); }
};
// Object pointers: null for nil, else the userdata's pointer.
template <typename T>
struct Arg<T*, std::enable_if_t<!std::is_same_v<T, TLuaTable>>> {
  static T* Get(lua_State* L, int i) {
    return lua_isnil(L, i) ? nullptr : static_cast<T*>(lua_touserdata(L, i));
  }
};

template <typename R>
struct Result {
  static int Push(lua_State* L, R r) {
    if constexpr (std::is_same_v<R, bool>) {
      lua_pushboolean(L, r);
    } else if constexpr (std::is_same_v<std::decay_t<R>, TStr>) {
      PushLuaString(L, r);
    } else if constexpr (std::is_same_v<std::decay_t<R>, std::string>) {
      lua_pushlstring(L, r.data(), r.size());
    } else {
      static_assert(std::is_arithmetic_v<R>, "result must be a number, boolean or TStr");
      lua_pushnumber(L, (lua_Number)r);  // unsigned values stay non-negative
    }
    return 1;
  }
};

// Reads the arguments from index 1 on, in order.
template <typename... Args, size_t... I>
std::tuple<std::decay_t<Args>...> ReadArgs([[maybe_unused]] lua_State* L, std::index_sequence<I...>) {
  return std::tuple<std::decay_t<Args>...>{Arg<std::decay_t<Args>>::Get(L, (int)I + 1)...};
}

template <typename R, typename F, typename Tuple>
int CallAndPush(lua_State* L, F&& f, Tuple& args) {
  if constexpr (std::is_void_v<R>) {
    std::apply(f, args);
    return 0;
  } else {
    return Result<R>::Push(L, std::apply(f, args));
  }
}

template <typename R, typename... Args>
struct FreeBox {
  R (*fn)(Args...);
};

template <typename C, typename R, typename... Args>
struct MemberBox {
  C* object;
  R (C::*fn)(Args...);
};

template <typename R, typename... Args>
int FreeAdapter(lua_State* L) {
  auto* box = static_cast<FreeBox<R, Args...>*>(lua_touserdata(L, lua_upvalueindex(1)));
  return RunNative<kTakesTable<Args...>>(L, [&] {
    auto args = ReadArgs<Args...>(L, std::index_sequence_for<Args...>{});
    return CallAndPush<R>(L, box->fn, args);
  });
}

template <typename C, typename R, typename... Args>
int MemberAdapter(lua_State* L) {
  auto* box = static_cast<MemberBox<C, R, Args...>*>(lua_touserdata(L, lua_upvalueindex(1)));
  C* object = box->object;
  auto fn = box->fn;
  return RunNative<kTakesTable<Args...>>(L, [&] {
    auto args = ReadArgs<Args...>(L, std::index_sequence_for<Args...>{});
    return CallAndPush<R>(L, [object, fn](auto&&... a) -> R { return (object->*fn)(a...); }, args);
  });
}

template <typename C>
struct RawBox {
  C* object;
  int (C::*fn)(lua_State*);
};

template <typename C>
int RawAdapter(lua_State* L) {
  auto* box = static_cast<RawBox<C>*>(lua_touserdata(L, lua_upvalueindex(1)));
  return RunNative<true>(L, [&] { return (box->object->*(box->fn))(L); });
}

template <typename Box>
void Bind(lua_State* L, const char* name, const Box& box, lua_CFunction adapter) {
  lua_pushstring(L, name);
  void* p = lua_newuserdata(L, sizeof(Box));
  new (p) Box(box);
  lua_pushcclosure(L, adapter, 1);
  lua_settable(L, LUA_GLOBALSINDEX);
}

}  // namespace lua_binding

// Binds a free function as the global `name' of the state.
template <typename R, typename... Args>
void RegisterLuaFunction(lua_State* L, const char* name, R (*fn)(Args...)) {
  lua_binding::Bind(L, name, lua_binding::FreeBox<R, Args...>{fn}, &lua_binding::FreeAdapter<R, Args...>);
}

// Binds a member function of an object that outlives every script call reaching the name.
template <typename C, typename R, typename... Args>
void RegisterLuaMember(lua_State* L, const char* name, C* object, R (C::*fn)(Args...)) {
  lua_binding::Bind(L, name, lua_binding::MemberBox<C, R, Args...>{object, fn},
                    &lua_binding::MemberAdapter<C, R, Args...>);
}

// A member that reads the stack itself and returns its result count.
template <typename C>
void RegisterLuaRawMember(lua_State* L, const char* name, C* object, int (C::*fn)(lua_State*)) {
  lua_binding::Bind(L, name, lua_binding::RawBox<C>{object, fn}, &lua_binding::RawAdapter<C>);
}
