// The script function Transition: a description table becomes a started transition.
#include <memory>

#include "core/base/saturate.h"
#include "core/script/lua_function.h"
#include "core/script/lua_table.h"
#include "core/windows/window.h"
#include "core/windows/window_manager.h"
#include "game/shell/editors/curve.h"
#include "game/shell/window_fader.h"
#include "game/shell/world/qrn_transition.h"

namespace {

// The x that centres the window on the screen; a window wider than the screen overhangs both
// sides alike.
int32_t CentredX(TWindowManager* manager, TWindow* window) {
  TWindow* root = manager->GetScreen();
  int32_t width = root ? root->GetWidth() : 0;
  return (int32_t)(((int64_t)width - window->GetWidth()) / 2);
}

}  // namespace

void Transition(TLuaTable* t) {
  TWindowManager* manager = TWindowManager::Get();
  TWindow* top = manager ? manager->GetTopModal() : nullptr;
  if (!t || !top) return;
  TWindow* window = top->FindChild(t->GetString("window", TStr()), -1);
  if (!window) return;
  TStr kind = t->GetStringAt(1, TStr());
  std::unique_ptr<TLuaFunction> onEnd(t->GetFunction("onend"));
  uint32_t time = SaturateToUInt32(t->GetNumber("time", 100));
  float alpha = (float)t->GetNumber("alpha", 1.0);

  QRNTransition* transition = nullptr;
  if (kind == "center_fadein") {
    window->SetFlags(window->GetFlags() & ~kWindowEnabled);
    SetTreeAlpha(window, 0.0f);
    transition = new FadeInTransition(window, alpha, time, onEnd.release());
    window->SetPosition(CentredX(manager, window), window->GetRect().top);
  } else if (kind == "center") {
    window->SetPosition(CentredX(manager, window), window->GetRect().top);
  } else if (kind == "fadein") {
    transition = new FadeInTransition(window, alpha, time, onEnd.release());
    SetTreeAlpha(window, 0.0f);
  } else if (kind == "fadeout") {
    transition = new FadeOutTransition(window, alpha, time, onEnd.release());
  } else if (kind == "swipe") {
    const TRect& r = window->GetRect();
    auto coordinate = [&](const char* key, int32_t current) { return SaturateToInt32(t->GetNumber(key, current)); };
    transition = new SwipeTransition(window, coordinate("startx", r.left), coordinate("starty", r.top),
                                     coordinate("endx", r.left), coordinate("endy", r.top), time, onEnd.release());
  } else if (kind == "path") {
    std::unique_ptr<TLuaTable> path(t->GetTable("path"));
    transition = new CurveTransition(window, CreateCurveFromTable(path.get()), time, onEnd.release());
  } else if (kind == "zoomin") {
    transition = new ZoomInTransition(window, time, onEnd.release());
  }
  if (transition) QRNTransition::Start(transition);
}
