// TLuaTable: a handle on a script table with typed accessors. The accessors never raise script
// errors (metamethod failures read as nil) and leave the stack as they found it.
#pragma once

#include "core/base/color.h"
#include "core/script/lua_object_wrapper.h"

class TLuaFunction;

class TLuaTable : public TLuaObjectWrapper {
 public:
  explicit TLuaTable(lua_State* L) : TLuaObjectWrapper(L) {}

  // True with the field on top of the stack when it is not nil; false with nothing left.
  bool Get(const char* key);
  bool GetAt(double index);

  TStr GetString(const char* key, TStr def);
  TStr GetStringAt(double index, TStr def);
  double GetNumber(const char* key, double def);
  double GetNumberAt(double index, double def);
  bool GetBool(const char* key, bool def);
  // New handles (the caller deletes them), null when the field has another type.
  TLuaFunction* GetFunction(const char* key);
  TLuaTable* GetTable(const char* key);
  TLuaTable* GetTableAt(double index);
  TColor GetColor(const char* key, const TColor& def);
  TColor GetColorAt(double index, const TColor& def);
  void SetStringAt(double index, TStr value);
  // Length as lua_getn counts it.
  int GetSize();
  // One traversal step. *key holds the previous key handle (null to start) and is deleted;
  // returns the value handle and stores the new key handle, or returns null at the end with
  // *key set to null.
  TLuaObjectWrapper* Next(TLuaObjectWrapper** key);

 private:
  // Pushes table[key] (key on top of the stack, popped) without raising.
  void SafeGet();
  TStr ValueString();
  double ValueNumber();
  TColor ReadColor(const TColor& def);
};
