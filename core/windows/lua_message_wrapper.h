// Messages as script objects: a message userdata boxes one TMessage pointer and owns it (its
// metatable, "ksMessageMetatable" in the registry, deletes it on collection and exposes
// msg.type and msg.name). TLuaMessageWrapper carries a script's message into the native
// message system: it anchors the userdata while it lives and copies its fields, so whoever
// disposes of the wrapper never touches the script's own message.
#pragma once

#include "core/script/lua.h"
#include "core/script/lua_object_wrapper.h"
#include "core/windows/message.h"

class TLuaMessageWrapper : public TMessage {
 public:
  // Takes the message userdata on top of the stack (popped).
  explicit TLuaMessageWrapper(lua_State* L);
  // Releases the anchor; the script's message lives on until collected.
  ~TLuaMessageWrapper() override {}

  const char* GetClassName() const override { return "TLuaMessageWrapper"; }
  bool IsKindOf(const void* classId) const override { return classId == ClassId() || TMessage::IsKindOf(classId); }
  static const void* ClassId();

  // The message held by the anchored userdata.
  TMessage* GetWrapped() const;
  // Pushes the anchored userdata.
  void PushUserdata() const { mAnchor.Push(); }

 private:
  TLuaObjectWrapper mAnchor;
};

// Creates the metatable in the registry (once per state).
void InstallMessageMetatable(lua_State* L);
// Pushes a new message userdata that owns the message.
void PushMessageUserdata(lua_State* L, TMessage* message);
// The message of the message userdata at index, or null when the value is not one.
TMessage* ToMessage(lua_State* L, int index);
// For a wrapper the message it carries, else the message itself.
TMessage* UnwrapMessage(TMessage* message);
