// What the game's benchmarks share: the program's own platform on the manual clock, with the
// project's assets (the program's folder), the music engine left out; a factory window opened
// by its screen script in it; and the drawing of one frame as the main loop does it.
#pragma once

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
#include "game/shell/game_main.h"
#include "game/shell/qrn_window.h"
#include "game/shell/sound_bridge.h"
#include "platform/test_control.h"

namespace factory_bench {

inline void NoInit(const char*, void*) {}
inline void NoEvent(const char*, ...) {}
inline void NoShutdown() {}

inline std::function<void(TPlatform*)>& Body() {
  static std::function<void(TPlatform*)> body;
  return body;
}
inline void Trampoline(TPlatform* platform, const char*) { Body()(platform); }

// Runs the body inside the program's own platform: the manual clock, the program's folder and
// assets, no music engine, an 800 x 600 display.
inline void WithPlatform(const std::function<void(TPlatform*)>& body) {
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
  Body() = [&](TPlatform* p) {
    p->SetDisplayMode(800, 600, false);
    body(p);
  };
  RunApplication(nullptr, nullptr, line.data(), SW_SHOWNORMAL, &Trampoline, false);
  Body() = nullptr;
  TestControl::UseRealClock();
}

// Runs the body inside the platform with the screen `screen` (a ui/ script) open; its window
// "FactoryGame" must be of the class registered as `className`.
template <class Factory>
void WithFactory(benchmark::State& state, const char* className, const char* screen,
                 const std::function<void(TPlatform*, Factory*)>& body) {
  WithPlatform([&](TPlatform* p) {
    TWindowManager* manager = TWindowManager::Get();
    manager->RegisterWindowClass("QRNWindow", &TQRNWindow::Create);
    manager->RegisterWindowClass(className, &Factory::Create);
    TWindowScript* script = manager->GetScript();
    std::string open = std::string("ReadFile('ui/style.lua') Player = {} PushModal('factory') ReadFile('") + screen + "')";
    script->DoLuaString(open.c_str());
    TWindow* found = manager->GetTopModal()->FindChild("FactoryGame");
    if (found && found->IsKindOf(&Factory::Create)) {
      body(p, static_cast<Factory*>(found));
    } else {
      for (auto _ : state) {
      }
      state.SkipWithError("the factory screen was not built");
    }
  });
}

// One frame drawn and presented each iteration, as the main loop's idle turn does it.
inline void DrawFrames(benchmark::State& state) {
  TWindowManager* manager = TWindowManager::Get();
  TPlatformEvent idle{};
  idle.type = kEventIdle;
  for (auto _ : state) {
    TestControl::AdvanceClock(13);  // past the frame interval
    manager->Invalidate();
    manager->HandleEvent(idle);
  }
}

}  // namespace factory_bench
