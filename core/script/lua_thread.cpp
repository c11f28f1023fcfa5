// TLuaThread: creates the coroutine and anchors it until destruction.
#include "core/script/lua_thread.h"

#include "core/script/lua_object_wrapper.h"

TLuaThread::TLuaThread(lua_State* L) {
  mThreadState = lua_newthread(L);
  mAnchor = new TLuaObjectWrapper(L);  // takes the pushed thread
}

TLuaThread::~TLuaThread() { delete mAnchor; }
