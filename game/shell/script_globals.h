// TScriptGlobals: the script functions a game object offers while it lives. Each Bind makes a
// native member a global of the window script; when the holder goes, every name it bound is
// handed back: to the binding it replaced when the name still holds its function, untouched when
// someone has bound the name since. A holder that goes while a later one still holds the name
// only leaves the line of owners, so the later one hands the name back to the owner before it.
#pragma once

#include <vector>

#include "core/base/str.h"
#include "core/script/lua.h"
#include "core/script/lua_bindings.h"

class TScriptGlobals {
 public:
  TScriptGlobals() = default;
  ~TScriptGlobals() { UnbindAll(); }
  TScriptGlobals(const TScriptGlobals&) = delete;
  TScriptGlobals& operator=(const TScriptGlobals&) = delete;

  // Binds the member as the global `name' of the window manager's script (nothing without one).
  template <typename C, typename R, typename... Args>
  void Bind(const char* name, C* object, R (C::*fn)(Args...)) {
    if (lua_State* L = BeginBind(name)) {
      RegisterLuaMember(L, name, object, fn);
      EndBind(L, name);
    }
  }
  // A member that reads the stack itself (RegisterLuaRawMember).
  template <typename C>
  void BindRaw(const char* name, C* object, int (C::*fn)(lua_State*)) {
    if (lua_State* L = BeginBind(name)) {
      RegisterLuaRawMember(L, name, object, fn);
      EndBind(L, name);
    }
  }
  // Hands back every name bound so far (also done by the destructor).
  void UnbindAll();

 private:
  lua_State* BeginBind(const char* name);
  void EndBind(lua_State* L, const char* name);
  void Unbind(lua_State* L, const TStr& name);

  lua_State* mL = nullptr;  // the state the names live in
  std::vector<TStr> mNames;
};
