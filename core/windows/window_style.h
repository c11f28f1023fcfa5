// TWindowStyle: the read-only view of a window's creation table. A key is looked up in the
// table itself, then in the script's current default style ("gCurrentDefaultStyle") and along
// that style's "parent" links, and converted to the type the window asks for. Every getter
// leaves the script stack as it found it.
#pragma once

#include <cstdint>

#include "core/base/color.h"
#include "core/base/str.h"
#include "core/script/lua.h"

class TLuaFunction;
class TLuaTable;

class TWindowStyle {
 public:
  // Borrows the table: the creator keeps the handle alive while the style is used, and the
  // style is never kept past the call that made it (hence no copies).
  explicit TWindowStyle(TLuaTable* table) : mTable(table) {}
  virtual ~TWindowStyle() {}
  TWindowStyle(const TWindowStyle&) = delete;
  TWindowStyle& operator=(const TWindowStyle&) = delete;

  double GetNumber(const char* key, double def);
  // Truncated toward zero (saturating).
  int32_t GetInt(const char* key, int32_t def);
  TStr GetString(const char* key, TStr def);
  bool GetBool(const char* key, bool def);
  // Entries 1 to 4 of the found table; missing or non-numeric entries read 0.
  TColor GetColor(const char* key, const TColor& def);
  // New handles owned by the caller; null when absent or of another type.
  TLuaTable* GetTable(const char* key);
  TLuaFunction* GetFunction(const char* key);

  // True with the value on top of the stack, or false with the stack unchanged.
  bool Find(const char* key, bool useDefaultStyle = true);
  lua_State* GetState() const;
  TLuaTable* GetTable() const { return mTable; }

 private:
  TLuaTable* mTable;
};

// The value on top of the stack as a boolean (popped): nil false, a boolean itself, a number
// true when not 0; strings and other types are logged and read as false.
bool PopBool(lua_State* L);
