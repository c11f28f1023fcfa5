// TLuaObjectWrapper: a native handle on one script value, anchored in the registry under the
// handle's own address (so handles are neither copied nor moved).
#pragma once

#include "core/base/str.h"
#include "core/script/lua.h"

class TLuaObjectWrapper {
 public:
  // Takes the value on top of the stack (popped).
  explicit TLuaObjectWrapper(lua_State* L);
  virtual ~TLuaObjectWrapper();
  TLuaObjectWrapper(const TLuaObjectWrapper&) = delete;
  TLuaObjectWrapper& operator=(const TLuaObjectWrapper&) = delete;

  lua_State* GetState() const { return mL; }
  // Pushes the anchored value.
  void Push() const;
  // The pointer the value holds as userdata (null for nil and non-pointer values).
  void* GetUserData() const;
  // The value as text (numbers converted), empty when it has none; the stack is unchanged.
  TStr AsString() const;
  // Hands the handle to the running script, which deletes it before its next call or resume.
  void AutoRelease();

 protected:
  lua_State* mL;
};

// The pointer a value holds: null for nil, a light userdata's pointer, a full userdata's
// payload or boxed pointer.
void* LuaToObject(lua_State* L, int index);
