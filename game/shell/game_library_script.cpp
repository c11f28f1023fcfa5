// The game library's script functions, in the order the scripts have always met them.
#include "core/script/lua_bindings.h"
#include "core/windows/window_manager.h"
#include "game/shell/game_library.h"
#include "game/shell/save_files.h"

void RegisterGameLibrary() {
  TWindowManager* manager = TWindowManager::Get();
  lua_State* L = manager ? manager->GetScriptState() : nullptr;
  if (!L) return;
  RegisterLuaFunction(L, "Date", &Date);
  RegisterLuaFunction(L, "DayOfYear", &DayOfYear);
  RegisterLuaFunction(L, "Dollars", &Dollars);
  RegisterLuaFunction(L, "Mod", &Mod);
  RegisterLuaFunction(L, "SetLayeredLabel", &SetLayeredLabel);
  RegisterLuaFunction(L, "SetAlpha", &SetAlpha);
  RegisterLuaFunction(L, "RandRange", &RandRange);
  RegisterLuaFunction(L, "Floor", &Floor);
  RegisterLuaFunction(L, "Pow", &Pow);
  RegisterLuaFunction(L, "FillWindow", &FillWindow);
  RegisterLuaFunction(L, "SetWindowPos", &SetWindowPosition);
  RegisterLuaFunction(L, "LoadGameString", &LoadGameString);
  RegisterLuaFunction(L, "SaveGameString", &SaveGameString);
  RegisterLuaFunction(L, "CheckConfig", &CheckConfig);
  RegisterLuaFunction(L, "LogScore", &LogScore);
  RegisterLuaFunction(L, "WriteToFile", &WriteToFile);
  RegisterLuaFunction(L, "ReadFromFile", &ReadFromFile);
  RegisterLuaFunction(L, "NextSaveFileName", &NextSaveFileName);
  RegisterLuaFunction(L, "CurrentTime", &CurrentTime);
}
