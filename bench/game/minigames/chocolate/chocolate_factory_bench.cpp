// The chocolate factory's costs, in the program's own platform on the manual clock with the
// project's assets: a whole game (3 s of countdown and 60 s of play, 6,300 steps of 10 ms) run
// as fast as it goes, with a player who fires each waiting ingredient at a tray that wants it
// (else into the bin); and one frame of a busy moment drawn and presented on the display.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <string>

#include "core/base/win32/run_application.h"
#include "core/graphics/renderer_service.h"
#include "core/graphics/sound/sound_service.h"
#include "core/graphics/text/text_service.h"
#include "core/windows/window_manager.h"
#include "core/windows/window_script.h"
#include "core/windows/window_service.h"
#include "game/minigames/chocolate/chocolate_factory.h"
#include "game/minigames/chocolate/chocolate_gun.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/recycler.h"
#include "game/minigames/ingredient.h"
#include "game/minigames/ingredient_queue.h"
#include "game/shell/game_main.h"
#include "game/shell/sound_bridge.h"
#include "platform/test_control.h"

namespace {

void NoInit(const char*, void*) {}
void NoEvent(const char*, ...) {}
void NoShutdown() {}

std::function<void(TPlatform*)> gBody;
benchmark::State* gState = nullptr;
void Trampoline(TPlatform* platform, const char*) { gBody(platform); }

// Runs the body inside the platform, in the program's folder (its assets), with the factory
// screen open and started; the music engine is left out.
void WithFactory(benchmark::State& state, const std::function<void(TPlatform*, ChocolateFactory*)>& body) {
  gState = &state;
  static bool installed = false;
  if (!installed) {
    StoreGameSettings();
    InstallRendererService();
    InstallWindowService();
    InstallSoundService();
    InstallTextService();
    installed = true;
  }
  SetSoundEngineCalls({&NoInit, &NoEvent, &NoShutdown});
  TestControl::UseManualClock(100000);
  std::string folder = std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
  std::string line = "-wd=" + folder + " --multiple";
  gBody = [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    TWindowManager* manager = TWindowManager::Get();
    manager->RegisterWindowClass("QRNWindow", &TQRNWindow::Create);
    manager->RegisterWindowClass("ChocolateFactory", &ChocolateFactory::Create);
    TWindowScript* script = manager->GetScript();
    script->DoLuaString("ReadFile('ui/style.lua') Player = {} PushModal('factory') ReadFile('ui/chocolate_factory.lua')");
    TWindow* found = manager->GetTopModal()->FindChild("FactoryGame");
    if (found && found->IsKindOf(&ChocolateFactory::Create)) {
      body(p, static_cast<ChocolateFactory*>(found));
    } else {
      for (auto _ : *gState) {
      }
      gState->SkipWithError("the factory screen was not built");
    }
  };
  RunApplication(nullptr, nullptr, line.data(), SW_SHOWNORMAL, &Trampoline, false);
  gBody = nullptr;
  TestControl::UseRealClock();
}

// One step of the game as the window's timer and the window manager's queue give it, and the
// player's hand: the waiting ingredient goes to the first tray with a place for it, or the bin.
void Step(ChocolateFactory* f) {
  f->OnAnimate();
  TWindowManager::Get()->ProcessMessages();
  if (f->GetGameState() != ChocolateFactory::kPlaying) return;
  const auto& queue = f->GetIngredientQueue();
  std::shared_ptr<Ingredient> next = queue->GetHead() == 1.0f ? queue->PeekFront() : nullptr;
  if (!next) return;
  for (const auto& tray : f->GetTrayTask()->GetTrays())
    if (tray->Accepts(next)) {
      TVec2 at = tray->GetPosition();
      f->OnMouseDown(TPoint{(int32_t)at.x, (int32_t)at.y});
      return;
    }
  if (RecyclerTask* bins = f->GetRecyclerTask()) {
    TVec2 at = bins->GetRecyclers().front()->GetPosition();
    f->OnMouseDown(TPoint{(int32_t)at.x, (int32_t)at.y});
  }
}

void BM_WholeGame(benchmark::State& state) {
  WithFactory(state, [&](TPlatform*, ChocolateFactory* f) {
    uint32_t score = 0;
    for (auto _ : state) {
      f->StartGame();
      for (int i = 0; i < 6300; ++i) Step(f);
      // The wind-down after time-up.
      for (int i = 0; i < 2000 && f->GetGameState() != ChocolateFactory::kGameOver; ++i) Step(f);
      score = f->GetScore();
    }
    state.counters["score"] = score;
    state.counters["steps/s"] = benchmark::Counter(6300.0 * (double)state.iterations(), benchmark::Counter::kIsRate);
  });
}
BENCHMARK(BM_WholeGame)->Unit(benchmark::kMillisecond);

void BM_BusyFrame(benchmark::State& state) {
  WithFactory(state, [&](TPlatform* p, ChocolateFactory* f) {
    f->StartGame();
    for (int i = 0; i < 1500; ++i) Step(f);  // trays filling, shots, rings and products under way
    TWindowManager* manager = TWindowManager::Get();
    TPlatformEvent idle{};
    idle.type = kEventIdle;
    for (auto _ : state) {
      TestControl::AdvanceClock(13);  // past the frame interval
      manager->Invalidate();
      manager->HandleEvent(idle);
    }
    state.counters["sprites"] = (double)f->GetRoot()->GetChildren().size();
    (void)p;
  });
}
BENCHMARK(BM_BusyFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
