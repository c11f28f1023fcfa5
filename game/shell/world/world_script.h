// What the world's windows share of the window script: its global tables and their fields read
// without raising, and calls back into it from native code.
#pragma once

#include <memory>

#include "core/base/str.h"
#include "core/script/lua_table.h"

class TLuaFunction;

// A global table of the window script, or null (no script, no such table).
std::unique_ptr<TLuaTable> GlobalTable(const char* name);
// A table field of a table that may be missing, or null.
std::unique_ptr<TLuaTable> Field(const std::unique_ptr<TLuaTable>& table, const char* key);
// Calls f(TLuaTable&) with each value of the table that is a table, in table order.
template <typename F>
void ForEachTableValue(TLuaTable& list, F f) {
  lua_State* L = list.GetState();
  TLuaObjectWrapper* key = nullptr;
  while (TLuaObjectWrapper* value = list.Next(&key)) {
    value->Push();
    delete value;
    if (!lua_istable(L, -1)) {
      lua_pop(L, 1);
      continue;
    }
    TLuaTable entry(L);
    f(entry);
  }
}
// Runs the function in the window script: its coroutine takes the call when it waits for a
// message (so the function may wait in turn), otherwise it is called here. Functions of another
// state are ignored.
void RunScriptFunction(TLuaFunction& function);
// Runs statements in the window script (nothing without one).
void RunScriptText(TStr text);
