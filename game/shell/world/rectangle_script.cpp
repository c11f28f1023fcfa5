// SetRectangleColor. The first rectangle made binds it; it stays bound for the rest of the game
// (it finds no rectangle when none is open).
#include <memory>

#include "core/script/lua_table.h"
#include "core/windows/window_manager.h"
#include "game/shell/script_globals.h"
#include "game/shell/world/rectangle.h"

namespace {

class RectangleFunctions {
 public:
  RectangleFunctions() { mGlobals.Bind("SetRectangleColor", this, &RectangleFunctions::SetColor); }

 private:
  void SetColor(TStr name, TLuaTable* colour) { SetRectangleColor(name, colour); }

  TScriptGlobals mGlobals;
};

std::unique_ptr<RectangleFunctions>& Functions() {
  static std::unique_ptr<RectangleFunctions> functions;
  return functions;
}

bool IsBound(lua_State* L) {
  lua_pushstring(L, "SetRectangleColor");
  lua_rawget(L, LUA_GLOBALSINDEX);
  bool bound = lua_isfunction(L, -1);
  lua_pop(L, 1);
  return bound;
}

}  // namespace

void SetRectangleColor(TStr name, TLuaTable* colour) {
  TWindowManager* manager = TWindowManager::Get();
  TWindow* top = manager ? manager->GetTopModal() : nullptr;
  TWindow* window = top ? top->FindChild(name, -1) : nullptr;
  if (!window || !window->IsKindOf(&TRectangle::Create) || !colour) return;
  TColor c((float)colour->GetNumberAt(1, 0), (float)colour->GetNumberAt(2, 0), (float)colour->GetNumberAt(3, 0),
           (float)colour->GetNumberAt(4, 0));
  static_cast<TRectangle*>(window)->SetColour(c);
}

void BindRectangleFunctions() {
  TWindowManager* manager = TWindowManager::Get();
  lua_State* L = manager ? manager->GetScriptState() : nullptr;
  if (!L || IsBound(L)) return;
  Functions() = std::make_unique<RectangleFunctions>();
}

void UnbindRectangleFunctions() { Functions().reset(); }
