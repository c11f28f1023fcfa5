// Script tables for the game's tests: a bare script state whose expressions become TLuaTable
// handles, as creation keys and data records reach the game code.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/script/lib_aux.h"
#include "core/script/lua_table.h"
#include "tests/core/script/script_test_support.h"

class ScriptTables {
 public:
  ScriptTables() { OpenAllLibraries(L); }
  ~ScriptTables() { lua_close(L); }
  ScriptTables(const ScriptTables&) = delete;
  ScriptTables& operator=(const ScriptTables&) = delete;

  // A handle on the table the expression gives (deleted before the state closes).
  std::unique_ptr<TLuaTable> Table(const std::string& expr) {
    std::string error;
    EXPECT_EQ(script_test::RunCode(L, "return " + expr, &error), 0) << error;
    return std::make_unique<TLuaTable>(L);
  }

  lua_State* L = lua_open();
};
