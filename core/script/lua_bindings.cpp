// Argument readers and result writer shared by the native-function adapters.
#include "core/script/lua_bindings.h"

#include <memory>

#include "core/script/state.h"

namespace {

// Bound calls nest on the C stack, innermost first; states may run on several threads.
thread_local lua_binding::NativeCall* gInnermost = nullptr;

}  // namespace

TStr GetLuaString(lua_State* L, int index) {
  int t = lua_type(L, index);
  if (t != LUA_TSTRING && t != LUA_TNUMBER) return TStr("");
  const char* s = lua_tostring(L, index);
  return TStr(s, (int)lua_strlen(L, index));
}

void PushLuaString(lua_State* L, const TStr& s) { lua_pushlstring(L, s.c_str(), (size_t)s.Length()); }

TColor PopLuaColor(lua_State* L) {
  TColor c;
  if (lua_istable(L, -1)) {
    float* parts[4] = {&c.r, &c.g, &c.b, &c.a};
    for (int i = 0; i < 4; i++) {
      lua_rawgeti(L, -1, i + 1);
      *parts[i] = (float)lua_tonumber(L, -1);
      lua_pop(L, 1);
    }
  }
  lua_pop(L, 1);
  return c;
}

TLuaTable* GetLuaTable(lua_State* L, int index) {
  lua_pushvalue(L, index);
  std::unique_ptr<TLuaTable> t(new TLuaTable(L));  // deleted if the hand-over fails
  if (lua_binding::NativeCall* call = lua_binding::NativeCall::Innermost(L))
    call->Keep(t.get());
  else
    t->AutoRelease();
  return t.release();
}

namespace lua_binding {

NativeCall::NativeCall(lua_State* L) : mGlobal(G(L)), mOuter(gInnermost) { gInnermost = this; }

NativeCall::~NativeCall() {
  gInnermost = mOuter;
  // Only an error leaves handles here: nothing can reach them once the call is gone, and
  // clearing an anchor neither allocates nor raises, so it is safe while unwinding.
  for (TLuaObjectWrapper* h : mHandles) delete h;
}

void NativeCall::Release() {
  // One at a time, so that a failed hand-over leaves the rest to the destructor.
  while (!mHandles.empty()) {
    mHandles.back()->AutoRelease();
    mHandles.pop_back();
  }
}

NativeCall* NativeCall::Innermost(lua_State* L) {
  for (NativeCall* call = gInnermost; call; call = call->mOuter)
    if (call->mGlobal == G(L)) return call;
  return nullptr;
}

}  // namespace lua_binding
