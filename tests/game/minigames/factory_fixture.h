// The surroundings of a factory's moving parts: a window manager whose top modal window holds
// the window "FactoryGame" (its focus child) that records the messages it is offered, a listener
// for the sound events queued with the manager, and the game-state store; on top of the
// sprite-test assets.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/base/game_state.h"
#include "core/windows/message.h"
#include "core/windows/modal_window.h"
#include "core/windows/screen.h"
#include "core/windows/window.h"
#include "core/windows/window_manager.h"
#include "game/minigames/factory_parts.h"
#include "game/shell/scaling_task.h"
#include "tests/game/script_tables.h"
#include "tests/game/sprite_assets.h"

class FactoryFixture : public GameSpriteTest {
 protected:
  // Takes every message; the test may look at it first.
  class FactoryWindow : public TWindow {
   public:
    explicit FactoryWindow(FactoryFixture* owner) : mOwner(owner) { mName = "FactoryGame"; }
    bool OnMessage(TMessage* m) override {
      mOwner->offered.push_back(m->GetType());
      mOwner->offeredTo.push_back(m->GetWindow());
      if (mOwner->onMessage) mOwner->onMessage(m);
      return true;
    }

   private:
    FactoryFixture* mOwner;
  };
  class Sounds : public TMessageListener {
   public:
    explicit Sounds(std::vector<std::string>* out) : mOut(out) {}
    bool OnMessage(TMessage* m) override {
      mOut->push_back(m->GetType() == kFactorySound ? m->GetName().c_str() : "type " + std::to_string(m->GetType()));
      return true;
    }

   private:
    std::vector<std::string>* mOut;
  };

  void SetUp() override {
    GameSpriteTest::SetUp();
    manager = new TWindowManager();
    manager->SetScreen(new TScreen());
    modal = new TModalWindow();
    manager->PushModal(modal);
    factory = new FactoryWindow(this);
    modal->AddChild(factory, false);
    modal->SetFocus(factory);
    manager->AddMessageListener(new Sounds(&sounds));
    TGameState::Create();
  }
  void TearDown() override {
    delete manager;
    TGameState::Destroy();
    GameSpriteTest::TearDown();
  }

  // The sound events queued so far, in order (the queue is worked off first).
  std::vector<std::string> TakeSounds() {
    manager->ProcessMessages();
    std::vector<std::string> out;
    out.swap(sounds);
    return out;
  }
  std::vector<int32_t> TakeOffered() {
    std::vector<int32_t> out;
    out.swap(offered);
    offeredTo.clear();
    return out;
  }
  // The factory window goes away (the parts then find none).
  void CloseFactory() {
    modal->RemoveChild(factory);
    modal->ClearFocusChild(factory);
    delete factory;
    factory = nullptr;
  }
  std::string State(const char* key) { return TGameState::GetInstance()->GetState(TStr(key)).c_str(); }
  // The task in steps of 10 ms, as the factory's step drives it, for `ms'.
  static void Run(TScalingTask& task, uint32_t ms) {
    for (uint32_t t = 0; t < ms; t += kFactoryStepMs) task.Advance(kFactoryStepMs);
  }
  // Steps of 10 ms until the gun's flights are over (or the limit); answers the ms it took.
  template <class GunTask>
  static uint32_t Fly(GunTask& task, uint32_t limit = 2000) {
    uint32_t ms = 0;
    while (!task.GetFlying().empty() && ms < limit) {
      task.Advance(kFactoryStepMs);
      ms += kFactoryStepMs;
    }
    return ms;
  }
  // How far along its path each product of the queue is.
  template <class ProductQueueTask>
  static std::vector<float> Progress(const ProductQueueTask& task) {
    std::vector<float> out;
    for (const auto& p : task.GetProducts()) out.push_back(p->GetProgress());
    return out;
  }

  TWindowManager* manager = nullptr;
  TModalWindow* modal = nullptr;
  TWindow* factory = nullptr;
  std::function<void(TMessage*)> onMessage;
  std::vector<int32_t> offered;
  std::vector<TWindow*> offeredTo;
  std::vector<std::string> sounds;
};
