// The widgets' costs on the display-less host (locals go in reverse order: the manager before the
// host whose task list owns the window script): a keystroke into a text entry (edit, markup
// escaping, layout), a mouse move across a row of buttons (leave, rollover, layer switch), and a
// click in a radio group (the group walk turning the others off).
#include <benchmark/benchmark.h>

#include <string>

#include "core/windows/screen.h"
#include "core/windows/widgets/button.h"
#include "core/windows/widgets/text_edit.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"

namespace {

struct Toolkit {
  Toolkit() {
    manager.SetHost(&host);
    manager.SetScreen(new TScreen());
    manager.InitScript(new TWindowScript());
    manager.GetScript()->DoLuaString("PushModal('bench')");
  }
  void Make(const std::string& table) { manager.GetScript()->DoLuaString(("MakeDialog { " + table + " }").c_str()); }
  void Send(int32_t type, int32_t param, int32_t x = 0, int32_t y = 0, int32_t modifiers = 0) {
    TPlatformEvent e;
    e.type = type;
    e.param = param;
    e.x = x;
    e.y = y;
    e.modifiers = modifiers;
    manager.HandleEvent(e);
  }
  TWindowHost host;
  TWindowManager manager;
};

// Keystrokes into an entry of a line's length; the line is emptied every 40 characters.
void TypeIntoTextEdit(benchmark::State& state) {
  Toolkit t;
  bool utf8 = state.range(0) != 0;
  t.Make(std::string("TextEdit { name = 'e', w = 400, h = 24, length = 64") + (utf8 ? ", utf8 = true }" : " }"));
  auto* edit = static_cast<TTextEdit*>(t.manager.GetTopModal()->FindChild("e", -1));
  t.manager.SetFocus(edit);
  const char* text = "Chocolate <and> \\ coffee, roasted at dawn. ";
  int i = 0;
  for (auto _ : state) {
    if (i % 40 == 0) edit->SetText(TStr());
    t.Send(utf8 ? kEventWideChar : kEventChar, (unsigned char)text[i++ % 43]);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(TypeIntoTextEdit)->Arg(0)->Arg(1);

// A move to each button of a row in turn: the last one lets go, the next one rolls over.
void HoverAcrossButtons(benchmark::State& state) {
  Toolkit t;
  int count = (int)state.range(0);
  std::string row;
  for (int i = 0; i < count; i++)
    row += "Button { name = 'b" + std::to_string(i) + "', x = " + std::to_string(i * 10) + ", w = 10, h = 10 }, ";
  t.Make(row);
  int i = 0;
  for (auto _ : state) t.Send(kEventMouseMove, 0, (i++ % count) * 10 + 5, 5);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(HoverAcrossButtons)->Arg(10)->Arg(100);

// A click on each radio button of one group in turn.
void ClickRadioGroup(benchmark::State& state) {
  Toolkit t;
  int count = (int)state.range(0);
  std::string group = "BeginGroup(), ";
  for (int i = 0; i < count; i++)
    group += "Button { type = kRadio, name = 'r" + std::to_string(i) + "', x = " + std::to_string(i * 10) +
             ", w = 10, h = 10 }, ";
  t.Make(group);
  int i = 0;
  for (auto _ : state) {
    int x = (i++ % count) * 10 + 5;
    t.Send(kEventMouseMove, 0, x, 5);
    t.Send(kEventLeftDown, 0, x, 5);
    t.Send(kEventLeftUp, 0, x, 5);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ClickRadioGroup)->Arg(10)->Arg(100);

}  // namespace

BENCHMARK_MAIN();
