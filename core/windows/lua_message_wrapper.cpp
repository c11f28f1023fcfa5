// Message userdata and the wrapper that posts a script's message.
#include "core/windows/lua_message_wrapper.h"

#include "core/script/lua_bindings.h"

namespace {

const char kMetatableKey[] = "ksMessageMetatable";

TMessage** Box(lua_State* L, int index) { return static_cast<TMessage**>(lua_touserdata(L, index)); }

// The userdata's metatable is the registry's message metatable.
bool IsMessageUserdata(lua_State* L, int index) {
  if (lua_type(L, index) != LUA_TUSERDATA || !lua_getmetatable(L, index)) return false;
  lua_pushstring(L, kMetatableKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  bool same = lua_rawequal(L, -1, -2) != 0;
  lua_pop(L, 2);
  return same;
}

int MessageGc(lua_State* L) {
  if (!IsMessageUserdata(L, 1)) return 0;
  TMessage** box = Box(L, 1);
  delete *box;
  *box = nullptr;
  return 0;
}

int MessageIndex(lua_State* L) {
  TMessage* message = ToMessage(L, 1);
  if (!message) return 0;
  const char* key = lua_tostring(L, 2);
  if (key && lua_type(L, 2) == LUA_TSTRING) {
    TStr k(key);
    if (k == "type") {
      lua_pushnumber(L, message->GetType());
      return 1;
    }
    if (k == "name") {
      PushLuaString(L, message->GetName());
      return 1;
    }
  }
  lua_pushnil(L);
  return 1;
}

}  // namespace

TLuaMessageWrapper::TLuaMessageWrapper(lua_State* L) : TMessage(kGeneric, TStr(), nullptr), mAnchor(L) {
  if (TMessage* wrapped = GetWrapped()) {
    mType = wrapped->GetType();
    mName = wrapped->GetName();
    mWindow = wrapped->GetWindow();
  }
}

const void* TLuaMessageWrapper::ClassId() { return reinterpret_cast<const void*>(&TLuaMessageWrapper::ClassId); }

TMessage* TLuaMessageWrapper::GetWrapped() const {
  lua_State* L = mAnchor.GetState();
  mAnchor.Push();
  TMessage* message = ToMessage(L, -1);
  lua_pop(L, 1);
  return message;
}

void InstallMessageMetatable(lua_State* L) {
  lua_pushstring(L, kMetatableKey);
  lua_newtable(L);
  lua_pushliteral(L, "__gc");
  lua_pushcfunction(L, MessageGc);
  lua_rawset(L, -3);
  lua_pushliteral(L, "__index");
  lua_pushcfunction(L, MessageIndex);
  lua_rawset(L, -3);
  lua_rawset(L, LUA_REGISTRYINDEX);
}

void PushMessageUserdata(lua_State* L, TMessage* message) {
  TMessage** box = static_cast<TMessage**>(lua_newuserdata(L, sizeof(TMessage*)));
  *box = message;
  lua_pushstring(L, kMetatableKey);
  lua_rawget(L, LUA_REGISTRYINDEX);
  lua_setmetatable(L, -2);
}

TMessage* ToMessage(lua_State* L, int index) { return IsMessageUserdata(L, index) ? *Box(L, index) : nullptr; }

TMessage* UnwrapMessage(TMessage* message) {
  if (message && message->IsKindOf(TLuaMessageWrapper::ClassId())) {
    if (TMessage* wrapped = static_cast<TLuaMessageWrapper*>(message)->GetWrapped()) return wrapped;
  }
  return message;
}
