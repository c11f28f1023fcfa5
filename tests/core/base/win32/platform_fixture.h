// Runs the real runner in the test process on the manual clock: the test body becomes the
// game's main callback, so it sees the platform exactly as the game does.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/base/msn_zylom_handler.h"
#include "core/base/platform.h"
#include "core/base/settings.h"
#include "core/base/win32/run_application.h"
#include "platform/test_control.h"

class PlatformFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    TestControl::UseManualClock(100000);
    ResetPortalStateForTest();
  }
  void TearDown() override { TestControl::UseRealClock(); }

  // Runs the body as the main callback with this command line ("--multiple" is added, as
  // tests share one program path).
  static void RunPlatform(const std::string& commandLine, std::function<void(TPlatform*)> body) {
    Body() = std::move(body);
    std::string line = commandLine + " --multiple";
    RunApplication(nullptr, nullptr, line.data(), SW_SHOWNORMAL, &Trampoline, false);
    Body() = nullptr;
  }

  // Pumps until the pump has nothing pending (an idle event).
  static void Drain(TPlatform* p) {
    TPlatformEvent e;
    for (int i = 0; i < 200; i++) {
      p->GetEvent(&e);
      if (e.type == kEventIdle) return;
    }
    ADD_FAILURE() << "the pump never went idle";
  }

  static TPlatformEvent Next(TPlatform* p) {
    TPlatformEvent e;
    p->GetEvent(&e);
    return e;
  }

 private:
  static std::function<void(TPlatform*)>& Body() {
    static std::function<void(TPlatform*)> body;
    return body;
  }
  static void Trampoline(TPlatform* platform, const char*) {
    if (Body()) Body()(platform);
  }
};
