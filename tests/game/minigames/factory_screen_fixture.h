// A factory window inside the real platform, built by a screen script exactly as a screen script
// of the game builds it: the "go", "pause" and "information" windows first, then the factory
// named "FactoryGame" with its keys and its "time", "countdown" and "score" texts. The panels'
// scripts note what they were asked to show in gPanels; the pause panel's can be told to start a
// new game at once (gRestartFromPause). A test's factory has the keys FactoryKind gives its kind.
#pragma once

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/windows/message.h"
#include "core/windows/text.h"
#include "core/windows/window_manager.h"
#include "game/minigames/chocolate/chocolate_factory.h"
#include "game/minigames/coffee/coffee_factory.h"
#include "game/minigames/factory_parts.h"
#include "game/minigames/ingredient.h"
#include "tests/game/minigames/factory_kind.h"
#include "tests/game/shell/shell_fixture.h"
#include "tests/support/temp_folder.h"

template <class Factory>
class FactoryScreenTest : public ShellFixture {
 protected:
  // A test's own keys add to its kind's or replace them.
  FactoryScreenTest() : mClassName(FactoryKind<Factory>::kName), mKeys(FactoryKind<Factory>::kKeys) {}

  void SetUp() override {
    ShellFixture::SetUp();
    Write("ui/game_pause.lua",
          "gPanels = (gPanels or '') .. 'pause:' .. gPauseText .. ';'\n"
          "if gRestartFromPause then gRestartFromPause = nil StartGame() end\n");
    Write("ui/chocolate_gameover.lua", "gPanels = (gPanels or '') .. 'over:' .. GetScore() .. ';'\n");
    Write("dev/dev_menu.lua", "gPanels = (gPanels or '') .. 'dev;'\n");
  }
  void Write(const std::string& key, const std::string& text) { std::ofstream(work.File("assets/" + key)) << text; }
  // Runs the body in the platform with the display up and both factory classes known.
  void Play(std::function<void(TPlatform*)> body) {
    RunPlatform("-wd=" + work.Path(), [&](TPlatform* p) {
      p->SetDisplayMode(800, 600, false);
      TWindowManager::Get()->RegisterWindowClass("ChocolateFactory", &ChocolateFactory::Create);
      TWindowManager::Get()->RegisterWindowClass("CoffeeFactory", &CoffeeFactory::Create);
      body(p);
    });
  }
  Factory* Open(const std::string& keys = "", const std::string& texts = "") {
    Run("PushModal('factoryscreen') MakeDialog {"
        " Window { name = 'go', x = 0, y = 0, w = 10, h = 10 },"
        " Window { name = 'pause', x = 0, y = 0, w = 10, h = 10 },"
        " Window { name = 'information', x = 0, y = 0, w = 10, h = 10 }, " +
        std::string(mClassName) + " { name = 'FactoryGame', x = 0, y = 0, w = 800, h = 600, " + mKeys + keys +
        (texts.empty() ? " Text { name = 'time', x = 10, y = 10, w = 60, h = 20 },"
                         " Text { name = 'countdown', x = 10, y = 40, w = 60, h = 20 },"
                         " Text { name = 'score', x = 680, y = 40, w = 80, h = 40 },"
                       : texts) +
        " } }");
    TWindow* top = TWindowManager::Get()->GetTopModal();
    TWindow* found = top ? top->FindChild("FactoryGame") : nullptr;
    return found && found->IsKindOf(&Factory::Create) ? static_cast<Factory*>(found) : nullptr;
  }
  static void Close() {
    Run("gPanels = nil CloseWindow()");
    TWindowManager::Get()->ProcessMessages();
    TWindowManager::Get()->DeleteClosedWindows();
  }
  // Steps of 10 ms as the window's timer gives them, each followed by the queued messages.
  static void Step(Factory* f, int steps = 1) {
    for (int i = 0; i < steps; ++i) {
      f->OnAnimate();
      TWindowManager::Get()->ProcessMessages();
    }
  }
  // The events the audio engine was sent since the last call.
  static std::vector<std::string> TakeEvents() {
    TWindowManager::Get()->ProcessMessages();
    std::vector<std::string> out;
    out.swap(Engine().events);
    return out;
  }
  // The same without the coffee belt's loop, which starts and stops with every state.
  static std::vector<std::string> TakeGameEvents() {
    std::vector<std::string> out;
    for (const std::string& e : TakeEvents())
      if (e != "conveyor_belt_loop" && e != "Stop_conveyor_belt_loop") out.push_back(e);
    return out;
  }
  static std::string Text(Factory* f, const char* name) {
    TWindow* w = f->FindChild(name);
    TStr text("?");
    if (w) static_cast<TText*>(w)->GetText(text);
    return text.c_str();
  }
  static bool Enabled(const char* name) {
    TWindow* w = TWindowManager::Get()->GetTopModal()->FindChild(name);
    return w && (w->GetFlags() & kWindowEnabled);
  }
  // The countdown done: the first step of play has run.
  static void Countdown(Factory* f) {
    for (int i = 0; i < 400 && f->GetGameState() == Factory::kCountdown; ++i) Step(f);
  }
  // Steps until the game is over (at most `limit'); how many it took.
  static int StepsToGameOver(Factory* f, int limit = 1000) {
    int steps = 0;
    while (f->GetGameState() != Factory::kGameOver && steps < limit) {
      Step(f);
      ++steps;
    }
    return steps;
  }
  static void Miss(Factory* f) {
    f->BubbleMessage(new MissedIngredientMessage(Ingredient::Create(TStr("cocoa"))));
    TWindowManager::Get()->ProcessMessages();
  }
  // As a part of the machine offers it.
  static void Offer(Factory* f, int32_t type) {
    OfferFactoryMessage(f, type);
    TWindowManager::Get()->ProcessMessages();
  }

  TempFolder work;

 private:
  const char* mClassName;
  const char* mKeys;
};
