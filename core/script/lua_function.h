// TLuaFunction: a handle on a script function that native code can call.
#pragma once

#include "core/script/lua_object_wrapper.h"

class TLuaFunction : public TLuaObjectWrapper {
 public:
  explicit TLuaFunction(lua_State* L) : TLuaObjectWrapper(L) {}
  // Calls the function without arguments, _ALERT handling errors; one result (or the error
  // value) is left on the stack. Returns lua_pcall's code.
  int Call();
};
