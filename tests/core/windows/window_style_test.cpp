// Creation keys: the lookup order through the default style chain and the conversions.
#include "core/windows/window_style.h"

#include <gtest/gtest.h>

#include "tests/core/windows/window_test_support.h"

namespace {

using window_test::WindowFixture;

class WindowStyleTest : public WindowFixture {
 protected:
  // Runs the getter over a table built from the constructor and checks the stack is kept.
  template <typename F>
  auto With(const std::string& constructor, F getter) {
    std::unique_ptr<TLuaTable> table(Table(constructor));
    TWindowStyle style(table.get());
    int top = lua_gettop(L());
    auto value = getter(style);
    EXPECT_EQ(lua_gettop(L()), top);
    return value;
  }
};

TEST_F(WindowStyleTest, KeysComeFromTheTableThenTheDefaultStyleChainButNotTheTablesParent) {
  Run("gCurrentDefaultStyle = { a = 'style', parent = { b = 'one up', parent = { parent = { d = 'three up' } } } }");
  struct Case {
    const char* table;
    const char* key;
    const char* expected;
  } cases[] = {
      {"{ a = 'own' }", "a", "own"},
      {"{}", "a", "style"},
      {"{}", "b", "one up"},
      {"{}", "d", "three up"},
      {"{ parent = { e = 'table parent' } }", "e", "absent"},
      {"{}", "missing", "absent"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(std::string(With(c.table, [&](TWindowStyle& s) { return s.GetString(c.key, "absent"); }).c_str()),
              c.expected);
  }
  Run("gCurrentDefaultStyle = 5");
  EXPECT_EQ(With("{}", [](TWindowStyle& s) { return s.GetString("a", "absent"); }), TStr("absent"));
  // A chain that loops back on itself ends the search instead of hanging.
  Run("local s = { }; s.parent = s; gCurrentDefaultStyle = s");
  EXPECT_EQ(With("{}", [](TWindowStyle& s) { return s.GetInt("w", -3); }), -3);
}

TEST_F(WindowStyleTest, ConversionsTruncateAndReadBooleansStrictly) {
  EXPECT_EQ(With("{ v = 12.9 }", [](TWindowStyle& s) { return s.GetInt("v", 0); }), 12);
  EXPECT_EQ(With("{ v = -12.9 }", [](TWindowStyle& s) { return s.GetInt("v", 0); }), -12);
  EXPECT_EQ(With("{ v = 1e20 }", [](TWindowStyle& s) { return s.GetInt("v", 0); }), INT32_MAX);
  EXPECT_EQ(With("{ v = '7' }", [](TWindowStyle& s) { return s.GetNumber("v", 0); }), 7);
  EXPECT_EQ(With("{ v = 3 }", [](TWindowStyle& s) { return s.GetString("v", ""); }), TStr("3"));
  struct BoolCase {
    const char* table;
    bool expected;
  } bools[] = {{"{ fit = true }", true}, {"{ fit = 2 }", true}, {"{ fit = 0 }", false},
               {"{ fit = false }", false}, {"{ fit = 'yes' }", false}, {"{ fit = {} }", false},
               {"{}", true}};
  for (const BoolCase& c : bools) {
    SCOPED_TRACE(c.table);
    EXPECT_EQ(With(c.table, [](TWindowStyle& s) { return s.GetBool("fit", true); }), c.expected);
  }
  std::string log = Log();
  EXPECT_NE(log.find("PopBool used on lua string yes"), std::string::npos);
  EXPECT_NE(log.find("PopBool used on a type that isn't a number, a boolean, or nil. (type: 5)"), std::string::npos);
}

TEST_F(WindowStyleTest, ColoursTablesAndFunctions) {
  TColor c = With("{ color = { 0.5, 0.25 } }", [](TWindowStyle& s) { return s.GetColor("color", TColor(1, 1, 1, 1)); });
  EXPECT_EQ(c.r, 0.5f);
  EXPECT_EQ(c.g, 0.25f);
  EXPECT_EQ(c.b, 0.0f);
  EXPECT_EQ(c.a, 0.0f);
  TColor d = With("{}", [](TWindowStyle& s) { return s.GetColor("color", TColor(1, 2, 3, 4)); });
  EXPECT_EQ(d.a, 4.0f);
  std::unique_ptr<TLuaTable> font(With("{ font = { 'face', 20 } }", [](TWindowStyle& s) { return s.GetTable("font"); }));
  ASSERT_TRUE(font);
  EXPECT_EQ(font->GetStringAt(1, ""), TStr("face"));
  EXPECT_EQ(With("{ font = 3 }", [](TWindowStyle& s) { return s.GetTable("font"); }), nullptr);
  std::unique_ptr<TLuaFunction> f(With("{ command = function() called = 1 end }",
                                       [](TWindowStyle& s) { return s.GetFunction("command"); }));
  ASSERT_TRUE(f);
  f->Call();
  lua_pop(L(), 1);
  EXPECT_EQ(GlobalNumber("called"), 1);
  EXPECT_EQ(With("{}", [](TWindowStyle& s) { return s.GetFunction("command"); }), nullptr);
}

}  // namespace
