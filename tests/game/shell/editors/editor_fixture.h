// The authoring windows on the world's test surroundings (a window manager with its script and
// a recording host, the sprite tests' assets), with the editors' window classes registered.
#pragma once

#include <string>

#include "core/windows/message.h"
#include "core/windows/widgets/slider.h"
#include "core/windows/widgets/text_edit.h"
#include "tests/game/shell/world/world_fixture.h"

class EditorFixture : public WorldFixture {
 protected:
  void SetUp() override {
    WorldFixture::SetUp();
    TGameSetup setup;
    ProvideEditors(setup);
    for (const char* key : {"BitmapTint", "CurveEditor", "RecipeCreator", "RecipeDesigner", "SignEditor"})
      manager->RegisterWindowClass(key, setup.GetWindowClass(key));
  }
  // A key press as the platform delivers it.
  void Key(int32_t type, int32_t code) {
    TPlatformEvent e;
    e.type = type;
    e.param = code;
    manager->HandleEvent(e);
  }
  // The global as text ("nil", "function" or its value).
  std::string Global(const char* name) {
    Run(std::string("gText = type(") + name + ") == 'function' and 'function' or tostring(" + name + ")");
    TStr text;
    lua_State* L = script->GetState();
    lua_pushstring(L, "gText");
    lua_gettable(L, LUA_GLOBALSINDEX);
    std::string out = lua_tostring(L, -1) ? lua_tostring(L, -1) : "?";
    lua_pop(L, 1);
    return out;
  }
  // The slider's value set as a player would, telling its owners.
  void Slide(const char* name, float value) {
    TWindow* found = Find(name);
    ASSERT_TRUE(found && found->IsKindOf(&TSlider::GetFactory)) << name;
    static_cast<TSlider*>(found)->SetValue(value, false);
  }
  void Type(const char* name, const char* text) {
    TWindow* found = Find(name);
    ASSERT_TRUE(found && found->IsKindOf(&TTextEdit::GetFactory)) << name;
    static_cast<TTextEdit*>(found)->SetText(text);
  }
};
