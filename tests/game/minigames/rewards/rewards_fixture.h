// The reward windows inside the real platform, built by screen scripts as the game builds them,
// over the project's own assets (the particle scripts and pictures of assets/), each linked
// into a working folder of the test's so that one file can be taken away or replaced. The
// framework's sounds are not there (sfx/ is left out): a sound the framework would play names
// its file in the log instead.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/crt_rand.h"
#include "core/base/random.h"
#include "core/graphics/particles/particle_function.h"
#include "core/windows/modal_window.h"
#include "game/minigames/rewards/bonus_game.h"
#include "game/minigames/rewards/fireworks_window.h"
#include "game/minigames/rewards/slot_machine.h"
#include "game/shell/qrn_window.h"
#include "game/shell/world/rectangle.h"
#include "platform/directx/directx_test_control.h"
#include "tests/game/shell/shell_fixture.h"
#include "tests/support/temp_folder.h"

class RewardsTest : public ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    namespace fs = std::filesystem;
    fs::path source = fs::path(getenv("ORVELLA_SOURCE_DIR")) / "assets";
    for (const auto& entry : fs::directory_iterator(source)) {
      std::string name = entry.path().filename().string();
      if (name == "sfx") continue;
      fs::path to = fs::path(work.Path()) / "assets" / name;
      fs::create_directories(to.parent_path());
      if (name == "glitz") {
        fs::create_directory(to);
        for (const auto& file : fs::directory_iterator(entry.path())) fs::create_symlink(file.path(), to / file.path().filename());
      } else {
        fs::create_directory_symlink(entry.path(), to);
      }
    }
  }

  // A particle script of glitz/ taken away, or replaced by the text.
  void RemoveGlitz(const std::string& name) { std::filesystem::remove(work.File("assets/glitz/" + name)); }
  void ReplaceGlitz(const std::string& name, const std::string& text) {
    RemoveGlitz(name);
    std::ofstream(work.File("assets/glitz/" + name)) << text;
  }

  // Runs the body in the platform with the display up and the reward classes known; the
  // generators start from fixed seeds.
  void Play(std::function<void(TPlatform*)> body) {
    RunPlatform("-wd=" + work.Path(), [&](TPlatform* p) {
      p->SetDisplayMode(800, 600, false);
      TWindowManager* manager = TWindowManager::Get();
      manager->RegisterWindowClass("CratesGame", &TBonusGame::Create);
      manager->RegisterWindowClass("FireworksWindow", &TFireworksWindow::Create);
      manager->RegisterWindowClass("SlotMachine", &SlotMachine::GetFactory);
      manager->RegisterWindowClass("QRNWindow", &TQRNWindow::Create);
      manager->RegisterWindowClass("Rectangle", &TRectangle::Create);
      OrvellaSrand(1);
      SeedRandom(1);
      body(p);
    });
  }

  // A screen of its own holding the windows the text describes; the window of that name in it.
  template <typename T>
  static T* Open(const std::string& dialog, const char* name, TWindowFactory factory) {
    Run("PushModal('rewardscreen') MakeDialog { " + dialog + " }");
    TWindow* top = TWindowManager::Get()->GetTopModal();
    TWindow* found = top ? top->FindChild(name) : nullptr;
    return found && found->IsKindOf(factory) ? static_cast<T*>(found) : nullptr;
  }
  // The top screen closed and its windows deleted.
  static void CloseScreen() {
    Run("CloseWindow()");
    TWindowManager::Get()->ProcessMessages();
    TWindowManager::Get()->DeleteClosedWindows();
  }

  static std::vector<std::string> TakeEvents() {
    TWindowManager::Get()->ProcessMessages();
    std::vector<std::string> out;
    out.swap(Engine().events);
    return out;
  }

  // The clock moves on and the game's loop takes an idle turn: the screen's timers, then a frame.
  static void Advance(uint32_t ms) {
    TestControl::AdvanceClock(ms);
    TWindowManager::Get()->Invalidate();
    TPlatformEvent idle;
    idle.type = kEventIdle;
    TWindowManager::Get()->HandleEvent(idle);
  }
  // The last frame the display presented (800 x 600, opaque).
  static std::vector<uint32_t> Presented() {
    std::vector<uint32_t> frame;
    int w = 0, h = 0;
    EXPECT_TRUE(TestControl::Display::GetLastPresentedFrame(frame, w, h));
    for (uint32_t& p : frame) p |= 0xFF000000u;
    return frame;
  }

  TempFolder work;
};
