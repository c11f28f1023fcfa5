// The window toolkit's costs (locals go in reverse order: the manager before the host whose
// task list owns the window script): a dialog built from a script table and torn down, a mouse move
// routed through a deep tree, and one frame over a stack of windows on the display-less host.
#include <benchmark/benchmark.h>

#include <string>

#include "core/windows/modal_window.h"
#include "core/windows/screen.h"
#include "core/windows/window_host.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"

namespace {

// The display-less host on a clock of its own that moves a frame's interval at every look.
class BenchHost : public TWindowHost {
 public:
  uint32_t GetTime() override { return mNow += 12; }

 private:
  uint32_t mNow = 0;
};

// A dialog table of rows x columns windows, built under a fresh modal window and popped.
void BuildDialog(benchmark::State& state) {
  TWindowHost host;
  TWindowManager manager;
  manager.SetHost(&host);
  manager.SetScreen(new TScreen());
  TWindowScript* script = new TWindowScript();
  manager.InitScript(script);
  int rows = (int)state.range(0);
  std::string dialog = "gDialog = function() MakeDialog { ";
  for (int r = 0; r < rows; r++) {
    dialog += "Window { name = 'row" + std::to_string(r) + "', y = " + std::to_string(r * 10) + ", w = kMax, h = 10, ";
    for (int c = 0; c < 8; c++) dialog += "Window { x = " + std::to_string(c * 20) + ", w = 20, h = 10 }, ";
    dialog += "}, ";
  }
  dialog += "} end";
  script->DoLuaString(dialog.c_str());
  TPlatformEvent idle;
  idle.type = kEventIdle;
  for (auto _ : state) {
    script->DoLuaString("PushModal('bench'); gDialog(); DoPopModal('bench')");
    manager.HandleEvent(idle);  // the popped dialog is deleted here
  }
  state.SetItemsProcessed(state.iterations() * rows * 9);
}
BENCHMARK(BuildDialog)->Arg(10)->Arg(50);

// A mouse move over a chain of nested windows, delivered to the deepest one.
void RouteMouseMove(benchmark::State& state) {
  TWindowHost host;
  TWindowManager manager;
  manager.SetHost(&host);
  manager.SetScreen(new TScreen());
  TWindow* parent = manager.GetScreen();
  for (int i = 0; i < state.range(0); i++) {
    // Siblings beside the chain make each level's hit test look through a list.
    for (int s = 0; s < 8; s++) {
      auto* sibling = new TWindow();
      sibling->SetPosition(700, 0);
      sibling->SetSize(10, 10);
      parent->AddChild(sibling, false);
    }
    auto* child = new TWindow();
    child->SetPosition(1, 1);
    child->SetSize(600 - i, 500 - i);
    parent->AddChild(child, false);
    parent = child;
  }
  TPlatformEvent move;
  move.type = kEventMouseMove;
  move.x = 300;
  move.y = 250;
  for (auto _ : state) manager.HandleEvent(move);
}
BENCHMARK(RouteMouseMove)->Arg(10)->Arg(100);

// One frame: the modal stack of a screen and a dialog of windows, drawn on the host.
void DrawFrame(benchmark::State& state) {
  BenchHost host;
  TWindowManager manager;
  manager.SetHost(&host);
  manager.SetScreen(new TScreen());
  auto* dialog = new TModalWindow();
  manager.PushModal(dialog);
  for (int i = 0; i < state.range(0); i++) {
    auto* w = new TWindow();
    w->SetPosition(i % 700, i % 500);
    w->SetSize(40, 20);
    dialog->AddChild(w, false);
  }
  for (auto _ : state) {
    manager.Invalidate();
    manager.Update();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(DrawFrame)->Arg(100)->Arg(1000);

}  // namespace

BENCHMARK_MAIN();
