// STOP-GAP for the runner only: a minimal base and coroutine library (print, assert, tostring,
// type, pcall, error, metatables, raw access, iteration, unpack, loadstring, collectgarbage,
// coroutine.*) so that the conformance corpus runs before the engine's own libraries exist.
// Replace with the real library openers once they land; nothing else may depend on this.
#pragma once

struct lua_State;

void OpenStopGapLibrary(lua_State* L);
