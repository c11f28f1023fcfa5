// TLuaThread: a coroutine of a script state, kept alive by a registry anchor while it exists.
#pragma once

#include "core/script/lua.h"

class TLuaObjectWrapper;

class TLuaThread {
 public:
  explicit TLuaThread(lua_State* L);
  virtual ~TLuaThread();
  TLuaThread(const TLuaThread&) = delete;
  TLuaThread& operator=(const TLuaThread&) = delete;

  lua_State* GetState() const { return mThreadState; }

 private:
  TLuaObjectWrapper* mAnchor;
  lua_State* mThreadState;
};
