// The coffee factory's costs, in the program's own platform on the manual clock with the
// project's assets: a whole game (3 s of countdown and 60 s of play, 6,300 steps of 10 ms) run
// as fast as it goes, with a player who fires each waiting ingredient where it completes a line
// of three, else beside one of its kind, else into the first empty cell; and one frame of a busy
// moment drawn and presented on the display.
#include <benchmark/benchmark.h>

#include "bench/game/minigames/factory_bench.h"
#include "game/minigames/coffee/coffee_factory.h"
#include "game/minigames/coffee/coffee_gun.h"
#include "game/minigames/coffee/ingredient_grid.h"
#include "game/minigames/ingredient.h"
#include "game/minigames/ingredient_queue.h"

namespace {

void WithFactory(benchmark::State& state, const std::function<void(TPlatform*, CoffeeFactory*)>& body) {
  factory_bench::WithFactory<CoffeeFactory>(state, "CoffeeFactory", "ui/coffee_factory.lua", body);
}

// How good an empty cell is for the name: 3 when it would finish a line of three, 1 beside one
// of its kind, 0 otherwise (cells in the top two rows, soon under the hood's edge, count -1).
int Worth(const CoffeeIngredientGrid& grid, uint32_t index, const TStr& name) {
  uint32_t columns = grid.GetColumnCount(), rows = grid.GetRowCount();
  uint32_t c = index % columns, r = index / columns;
  auto same = [&](int dc, int dr) {
    int n = 0;
    for (int cc = (int)c + dc, rr = (int)r + dr; cc >= 0 && rr >= 0 && cc < (int)columns && rr < (int)rows;
         cc += dc, rr += dr, ++n)
      if (!(grid.GetCell((uint32_t)rr * columns + (uint32_t)cc).name == name)) break;
    return n;
  };
  int row = 1 + same(-1, 0) + same(1, 0), column = 1 + same(0, -1) + same(0, 1);
  if (row >= 3 || column >= 3) return 3;
  if (row > 1 || column > 1) return 1;
  return r < 2 ? -1 : 0;
}

// One step of the game as the window's timer and the window manager's queue give it, and the
// player's hand.
void Step(CoffeeFactory* f) {
  f->OnAnimate();
  TWindowManager::Get()->ProcessMessages();
  if (f->GetGameState() != CoffeeFactory::kPlaying) return;
  const auto& queue = f->GetIngredientQueue();
  std::shared_ptr<Ingredient> next = queue->GetHead() == 1.0f ? queue->PeekFront() : nullptr;
  if (!next) return;
  const CoffeeIngredientGrid& grid = *f->GetGrid();
  int best = -2;
  uint32_t at = 0;
  for (uint32_t i = 0; i < grid.GetCellCount(); ++i) {
    if (!grid.IsCellEmpty((int32_t)i)) continue;
    int worth = Worth(grid, i, next->GetName());
    if (worth > best) best = worth, at = i;
  }
  if (best < -1) return;
  TVec2 p = grid.GetCellPosition(at);
  f->OnMouseMove(TPoint{(int32_t)p.x, (int32_t)p.y});
  f->OnMouseDown(TPoint{(int32_t)p.x, (int32_t)p.y});
}

void BM_WholeGame(benchmark::State& state) {
  WithFactory(state, [&](TPlatform*, CoffeeFactory* f) {
    uint32_t score = 0, misses = 0;
    float rate = 0;
    for (auto _ : state) {
      f->StartGame();
      for (int i = 0; i < 6300; ++i) Step(f);
      // The wait for shots and products after time-up.
      for (int i = 0; i < 2000 && f->GetGameState() != CoffeeFactory::kGameOver; ++i) Step(f);
      score = f->GetScore();
      misses = f->GetMissCount();
      rate = f->GetBeltRate();
    }
    state.counters["score"] = score;
    state.counters["misses"] = misses;
    state.counters["belt"] = rate;
    state.counters["steps/s"] = benchmark::Counter(6300.0 * (double)state.iterations(), benchmark::Counter::kIsRate);
  });
}
BENCHMARK(BM_WholeGame)->Unit(benchmark::kMillisecond);

void BM_BusyFrame(benchmark::State& state) {
  WithFactory(state, [&](TPlatform*, CoffeeFactory* f) {
    f->StartGame();
    for (int i = 0; i < 3000; ++i) Step(f);  // a full belt, shots, flights and products under way
    factory_bench::DrawFrames(state);
    state.counters["sprites"] = (double)f->GetRoot()->GetChildren().size();
  });
}
BENCHMARK(BM_BusyFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
