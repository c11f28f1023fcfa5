// The world's costs, in the program's own platform on the manual clock with the project's
// assets: Cocoa Cove opened with thirty walkers on its paths (each put at a random point of its
// run, so up to 400 steps each) and closed again; one frame of that port, its 50 ms step and
// drawing; and one frame of the map with its ports, clouds and a journey half-way, dots laid.
#include <benchmark/benchmark.h>

#include "bench/game/minigames/factory_bench.h"
#include "core/base/task_list.h"
#include "core/graphics/sprites/sprite.h"
#include "game/shell/game_setup.h"
#include "game/shell/world/map_window.h"
#include "game/shell/world/port_window.h"

namespace {

constexpr int kWalkers = 30;

TWindowScript* Script() { return TWindowManager::Get()->GetScript(); }

// The world's window classes, the look of the screens and the ports as the game loads them.
void SetUpWorld() {
  TWindowManager* manager = TWindowManager::Get();
  TGameSetup setup;
  ProvideWorldWindows(setup);
  for (const char* key : {"MapWindow", "PortWindow", "Rollover", "DookieDropper", "Rectangle"})
    manager->RegisterWindowClass(key, setup.GetWindowClass(key));
  manager->RegisterWindowClass("QRNWindow", &TQRNWindow::Create);
  Script()->DoLuaString(
      "ReadFile('ui/style.lua') _AllPorts = {} "
      "ReadFile('world/cocoa_cove/cocoa_cove.lua') ReadFile('world/bean_harbour/bean_harbour.lua') "
      "ReadFile('world/sugar_quay.lua') "
      "Player = { portName = 'cocoa_cove', portsAvailable = { cocoa_cove = 'factory', bean_harbour = 'new',"
      "  sugar_quay = 'open' } }");
}

// Cocoa Cove's buildings with thirty walkers in clothes of four colours, both ways along the quay.
void MakeBusyScene() {
  Script()->DoLuaString(
      ("gScene = { name = 'cocoa_cove', yFar = 360, yNear = 600, scaleFar = 0.7, scaleNear = 1.1,"
       "  buildings = cocoa_cove.scene.buildings, sprites = {} } "
       "local east = { { -40, 548 }, { 240, 512 }, { 560, 586 }, { 840, 530 } } "
       "local west = { { 840, 548 }, { 560, 578 }, { 240, 528 }, { -40, 560 } } "
       "for i = 1, " + std::to_string(kWalkers) + " do "
       "  local path = east "
       "  east, west = west, east "
       "  table.insert(gScene.sprites, { image = 'ports/animations/walker.xml', "
       "    mask = 'ports/animations/walker_mask.xml', tints = { { 0.25, 0.5, 0.75, 1 }, { 0.78, 0.27, 0.24, 1 },"
       "    { 0.44, 0.75, 0.56, 1 }, { 0.88, 0.71, 0.23, 1 } }, path = path, time = 20000, layer = 6 }) "
       "end")
          .c_str());
}

PortWindow* OpenPort() {
  Script()->DoLuaString(
      "PushModal('portscreen') MakeDialog { PortWindow { name = 'port', x = 0, y = 0, w = 800, h = 600,"
      "  background = 'ports/cocoa_cove/background', port = gScene } }");
  TWindow* found = TWindowManager::Get()->GetTopModal()->FindChild("port");
  return found && found->IsKindOf(&PortWindow::Create) ? static_cast<PortWindow*>(found) : nullptr;
}

void ClosePort() {
  TWindowManager* manager = TWindowManager::Get();
  manager->PopModal();
  manager->DeleteClosedWindows();
}

void BM_OpenPortWith30Walkers(benchmark::State& state) {
  factory_bench::WithPlatform([&](TPlatform*) {
    SetUpWorld();
    MakeBusyScene();
    size_t walkers = 0;
    for (auto _ : state) {
      PortWindow* port = OpenPort();
      walkers = port ? port->GetPathSprites().size() : 0;
      ClosePort();
    }
    if (walkers != (size_t)kWalkers) state.SkipWithError("the port was not built with its walkers");
    state.counters["walkers"] = (double)walkers;
  });
}
BENCHMARK(BM_OpenPortWith30Walkers)->Unit(benchmark::kMillisecond);

void BM_PortFrameWith30Walkers(benchmark::State& state) {
  factory_bench::WithPlatform([&](TPlatform*) {
    SetUpWorld();
    MakeBusyScene();
    PortWindow* port = OpenPort();
    if (!port) {
      for (auto _ : state) {
      }
      state.SkipWithError("the port was not built");
      return;
    }
    TWindowManager* manager = TWindowManager::Get();
    TPlatformEvent idle{};
    idle.type = kEventIdle;
    for (auto _ : state) {
      TestControl::AdvanceClock(PortWindow::kTickMs);
      port->Animate();
      manager->HandleEvent(idle);
    }
  });
}
BENCHMARK(BM_PortFrameWith30Walkers)->Unit(benchmark::kMillisecond);

void BM_BusyMapFrame(benchmark::State& state) {
  factory_bench::WithPlatform([&](TPlatform* p) {
    SetUpWorld();
    Script()->DoLuaString(
        "PushModal('map') MakeDialog { MapWindow { name = 'map', x = 0, y = 0, w = 800, h = 600,"
        "  background = 'image/worldmap', cloudY = 30, cloudTime = 60000, yFar = 0, yNear = 600,"
        "  farScale = 0.8, nearScale = 1.1 } } "
        "InitiateTravel { dest = sugar_quay, events = { { time = 4000 } } }");
    MapWindow* map = MapWindow::Get();
    // Half-way: the airship over the sea with its dots behind it.
    for (int i = 0; map && map->GetTravelTask() && i < 66; i++) {
      TestControl::AdvanceClock(TravelTask::kTickMs);
      p->GetTaskList()->RunTasks(0);
    }
    if (!map || !map->GetTravelTask()) {
      for (auto _ : state) {
      }
      state.SkipWithError("no journey under way on the map");
      return;
    }
    map->PauseTravel();
    factory_bench::DrawFrames(state);
    state.counters["sprites"] = (double)map->GetBackground()->GetChildren().size();
  });
}
BENCHMARK(BM_BusyMapFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
