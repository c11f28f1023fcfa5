// What the world's windows share of the window script: its global tables and their fields read
// without raising, and calls back into it from native code.
#pragma once

#include <memory>

#include "core/base/str.h"

class TLuaFunction;
class TLuaTable;

// A global table of the window script, or null (no script, no such table).
std::unique_ptr<TLuaTable> GlobalTable(const char* name);
// A table field of a table that may be missing, or null.
std::unique_ptr<TLuaTable> Field(const std::unique_ptr<TLuaTable>& table, const char* key);
// Runs the function in the window script: its coroutine takes the call when it waits for a
// message (so the function may wait in turn), otherwise it is called here. Functions of another
// state are ignored.
void RunScriptFunction(TLuaFunction& function);
// Runs statements in the window script (nothing without one).
void RunScriptText(TStr text);
