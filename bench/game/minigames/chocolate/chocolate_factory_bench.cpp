// The chocolate factory's costs, in the program's own platform on the manual clock with the
// project's assets: a whole game (3 s of countdown and 60 s of play, 6,300 steps of 10 ms) run
// as fast as it goes, with a player who fires each waiting ingredient at a tray that wants it
// (else into the bin); and one frame of a busy moment drawn and presented on the display.
#include <benchmark/benchmark.h>

#include "bench/game/minigames/factory_bench.h"
#include "game/minigames/chocolate/chocolate_factory.h"
#include "game/minigames/chocolate/chocolate_gun.h"
#include "game/minigames/chocolate/chocolate_tray.h"
#include "game/minigames/chocolate/recycler.h"
#include "game/minigames/ingredient.h"
#include "game/minigames/ingredient_queue.h"

namespace {

void WithFactory(benchmark::State& state, const std::function<void(TPlatform*, ChocolateFactory*)>& body) {
  factory_bench::WithFactory<ChocolateFactory>(state, "ChocolateFactory", "ui/chocolate_factory.lua", body);
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
    factory_bench::DrawFrames(state);
    state.counters["sprites"] = (double)f->GetRoot()->GetChildren().size();
    (void)p;
  });
}
BENCHMARK(BM_BusyFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
