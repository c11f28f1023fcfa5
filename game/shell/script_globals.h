// Where the game's native script functions live: the window manager's script state. Every game
// area binds its functions through RegisterLuaFunction / RegisterLuaMember on this state and
// removes them with UnbindScriptGlobal.
#pragma once

#include "core/base/str.h"
#include "core/script/lua.h"

// Null while there is no window manager or script.
lua_State* GameScriptState();
// The global becomes nil, so a script that calls it afterwards meets a plain script error.
void UnbindScriptGlobal(const char* name);

// The framework string table's text of a label (through the window manager's host), with its
// percent arguments filled; its missing-label text when the label is absent.
TStr FrameworkString(TStr label, TStr a1 = TStr(), TStr a2 = TStr(), TStr a3 = TStr());
